// Bad input through the windows' own fields and cells: text with no GBK form, over-long texts,
// pasted control characters, line breaks and NUL characters. Each is refused (the field keeps
// its text and the user is told) or stored as the program stores texts, cut to the field;
// nothing crashes, and no record is ever written in part: every byte of the table files
// outside the one field that took the input stays as it was. Input the disk refuses to take
// is told once, in a real message box, while the cell's editor closes.
#include <QClipboard>
#include <QDateEdit>
#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QTableView>
#include <QTest>

#include <QMessageBox>

#include "support/fault_file_system.h"
#include "test_session.h"
#include "ui/payer_editor_window.h"

using namespace korvana;
using namespace korvana::uitest;

namespace {

const QString kNoGbk = QString::fromUtf8("A\xF0\x9F\x98\x80\xED\x95\x9C");  // A, an emoji, a Hangul syllable
const QString kControls = QStringLiteral("a\tb\r\nc") + QChar(0x01) + QChar(0x1b) + QStringLiteral("d");
const QString kWithNul = QStringLiteral("x") + QChar(0) + QStringLiteral("y");

// Pastes as the field's context menu does (a text field), or with the paste key.
void paste(QWidget* field, const QString& text) {
  QGuiApplication::clipboard()->setText(text);
  if (auto* edit = qobject_cast<QLineEdit*>(field)) {
    edit->paste();
  } else {
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
  }
}

QByteArray fileBytes(const Session& s, const char* name) {
  QFile f(s.path(name));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The three table files; `except` blanks one field of one record (data start, record size,
// record, field offset, width) so that the rest can be compared.
struct Files {
  QByteArray payers, batches, records;
  bool operator==(const Files&) const = default;
};
Files files(const Session& s) {
  return {fileBytes(s, "单位库.EDB"), fileBytes(s, "发票管理库.EDB"), fileBytes(s, "发票记录库.EDB")};
}
QByteArray without(QByteArray bytes, int dataStart, int recordSize, int record, int offset, int width) {
  bytes.replace(dataStart + record * recordSize + offset, width, QByteArray(width, '\0'));
  return bytes;
}

// The editor a view has open, if any.
template <typename T>
T* openEditor(QAbstractItemView* view) {
  for (T* editor : view->viewport()->findChildren<T*>()) {
    if (editor->isVisible()) return editor;
  }
  return nullptr;
}

void openCell(QAbstractItemView* view, const QModelIndex& index) {
  const QPoint at = view->visualRect(index).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

// Opens the cell's text editor, pastes `text` over its content and ends the edit with Return.
void pasteIntoCell(QAbstractItemView* view, const QModelIndex& index, const QString& text) {
  openCell(view, index);
  QLineEdit* editor = openEditor<QLineEdit>(view);
  QVERIFY(editor);
  QPointer<QLineEdit> guard(editor);  // the view deletes its editor once the edit has ended
  editor->selectAll();
  paste(editor, text);
  QTest::keyClick(editor, Qt::Key_Return);
  QTRY_VERIFY(!guard || !guard->isVisible());
}

size_t boxes(const Session& s) { return s.toolkit.shownBoxes().size(); }
std::string lastBox(const Session& s) {
  return s.toolkit.shownBoxes().empty() ? std::string() : s.toolkit.shownBoxes().back().text;
}

}  // namespace

class BadInputTest : public QObject {
  Q_OBJECT

 private slots:
  // The main window's two fields the user can type into are never stored.
  void theMainWindowsFieldsStoreNothing() {
    Session s;
    s.addBatch("1", "00000101", "3");
    const Files before = files(s);
    for (QLineEdit* field : {s.batchList()->lineEdit(), child<QLineEdit>(s.main(), "编辑框_发票类型")}) {
      field->setFocus();
      field->setText(q("服务票"));
      const size_t shown = boxes(s);
      paste(field, kNoGbk);
      QCOMPARE(field->text(), q("服务票"));  // refused: the earlier text stays
      QCOMPARE(boxes(s), shown + 1);
      QCOMPARE(lastBox(s), g("输入的文字含有无法保存的字符！"));
      for (const QString& text : {kControls, kWithNul, QString(5000, QChar('x'))}) {
        field->selectAll();
        paste(field, text);
        QTest::keyClick(field, Qt::Key_Return);
      }
    }
    QCOMPARE(s.batchList()->count(), 1);
    QVERIFY(files(s) == before);
  }

  // The add-batch window: refused with its message, or stored whole with the texts cut to
  // their fields.
  void theAddBatchWindowRefusesOrStoresWhole() {
    Session s;
    struct Case {
      const char* what;
      QString type, code, start, count;  // pasted into the fields
      const char* refusal;               // nullptr: stored
    };
    const Case cases[] = {
        {"a type of 11 bytes", q("服务票服务x"), q("1"), q("101"), q("2"), "发票类型不能超过10个字节！"},
        {"a NUL in the code", q("服务票"), kWithNul, q("201"), q("2"), "输入的文字含有无法保存的字符！"},
        {"a NUL in the type", kWithNul, q("1"), q("301"), q("2"), "输入的文字含有无法保存的字符！"},
        {"a count past the int range", q("服务票"), q("1"), q("401"), q("99999999999"),
         "发票份数必须在1到1000之间！"},
        {"line breaks and control characters", q("a\nb\tc"), kControls, q("501"), q("2"), nullptr},
        {"a code of 300 characters", q("销售票"), QString(300, QChar('9')), q("601"), q("2"), nullptr},
    };
    int batches = 0;
    for (const Case& c : cases) {
      const Files before = files(s);
      size_t afterPastes = 0;
      s.whenModal(Window::AddBatch, [&](QDialog* d) {
        auto* type = child<QComboBox>(d, "组合框_发票类型");
        auto* code = child<QLineEdit>(d, "编辑框_发票代码");
        auto* start = child<QLineEdit>(d, "编辑框_起编号");
        auto* count = child<QLineEdit>(d, "编辑框_发票份数");
        // Text with no GBK form is refused in every field as it arrives: the text fields say
        // so; the number boxes refuse it as any other text that is not a number.
        for (QLineEdit* field : {type->lineEdit(), code, start, count}) {
          field->setFocus();
          field->selectAll();
          const QString earlier = field->text();
          const size_t before = boxes(s);
          paste(field, kNoGbk);
          QVERIFY2(field->text() == earlier, c.what);
          if (field == type->lineEdit() || field == code || boxes(s) != before) {
            QCOMPARE(boxes(s), before + 1);
            QCOMPARE(lastBox(s), g("输入的文字含有无法保存的字符！"));
          }
        }
        afterPastes = boxes(s);
        type->lineEdit()->selectAll();
        paste(type->lineEdit(), c.type);
        code->selectAll();
        paste(code, c.code);
        start->selectAll();
        paste(start, c.start);
        count->setFocus();
        count->selectAll();
        paste(count, c.count);
        s.click("按钮_确定", d);
        if (d->isVisible()) s.click("按钮_取消", d);
      });
      s.click("按钮_新增发票");
      QTRY_VERIFY(!s.toolkit.window(Window::AddBatch));
      if (c.refusal) {
        QCOMPARE(boxes(s), afterPastes + 1);
        QVERIFY2(lastBox(s) == g(c.refusal), c.what);
        QVERIFY2(files(s) == before, c.what);
        continue;
      }
      ++batches;
      QCOMPARE(boxes(s), afterPastes);
      QCOMPARE(s.batchList()->count(), batches);
      QCOMPARE(s.recordCount("发票管理库"), batches);
      QCOMPARE(s.recordCount("发票记录库"), 2 * batches);
      const std::string code = ui::toGbk(c.code).value();
      QVERIFY2(s.textField("发票管理库", batches, "发票代码") == code.substr(0, 15), c.what);
      QVERIFY2(s.textField("发票管理库", batches, "发票类型") == ui::toGbk(c.type).value(), c.what);
      // The list item is the stored key, and the batch shows its two invoices.
      QCOMPARE(ui::toGbk(s.batchList()->itemText(batches - 1)).value(),
               s.textField("发票管理库", batches, "发票编号"));
      QCOMPARE(s.records()->model()->rowCount(), 3);
    }
  }

  // The records grid's cells: text with no GBK form is refused and stores nothing; any other
  // text is stored as the cell made it, cut to the field, in the one field of the one record.
  void theRecordsGridCellsStoreOneFieldOrNothing() {
    Session s;
    s.addBatch("1", "00000101", "3");
    ui::GridView* view = s.records();
    QAbstractItemModel* model = view->model();
    const int dataStart = 548, recordSize = 62;
    struct Field {
      int column;  // model column (the grid's column - 1)
      int offset, width;
    };
    const Field amount{3, 37, 4}, payer{4, 41, 20};
    struct Case {
      Field field;
      QString text;
      const char* refusal;  // the message of an edit that stores nothing, else nullptr
    };
    const char* const unsavable = "输入的文字含有无法保存的字符！";
    const char* const tooLarge = "金额超出范围，未保存！";
    const Case cases[] = {
        {amount, kNoGbk, unsavable},       {amount, kControls, nullptr},
        {amount, q("1e39"), tooLarge},     {amount, QString(3000, QChar('7')), nullptr},
        {payer, kNoGbk, unsavable},        {payer, kControls, nullptr},
        {payer, kWithNul, nullptr},        {payer, QString(300, QChar(0x4E00)), nullptr},
    };
    for (const Case& c : cases) {
      const Files before = files(s);
      const size_t shown = boxes(s);
      pasteIntoCell(view, model->index(0, c.field.column), c.text);
      if (QTest::currentTestFailed()) return;
      const Files after = files(s);
      QCOMPARE(after.payers, before.payers);
      QCOMPARE(after.batches, before.batches);
      if (c.refusal) {
        QTRY_COMPARE(boxes(s), shown + 1);
        QCOMPARE(lastBox(s), g(c.refusal));
        QVERIFY(after.records == before.records);
        continue;
      }
      QCOMPARE(boxes(s), shown);
      QCOMPARE(without(after.records, dataStart, recordSize, 0, c.field.offset, c.field.width),
               without(before.records, dataStart, recordSize, 0, c.field.offset, c.field.width));
      if (c.field.column == payer.column) {
        const std::string gbk = ui::toGbk(c.text).value();
        const std::string stored = s.textField("发票记录库", 1, "付款单位");
        QCOMPARE(stored, gbk.substr(0, std::min<size_t>(20, gbk.find('\0'))));
      }
    }
    // A date can only be picked whole; pasted text makes no other date.
    openCell(view, model->index(0, 2));
    QDateEdit* date = openEditor<QDateEdit>(view);
    QVERIFY(date);
    date->setDate(QDate(2010, 3, 5));
    paste(date, kControls);
    QTest::keyClick(date, Qt::Key_Return);
    QTRY_VERIFY(!openEditor<QDateEdit>(view));
    QVERIFY(std::get<store::DateTime>(s.field("发票记录库", 1, "日期")).days > 40000);
  }

  // The payer unit editor's cells: refused, or cut to the field's width.
  void thePayerUnitCellsStoreOneFieldOrNothing() {
    Session s;
    s.whenModal(Window::PayerEditor, [&](QDialog* d) {
      auto* w = qobject_cast<ui::PayerEditorWindow*>(d);
      QVERIFY(w);
      QTest::mouseClick(w->button(ui::NavigatorButton::Add), Qt::LeftButton);
      QTableView* view = w->view();
      struct Case {
        int column, width;
        QString text;
        bool refused;
      };
      const Case cases[] = {
          {0, 4, kNoGbk, true},   {1, 20, kNoGbk, true},   {0, 4, q("123456"), false},
          {1, 20, kControls, false}, {1, 20, kWithNul, false}, {1, 20, QString(300, QChar(0x4E00)), false},
      };
      for (const Case& c : cases) {
        const QByteArray before = fileBytes(s, "单位库.EDB");
        const size_t shown = boxes(s);
        pasteIntoCell(view, view->model()->index(0, c.column), c.text);
        if (QTest::currentTestFailed()) return;
        const QByteArray after = fileBytes(s, "单位库.EDB");
        if (c.refused) {
          QTRY_COMPARE(boxes(s), shown + 1);
          QCOMPARE(lastBox(s), g("输入的文字含有无法保存的字符！"));
          QCOMPARE(after, before);
          continue;
        }
        const int offset = c.column == 0 ? 4 : 8;
        QCOMPARE(without(after, 260, 28, 0, offset, c.width), without(before, 260, 28, 0, offset, c.width));
        const std::string gbk = ui::toGbk(c.text).value();
        const std::string stored = after.mid(260 + offset, c.width).toStdString();
        QCOMPARE(stored.substr(0, stored.find('\0')), gbk.substr(0, std::min<size_t>(c.width, gbk.find('\0'))));
      }
      d->close();
    });
    s.click("按钮_付款单位管理");
  }

  // A cell edit whose write fails (the disk is full): one real message box names the table and
  // the error while the editor closes, and the cell shows again what the table holds.
  void aCellEditTheDiskRefusesIsToldOnce() {
    QTemporaryDir dir;
    testing::FaultFileSystem disk;
    ui::QtToolkit toolkit;
    invoices::InvoiceBook book(toolkit, disk);
    toolkit.setBook(&book);
    ui::MainWindow window(book, toolkit);
    toolkit.setMainWindow(&window);
    window.show();
    toolkit.queueAnswer(invoices::kAnswerOk);  // the start's box
    QVERIFY(book.startUp(text::gbk(dir.path().toStdString())));
    toolkit.setUnattended(true);
    QObject::connect(&toolkit, &ui::QtToolkit::modalShown, [](Window, QDialog* d) {
      QTimer::singleShot(0, d, [d] {
        QTest::keyClicks(child<QLineEdit>(d, "编辑框_发票代码"), q("1"));
        QTest::keyClicks(child<QLineEdit>(d, "编辑框_起编号"), q("101"));
        QTest::keyClicks(child<QLineEdit>(d, "编辑框_发票份数"), q("3"));
        QTest::mouseClick(child<QPushButton>(d, "按钮_确定"), Qt::LeftButton);
      });
    });
    QTest::mouseClick(child<QPushButton>(&window, "按钮_新增发票"), Qt::LeftButton);
    QCOMPARE(book.recordsGrid().rowCount(), 5);

    // From here on every box is shown for real and closed as soon as it is up.
    toolkit.setUnattended(false);
    int closed = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        box->accept();
        ++closed;
      }
    });
    closer.start(20);
    ui::GridView* view = window.recordsView();
    openCell(view, view->gridModel()->indexOf(1, 4));
    QPointer<QLineEdit> editor = openEditor<QLineEdit>(view);
    QVERIFY(editor);
    editor->setText(q("12.5"));
    disk.failWrite(1, -14, true);
    const size_t before = toolkit.shownBoxes().size();
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!editor || !editor->isVisible());
    QTRY_COMPARE(closed, 1);
    QTest::qWait(100);  // no second box follows
    QCOMPARE(toolkit.shownBoxes().size(), before + 1);
    QCOMPARE(toolkit.shownBoxes().back().text, g("保存失败：发票记录库\n磁盘空间不够"));
    QCOMPARE(toolkit.shownBoxes().back().icon, invoices::Icon::Error);
    QCOMPARE(book.recordsGrid().cellText(1, 4), std::string());
    disk.clearFaults();
  }
};

QTEST_MAIN(BadInputTest)
#include "test_bad_input.moc"
