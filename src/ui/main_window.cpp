#include "ui/main_window.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "invoices/invoice_book.h"
#include "ui/grid_view.h"
#include "ui/input_guards.h"
#include "ui/qt_text.h"
#include "ui/qt_toolkit.h"
#include "ui/window_parts.h"

namespace korvana::ui {

MainWindow::MainWindow(invoices::InvoiceBook& book, QtToolkit& toolkit, QWidget* parent)
    : QWidget(parent) {
  setWindowTitle(QStringLiteral("Korvana 1.2"));
  placeWindow(this, 50, 50, 768, 638);

  makeLabel(this, "标签8", "发票列表：", 27, 10, 59, 24);
  auto* batchList = new QComboBox(this);
  place(batchList, "组合框_当前发票", 88, 11, 150, 20);
  batchList->setEditable(true);
  // Typing into the list's text field selects nothing: only picking an item does.
  batchList->setInsertPolicy(QComboBox::NoInsert);
  batchList->setCompleter(nullptr);
  disconnect(batchList->lineEdit(), &QLineEdit::editingFinished, nullptr, nullptr);
  guardGbkInput(batchList->lineEdit(), toolkit);

  auto* group = new QGroupBox(fromUtf8("当前发票"), this);
  place(group, "分组框1", 25, 43, 215, 174);
  makeLabel(group, "标签4", "发票类型：", 10, 22, 62, 24);
  guardGbkInput(makeEdit(group, "编辑框_发票类型", 74, 19, 103, 24, false), toolkit);
  makeLabel(group, "标签3", "发票代码：", 10, 61, 56, 24);
  makeEdit(group, "编辑框_发票代码", 74, 59, 103, 24, true);
  makeLabel(group, "标签2", "起 编 号：", 10, 100, 56, 24);
  makeEdit(group, "编辑框_起编号", 74, 99, 103, 24, true);
  makeLabel(group, "标签1", "发票份数：", 10, 139, 56, 24);
  makeEdit(group, "编辑框_发票份数", 74, 139, 103, 24, true);

  QPushButton* add = makeButton(this, "按钮_新增发票", "新增发票", 40, 224, 69, 32);
  QPushButton* remove = makeButton(this, "按钮_删除发票", "删除发票", 144, 224, 66, 32);
  makeLabel(this, "标签_发票类型1", "Korvana", 20, 276, 102, 24);
  QPushButton* print = makeButton(this, "按钮_打印", "打印", 152, 277, 50, 24);
  QPushButton* help = makeButton(this, "按钮_帮助", "帮助", 223, 277, 50, 24);
  stats_ = new GridView(book.statsGrid(), toolkit, this);
  place(stats_, "高级表格_票统", 0, 307, 354, 330);
  makeLabel(this, "标签_发票类型", "发票记录：", 376, 7, 90, 24);
  QPushButton* payers = makeButton(this, "按钮_付款单位管理", "付款单位管理", 562, 5, 90, 24);
  records_ = new GridView(book.recordsGrid(), toolkit, this);
  place(records_, "高级表格_票据", 354, 34, 414, 603);

  // The window's events; no other control has a handler. The records grid's beforeEdit and
  // cellEdited are the book's own (it wires its grid when it is made).
  connect(batchList, &QComboBox::activated, this, [&book] { book.batchSelected(); });
  connect(add, &QPushButton::clicked, this, [&book] { book.addClicked(); });
  connect(remove, &QPushButton::clicked, this, [&book] { book.deleteClicked(); });
  connect(payers, &QPushButton::clicked, this, [&book] { book.payerManagementClicked(); });
  connect(print, &QPushButton::clicked, this, [&book] { book.printClicked(); });
  connect(help, &QPushButton::clicked, this, [&book] { book.helpClicked(); });
}

MainWindow::~MainWindow() = default;

}  // namespace korvana::ui
