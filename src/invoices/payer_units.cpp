// The payer list: the names of all payer units as the items of the records grid's payer
// column, and the button that opens the payer unit editor.
#include "invoices/book_internals.h"
#include "invoices/invoice_book.h"

namespace korvana::invoices {

void InvoiceBook::fillPayerList(grid::GridModel& grid, int column, const std::string& tableName,
                                const std::string& fieldName) {
  store::TableStore& db = impl_->store;
  grid.clearListItems();
  // A payer table that is not open gives an empty list; the field is never read from
  // whatever other table happens to be current.
  if (db.selectTable(tableName)) {
    db.firstRecord();
    const int n = db.recordCount();
    for (int i = 1; i <= n; ++i) {
      grid.addListItem(detail::readText(db, fieldName));
      db.skip(1);
    }
  }
  grid.setColumnKind(column, grid::List);
}

void InvoiceBook::payerManagementClicked() {
  const detail::Texts& t = detail::texts();
  impl_->toolkit.loadModal(Window::PayerEditor);
  fillPayerList(impl_->records, 5, t.payerTable, t.unitName);
}

}  // namespace korvana::invoices
