#pragma once
// Lays a grid out in printed pages: the title row at the top of every page, the columns in
// the grid's width proportions stretched to the width between the margins, the other rows
// split over as many pages as they need. Nothing else is printed (no page number, no date).
#include <vector>

class QPageLayout;
class QPagedPaintDevice;
class QPainter;
class QRectF;

namespace korvana::grid {
class GridModel;
}

namespace korvana::ui {

// Page margins in tenths of a millimetre, measured from the edge of the paper. The header and
// footer are blank bands inside the top and bottom margins; `gap` separates the title row from
// the rows below it. A margin narrower than what the printer cannot print on is widened to it.
struct PrintMargins {
  int top = 200;
  int bottom = 200;
  int left = 200;
  int right = 200;
  int header = 50;
  int footer = 50;
  int gap = 0;
  bool operator==(const PrintMargins&) const = default;
};

enum class PrintResult {
  Printed,     // every page went to the device
  InitFailed,  // the device could not be prepared (invalid printer, painter refused to begin)
  PageFailed,  // a page could not be started or the output could not be finished
};

class GridPrinter {
 public:
  explicit GridPrinter(const grid::GridModel& grid, PrintMargins margins = {});

  const PrintMargins& margins() const { return margins_; }
  void setMargins(const PrintMargins& margins) { margins_ = margins; }

  // Rows printed below the title row: 1 up to the last row that shows anything (trailing empty
  // rows of the grid are left out).
  int printedRowCount() const;

  // Pages the grid takes on paper of `layout` at `dpi` device pixels per inch (at least 1).
  int pageCount(const QPageLayout& layout, int dpi) const;
  // True when the title row and at least one row fit between the margins of such a page.
  bool fits(const QPageLayout& layout, int dpi) const;

  // Draws page `page` (0-based) with a painter whose origin is the top left of the printable
  // area of `layout` (as a painter on a QPrinter or QPdfWriter has it).
  void paintPage(QPainter& painter, const QPageLayout& layout, int dpi, int page) const;

  // Draws every page on an active painter of `device`, starting a new page between pages.
  PrintResult paintPages(QPainter& painter, QPagedPaintDevice& device) const;

  // Prepares `device` (a QPrinter must be valid), draws every page and finishes the output.
  PrintResult print(QPagedPaintDevice& device) const;

 private:
  struct Geometry;
  Geometry geometry(const QPageLayout& layout, int dpi) const;

  const grid::GridModel& grid_;
  PrintMargins margins_;
};

}  // namespace korvana::ui
