// Editing the records grid: rows are filled in order, and every edit is written at once into
// the invoice record of the current batch that carries the row's invoice number.
#include "invoices/book_internals.h"
#include "invoices/invoice_book.h"
#include "text/datetime.h"
#include "text/numbers.h"

namespace korvana::invoices {

bool InvoiceBook::checkRowEditable() {
  const grid::GridModel& records = impl_->records;
  const int row = records.cursorRow();
  if (row == 1) return true;
  // A row may be edited only while the row above it is ticked as issued.
  return detail::cellMark(records, row - 1, 2);
}

void InvoiceBook::storeEditedCell() {
  const detail::Texts& t = detail::texts();
  Impl& b = *impl_;
  store::TableStore& db = b.store;
  grid::GridModel& records = b.records;
  const int row = records.cursorRow();
  const int column = records.cursorColumn();

  db.selectTable(t.recordTable);
  const std::string& key = b.state.currentBatchKey;
  const std::string number = detail::cellString(records, row, 1);
  db.firstRecord();
  const bool found = db.findRecord([&] {
    return detail::readText(db, t.batchKey) == key &&
           detail::readText(db, t.invoiceNumber) == number;
  });

  switch (column) {
    case 2:
      if (found) db.writeField(t.issued, detail::cellMark(records, row, 2));
      break;
    case 3:
      if (found) {
        db.writeField(t.issueDate,
                      store::DateTime{text::textToDate(detail::cellString(records, row, 3))});
      }
      // A dated invoice is an issued one.
      records.setCell(row, 2, grid::CheckBox, true);
      if (found) db.writeField(t.issued, detail::cellMark(records, row, 2));
      tallyMonths();
      break;
    case 4: {
      if (found) db.writeField(t.amount, text::textToNumber(detail::cellString(records, row, 4)));
      const double date = text::textToDate(detail::cellString(records, row, 3));
      if (date != text::kEmptyDate) tallyMonths();
      break;
    }
    case 5:
      if (found) db.writeField(t.payer, detail::cellString(records, row, 5));
      break;
    default:
      break;
  }
  db.syncWritten();
}

}  // namespace korvana::invoices
