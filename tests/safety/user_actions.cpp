#include "user_actions.h"

#include <cctype>

#include "support/fault_file_system.h"
#include "text/datetime.h"

namespace korvana::safety {

namespace {

// Dates, ticks, amounts and payers on the first three invoices of the shown batch.
void fillFirstRows(Program& p) {
  const char* dates[] = {"2010-03-05", "2010-03-20", "2010-04-01"};
  const char* payers[] = {"甲公司", "乙公司", "甲公司"};
  for (int row = 1; row <= 3; ++row) {
    EXPECT_TRUE(p.edit(row, 3, dates[row - 1]));
    EXPECT_TRUE(p.edit(row, 4, std::to_string(row * 10) + ".5"));
    EXPECT_TRUE(p.edit(row, 5, payers[row - 1]));
  }
}

Book makeBook(bool large) {
  Folder folder;
  {
    Program p(folder.path());
    EXPECT_TRUE(p.started);
    p.inPayerEditor([](invoices::PayerEditor& e) {
      e.add();
      e.editCell(0, 1, g("甲公司"));
      e.add();
      e.editCell(1, 1, g("乙公司"));
    });
    p.addBatch("服务票", "1100082140", "00000101", "10");
    fillFirstRows(p);
    if (large) {
      p.addBatch("销售票", "1100082141", "00101001", "1000");
      p.addBatch("销售票", "1100082142", "00202001", "1000");
      p.addBatch("销售票", "1100082143", "00303001", "700");
    }
    p.addBatch("销售票", "1100082144", "00000201", "10");
    p.addBatch("服务票", "1100082145", "00000301", "10");
    fillFirstRows(p);
    EXPECT_EQ(p.messages(), (std::vector<std::string>{"请添加新的发票！"}));
  }
  return folder.tables();
}

Op editOp(int row, int column) {
  return Op::edit(g("服务票0301"), invoices::makeInvoiceNumber("00000301", row), column);
}

std::vector<std::string> saveFailed(std::initializer_list<const char*> tables) {
  std::vector<std::string> out;
  for (const char* t : tables) out.push_back(std::string("保存失败：") + t + "\n");
  return out;
}

}  // namespace

const Book& smallBook() {
  static const Book book = makeBook(false);
  return book;
}

const Book& largeBook() {
  static const Book book = makeBook(true);
  return book;
}

void PrintTo(const UserAction& a, std::ostream* os) { *os << a.name; }

std::string testName(const UserAction& a) {
  std::string name = a.name;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

const std::vector<UserAction>& userActions() {
  static const std::vector<UserAction> all = [] {
    std::vector<UserAction> v;
    v.push_back({"add a batch of 50", false,
                 [](Program& p, const auto& arm) {
                   p.addBatch("销售票", "1100082146", "00000401", "50", arm);
                 },
                 Op::add(g("销售票"), "1100082146", "00000401", 50),
                 {"更新失败！请检查", "保存失败：发票管理库\n", "保存失败：发票记录库\n"}});

    Op tick = editOp(4, 2);
    tick.tick = true;
    v.push_back({"tick an invoice", false,
                 [](Program& p, const auto& arm) {
                   arm();
                   EXPECT_TRUE(p.click(4));
                 },
                 tick, saveFailed({"发票记录库"})});

    Op date = editOp(4, 3);
    date.date = text::makeDate(2010, 4, 2);
    v.push_back({"enter a date", false,
                 [](Program& p, const auto& arm) {
                   arm();
                   EXPECT_TRUE(p.edit(4, 3, "2010-04-02"));
                 },
                 date, saveFailed({"发票记录库"})});

    Op amount = editOp(2, 4);
    amount.amount = 1234.56f;
    v.push_back({"enter an amount", false,
                 [](Program& p, const auto& arm) {
                   arm();
                   EXPECT_TRUE(p.edit(2, 4, "1234.56"));
                 },
                 amount, saveFailed({"发票记录库"})});

    Op payer = editOp(3, 5);
    payer.text = g("乙公司");
    v.push_back({"choose a payer", false,
                 [](Program& p, const auto& arm) {
                   arm();
                   EXPECT_TRUE(p.edit(3, 5, "乙公司"));
                 },
                 payer, saveFailed({"发票记录库"})});

    const std::vector<std::string> deleteFailed = saveFailed({"发票记录库", "发票管理库"});
    v.push_back({"delete the first batch", false,
                 [](Program& p, const auto& arm) {
                   p.pick(0);
                   p.deleteCurrent(arm);
                 },
                 Op::remove(g("服务票0101")), deleteFailed});
    v.push_back({"delete a middle batch", false,
                 [](Program& p, const auto& arm) {
                   p.pick(1);
                   p.deleteCurrent(arm);
                 },
                 Op::remove(g("销售票0201")), deleteFailed});
    v.push_back({"delete the last batch", false,
                 [](Program& p, const auto& arm) { p.deleteCurrent(arm); },
                 Op::remove(g("服务票0301")), deleteFailed});

    v.push_back({"add a payer unit", false,
                 [](Program& p, const auto& arm) {
                   p.inPayerEditor([&](invoices::PayerEditor& e) {
                     arm();
                     e.add();
                   });
                 },
                 Op(Op::kPayerAdd), {"插入新记录失败!", "保存失败：单位库\n"}});

    Op rename(Op::kPayerEdit);
    rename.index = 1;
    rename.column = 1;
    rename.text = g("丙公司有限责任公司");
    v.push_back({"rename a payer unit", false,
                 [](Program& p, const auto& arm) {
                   p.inPayerEditor([&](invoices::PayerEditor& e) {
                     arm();
                     e.editCell(1, 1, g("丙公司有限责任公司"));
                   });
                 },
                 rename, saveFailed({"单位库"})});

    Op dropPayer(Op::kPayerDelete);
    dropPayer.index = 0;
    v.push_back({"delete a payer unit", false,
                 [](Program& p, const auto& arm) {
                   p.inPayerEditor([&](invoices::PayerEditor& e) {
                     e.setCurrentRow(0);
                     arm();
                     e.remove();
                   });
                 },
                 dropPayer, {"删除记录失败!", "保存失败：单位库\n"}});

    v.push_back({"delete the first batch of a large book", true,
                 [](Program& p, const auto& arm) {
                   p.pick(0);
                   p.deleteCurrent(arm);
                 },
                 Op::remove(g("服务票0101")), deleteFailed});
    return v;
  }();
  return all;
}

int writesOf(const UserAction& action, const std::string& folder) {
  testing::FaultFileSystem faults;
  Program p(folder, faults);
  EXPECT_TRUE(p.started);
  int first = 0;
  action.run(p, [&] { first = faults.writes(); });
  return faults.writes() - first;
}

}  // namespace korvana::safety
