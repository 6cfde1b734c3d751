// Start-up and the batch list: the tables and grids are made ready, the payer list and the
// batch list filled, and the last batch shown; then batch selection, Print and Help.
#include "invoices/book_internals.h"
#include "invoices/invoice_book.h"
#include "invoices/invoice_tables.h"

namespace korvana::invoices {

bool InvoiceBook::startUp(const std::string& programDirectory) {
  const detail::Texts& t = detail::texts();
  Impl& b = *impl_;
  Toolkit& tk = b.toolkit;
  store::TableStore& db = b.store;

  b.state.dataDirectory = programDirectory + "/";
  grid::configureRecordsGrid(b.records);
  grid::configureStatsGrid(b.stats);

  // Creates the table when its file is missing and opens it. A file that exists but cannot
  // be opened ends the program with a message, so that existing data is never passed over as
  // if there were none; no file is created or written after it.
  auto makeAvailable = [&](const std::string& fileName) {
    bool createFailed = false;
    if (openInvoiceTable(db, tk, b.state.dataDirectory, fileName, &createFailed)) return true;
    if (!createFailed) {
      const int code = db.lastError();
      tk.messageBox(t.openFailed + fileName + "\n" + store::TableStore::errorText(code), kButtonsOk,
                    t.errorCaption);
    }
    db.syncWritten();
    return false;
  };

  if (!makeAvailable(t.payerFile)) return false;
  fillPayerList(b.records, 5, t.payerTable, t.unitName);
  if (!makeAvailable(t.batchFile)) return false;
  if (!makeAvailable(t.recordFile)) return false;
  // A deletion that stopped before its purge leaves marked rows, which a later purge would
  // take out unasked; they are taken out now, so that the program shows from the start what
  // the tables will keep. The records go first, as in a deletion.
  for (const std::string* table : {&t.recordTable, &t.batchTable}) {
    db.selectTable(*table);
    db.purgeDeleted();
  }
  db.syncWritten();

  db.selectTable(t.batchTable);
  const int n = db.recordCount();
  if (n == 0) {
    tk.setComboSelection(Window::Main, t.batchList, -1);
    tk.messageBox(t.addBatchFirst, kButtonsOk);
    return true;
  }
  fillBatchList();
  tk.setComboSelection(Window::Main, t.batchList, tk.comboItemCount(Window::Main, t.batchList) - 1);
  showBatch(tk.comboItemText(Window::Main, t.batchList,
                             tk.comboSelection(Window::Main, t.batchList)));
  tallyMonths();
  return true;
}

void InvoiceBook::fillBatchList() {
  const detail::Texts& t = detail::texts();
  store::TableStore& db = impl_->store;
  Toolkit& tk = impl_->toolkit;
  db.selectTable(t.batchTable);
  db.firstRecord();
  // Every batch row in table order, read in chunks by one scan that accepts none of them.
  db.findRecord([&] {
    tk.comboAddItem(Window::Main, t.batchList, detail::readText(db, t.batchKey));
    return false;
  });
  // As after reading the rows one by one: the position is after the last row.
  db.goToRecord(db.recordCount());
  db.skip(1);
}

void InvoiceBook::batchSelected() {
  const detail::Texts& t = detail::texts();
  Toolkit& tk = impl_->toolkit;
  const std::string key =
      tk.comboItemText(Window::Main, t.batchList, tk.comboSelection(Window::Main, t.batchList));
  showBatch(key);
  tallyMonths();
}

void InvoiceBook::printClicked() { impl_->toolkit.printGrid(impl_->stats); }

void InvoiceBook::helpClicked() { impl_->toolkit.openWebPage(helpAddress()); }

std::string InvoiceBook::helpAddress() const {
  return impl_->state.dataDirectory + "korvana-help.html";
}

}  // namespace korvana::invoices
