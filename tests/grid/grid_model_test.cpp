#include "grid/grid_model.h"

#include <gtest/gtest.h>

#include <tuple>

#include "text/gbk.h"

namespace korvana::grid {
namespace {

std::string g(const char* utf8) { return text::gbk(utf8); }

// "text:..." or "bool:...", so that expectations show what cellValue gave.
std::string show(const CellValue& v) {
  if (const bool* b = std::get_if<bool>(&v)) return *b ? "bool:true" : "bool:false";
  return "text:" + std::get<std::string>(v);
}

// A records grid of `rows` rows: column 2 check boxes, 3 dates, 4 money with 2 decimals.
std::unique_ptr<GridModel> recordsGrid(int rows = 27) {
  auto grid = std::make_unique<GridModel>(27, 1, 1, 1, true);
  configureRecordsGrid(*grid);
  grid->setRowCount(rows);
  return grid;
}

// ---- Money formatting -------------------------------------------------------------------

TEST(MoneyCell, ProgramValuesAreFormattedOrRefused) {
  struct Case {
    const char* name;
    CellInput value;
    bool ok;
    const char* text;  // the cell afterwards; it held "7.00" before
  };
  const Case cases[] = {
      {"text 12.5", std::string("12.5"), true, "12.50"},
      {"blanks around", std::string("  12.5\t"), true, "12.50"},
      {"trailing junk reads as 12", std::string("12abc"), true, "12.00"},
      {"negative", std::string("-3"), true, "-3.00"},
      {"rounds to two places", std::string("2.999"), true, "3.00"},
      {"non-zero but shows as zero", std::string("0.001"), true, ""},
      {"empty text", std::string(""), true, ""},
      {"text 0", std::string("0"), true, ""},
      {"blank text", std::string("   "), true, ""},
      {"float 0", 0.0f, true, ""},
      {"float 12345.67 keeps 6 digits", 12345.67f, true, "12345.70"},
      {"float 1500", 1500.0f, true, "1500.00"},
      {"int", 42, true, "42.00"},
      {"double keeps 13 digits", 1234.5678, true, "1234.57"},
      {"abc", std::string("abc"), false, "7.00"},
      {"0.0 reads as zero", std::string("0.0"), false, "7.00"},
      {"00", std::string("00"), false, "7.00"},
      {"infinite", std::string("1e999"), false, "7.00"},
      {"bool", true, false, "7.00"},
  };
  for (const Case& c : cases) {
    auto grid = recordsGrid();
    ASSERT_TRUE(grid->setCell(3, 4, Text, std::string("7")));
    EXPECT_EQ(grid->setCell(3, 4, Text, c.value), c.ok) << c.name;
    EXPECT_EQ(grid->cellText(3, 4), c.text) << c.name;
    EXPECT_EQ(show(grid->cellValue(3, 4)), std::string("text:") + c.text) << c.name;
  }
}

TEST(MoneyCell, TitleRowAndFixedColumnAreNotFormatted) {
  GridModel grid(5, 3, 1, 1, true);
  grid.setColumnKind(0, Money);
  grid.setColumnKind(2, Money);
  grid.setDecimals(2, 2);
  EXPECT_TRUE(grid.setCell(0, 2, Text, g("金额")));
  EXPECT_EQ(grid.cellText(0, 2), g("金额"));
  EXPECT_TRUE(grid.setCell(1, 0, Text, std::string("abc")));  // the fixed column
  EXPECT_EQ(grid.cellText(1, 0), "abc");
  EXPECT_FALSE(grid.setDecimals(0, 2));
}

TEST(MoneyCell, UserTextIsNeverRefused) {
  const std::tuple<const char*, const char*> cases[] = {
      {"12.5", "12.50"}, {"abc", ""}, {"0.0", ""}, {"", ""}, {" 3", "3.00"}, {"1e999", ""},
  };
  for (const auto& [typed, stored] : cases) {
    auto grid = recordsGrid();
    grid->setCell(2, 4, Text, std::string("7"));
    EXPECT_TRUE(grid->editCell(2, 4, typed)) << typed;
    EXPECT_EQ(grid->cellText(2, 4), stored) << typed;
  }
}

TEST(MoneyCell, DecimalsReformatTheColumnBelowTheTitle) {
  auto grid = recordsGrid();
  grid->setCell(1, 4, Text, std::string("12.5"));
  grid->setCell(2, 4, Text, std::string("0.004"));  // shows as ""
  ASSERT_TRUE(grid->setDecimals(4, 3));
  EXPECT_EQ(grid->cellText(0, 4), g("金额"));
  EXPECT_EQ(grid->cellText(1, 4), "12.500");
  EXPECT_EQ(grid->cellText(2, 4), "");
  grid->setCell(3, 4, Text, std::string("0.004"));
  EXPECT_EQ(grid->cellText(3, 4), "0.004");
  ASSERT_TRUE(grid->setDecimals(4, 0));
  EXPECT_EQ(grid->cellText(1, 4), "12");  // "%.0f" rounds half to even
  EXPECT_EQ(grid->cellText(3, 4), "");

  // Refused: outside the grid, the fixed column, a column that is not money, places 0..9.
  for (auto [column, places] : {std::pair{6, 2}, {-1, 2}, {0, 2}, {3, 2}, {4, -1}, {4, 10}})
    EXPECT_FALSE(grid->setDecimals(column, places)) << column << " " << places;
  EXPECT_TRUE(grid->setDecimals(4, 9));
}

TEST(MoneyCell, BecomingMoneyResetsDecimals) {
  auto grid = recordsGrid();
  EXPECT_EQ(grid->decimals(4), 2);
  grid->setColumnKind(4, Money);
  EXPECT_EQ(grid->decimals(4), 0);
  grid->setCell(1, 4, Text, std::string("2.5"));
  EXPECT_EQ(grid->cellText(1, 4), "2");
}

// ---- Column totals ----------------------------------------------------------------------

TEST(ColumnTotal, RegisteringComputesNothingUntilACellOfItsRangeChanges) {
  auto grid = recordsGrid(52);
  grid->setCell(51, 4, Text, std::string("9"));
  grid->setCell(1, 4, Text, std::string("1.25"));
  ASSERT_TRUE(grid->setColumnTotal(4, 1, 50, 51));
  EXPECT_EQ(grid->cellText(51, 4), "9.00");
  grid->setCell(0, 4, Text, g("金额"));  // outside the range
  EXPECT_EQ(grid->cellText(51, 4), "9.00");

  grid->setCell(50, 4, Text, 12.5);
  EXPECT_EQ(grid->cellText(51, 4), "13.75");
  grid->editCell(2, 4, "abc");  // a user edit reads as 0 and still recomputes
  EXPECT_EQ(grid->cellText(51, 4), "13.75");
  grid->editCell(2, 4, "0.25");
  EXPECT_EQ(grid->cellText(51, 4), "14.00");
  grid->clearCells(50, 4);
  EXPECT_EQ(grid->cellText(51, 4), "1.50");
  grid->clearCells(1, 1, 50, 5);
  EXPECT_EQ(grid->cellText(51, 4), "");  // a zero total shows as empty
}

TEST(ColumnTotal, ASecondTotalReplacesTheFirst) {
  auto grid = recordsGrid(102);
  ASSERT_TRUE(grid->setColumnTotal(4, 1, 50, 51));
  ASSERT_TRUE(grid->setColumnTotal(4, 1, 100, 101));
  grid->setCell(10, 4, Text, std::string("5"));
  grid->setCell(60, 4, Text, std::string("2"));
  EXPECT_EQ(grid->cellText(101, 4), "7.00");
  EXPECT_EQ(grid->cellText(51, 4), "");
}

TEST(ColumnTotal, Refusals) {
  auto grid = recordsGrid(10);
  struct Case {
    int column, first, last;
    std::optional<int> total;
  };
  const Case refused[] = {
      {3, 1, 5, 6},       // a date column
      {1, 1, 5, 6},       // a text column
      {4, 1, 5, 3},       // total row inside the range
      {4, 1, 5, 1},       // ... at its first row
      {4, 1, 5, 5},       // ... at its last row
      {4, 5, 1, 6},       // last before first
      {4, -1, 5, 6},      // negative first row
      {4, 1, 10, 0},      // last row beyond the grid
      {4, 1, 5, 10},      // total row beyond the grid
      {4, 1, 9, {}},      // the default total row (last + 1) beyond the grid
      {4, 1, 5, -1},
      {6, 1, 5, 6},       // no such column
  };
  for (const Case& c : refused)
    EXPECT_FALSE(grid->setColumnTotal(c.column, c.first, c.last, c.total))
        << c.column << " " << c.first << " " << c.last;
  EXPECT_TRUE(grid->setColumnTotal(4, 1, 5, 0));   // a total above its range
  EXPECT_TRUE(grid->setColumnTotal(4, 1, 8, {}));  // into row 9
  grid->setCell(1, 4, Text, std::string("3"));
  EXPECT_EQ(grid->cellText(9, 4), "3.00");
}

TEST(ColumnTotal, SurvivesRowsDroppedUnderIt) {
  // A batch of 100 shown, then one of 10: until the new total is registered, the old one
  // covers rows that are gone and a total cell that is gone.
  auto grid = recordsGrid(102);
  grid->setCell(5, 4, Text, std::string("4"));
  ASSERT_TRUE(grid->setColumnTotal(4, 1, 100, 101));
  grid->setRowCount(12);
  EXPECT_TRUE(grid->clearCells(1, 1, 11, 5));
  EXPECT_TRUE(grid->setCell(5, 4, Text, std::string("4")));
  EXPECT_EQ(grid->rowCount(), 12);
  ASSERT_TRUE(grid->setColumnTotal(4, 1, 10, 11));
  grid->setCell(6, 4, Text, std::string("1"));
  EXPECT_EQ(grid->cellText(11, 4), "5.00");
}

TEST(ColumnTotal, ReferencesFollowAnInsertedRow) {
  GridModel grid(6, 2, 1, 0, false);
  grid.setColumnKind(1, Money);
  ASSERT_TRUE(grid.setColumnTotal(1, 1, 3, 4));
  grid.setCell(3, 1, Text, std::string("2"));
  ASSERT_TRUE(grid.insertRow({}, 2));  // inside the range: it grows to rows 1..4, total in 5
  grid.setCell(2, 1, Text, std::string("5"));
  EXPECT_EQ(grid.cellText(4, 1), "2");  // the "2" moved down with its row
  EXPECT_EQ(grid.cellText(5, 1), "7");
}

TEST(ColumnTotal, GoesWhenTheColumnStopsBeingMoney) {
  auto grid = recordsGrid(10);
  ASSERT_TRUE(grid->setColumnTotal(4, 1, 5, 6));
  grid->setColumnKind(4, Text);
  grid->setCell(1, 4, Text, std::string("3"));
  EXPECT_EQ(grid->cellText(6, 4), "");
}

// ---- Cell values and check boxes ---------------------------------------------------------

TEST(CheckBoxCell, ValuesAndSetCellRules) {
  auto grid = recordsGrid(5);
  EXPECT_EQ(show(grid->cellValue(0, 2)), "text:" + g("已开"));
  for (int r = 1; r < 5; ++r) EXPECT_EQ(show(grid->cellValue(r, 2)), "bool:false") << r;

  EXPECT_TRUE(grid->setCell(2, 2, CheckBox, true));
  EXPECT_EQ(show(grid->cellValue(2, 2)), "bool:true");
  EXPECT_FALSE(grid->setCell(2, 2, Text, std::string("x")));  // text into a check box
  EXPECT_FALSE(grid->setCell(2, 2, CheckBox, std::string("1")));  // not a bool
  EXPECT_FALSE(grid->setCell(2, 2, CheckBox, 1));
  EXPECT_FALSE(grid->setCell(2, 3, CheckBox, true));  // not a check-box column
  EXPECT_FALSE(grid->setCell(2, 2, 7, std::string("1")));  // not a kind setCell takes
  EXPECT_TRUE(grid->checkMark(2, 2));

  // Other cells give their text; cells outside the grid the bool false.
  grid->setCell(2, 5, Text, g("某公司"));
  EXPECT_EQ(show(grid->cellValue(2, 5)), "text:" + g("某公司"));
  EXPECT_EQ(show(grid->cellValue(2, 3)), "text:");
  for (auto [r, c] : {std::pair{-1, 2}, {5, 2}, {2, 6}, {2, -1}}) {
    EXPECT_EQ(show(grid->cellValue(r, c)), "bool:false") << r << "," << c;
    EXPECT_FALSE(grid->setCell(r, c, Text, std::string("x"))) << r << "," << c;
  }

  // Making a column a check-box column again clears every mark in it.
  grid->setColumnKind(2, CheckBox);
  EXPECT_FALSE(grid->checkMark(2, 2));
}

TEST(CellInput, NumbersAndBoolsBecomeText) {
  GridModel grid(3, 2, 1, 0, false);
  const std::tuple<CellInput, std::string> cases[] = {
      {-42, "-42"}, {1500.0f, "1500"}, {12345.67f, "12345.7"}, {0.1, "0.1"},
      {1234567.891, "1234567.891"}, {true, g("真")}, {false, g("假")},
  };
  for (const auto& [value, expected] : cases) {
    EXPECT_TRUE(grid.setCell(1, 1, Text, value));
    EXPECT_EQ(grid.cellText(1, 1), expected);
  }
}

TEST(ListColumn, CopiesThePendingListWhenMadeAList) {
  auto grid = recordsGrid();
  grid->clearListItems();
  grid->addListItem(g("甲公司"));
  grid->addListItem("");
  grid->addListItem(g("甲公司"));
  ASSERT_TRUE(grid->setColumnKind(5, List));
  grid->clearListItems();
  grid->addListItem("later");
  const std::vector<std::string> expected = {g("甲公司"), "", g("甲公司")};
  EXPECT_EQ(grid->listItems(5), expected);
  ASSERT_TRUE(grid->setColumnKind(5, List));
  EXPECT_EQ(grid->listItems(5), std::vector<std::string>{"later"});
  EXPECT_TRUE(grid->listItems(9).empty());

  for (int kind : {0, 2, 6, 8, -1}) EXPECT_FALSE(grid->setColumnKind(5, kind)) << kind;
  EXPECT_FALSE(grid->setColumnKind(6, Text));
  EXPECT_EQ(grid->columnKind(5), List);
}

// ---- Ranges, rows and columns -----------------------------------------------------------

TEST(Range, ClippedToTheGridOrRefused) {
  struct Case {
    int r1, c1;
    std::optional<int> r2, c2;
    bool ok;
    int lastRow, lastColumn;  // what was cleared
  };
  const Case cases[] = {
      {1, 1, 2, 2, true, 2, 2},
      {2, 3, {}, {}, true, 2, 3},     // one cell
      {3, 1, 99, 99, true, 4, 5},     // cut to the last row and column
      {4, 5, 4, 5, true, 4, 5},
      {5, 1, 5, 1, false, 0, 0},      // first cell beyond the last row
      {1, 6, 1, 6, false, 0, 0},      // first cell beyond the last column
      {-1, 1, 2, 2, false, 0, 0},
      {2, 2, 1, 2, false, 0, 0},      // last row before first
      {2, 2, 2, 1, false, 0, 0},      // last column before first
  };
  for (const Case& c : cases) {
    GridModel grid(5, 6, 1, 1, true);
    for (int r = 0; r < 5; ++r)
      for (int col = 0; col < 6; ++col) grid.setCell(r, col, Text, std::string("x"));
    EXPECT_EQ(grid.clearCells(c.r1, c.c1, c.r2, c.c2), c.ok) << c.r1 << "," << c.c1;
    for (int r = 0; r < 5; ++r) {
      for (int col = 0; col < 6; ++col) {
        bool cleared = c.ok && r >= c.r1 && r <= c.lastRow && col >= c.c1 && col <= c.lastColumn;
        EXPECT_EQ(grid.cellText(r, col), cleared ? "" : "x")
            << "range " << c.r1 << "," << c.c1 << " cell " << r << "," << col;
      }
    }
    // The other range operations resolve the range the same way.
    EXPECT_EQ(grid.setAlignment(c.r1, c.c1, c.r2, c.c2, AlignRight), c.ok);
    grid.setReadOnly(c.r1, c.c1, c.r2, c.c2, true);
    if (c.ok) {
      EXPECT_EQ(grid.alignment(c.lastRow, c.lastColumn), AlignRight);
      EXPECT_TRUE(grid.isReadOnly(c.lastRow, c.lastColumn));
    }
    int readOnlyCells = 0;
    for (int r = 0; r < 5; ++r)
      for (int col = 0; col < 6; ++col) readOnlyCells += grid.isReadOnly(r, col);
    EXPECT_EQ(readOnlyCells, c.ok ? (c.lastRow - c.r1 + 1) * (c.lastColumn - c.c1 + 1) : 0);
  }
}

TEST(Range, ClearCellsRemovesMarksAndAlignmentTakesThreeValues) {
  auto grid = recordsGrid(5);
  grid->setCell(1, 2, CheckBox, true);
  grid->setCell(2, 2, CheckBox, true);
  EXPECT_TRUE(grid->clearCells(1, 2, 1));
  EXPECT_FALSE(grid->checkMark(1, 2));
  EXPECT_TRUE(grid->checkMark(2, 2));

  for (auto [given, stored] : {std::pair{2, AlignCenter}, {3, AlignRight}, {1, AlignLeft},
                               {0, AlignLeft}, {7, AlignLeft}}) {
    EXPECT_TRUE(grid->setAlignment(3, 3, {}, {}, given));
    EXPECT_EQ(grid->alignment(3, 3), stored) << given;
  }
}

TEST(RowCount, ShrinkingKeepsTheFirstRowsAndGrowingAddsEmptyOnes) {
  auto grid = recordsGrid(12);
  for (int r = 1; r < 12; ++r) grid->setCell(r, 1, Text, "n" + std::to_string(r));
  grid->setCell(4, 2, CheckBox, true);
  grid->setReadOnly(5, 1, 11, 1, true);

  grid->setRowCount(6);  // a batch of 4 after one of 10
  EXPECT_EQ(grid->rowCount(), 6);
  EXPECT_EQ(grid->cellText(0, 1), g("票号"));
  EXPECT_EQ(grid->cellText(5, 1), "n5");
  EXPECT_TRUE(grid->checkMark(4, 2));
  EXPECT_EQ(show(grid->cellValue(6, 1)), "bool:false");

  grid->setRowCount(9);
  EXPECT_EQ(grid->cellText(5, 1), "n5");
  EXPECT_TRUE(grid->isReadOnly(5, 1));
  for (int r = 6; r < 9; ++r) {
    EXPECT_EQ(grid->cellText(r, 1), "") << r;
    EXPECT_FALSE(grid->isReadOnly(r, 1)) << r;
  }

  for (int ignored : {0, -3}) {
    grid->setRowCount(ignored);
    EXPECT_EQ(grid->rowCount(), 9);
  }
}

TEST(RowCount, DroppingTheCursorRowClearsTheCursor) {
  auto grid = recordsGrid(12);
  EXPECT_EQ(grid->cursorRow(), -1);
  EXPECT_EQ(grid->cursorColumn(), -1);
  grid->editCell(3, 5, "x");
  grid->setRowCount(4);
  EXPECT_EQ(grid->cursorRow(), 3);
  EXPECT_EQ(grid->cursorColumn(), 5);
  grid->setRowCount(3);
  EXPECT_EQ(grid->cursorRow(), -1);
  EXPECT_EQ(grid->cursorColumn(), -1);
}

TEST(ColumnCount, EveryColumnGetsTheDefaultWidth) {
  auto grid = recordsGrid(3);
  grid->setCell(1, 5, Text, std::string("kept"));
  grid->setColumnCount(8);
  EXPECT_EQ(grid->columnCount(), 8);
  for (int c = 0; c < 8; ++c) EXPECT_EQ(grid->columnWidth(c), 60) << c;
  EXPECT_EQ(grid->columnKind(7), Text);
  EXPECT_EQ(grid->columnKind(4), Money);
  EXPECT_EQ(grid->cellText(1, 5), "kept");
  grid->setColumnCount(0);
  EXPECT_EQ(grid->columnCount(), 8);
  grid->setColumnCount(5);
  EXPECT_EQ(grid->cellText(1, 5), "");
  EXPECT_EQ(grid->columnKind(5), 0);
  EXPECT_FALSE(grid->setColumnWidth(5, 10));
  EXPECT_TRUE(grid->setColumnWidth(4, 10));
  EXPECT_EQ(grid->columnWidth(4), 10);
}

TEST(InsertRow, AppendsOrInsertsAnEmptyRow) {
  GridModel stats(7, 1, 1, 0, false);
  configureStatsGrid(stats);
  for (int r = 1; r < 7; ++r) stats.setCell(r, 0, Text, "m" + std::to_string(r));

  EXPECT_TRUE(stats.insertRow());
  EXPECT_EQ(stats.rowCount(), 8);
  EXPECT_EQ(stats.cellText(6, 0), "m6");
  for (int c = 0; c < 6; ++c) EXPECT_EQ(stats.cellText(7, c), "") << c;

  // Before the title row or at or beyond the end: appended.
  for (int before : {0, -1, 9, 100}) {
    int rows = stats.rowCount();
    EXPECT_TRUE(stats.insertRow({}, before));
    EXPECT_EQ(stats.rowCount(), rows + 1);
    EXPECT_EQ(stats.cellText(1, 0), "m1");
    EXPECT_EQ(stats.cellText(6, 0), "m6");
  }

  EXPECT_TRUE(stats.insertRow(std::string("h"), 2));
  EXPECT_EQ(stats.cellText(1, 0), "m1");
  EXPECT_EQ(stats.cellText(2, 0), "h");
  EXPECT_EQ(stats.cellText(2, 1), "");
  EXPECT_EQ(stats.cellText(3, 0), "m2");
}

// ---- User edits -------------------------------------------------------------------------

struct EditLog {
  std::vector<std::string> events;
  bool allow = true;
  void attach(GridModel& grid) {
    grid.beforeEdit = [this, &grid] {
      events.push_back("before " + std::to_string(grid.cursorRow()) + "," +
                       std::to_string(grid.cursorColumn()));
      return allow;
    };
    grid.cellEdited = [this, &grid] {
      int r = grid.cursorRow(), c = grid.cursorColumn();
      events.push_back("edited " + std::to_string(r) + "," + std::to_string(c) + " " +
                       show(grid.cellValue(r, c)));
    };
  }
};

TEST(UserEdit, BeforeEditThenStoreThenCellEditedWithTheCursorOnTheCell) {
  auto grid = recordsGrid(6);
  grid->setColumnTotal(4, 1, 4, 5);
  EditLog log;
  log.attach(*grid);
  grid->cellEdited = [&] {
    log.events.push_back("edited " + std::to_string(grid->cursorRow()) + "," +
                         std::to_string(grid->cursorColumn()) + " " + grid->cellText(3, 4) +
                         " total " + grid->cellText(5, 4));
  };
  EXPECT_TRUE(grid->editCell(3, 4, "12.5"));
  EXPECT_TRUE(grid->editCell(3, 4, "12.50"));  // unchanged: still raised
  const std::vector<std::string> expected = {
      "before 3,4", "edited 3,4 12.50 total 12.50",
      "before 3,4", "edited 3,4 12.50 total 12.50"};
  EXPECT_EQ(log.events, expected);
}

TEST(UserEdit, AClickTogglesACheckBoxUnlessBeforeEditRefuses) {
  auto grid = recordsGrid(6);
  EditLog log;
  log.attach(*grid);
  EXPECT_TRUE(grid->clickCell(2, 2));
  EXPECT_TRUE(grid->clickCell(3, 2));
  EXPECT_TRUE(grid->clickCell(3, 2));
  log.allow = false;
  EXPECT_FALSE(grid->clickCell(2, 2));  // refused: the mark stays, no cellEdited
  EXPECT_FALSE(grid->editCell(2, 5, "x"));
  EXPECT_EQ(grid->cellText(2, 5), "");
  const std::vector<std::string> expected = {
      "before 2,2", "edited 2,2 bool:true",  "before 3,2", "edited 3,2 bool:true",
      "before 3,2", "edited 3,2 bool:false", "before 2,2", "before 2,5"};
  EXPECT_EQ(log.events, expected);
  EXPECT_TRUE(grid->checkMark(2, 2));
  EXPECT_EQ(grid->cursorRow(), 2);
  EXPECT_EQ(grid->cursorColumn(), 5);
}

TEST(UserEdit, CellsThatMayNotBeEditedRaiseNothing) {
  auto grid = recordsGrid(6);
  grid->setReadOnly(1, 0, 6, 1, true);
  EditLog log;
  log.attach(*grid);
  const std::pair<int, int> locked[] = {
      {0, 3},  // the title row
      {0, 2},  // ... also in a check-box column
      {2, 0},  // the fixed column
      {2, 1},  // read-only
      {6, 3},  // outside
  };
  for (auto [r, c] : locked) {
    EXPECT_FALSE(grid->mayEdit(r, c)) << r << "," << c;
    EXPECT_FALSE(grid->editCell(r, c, "x")) << r << "," << c;
    EXPECT_FALSE(grid->clickCell(r, c)) << r << "," << c;
  }
  EXPECT_EQ(grid->cellText(0, 3), g("日期"));
  EXPECT_EQ(grid->cellText(2, 1), "");
  EXPECT_TRUE(log.events.empty());
  // A check box is changed by a click, a text cell by an editor, not the other way round.
  EXPECT_FALSE(grid->editCell(2, 2, "1"));
  EXPECT_FALSE(grid->clickCell(2, 3));
  EXPECT_TRUE(log.events.empty());

  GridModel stats(7, 1, 1, 0, false);
  configureStatsGrid(stats);
  stats.beforeEdit = [&] { log.events.push_back("stats"); return true; };
  EXPECT_FALSE(stats.mayEdit(2, 2));
  EXPECT_FALSE(stats.editCell(2, 2, "x"));
  EXPECT_TRUE(log.events.empty());
}

TEST(UserEdit, NoHandlersMeansTheEditHappens) {
  auto grid = recordsGrid(4);
  EXPECT_TRUE(grid->editCell(1, 3, "2010-03-05"));
  EXPECT_EQ(grid->cellText(1, 3), "2010-03-05");
  EXPECT_TRUE(grid->clickCell(1, 2));
  EXPECT_TRUE(grid->checkMark(1, 2));
}

TEST(UserEdit, AHandlerThatDropsTheRowStopsTheEdit) {
  auto grid = recordsGrid(10);
  int edited = 0;
  grid->beforeEdit = [&] { grid->setRowCount(2); return true; };
  grid->cellEdited = [&] { ++edited; };
  grid->editCell(5, 3, "2010-03-05");
  grid->setRowCount(10);
  grid->clickCell(5, 2);
  EXPECT_EQ(grid->rowCount(), 2);
  EXPECT_EQ(edited, 0);
}

TEST(UserEdit, ViewHalvesBeginAndFinish) {
  auto grid = recordsGrid(4);
  EditLog log;
  log.attach(*grid);
  ASSERT_TRUE(grid->beginEdit(2, 5));
  EXPECT_EQ(grid->cellText(2, 5), "");
  grid->finishEdit(2, 5, g("甲公司"));
  const std::vector<std::string> expected = {"before 2,5", "edited 2,5 text:" + g("甲公司")};
  EXPECT_EQ(log.events, expected);
}

// ---- Listeners --------------------------------------------------------------------------

struct RecordingListener : GridListener {
  GridModel* grid = nullptr;
  std::vector<std::string> seen;
  void cellsChanged(int r1, int c1, int r2, int c2) override {
    seen.push_back("cells " + std::to_string(r1) + "," + std::to_string(c1) + "-" +
                   std::to_string(r2) + "," + std::to_string(c2));
  }
  void layoutChanged() override {
    seen.push_back("layout " + std::to_string(grid->rowCount()) + "x" +
                   std::to_string(grid->columnCount()));
  }
  void rowsAboutToBeInserted(int row, int count) override {
    seen.push_back("inserting " + std::to_string(row) + " at " +
                   std::to_string(grid->rowCount()));
  }
  void rowsInserted(int row, int count) override {
    seen.push_back("inserted " + std::to_string(row) + " now " +
                   std::to_string(grid->rowCount()));
  }
};

TEST(Listener, ToldOfEveryChange) {
  auto grid = recordsGrid(6);
  grid->setColumnTotal(4, 1, 4, 5);
  RecordingListener l;
  l.grid = grid.get();
  grid->addListener(&l);
  grid->addListener(&l);  // once is enough

  grid->setCell(2, 4, Text, std::string("3"));
  grid->clearCells(3, 1, 99, 99);
  grid->setCell(2, 2, CheckBox, true);
  grid->clickCell(3, 2);
  grid->setReadOnly(1, 0, 1, 1, true);
  grid->setRowCount(8);
  grid->insertRow({}, 3);
  grid->setColumnWidth(1, 80);
  grid->setColumnKind(5, List);
  grid->setDecimals(4, 1);
  grid->setCell(2, 4, Text, std::string("x"));  // refused: nothing changed
  const std::vector<std::string> expected = {
      "cells 2,4-2,4", "cells 5,4-5,4",   // the cell, then its total
      "cells 3,1-5,5", "cells 5,4-5,4",
      "cells 2,2-2,2",
      "cells 3,2-3,2",
      "cells 1,0-1,1",
      "layout 8x6",
      "inserting 3 at 8", "inserted 3 now 9",
      "layout 9x6",
      "layout 9x6",
      "cells 1,4-8,4",
  };
  EXPECT_EQ(l.seen, expected);

  grid->removeListener(&l);
  grid->setCell(2, 4, Text, std::string("4"));
  EXPECT_EQ(l.seen.size(), expected.size());
}

TEST(Listener, MayRemoveItselfWhileBeingTold) {
  GridModel grid(3, 3, 1, 0, true);
  struct Once : GridListener {
    GridModel* grid;
    int calls = 0;
    void cellsChanged(int, int, int, int) override {
      ++calls;
      grid->removeListener(this);
    }
    void layoutChanged() override {}
  } a, b;
  a.grid = b.grid = &grid;
  grid.addListener(&a);
  grid.addListener(&b);
  grid.setCell(1, 1, Text, std::string("x"));
  grid.setCell(1, 1, Text, std::string("y"));
  // Both told of the first change although the first one left meanwhile; nobody of the second.
  EXPECT_EQ(a.calls, 1);
  EXPECT_EQ(b.calls, 1);
}

}  // namespace
}  // namespace korvana::grid
