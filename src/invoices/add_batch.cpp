// Adding a batch: the add-batch window, the batch key and the invoice numbers of a batch.
#include <cstdint>

#include "invoices/book_internals.h"
#include "invoices/invoice_book.h"
#include "text/gbk.h"
#include "text/numbers.h"

namespace korvana::invoices {

namespace {

constexpr int kMaxTypeBytes = 10;   // the width of 发票类型
constexpr int kMaxStartBytes = 10;  // the width of 发票起号码
constexpr int kMaxCount = 1000;     // numbers repeat after 1000, only the last three digits count
constexpr int64_t kIntMax = 2147483647;
constexpr int64_t kIntMin = -2147483647 - 1;

}  // namespace

std::string makeBatchKey(const std::string& type, const std::string& start) {
  return type + text::rightPart(start, 4);
}

std::string makeInvoiceNumber(const std::string& start, int i) {
  const int length = static_cast<int>(start.size());
  const std::string prefix = text::leftPart(start, length - 3);
  // The value wraps in 32 bits, as the conversion to int does.
  const auto v = static_cast<int32_t>(static_cast<uint32_t>(text::textToInt(start)) +
                                      static_cast<uint32_t>(i) - 1u);
  return prefix + text::rightPart(text::intToText(v), 3);
}

std::string normalizeCountText(const std::string& text) {
  int64_t value = text::textToWholeNumber(text);
  if (value > kIntMax) value = kIntMax;
  if (value < kIntMin) value = kIntMin;
  return value == 0 ? std::string() : text::intToText(static_cast<int>(value));
}

bool isNumberKey(char c) { return c == '-' || (c >= '0' && c <= '9'); }

void InvoiceBook::addClicked() {
  const detail::Texts& t = detail::texts();
  Toolkit& tk = impl_->toolkit;
  tk.loadModal(Window::AddBatch);  // its creation sets addConfirmed to 0
  if (impl_->state.addConfirmed != 1) return;
  tk.setComboSelection(Window::Main, t.batchList, tk.comboItemCount(Window::Main, t.batchList) - 1);
  showBatch(tk.comboItemText(Window::Main, t.batchList,
                             tk.comboSelection(Window::Main, t.batchList)));
}

void InvoiceBook::confirmAddBatch() {
  const detail::Texts& t = detail::texts();
  Impl& b = *impl_;
  Toolkit& tk = b.toolkit;
  store::TableStore& db = b.store;

  const std::string start = tk.editText(Window::AddBatch, t.startBox);
  const std::string countText = tk.editText(Window::AddBatch, t.countBox);
  const std::string code = tk.editText(Window::AddBatch, t.codeBox);
  const std::string type = tk.comboText(Window::AddBatch, t.typeCombo);

  auto refuse = [&](const std::string& message) { tk.messageBox(message, kButtonsOk); };
  if (start.empty()) return refuse(t.startMissing);
  if (countText.empty()) return refuse(t.countMissing);
  if (code.empty()) return refuse(t.codeMissing);

  // Input the tables cannot hold, or that would leave records no one can reach. A text ends
  // at a NUL byte in the tables, so a key holding one would differ from its list item.
  for (const std::string* text : {&type, &code, &start}) {
    if (text->find('\0') != std::string::npos) return refuse(t.unsavableText);
  }
  if (static_cast<int>(type.size()) > kMaxTypeBytes) return refuse(t.typeTooLong);
  if (static_cast<int>(start.size()) > kMaxStartBytes) return refuse(t.startTooLong);
  const int64_t wholeCount = text::textToWholeNumber(countText);
  if (wholeCount < 1 || wholeCount > kMaxCount) return refuse(t.countOutOfRange);
  const int count = static_cast<int>(wholeCount);
  if (text::textToWholeNumber(start) + count - 1 > kIntMax) return refuse(t.startOutOfRange);

  const std::string key = makeBatchKey(type, start);
  db.selectTable(t.batchTable);
  if (detail::findBatchKey(db, key)) return refuse(t.keyExistsPrefix + key + t.keyExistsSuffix);

  if (!db.addRecord({key, type, code, start, static_cast<int32_t>(count)})) {
    db.syncWritten();
    return refuse(t.updateFailed);
  }
  tk.comboAddItem(Window::Main, t.batchList, key);

  // The batch row reaches the disk before its invoice records, so that no invoice record is
  // ever stored without its batch. An append that fails ends the run and is reported: the
  // batch keeps the records stored so far, shows them, and can be deleted.
  bool stored = db.syncWritten();
  if (!stored) detail::tellSaveFailed(tk, t.batchTable, db.lastError());
  db.selectTable(t.recordTable);
  for (int i = 1; stored && i <= count; ++i) {
    if (!db.addRecord({key, makeInvoiceNumber(start, i), store::Omitted{}, store::Omitted{},
                       store::Omitted{}, false})) {
      stored = false;
      detail::tellSaveFailed(tk, t.recordTable, db.lastError());
    }
  }
  if (!db.syncWritten() && stored) detail::tellSaveFailed(tk, t.recordTable, db.lastError());

  b.state.addConfirmed = 1;
  tk.closeWindow(Window::AddBatch);
}

}  // namespace korvana::invoices
