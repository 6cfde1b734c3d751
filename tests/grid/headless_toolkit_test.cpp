// The tests' toolkit is code the logic's tests rely on; these pin down its own behaviour.
#include "support/headless_toolkit.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "grid/grid_model.h"
#include "text/gbk.h"

namespace korvana::testing {
namespace {

using invoices::Icon;

std::string g(const char* utf8) { return text::gbk(utf8); }

struct EventLog : invoices::WindowEvents {
  std::vector<std::string> seen;
  void windowCreated(Window) override { seen.push_back("created"); }
  void windowClosed(Window) override { seen.push_back("closed"); }
};

TEST(HeadlessToolkit, DropDownSelectionAndDeletion) {
  HeadlessToolkit tk;
  const std::string list = g("组合框_当前发票");
  EXPECT_EQ(tk.comboSelection(Window::Main, list), -1);
  tk.setComboSelection(Window::Main, list, 0);  // an empty list: none
  EXPECT_EQ(tk.comboSelection(Window::Main, list), -1);
  for (const char* key : {"A", "B", "C", "D"})
    tk.comboAddItem(Window::Main, list, key);
  EXPECT_EQ(tk.comboItemCount(Window::Main, list), 4);
  EXPECT_EQ(tk.comboItemText(Window::Main, list, 3), "D");
  EXPECT_EQ(tk.comboItemText(Window::Main, list, 4), "");
  EXPECT_EQ(tk.comboItemText(Window::Main, list, -1), "");

  tk.setComboSelection(Window::Main, list, 9);  // beyond the end: the last item
  EXPECT_EQ(tk.comboSelection(Window::Main, list), 3);
  EXPECT_EQ(tk.comboText(Window::Main, list), "D");
  tk.setComboSelection(Window::Main, list, 2);
  EXPECT_TRUE(tk.comboDeleteItem(Window::Main, list, 0));  // before it: it moves up
  EXPECT_EQ(tk.comboSelection(Window::Main, list), 1);
  EXPECT_EQ(tk.comboText(Window::Main, list), "C");
  EXPECT_TRUE(tk.comboDeleteItem(Window::Main, list, 2));  // after it: no change
  EXPECT_EQ(tk.comboSelection(Window::Main, list), 1);
  EXPECT_TRUE(tk.comboDeleteItem(Window::Main, list, 1));  // the selected one: none
  EXPECT_EQ(tk.comboSelection(Window::Main, list), -1);
  EXPECT_EQ(tk.comboText(Window::Main, list), "");
  EXPECT_FALSE(tk.comboDeleteItem(Window::Main, list, -1));
  EXPECT_FALSE(tk.comboDeleteItem(Window::Main, list, 1));
  EXPECT_EQ(tk.comboItemCount(Window::Main, list), 1);
  tk.setComboSelection(Window::Main, list, -5);
  EXPECT_EQ(tk.comboSelection(Window::Main, list), -1);

  // Writing the selection raises nothing; picking an item does.
  std::vector<int> picked;
  tk.onComboItemSelected = [&](Window, const std::string&) {
    picked.push_back(tk.comboSelection(Window::Main, list));
  };
  tk.setComboSelection(Window::Main, list, 0);
  tk.typeText(Window::Main, list, "typed");  // the text field only
  EXPECT_EQ(tk.comboText(Window::Main, list), "typed");
  EXPECT_EQ(tk.comboSelection(Window::Main, list), 0);
  EXPECT_TRUE(picked.empty());
  tk.pickComboItem(Window::Main, list, 0);
  EXPECT_EQ(picked, std::vector<int>{0});
  EXPECT_EQ(tk.comboText(Window::Main, list), "B");
}

TEST(HeadlessToolkit, ModalWindowRunsItsScriptBetweenItsEvents) {
  HeadlessToolkit tk;
  EventLog events;
  tk.setWindowEvents(&events);
  const std::string type = g("组合框_发票类型"), start = g("编辑框_起编号"),
                    count = g("编辑框_发票份数"), code = g("编辑框_发票代码");
  int runs = 0;
  tk.setScript(Window::AddBatch, [&](Window w) {
    ++runs;
    events.seen.push_back("script");
    EXPECT_TRUE(tk.isOpen(w));
    // Each opening starts from the initial state.
    EXPECT_EQ(tk.comboItemCount(w, type), 2);
    EXPECT_EQ(tk.comboItemText(w, type, 0), g("服务票"));
    EXPECT_EQ(tk.comboItemText(w, type, 1), g("销售票"));
    EXPECT_EQ(tk.comboSelection(w, type), 0);
    EXPECT_EQ(tk.comboText(w, type), g("服务票"));
    for (const std::string& box : {start, count, code}) EXPECT_EQ(tk.editText(w, box), "");

    tk.typeText(w, start, "00a12-3.4");  // only digits and "-" get through
    EXPECT_EQ(tk.editText(w, start), "0012-34");
    tk.typeText(w, count, "0");  // made "" as the focus leaves the box
    EXPECT_EQ(tk.editText(w, count), "");
    tk.typeText(w, count, "050");
    EXPECT_EQ(tk.editText(w, count), "50");
    tk.typeText(w, code, g("甲 1"));
    EXPECT_EQ(tk.editText(w, code), g("甲 1"));
    EXPECT_FALSE(tk.isCloseRequested(w));
    tk.closeWindow(w);
    EXPECT_TRUE(tk.isCloseRequested(w));
  });
  tk.loadModal(Window::AddBatch);
  tk.loadModal(Window::AddBatch);
  EXPECT_EQ(runs, 2);
  EXPECT_FALSE(tk.isOpen(Window::AddBatch));
  EXPECT_TRUE(tk.isOpen(Window::Main));
  const std::vector<std::string> expected = {"created", "script", "closed",
                                             "created", "script", "closed"};
  EXPECT_EQ(events.seen, expected);
  EXPECT_EQ(tk.modalsLoaded.size(), 2u);

  // Without a script the user closes the window at once.
  events.seen.clear();
  tk.loadModal(Window::PayerEditor);
  EXPECT_EQ(events.seen, (std::vector<std::string>{"created", "closed"}));
}

TEST(HeadlessToolkit, ReadOnlyBoxesTakeNoTypingButTheProgramWrites) {
  HeadlessToolkit tk;
  const std::string count = g("编辑框_发票份数"), type = g("编辑框_发票类型");
  tk.typeText(Window::Main, count, "12");
  EXPECT_EQ(tk.editText(Window::Main, count), "");
  tk.setEditText(Window::Main, count, "x0");
  EXPECT_EQ(tk.editText(Window::Main, count), "x0");
  tk.typeText(Window::Main, type, g("专用票"));
  EXPECT_EQ(tk.editText(Window::Main, type), g("专用票"));
}

TEST(HeadlessToolkit, MessageBoxesAreRecordedAndAnsweredFromTheQueue) {
  HeadlessToolkit tk;
  EXPECT_EQ(tk.messageBox("a", invoices::kButtonsOk), invoices::kAnswerOk);
  tk.answers = {invoices::kAnswerYes, invoices::kAnswerOk};
  EXPECT_EQ(tk.messageBox("b", invoices::kButtonsYesNo, g("删除确认")), invoices::kAnswerYes);
  EXPECT_EQ(tk.messageBox("c", invoices::kButtonsOk, g("错误"), Icon::Error),
            invoices::kAnswerOk);
  ASSERT_EQ(tk.messages.size(), 3u);
  EXPECT_EQ(tk.messages[0].caption, g("信息："));
  EXPECT_EQ(tk.messages[1].caption, g("删除确认"));
  EXPECT_EQ(tk.messages[1].buttons, invoices::kButtonsYesNo);
  EXPECT_EQ(tk.messages[2].icon, Icon::Error);
  EXPECT_EQ(tk.messageTexts(), (std::vector<std::string>{"a", "b", "c"}));

  // An unanswered question, an answer that is not a button of the box, a control that the
  // window does not have: each fails the test that meets it.
  int answer = -1;
  EXPECT_NONFATAL_FAILURE(answer = tk.messageBox("d", invoices::kButtonsYesNo),
                          "no answer queued");
  EXPECT_EQ(answer, invoices::kAnswerNo);
  tk.answers = {invoices::kAnswerYes};
  EXPECT_NONFATAL_FAILURE(tk.messageBox("e", invoices::kButtonsOk), "not a button");
  EXPECT_NONFATAL_FAILURE(tk.editText(Window::Main, g("编辑框_起始号")), "no edit box");
  EXPECT_NONFATAL_FAILURE(tk.comboItemCount(Window::AddBatch, g("组合框_当前发票")),
                          "no drop-down");
}

TEST(HeadlessToolkit, RecordsWebPagesAndPrints) {
  HeadlessToolkit tk;
  grid::GridModel grid(7, 6, 1, 0, false);
  tk.openWebPage("https://example.org/");
  tk.printGrid(grid);
  EXPECT_EQ(tk.webPages, std::vector<std::string>{"https://example.org/"});
  EXPECT_EQ(tk.printCount, 1);
  EXPECT_EQ(tk.lastPrinted, &grid);
}

}  // namespace
}  // namespace korvana::testing
