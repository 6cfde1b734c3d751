// The Qt toolkit: real message boxes, the drop-down operations, closing a window after the
// handler, web addresses, and fields that refuse text without a GBK form.
#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include "test_session.h"

using namespace korvana;
using namespace korvana::uitest;

class QtToolkitTest : public QObject {
  Q_OBJECT

 private slots:
  void messageBoxesAreShownAndAnswered_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("error");
    QTest::addColumn<QString>("press");  // a button's text, or "Escape"
    QTest::addColumn<QString>("shownCaption");
    QTest::addColumn<QStringList>("shownButtons");
    QTest::addColumn<int>("answer");
    const QStringList ok{"OK"}, yesNo{"Yes", "No"};
    QTest::newRow("OK, default caption") << 0 << "" << false << "OK" << q("信息：") << ok << 0;
    QTest::newRow("Yes") << 4 << q("删除确认") << false << "Yes" << q("删除确认") << yesNo << 5;
    QTest::newRow("No") << 4 << q("删除确认") << false << "No" << q("删除确认") << yesNo << 6;
    QTest::newRow("Escape on Yes/No") << 4 << "" << false << "Escape" << q("信息：") << yesNo << 6;
    QTest::newRow("error icon") << 0 << q("错误") << true << "OK" << q("错误") << ok << 0;
  }

  void messageBoxesAreShownAndAnswered() {
    QFETCH(int, buttons);
    QFETCH(QString, caption);
    QFETCH(bool, error);
    QFETCH(QString, press);
    QFETCH(QString, shownCaption);
    QFETCH(QStringList, shownButtons);
    QFETCH(int, answer);

    ui::QtToolkit toolkit;
    QString title, text;
    QStringList buttonTexts;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget* owner = reinterpret_cast<QWidget*>(1);
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      owner = box->parentWidget();
      QAbstractButton* target = nullptr;
      for (QAbstractButton* b : box->buttons()) {
        buttonTexts << b->text();
        if (b->text() == press) target = b;
      }
      if (target) QTest::mouseClick(target, Qt::LeftButton);
      else if (press == "Escape") QTest::keyClick(box, Qt::Key_Escape);
      else box->done(0);
    });
    const int result = toolkit.messageBox(g("是否真的删除？将不能恢复"), buttons,
                                          ui::toGbk(caption).value(),
                                          error ? invoices::Icon::Error : invoices::Icon::None);
    QCOMPARE(result, answer);
    QCOMPARE(title, shownCaption);
    QCOMPARE(text, q("是否真的删除？将不能恢复"));
    buttonTexts.sort();
    shownButtons.sort();
    QCOMPARE(buttonTexts, shownButtons);
    QCOMPARE(icon, error ? QMessageBox::Critical : QMessageBox::NoIcon);
    QCOMPARE(owner, nullptr);
    QCOMPARE(toolkit.shownBoxes().size(), size_t(1));
  }

  void theBatchListOperations() {
    Session s;
    using invoices::Window;
    const std::string list = g("组合框_当前发票");
    ui::QtToolkit& t = s.toolkit;
    QSignalSpy picked(s.batchList(), &QComboBox::activated);

    QCOMPARE(t.comboAddItem(Window::Main, list, g("甲")), 0);
    QCOMPARE(t.comboSelection(Window::Main, list), -1);  // appending selects nothing
    QCOMPARE(t.comboAddItem(Window::Main, list, g("乙")), 1);
    t.setComboSelection(Window::Main, list, 7);
    QCOMPARE(t.comboSelection(Window::Main, list), 1);
    QCOMPARE(t.comboText(Window::Main, list), g("乙"));
    t.setComboSelection(Window::Main, list, -3);
    QCOMPARE(t.comboSelection(Window::Main, list), -1);
    QCOMPARE(t.comboItemText(Window::Main, list, 5), std::string());
    QVERIFY(!t.comboDeleteItem(Window::Main, list, 2));
    QVERIFY(!t.comboDeleteItem(Window::Main, list, -1));
    QVERIFY(t.comboDeleteItem(Window::Main, list, 0));
    QCOMPARE(t.comboItemCount(Window::Main, list), 1);
    QCOMPARE(t.comboItemText(Window::Main, list, 0), g("乙"));
    QCOMPARE(picked.count(), 0);  // no operation raises the user's pick

    // An item keeps its own bytes, also a key cut inside a double-byte character.
    const std::string cut = g("服务票") + "\xC5" + "123";
    const int at = t.comboAddItem(Window::Main, list, cut);
    QCOMPARE(t.comboItemText(Window::Main, list, at), cut);
    t.setComboSelection(Window::Main, list, at);
    QCOMPARE(t.comboText(Window::Main, list), cut);

    // A window that is not open has no controls.
    QCOMPARE(t.editText(Window::AddBatch, g("编辑框_发票代码")), std::string());
    QCOMPARE(t.comboItemCount(Window::AddBatch, g("组合框_发票类型")), 0);
  }

  void closeWindowWaitsForTheRunningHandler() {
    Session s;
    bool stillOpen = false;
    s.whenModal(Window::AddBatch, [&](QDialog* d) {
      s.toolkit.closeWindow(Window::AddBatch);
      stillOpen = d->isVisible();
    });
    s.click("按钮_新增发票");
    QVERIFY(stillOpen);
    QCOMPARE(s.toolkit.window(Window::AddBatch), nullptr);
  }

  void webAddresses_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QUrl>("url");
    QTest::newRow("web") << "https://example.org/korvana" << QUrl("https://example.org/korvana");
    QTest::newRow("mail") << "mailto:help@example.org" << QUrl("mailto:help@example.org");
    QTest::newRow("local path") << q("/opt/发票/korvana-help.html")
                                << QUrl::fromLocalFile(q("/opt/发票/korvana-help.html"));
    QTest::newRow("relative path") << "help.html" << QUrl::fromLocalFile("help.html");
  }

  void webAddresses() {
    QFETCH(QString, address);
    QFETCH(QUrl, url);
    ui::QtToolkit toolkit;
    QUrl opened;
    toolkit.urlOpener = [&](const QUrl& u) { opened = u; };
    toolkit.openWebPage(ui::toGbk(address).value());
    QCOMPARE(opened, url);
  }

  void fieldsRefuseTextWithoutAGbkForm() {
    Session s;
    s.toolkit.clearShownBoxes();
    auto* type = child<QLineEdit>(s.main(), "编辑框_发票类型");
    typeText(type, q("服务票"));
    typeText(type, q("한"));
    QCOMPARE(type->text(), q("服务票"));
    QCOMPARE(s.toolkit.editText(Window::Main, g("编辑框_发票类型")), g("服务票"));
    QCOMPARE(s.toolkit.shownBoxes().size(), size_t(1));
    QCOMPARE(s.toolkit.shownBoxes()[0].text, g("输入的文字含有无法保存的字符！"));
    QCOMPARE(s.toolkit.shownBoxes()[0].caption, g("信息："));

    // The same in the add-batch window, for a pasted text.
    s.whenModal(Window::AddBatch, [&](QDialog* d) {
      auto* code = child<QLineEdit>(d, "编辑框_发票代码");
      QTest::keyClicks(code, q("11"));
      code->insert(q("22한"));
      QCOMPARE(code->text(), q("11"));
      QCOMPARE(s.toolkit.shownBoxes().size(), size_t(2));
      // The number fields take no pasted text other than digits and "-".
      auto* start = child<QLineEdit>(d, "编辑框_起编号");
      start->insert(q("号123"));
      QCOMPARE(start->text(), QString());
      start->insert(q("00-12"));
      QCOMPARE(start->text(), q("00-12"));
      d->close();
    });
    s.click("按钮_新增发票");
  }
};

QTEST_MAIN(QtToolkitTest)
#include "test_qt_toolkit.moc"
