#pragma once
// How a grid cell looks, shared by the grid views and the printed pages.
#include <QString>
#include <Qt>

namespace korvana::grid { class GridModel; }

namespace korvana::ui {

// The cell's text as shown: a money cell below the title row that is not empty carries "￥"
// in front (the sign is not part of the stored text). Check marks are not texts.
QString shownCellText(const grid::GridModel& grid, int row, int column);

// The cell's horizontal alignment, text vertically centred on one line.
Qt::Alignment shownAlignment(const grid::GridModel& grid, int row, int column);

}  // namespace korvana::ui
