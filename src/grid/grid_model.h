#pragma once
// The headless grid model shared by the invoice logic and the Qt view: cells addressed by
// row and column, column kinds, money formatting, column totals and the two edit events.
// Texts are GBK bytes.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace korvana::grid {

using CellValue = std::variant<bool, std::string>;                    // what cellValue gives
using CellInput = std::variant<std::string, int, float, double, bool>; // what setCell takes
enum ColumnKind { Text = 1, Date = 3, List = 4, CheckBox = 5, Money = 7 };
enum Alignment { AlignLeft = 1, AlignCenter = 2, AlignRight = 3 };

// Told of every change, so that a view can repaint without keeping a copy of the cells.
class GridListener {
 public:
  virtual ~GridListener() = default;
  virtual void cellsChanged(int firstRow, int firstColumn, int lastRow, int lastColumn) = 0;
  // Rows or columns were added or removed, or column widths/kinds changed: re-read everything.
  virtual void layoutChanged() = 0;
  // insertRow: told before the rows are inserted before `row` (the model still has its old
  // rows) and again after (the new rows are there and empty), so that a view can announce
  // them, e.g. as Qt's beginInsertRows / endInsertRows. A listener that only overrides
  // rowsInserted re-reads everything afterwards.
  virtual void rowsAboutToBeInserted(int row, int count) {}
  virtual void rowsInserted(int row, int count) { layoutChanged(); }
};

class GridModel {
 public:
  GridModel(int rowCount, int columnCount, int fixedRows, int fixedColumns, bool editable);
  ~GridModel();
  GridModel(const GridModel&) = delete;
  GridModel& operator=(const GridModel&) = delete;
  int rowCount() const;     void setRowCount(int);
  int columnCount() const;  void setColumnCount(int);
  int cursorRow() const;    int cursorColumn() const;
  bool setCell(int row, int column, int kind, const CellInput& value);
  CellValue cellValue(int row, int column) const;
  bool clearCells(int firstRow, int firstColumn,
                  std::optional<int> lastRow = {}, std::optional<int> lastColumn = {});
  void setReadOnly(int firstRow, int firstColumn, std::optional<int> lastRow,
                   std::optional<int> lastColumn, bool readOnly);
  bool setAlignment(int firstRow, int firstColumn, std::optional<int> lastRow,
                    std::optional<int> lastColumn, int alignment);
  bool setColumnKind(int column, int kind);
  bool setColumnWidth(int column, int width);
  bool setDecimals(int column, int places);
  bool insertRow(std::optional<std::string> heading = {}, std::optional<int> beforeRow = {});
  bool setColumnTotal(int column, int firstRow, int lastRow, std::optional<int> totalRow = {});
  void clearListItems();
  void addListItem(const std::string& text);
  // A user's edit, as the view performs it: beforeEdit, then the store, then cellEdited.
  bool editCell(int row, int column, const std::string& text);  // free text, date picker, list box
  bool clickCell(int row, int column);                          // a click on a check-box cell
  std::function<bool()> beforeEdit;
  std::function<void()> cellEdited;

  // What the view reads.
  int fixedRows() const;
  int fixedColumns() const;
  bool editable() const;
  int columnKind(int column) const;         // 0 for a column outside the grid
  int columnWidth(int column) const;        // pixels
  int decimals(int column) const;
  const std::vector<std::string>& listItems(int column) const;  // items of a list column
  std::string cellText(int row, int column) const;  // the stored text ("" outside)
  bool checkMark(int row, int column) const;
  bool isReadOnly(int row, int column) const;
  int alignment(int row, int column) const;
  int rowHeight() const;                    // 22
  // True when a user may edit the cell at all (below the title row, not fixed, not
  // read-only, in an editable grid). beforeEdit is raised only for such cells.
  bool mayEdit(int row, int column) const;
  // Runs beforeEdit for the cell with the cursor on it, without changing anything else:
  // the view asks this before it opens an editor. False when the edit must not start.
  bool beginEdit(int row, int column);
  // Stores the editor's text and raises cellEdited (the second half of editCell, after a
  // successful beginEdit).
  void finishEdit(int row, int column, const std::string& text);

  void addListener(GridListener* listener);
  void removeListener(GridListener* listener);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The two grids of the main window. The records grid is GridModel(27, 1, 1, 1, true), the
// statistics grid GridModel(7, 1, 1, 0, false); start-up configures them with these (titles,
// widths, kinds and decimals, before the payer list is loaded):
// records 序号 票号 已开 日期 金额 付款单位, statistics 月份 起号码 讫号码 份数 金额 作废.
void setupColumns(GridModel& grid, const std::vector<std::string>& titles,
                  const std::vector<int>& widths);
void configureRecordsGrid(GridModel& grid);
void configureStatsGrid(GridModel& grid);

}  // namespace korvana::grid
