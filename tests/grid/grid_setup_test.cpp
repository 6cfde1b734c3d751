#include <gtest/gtest.h>

#include "grid/grid_model.h"
#include "text/gbk.h"
#include "text/numbers.h"

namespace korvana::grid {
namespace {

struct Expected {
  std::vector<const char*> titles;
  std::vector<int> widths;
  std::vector<int> kinds;
};

void expectColumns(const GridModel& grid, const Expected& e) {
  ASSERT_EQ(grid.columnCount(), static_cast<int>(e.widths.size()));
  for (int c = 0; c < grid.columnCount(); ++c) {
    EXPECT_EQ(grid.cellText(0, c), text::gbk(e.titles[c])) << c;
    EXPECT_EQ(grid.columnWidth(c), e.widths[c]) << c;
    EXPECT_EQ(grid.columnKind(c), e.kinds[c]) << c;
    EXPECT_EQ(grid.alignment(0, c), AlignCenter) << c;  // the title row is centred
    EXPECT_EQ(grid.alignment(1, c), AlignLeft) << c;
  }
}

TEST(GridConfiguration, RecordsGrid) {
  GridModel grid(27, 1, 1, 1, true);
  configureRecordsGrid(grid);
  expectColumns(grid, {{"序号", "票号", "已开", "日期", "金额", "付款单位"},
                       {30, 65, 35, 90, 70, 100},
                       {Text, Text, CheckBox, Date, Money, Text}});
  EXPECT_EQ(grid.rowCount(), 27);
  EXPECT_EQ(grid.rowHeight(), 22);
  EXPECT_EQ(grid.decimals(4), 2);
  EXPECT_TRUE(grid.listItems(5).empty());  // the payer list comes later
  EXPECT_TRUE(grid.mayEdit(1, 1));
  EXPECT_FALSE(grid.mayEdit(1, 0));
  EXPECT_FALSE(grid.mayEdit(0, 3));
  EXPECT_EQ(grid.cursorRow(), -1);
}

TEST(GridConfiguration, StatisticsGrid) {
  GridModel grid(7, 1, 1, 0, false);
  configureStatsGrid(grid);
  expectColumns(grid, {{"月份", "起号码", "讫号码", "份数", "金额", "作废"},
                       {55, 65, 65, 30, 70, 65},
                       {Text, Text, Text, Text, Money, Text}});
  EXPECT_EQ(grid.rowCount(), 7);
  EXPECT_EQ(grid.decimals(4), 2);
  EXPECT_FALSE(grid.mayEdit(1, 1));
  // Its amounts are formatted although the user never edits them.
  EXPECT_TRUE(grid.setCell(1, 4, Text, text::floatToText(1234567.0f)));
  EXPECT_EQ(grid.cellText(1, 4), "1234570.00");
}

TEST(GridConfiguration, SetupColumnsReplacesTheColumns) {
  GridModel grid(3, 9, 1, 0, true);
  grid.setColumnWidth(1, 5);
  setupColumns(grid, {"a", "b"}, {40, 50});
  EXPECT_EQ(grid.columnCount(), 2);
  EXPECT_EQ(grid.columnWidth(1), 50);
  EXPECT_EQ(grid.cellText(0, 1), "b");
  EXPECT_EQ(grid.alignment(0, 1), AlignCenter);
}

}  // namespace
}  // namespace korvana::grid
