// Deleting the current batch: its row, its block of invoice records and its list entry.
#include "invoices/book_internals.h"
#include "invoices/invoice_book.h"

namespace korvana::invoices {

void InvoiceBook::deleteClicked() {
  const detail::Texts& t = detail::texts();
  Impl& b = *impl_;
  Toolkit& tk = b.toolkit;
  store::TableStore& db = b.store;
  const std::string& key = b.state.currentBatchKey;

  if (tk.messageBox(t.deleteQuestion, kButtonsYesNo, t.deleteCaption) != kAnswerYes) return;

  // A failure ends the deletion where it stands: the batch stays in the list and shows what
  // the tables still hold, and the user is told which table could not be changed.
  auto failed = [&](const std::string& table, int error) {
    const std::string shown = key;
    showBatch(shown);
    tallyMonths();
    detail::tellSaveFailed(tk, table, error);
  };
  // Makes the marks of the current table take effect and reach the disk; the first error.
  auto purge = [&](int error) {
    if (!db.purgeDeleted() && error == 0) error = db.lastError();
    if (!db.syncWritten() && error == 0) error = db.lastError();
    return error;
  };

  // The invoice records go first and reach the disk before the batch row is touched, so that a
  // run that stops in between leaves a batch with fewer records, which it shows and which can
  // be deleted again, and never invoice records without their batch.
  // The batch's records are one block starting at the first record that carries the key; at
  // most currentBatchCount of them are marked, and the block ends at the first record that
  // carries another key. Only rows that carry the key are ever marked.
  int error = 0;
  db.selectTable(t.recordTable);
  if (detail::findBatchKey(db, key)) {
    for (int i = 1; i <= b.state.currentBatchCount; ++i) {
      if (detail::readText(db, t.batchKey) != key) break;
      if (!db.markDeleted()) {
        error = db.lastError();
        break;
      }
      db.skip(1);
    }
  }
  if ((error = purge(error)) != 0) return failed(t.recordTable, error);

  db.selectTable(t.batchTable);
  if (detail::findBatchKey(db, key) && !db.markDeleted()) error = db.lastError();
  if ((error = purge(error)) != 0) {
    // A failure after the row left the table (cutting the file, the sync) still ends with the
    // list as the table has it.
    if (detail::findBatchKey(db, key)) return failed(t.batchTable, error);
    detail::tellSaveFailed(tk, t.batchTable, error);
  }

  tk.comboDeleteItem(Window::Main, t.batchList, tk.comboSelection(Window::Main, t.batchList));
  const int n = tk.comboItemCount(Window::Main, t.batchList);
  if (n > 0) {
    tk.setComboSelection(Window::Main, t.batchList, n - 1);
    showBatch(tk.comboItemText(Window::Main, t.batchList,
                               tk.comboSelection(Window::Main, t.batchList)));
    tallyMonths();
    return;
  }

  grid::GridModel& stats = b.stats;
  grid::GridModel& records = b.records;
  stats.clearCells(1, 0, stats.rowCount() - 1, stats.columnCount() - 1);
  records.clearCells(1, 1, records.rowCount() - 1, records.columnCount() - 1);
  tk.setComboSelection(Window::Main, t.batchList, -1);
  tk.setEditText(Window::Main, t.startBox, std::string());
  tk.setEditText(Window::Main, t.typeBox, std::string());
  tk.setEditText(Window::Main, t.countBox, std::string());
  tk.setEditText(Window::Main, t.codeBox, std::string());
  tk.messageBox(t.addBatchAgain, kButtonsOk);
}

}  // namespace korvana::invoices
