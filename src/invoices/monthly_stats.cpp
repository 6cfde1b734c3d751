// The monthly statistics: one statistics row per run of consecutive invoices issued in the
// same month, computed from what the records grid shows.
#include <algorithm>
#include <cmath>

#include "invoices/book_internals.h"
#include "invoices/invoice_book.h"
#include "text/datetime.h"
#include "text/numbers.h"

namespace korvana::invoices {

void InvoiceBook::tallyMonths() {
  grid::GridModel& records = impl_->records;
  grid::GridModel& stats = impl_->stats;
  // The invoice rows of the current batch: its count, or fewer when the batch is shown with
  // only the records it still has, so that the totals row below them is never tallied.
  const int n = std::min(impl_->state.currentBatchCount, records.rowCount() - 2);

  stats.clearCells(1, 0, stats.rowCount() - 1, stats.columnCount() - 1);

  int statsRow = 0;
  int monthCount = 0;
  float monthSum = 0.0f;
  for (int i = 1; i <= n; ++i) {
    const double date = text::textToDate(detail::cellString(records, i, 3));
    const float amount = text::textToFloat(detail::cellString(records, i, 4));
    const int year = text::yearOf(date);
    // The first invoice without a readable date ends the tally.
    if (year == 100) break;

    const std::string monthKey = text::intToText(year) + "-" + text::intToText(text::monthOf(date));
    const std::string number = detail::cellString(records, i, 1);
    if (monthKey != detail::cellString(stats, statsRow, 0)) {
      ++statsRow;
      monthCount = 1;
      monthSum = amount;
      if (statsRow >= stats.rowCount()) stats.insertRow();
      stats.setCell(statsRow, 0, grid::Text, monthKey);
      stats.setCell(statsRow, 1, grid::Text, number);
    } else {
      ++monthCount;
      monthSum = monthSum + amount;  // float arithmetic: rounded to single precision
    }
    stats.setCell(statsRow, 3, grid::Text, text::intToText(monthCount));
    stats.setCell(statsRow, 2, grid::Text, number);
    stats.setCell(statsRow, 4, grid::Text, text::floatToText(monthSum));
    if (std::fabs(static_cast<double>(amount)) <= 1e-7) {
      stats.setCell(statsRow, 5, grid::Text, number);
    }
  }
}

}  // namespace korvana::invoices
