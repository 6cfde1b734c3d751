// Korvana: keeps books of pre-printed invoices.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <QApplication>
#include <QFont>
#include <QMessageBox>
#include <QPushButton>

#include "invoices/invoice_book.h"
#include "text/fatal.h"
#include "text/gbk.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/qt_toolkit.h"

namespace {

using korvana::invoices::InvoiceBook;
using korvana::ui::QtToolkit;

// What lives from start-up to the end of the process: the toolkit and the book with the
// program-wide state. The exit routine releases the texts and closes the tables.
struct Program {
  QtToolkit toolkit;
  InvoiceBook book{toolkit};
};
Program* program = nullptr;

void releaseProgramTexts() {
  if (!program) return;
  auto& state = program->book.state();
  for (std::string* s : {&state.currentBatchKey, &state.currentBatchType,
                         &state.currentBatchStart, &state.dataDirectory}) {
    std::string().swap(*s);
  }
  delete program;
  program = nullptr;
}

void showFatalError(int code, const std::string& gbkMessage) {
  QMessageBox box;
  box.setWindowTitle(korvana::ui::fromUtf8("错误"));
  box.setIcon(QMessageBox::Critical);
  box.setTextFormat(Qt::PlainText);
  box.setText(korvana::ui::toQString(korvana::text::fatalText(code, gbkMessage)));
  QAbstractButton* ok = box.addButton(QMessageBox::Ok);
  ok->setText(QStringLiteral("OK"));
  ok->setIcon(QIcon());
  box.exec();
  std::_Exit(EXIT_FAILURE);  // at once, without the exit routine
}

}  // namespace

int main(int argc, char* argv[]) {
  // The program's directory is the working directory and the data directory.
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path dir = error ? std::filesystem::current_path() : exe.parent_path();
  std::filesystem::current_path(dir, error);

  std::atexit(releaseProgramTexts);

  QApplication app(argc, argv);
  QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));
  korvana::text::setFatalHandler(showFatalError);

  program = new Program;
  korvana::ui::MainWindow window(program->book, program->toolkit);
  program->toolkit.setBook(&program->book);
  program->toolkit.setMainWindow(&window);
  window.show();

  // File names on disk are UTF-8; the program's texts are GBK.
  const std::optional<std::string> gbkDir =
      korvana::ui::toGbk(QString::fromStdString(dir.string()));
  if (!gbkDir) {
    // The tables' paths could not be written down: refuse to start rather than guess.
    program->toolkit.messageBox(korvana::text::gbk("程序所在目录的名称含有无法处理的字符！"),
                                korvana::invoices::kButtonsOk, korvana::text::gbk("错误"),
                                korvana::invoices::Icon::Error);
    return EXIT_FAILURE;
  }
  if (!program->book.startUp(*gbkDir)) return EXIT_FAILURE;
  return app.exec();
}
