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

  // Only rows that carry the key are ever marked: when no row carries it, nothing is.
  db.selectTable(t.batchTable);
  if (detail::findBatchKey(db, key)) db.markDeleted();
  db.purgeDeleted();

  // The batch's records are one block starting at the first record that carries the key; at
  // most currentBatchCount of them are marked, and the block ends at the first record that
  // carries another key.
  db.selectTable(t.recordTable);
  if (detail::findBatchKey(db, key)) {
    for (int i = 1; i <= b.state.currentBatchCount; ++i) {
      if (detail::readText(db, t.batchKey) != key) break;
      db.markDeleted();
      db.skip(1);
    }
  }
  db.purgeDeleted();
  db.syncWritten();

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
