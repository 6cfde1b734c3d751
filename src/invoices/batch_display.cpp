// Showing a batch: the current-batch values, the four edit boxes of the main window and the
// records grid, rebuilt from the batch's row and its invoice records.
#include <algorithm>
#include <vector>

#include "invoices/book_internals.h"
#include "invoices/invoice_book.h"
#include "text/datetime.h"
#include "text/numbers.h"

namespace korvana::invoices {

namespace {

grid::CellInput toCellInput(const store::FieldValue& value) {
  return std::visit(
      [](const auto& v) -> grid::CellInput {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, float> ||
                      std::is_same_v<T, double> || std::is_same_v<T, bool>) {
          return v;
        } else if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> ||
                             std::is_same_v<T, int32_t>) {
          return static_cast<int>(v);
        } else if constexpr (std::is_same_v<T, int64_t>) {
          return static_cast<double>(v);
        } else if constexpr (std::is_same_v<T, store::DateTime>) {
          return v.days;
        } else {
          return std::string();
        }
      },
      value);
}

}  // namespace

void InvoiceBook::showBatch(const std::string& key) {
  const detail::Texts& t = detail::texts();
  Impl& b = *impl_;
  store::TableStore& db = b.store;
  grid::GridModel& records = b.records;
  grid::GridModel& stats = b.stats;

  stats.clearCells(1, 0, stats.rowCount() - 1, stats.columnCount() - 1);

  db.selectTable(t.batchTable);
  const bool found = detail::findBatchKey(db, key);

  std::string code;
  if (found) {
    b.state.currentBatchKey = key;
    b.state.currentBatchType = detail::readText(db, t.batchType);
    b.state.currentBatchCount = detail::readInt(db, t.batchCount);
    b.state.currentBatchStart = detail::readText(db, t.batchStart);
    code = detail::readText(db, t.batchCode);
  } else {
    // No stored batch carries the key: show no batch rather than a mix of the previous one
    // and whatever the tables hold.
    b.state.currentBatchKey.clear();
    b.state.currentBatchType.clear();
    b.state.currentBatchCount = 0;
    b.state.currentBatchStart.clear();
  }
  const int n = b.state.currentBatchCount;

  b.toolkit.setEditText(Window::Main, t.codeBox, code);
  b.toolkit.setEditText(Window::Main, t.startBox, b.state.currentBatchStart);
  b.toolkit.setEditText(Window::Main, t.countBox, found ? text::intToText(n) : std::string());
  b.toolkit.setEditText(Window::Main, t.typeBox, b.state.currentBatchType);

  // The rows shown are the batch's invoice records: the run of records that carry its key,
  // from the first of them on, at most n of them. A batch whose records are not all there (a
  // damaged table, an add that could not be finished) shows the records it has, and a count
  // far beyond the table's records never makes the grid that large; the count box keeps the
  // stored count. A row is filled only from a record that carries the key, so a damaged table
  // never shows another batch's invoices under this one.
  struct Row {
    std::string number;
    double date = 0;
    bool dated = false;
    grid::CellInput issued, amount;
    std::string payer;
  };
  std::vector<Row> shown;
  const double firstDay = text::makeDate(1900, 1, 1);
  db.selectTable(t.recordTable);
  if (found && detail::findBatchKey(db, key)) {
    // One scan from the batch's first record reads the run in chunks: each record of the run
    // is kept, and the scan stops at the first record after it.
    const bool stopped = db.findRecord([&] {
      if (static_cast<int>(shown.size()) >= n || detail::readText(db, t.batchKey) != key) return true;
      Row& row = shown.emplace_back();
      row.number = detail::readText(db, t.invoiceNumber);
      row.date = detail::readDate(db, t.issueDate);
      if (text::compareDates(row.date, firstDay) > 0) {
        row.dated = true;
        row.issued = toCellInput(db.readField(t.issued));
        row.amount = toCellInput(db.readField(t.amount));
        row.payer = detail::readText(db, t.payer);
      }
      return false;
    });
    // A run that ends with the table leaves the position after the last record.
    if (!stopped && !shown.empty()) {
      db.goToRecord(db.recordCount());
      db.skip(1);
    }
  }

  // A negative count (only a damaged table holds one) shows as no invoice at all, so that the
  // totals row never lands on the title row.
  const int rows = static_cast<int>(shown.size());
  records.setRowCount(rows + 2);
  records.clearCells(1, 1, records.rowCount() - 1, records.columnCount() - 1);
  records.setCell(rows + 1, 0, grid::Text, t.totalLabel);
  records.setColumnTotal(4, 1, rows, rows + 1);
  records.setReadOnly(1, 0, records.rowCount(), 1, true);

  for (int i = 1; i <= rows; ++i) {
    const Row& row = shown[static_cast<std::size_t>(i - 1)];
    records.setCell(i, 0, grid::Text, text::intToText(i));
    records.setCell(i, 1, grid::Text, row.number);
    if (row.dated) {
      records.setCell(i, 2, grid::CheckBox, row.issued);
      records.setCell(i, 3, grid::Text, text::dateToText(row.date));
      records.setCell(i, 4, grid::Text, row.amount);
      records.setCell(i, 5, grid::Text, row.payer);
    }
  }
}

}  // namespace korvana::invoices
