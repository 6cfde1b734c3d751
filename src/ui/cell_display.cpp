#include "ui/cell_display.h"

#include "grid/grid_model.h"
#include "ui/qt_text.h"

namespace korvana::ui {

QString shownCellText(const grid::GridModel& grid, int row, int column) {
  QString text = toQString(grid.cellText(row, column));
  if (row >= grid.fixedRows() && grid.columnKind(column) == grid::Money && !text.isEmpty()) {
    text.prepend(QStringLiteral("￥"));
  }
  return text;
}

Qt::Alignment shownAlignment(const grid::GridModel& grid, int row, int column) {
  switch (grid.alignment(row, column)) {
    case grid::AlignCenter: return Qt::AlignHCenter | Qt::AlignVCenter;
    case grid::AlignRight: return Qt::AlignRight | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

}  // namespace korvana::ui
