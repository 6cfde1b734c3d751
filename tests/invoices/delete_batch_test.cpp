// Deleting the current batch.
#include <gtest/gtest.h>

#include "book_fixture.h"
#include "text/datetime.h"

namespace korvana::testing {
namespace {

using ::testing::ElementsAre;

class DeleteBatch : public BookTest {
 protected:
  // Batches A (2 invoices), B (3) and C (2); B's first invoice and C's are edited.
  void addThreeBatches() {
    ASSERT_TRUE(start());
    addBatch("服务票", "111", "00000101", "2");
    ASSERT_TRUE(edit(1, 3, "2010-01-05"));
    addBatch("销售票", "222", "00000201", "3");
    ASSERT_TRUE(edit(1, 3, "2010-02-05"));
    ASSERT_TRUE(edit(1, 4, "20"));
    addBatch("服务票", "333", "00000301", "2");
    ASSERT_TRUE(edit(1, 3, "2010-03-05"));
    ASSERT_TRUE(edit(1, 4, "30"));
    tk->messages.clear();
  }

  void confirmDelete(int answer) {
    tk->answers.push_back(answer);
    book->deleteClicked();
  }
};

TEST_F(DeleteBatch, NoChangesNothing) {
  addThreeBatches();
  const std::string batches = fileBytes("发票管理库.EDB");
  const std::string records = fileBytes("发票记录库.EDB");

  confirmDelete(invoices::kAnswerNo);

  ASSERT_EQ(tk->messages.size(), 1u);
  EXPECT_EQ(u(tk->messages[0].text), "是否真的删除？将不能恢复");
  EXPECT_EQ(u(tk->messages[0].caption), "删除确认");
  EXPECT_EQ(tk->messages[0].buttons, invoices::kButtonsYesNo);
  EXPECT_EQ(fileBytes("发票管理库.EDB"), batches);
  EXPECT_EQ(fileBytes("发票记录库.EDB"), records);
  EXPECT_EQ(batchList().size(), 3u);
  EXPECT_EQ(recordCell(1, 1), "00000301");
}

TEST_F(DeleteBatch, TheMiddleBatchGoesWithExactlyItsRecords) {
  addThreeBatches();
  const std::vector<InvoiceRecord> before = invoiceRecords();
  pickBatch(1);
  ASSERT_TRUE(edit(2, 5, "甲公司"));  // deleting right after an edit

  confirmDelete(invoices::kAnswerYes);

  EXPECT_THAT(messages(), ElementsAre("是否真的删除？将不能恢复"));
  EXPECT_THAT(batchRows(), ElementsAre(BatchRow{"服务票0101", "服务票", "111", "00000101", 2},
                                       BatchRow{"服务票0301", "服务票", "333", "00000301", 2}));
  EXPECT_THAT(invoiceRecords(), ElementsAre(before[0], before[1], before[5], before[6]));
  EXPECT_THAT(batchList(), ElementsAre("服务票0101", "服务票0301"));
  EXPECT_EQ(batchSelection(), 1);
  EXPECT_EQ(u(book->state().currentBatchKey), "服务票0301");
  EXPECT_EQ(box(Window::Main, "编辑框_发票代码"), "333");
  EXPECT_EQ(recordCell(1, 1), "00000301");
  EXPECT_EQ(statsRow(1),
            (std::vector<std::string>{"2010-3", "00000301", "00000301", "1", "30.00", ""}));
}

TEST_F(DeleteBatch, TheOnlyBatchLeavesEmptyTablesAndAnEmptyWindow) {
  ASSERT_TRUE(start());
  addBatch("服务票", "111", "00000101", "3");
  ASSERT_TRUE(edit(1, 3, "2010-01-05"));
  ASSERT_TRUE(edit(1, 4, "5"));
  tk->messages.clear();

  confirmDelete(invoices::kAnswerYes);

  EXPECT_TRUE(batchRows().empty());
  EXPECT_TRUE(invoiceRecords().empty());
  EXPECT_EQ(fileBytes("发票管理库.EDB").size(), 476u);
  EXPECT_EQ(fileBytes("发票记录库.EDB").size(), 548u);
  EXPECT_TRUE(batchList().empty());
  EXPECT_EQ(batchSelection(), -1);
  for (const char* control : {"编辑框_发票类型", "编辑框_发票代码", "编辑框_起编号", "编辑框_发票份数"}) {
    EXPECT_EQ(box(Window::Main, control), "") << control;
  }
  // The grids keep their rows; below the titles only the records grid's numbers remain.
  EXPECT_EQ(book->recordsGrid().rowCount(), 5);
  EXPECT_EQ(recordCell(0, 1), "票号");
  EXPECT_EQ(recordCell(1, 0), "1");
  EXPECT_EQ(recordCell(4, 0), "合计");
  EXPECT_EQ(recordCell(1, 1) + recordCell(1, 3) + recordCell(1, 4) + recordCell(4, 4), "");
  EXPECT_FALSE(ticked(1));
  EXPECT_EQ(statsCell(0, 0), "月份");
  EXPECT_EQ(statsCell(1, 0) + statsCell(1, 4), "");
  EXPECT_THAT(messages(), ElementsAre("是否真的删除？将不能恢复", "请添加发票！"));
  EXPECT_EQ(u(tk->messages[1].caption), "信息：");

  // Again, with nothing left: no file changes, the same empty state and message.
  tk->messages.clear();
  const std::string batches = fileBytes("发票管理库.EDB");
  const std::string records = fileBytes("发票记录库.EDB");
  confirmDelete(invoices::kAnswerYes);
  EXPECT_EQ(fileBytes("发票管理库.EDB"), batches);
  EXPECT_EQ(fileBytes("发票记录库.EDB"), records);
  EXPECT_THAT(messages(), ElementsAre("是否真的删除？将不能恢复", "请添加发票！"));
}

// Only rows carrying the current key are deleted: when a table holds none, nothing goes.
TEST_F(DeleteBatch, NothingIsDeletedWhereNoRowCarriesTheKey) {
  addThreeBatches();
  pickBatch(1);
  writeStored("发票管理库", 1, "发票编号", g("改名"));
  for (int index = 2; index <= 4; ++index) writeStored("发票记录库", index, "发票编号", g("改名"));
  const std::string batches = fileBytes("发票管理库.EDB");
  const std::string records = fileBytes("发票记录库.EDB");

  confirmDelete(invoices::kAnswerYes);

  EXPECT_EQ(fileBytes("发票管理库.EDB"), batches);
  EXPECT_EQ(fileBytes("发票记录库.EDB"), records);
  EXPECT_THAT(batchList(), ElementsAre("服务票0101", "服务票0301"));
}

// A block shorter than the batch's count ends at the first record of another batch.
TEST_F(DeleteBatch, AShortBlockNeverTakesTheNextBatchsRecords) {
  addThreeBatches();
  const std::vector<InvoiceRecord> before = invoiceRecords();
  pickBatch(1);
  writeStored("发票记录库", 4, "发票编号", g("改名"));  // B's last record no longer carries B's key

  confirmDelete(invoices::kAnswerYes);

  InvoiceRecord renamed = before[4];
  renamed.key = "改名";
  EXPECT_THAT(invoiceRecords(), ElementsAre(before[0], before[1], renamed, before[5], before[6]));
  EXPECT_EQ(batchRows().size(), 2u);
}

}  // namespace
}  // namespace korvana::testing
