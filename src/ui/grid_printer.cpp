#include "ui/grid_printer.h"

#include <QFont>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QPrinter>
#include <QRectF>
#include <QString>

#include <algorithm>
#include <cmath>

#include "grid/grid_model.h"
#include "ui/cell_display.h"
#include "ui/qt_text.h"

namespace korvana::ui {
namespace {

// The grid's pixel sizes are those of a 96-dpi screen; on paper rows keep their height in
// millimetres while the columns are stretched to the width between the margins.
constexpr double kScreenDpi = 96.0;
// Text height as part of the row height (12 px text in a 22 px row on screen).
constexpr double kFontToRow = 12.0 / 22.0;

double tenthsOfMm(int tenths, int dpi) { return tenths / 254.0 * dpi; }

QString cellString(const grid::GridModel& grid, int row, int column) {
  if (row > 0 && grid.columnKind(column) == grid::CheckBox) {
    return grid.checkMark(row, column) ? QStringLiteral("√") : QString();
  }
  return shownCellText(grid, row, column);
}

}  // namespace

struct GridPrinter::Geometry {
  QRectF area;               // between the margins, in painter coordinates
  double rowHeight = 0;
  double gap = 0;
  double padding = 0;
  double lineWidth = 0;
  int rowsPerPage = 1;       // rows below the title row on one page
  bool fits = false;
  std::vector<double> columnLeft;  // columnCount + 1 edges
};

GridPrinter::GridPrinter(const grid::GridModel& grid, PrintMargins margins)
    : grid_(grid), margins_(margins) {}

int GridPrinter::printedRowCount() const {
  for (int row = grid_.rowCount() - 1; row > 0; --row) {
    for (int column = 0; column < grid_.columnCount(); ++column) {
      if (!cellString(grid_, row, column).isEmpty()) return row;
    }
  }
  return 0;
}

GridPrinter::Geometry GridPrinter::geometry(const QPageLayout& layout, int dpi) const {
  Geometry g;
  const QRectF paper = layout.fullRectPixels(dpi);
  const QRectF printable = layout.paintRectPixels(dpi);
  QRectF area = paper.adjusted(tenthsOfMm(margins_.left, dpi),
                               tenthsOfMm(margins_.top + margins_.header, dpi),
                               -tenthsOfMm(margins_.right, dpi),
                               -tenthsOfMm(margins_.bottom + margins_.footer, dpi));
  // Margins wider than the paper leave nothing (QRectF would swap the edges back otherwise).
  area = area.isValid() ? area.intersected(printable) : QRectF(area.topLeft(), QSizeF(0, 0));
  g.area = area.translated(-printable.topLeft());

  g.rowHeight = grid_.rowHeight() * dpi / kScreenDpi;
  g.gap = tenthsOfMm(margins_.gap, dpi);
  g.padding = tenthsOfMm(10, dpi);
  g.lineWidth = std::max(1.0, tenthsOfMm(2, dpi));

  const double bodyHeight = g.area.height() - g.rowHeight - g.gap;
  const int rows = bodyHeight > 0 ? static_cast<int>(std::floor(bodyHeight / g.rowHeight)) : 0;
  g.fits = g.area.width() > 2 * g.padding && rows >= 1;
  // A page that is too small still takes one row, so that every row is printed somewhere.
  g.rowsPerPage = std::max(1, rows);

  double total = 0;
  for (int column = 0; column < grid_.columnCount(); ++column) {
    total += std::max(0, grid_.columnWidth(column));
  }
  g.columnLeft.push_back(g.area.left());
  double x = 0;
  for (int column = 0; column < grid_.columnCount(); ++column) {
    x += std::max(0, grid_.columnWidth(column));
    g.columnLeft.push_back(total > 0 ? g.area.left() + g.area.width() * x / total
                                     : g.area.left() + g.area.width() * (column + 1) /
                                                           grid_.columnCount());
  }
  return g;
}

int GridPrinter::pageCount(const QPageLayout& layout, int dpi) const {
  const int rows = printedRowCount();
  const int perPage = geometry(layout, dpi).rowsPerPage;
  return std::max(1, (rows + perPage - 1) / perPage);
}

bool GridPrinter::fits(const QPageLayout& layout, int dpi) const {
  return geometry(layout, dpi).fits;
}

void GridPrinter::paintPage(QPainter& painter, const QPageLayout& layout, int dpi,
                            int page) const {
  const Geometry g = geometry(layout, dpi);
  const int columns = grid_.columnCount();
  const int first = 1 + page * g.rowsPerPage;
  const int last = std::min(printedRowCount(), first + g.rowsPerPage - 1);

  painter.save();
  QFont font = painter.font();
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(g.rowHeight * kFontToRow))));
  painter.setFont(font);
  QPen pen(Qt::black);
  pen.setWidthF(g.lineWidth);
  painter.setPen(pen);

  auto drawRow = [&](int row, double top) {
    for (int column = 0; column < columns; ++column) {
      const QRectF cell(QPointF(g.columnLeft[column], top),
                        QPointF(g.columnLeft[column + 1], top + g.rowHeight));
      if (row == 0) painter.fillRect(cell, QColor(0xe8, 0xe8, 0xe8));
      painter.drawRect(cell);
      const QRectF inner = cell.adjusted(g.padding, 0, -g.padding, 0);
      if (inner.width() > 0) {
        painter.drawText(inner, shownAlignment(grid_, row, column) | Qt::TextSingleLine,
                         cellString(grid_, row, column));
      }
    }
  };

  double top = g.area.top();
  drawRow(0, top);
  top += g.rowHeight + g.gap;
  for (int row = first; row <= last; ++row, top += g.rowHeight) drawRow(row, top);
  painter.restore();
}

PrintResult GridPrinter::paintPages(QPainter& painter, QPagedPaintDevice& device) const {
  const QPageLayout layout = device.pageLayout();
  const int dpi = device.logicalDpiY();
  const int pages = pageCount(layout, dpi);
  for (int page = 0; page < pages; ++page) {
    if (page > 0 && !device.newPage()) return PrintResult::PageFailed;
    paintPage(painter, layout, dpi, page);
  }
  return PrintResult::Printed;
}

PrintResult GridPrinter::print(QPagedPaintDevice& device) const {
  auto* printer = dynamic_cast<QPrinter*>(&device);
  if (printer && !printer->isValid()) return PrintResult::InitFailed;
  QPainter painter;
  if (!painter.begin(&device)) return PrintResult::InitFailed;
  const PrintResult result = paintPages(painter, device);
  if (result != PrintResult::Printed) {
    if (printer) printer->abort();
    if (painter.isActive()) painter.end();
    return result;
  }
  return painter.end() ? PrintResult::Printed : PrintResult::PageFailed;
}

}  // namespace korvana::ui
