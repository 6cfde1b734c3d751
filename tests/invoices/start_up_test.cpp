// Start-up: the table files, the payer and batch lists, the batch shown; a restart; the batch
// list; Print and Help.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "book_fixture.h"
#include "invoices/invoice_tables.h"
#include "store/table_store.h"

namespace korvana::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

std::set<std::string> entries(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

using StartUp = BookTest;

TEST_F(StartUp, FirstStartCreatesTheThreeTablesAndAsksForABatchOnce) {
  ASSERT_TRUE(start());

  EXPECT_EQ(entries(dir.path()),
            (std::set<std::string>{"单位库.EDB", "发票管理库.EDB", "发票记录库.EDB"}));
  EXPECT_EQ(fs::file_size(dir.file("单位库.EDB")), 260u);
  EXPECT_EQ(fs::file_size(dir.file("发票管理库.EDB")), 476u);
  EXPECT_EQ(fs::file_size(dir.file("发票记录库.EDB")), 548u);

  ASSERT_EQ(tk->messages.size(), 1u);
  EXPECT_EQ(u(tk->messages[0].text), "请添加新的发票！");
  EXPECT_EQ(u(tk->messages[0].caption), "信息：");
  EXPECT_EQ(tk->messages[0].buttons, invoices::kButtonsOk);

  EXPECT_TRUE(batchList().empty());
  EXPECT_EQ(batchSelection(), -1);
  for (const char* control : {"编辑框_发票类型", "编辑框_发票代码", "编辑框_起编号", "编辑框_发票份数"}) {
    EXPECT_EQ(box(Window::Main, control), "") << control;
  }

  const grid::GridModel& records = book->recordsGrid();
  const grid::GridModel& stats = book->statsGrid();
  EXPECT_EQ(records.rowCount(), 27);
  EXPECT_EQ(stats.rowCount(), 7);
  EXPECT_EQ(recordCell(0, 0), "序号");
  EXPECT_EQ(recordCell(0, 5), "付款单位");
  EXPECT_EQ(statsCell(0, 5), "作废");
  EXPECT_EQ(recordCell(1, 0), "");
  EXPECT_EQ(records.columnKind(5), grid::List);
  EXPECT_TRUE(payerItems().empty());
}

TEST_F(StartUp, RestartKeepsEveryFileAndShowsTheLastBatch) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1100082140", "00123401", "3");
  addBatch("销售票", "2200", "00000501", "2");
  tickRows(1);
  ASSERT_TRUE(edit(1, 3, "2010-03-05"));
  ASSERT_TRUE(edit(1, 4, "12.5"));
  ASSERT_TRUE(edit(1, 5, "甲公司"));
  const std::string batches = fileBytes("发票管理库.EDB");
  const std::string records = fileBytes("发票记录库.EDB");
  const std::string payers = fileBytes("单位库.EDB");

  ASSERT_TRUE(start());

  // The files were opened as they are ("发票管理库.edb" finds "发票管理库.EDB"), not replaced.
  EXPECT_EQ(entries(dir.path()).size(), 3u);
  EXPECT_EQ(fileBytes("发票管理库.EDB"), batches);
  EXPECT_EQ(fileBytes("发票记录库.EDB"), records);
  EXPECT_EQ(fileBytes("单位库.EDB"), payers);
  EXPECT_TRUE(tk->messages.empty());

  EXPECT_THAT(batchList(), ElementsAre("服务票3401", "销售票0501"));
  EXPECT_EQ(batchSelection(), 1);
  EXPECT_EQ(box(Window::Main, "编辑框_发票代码"), "2200");
  EXPECT_EQ(recordCell(1, 1), "00000501");
  EXPECT_TRUE(ticked(1));
  EXPECT_EQ(recordCell(1, 3), "2010年3月5日");
  EXPECT_EQ(recordCell(1, 4), "12.50");
  EXPECT_EQ(recordCell(1, 5), "甲公司");
  EXPECT_EQ(recordCell(3, 4), "12.50");
  EXPECT_EQ(statsRow(1),
            (std::vector<std::string>{"2010-3", "00000501", "00000501", "1", "12.50", ""}));
}

TEST_F(StartUp, AMissingRecordTableIsCreatedAlone) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "2");
  stop();
  const std::string batches = fileBytes("发票管理库.EDB");
  const std::string payers = fileBytes("单位库.EDB");
  fs::remove(dir.file("发票记录库.EDB"));

  ASSERT_TRUE(start());

  EXPECT_EQ(fileBytes("发票管理库.EDB"), batches);
  EXPECT_EQ(fileBytes("单位库.EDB"), payers);
  EXPECT_EQ(fs::file_size(dir.file("发票记录库.EDB")), 548u);
  // The batch is listed and shown with its stored count; its records are gone, so it has no
  // rows but the totals row.
  EXPECT_THAT(batchList(), ElementsAre("服务票0101"));
  EXPECT_EQ(box(Window::Main, "编辑框_发票份数"), "2");
  EXPECT_EQ(book->recordsGrid().rowCount(), 2);
  EXPECT_EQ(recordCell(1, 0), "合计");
}

// A table file that is there but cannot be opened: the user is told which and why, the
// program ends, and no file is written or created.
struct BrokenFile {
  const char* onDisk;
  const char* named;  // as the program asks for it
};
void PrintTo(const BrokenFile& f, std::ostream* os) { *os << f.onDisk; }

class StartUpWithBrokenFile : public BookTest, public ::testing::WithParamInterface<BrokenFile> {};

TEST_P(StartUpWithBrokenFile, EndsTheProgramWithTheReasonAndTouchesNoFile) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "2");
  stop();
  { std::ofstream(dir.file(GetParam().onDisk), std::ios::binary) << std::string(600, 'x'); }
  std::map<std::string, std::string> before;
  for (const std::string& name : entries(dir.path())) before[name] = fileBytes(name);

  EXPECT_FALSE(start());

  ASSERT_EQ(tk->messages.size(), 1u);
  EXPECT_EQ(u(tk->messages[0].text), std::string("打开数据文件失败：") + GetParam().named + "\n" +
                                         u(store::TableStore::errorText(-22)));
  EXPECT_EQ(u(tk->messages[0].caption), "错误");
  EXPECT_TRUE(batchList().empty());
  std::map<std::string, std::string> after;
  for (const std::string& name : entries(dir.path())) after[name] = fileBytes(name);
  EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(EachTable, StartUpWithBrokenFile,
                         ::testing::Values(BrokenFile{"单位库.EDB", "单位库.EDB"},
                                           BrokenFile{"发票管理库.EDB", "发票管理库.edb"},
                                           BrokenFile{"发票记录库.EDB", "发票记录库.edb"}));

TEST_F(StartUp, ABrokenPayerTableAloneStopsBeforeAnyTableIsCreated) {
  { std::ofstream(dir.file("单位库.edb"), std::ios::binary) << std::string(600, 'x'); }
  EXPECT_FALSE(start());
  EXPECT_EQ(entries(dir.path()), std::set<std::string>{"单位库.edb"});
  EXPECT_EQ(fileBytes("单位库.edb"), std::string(600, 'x'));
}

TEST_F(StartUp, ATableThatCannotBeCreatedEndsTheProgramWithItsName) {
  fs::remove_all(dir.path());  // the program's folder is gone

  EXPECT_FALSE(start());
  EXPECT_THAT(messages(), ElementsAre("创建单位库失败！"));
  EXPECT_EQ(u(tk->messages[0].caption), "信息：");
}

TEST_F(StartUp, TheBatchListShowsThePickedBatchAndItsMonths) {
  ASSERT_TRUE(start());
  addBatch("服务票", "111", "00000101", "2");  // A
  ASSERT_TRUE(edit(1, 3, "2010-01-10"));
  addBatch("销售票", "222", "00000201", "3");  // B
  addBatch("服务票", "333", "00000301", "4");  // C
  ASSERT_TRUE(edit(1, 3, "2011-05-02"));
  ASSERT_TRUE(edit(1, 4, "30"));

  ASSERT_TRUE(start());
  EXPECT_THAT(batchList(), ElementsAre("服务票0101", "销售票0201", "服务票0301"));
  EXPECT_EQ(batchSelection(), 2);
  EXPECT_EQ(box(Window::Main, "编辑框_发票代码"), "333");
  EXPECT_EQ(book->recordsGrid().rowCount(), 6);
  EXPECT_EQ(statsRow(1),
            (std::vector<std::string>{"2011-5", "00000301", "00000301", "1", "30.00", ""}));

  pickBatch(0);
  EXPECT_EQ(u(book->state().currentBatchKey), "服务票0101");
  EXPECT_EQ(box(Window::Main, "编辑框_发票代码"), "111");
  EXPECT_EQ(box(Window::Main, "编辑框_发票份数"), "2");
  EXPECT_EQ(book->recordsGrid().rowCount(), 4);
  EXPECT_EQ(recordCell(2, 1), "00000102");
  EXPECT_EQ(statsRow(1),
            (std::vector<std::string>{"2010-1", "00000101", "00000101", "1", "", "00000101"}));

  // Typing into the list's text field changes nothing.
  tk->typeText(Window::Main, g("组合框_当前发票"), g("服务票0301"));
  EXPECT_EQ(u(book->state().currentBatchKey), "服务票0101");
  EXPECT_EQ(recordCell(2, 1), "00000102");
}

TEST_F(StartUp, PrintShowsTheStatisticsAndHelpOpensTheGuideBesideTheProgram) {
  ASSERT_TRUE(start());
  book->printClicked();
  EXPECT_EQ(tk->printCount, 1);
  EXPECT_EQ(tk->lastPrinted, &book->statsGrid());
  book->helpClicked();
  EXPECT_THAT(tk->webPages, ElementsAre(dir.path() + "/korvana-help.html"));
}

}  // namespace
}  // namespace korvana::testing
