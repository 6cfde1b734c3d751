#pragma once
// The print preview of a grid: a modal window with the laid-out pages, page navigation,
// zoom, margins, printer set-up and printing.
class QWidget;

namespace korvana::grid {
class GridModel;
}

namespace korvana::ui {

// Opens the modal window "打印预览" for `grid` and returns when the user leaves it.
// The grid is only read.
void showPrintPreview(const korvana::grid::GridModel& grid, QWidget* parent);

}  // namespace korvana::ui
