#include "grid/grid_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "text/numbers.h"

namespace korvana::grid {

namespace {

constexpr int kDefaultWidth = 60;
constexpr int kRowHeight = 22;
constexpr int kMaxDecimals = 9;

struct Cell {
  std::string text;
  double number = 0;  // what the text reads as, kept for the column totals
  bool check = false;
  bool readOnly = false;
  int align = AlignLeft;
};

struct Total {
  int firstRow;
  int lastRow;
  int totalRow;
};

struct Column {
  int kind = Text;
  int width = kDefaultWidth;
  int decimals = 0;
  std::vector<std::string> items;
  std::optional<Total> total;
};

bool isKnownKind(int kind) {
  return kind == Text || kind == Date || kind == List || kind == CheckBox || kind == Money;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The value in fixed-point notation with `places` decimals, or "" when that reads as zero.
// A value that is not finite has no such notation and shows as zero.
std::string moneyText(double value, int places) {
  if (!std::isfinite(value)) return {};
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%.*f", places, value);
  std::string out;
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof buf) {
    out.assign(buf, static_cast<size_t>(n));
  } else {
    out.resize(static_cast<size_t>(n) + 1);
    std::snprintf(out.data(), out.size(), "%.*f", places, value);
    out.resize(static_cast<size_t>(n));
  }
  bool zero = std::all_of(out.begin(), out.end(),
                          [](char c) { return c < '1' || c > '9'; });
  if (zero) out.clear();
  return out;
}

double readNumber(std::string_view text) {
  double v = text::readDecimal(text);
  return std::isfinite(v) ? v : 0.0;
}

std::string inputToText(const CellInput& value) {
  struct Visitor {
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(int v) const { return text::intToText(v); }
    std::string operator()(float v) const { return text::floatToText(v); }
    std::string operator()(double v) const { return text::doubleToText(v); }
    std::string operator()(bool v) const { return text::boolToText(v); }
  };
  return std::visit(Visitor{}, value);
}

}  // namespace

struct GridModel::Impl {
  int rows;
  int cols;
  int fixedRows;
  int fixedCols;
  bool editable;
  std::vector<std::vector<Cell>> cells;  // [row][column]
  std::vector<Column> columns;
  std::vector<std::string> pending;
  int cursorRow = -1;
  int cursorCol = -1;
  std::vector<GridListener*> listeners;

  bool exists(int r, int c) const { return r >= 0 && r < rows && c >= 0 && c < cols; }

  // Resolves a range as the range operations take it; false when it is refused.
  bool clip(int r1, int c1, std::optional<int> lastRow, std::optional<int> lastCol, int& r2,
            int& c2) const {
    r2 = std::min(lastRow.value_or(r1), rows - 1);
    c2 = std::min(lastCol.value_or(c1), cols - 1);
    return exists(r1, c1) && r2 >= r1 && c2 >= c1;
  }

  bool isMoneyCell(int r, int c) const {
    return columns[c].kind == Money && r >= fixedRows && c >= fixedCols;
  }
  bool isCheckCell(int r, int c) const { return columns[c].kind == CheckBox && r >= fixedRows; }

  void setText(Cell& cell, std::string text) {
    cell.text = std::move(text);
    cell.number = cell.text.empty() ? 0.0 : text::readDecimal(cell.text);
  }

  // The text a money cell stores for the program's text; nullopt when it is refused.
  std::optional<std::string> programMoneyText(std::string_view text, int places) const {
    std::string_view t = trimBlanks(text);
    if (t.empty() || t == "0") return std::string();
    double v = text::readDecimal(t);
    if (v == 0 || !std::isfinite(v)) return std::nullopt;
    return moneyText(v, places);
  }

  // A listener may add or remove listeners while being told: a removed one is only blanked
  // until the outermost notification has ended, so that no other listener is skipped.
  int notifying = 0;
  template <typename Tell>
  void notify(Tell tell) {
    if (listeners.empty()) return;
    ++notifying;
    for (size_t i = 0; i < listeners.size(); ++i)
      if (listeners[i]) tell(*listeners[i]);
    if (--notifying == 0)
      listeners.erase(std::remove(listeners.begin(), listeners.end(), nullptr), listeners.end());
  }
  void notifyCells(int r1, int c1, int r2, int c2) {
    notify([&](GridListener& l) { l.cellsChanged(r1, c1, r2, c2); });
  }
  void notifyLayout() {
    notify([](GridListener& l) { l.layoutChanged(); });
  }
  void notifyRowsAboutToBeInserted(int row, int count) {
    notify([&](GridListener& l) { l.rowsAboutToBeInserted(row, count); });
  }
  void notifyRowsInserted(int row, int count) {
    notify([&](GridListener& l) { l.rowsInserted(row, count); });
  }

  // Recomputes the column's total when `firstRow..lastRow` meets its range.
  void totalsAfterChange(int c, int firstRow, int lastRow) {
    const auto& total = columns[c].total;
    if (!total || lastRow < total->firstRow || firstRow > total->lastRow) return;
    double sum = 0;
    int last = std::min(total->lastRow, rows - 1);
    for (int r = total->firstRow; r <= last; ++r) sum += cells[r][c].number;
    int tr = total->totalRow;
    if (tr >= rows) return;  // the total's cell was dropped with its row
    setText(cells[tr][c], moneyText(sum, columns[c].decimals));
    notifyCells(tr, c, tr, c);
  }

  // Stores text the way setCell kind 1 does; `fromUser` text is never refused.
  bool storeText(int r, int c, std::string text, bool fromUser) {
    if (isMoneyCell(r, c)) {
      int places = columns[c].decimals;
      if (fromUser) {
        text = moneyText(readNumber(text), places);
      } else {
        auto formatted = programMoneyText(text, places);
        if (!formatted) return false;
        text = std::move(*formatted);
      }
    }
    setText(cells[r][c], std::move(text));
    notifyCells(r, c, r, c);
    totalsAfterChange(c, r, r);
    return true;
  }

  void setCursor(int r, int c) {
    if (exists(r, c)) {
      cursorRow = r;
      cursorCol = c;
    }
  }

  void resizeRows(int n) {
    cells.resize(n);
    for (auto& row : cells) row.resize(cols);
    rows = n;
  }
};

GridModel::GridModel(int rowCount, int columnCount, int fixedRows, int fixedColumns,
                     bool editable)
    : impl_(std::make_unique<Impl>()) {
  Impl& m = *impl_;
  m.cols = std::max(columnCount, 1);
  m.fixedRows = std::max(fixedRows, 0);
  m.fixedCols = std::max(fixedColumns, 0);
  m.editable = editable;
  m.columns.resize(m.cols);
  m.resizeRows(std::max(rowCount, 1));
}

GridModel::~GridModel() = default;

int GridModel::rowCount() const { return impl_->rows; }

void GridModel::setRowCount(int n) {
  Impl& m = *impl_;
  if (n <= 0) return;
  m.resizeRows(n);
  if (m.cursorRow >= n) m.cursorRow = m.cursorCol = -1;
  m.notifyLayout();
}

int GridModel::columnCount() const { return impl_->cols; }

void GridModel::setColumnCount(int n) {
  Impl& m = *impl_;
  if (n <= 0) return;
  m.cols = n;
  m.columns.resize(n);
  for (auto& column : m.columns) column.width = kDefaultWidth;
  for (auto& row : m.cells) row.resize(n);
  if (m.cursorCol >= n) m.cursorRow = m.cursorCol = -1;
  m.notifyLayout();
}

int GridModel::cursorRow() const { return impl_->cursorRow; }
int GridModel::cursorColumn() const { return impl_->cursorCol; }

bool GridModel::setCell(int row, int column, int kind, const CellInput& value) {
  Impl& m = *impl_;
  if (!m.exists(row, column)) return false;
  if (kind == Text) {
    if (m.isCheckCell(row, column)) return false;
    return m.storeText(row, column, inputToText(value), false);
  }
  if (kind == CheckBox) {
    const bool* mark = std::get_if<bool>(&value);
    if (!mark || m.columns[column].kind != CheckBox) return false;
    m.cells[row][column].check = *mark;
    m.notifyCells(row, column, row, column);
    return true;
  }
  return false;
}

CellValue GridModel::cellValue(int row, int column) const {
  const Impl& m = *impl_;
  if (!m.exists(row, column)) return false;
  const Cell& cell = m.cells[row][column];
  if (m.isCheckCell(row, column)) return cell.check;
  return cell.text;
}

bool GridModel::clearCells(int firstRow, int firstColumn, std::optional<int> lastRow,
                           std::optional<int> lastColumn) {
  Impl& m = *impl_;
  int r2, c2;
  if (!m.clip(firstRow, firstColumn, lastRow, lastColumn, r2, c2)) return false;
  for (int r = firstRow; r <= r2; ++r) {
    for (int c = firstColumn; c <= c2; ++c) {
      Cell& cell = m.cells[r][c];
      cell.text.clear();
      cell.number = 0;
      cell.check = false;
    }
  }
  m.notifyCells(firstRow, firstColumn, r2, c2);
  for (int c = firstColumn; c <= c2; ++c) m.totalsAfterChange(c, firstRow, r2);
  return true;
}

void GridModel::setReadOnly(int firstRow, int firstColumn, std::optional<int> lastRow,
                            std::optional<int> lastColumn, bool readOnly) {
  Impl& m = *impl_;
  int r2, c2;
  if (!m.clip(firstRow, firstColumn, lastRow, lastColumn, r2, c2)) return;
  for (int r = firstRow; r <= r2; ++r)
    for (int c = firstColumn; c <= c2; ++c) m.cells[r][c].readOnly = readOnly;
  m.notifyCells(firstRow, firstColumn, r2, c2);
}

bool GridModel::setAlignment(int firstRow, int firstColumn, std::optional<int> lastRow,
                             std::optional<int> lastColumn, int alignment) {
  Impl& m = *impl_;
  int r2, c2;
  if (!m.clip(firstRow, firstColumn, lastRow, lastColumn, r2, c2)) return false;
  int align = (alignment == AlignCenter || alignment == AlignRight) ? alignment : AlignLeft;
  for (int r = firstRow; r <= r2; ++r)
    for (int c = firstColumn; c <= c2; ++c) m.cells[r][c].align = align;
  m.notifyCells(firstRow, firstColumn, r2, c2);
  return true;
}

bool GridModel::setColumnKind(int column, int kind) {
  Impl& m = *impl_;
  if (column < 0 || column >= m.cols || !isKnownKind(kind)) return false;
  Column& col = m.columns[column];
  col.kind = kind;
  col.items.clear();
  if (kind == CheckBox) {
    for (auto& row : m.cells) row[column].check = false;
  } else if (kind == List) {
    col.items = m.pending;
  } else if (kind == Money) {
    col.decimals = 0;
  }
  // A total belongs to a money column.
  if (kind != Money) col.total.reset();
  m.notifyLayout();
  return true;
}

bool GridModel::setColumnWidth(int column, int width) {
  Impl& m = *impl_;
  if (column < 0 || column >= m.cols) return false;
  m.columns[column].width = width;
  m.notifyLayout();
  return true;
}

bool GridModel::setDecimals(int column, int places) {
  Impl& m = *impl_;
  if (column < m.fixedCols || column >= m.cols || m.columns[column].kind != Money ||
      places < 0 || places > kMaxDecimals)
    return false;
  m.columns[column].decimals = places;
  for (int r = m.fixedRows; r < m.rows; ++r) {
    Cell& cell = m.cells[r][column];
    if (!cell.text.empty()) m.setText(cell, moneyText(readNumber(cell.text), places));
  }
  if (m.fixedRows < m.rows) m.notifyCells(m.fixedRows, column, m.rows - 1, column);
  return true;
}

bool GridModel::insertRow(std::optional<std::string> heading, std::optional<int> beforeRow) {
  Impl& m = *impl_;
  int at = beforeRow.value_or(m.rows);
  if (at <= 0 || at >= m.rows) at = m.rows;
  m.notifyRowsAboutToBeInserted(at, 1);
  m.cells.insert(m.cells.begin() + at, std::vector<Cell>(m.cols));
  ++m.rows;
  if (heading) m.setText(m.cells[at][0], *heading);
  // Totals and the cursor stay with the cells they were on.
  for (Column& col : m.columns) {
    if (!col.total) continue;
    Total& t = *col.total;
    if (t.firstRow >= at) ++t.firstRow;
    if (t.lastRow >= at) ++t.lastRow;
    if (t.totalRow >= at) ++t.totalRow;
  }
  if (m.cursorRow >= at) ++m.cursorRow;
  m.notifyRowsInserted(at, 1);
  return true;
}

bool GridModel::setColumnTotal(int column, int firstRow, int lastRow,
                               std::optional<int> totalRow) {
  Impl& m = *impl_;
  if (column < 0 || column >= m.cols || m.columns[column].kind != Money) return false;
  int tr = totalRow.value_or(lastRow + 1);
  if (firstRow < 0 || firstRow > lastRow || lastRow >= m.rows) return false;
  if (tr < 0 || tr >= m.rows || (tr >= firstRow && tr <= lastRow)) return false;
  m.columns[column].total = Total{firstRow, lastRow, tr};
  return true;
}

void GridModel::clearListItems() { impl_->pending.clear(); }

void GridModel::addListItem(const std::string& text) { impl_->pending.push_back(text); }

bool GridModel::editCell(int row, int column, const std::string& text) {
  Impl& m = *impl_;
  if (!m.exists(row, column)) return false;
  if (m.isCheckCell(row, column)) {
    m.setCursor(row, column);
    return false;  // a check-box cell is edited by a click
  }
  if (!beginEdit(row, column)) return false;
  finishEdit(row, column, text);
  return true;
}

bool GridModel::clickCell(int row, int column) {
  Impl& m = *impl_;
  if (!m.exists(row, column)) return false;
  if (!m.isCheckCell(row, column)) {
    m.setCursor(row, column);
    return false;
  }
  if (!beginEdit(row, column)) return false;
  // The handler may have changed the grid; toggle only a cell that is still a check box.
  if (!m.exists(row, column) || !m.isCheckCell(row, column)) return false;
  Cell& cell = m.cells[row][column];
  cell.check = !cell.check;
  m.notifyCells(row, column, row, column);
  m.totalsAfterChange(column, row, row);
  m.setCursor(row, column);
  if (auto handler = cellEdited) handler();
  return true;
}

int GridModel::fixedRows() const { return impl_->fixedRows; }
int GridModel::fixedColumns() const { return impl_->fixedCols; }
bool GridModel::editable() const { return impl_->editable; }

int GridModel::columnKind(int column) const {
  const Impl& m = *impl_;
  return column >= 0 && column < m.cols ? m.columns[column].kind : 0;
}

int GridModel::columnWidth(int column) const {
  const Impl& m = *impl_;
  return column >= 0 && column < m.cols ? m.columns[column].width : 0;
}

int GridModel::decimals(int column) const {
  const Impl& m = *impl_;
  return column >= 0 && column < m.cols ? m.columns[column].decimals : 0;
}

const std::vector<std::string>& GridModel::listItems(int column) const {
  static const std::vector<std::string> kNone;
  const Impl& m = *impl_;
  return column >= 0 && column < m.cols ? m.columns[column].items : kNone;
}

std::string GridModel::cellText(int row, int column) const {
  const Impl& m = *impl_;
  return m.exists(row, column) ? m.cells[row][column].text : std::string();
}

bool GridModel::checkMark(int row, int column) const {
  const Impl& m = *impl_;
  return m.exists(row, column) && m.cells[row][column].check;
}

bool GridModel::isReadOnly(int row, int column) const {
  const Impl& m = *impl_;
  return m.exists(row, column) && m.cells[row][column].readOnly;
}

int GridModel::alignment(int row, int column) const {
  const Impl& m = *impl_;
  return m.exists(row, column) ? m.cells[row][column].align : AlignLeft;
}

int GridModel::rowHeight() const { return kRowHeight; }

bool GridModel::mayEdit(int row, int column) const {
  const Impl& m = *impl_;
  return m.editable && m.exists(row, column) && row >= m.fixedRows && column >= m.fixedCols &&
         !m.cells[row][column].readOnly;
}

bool GridModel::beginEdit(int row, int column) {
  Impl& m = *impl_;
  m.setCursor(row, column);
  if (!mayEdit(row, column)) return false;
  if (auto handler = beforeEdit) return handler();
  return true;
}

void GridModel::finishEdit(int row, int column, const std::string& text) {
  Impl& m = *impl_;
  // The before-edit handler may have changed the grid meanwhile.
  if (!m.exists(row, column) || m.isCheckCell(row, column)) return;
  m.setCursor(row, column);
  m.storeText(row, column, text, true);
  if (auto handler = cellEdited) handler();
}

void GridModel::addListener(GridListener* listener) {
  if (listener && std::find(impl_->listeners.begin(), impl_->listeners.end(), listener) ==
                      impl_->listeners.end())
    impl_->listeners.push_back(listener);
}

void GridModel::removeListener(GridListener* listener) {
  auto& ls = impl_->listeners;
  if (impl_->notifying > 0)
    std::replace(ls.begin(), ls.end(), listener, static_cast<GridListener*>(nullptr));
  else
    ls.erase(std::remove(ls.begin(), ls.end(), listener), ls.end());
}

}  // namespace korvana::grid
