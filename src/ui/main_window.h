#pragma once
// The main window "Korvana 1.2": the batch list, the current batch's fields, the buttons and
// the two grids, each control named as the program names it.
#include <QWidget>

namespace korvana::invoices { class InvoiceBook; }

namespace korvana::ui {

class GridView;
class QtToolkit;

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  MainWindow(invoices::InvoiceBook& book, QtToolkit& toolkit, QWidget* parent = nullptr);
  ~MainWindow() override;

  GridView* recordsView() const { return records_; }
  GridView* statsView() const { return stats_; }

 private:
  GridView* records_ = nullptr;
  GridView* stats_ = nullptr;
};

}  // namespace korvana::ui
