#pragma once
// Shared by the printing tests: a statistics grid filled with given rows, printers writing PDF
// files (and one whose later pages fail), the words of a PDF file as pdftotext reads them, and
// a driver that answers modal windows while the code under test waits in their exec().
#include <QApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "grid/grid_model.h"
#include "text/gbk.h"

namespace korvana::testing {

// One statistics row: month, first number, last number, count, amount, voided number.
using StatsRow = std::array<std::string, 6>;

inline std::unique_ptr<grid::GridModel> statsGrid(const std::vector<StatsRow>& rows) {
  auto grid = std::make_unique<grid::GridModel>(7, 1, 1, 0, false);
  grid::configureStatsGrid(*grid);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int row = static_cast<int>(i) + 1;
    if (row >= grid->rowCount()) grid->insertRow();
    for (int column = 0; column < 6; ++column) {
      if (!grid->setCell(row, column, 1, rows[i][column])) {
        qFatal("cell (%d, %d) refused", row, column);
      }
    }
  }
  return grid;
}

// `count` consecutive months from 2001-1 on, one invoice each, amount = month number.
inline std::vector<StatsRow> months(int count) {
  std::vector<StatsRow> rows;
  for (int i = 0; i < count; ++i) {
    const std::string number = QString::number(1000 + i).rightJustified(8, '0').toStdString();
    rows.push_back({std::to_string(2001 + i / 12) + "-" + std::to_string(i % 12 + 1), number,
                    number, "1", std::to_string(i % 12 + 1), ""});
  }
  return rows;
}

// The titles of the statistics grid's columns, as they are printed.
inline const QStringList kStatsTitles = {"月份", "起号码", "讫号码", "份数", "金额", "作废"};

// Every cell text of the grid in UTF-8, row by row (to see that nothing changed).
inline QStringList cellTexts(const grid::GridModel& grid) {
  QStringList texts;
  for (int row = 0; row < grid.rowCount(); ++row) {
    for (int column = 0; column < grid.columnCount(); ++column) {
      texts << QString::fromStdString(text::toUtf8(grid.cellText(row, column)));
    }
  }
  return texts;
}

// A4 portrait without printer margins, so that the program's own margins count from the edge.
inline void makePdfPrinter(QPrinter& printer, const QString& path) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                    QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
}

// A PDF writer whose pages after the first cannot be started.
class FailingPdfWriter : public QPdfWriter {
 public:
  using QPdfWriter::QPdfWriter;
  bool newPage() override { return false; }
};

struct PdfWord {
  QString text;
  double xMinMm = 0, yMinMm = 0, xMaxMm = 0, yMaxMm = 0;
};
using PdfPage = std::vector<PdfWord>;

// The words of each page of a PDF file, with their boxes in millimetres from the top left.
inline std::vector<PdfPage> pdfPages(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-enc"),
                                              QStringLiteral("UTF-8"), path, QStringLiteral("-")});
  if (!process.waitForFinished(30000) || process.exitCode() != 0) {
    qWarning("pdftotext failed: %s", process.readAllStandardError().constData());
    return {};
  }
  const QString html = QString::fromUtf8(process.readAllStandardOutput());
  std::vector<PdfPage> pages;
  static const QRegularExpression tag(
      QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                     "yMax=\"([\\d.]+)\">([^<]*)</word>"));
  constexpr double kMmPerPoint = 25.4 / 72;
  for (auto it = tag.globalMatch(html); it.hasNext();) {
    const auto match = it.next();
    if (match.captured(0).startsWith(QStringLiteral("<page"))) {
      pages.emplace_back();
    } else if (!pages.empty()) {
      pages.back().push_back({match.captured(5), match.captured(1).toDouble() * kMmPerPoint,
                              match.captured(2).toDouble() * kMmPerPoint,
                              match.captured(3).toDouble() * kMmPerPoint,
                              match.captured(4).toDouble() * kMmPerPoint});
    }
  }
  return pages;
}

inline QStringList wordTexts(const PdfPage& page) {
  QStringList texts;
  for (const auto& word : page) texts << word.text;
  return texts;
}

// The words of a page grouped into lines (words whose tops lie within 1 mm), top to bottom.
inline std::vector<QStringList> pdfLines(const PdfPage& page) {
  std::vector<std::pair<double, QStringList>> lines;
  for (const auto& word : page) {
    auto line = std::find_if(lines.begin(), lines.end(),
                             [&](const auto& l) { return std::abs(l.first - word.yMinMm) < 1; });
    if (line == lines.end()) {
      lines.push_back({word.yMinMm, {}});
      line = lines.end() - 1;
    }
    line->second << word.text;
  }
  std::sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<QStringList> result;
  for (auto& line : lines) result.push_back(line.second);
  return result;
}

// Answers the modal windows that open while a test waits, one handler per window in the order
// they open. A handler gets the window and must close it; a window it opens meanwhile (a
// message box after a click) goes to the next handler.
class ModalDriver {
 public:
  ModalDriver() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start(20);
  }
  void then(std::function<void(QWidget*)> handler) { handlers_.push_back(std::move(handler)); }
  bool done() const { return handlers_.empty(); }
  // Titles of windows that opened with no handler left or that a handler left open; they
  // were closed.
  const QStringList& unexpected() const { return unexpected_; }

 private:
  void poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    if (std::find(handled_.begin(), handled_.end(), modal) != handled_.end()) return;
    handled_.emplace_back(modal);
    if (handlers_.empty()) {
      unexpected_ << modal->windowTitle();
      modal->close();
      return;
    }
    auto handler = std::move(handlers_.front());
    handlers_.pop_front();
    // Run the handler from its own event: a window it opens must still reach poll(), and a
    // timer does not fire again while its own slot runs.
    QPointer<QWidget> target = modal;
    QTimer::singleShot(0, [this, handler = std::move(handler), target] {
      if (target) handler(target);
      // A handler that failed a check returns early: close its window so the test goes on.
      if (target && target->isVisible()) {
        unexpected_ << QStringLiteral("left open: ") + target->windowTitle();
        target->close();
      }
    });
  }

  QTimer timer_;
  std::deque<std::function<void(QWidget*)>> handlers_;
  std::vector<QPointer<QWidget>> handled_;  // windows already given to a handler
  QStringList unexpected_;
};

}  // namespace korvana::testing
