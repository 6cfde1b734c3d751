#include "ui/print_preview.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <functional>

#include "grid/grid_model.h"

namespace korvana::ui {
namespace {

const QString kErrorCaption = QStringLiteral("错误");
const QString kInfoCaption = QStringLiteral("信息：");
const QString kOk = QStringLiteral("确定(&O)");
const QString kCancel = QStringLiteral("取消(&C)");

// "页边距设置(单位: 0.1毫米)": the seven distances in tenths of a millimetre. "确定" is
// accepted only when `acceptable` agrees with the values.
class MarginsDialog : public QDialog {
 public:
  MarginsDialog(const PrintMargins& margins,
                std::function<bool(const PrintMargins&)> acceptable, QWidget* parent)
      : QDialog(parent), acceptable_(std::move(acceptable)) {
    setWindowTitle(QStringLiteral("页边距设置(单位: 0.1毫米)"));
    setObjectName(QStringLiteral("页边距设置"));
    auto* form = new QFormLayout;
    auto field = [&](const QString& label, const QString& name) {
      auto* box = new QSpinBox(this);
      box->setRange(0, 9999);
      box->setObjectName(QStringLiteral("编辑框_") + name);
      form->addRow(label, box);
      return box;
    };
    top_ = field(QStringLiteral("上:"), QStringLiteral("上"));
    bottom_ = field(QStringLiteral("下:"), QStringLiteral("下"));
    left_ = field(QStringLiteral("左:"), QStringLiteral("左"));
    right_ = field(QStringLiteral("右:"), QStringLiteral("右"));
    header_ = field(QStringLiteral("页眉:"), QStringLiteral("页眉"));
    footer_ = field(QStringLiteral("页脚:"), QStringLiteral("页脚"));
    gap_ = field(QStringLiteral("表头与表格间隔:"), QStringLiteral("表头与表格间隔"));
    show(margins);

    auto* defaults = new QPushButton(QStringLiteral("默认值"), this);
    defaults->setObjectName(QStringLiteral("按钮_默认值"));
    defaults->setAutoDefault(false);
    auto* ok = new QPushButton(kOk, this);
    ok->setObjectName(QStringLiteral("按钮_确定"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(kCancel, this);
    cancel->setObjectName(QStringLiteral("按钮_取消"));
    cancel->setAutoDefault(false);
    connect(defaults, &QPushButton::clicked, this, [this] { show(PrintMargins{}); });
    connect(ok, &QPushButton::clicked, this, &MarginsDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(defaults);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
  }

  PrintMargins margins() const {
    return {top_->value(),    bottom_->value(), left_->value(), right_->value(),
            header_->value(), footer_->value(), gap_->value()};
  }

 private:
  void show(const PrintMargins& m) {
    top_->setValue(m.top);
    bottom_->setValue(m.bottom);
    left_->setValue(m.left);
    right_->setValue(m.right);
    header_->setValue(m.header);
    footer_->setValue(m.footer);
    gap_->setValue(m.gap);
  }

  void confirm() {
    if (!acceptable_(margins())) {
      QMessageBox::warning(this, kInfoCaption,
                           QStringLiteral("页边距过大,页面上放不下表格,请减小页边距!"));
      return;
    }
    accept();
  }

  std::function<bool(const PrintMargins&)> acceptable_;
  QSpinBox* top_;
  QSpinBox* bottom_;
  QSpinBox* left_;
  QSpinBox* right_;
  QSpinBox* header_;
  QSpinBox* footer_;
  QSpinBox* gap_;
};

}  // namespace

PrintPreviewDialog::PrintPreviewDialog(const grid::GridModel& grid, QWidget* parent)
    : QDialog(parent), printer_(QPrinter::HighResolution), gridPrinter_(grid) {
  setWindowTitle(QStringLiteral("打印预览"));
  setObjectName(QStringLiteral("打印预览"));
  resize(860, 680);
  setSizeGripEnabled(true);

  preview_ = new QPrintPreviewWidget(&printer_, this);
  preview_->setViewMode(QPrintPreviewWidget::SinglePageView);
  preview_->setZoomMode(QPrintPreviewWidget::FitInView);
  connect(preview_, &QPrintPreviewWidget::paintRequested, this, &PrintPreviewDialog::paintPages);
  connect(preview_, &QPrintPreviewWidget::previewChanged, this,
          &PrintPreviewDialog::updatePosition);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(4);
  auto button = [&](const QString& caption, auto slot) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QStringLiteral("按钮_") + caption);
    b->setAutoDefault(false);
    b->setMinimumWidth(b->fontMetrics().horizontalAdvance(caption) + 16);
    connect(b, &QPushButton::clicked, this, slot);
    buttons->addWidget(b);
    return b;
  };
  button(QStringLiteral("打印"), &PrintPreviewDialog::print);
  button(QStringLiteral("页边距"), &PrintPreviewDialog::editMargins);
  button(QStringLiteral("打印设置"), &PrintPreviewDialog::printSetup);
  previous_ = button(QStringLiteral("上页"), &PrintPreviewDialog::previousPage);
  next_ = button(QStringLiteral("下页"), &PrintPreviewDialog::nextPage);
  button(QStringLiteral("到指定页"), &PrintPreviewDialog::askForPage);
  button(QStringLiteral("放大"), [this] { preview_->zoomIn(1.25); });
  button(QStringLiteral("缩小"), [this] { preview_->zoomOut(1.25); });
  button(QStringLiteral("等宽"), [this] { preview_->fitToWidth(); });
  button(QStringLiteral("等高"), [this] { preview_->fitInView(); });
  button(QStringLiteral("退出"), &QDialog::reject);
  buttons->addSpacing(12);
  position_ = new QLabel(this);
  position_->setObjectName(QStringLiteral("标签_页码"));
  buttons->addWidget(position_);
  buttons->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addLayout(buttons);
  layout->addWidget(preview_, 1);

  preview_->updatePreview();
  updatePosition();
}

PrintPreviewDialog::~PrintPreviewDialog() = default;

void PrintPreviewDialog::setMargins(const PrintMargins& margins) {
  gridPrinter_.setMargins(margins);
  preview_->updatePreview();
  updatePosition();
}

int PrintPreviewDialog::currentPage() const { return preview_->currentPage(); }

int PrintPreviewDialog::pageCount() const { return preview_->pageCount(); }

QString PrintPreviewDialog::pagePosition() const { return position_->text(); }

bool PrintPreviewDialog::goToPage(int page) {
  if (page < 1 || page > pageCount()) {
    QMessageBox::warning(this, kInfoCaption,
                         QStringLiteral("没有第 %1 页,请输入 1 到 %2 之间的页号!")
                             .arg(page)
                             .arg(pageCount()));
    return false;
  }
  preview_->setCurrentPage(page);
  updatePosition();
  return true;
}

bool PrintPreviewDialog::printTo(QPagedPaintDevice& device) {
  switch (gridPrinter_.print(device)) {
    case PrintResult::Printed:
      return true;
    case PrintResult::InitFailed:
      QMessageBox::critical(this, kErrorCaption,
                            QStringLiteral("打印机初始化出错,请检查打印设置!"));
      return false;
    case PrintResult::PageFailed:
      QMessageBox::critical(this, kErrorCaption,
                            QStringLiteral("打印表格出错,请检查打印设置或稍候重试!"));
      return false;
  }
  return false;
}

void PrintPreviewDialog::print() { printTo(printer_); }

void PrintPreviewDialog::editMargins() {
  const QPageLayout layout = printer_.pageLayout();
  const int dpi = printer_.resolution();
  MarginsDialog dialog(
      gridPrinter_.margins(),
      [&](const PrintMargins& m) {
        GridPrinter candidate = gridPrinter_;
        candidate.setMargins(m);
        return candidate.fits(layout, dpi);
      },
      this);
  if (dialog.exec() == QDialog::Accepted) setMargins(dialog.margins());
}

void PrintPreviewDialog::printSetup() {
  QPrintDialog dialog(&printer_, this);
  dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
                    QAbstractPrintDialog::PrintCollateCopies);
  if (dialog.exec() != QDialog::Accepted) return;
  preview_->updatePreview();
  updatePosition();
  printTo(printer_);
}

void PrintPreviewDialog::previousPage() {
  if (currentPage() > 1) preview_->setCurrentPage(currentPage() - 1);
  updatePosition();
}

void PrintPreviewDialog::nextPage() {
  if (currentPage() < pageCount()) preview_->setCurrentPage(currentPage() + 1);
  updatePosition();
}

void PrintPreviewDialog::askForPage() {
  QInputDialog dialog(this);
  dialog.setObjectName(QStringLiteral("页面跳转"));
  dialog.setWindowTitle(QStringLiteral("页面跳转"));
  dialog.setLabelText(QStringLiteral("请输入欲跳转到页号:"));
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setOkButtonText(kOk);
  dialog.setCancelButtonText(kCancel);
  if (dialog.exec() != QDialog::Accepted) return;
  bool number = false;
  const int page = dialog.textValue().trimmed().toInt(&number);
  if (!number) {
    QMessageBox::warning(this, kInfoCaption,
                         QStringLiteral("请输入 1 到 %1 之间的页号!").arg(pageCount()));
    return;
  }
  goToPage(page);
}

void PrintPreviewDialog::paintPages(QPrinter* printer) {
  QPainter painter(printer);
  gridPrinter_.paintPages(painter, *printer);
}

void PrintPreviewDialog::updatePosition() {
  const int pages = pageCount();
  const int page = pages > 0 ? currentPage() : 0;
  position_->setText(QStringLiteral("第 %1 页 / 共 %2 页").arg(page).arg(pages));
  previous_->setEnabled(page > 1);
  next_->setEnabled(page < pages);
}

void showPrintPreview(const grid::GridModel& grid, QWidget* parent) {
  PrintPreviewDialog dialog(grid, parent);
  dialog.exec();
}

}  // namespace korvana::ui
