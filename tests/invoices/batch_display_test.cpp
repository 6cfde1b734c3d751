// Showing a batch: what its records show in the grid, and batches the tables cannot back.
#include <gtest/gtest.h>

#include "book_fixture.h"
#include "text/datetime.h"

namespace korvana::testing {
namespace {

using BatchDisplay = BookTest;
using store::DateTime;

TEST_F(BatchDisplay, OnlyRecordsDatedAfter1900ShowTheirTickAmountAndPayer) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "5");
  const auto fill = [&](int index, double date, bool issued, float amount, const char* payer) {
    writeStored("发票记录库", index, "日期", DateTime{date});
    writeStored("发票记录库", index, "已开", issued);
    writeStored("发票记录库", index, "金额", amount);
    writeStored("发票记录库", index, "付款单位", g(payer));
  };
  fill(0, text::makeDate(2010, 3, 5), true, 1500.0f, "甲公司");
  fill(1, text::makeDate(2010, 3, 5, 8, 30), false, 12345.67f, "乙公司");
  fill(2, text::makeDate(1900, 1, 1), true, 5.0f, "丙公司");  // not later than 1900-01-01
  fill(3, 0.0, true, 7.0f, "丁公司");                          // never dated

  book->showBatch(g("服务票0101"));

  struct Shown { bool tick; const char* date; const char* amount; const char* payer; };
  const Shown expected[] = {
      {true, "2010年3月5日", "1500.00", "甲公司"},
      {false, "2010年3月5日8时30分", "12345.70", "乙公司"},
      {false, "", "", ""},
      {false, "", "", ""},
      {false, "", "", ""},
  };
  for (int row = 1; row <= 5; ++row) {
    SCOPED_TRACE(row);
    const Shown& e = expected[row - 1];
    EXPECT_EQ(recordCell(row, 0), std::to_string(row));
    EXPECT_EQ(ticked(row), e.tick);
    EXPECT_EQ(recordCell(row, 3), e.date);
    EXPECT_EQ(recordCell(row, 4), e.amount);
    EXPECT_EQ(recordCell(row, 5), e.payer);
  }
  EXPECT_EQ(recordCell(6, 0), "合计");
  EXPECT_EQ(recordCell(6, 4), "13845.70");
}

TEST_F(BatchDisplay, ASmallerBatchAfterALargerOneLeavesNothingBehind) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "10");
  addBatch("销售票", "2", "00000201", "100");
  tickRows(50);
  ASSERT_TRUE(edit(11, 4, "3"));
  ASSERT_TRUE(edit(11, 5, "x"));
  ASSERT_TRUE(edit(2, 4, "4"));
  ASSERT_EQ(recordCell(101, 4), "7.00");
  ASSERT_EQ(recordCell(11, 5), "x");

  pickBatch(0);

  const grid::GridModel& grid = book->recordsGrid();
  EXPECT_EQ(grid.rowCount(), 12);
  EXPECT_EQ(recordCell(10, 1), "00000110");
  EXPECT_EQ(recordCell(11, 0), "合计");
  EXPECT_EQ(recordCell(11, 4), "");
  EXPECT_EQ(recordCell(11, 5), "");
  EXPECT_FALSE(ticked(2));
  EXPECT_EQ(recordCell(2, 4), "");
  ASSERT_TRUE(edit(1, 4, "2.5"));
  EXPECT_EQ(recordCell(11, 4), "2.50");  // the total covers rows 1..10 only
}

// A key that no stored batch carries shows no batch at all.
TEST_F(BatchDisplay, AnUnknownKeyShowsNoBatch) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "3");
  ASSERT_TRUE(edit(1, 3, "2010-03-05"));
  ASSERT_TRUE(edit(1, 4, "9"));
  book->tallyMonths();
  ASSERT_EQ(statsCell(1, 0), "2010-3");

  book->showBatch(g("销售票9999"));

  const invoices::ProgramState& state = book->state();
  EXPECT_EQ(state.currentBatchKey, "");
  EXPECT_EQ(state.currentBatchType, "");
  EXPECT_EQ(state.currentBatchStart, "");
  EXPECT_EQ(state.currentBatchCount, 0);
  for (const char* control : {"编辑框_发票类型", "编辑框_发票代码", "编辑框_起编号", "编辑框_发票份数"}) {
    EXPECT_EQ(box(Window::Main, control), "") << control;
  }
  EXPECT_EQ(book->recordsGrid().rowCount(), 2);
  EXPECT_EQ(recordCell(0, 0), "序号");
  EXPECT_EQ(recordCell(1, 0), "合计");
  EXPECT_EQ(recordCell(1, 4), "");
  EXPECT_EQ(statsCell(1, 0), "");
  EXPECT_EQ(statsCell(1, 4), "");
}

// A batch row whose records are missing shows only the records that carry its key, never the
// records of the batch stored after it; its count box keeps the stored count.
TEST_F(BatchDisplay, ABatchWithoutItsRecordsShowsNoOtherBatchsInvoices) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "3");
  addBatch("销售票", "2", "00000201", "2");
  // None of the first batch's records carries its key any more.
  writeStored("发票记录库", 0, "发票编号", g("其他"));
  writeStored("发票记录库", 1, "发票编号", g("其他"));
  writeStored("发票记录库", 2, "发票编号", g("其他"));

  pickBatch(0);
  EXPECT_EQ(book->recordsGrid().rowCount(), 2);
  EXPECT_EQ(recordCell(1, 0), "合计");
  EXPECT_EQ(box(Window::Main, "编辑框_发票份数"), "3");

  // A run cut short ends where the next batch's records begin.
  writeStored("发票记录库", 1, "发票编号", g("服务票0101"));
  pickBatch(0);
  EXPECT_EQ(book->recordsGrid().rowCount(), 3);
  EXPECT_EQ(recordCell(1, 1), "00000102");
  EXPECT_EQ(recordCell(2, 0), "合计");
}

// In a batch shown with fewer rows than its count, the totals row is never tallied as an
// invoice, also when the user has typed a date into it.
TEST_F(BatchDisplay, TheTotalsRowOfAShortBatchIsNotTallied) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "4");
  addBatch("销售票", "2", "00000201", "2");
  writeStored("发票记录库", 2, "发票编号", g("其他"));  // the first batch keeps 2 of its 4 records
  pickBatch(0);
  ASSERT_EQ(book->recordsGrid().rowCount(), 4);
  ASSERT_TRUE(edit(1, 3, "2010-03-05"));
  ASSERT_TRUE(edit(2, 3, "2010-03-06"));
  ASSERT_TRUE(edit(3, 3, "2010-03-07"));  // the totals row, open once row 2 is ticked
  EXPECT_EQ(statsRow(1), (std::vector<std::string>{"2010-3", "00000101", "00000102", "2", "",
                                                   "00000102"}));
}

// Fields of another kind than the invoice tables define end the program with a fatal error.
TEST_F(BatchDisplay, AFieldOfTheWrongKindIsAFatalError) {
  struct Case {
    const char* table;
    std::vector<store::FieldInfo> fields;
    int code;
  };
  auto textField = [](const char* name, int width) { return store::FieldInfo{g(name), store::kText, width}; };
  auto typedField = [](const char* name, int type) { return store::FieldInfo{g(name), type, 20}; };
  const Case cases[] = {
      {"发票管理库",
       {textField("发票编号", 15), textField("发票类型", 10), textField("发票代码", 15), textField("发票起号码", 10),
        textField("发票份数", 10)},
       2},
      {"发票管理库",
       {textField("发票编号", 15), typedField("发票类型", store::kInt), textField("发票代码", 15),
        textField("发票起号码", 10), typedField("发票份数", store::kInt)},
       5},
  };
  for (const Case& c : cases) {
    TempDir folder{"book"};
    store::TableStore maker;
    ASSERT_TRUE(maker.createTable(g(folder.path() + "/" + c.table), c.fields));
    ASSERT_TRUE(maker.openTable(g(folder.path() + "/" + c.table)));
    ASSERT_TRUE(maker.addRecord({g("服务票0101")}));
    stop();
    tk = std::make_unique<HeadlessToolkit>();
    book = std::make_unique<invoices::InvoiceBook>(*tk);
    try {
      book->startUp(folder.path());
      ADD_FAILURE() << "no fatal error for " << c.code;
    } catch (const FatalError& e) {
      EXPECT_EQ(e.code, c.code);
    }
  }
}

}  // namespace
}  // namespace korvana::testing
