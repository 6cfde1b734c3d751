#pragma once
// The print preview of a grid: a modal window with the laid-out pages, page navigation,
// zoom, margins, printer set-up and printing.
#include <QDialog>
#include <QPrinter>
#include <QString>

#include "ui/grid_printer.h"

class QLabel;
class QPagedPaintDevice;
class QPrintPreviewWidget;
class QPushButton;
class QWidget;

namespace korvana::grid {
class GridModel;
}

namespace korvana::ui {

// Opens the modal window "打印预览" for `grid` and returns when the user leaves it.
// The grid is only read.
void showPrintPreview(const korvana::grid::GridModel& grid, QWidget* parent);

// The window itself. showPrintPreview runs it modally; it may also be shown and driven
// directly. Its buttons carry the object names "按钮_" + caption ("按钮_下页", ...).
class PrintPreviewDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PrintPreviewDialog(const grid::GridModel& grid, QWidget* parent = nullptr);
  ~PrintPreviewDialog() override;

  // The printer the preview lays out for and "打印" prints on.
  QPrinter& printer() { return printer_; }
  QPrintPreviewWidget* previewWidget() const { return preview_; }

  const PrintMargins& margins() const { return gridPrinter_.margins(); }
  // Re-lays the pages with other margins.
  void setMargins(const PrintMargins& margins);

  int currentPage() const;  // 1-based
  int pageCount() const;
  // What the page label shows, e.g. "第 1 页 / 共 3 页".
  QString pagePosition() const;

  // Shows page `page`; a page outside the document is refused with a message (false).
  bool goToPage(int page);
  // Prints every page on `device`. A failure is shown in a message box captioned "错误";
  // true when every page was printed.
  bool printTo(QPagedPaintDevice& device);

 public slots:
  void print();         // 打印: every page on the current printer
  void editMargins();   // 页边距
  void printSetup();    // 打印设置: the printer dialog; accepting it prints
  void previousPage();  // 上页
  void nextPage();      // 下页
  void askForPage();    // 到指定页

 private:
  void paintPages(QPrinter* printer);
  void updatePosition();

  QPrinter printer_;
  GridPrinter gridPrinter_;
  QPrintPreviewWidget* preview_ = nullptr;
  QLabel* position_ = nullptr;
  QPushButton* previous_ = nullptr;
  QPushButton* next_ = nullptr;
};

}  // namespace korvana::ui
