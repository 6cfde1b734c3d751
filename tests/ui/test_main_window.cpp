// The main window and the add-batch window driven through their widgets: start-up in an empty
// folder, the controls' places, adding, choosing and deleting batches.
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include "test_session.h"

using namespace korvana;
using namespace korvana::uitest;

namespace {

struct Control {
  const char* name;
  const char* parent;  // nullptr: the window itself
  QRect geometry;
  const char* caption;  // label, button or group caption; nullptr when there is none
};

const Control kMainControls[] = {
    {"标签8", nullptr, {27, 10, 59, 24}, "发票列表："},
    {"组合框_当前发票", nullptr, {88, 11, 150, 20}, nullptr},
    {"分组框1", nullptr, {25, 43, 215, 174}, "当前发票"},
    {"标签4", "分组框1", {10, 22, 62, 24}, "发票类型："},
    {"编辑框_发票类型", "分组框1", {74, 19, 103, 24}, nullptr},
    {"标签3", "分组框1", {10, 61, 56, 24}, "发票代码："},
    {"编辑框_发票代码", "分组框1", {74, 59, 103, 24}, nullptr},
    {"标签2", "分组框1", {10, 100, 56, 24}, "起 编 号："},
    {"编辑框_起编号", "分组框1", {74, 99, 103, 24}, nullptr},
    {"标签1", "分组框1", {10, 139, 56, 24}, "发票份数："},
    {"编辑框_发票份数", "分组框1", {74, 139, 103, 24}, nullptr},
    {"按钮_新增发票", nullptr, {40, 224, 69, 32}, "新增发票"},
    {"按钮_删除发票", nullptr, {144, 224, 66, 32}, "删除发票"},
    {"标签_发票类型1", nullptr, {20, 276, 102, 24}, "Korvana"},
    {"按钮_打印", nullptr, {152, 277, 50, 24}, "打印"},
    {"按钮_帮助", nullptr, {223, 277, 50, 24}, "帮助"},
    {"高级表格_票统", nullptr, {0, 307, 354, 330}, nullptr},
    {"标签_发票类型", nullptr, {376, 7, 90, 24}, "发票记录："},
    {"按钮_付款单位管理", nullptr, {562, 5, 90, 24}, "付款单位管理"},
    {"高级表格_票据", nullptr, {354, 34, 414, 603}, nullptr},
};

const Control kAddBatchControls[] = {
    {"标签4", nullptr, {11, 13, 62, 24}, "发票类型："},
    {"组合框_发票类型", nullptr, {75, 13, 88, 20}, nullptr},
    {"标签3", nullptr, {188, 10, 56, 24}, "发票代码："},
    {"编辑框_发票代码", nullptr, {251, 8, 93, 24}, nullptr},
    {"标签2", nullptr, {12, 48, 56, 24}, "起 编 号："},
    {"编辑框_起编号", nullptr, {75, 48, 93, 24}, nullptr},
    {"标签1", nullptr, {188, 47, 56, 24}, "发票份数："},
    {"编辑框_发票份数", nullptr, {251, 47, 93, 24}, nullptr},
    {"按钮_确定", nullptr, {60, 90, 80, 32}, "确定"},
    {"按钮_取消", nullptr, {208, 88, 80, 32}, "取消"},
};

// Every control is where the window places it, named and captioned as the program names it.
void checkControls(QWidget* window, const Control* begin, const Control* end) {
  for (const Control* c = begin; c != end; ++c) {
    QWidget* w = child<QWidget>(window, c->name);
    QVERIFY2(w, c->name);
    QWidget* expectedParent = c->parent ? child<QWidget>(window, c->parent) : window;
    QCOMPARE(w->parentWidget(), expectedParent);
    QCOMPARE(w->geometry(), c->geometry);
    if (!c->caption) continue;
    QString caption;
    if (auto* label = qobject_cast<QLabel*>(w)) caption = label->text();
    if (auto* button = qobject_cast<QPushButton*>(w)) caption = button->text();
    if (auto* group = qobject_cast<QGroupBox*>(w)) caption = group->title();
    QCOMPARE(caption, q(c->caption));
  }
}

std::vector<std::string> messageTexts(const ui::QtToolkit& toolkit) {
  std::vector<std::string> texts;
  for (const auto& box : toolkit.shownBoxes()) texts.push_back(box.text);
  return texts;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void firstStartInAnEmptyFolder() {
    Session s;
    QVERIFY(s.started);
    QCOMPARE(s.toolkit.shownBoxes().size(), size_t(1));
    const auto& box = s.toolkit.shownBoxes()[0];
    QCOMPARE(box.text, g("请添加新的发票！"));
    QCOMPARE(box.buttons, int(invoices::kButtonsOk));
    QCOMPARE(box.caption, g("信息："));
    QCOMPARE(s.toolkit.unansweredBoxes(), 0);
    // The three table files (names matched without regard to letter case).
    QStringList files = QDir(s.dir.path()).entryList(QDir::Files, QDir::Name);
    for (QString& f : files) f = f.toLower();
    QCOMPARE(files, (QStringList{q("单位库.edb"), q("发票管理库.edb"), q("发票记录库.edb")}));
    QCOMPARE(s.batchList()->count(), 0);
    QCOMPARE(s.batchList()->currentIndex(), -1);
    for (const char* name : {"编辑框_发票类型", "编辑框_发票代码", "编辑框_起编号", "编辑框_发票份数"}) {
      QCOMPARE(s.edit(name), QString());
    }
    // Both grids show their titles above empty rows.
    QAbstractItemModel* records = s.records()->model();
    QCOMPARE(records->headerData(0, Qt::Horizontal).toString(), q("票号"));
    QCOMPARE(records->headerData(4, Qt::Horizontal).toString(), q("付款单位"));
    QCOMPARE(s.stats()->model()->headerData(0, Qt::Horizontal).toString(), q("月份"));
    QCOMPARE(records->data(records->index(0, 0)).toString(), QString());
  }

  void theWindowsPlaceTheirControls() {
    Session s;
    QCOMPARE(s.main()->windowTitle(), q("Korvana 1.2"));
    QCOMPARE(s.main()->size(), QSize(768, 638));
    checkControls(s.main(), std::begin(kMainControls), std::end(kMainControls));
    QVERIFY(!child<QLineEdit>(s.main(), "编辑框_发票类型")->isReadOnly());
    for (const char* name : {"编辑框_发票代码", "编辑框_起编号", "编辑框_发票份数"}) {
      QVERIFY2(child<QLineEdit>(s.main(), name)->isReadOnly(), name);
    }
    QVERIFY(s.batchList()->isEditable());

    bool ran = false;
    s.whenModal(Window::AddBatch, [&](QDialog* d) {
      ran = true;
      QCOMPARE(d->windowTitle(), q("新增发票"));
      QCOMPARE(d->pos(), QPoint(50, 50));
      checkControls(d, std::begin(kAddBatchControls), std::end(kAddBatchControls));
      auto* type = child<QComboBox>(d, "组合框_发票类型");
      QVERIFY(type->isEditable());
      QCOMPARE(type->count(), 2);
      QCOMPARE(type->itemText(0), q("服务票"));
      QCOMPARE(type->itemText(1), q("销售票"));
      QCOMPARE(type->currentIndex(), 0);
      QCOMPARE(type->currentText(), q("服务票"));
      for (const char* name : {"编辑框_发票代码", "编辑框_起编号", "编辑框_发票份数"}) {
        QCOMPARE(child<QLineEdit>(d, name)->text(), QString());
      }
      d->close();
    });
    s.click("按钮_新增发票");
    QVERIFY(ran);
  }

  void addingABatchThroughTheDialog() {
    Session s;
    s.toolkit.clearShownBoxes();
    s.addBatch("1100082140", "00123401", "50");

    QCOMPARE(s.toolkit.shownBoxes().size(), size_t(0));
    QCOMPARE(s.toolkit.window(Window::AddBatch), nullptr);  // closed and gone
    QCOMPARE(s.batchList()->count(), 1);
    QCOMPARE(s.batchList()->itemText(0), q("服务票3401"));
    QCOMPARE(s.batchList()->currentIndex(), 0);
    QCOMPARE(s.edit("编辑框_发票类型"), q("服务票"));
    QCOMPARE(s.edit("编辑框_发票代码"), q("1100082140"));
    QCOMPARE(s.edit("编辑框_起编号"), q("00123401"));
    QCOMPARE(s.edit("编辑框_发票份数"), q("50"));

    // The records grid: 50 invoice rows and the totals row below the titles.
    QAbstractItemModel* records = s.records()->model();
    QCOMPARE(records->rowCount(), 51);
    QCOMPARE(records->headerData(0, Qt::Vertical).toString(), q("1"));
    QCOMPARE(records->data(records->index(0, 0)).toString(), q("00123401"));
    QCOMPARE(records->data(records->index(49, 0)).toString(), q("00123450"));
    QCOMPARE(records->headerData(50, Qt::Vertical).toString(), q("合计"));

    // The files: one batch row and its 50 invoice records.
    QCOMPARE(s.recordCount("发票管理库"), 1);
    QCOMPARE(s.textField("发票管理库", 1, "发票编号"), g("服务票3401"));
    QCOMPARE(s.textField("发票管理库", 1, "发票代码"), g("1100082140"));
    QCOMPARE(s.recordCount("发票记录库"), 50);
    QCOMPARE(s.textField("发票记录库", 50, "发票号码"), g("00123450"));
    QCOMPARE(s.textField("发票记录库", 50, "发票编号"), g("服务票3401"));
  }

  void theAddBatchWindowChecksItsInput() {
    Session s;
    s.toolkit.clearShownBoxes();
    s.whenModal(Window::AddBatch, [&](QDialog* d) {
      d->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(d));
      auto* code = child<QLineEdit>(d, "编辑框_发票代码");
      auto* start = child<QLineEdit>(d, "编辑框_起编号");
      auto* count = child<QLineEdit>(d, "编辑框_发票份数");

      s.click("按钮_确定", d);
      QCOMPARE(messageTexts(s.toolkit).back(), g("请输入发票始编号！"));

      // Only digits and "-" can be typed into the number boxes.
      QTest::keyClicks(start, q("12ab-3x"));
      QCOMPARE(start->text(), q("12-3"));
      start->clear();
      QTest::keyClicks(start, q("00123401"));

      // A count of 0 empties the box as the focus leaves it for the button.
      count->setFocus();
      QTest::keyClicks(count, q("0"));
      s.click("按钮_确定", d);
      QCOMPARE(count->text(), QString());
      QCOMPARE(messageTexts(s.toolkit).back(), g("请输入发票止编号！"));

      count->setFocus();
      QTest::keyClicks(count, q("007"));
      code->setFocus();
      QCOMPARE(count->text(), q("7"));
      s.click("按钮_确定", d);
      QCOMPARE(messageTexts(s.toolkit).back(), g("请输入发票代码！"));
      QCOMPARE(s.toolkit.shownBoxes().size(), size_t(3));
      QVERIFY(d->isVisible());  // the window stays open with everything entered
      QCOMPARE(start->text(), q("00123401"));
      d->close();
    });
    s.click("按钮_新增发票");
    QCOMPARE(s.recordCount("发票管理库"), 0);
    QCOMPARE(s.batchList()->count(), 0);
  }

  void leavingTheAddBatchWindowStoresNothing_data() {
    QTest::addColumn<bool>("byTitleBar");
    QTest::newRow("取消") << false;
    QTest::newRow("title bar") << true;
  }

  void leavingTheAddBatchWindowStoresNothing() {
    QFETCH(bool, byTitleBar);
    Session s;
    s.addBatch("1100082140", "00123401", "3");
    s.whenModal(Window::AddBatch, [&](QDialog* d) {
      QTest::keyClicks(child<QLineEdit>(d, "编辑框_发票代码"), q("999"));
      QTest::keyClicks(child<QLineEdit>(d, "编辑框_起编号"), q("500"));
      QTest::keyClicks(child<QLineEdit>(d, "编辑框_发票份数"), q("5"));
      if (byTitleBar) d->close();
      else s.click("按钮_取消", d);
    });
    s.click("按钮_新增发票");
    QCOMPARE(s.batchList()->count(), 1);
    QCOMPARE(s.recordCount("发票管理库"), 1);
    QCOMPARE(s.recordCount("发票记录库"), 3);
    QCOMPARE(s.edit("编辑框_发票代码"), q("1100082140"));
  }

  void pickingABatchShowsIt_typingDoesNot() {
    Session s;
    s.addBatch("111", "00123401", "3");
    s.whenModal(Window::AddBatch, [&](QDialog* d) {
      QTest::keyClick(child<QComboBox>(d, "组合框_发票类型"), Qt::Key_Down);  // 销售票
      QTest::keyClicks(child<QLineEdit>(d, "编辑框_发票代码"), q("222"));
      QTest::keyClicks(child<QLineEdit>(d, "编辑框_起编号"), q("12"));
      QTest::keyClicks(child<QLineEdit>(d, "编辑框_发票份数"), q("2"));
      s.click("按钮_确定", d);
    });
    s.click("按钮_新增发票");
    QComboBox* list = s.batchList();
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(1), q("销售票12"));
    QCOMPARE(list->currentIndex(), 1);
    QCOMPARE(s.edit("编辑框_发票代码"), q("222"));

    // Typing the other batch's key into the list's text field changes nothing.
    list->lineEdit()->selectAll();
    typeText(list->lineEdit(), q("服务票3401"));
    QTest::keyClick(list->lineEdit(), Qt::Key_Return);
    emit list->lineEdit()->editingFinished();
    QCOMPARE(list->currentIndex(), 1);
    QCOMPARE(s.edit("编辑框_发票代码"), q("222"));
    QCOMPARE(list->count(), 2);

    // Picking the first item shows its batch and its months.
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(s.edit("编辑框_发票代码"), q("111"));
    QCOMPARE(s.edit("编辑框_发票份数"), q("3"));
    QCOMPARE(s.records()->model()->rowCount(), 4);
  }

  void deletingAsksFirst() {
    Session s;
    s.addBatch("111", "00123401", "3");
    s.addBatch("222", "00555501", "2");
    s.toolkit.clearShownBoxes();

    s.toolkit.queueAnswer(invoices::kAnswerNo);
    s.click("按钮_删除发票");
    QCOMPARE(s.toolkit.shownBoxes().size(), size_t(1));
    const auto& ask = s.toolkit.shownBoxes()[0];
    QCOMPARE(ask.text, g("是否真的删除？将不能恢复"));
    QCOMPARE(ask.caption, g("删除确认"));
    QCOMPARE(ask.buttons, int(invoices::kButtonsYesNo));
    QCOMPARE(s.batchList()->count(), 2);
    QCOMPARE(s.recordCount("发票管理库"), 2);
    QCOMPARE(s.recordCount("发票记录库"), 5);

    s.toolkit.queueAnswer(invoices::kAnswerYes);
    s.click("按钮_删除发票");
    QCOMPARE(s.batchList()->count(), 1);
    QCOMPARE(s.batchList()->currentIndex(), 0);
    QCOMPARE(s.edit("编辑框_发票代码"), q("111"));
    QCOMPARE(s.recordCount("发票管理库"), 1);
    QCOMPARE(s.recordCount("发票记录库"), 3);
    QCOMPARE(s.textField("发票记录库", 3, "发票号码"), g("00123403"));

    s.toolkit.queueAnswer(invoices::kAnswerYes);
    s.toolkit.queueAnswer(invoices::kAnswerOk);
    s.click("按钮_删除发票");
    QCOMPARE(messageTexts(s.toolkit).back(), g("请添加发票！"));
    QCOMPARE(s.batchList()->count(), 0);
    QCOMPARE(s.batchList()->currentIndex(), -1);
    QCOMPARE(s.recordCount("发票管理库"), 0);
    QCOMPARE(s.recordCount("发票记录库"), 0);
    for (const char* name : {"编辑框_发票类型", "编辑框_发票代码", "编辑框_起编号", "编辑框_发票份数"}) {
      QCOMPARE(s.edit(name), QString());
    }
    QCOMPARE(s.toolkit.unansweredBoxes(), 0);
  }

  void printAndHelp() {
    Session s;
    QUrl opened;
    s.toolkit.urlOpener = [&](const QUrl& url) { opened = url; };
    s.click("按钮_帮助");
    QVERIFY(opened.isLocalFile());
    QCOMPARE(opened.toLocalFile(), s.dir.filePath(q("korvana-help.html")));

    QString previewTitle;
    QTimer::singleShot(0, [&] {
      QWidget* preview = QApplication::activeModalWidget();
      if (!preview) return;
      previewTitle = preview->windowTitle();
      preview->close();
    });
    s.click("按钮_打印");
    QCOMPARE(previewTitle, q("打印预览"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
