// Editing the records grid: rows are filled in order, and every edit is written at once into
// the invoice record of the current batch that carries the row's invoice number.
#include <cmath>
#include <limits>

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
  const bool found = db.findMatching({{t.batchKey, key}, {t.invoiceNumber, number}});

  // The result of the write, when one was made; a failure is reported once the grid has been
  // brought back to what the table holds.
  bool written = true;
  switch (column) {
    case 2:
      if (found) written = db.writeField(t.issued, detail::cellMark(records, row, 2));
      break;
    case 3: {
      // A dated invoice is an issued one: the date and the mark are stored with one write, so
      // that the record never holds one without the other.
      records.setCell(row, 2, grid::CheckBox, true);
      if (found) {
        written = db.writeFields(
            {{t.issueDate, store::DateTime{text::textToDate(detail::cellString(records, row, 3))}},
             {t.issued, detail::cellMark(records, row, 2)}});
      }
      tallyMonths();
      break;
    }
    case 4: {
      const double amount = text::textToNumber(detail::cellString(records, row, 4));
      if (!(std::fabs(amount) <= std::numeric_limits<float>::max())) {
        // The amount field holds single precision: a larger amount would be stored as
        // infinity. Nothing is written; the grid shows again what the table holds.
        showBatch(std::string(key));
        tallyMonths();
        b.toolkit.messageBox(t.amountOutOfRange, kButtonsOk);
        return;
      }
      if (found) written = db.writeField(t.amount, amount);
      const double date = text::textToDate(detail::cellString(records, row, 3));
      if (date != text::kEmptyDate) tallyMonths();
      break;
    }
    case 5:
      if (found) written = db.writeField(t.payer, detail::cellString(records, row, 5));
      break;
    default:
      break;
  }
  if (written) written = db.syncWritten();
  if (written) return;
  // The edit did not reach the file: the grid shows again what the table holds.
  const int error = db.lastError();
  showBatch(std::string(key));
  tallyMonths();
  detail::tellSaveFailed(b.toolkit, t.recordTable, error);
}

}  // namespace korvana::invoices
