// Bad input in every entry field and grid cell the logic reads: over-long texts, control
// characters and line breaks, bytes that are no GBK character, NUL bytes, numbers out of
// range. Each is refused with its message or stored cut as the program stores texts, never
// with a crash, and never as a record written in part: after each input the tables hold
// exactly what the model says, and a fresh start shows them whole.
#include <gtest/gtest.h>

#include "safety_fixture.h"
#include "text/datetime.h"
#include "text/gbk.h"
#include "text/numbers.h"

namespace korvana::safety {
namespace {

std::string bytes(const char* raw, std::size_t n) { return std::string(raw, n); }

TEST(BadInput, TheAddBatchWindowRefusesOrCutsAndNeverStoresPart) {
  struct Case {
    const char* what;
    std::string type, code, start, count;  // GBK, typed as they are (the boxes filter keys)
    std::string refusal;                   // UTF-8; "" when the batch is stored
  };
  const std::string longCode = g("代码一二三四五六七八九");  // 20 bytes; the field holds 15
  const Case cases[] = {
      {"a type of 11 bytes", g("服务票服务x"), "1", "101", "2", "发票类型不能超过10个字节！"},
      {"a start of 11 bytes", g("甲"), "1", "12345678901", "2", "起编号不能超过10个字节！"},
      {"a count beyond the int range", g("乙"), "1", "201", "99999999999", "发票份数必须在1到1000之间！"},
      {"a negative count", g("丙"), "1", "301", "-5", "发票份数必须在1到1000之间！"},
      {"a count of 0", g("丁"), "1", "401", "0", "请输入发票止编号！"},
      {"a NUL in the type", bytes("a\0b", 3), "1", "501", "2", "输入的文字含有无法保存的字符！"},
      {"a NUL in the code", g("戊"), bytes("1\0002", 3), "601", "2", "输入的文字含有无法保存的字符！"},
      {"numbers past 2147483647", g("己"), "1", "2147483647", "2", "起编号超出范围！"},
      {"a line break and a tab in the type", "a\nb\tc", "1", "701", "2", ""},
      {"control characters in the code", g("庚"), "\x01\x1b[2J\x7f", "801", "2", ""},
      {"a code longer than its field", g("辛"), longCode, "901", "2", ""},
      {"bytes that are no GBK character", "\x81\xff", "\xfe", "1001", "2", ""},
      {"a start of only signs", g("壬"), "1", "--", "2", ""},
  };
  Folder folder;
  State model;
  {
    Program p(folder.path());
    ASSERT_TRUE(p.started);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      const std::size_t shown = p.tk.messages.size();
      p.tk.setScript(Window::AddBatch, [&](Window w) {
        p.tk.typeText(w, g("组合框_发票类型"), c.type);
        p.tk.typeText(w, g("编辑框_发票代码"), c.code);
        p.tk.typeText(w, g("编辑框_起编号"), c.start);
        p.tk.typeText(w, g("编辑框_发票份数"), c.count);
        p.book.confirmAddBatch();
        if (!p.tk.isCloseRequested(w)) p.book.cancelAddBatch();
      });
      p.book.addClicked();
      if (c.refusal.empty()) {
        EXPECT_EQ(p.tk.messages.size(), shown);
        Op add = Op::add(c.type, text::leftPart(c.code, 15), c.start,
                         text::textToInt(p.tk.editText(Window::Main, g("编辑框_发票份数"))));
        model = add.apply(model);
        checkShown(p, model);
      } else {
        ASSERT_EQ(p.tk.messages.size(), shown + 1);
        EXPECT_EQ(u(p.tk.messages.back().text), c.refusal);
      }
      EXPECT_EQ(readState(folder.path(), false), model);
    }
  }
  EXPECT_EQ(checkProgram(folder.path()), model);
}

TEST(BadInput, GridCellsStoreWhatTheyReadAsAndNothingElse) {
  struct Case {
    const char* what;
    int column;
    std::string typed;  // GBK
    const char* refusal = nullptr;  // the message of an edit that stores nothing (UTF-8)
  };
  std::string longPayer = "a";
  for (int i = 0; i < 10; ++i) longPayer += g("公");  // 21 bytes: cut inside a character
  const Case cases[] = {
      {"a date that does not exist", 3, "2010-02-30"},
      {"a date with a line break", 3, "2010-03-05\n08:00"},
      {"a date of control characters", 3, "\x01\x02\x03"},
      {"a very long date", 3, std::string(10000, '9')},
      {"the last date", 3, "9999-12-31"},
      {"an amount that is no number", 4, "abc"},
      {"an amount beyond a float", 4, "1e39", "金额超出范围，未保存！"},
      {"an amount beyond a double", 4, "1e999"},
      {"an amount too small to show", 4, "1e-50"},
      {"a negative amount", 4, "-12.345"},
      {"an amount with a line break", 4, "12\n5"},
      {"a payer longer than its field", 5, longPayer},
      {"a payer with line breaks and tabs", 5, "a\r\nb\tc"},
      {"a payer with a NUL", 5, bytes("x\0y", 3)},
      {"a payer of bytes that are no GBK character", 5, "\x80\xff\x81"},
      {"a payer of control characters", 5, "\x1b[31m\x07"},
  };
  Folder folder;
  State model;
  {
    Program p(folder.path());
    ASSERT_TRUE(p.started);
    p.addBatch("服务票", "1", "00000101", "3");
    model = readState(folder.path());
    size_t shown = p.tk.messages.size();
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      ASSERT_TRUE(p.book.recordsGrid().editCell(1, c.column, c.typed));
      if (c.refusal) {
        ASSERT_EQ(p.tk.messages.size(), ++shown);
        EXPECT_EQ(u(p.tk.messages.back().text), c.refusal);
        EXPECT_EQ(readState(folder.path(), false), model);
        continue;
      }
      Op op = Op::edit(g("服务票0101"), "00000101", c.column);
      const std::string cell = p.cell(1, c.column);  // what the grid made of the text
      op.date = text::textToDate(cell);
      op.amount = static_cast<float>(text::textToNumber(cell));
      op.text = cell;
      model = op.apply(model);
      EXPECT_EQ(readState(folder.path(), false), model);
      EXPECT_EQ(p.tk.messages.size(), shown) << u(p.tk.messages.back().text);
    }
  }
  EXPECT_EQ(checkProgram(folder.path()), model);
}

TEST(BadInput, PayerUnitCellsAreCutToTheirFields) {
  const std::vector<std::pair<int, std::string>> cases = {
      {0, "123456"},          {1, std::string(300, 'x')},  {1, "a\nb\r\tc"},
      {0, bytes("\0\0", 2)},  {1, "\x81"},                 {1, "\x1b[2J"},
      {0, g("一二三")},
  };
  Folder folder;
  State model;
  {
    Program p(folder.path());
    ASSERT_TRUE(p.started);
    p.inPayerEditor([&](invoices::PayerEditor& e) {
      e.add();
      model = Op(Op::kPayerAdd).apply(model);
      for (const auto& [field, typed] : cases) {
        SCOPED_TRACE(u(typed));
        e.editCell(0, field, typed);
        Op op(Op::kPayerEdit);
        op.index = 0;
        op.column = field;
        op.text = typed;
        model = op.apply(model);
        EXPECT_EQ(readState(folder.path(), false), model);
        EXPECT_EQ(e.cellText(0, field), field == 0 ? model.payers[0].number : model.payers[0].name);
      }
    });
    EXPECT_EQ(p.tk.messages.size(), 1u);  // the start's, nothing since
  }
  EXPECT_EQ(checkProgram(folder.path()), model);
}

}  // namespace
}  // namespace korvana::safety
