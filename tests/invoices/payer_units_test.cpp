// The payer list and the payer unit editor.
#include <gtest/gtest.h>

#include "book_fixture.h"
#include "invoices/payer_editor.h"

namespace korvana::testing {
namespace {

using ::testing::ElementsAre;
using invoices::PayerEditor;

class PayerUnits : public BookTest {
 protected:
  // The user opens the payer unit editor, does `work` in it and closes it.
  void inEditor(const std::function<void(PayerEditor&)>& work) {
    tk->setScript(Window::PayerEditor, [&](Window) {
      PayerEditor* editor = book->payerEditor();
      ASSERT_NE(editor, nullptr);
      ASSERT_TRUE(editor->isOpen());
      work(*editor);
    });
    book->payerManagementClicked();
    tk->setScript(Window::PayerEditor, nullptr);
  }

  void addUnit(PayerEditor& editor, const char* number, const char* name) {
    editor.add();
    const int row = editor.currentRow();
    ASSERT_EQ(row, editor.recordCount() - 1);
    if (*number) editor.editCell(row, 0, g(number));
    if (*name) editor.editCell(row, 1, g(name));
  }
};

TEST_F(PayerUnits, UnitsAddedInTheEditorJoinTheListWhenItCloses) {
  ASSERT_TRUE(start());
  EXPECT_TRUE(payerItems().empty());

  inEditor([&](PayerEditor& editor) {
    EXPECT_EQ(editor.recordCount(), 0);
    EXPECT_EQ(editor.currentRow(), -1);
    EXPECT_EQ(u(editor.fieldName(0)), "单位编号");
    EXPECT_EQ(u(editor.fieldName(1)), "单位名称");
    addUnit(editor, "0001", "甲公司");
    addUnit(editor, "0002", "乙公司");
    addUnit(editor, "", "");  // left empty
    // Every change is in the file at once, while the editor is still open.
    EXPECT_THAT(payerRows(), ElementsAre(PayerRow{"0001", "甲公司"}, PayerRow{"0002", "乙公司"},
                                         PayerRow{"", ""}));
    EXPECT_TRUE(payerItems().empty());  // the list follows only after closing
  });

  EXPECT_EQ(book->payerEditor(), nullptr);
  EXPECT_THAT(payerItems(), ElementsAre("甲公司", "乙公司", ""));
  EXPECT_EQ(book->recordsGrid().columnKind(5), grid::List);

  // Opening and closing without a change keeps the list; a restart loads the same list.
  inEditor([](PayerEditor&) {});
  EXPECT_THAT(payerItems(), ElementsAre("甲公司", "乙公司", ""));
  ASSERT_TRUE(start());
  EXPECT_THAT(payerItems(), ElementsAre("甲公司", "乙公司", ""));
}

TEST_F(PayerUnits, DeletingAUnitRemovesItsNameButNotFromInvoices) {
  ASSERT_TRUE(start());
  inEditor([&](PayerEditor& editor) {
    addUnit(editor, "0001", "甲公司");
    addUnit(editor, "0002", "乙公司");
    addUnit(editor, "0003", "丙公司");
  });
  addBatch("服务票", "1", "00000101", "1");
  ASSERT_TRUE(edit(1, 5, "甲公司"));
  tk->messages.clear();

  inEditor([&](PayerEditor& editor) {
    editor.first();
    editor.remove();
    EXPECT_EQ(editor.currentRow(), 0);
    EXPECT_EQ(u(editor.cellText(0, 1)), "乙公司");
    editor.last();
    editor.remove();  // the last row: the current row moves up to the new last one
    EXPECT_EQ(editor.currentRow(), 0);
  });

  EXPECT_THAT(payerItems(), ElementsAre("乙公司"));
  EXPECT_THAT(payerRows(), ElementsAre(PayerRow{"0002", "乙公司"}));
  EXPECT_EQ(invoiceRecords()[0].payer, "甲公司");
  EXPECT_TRUE(tk->messages.empty());
}

TEST_F(PayerUnits, TheNavigatorStaysWithinTheRecords) {
  ASSERT_TRUE(start());
  inEditor([&](PayerEditor& editor) {
    for (const char* name : {"甲", "乙", "丙"}) addUnit(editor, "", name);
    struct Step { void (PayerEditor::*action)(); int row; };
    const Step steps[] = {
        {&PayerEditor::first, 0}, {&PayerEditor::previous, 0}, {&PayerEditor::next, 1},
        {&PayerEditor::next, 2},  {&PayerEditor::next, 2},     {&PayerEditor::previous, 1},
        {&PayerEditor::last, 2},  {&PayerEditor::first, 0},
    };
    for (const Step& s : steps) {
      (editor.*s.action)();
      EXPECT_EQ(editor.currentRow(), s.row);
    }
  });
}

TEST_F(PayerUnits, TextsAreCutToTheirFieldsAndUnchangedTextsAreNotWritten) {
  ASSERT_TRUE(start());
  inEditor([&](PayerEditor& editor) {
    addUnit(editor, "123456", "北京市海淀区某某科技有限公司");
    EXPECT_EQ(u(editor.cellText(0, 0)), "1234");
    EXPECT_EQ(u(editor.cellText(0, 1)), "北京市海淀区某某科技");
    EXPECT_FALSE(editor.editCell(0, 1, g("北京市海淀区某某科技")));
    EXPECT_TRUE(editor.editCell(0, 1, g("甲")));  // shorter: no trace of the longer name
    EXPECT_EQ(u(editor.cellText(0, 1)), "甲");
  });
  EXPECT_THAT(payerRows(), ElementsAre(PayerRow{"1234", "甲"}));
  EXPECT_EQ(fileBytes("单位库.EDB").substr(260 + 8 + 2), std::string(18, '\0'));
}

TEST_F(PayerUnits, DeletingFromAnEmptyTableIsRefused) {
  ASSERT_TRUE(start());
  tk->messages.clear();
  const std::string before = fileBytes("单位库.EDB");
  inEditor([](PayerEditor& editor) { editor.remove(); });
  EXPECT_THAT(messages(), ElementsAre("删除记录失败!"));
  EXPECT_EQ(fileBytes("单位库.EDB"), before);
}

// A payer table that is not open gives an empty list, whatever table is current.
TEST_F(PayerUnits, ThePayerListOfATableThatIsNotOpenIsEmpty) {
  ASSERT_TRUE(start());
  inEditor([&](PayerEditor& editor) { addUnit(editor, "1", "甲公司"); });
  addBatch("服务票", "1", "00000101", "1");
  ASSERT_THAT(payerItems(), ElementsAre("甲公司"));
  stop();

  tk = std::make_unique<HeadlessToolkit>();
  book = std::make_unique<invoices::InvoiceBook>(*tk);
  book->recordsGrid().setColumnCount(6);
  book->recordsGrid().clearListItems();
  book->recordsGrid().addListItem(g("旧名称"));
  book->recordsGrid().setColumnKind(5, grid::List);
  ASSERT_TRUE(book->store().openTable(g(dir.path() + "/发票管理库.edb")));

  book->fillPayerList(book->recordsGrid(), 5, g("单位库"), g("单位名称"));

  EXPECT_TRUE(payerItems().empty());
}

}  // namespace
}  // namespace korvana::testing
