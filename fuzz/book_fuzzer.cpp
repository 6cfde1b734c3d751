// The invoice book on hostile table files: the input holds a batch table and an invoice-record
// table (two bytes giving the length of the first, then the first, then the second). The
// program starts on them with a valid payer table, shows every batch with its months, edits
// the shown batch, deletes it, and starts again on what that left. A field of another kind than
// the program's tables define ends the program with its fatal error, which is allowed here;
// anything else that goes wrong is a crash.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "grid/grid_model.h"
#include "invoices/invoice_book.h"
#include "invoices/invoice_tables.h"
#include "invoices/toolkit.h"
#include "memory_files.h"
#include "store/table_store.h"
#include "text/fatal.h"
#include "text/gbk.h"

namespace {

using namespace korvana;
using invoices::Window;

const std::string kFolder = "/fuzz";

struct Fatal {};

// Controls held in memory; every question is answered Yes.
class FuzzToolkit final : public invoices::Toolkit {
 public:
  std::string editText(Window w, const std::string& c) override { return edits_[{w, c}]; }
  void setEditText(Window w, const std::string& c, const std::string& t) override { edits_[{w, c}] = t; }
  std::string comboText(Window w, const std::string& c) override {
    const Combo& combo = combos_[{w, c}];
    return combo.selection >= 0 ? combo.items[static_cast<std::size_t>(combo.selection)] : std::string();
  }
  int comboItemCount(Window w, const std::string& c) override {
    return static_cast<int>(combos_[{w, c}].items.size());
  }
  std::string comboItemText(Window w, const std::string& c, int i) override {
    const Combo& combo = combos_[{w, c}];
    return i >= 0 && i < static_cast<int>(combo.items.size()) ? combo.items[static_cast<std::size_t>(i)]
                                                              : std::string();
  }
  int comboAddItem(Window w, const std::string& c, const std::string& t) override {
    combos_[{w, c}].items.push_back(t);
    return comboItemCount(w, c) - 1;
  }
  bool comboDeleteItem(Window w, const std::string& c, int i) override {
    Combo& combo = combos_[{w, c}];
    if (i < 0 || i >= static_cast<int>(combo.items.size())) return false;
    combo.items.erase(combo.items.begin() + i);
    if (combo.selection == i) combo.selection = -1;
    else if (combo.selection > i) --combo.selection;
    return true;
  }
  int comboSelection(Window w, const std::string& c) override { return combos_[{w, c}].selection; }
  void setComboSelection(Window w, const std::string& c, int i) override {
    Combo& combo = combos_[{w, c}];
    combo.selection = std::min(i, static_cast<int>(combo.items.size()) - 1);
    if (combo.selection < 0) combo.selection = -1;
  }
  int messageBox(const std::string&, int buttons, const std::string&, invoices::Icon) override {
    return buttons == invoices::kButtonsYesNo ? invoices::kAnswerYes : invoices::kAnswerOk;
  }
  void loadModal(Window w) override {
    if (events_) events_->windowCreated(w);
    if (events_) events_->windowClosed(w);
  }
  void closeWindow(Window) override {}
  void openWebPage(const std::string&) override {}
  void printGrid(grid::GridModel&) override {}

 private:
  struct Combo {
    std::vector<std::string> items;
    int selection = -1;
  };
  std::map<std::pair<Window, std::string>, std::string> edits_;
  std::map<std::pair<Window, std::string>, Combo> combos_;
};

std::string emptyPayerTable() {
  fuzz::MemoryFileSystem fs;
  store::TableStore db(fs);
  if (!db.createTable(kFolder + "/p", invoices::invoiceTableFields(text::gbk("单位库")))) std::abort();
  return fs.files.begin()->second;
}

// Starts the program on the files and goes through its batches; false when it ended.
bool useTheBook(fuzz::MemoryFileSystem& fs, bool changeThings) {
  FuzzToolkit tk;
  invoices::InvoiceBook book(tk, fs);
  try {
    if (!book.startUp(kFolder)) return false;
    const std::string list = text::gbk("组合框_当前发票");
    const int n = tk.comboItemCount(Window::Main, list);
    for (int i = 0; i < n && i < 8; ++i) {
      tk.setComboSelection(Window::Main, list, i);
      book.batchSelected();
    }
    if (!changeThings || n == 0) return true;
    grid::GridModel& records = book.recordsGrid();
    records.editCell(1, 3, "2010-03-05");
    records.editCell(1, 4, "12.5");
    records.editCell(1, 5, "payer");
    records.clickCell(2, 2);
    book.deleteClicked();
  } catch (const Fatal&) {
    return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string payers = [] {
    text::setFatalHandler([](int, const std::string&) { throw Fatal{}; });
    return emptyPayerTable();
  }();
  if (size < 2) return 0;
  const std::size_t first = std::min<std::size_t>(size - 2, data[0] | (data[1] << 8));
  const char* bytes = reinterpret_cast<const char*>(data) + 2;

  fuzz::MemoryFileSystem fs;
  fs.files[kFolder + "/" + text::toUtf8(text::gbk("单位库.EDB"))] = payers;
  fs.files[kFolder + "/" + text::toUtf8(text::gbk("发票管理库.edb"))] = std::string(bytes, first);
  fs.files[kFolder + "/" + text::toUtf8(text::gbk("发票记录库.edb"))] =
      std::string(bytes + first, size - 2 - first);
  if (useTheBook(fs, true)) useTheBook(fs, false);
  return 0;
}
