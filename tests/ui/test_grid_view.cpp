// The grid views: the table model adapter under Qt's model tester, what the cells show, and
// the user's edits through the real editors with the book's handlers behind them.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDateEdit>
#include <QHeaderView>
#include <QTest>

#include "test_session.h"
#include "text/datetime.h"

using namespace korvana;
using namespace korvana::uitest;

namespace {

// The editor the view has open, if any (closed editors linger until deleted later).
template <typename T>
T* openEditor(QAbstractItemView* view) {
  for (T* editor : view->viewport()->findChildren<T*>()) {
    if (editor->isVisible()) return editor;
  }
  return nullptr;
}

void clickCell(ui::GridView* view, int row, int column) {
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cellRect(row, column).center());
}

void doubleClickCell(ui::GridView* view, int row, int column) {
  const QPoint at = view->cellRect(row, column).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class GridViewTest : public QObject {
  Q_OBJECT

 private slots:
  void theAdapterFollowsTheGridUnderTheModelTester() {
    grid::GridModel grid(27, 1, 1, 1, true);
    ui::GridTableModel model(grid);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    grid::configureRecordsGrid(grid);
    QCOMPARE(model.columnCount(), 5);  // the fixed column is the vertical header
    QCOMPARE(model.rowCount(), 26);
    grid.setRowCount(12);
    QCOMPARE(model.rowCount(), 11);
    grid.setCell(3, 1, 1, std::string("00000103"));
    grid.setCell(3, 0, 1, std::string("3"));
    grid.setCell(11, 0, 1, text::gbk("合计"));
    grid.setColumnTotal(4, 1, 10, 11);
    grid.setCell(3, 4, 1, std::string("12.5"));
    grid.setRowCount(40);
    grid.clearCells(1, 1, 39, 5);
    grid.setRowCount(3);
    grid.insertRow(std::string("x"), 2);  // in the middle: the row below moves down
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.headerData(1, Qt::Vertical).toString(), q("x"));
    grid.insertRow();
    QCOMPARE(model.rowCount(), 4);
    grid.setCell(0, 2, 1, text::gbk("已开了"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), q("已开了"));
    grid.setColumnCount(3);
    QCOMPARE(model.columnCount(), 2);

    // The statistics grid has no fixed column: every column is a model column.
    grid::GridModel stats(7, 1, 1, 0, false);
    ui::GridTableModel statsModel(stats);
    QAbstractItemModelTester statsTester(&statsModel,
                                         QAbstractItemModelTester::FailureReportingMode::QtTest);
    grid::configureStatsGrid(stats);
    for (int i = 0; i < 4; ++i) stats.insertRow();
    QCOMPARE(statsModel.rowCount(), 10);
    QCOMPARE(statsModel.columnCount(), 6);
  }

  void cellsShowTitlesMoneyAndWidthsAsConfigured() {
    Session s;
    grid::GridModel& grid = s.recordsGrid();
    ui::GridView* view = s.records();
    const int widths[] = {65, 35, 90, 70, 100};
    for (int c = 0; c < 5; ++c) QCOMPARE(view->columnWidth(c), widths[c]);
    QCOMPARE(view->verticalHeader()->width(), 30);
    QCOMPARE(view->rowHeight(0), 22);
    QCOMPARE(view->horizontalHeader()->height(), 22);
    QAbstractItemModel* model = view->model();
    QCOMPARE(model->headerData(2, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                 Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);

    grid.setCell(1, 4, 1, std::string("12.5"));
    QCOMPARE(model->data(model->index(0, 3)).toString(), q("￥12.50"));
    QCOMPARE(model->data(model->index(0, 3), Qt::EditRole).toString(), q("12.50"));
    grid.setCell(1, 4, 1, std::string("0"));
    QCOMPARE(model->data(model->index(0, 3)).toString(), QString());  // zero: empty, no sign
    grid.setCell(2, 1, 1, std::string("12.5"));
    QCOMPARE(model->data(model->index(1, 0)).toString(), q("12.5"));  // a text column: no sign

    // The statistics grid: no fixed column, never edited.
    ui::GridView* stats = s.stats();
    QVERIFY(stats->verticalHeader()->isHidden());
    QCOMPARE(stats->columnWidth(0), 55);
    QCOMPARE(stats->editTriggers(), QAbstractItemView::NoEditTriggers);
    s.statsGrid().setCell(1, 0, 1, std::string("2010-3"));
    QVERIFY(!(stats->model()->flags(stats->model()->index(0, 0)) & Qt::ItemIsEditable));
    doubleClickCell(stats, 1, 0);
    QTest::ignoreMessage(QtWarningMsg, "edit: editing failed");
    stats->edit(stats->model()->index(0, 0));
    QVERIFY(!openEditor<QWidget>(stats));
  }

  void editsThroughTheRealEditorsReachTheFileAndTheStatistics() {
    Session s;
    // Two payer units, so that the payer column offers a list.
    s.whenModal(Window::PayerEditor, [&](QDialog* d) {
      invoices::PayerEditor* editor = s.book.payerEditor();
      QVERIFY(editor);
      for (const char* name : {"甲公司", "乙公司"}) {
        editor->add();
        editor->editCell(editor->currentRow(), 1, g(name));
      }
      d->close();
    });
    s.click("按钮_付款单位管理");
    s.addBatch("1100082140", "00123401", "5");
    ui::GridView* view = s.records();
    grid::GridModel& grid = s.recordsGrid();
    auto issued = [&](int n) { return std::get<bool>(s.field("发票记录库", n, "已开")); };

    // Row 2 is locked while row 1 is not issued: a click toggles nothing, no editor opens.
    clickCell(view, 2, 2);
    QVERIFY(!grid.checkMark(2, 2));
    QVERIFY(!issued(2));
    doubleClickCell(view, 2, 3);
    QVERIFY(!openEditor<QDateEdit>(view));

    // Pick a date in row 1: stored, the row is issued, the statistics show the month.
    doubleClickCell(view, 1, 3);
    QDateEdit* date = openEditor<QDateEdit>(view);
    QVERIFY(date);
    QCOMPARE(date->displayFormat(), q("yyyy-MM-dd"));
    QVERIFY(date->calendarPopup());
    date->setDate(QDate(2010, 3, 5));
    QTest::keyClick(date, Qt::Key_Return);  // the edit ends once the key has been handled
    QTRY_COMPARE(grid.cellText(1, 3), std::string("2010-03-05"));
    QCOMPARE(std::get<store::DateTime>(s.field("发票记录库", 1, "日期")).days,
             text::makeDate(2010, 3, 5));
    QVERIFY(issued(1));
    QVERIFY(grid.checkMark(1, 2));
    QCOMPARE(s.cell(s.statsGrid(), 1, 0), std::string("2010-3"));
    QCOMPARE(s.cell(s.statsGrid(), 1, 1), std::string("00123401"));
    QCOMPARE(s.cell(s.statsGrid(), 1, 3), std::string("1"));

    // Type an amount: stored, drawn with the money sign, the totals and statistics follow.
    clickCell(view, 1, 4);
    QTest::keyClick(view, '1');  // typing on a cell opens its editor with that key
    QLineEdit* amount = openEditor<QLineEdit>(view);
    QVERIFY(amount);
    QTest::keyClicks(amount, q("2.5"));
    QTest::keyClick(amount, Qt::Key_Return);
    QTRY_VERIFY(!openEditor<QLineEdit>(view));
    QCOMPARE(std::get<float>(s.field("发票记录库", 1, "金额")), 12.5f);
    QCOMPARE(view->model()->data(view->model()->index(0, 3)).toString(), q("￥12.50"));
    QCOMPARE(s.cell(grid, 6, 4), std::string("12.50"));
    QCOMPARE(s.cell(s.statsGrid(), 1, 4), std::string("12.50"));

    // Choose a payer from the list.
    doubleClickCell(view, 1, 5);
    QComboBox* payer = openEditor<QComboBox>(view);
    QVERIFY(payer);
    QCOMPARE(payer->count(), 2);
    QTest::keyClick(payer, Qt::Key_Down);  // the first item, picked: the edit ends
    QTRY_VERIFY(!openEditor<QComboBox>(view));
    QCOMPARE(s.textField("发票记录库", 1, "付款单位"), g("甲公司"));
    QCOMPARE(grid.cellText(1, 5), g("甲公司"));

    // Row 2 is open now; unticking row 1 locks it again.
    clickCell(view, 2, 2);
    QVERIFY(issued(2));
    clickCell(view, 1, 2);
    QVERIFY(!issued(1));
    doubleClickCell(view, 2, 3);
    QVERIFY(!openEditor<QDateEdit>(view));
    QCOMPARE(s.toolkit.unansweredBoxes(), 0);
  }

  void aPayerNameCutInsideACharacterCanStillBePicked() {
    Session s;
    // 21 bytes: the name field keeps 20, ending in the first byte of a character.
    const std::string cut = g("a一二三四五六七八九十").substr(0, 20);
    s.whenModal(Window::PayerEditor, [&](QDialog* d) {
      invoices::PayerEditor* editor = s.book.payerEditor();
      QVERIFY(editor);
      editor->add();
      editor->editCell(0, 1, g("a一二三四五六七八九十"));
      d->close();
    });
    s.click("按钮_付款单位管理");
    QCOMPARE(s.recordsGrid().listItems(5), (std::vector<std::string>{cut}));
    s.addBatch("1", "100", "2");
    s.toolkit.clearShownBoxes();
    ui::GridView* view = s.records();
    doubleClickCell(view, 1, 5);
    QComboBox* payer = openEditor<QComboBox>(view);
    QVERIFY(payer);
    QTest::keyClick(payer, Qt::Key_Down);
    QTRY_VERIFY(!openEditor<QComboBox>(view));
    QCOMPARE(s.toolkit.shownBoxes().size(), size_t(0));
    QCOMPARE(s.recordsGrid().cellText(1, 5), cut);
    QCOMPARE(s.textField("发票记录库", 1, "付款单位"), cut);
  }

  void textWithoutAGbkFormIsRefusedInACell() {
    Session s;
    s.addBatch("1", "100", "2");
    ui::GridView* view = s.records();
    s.toolkit.clearShownBoxes();
    doubleClickCell(view, 1, 5);
    QComboBox* payer = openEditor<QComboBox>(view);
    QVERIFY(payer);
    typeText(payer->lineEdit(), q("A한"));
    QTest::keyClick(payer->lineEdit(), Qt::Key_Return);
    QTRY_COMPARE(s.toolkit.shownBoxes().size(), size_t(1));
    QCOMPARE(s.toolkit.shownBoxes()[0].text, g("输入的文字含有无法保存的字符！"));
    QCOMPARE(s.recordsGrid().cellText(1, 5), std::string());
    QCOMPARE(s.textField("发票记录库", 1, "付款单位"), std::string());
  }
};

QTEST_MAIN(GridViewTest)
#include "test_grid_view.moc"
