// The payer unit editor window: its layout, the navigator, editing in place, and the payer
// list of the records grid after the window has closed.
#include <QAbstractItemView>
#include <QHeaderView>
#include <QPointer>
#include <QTableView>
#include <QTest>

#include "test_session.h"
#include "ui/payer_editor_window.h"

using namespace korvana;
using namespace korvana::uitest;
using Nav = ui::NavigatorButton;

namespace {

ui::PayerEditorWindow* asEditor(QDialog* d) { return qobject_cast<ui::PayerEditorWindow*>(d); }

void press(ui::PayerEditorWindow* w, Nav::Symbol symbol) {
  QTest::mouseClick(w->button(symbol), Qt::LeftButton);
}

// Types `text` into cell (row, column) of the view and ends the edit with Return.
void typeIntoCell(QTableView* view, int row, int column, const QString& text) {
  const QModelIndex index = view->model()->index(row, column);
  const QPoint at = view->visualRect(index).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
  QPointer<QLineEdit> editor;  // the view deletes its editor once the edit has ended
  for (QLineEdit* e : view->viewport()->findChildren<QLineEdit*>()) {
    if (e->isVisible()) editor = e;
  }
  QVERIFY(editor);
  editor->selectAll();
  typeText(editor, text);
  QTest::keyClick(editor, Qt::Key_Return);
  QTRY_VERIFY(!editor || !editor->isVisible());
}

QString cellText(QTableView* view, int row, int column) {
  return view->model()->data(view->model()->index(row, column)).toString();
}

int markedRow(QTableView* view) {
  int marked = -1;
  for (int r = 0; r < view->model()->rowCount(); ++r) {
    if (!view->model()->headerData(r, Qt::Vertical).toString().isEmpty()) {
      if (marked != -1) return -2;  // more than one row marked
      marked = r;
    }
  }
  return marked;
}

}  // namespace

class PayerEditorWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void theWindowAndItsNavigator() {
    Session s;
    bool ran = false;
    s.whenModal(Window::PayerEditor, [&](QDialog* d) {
      ran = true;
      QCOMPARE(d->windowTitle(), q("单位编辑"));
      QCOMPARE(d->pos(), QPoint(50, 50));
      auto* view = child<QTableView>(d, "表格1");
      QVERIFY(view);
      QCOMPARE(view->geometry(), QRect(0, 0, 408, 296));
      QWidget* navigator = child<QWidget>(d, "数据源1");
      QVERIFY(navigator);
      QCOMPARE(navigator->geometry(), QRect(16, 304, 132, 22));
      for (int i = 0; i < 6; ++i) {
        QCOMPARE(asEditor(d)->button(Nav::Symbol(i))->geometry(), QRect(22 * i, 0, 22, 22));
        QCOMPARE(asEditor(d)->button(Nav::Symbol(i))->parentWidget(), navigator);
      }
      QCOMPARE(view->model()->headerData(0, Qt::Horizontal).toString(), q("单位编号"));
      QCOMPARE(view->model()->headerData(1, Qt::Horizontal).toString(), q("单位名称"));
      QCOMPARE(view->model()->rowCount(), 0);
      d->close();
    });
    s.click("按钮_付款单位管理");
    QVERIFY(ran);
  }

  void addTypeDeleteAndCloseThenThePayerListFollows() {
    Session s;
    s.addBatch("1", "100", "2");
    s.toolkit.clearShownBoxes();
    s.whenModal(Window::PayerEditor, [&](QDialog* d) {
      ui::PayerEditorWindow* w = asEditor(d);
      QTableView* view = w->view();
      for (const char* name : {"甲公司", "乙公司", "一二三四五六七八九十十一"}) {
        press(w, Nav::Add);
        const int row = view->model()->rowCount() - 1;
        QCOMPARE(markedRow(view), row);  // the new record is the current one
        typeIntoCell(view, row, 1, q(name));
      }
      typeIntoCell(view, 0, 0, q("000123"));

      // Written at once, cut to the fields' widths.
      QCOMPARE(s.recordCount("单位库"), 3);
      QCOMPARE(s.textField("单位库", 1, "单位名称"), g("甲公司"));
      QCOMPARE(s.textField("单位库", 1, "单位编号"), g("0001"));
      QCOMPARE(s.textField("单位库", 3, "单位名称"), g("一二三四五六七八九十"));
      QCOMPARE(cellText(view, 2, 1), q("一二三四五六七八九十"));
      QCOMPARE(cellText(view, 0, 0), q("0001"));

      // The navigator moves the current row, clamped at both ends.
      press(w, Nav::Last);
      QCOMPARE(markedRow(view), 2);
      press(w, Nav::Next);
      QCOMPARE(markedRow(view), 2);
      press(w, Nav::First);
      QCOMPARE(markedRow(view), 0);
      press(w, Nav::Previous);
      QCOMPARE(markedRow(view), 0);
      press(w, Nav::Next);
      QCOMPARE(markedRow(view), 1);
      QCOMPARE(view->currentIndex().row(), 1);

      // Delete takes the current record out of the file at once, without asking.
      press(w, Nav::Delete);
      QCOMPARE(s.recordCount("单位库"), 2);
      QCOMPARE(view->model()->rowCount(), 2);
      QCOMPARE(cellText(view, 1, 1), q("一二三四五六七八九十"));
      QCOMPARE(markedRow(view), 1);

      // A click in the view makes that row current.
      QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                        view->visualRect(view->model()->index(0, 1)).center());
      QCOMPARE(markedRow(view), 0);

      // The payer list changes only once the window has closed.
      QCOMPARE(s.recordsGrid().listItems(5).size(), size_t(0));
      d->close();
    });
    s.click("按钮_付款单位管理");
    QCOMPARE(s.toolkit.shownBoxes().size(), size_t(0));
    QCOMPARE(s.recordsGrid().listItems(5),
             (std::vector<std::string>{g("甲公司"), g("一二三四五六七八九十")}));
  }

  void closingTheWindowStoresTheCellBeingEdited() {
    Session s;
    s.whenModal(Window::PayerEditor, [&](QDialog* d) {
      ui::PayerEditorWindow* w = asEditor(d);
      QTableView* view = w->view();
      press(w, Nav::Add);
      const QPoint at = view->visualRect(view->model()->index(0, 1)).center();
      QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
      QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
      QLineEdit* editor = nullptr;
      for (QLineEdit* e : view->viewport()->findChildren<QLineEdit*>()) {
        if (e->isVisible()) editor = e;
      }
      QVERIFY(editor);
      editor->setFocus();
      typeText(editor, q("甲公司"));
      d->close();  // as by the title bar, with the editor still open
    });
    s.click("按钮_付款单位管理");
    QCOMPARE(s.textField("单位库", 1, "单位名称"), g("甲公司"));
    QCOMPARE(s.recordsGrid().listItems(5), (std::vector<std::string>{g("甲公司")}));
  }

  void theEditorsFailuresAndRefusals() {
    Session s;
    s.toolkit.clearShownBoxes();
    s.whenModal(Window::PayerEditor, [&](QDialog* d) {
      ui::PayerEditorWindow* w = asEditor(d);
      press(w, Nav::Delete);  // nothing to delete
      QCOMPARE(s.toolkit.shownBoxes().size(), size_t(1));
      QCOMPARE(s.toolkit.shownBoxes()[0].text, g("删除记录失败!"));
      QCOMPARE(s.toolkit.shownBoxes()[0].buttons, int(invoices::kButtonsOk));

      press(w, Nav::Add);
      typeIntoCell(w->view(), 0, 1, q("甲"));
      typeIntoCell(w->view(), 0, 1, q("B한"));
      QTRY_COMPARE(s.toolkit.shownBoxes().size(), size_t(2));
      QCOMPARE(s.toolkit.shownBoxes()[1].text, g("输入的文字含有无法保存的字符！"));
      QCOMPARE(s.textField("单位库", 1, "单位名称"), g("甲"));
      QCOMPARE(cellText(w->view(), 0, 1), q("甲"));
      d->close();
    });
    s.click("按钮_付款单位管理");
    QCOMPARE(s.recordsGrid().listItems(5), std::vector<std::string>{g("甲")});
  }
};

QTEST_MAIN(PayerEditorWindowTest)
#include "test_payer_editor_window.moc"
