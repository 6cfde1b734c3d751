#pragma once
// The invoice book: the program-wide state and every handler and procedure of the main
// window, the add-batch window and the payer unit editor. It owns the table store and the two
// grid models and reaches the windows only through the toolkit port.
#include <memory>
#include <string>

#include "grid/grid_model.h"
#include "invoices/payer_editor.h"
#include "invoices/toolkit.h"
#include "store/table_store.h"

namespace korvana::invoices {

struct ProgramState {
  std::string dataDirectory;      // the program's directory followed by the separator (GBK)
  std::string currentBatchKey;
  std::string currentBatchType;
  std::string currentBatchStart;
  int currentBatchCount = 0;
  int addConfirmed = 0;
};

class InvoiceBook : public WindowEvents {
 public:
  // The toolkit must outlive the book. The file system is the real one unless a test gives
  // another.
  explicit InvoiceBook(Toolkit& toolkit, store::FileSystem& fs = store::posixFileSystem());
  ~InvoiceBook() override;

  // Start-up, run when the main window has been created. programDirectory is GBK, without a
  // trailing separator. Returns false when the program must end at once (a table that could
  // not be created or opened; the message has been shown).
  bool startUp(const std::string& programDirectory);

  // Main window handlers.
  void batchSelected();          // 组合框_当前发票: comboItemSelected
  void addClicked();             // 按钮_新增发票
  void deleteClicked();          // 按钮_删除发票
  void payerManagementClicked(); // 按钮_付款单位管理
  void printClicked();           // 按钮_打印
  void helpClicked();            // 按钮_帮助
  bool checkRowEditable();       // records grid: beforeEdit
  void storeEditedCell();        // records grid: cellEdited

  // Add-batch window handlers (created: addConfirmed := 0; 取消 closes the window).
  void confirmAddBatch();        // 按钮_确定
  void cancelAddBatch();         // 按钮_取消

  // Procedures.
  void showBatch(const std::string& key);
  void tallyMonths();
  void fillBatchList();
  void fillPayerList(grid::GridModel& grid, int column, const std::string& tableName,
                     const std::string& fieldName);

  // WindowEvents.
  void windowCreated(Window window) override;
  void windowClosed(Window window) override;

  // The payer unit editor while it is open, else nullptr.
  PayerEditor* payerEditor();
  // The address Help opens (the user guide installed beside the program).
  std::string helpAddress() const;

  ProgramState& state();
  store::TableStore& store();
  grid::GridModel& recordsGrid();
  grid::GridModel& statsGrid();
  Toolkit& toolkit();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The batch key: the type followed by the last four bytes of the starting number.
std::string makeBatchKey(const std::string& type, const std::string& start);
// The count box of the add-batch window when it loses the focus: the integer its text reads as
// (64-bit, clamped to the 32-bit range) in decimal, and "" for 0.
std::string normalizeCountText(const std::string& text);
// The key filter of the starting-number and count boxes: digits and "-" only.
bool isNumberKey(char c);

// The i-th invoice number of a batch (i >= 1): the start's prefix before its last three bytes
// and the last three digits of (value of start + i - 1).
std::string makeInvoiceNumber(const std::string& start, int i);

}  // namespace korvana::invoices
