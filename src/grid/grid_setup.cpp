// The columns of the main window's two grids, as start-up sets them.
#include "grid/grid_model.h"
#include "text/gbk.h"

namespace korvana::grid {

namespace {

std::vector<std::string> gbkTexts(std::initializer_list<const char*> utf8) {
  std::vector<std::string> out;
  for (const char* s : utf8) out.push_back(text::gbk(s));
  return out;
}

}  // namespace

void setupColumns(GridModel& grid, const std::vector<std::string>& titles,
                  const std::vector<int>& widths) {
  grid.setColumnCount(static_cast<int>(widths.size()));
  for (size_t i = 0; i < widths.size(); ++i) {
    int column = static_cast<int>(i);
    grid.setColumnWidth(column, widths[i]);
    grid.setCell(0, column, Text, i < titles.size() ? titles[i] : std::string());
  }
  grid.setAlignment(0, 0, 0, grid.columnCount() - 1, AlignCenter);
}

void configureRecordsGrid(GridModel& grid) {
  setupColumns(grid, gbkTexts({"序号", "票号", "已开", "日期", "金额", "付款单位"}),
               {30, 65, 35, 90, 70, 100});
  grid.setColumnKind(2, CheckBox);
  grid.setColumnKind(3, Date);
  grid.setColumnKind(4, Money);
  grid.setDecimals(4, 2);
}

void configureStatsGrid(GridModel& grid) {
  setupColumns(grid, gbkTexts({"月份", "起号码", "讫号码", "份数", "金额", "作废"}),
               {55, 65, 65, 30, 70, 65});
  grid.setColumnKind(4, Money);
  grid.setDecimals(4, 2);
}

}  // namespace korvana::grid
