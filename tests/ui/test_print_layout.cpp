// The printed pages of the statistics grid, read back from PDF files with pdftotext.
#include <QTemporaryDir>
#include <QtTest>

#include "test_print_support.h"
#include "ui/grid_printer.h"

using korvana::grid::GridModel;
using korvana::testing::FailingPdfWriter;
using korvana::testing::kStatsTitles;
using korvana::testing::months;
using korvana::testing::pdfLines;
using korvana::testing::pdfPages;
using korvana::testing::statsGrid;
using korvana::ui::GridPrinter;
using korvana::ui::PrintMargins;
using korvana::ui::PrintResult;

Q_DECLARE_METATYPE(PrintMargins)

namespace {

constexpr double kRowMm = 22 * 25.4 / 96;  // a 22-pixel screen row on paper

// The lines of a page, each as its words joined by " | ".
QStringList joined(const std::vector<QStringList>& lines) {
  QStringList result;
  for (const auto& line : lines) result << line.join(" | ");
  return result;
}

// The month column of every line below the title row.
QStringList monthColumn(const std::vector<QStringList>& lines) {
  QStringList result;
  for (std::size_t i = 1; i < lines.size(); ++i) result << lines[i].value(0);
  return result;
}

}  // namespace

class PrintLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QVERIFY(dir_.isValid()); }

  void pageHoldsTheTallyAndNothingElse() {
    auto grid = statsGrid({{"2010-3", "00000101", "00000102", "2", "10", "00000102"},
                           {"2010-4", "00000103", "00000103", "1", "5.5", ""},
                           {"2010-5", "00000104", "00000104", "1", "", "00000104"},
                           {"2010-12", "00000105", "00000109", "5", "12345.67", ""}});
    const QString path = dir_.filePath("tally.pdf");
    QPrinter printer(QPrinter::HighResolution);
    korvana::testing::makePdfPrinter(printer, path);
    QCOMPARE(GridPrinter(*grid).print(printer), PrintResult::Printed);

    const auto pages = pdfPages(path);
    QCOMPARE(pages.size(), std::size_t{1});
    // Line by line, every word on the page: the cells and nothing more (no page number,
    // no date). Money cells carry the sign, an empty amount stays empty.
    const QStringList expected = {
        "月份 | 起号码 | 讫号码 | 份数 | 金额 | 作废",
        "2010-3 | 00000101 | 00000102 | 2 | ￥10.00 | 00000102",
        "2010-4 | 00000103 | 00000103 | 1 | ￥5.50",
        "2010-5 | 00000104 | 00000104 | 1 | 00000104",
        "2010-12 | 00000105 | 00000109 | 5 | ￥12345.67"};
    QCOMPARE(joined(pdfLines(pages[0])), expected);
  }

  void longTallyContinuesUnderARepeatedTitleRow() {
    const auto rows = months(60);
    auto grid = statsGrid(rows);
    const QString path = dir_.filePath("long.pdf");
    QPrinter printer(QPrinter::HighResolution);
    korvana::testing::makePdfPrinter(printer, path);
    GridPrinter gridPrinter(*grid);
    QCOMPARE(gridPrinter.pageCount(printer.pageLayout(), printer.resolution()), 2);
    QCOMPARE(gridPrinter.print(printer), PrintResult::Printed);

    const auto pages = pdfPages(path);
    QCOMPARE(pages.size(), std::size_t{2});
    QStringList printedMonths;
    for (const auto& page : pages) {
      const auto lines = pdfLines(page);
      QCOMPARE(lines.front(), kStatsTitles);
      printedMonths << monthColumn(lines);
    }
    // Every row exactly once, in order, split where the first page is full (41 rows of
    // 5.8 mm fit between the default margins of an A4 page).
    QStringList expected;
    for (const auto& row : rows) expected << QString::fromStdString(row[0]);
    QCOMPARE(printedMonths, expected);
    QCOMPARE(monthColumn(pdfLines(pages[0])).size(), 41);
    QVERIFY(pdfLines(pages[1])[1].contains("00001041"));
  }

  void marginsAndColumnWidthsOnPaper_data() {
    QTest::addColumn<PrintMargins>("margins");
    QTest::newRow("defaults") << PrintMargins{};
    QTest::newRow("wide left, narrow right") << PrintMargins{300, 200, 400, 50, 100, 50, 0};
    QTest::newRow("gap under the title row") << PrintMargins{150, 150, 150, 150, 0, 0, 100};
  }

  // Cell texts start 1 mm inside their cell; the cells divide the width between the margins in
  // the grid's proportions (55 : 65 : 65 : 30 : 70 : 65), the table starts below the top margin
  // and the header band, and the body starts a row and the gap lower.
  void marginsAndColumnWidthsOnPaper() {
    QFETCH(PrintMargins, margins);
    auto grid = statsGrid({{"2010-3", "00000101", "00000102", "2", "10", "00000102"}});
    const QString path = dir_.filePath("margins.pdf");
    QPrinter printer(QPrinter::HighResolution);
    korvana::testing::makePdfPrinter(printer, path);
    QCOMPARE(GridPrinter(*grid, margins).print(printer), PrintResult::Printed);
    const auto pages = pdfPages(path);
    QCOMPARE(pages.size(), std::size_t{1});

    const double left = margins.left / 10.0;
    const double width = 210 - left - margins.right / 10.0;
    const double tableTop = (margins.top + margins.header) / 10.0;
    const double bodyTop = tableTop + kRowMm + margins.gap / 10.0;
    const std::vector<std::pair<QString, int>> starts = {
        {"2010-3", 0}, {"00000101", 55}, {"00000102", 120}, {"2", 185}, {"￥10.00", 215}};
    for (const auto& [text, offset] : starts) {
      auto word = std::find_if(pages[0].begin(), pages[0].end(),
                               [&](const auto& w) { return w.text == text; });
      QVERIFY2(word != pages[0].end(), qPrintable(text));
      const double x = left + width * offset / 350 + 1;
      QVERIFY2(std::abs(word->xMinMm - x) < 0.6,
               qPrintable(QString("%1 at %2 mm, expected %3").arg(text).arg(word->xMinMm).arg(x)));
      QVERIFY(word->yMinMm > bodyTop && word->yMaxMm < bodyTop + kRowMm);
    }
    // The last cell ends at the right margin: its centred title lies inside 285..350 of 350.
    for (const auto& word : pages[0]) {
      if (word.text == "作废") {
        QVERIFY(word.xMinMm > left + width * 285 / 350 && word.xMaxMm < left + width);
      }
      if (word.text == "月份") QVERIFY(word.yMinMm > tableTop && word.yMaxMm < tableTop + kRowMm);
    }
  }

  void pageCountFollowsRowsAndMargins_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<PrintMargins>("margins");
    QTest::addColumn<int>("pages");
    QTest::addColumn<bool>("fits");
    // An A4 page between the default margins holds the title row and 41 rows.
    QTest::newRow("title row only") << 0 << PrintMargins{} << 1 << true;
    QTest::newRow("one full page") << 41 << PrintMargins{} << 1 << true;
    QTest::newRow("one row over") << 42 << PrintMargins{} << 2 << true;
    QTest::newRow("two full pages") << 82 << PrintMargins{} << 2 << true;
    QTest::newRow("third page") << 83 << PrintMargins{} << 3 << true;
    // 100 mm top margin: (297 - 100 - 20 - 5 - 5 - 5.8) / 5.8 = 26.7 rows.
    QTest::newRow("high top margin") << 82 << PrintMargins{1000, 200, 200, 200, 50, 50, 0} << 4
                                     << true;
    // 60 mm gap: (247 - 60 - 5.8) / 5.8 = 31.1 rows.
    QTest::newRow("wide gap") << 82 << PrintMargins{200, 200, 200, 200, 50, 50, 600} << 3 << true;
    // Without room a page still takes one row, so that no row is lost.
    QTest::newRow("no room for a row") << 3 << PrintMargins{1400, 1400, 200, 200, 50, 50, 0} << 3
                                       << false;
    QTest::newRow("margins over the height") << 3
                                             << PrintMargins{2000, 1000, 200, 200, 50, 50, 0}
                                             << 3 << false;
    QTest::newRow("no room across") << 3 << PrintMargins{200, 200, 1100, 1000, 50, 50, 0} << 3
                                    << false;
  }

  void pageCountFollowsRowsAndMargins() {
    QFETCH(int, rows);
    QFETCH(PrintMargins, margins);
    QFETCH(int, pages);
    QFETCH(bool, fits);
    auto grid = statsGrid(months(rows));
    const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    GridPrinter printer(*grid, margins);
    QCOMPARE(printer.printedRowCount(), rows);
    QCOMPARE(printer.pageCount(a4, 600), pages);
    QCOMPARE(printer.fits(a4, 600), fits);
  }

  void failuresStopPrinting() {
    auto grid = statsGrid(months(60));
    QPrinter unwritable(QPrinter::HighResolution);
    korvana::testing::makePdfPrinter(unwritable, dir_.filePath("missing/folder/x.pdf"));
    QCOMPARE(GridPrinter(*grid).print(unwritable), PrintResult::InitFailed);

    FailingPdfWriter second(dir_.filePath("second.pdf"));
    QCOMPARE(GridPrinter(*grid).print(second), PrintResult::PageFailed);
    // A single page needs no new page.
    auto small = statsGrid(months(3));
    FailingPdfWriter single(dir_.filePath("single.pdf"));
    QCOMPARE(GridPrinter(*small).print(single), PrintResult::Printed);
  }

 private:
  QTemporaryDir dir_;
};

QTEST_MAIN(PrintLayoutTest)
#include "test_print_layout.moc"
