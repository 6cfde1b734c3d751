// Adding a batch through the add-batch window.
#include <gtest/gtest.h>

#include "book_fixture.h"

namespace korvana::testing {
namespace {

using ::testing::ElementsAre;
using AddBatch = BookTest;

TEST_F(AddBatch, StoresTheBatchAndOneRecordPerNumberAndShowsIt) {
  ASSERT_TRUE(start());
  tk->messages.clear();

  addBatch("服务票", "1100082140", "00123401", "50");

  EXPECT_TRUE(tk->messages.empty());
  EXPECT_EQ(book->state().addConfirmed, 1);
  EXPECT_THAT(batchRows(), ElementsAre(BatchRow{"服务票3401", "服务票", "1100082140", "00123401", 50}));
  const std::vector<InvoiceRecord> records = invoiceRecords();
  ASSERT_EQ(records.size(), 50u);
  for (int i = 0; i < 50; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%08d", 123401 + i);
    EXPECT_EQ(records[i], blankRecord("服务票3401", number)) << i;
  }

  EXPECT_THAT(batchList(), ElementsAre("服务票3401"));
  EXPECT_EQ(batchSelection(), 0);
  EXPECT_EQ(box(Window::Main, "编辑框_发票类型"), "服务票");
  EXPECT_EQ(box(Window::Main, "编辑框_发票代码"), "1100082140");
  EXPECT_EQ(box(Window::Main, "编辑框_起编号"), "00123401");
  EXPECT_EQ(box(Window::Main, "编辑框_发票份数"), "50");

  const grid::GridModel& grid = book->recordsGrid();
  ASSERT_EQ(grid.rowCount(), 52);
  for (int row = 1; row <= 50; ++row) {
    EXPECT_EQ(recordCell(row, 0), std::to_string(row));
    EXPECT_EQ(recordCell(row, 1), records[row - 1].number);
    EXPECT_FALSE(ticked(row));
    EXPECT_EQ(recordCell(row, 3) + recordCell(row, 4) + recordCell(row, 5), "");
    EXPECT_TRUE(grid.isReadOnly(row, 0) && grid.isReadOnly(row, 1));
    EXPECT_FALSE(grid.isReadOnly(row, 3));
  }
  EXPECT_EQ(recordCell(51, 0), "合计");
  EXPECT_EQ(recordCell(51, 4), "");
  EXPECT_EQ(statsCell(1, 0), "");  // no tally after adding
}

TEST_F(AddBatch, NumbersWrapInTheLastThreeDigits) {
  ASSERT_TRUE(start());
  addBatch("销售票", "77", "00123998", "5");

  std::vector<std::string> stored, shown;
  for (const InvoiceRecord& r : invoiceRecords()) stored.push_back(r.number);
  for (int row = 1; row <= 5; ++row) shown.push_back(recordCell(row, 1));
  const std::vector<std::string> expected{"00123998", "00123999", "00123000", "00123001", "00123002"};
  EXPECT_EQ(stored, expected);
  EXPECT_EQ(shown, expected);
}

TEST_F(AddBatch, EmptyBoxesAreAskedForInOrderAndTheWindowKeepsItsEntries) {
  ASSERT_TRUE(start());
  tk->messages.clear();
  const std::string start = g("编辑框_起编号"), count = g("编辑框_发票份数");
  tk->setScript(Window::AddBatch, [&](Window w) {
    book->confirmAddBatch();
    tk->typeText(w, count, "5");
    book->confirmAddBatch();  // the starting number is still missing
    tk->typeText(w, start, "00000101");
    tk->typeText(w, count, "");
    book->confirmAddBatch();
    tk->typeText(w, count, "0");  // "0" is emptied as the focus leaves the box
    book->confirmAddBatch();
    tk->typeText(w, count, "5");
    book->confirmAddBatch();
    EXPECT_FALSE(tk->isCloseRequested(w));
    EXPECT_EQ(tk->editText(w, start), "00000101");
    EXPECT_EQ(tk->editText(w, count), "5");
    book->cancelAddBatch();
  });
  book->addClicked();

  EXPECT_THAT(messages(), ElementsAre("请输入发票始编号！", "请输入发票始编号！", "请输入发票止编号！",
                                      "请输入发票止编号！", "请输入发票代码！"));
  EXPECT_EQ(book->state().addConfirmed, 0);
  EXPECT_TRUE(batchRows().empty());
  EXPECT_TRUE(invoiceRecords().empty());
  EXPECT_TRUE(batchList().empty());
}

TEST_F(AddBatch, CancelStoresNothingAndLeavesTheMainWindowAsItWas) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "2");
  tk->messages.clear();
  tk->setScript(Window::AddBatch, [&](Window w) {
    tk->typeText(w, g("编辑框_发票代码"), "9");
    tk->typeText(w, g("编辑框_起编号"), "00000201");
    tk->typeText(w, g("编辑框_发票份数"), "3");
    book->cancelAddBatch();
  });
  book->addClicked();

  EXPECT_EQ(batchRows().size(), 1u);
  EXPECT_EQ(invoiceRecords().size(), 2u);
  EXPECT_THAT(batchList(), ElementsAre("服务票0101"));
  EXPECT_EQ(box(Window::Main, "编辑框_起编号"), "00000101");
  EXPECT_EQ(book->recordsGrid().rowCount(), 4);
  EXPECT_TRUE(tk->messages.empty());
}

// Input the tables cannot hold or that would leave records no one can reach is refused after
// the emptiness tests, one message at a time, and the window stays open with its entries.
TEST_F(AddBatch, RefusesInputTheTablesCannotHold) {
  struct Case {
    const char* type;
    const char* start;
    const char* count;
    const char* message;
  };
  const Case cases[] = {
      {"服务票服务票", "00000901", "2", "发票类型不能超过10个字节！"},    // 12 bytes
      {"服务票服务票服务票", "12345678901", "0", "请输入发票止编号！"},  // emptiness first
      {"服务票", "12345678901", "2", "起编号不能超过10个字节！"},
      {"服务票服务票", "12345678901", "2", "发票类型不能超过10个字节！"},  // type before start
      {"服务票", "00000901", "-1", "发票份数必须在1到1000之间！"},
      {"服务票", "00000901", "1001", "发票份数必须在1到1000之间！"},
      {"服务票", "00000901", "99999999999", "发票份数必须在1到1000之间！"},
      {"服务票", "2147483647", "2", "起编号超出范围！"},
      {"服务票", "9999999999", "1", "起编号超出范围！"},
      {"服务票", "2147483600", "49", "起编号超出范围！"},
      {"销售票", "99990101", "3", "发票编号已存在：销售票0101！"},
  };
  ASSERT_TRUE(start());
  addBatch("销售票", "1", "00000101", "2");
  const std::string batches = fileBytes("发票管理库.EDB");
  const std::string records = fileBytes("发票记录库.EDB");

  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + c.start + " " + c.count);
    tk->messages.clear();
    bool stayedOpen = false;
    addBatch(c.type, "1100082140", c.start, c.count, [&] {
      stayedOpen = true;
      EXPECT_EQ(box(Window::AddBatch, "编辑框_起编号"), c.start);
      EXPECT_EQ(box(Window::AddBatch, "编辑框_发票代码"), "1100082140");
      EXPECT_EQ(u(tk->comboText(Window::AddBatch, g("组合框_发票类型"))), c.type);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_THAT(messages(), ElementsAre(c.message));
    EXPECT_EQ(book->state().addConfirmed, 0);
    EXPECT_EQ(fileBytes("发票管理库.EDB"), batches);
    EXPECT_EQ(fileBytes("发票记录库.EDB"), records);
    EXPECT_THAT(batchList(), ElementsAre("销售票0101"));
  }
}

TEST_F(AddBatch, AcceptsTheLimits) {
  ASSERT_TRUE(start());
  addBatch("服务票服务", "1", "2147483647", "1");  // a 10-byte type, the largest number
  addBatch("服务票", "2", "1", "1000");
  tk->messages.clear();

  EXPECT_THAT(batchList(), ElementsAre("服务票服务3647", "服务票1"));
  const std::vector<InvoiceRecord> records = invoiceRecords();
  ASSERT_EQ(records.size(), 1001u);
  EXPECT_EQ(records[0].number, "2147483647");
  EXPECT_EQ(records[1].number, "1");
  EXPECT_EQ(records[1000].number, "000");  // the thousandth number wraps
  EXPECT_EQ(book->recordsGrid().rowCount(), 1002);
}

}  // namespace
}  // namespace korvana::testing
