#include "ui/add_batch_dialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "invoices/invoice_book.h"
#include "ui/input_guards.h"
#include "ui/qt_text.h"
#include "ui/window_parts.h"

namespace korvana::ui {

AddBatchDialog::AddBatchDialog(invoices::InvoiceBook& book, invoices::Toolkit& toolkit,
                               QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(fromUtf8("新增发票"));
  setModal(true);
  placeWindow(this, 50, 50, 372, 126);

  makeLabel(this, "标签4", "发票类型：", 11, 13, 62, 24);
  auto* type = new QComboBox(this);
  place(type, "组合框_发票类型", 75, 13, 88, 20);
  type->setEditable(true);
  type->setInsertPolicy(QComboBox::NoInsert);
  type->addItem(fromUtf8("服务票"));
  type->addItem(fromUtf8("销售票"));
  type->setCurrentIndex(0);
  guardGbkInput(type->lineEdit(), toolkit);

  makeLabel(this, "标签3", "发票代码：", 188, 10, 56, 24);
  guardGbkInput(makeEdit(this, "编辑框_发票代码", 251, 8, 93, 24, false), toolkit);

  makeLabel(this, "标签2", "起 编 号：", 12, 48, 56, 24);
  QLineEdit* start = makeEdit(this, "编辑框_起编号", 75, 48, 93, 24, false);
  installNumberKeyFilter(start);
  guardGbkInput(start, toolkit);

  makeLabel(this, "标签1", "发票份数：", 188, 47, 56, 24);
  QLineEdit* count = makeEdit(this, "编辑框_发票份数", 251, 47, 93, 24, false);
  installNumberKeyFilter(count);
  installCountNormalizer(count);
  guardGbkInput(count, toolkit);

  QPushButton* ok = makeButton(this, "按钮_确定", "确定", 60, 90, 80, 32);
  QPushButton* cancel = makeButton(this, "按钮_取消", "取消", 208, 88, 80, 32);
  connect(ok, &QPushButton::clicked, this, [&book] { book.confirmAddBatch(); });
  connect(cancel, &QPushButton::clicked, this, [&book] { book.cancelAddBatch(); });
}

}  // namespace korvana::ui
