// The print preview window, driven through its buttons as a user would.
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "test_print_support.h"
#include "ui/print_preview.h"

using korvana::grid::GridModel;
using korvana::testing::cellTexts;
using korvana::testing::FailingPdfWriter;
using korvana::testing::kStatsTitles;
using korvana::testing::ModalDriver;
using korvana::testing::months;
using korvana::testing::pdfLines;
using korvana::testing::pdfPages;
using korvana::testing::statsGrid;
using korvana::ui::PrintMargins;
using korvana::ui::PrintPreviewDialog;

namespace {

const QStringList kButtons = {"打印", "页边距", "打印设置", "上页", "下页", "到指定页",
                              "放大", "缩小",   "等宽",     "等高", "退出"};

QPushButton* button(QWidget* window, const QString& caption) {
  for (auto* b : window->findChildren<QPushButton*>()) {
    if (b->text() == caption && b->isVisible()) return b;
  }
  qFatal("no button %s", qPrintable(caption));
}

void click(QWidget* window, const QString& caption) {
  QTest::mouseClick(button(window, caption), Qt::LeftButton);
}

QSpinBox* field(QWidget* window, const QString& name) {
  auto* box = window->findChild<QSpinBox*>(QStringLiteral("编辑框_") + name);
  if (!box) qFatal("no field %s", qPrintable(name));
  return box;
}

struct Message {
  QString caption, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// A handler that records a message box and closes it.
std::function<void(QWidget*)> recordMessage(Message& message) {
  return [&message](QWidget* window) {
    auto* box = qobject_cast<QMessageBox*>(window);
    if (!box) qFatal("expected a message box, got %s", qPrintable(window->windowTitle()));
    message = {box->windowTitle(), box->text(), box->icon()};
    box->accept();
  };
}

}  // namespace

class PrintPreviewTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QVERIFY(dir_.isValid());
    pdf_ = dir_.filePath("out.pdf");
    QFile::remove(pdf_);
    grid_ = statsGrid(months(60));  // two A4 pages between the default margins
    before_ = cellTexts(*grid_);
    preview_ = std::make_unique<PrintPreviewDialog>(*grid_);
    korvana::testing::makePdfPrinter(preview_->printer(), pdf_);
    preview_->setMargins(preview_->margins());  // lay out again for the A4 page
    preview_->show();
    QVERIFY(QTest::qWaitForWindowExposed(preview_.get()));
  }

  void cleanup() {
    preview_.reset();
    QCOMPARE(cellTexts(*grid_), before_);  // the preview never changes the grid
  }

  void windowShowsItsButtonsAndPagePosition() {
    QCOMPARE(preview_->windowTitle(), QString("打印预览"));
    QStringList captions;
    for (auto* b : preview_->findChildren<QPushButton*>()) captions << b->text();
    QCOMPARE(captions, kButtons);
    QCOMPARE(preview_->pageCount(), 2);
    QCOMPARE(preview_->findChild<QLabel*>()->text(), QString("第 1 页 / 共 2 页"));
  }

  void nextAndPreviousPage() {
    QVERIFY(!button(preview_.get(), "上页")->isEnabled());
    click(preview_.get(), "下页");
    QCOMPARE(preview_->currentPage(), 2);
    QCOMPARE(preview_->pagePosition(), QString("第 2 页 / 共 2 页"));
    QVERIFY(!button(preview_.get(), "下页")->isEnabled());
    click(preview_.get(), "上页");
    QCOMPARE(preview_->currentPage(), 1);
    QCOMPARE(preview_->pagePosition(), QString("第 1 页 / 共 2 页"));
  }

  void goToPage_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("last page") << "2" << true << 2 << "";
    QTest::newRow("blanks around") << " 2 " << true << 2 << "";
    QTest::newRow("cancelled") << "2" << false << 1 << "";
    QTest::newRow("past the end") << "3" << true << 1 << "没有第 3 页,请输入 1 到 2 之间的页号!";
    QTest::newRow("page 0") << "0" << true << 1 << "没有第 0 页,请输入 1 到 2 之间的页号!";
    QTest::newRow("not a number") << "二" << true << 1 << "请输入 1 到 2 之间的页号!";
    QTest::newRow("empty") << "" << true << 1 << "请输入 1 到 2 之间的页号!";
  }

  void goToPage() {
    QFETCH(QString, typed);
    QFETCH(bool, confirmed);
    QFETCH(int, page);
    QFETCH(QString, refusal);
    ModalDriver driver;
    QString title, label;
    driver.then([&](QWidget* window) {
      auto* dialog = qobject_cast<QInputDialog*>(window);
      QVERIFY(dialog);
      title = dialog->windowTitle();
      label = dialog->labelText();
      QCOMPARE(dialog->okButtonText(), QString("确定(&O)"));
      QCOMPARE(dialog->cancelButtonText(), QString("取消(&C)"));
      dialog->setTextValue(typed);
      if (confirmed) dialog->accept(); else dialog->reject();
    });
    Message message;
    if (!refusal.isEmpty()) driver.then(recordMessage(message));
    click(preview_.get(), "到指定页");
    QVERIFY(driver.done());
    QCOMPARE(driver.unexpected(), QStringList());
    QCOMPARE(title, QString("页面跳转"));
    QCOMPARE(label, QString("请输入欲跳转到页号:"));
    QCOMPARE(preview_->currentPage(), page);
    QCOMPARE(message.text, refusal);
    if (!refusal.isEmpty()) QCOMPARE(message.icon, QMessageBox::Warning);
  }

  void marginsRelayThePages() {
    ModalDriver driver;
    // Defaults shown, a 100 mm top margin confirmed: 27 rows a page, 3 pages.
    driver.then([&](QWidget* window) {
      QCOMPARE(window->windowTitle(), QString("页边距设置(单位: 0.1毫米)"));
      QStringList labels;
      for (auto* l : window->findChildren<QLabel*>()) labels << l->text();
      QCOMPARE(labels, QStringList({"上:", "下:", "左:", "右:", "页眉:", "页脚:",
                                    "表头与表格间隔:"}));
      QStringList captions;
      for (auto* b : window->findChildren<QPushButton*>()) captions << b->text();
      QCOMPARE(captions, QStringList({"默认值", "确定(&O)", "取消(&C)"}));
      QCOMPARE(field(window, "上")->value(), PrintMargins{}.top);
      field(window, "上")->setValue(1000);
      click(window, "确定(&O)");
    });
    click(preview_.get(), "页边距");
    QVERIFY(driver.done());
    QCOMPARE(preview_->margins().top, 1000);
    QCOMPARE(preview_->pageCount(), 3);
    QCOMPARE(preview_->pagePosition(), QString("第 1 页 / 共 3 页"));

    // Margins that leave no room are refused and the window stays; "默认值" puts the
    // defaults back, which are confirmed.
    Message refusal;
    bool stayedOpen = false;
    driver.then([&](QWidget* window) {
      QCOMPARE(field(window, "上")->value(), 1000);
      field(window, "下")->setValue(2000);
      click(window, "确定(&O)");
      stayedOpen = window->isVisible();
      click(window, "默认值");
      QCOMPARE(field(window, "上")->value(), PrintMargins{}.top);
      QCOMPARE(field(window, "下")->value(), PrintMargins{}.bottom);
      click(window, "确定(&O)");
    });
    driver.then(recordMessage(refusal));
    click(preview_.get(), "页边距");
    QVERIFY(driver.done());
    QVERIFY(stayedOpen);
    QCOMPARE(refusal.text, QString("页边距过大,页面上放不下表格,请减小页边距!"));
    QVERIFY(preview_->margins() == PrintMargins{});
    QCOMPARE(preview_->pageCount(), 2);

    // Cancelled: nothing changes.
    driver.then([&](QWidget* window) {
      field(window, "表头与表格间隔")->setValue(1500);
      click(window, "取消(&C)");
    });
    click(preview_.get(), "页边距");
    QVERIFY(driver.done());
    QVERIFY(preview_->margins() == PrintMargins{});
    QCOMPARE(preview_->pageCount(), 2);
    QCOMPARE(driver.unexpected(), QStringList());
  }

  void zoomButtons() {
    QPrintPreviewWidget* view = preview_->previewWidget();
    const double start = view->zoomFactor();
    click(preview_.get(), "放大");
    QVERIFY(view->zoomFactor() > start * 1.1);
    click(preview_.get(), "缩小");
    click(preview_.get(), "缩小");
    QVERIFY(view->zoomFactor() < start * 0.9);
    click(preview_.get(), "等宽");
    QCOMPARE(view->zoomMode(), QPrintPreviewWidget::FitToWidth);
    const double width = view->zoomFactor();
    click(preview_.get(), "等高");
    QCOMPARE(view->zoomMode(), QPrintPreviewWidget::FitInView);
    // The window is wider than a portrait page is tall in proportion: the whole page is smaller.
    QVERIFY(view->zoomFactor() < width);
  }

  void printWritesEveryPage() {
    ModalDriver driver;
    click(preview_.get(), "打印");
    QCOMPARE(driver.unexpected(), QStringList());
    const auto pages = pdfPages(pdf_);
    QCOMPARE(pages.size(), std::size_t{2});
    for (const auto& page : pages) {
      QCOMPARE(pdfLines(page).front(), kStatsTitles);
    }
    QCOMPARE(pdfLines(pages[1]).back().front(), QString("2005-12"));
  }

  void printSetup_data() {
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("confirmed prints") << true;
    QTest::newRow("cancelled") << false;
  }

  void printSetup() {
    QFETCH(bool, confirmed);
    ModalDriver driver;
    bool printDialog = false;
    driver.then([&](QWidget* window) {
      printDialog = qobject_cast<QPrintDialog*>(window) != nullptr;
      if (confirmed) static_cast<QDialog*>(window)->accept();
      else static_cast<QDialog*>(window)->reject();
    });
    click(preview_.get(), "打印设置");
    QVERIFY(driver.done());
    QVERIFY(printDialog);
    QCOMPARE(driver.unexpected(), QStringList());
    QCOMPARE(pdfPages(pdf_).size(), std::size_t{confirmed ? 2u : 0u});
  }

  void failuresShowErrorMessages() {
    ModalDriver driver;
    Message message;
    // No printer can be prepared: the output file cannot be created.
    preview_->printer().setOutputFileName(dir_.filePath("missing/folder/out.pdf"));
    driver.then(recordMessage(message));
    click(preview_.get(), "打印");
    QVERIFY(driver.done());
    QCOMPARE(message.caption, QString("错误"));
    QCOMPARE(message.icon, QMessageBox::Critical);
    QCOMPARE(message.text, QString("打印机初始化出错,请检查打印设置!"));

    // The second page cannot be started.
    FailingPdfWriter writer(dir_.filePath("failing.pdf"));
    message = {};
    driver.then(recordMessage(message));
    QVERIFY(!preview_->printTo(writer));
    QVERIFY(driver.done());
    QCOMPARE(message.caption, QString("错误"));
    QCOMPARE(message.icon, QMessageBox::Critical);
    QCOMPARE(message.text, QString("打印表格出错,请检查打印设置或稍候重试!"));
    QCOMPARE(driver.unexpected(), QStringList());
  }

  void exitEndsTheModalPreview() {
    preview_.reset();
    ModalDriver driver;
    QString title;
    driver.then([&](QWidget* window) {
      title = window->windowTitle();
      click(window, "退出");
    });
    korvana::ui::showPrintPreview(*grid_, nullptr);  // returns once "退出" has been clicked
    QVERIFY(driver.done());
    QCOMPARE(title, QString("打印预览"));
    QCOMPARE(driver.unexpected(), QStringList());
  }

 private:
  QTemporaryDir dir_;
  QString pdf_;
  std::unique_ptr<GridModel> grid_;
  QStringList before_;
  std::unique_ptr<PrintPreviewDialog> preview_;
};

QTEST_MAIN(PrintPreviewTest)
#include "test_print_preview.moc"
