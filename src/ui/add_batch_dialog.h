#pragma once
// The add-batch window "新增发票": the type, code, starting number and count of a new batch.
#include <QDialog>

namespace korvana::invoices { class InvoiceBook; class Toolkit; }

namespace korvana::ui {

class AddBatchDialog : public QDialog {
  Q_OBJECT

 public:
  AddBatchDialog(invoices::InvoiceBook& book, invoices::Toolkit& toolkit,
                 QWidget* parent = nullptr);
};

}  // namespace korvana::ui
