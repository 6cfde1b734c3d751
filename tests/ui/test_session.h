#pragma once
// What the user-interface tests share: a program started in its own empty folder (the real
// toolkit, book and main window), lookups of controls by name, GBK helpers and a way to act
// inside a modal window while its event loop runs.
#include <functional>
#include <memory>
#include <string>

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "invoices/invoice_book.h"
#include "store/table_store.h"
#include "text/gbk.h"
#include "ui/grid_view.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/qt_toolkit.h"

namespace korvana::uitest {

using invoices::Window;

inline QString q(const char* utf8) { return QString::fromUtf8(utf8); }
inline std::string g(const char* utf8) { return text::gbk(utf8); }

// Types a text key by key; characters beyond ASCII arrive as keys carrying their text, as an
// input method delivers them.
inline void typeText(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(widget, static_cast<char>(c.unicode()));
    } else {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

template <typename T>
T* child(QWidget* window, const char* name) {
  return window ? window->findChild<T*>(q(name)) : nullptr;
}

// A started program in a fresh folder. Message boxes never wait for a person: each one is
// answered from the toolkit's queue, and one with no queued answer is counted as unanswered.
struct Session {
  QTemporaryDir dir;
  ui::QtToolkit toolkit;
  invoices::InvoiceBook book{toolkit};
  std::unique_ptr<ui::MainWindow> window;
  bool started = false;

  // Starts the program; `answers` are queued before start-up (its message, if any).
  explicit Session(std::initializer_list<int> answers = {invoices::kAnswerOk}) {
    toolkit.setUnattended(true);
    toolkit.setBook(&book);
    toolkit.urlOpener = [](const QUrl&) {};
    window = std::make_unique<ui::MainWindow>(book, toolkit);
    toolkit.setMainWindow(window.get());
    window->show();
    for (int a : answers) toolkit.queueAnswer(a);
    started = book.startUp(text::gbk(dir.path().toStdString()));
  }

  QWidget* main() const { return window.get(); }
  QString path(const char* utf8Name) const { return dir.filePath(q(utf8Name)); }

  QComboBox* batchList() const { return child<QComboBox>(main(), "组合框_当前发票"); }
  QString edit(const char* name) const { return child<QLineEdit>(main(), name)->text(); }
  ui::GridView* records() const { return window->recordsView(); }
  ui::GridView* stats() const { return window->statsView(); }
  grid::GridModel& recordsGrid() { return book.recordsGrid(); }
  grid::GridModel& statsGrid() { return book.statsGrid(); }

  void click(const char* buttonName, QWidget* in = nullptr) {
    QPushButton* button = child<QPushButton>(in ? in : main(), buttonName);
    QVERIFY2(button, buttonName);
    QTest::mouseClick(button, Qt::LeftButton);
  }

  // Runs `script` inside the modal window `which` once it is up. If the script leaves the
  // window open it is closed afterwards and the test fails, so a test never hangs on it.
  void whenModal(Window which, std::function<void(QDialog*)> script) {
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(
        &toolkit, &ui::QtToolkit::modalShown,
        [this, which, script, connection](Window shown, QDialog* dialog) {
          if (shown != which) return;
          QObject::disconnect(*connection);
          QTimer::singleShot(0, dialog, [this, which, script, dialog] {
            script(dialog);
            QTimer::singleShot(50, dialog, [this, which, dialog] {
              if (!dialog->isVisible() || toolkit.window(which) != dialog) return;
              dialog->reject();
              QFAIL("the modal window was left open");
            });
          });
        });
  }

  // The records of a table, read from its file through the book's store.
  int recordCount(const char* table) {
    store::TableStore& db = book.store();
    if (!db.selectTable(g(table))) return -1;
    return db.recordCount();
  }
  // A field of the n-th record (1-based) of a table.
  store::FieldValue field(const char* table, int n, const char* name) {
    store::TableStore& db = book.store();
    db.selectTable(g(table));
    db.goToRecord(n);
    return db.readField(g(name));
  }
  std::string textField(const char* table, int n, const char* name) {
    store::FieldValue v = field(table, n, name);
    auto* s = std::get_if<std::string>(&v);
    return s ? *s : std::string("<not text>");
  }

  std::string cell(grid::GridModel& grid, int row, int column) { return grid.cellText(row, column); }

  // Adds a batch through the add-batch window's fields and 确定.
  void addBatch(const char* code, const char* start, const char* count) {
    whenModal(Window::AddBatch, [=, this](QDialog* d) {
      QTest::keyClicks(child<QLineEdit>(d, "编辑框_发票代码"), q(code));
      QTest::keyClicks(child<QLineEdit>(d, "编辑框_起编号"), q(start));
      QTest::keyClicks(child<QLineEdit>(d, "编辑框_发票份数"), q(count));
      click("按钮_确定", d);
    });
    click("按钮_新增发票");
  }
};

}  // namespace korvana::uitest
