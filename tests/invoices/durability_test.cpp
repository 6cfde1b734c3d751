// Every action makes what it wrote reach the disk before it returns, and a write that fails
// is reported where the user has to know.
#include <gtest/gtest.h>

#include "book_fixture.h"
#include "invoices/payer_editor.h"
#include "support/fault_file_system.h"

namespace korvana::testing {
namespace {

using ::testing::ElementsAre;

class Durability : public BookTest {
 protected:
  Durability() { fileSystem = &faults; }
  ~Durability() override { stop(); }

  FaultFileSystem faults;
};

TEST_F(Durability, EachActionSyncsEveryFileItWroteOnce) {
  ASSERT_TRUE(start());
  struct Step {
    const char* action;
    std::function<void()> run;
    int syncs;
  };
  const Step steps[] = {
      {"add a batch", [&] { addBatch("服务票", "1", "00000101", "3"); }, 2},
      {"tick a row", [&] { click(1); }, 1},
      {"enter a date", [&] { edit(1, 3, "2010-03-05"); }, 1},
      {"enter an amount", [&] { edit(1, 4, "8"); }, 1},
      {"choose a payer", [&] { edit(1, 5, "甲公司"); }, 1},
      {"pick a batch", [&] { pickBatch(0); }, 0},
      {"add a payer unit and name it",
       [&] {
         tk->setScript(Window::PayerEditor, [&](Window) {
           book->payerEditor()->add();
           book->payerEditor()->editCell(0, 1, g("甲公司"));
           book->payerEditor()->editCell(0, 1, g("甲公司"));  // unchanged: not written
         });
         book->payerManagementClicked();
       },
       2},
      {"answer No to deleting", [&] { tk->answers.push_back(invoices::kAnswerNo); book->deleteClicked(); }, 0},
      {"delete the batch", [&] { tk->answers.push_back(invoices::kAnswerYes); book->deleteClicked(); }, 2},
  };
  for (const Step& step : steps) {
    faults.resetCounters();
    step.run();
    EXPECT_EQ(faults.syncs(), step.syncs) << step.action;
  }
  EXPECT_TRUE(batchRows().empty());
  EXPECT_THAT(payerRows(), ElementsAre(PayerRow{"", "甲公司"}));
}

TEST_F(Durability, ABatchRowThatCannotBeStoredIsReportedAndNothingIsAdded) {
  ASSERT_TRUE(start());
  tk->messages.clear();
  bool stayedOpen = false;
  tk->setScript(Window::AddBatch, [&](Window w) {
    tk->typeText(w, g("编辑框_发票代码"), "1");
    tk->typeText(w, g("编辑框_起编号"), "00000101");
    tk->typeText(w, g("编辑框_发票份数"), "3");
    faults.failWrite(1, -14, true);  // the disk is full
    book->confirmAddBatch();
    faults.clearFaults();
    stayedOpen = !tk->isCloseRequested(w);
    book->cancelAddBatch();
  });
  book->addClicked();

  EXPECT_TRUE(stayedOpen);
  EXPECT_THAT(messages(), ElementsAre("更新失败！请检查"));
  EXPECT_EQ(book->state().addConfirmed, 0);
  EXPECT_TRUE(batchList().empty());
  EXPECT_TRUE(batchRows().empty());
  EXPECT_TRUE(invoiceRecords().empty());
}

TEST_F(Durability, APayerUnitThatCannotBeAppendedIsReported) {
  ASSERT_TRUE(start());
  tk->messages.clear();
  tk->setScript(Window::PayerEditor, [&](Window) {
    invoices::PayerEditor* editor = book->payerEditor();
    editor->add();
    faults.failWrite(1, -14, true);
    editor->add();
    faults.clearFaults();
    EXPECT_EQ(editor->recordCount(), 1);
    EXPECT_EQ(editor->currentRow(), 0);
  });
  book->payerManagementClicked();

  EXPECT_THAT(messages(), ElementsAre("插入新记录失败!"));
  EXPECT_EQ(payerRows().size(), 1u);
}

}  // namespace
}  // namespace korvana::testing
