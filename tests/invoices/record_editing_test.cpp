// Editing the records grid: rows in order, every edit stored at once, the statistics following
// the dates.
#include <gtest/gtest.h>

#include "book_fixture.h"
#include "text/datetime.h"

namespace korvana::testing {
namespace {

using RecordEditing = BookTest;

TEST_F(RecordEditing, RowsOpenOnlyOnceTheRowAboveIsTicked) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "6");
  const std::string before = fileBytes("发票记录库.EDB");

  // Row 5 is locked: no tick, no date, nothing stored.
  EXPECT_FALSE(click(5));
  EXPECT_FALSE(edit(5, 3, "2010-03-05"));
  EXPECT_FALSE(edit(5, 4, "12"));
  EXPECT_FALSE(ticked(5));
  EXPECT_EQ(recordCell(5, 3), "");
  EXPECT_EQ(fileBytes("发票记录库.EDB"), before);

  tickRows(4);
  EXPECT_TRUE(edit(5, 5, "甲公司"));
  EXPECT_EQ(invoiceRecords()[4].payer, "甲公司");

  // Unticking row 4 locks row 5 (and so every later row) again.
  EXPECT_TRUE(click(4));
  EXPECT_FALSE(invoiceRecords()[3].issued);
  EXPECT_FALSE(click(5));
  EXPECT_FALSE(edit(5, 5, "乙公司"));
  EXPECT_EQ(invoiceRecords()[4].payer, "甲公司");
  EXPECT_TRUE(click(1));  // row 1 is always open
  EXPECT_FALSE(invoiceRecords()[0].issued);
}

TEST_F(RecordEditing, ADateTicksTheRowStoresBothAndTalliesTheMonth) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "3");

  ASSERT_TRUE(edit(1, 3, "2010-03-05"));

  EXPECT_TRUE(ticked(1));
  EXPECT_EQ(recordCell(1, 3), "2010-03-05");
  InvoiceRecord expected = blankRecord("服务票0101", "00000101");
  expected.date = text::makeDate(2010, 3, 5);
  expected.issued = true;
  EXPECT_EQ(invoiceRecords()[0], expected);
  // No amount yet: the invoice counts as void.
  EXPECT_EQ(statsRow(1),
            (std::vector<std::string>{"2010-3", "00000101", "00000101", "1", "", "00000101"}));

  // After a restart the date shows in its display form.
  ASSERT_TRUE(start());
  EXPECT_EQ(recordCell(1, 3), "2010年3月5日");
  EXPECT_TRUE(ticked(1));
}

TEST_F(RecordEditing, AmountsAreStoredAndTotalledWithOrWithoutADate) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "3");
  ASSERT_TRUE(edit(1, 3, "2010-03-05"));

  ASSERT_TRUE(edit(1, 4, "12.5"));  // a dated row: the statistics follow
  EXPECT_EQ(recordCell(1, 4), "12.50");
  EXPECT_EQ(recordCell(4, 4), "12.50");
  EXPECT_FLOAT_EQ(invoiceRecords()[0].amount, 12.5f);
  EXPECT_EQ(statsRow(1),
            (std::vector<std::string>{"2010-3", "00000101", "00000101", "1", "12.50", ""}));

  ASSERT_TRUE(edit(2, 4, "7"));  // an undated row: stored and totalled, not tallied
  EXPECT_EQ(recordCell(2, 4), "7.00");
  EXPECT_EQ(recordCell(4, 4), "19.50");
  EXPECT_FLOAT_EQ(invoiceRecords()[1].amount, 7.0f);
  EXPECT_EQ(statsCell(1, 4), "12.50");
  EXPECT_EQ(statsCell(2, 0), "");

  ASSERT_TRUE(edit(1, 4, ""));  // cleared: stored as 0, the month becomes void again
  EXPECT_EQ(recordCell(1, 4), "");
  EXPECT_EQ(invoiceRecords()[0].amount, 0.0f);
  EXPECT_EQ(recordCell(4, 4), "7.00");
  EXPECT_EQ(statsRow(1),
            (std::vector<std::string>{"2010-3", "00000101", "00000101", "1", "", "00000101"}));
}

// The amount field holds single precision: an amount beyond it is refused, not stored as
// infinity; the grid shows again what the file holds.
TEST_F(RecordEditing, AnAmountBeyondTheFieldIsRefused) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "3");
  ASSERT_TRUE(edit(1, 3, "2010-03-05"));
  ASSERT_TRUE(edit(1, 4, "12.5"));
  ASSERT_TRUE(edit(1, 4, "1e39"));
  EXPECT_EQ(messages().back(), "金额超出范围，未保存！");
  EXPECT_FLOAT_EQ(invoiceRecords()[0].amount, 12.5f);
  EXPECT_EQ(recordCell(1, 4), "12.50");
  EXPECT_EQ(recordCell(4, 4), "12.50");
  EXPECT_EQ(statsCell(1, 4), "12.50");
}

TEST_F(RecordEditing, UntickingADatedRowKeepsItsDateAndAmount) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "2");
  ASSERT_TRUE(edit(1, 3, "2010-03-05"));
  ASSERT_TRUE(edit(1, 4, "3"));

  ASSERT_TRUE(click(1));

  EXPECT_FALSE(ticked(1));
  const InvoiceRecord stored = invoiceRecords()[0];
  EXPECT_FALSE(stored.issued);
  EXPECT_EQ(stored.date, text::makeDate(2010, 3, 5));
  EXPECT_EQ(stored.amount, 3.0f);
  EXPECT_EQ(statsCell(1, 3), "1");  // the tally follows dates, not ticks
}

TEST_F(RecordEditing, APayerNameIsCutToTwentyBytes) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "1");
  ASSERT_TRUE(edit(1, 5, "北京市海淀区某某科技有限公司"));  // 28 bytes
  EXPECT_EQ(invoiceRecords()[0].payer, "北京市海淀区某某科技");
  EXPECT_EQ(recordCell(1, 5), "北京市海淀区某某科技有限公司");  // the grid keeps what was entered
}

TEST_F(RecordEditing, TheTotalsRowWritesNothing) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "2");
  tickRows(2);
  const std::string before = fileBytes("发票记录库.EDB");

  EXPECT_TRUE(edit(3, 5, "甲公司"));
  EXPECT_TRUE(edit(3, 3, "2010-03-05"));

  EXPECT_EQ(fileBytes("发票记录库.EDB"), before);
  EXPECT_TRUE(ticked(3));
}

TEST_F(RecordEditing, OnlyTheCurrentBatchsRecordOfANumberChanges) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "2");
  addBatch("销售票", "2", "00000101", "2");  // the same invoice numbers

  ASSERT_TRUE(edit(1, 3, "2011-07-01"));

  const std::vector<InvoiceRecord> records = invoiceRecords();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0], blankRecord("服务票0101", "00000101"));
  EXPECT_EQ(records[2].key, "销售票0101");
  EXPECT_EQ(records[2].date, text::makeDate(2011, 7, 1));
  EXPECT_TRUE(records[2].issued);
}

}  // namespace
}  // namespace korvana::testing
