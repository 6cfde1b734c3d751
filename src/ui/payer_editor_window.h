#pragma once
// The payer unit editor "单位编辑": a table view of every record of the payer file, edited in
// place, and a record navigator with six buttons. The records are reached only through
// invoices::PayerEditor, which the window is given once the book has made it.
#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QDialog>

class QTableView;

namespace korvana::invoices { class PayerEditor; class Toolkit; }

namespace korvana::ui {

class PayerTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  PayerTableModel(invoices::Toolkit& toolkit, QObject* parent = nullptr);

  void setEditor(invoices::PayerEditor* editor);
  invoices::PayerEditor* editor() const { return editor_; }
  // Re-reads the record count after records were added or removed.
  void reload();
  // The current row changed: the marker moves.
  void currentRowChanged();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  invoices::Toolkit& toolkit_;
  invoices::PayerEditor* editor_ = nullptr;
  int rows_ = 0;
  int columns_ = 0;
  int markedRow_ = -1;
};

// A navigator button with a drawn symbol.
class NavigatorButton : public QAbstractButton {
  Q_OBJECT

 public:
  enum Symbol { First, Previous, Next, Last, Add, Delete };
  NavigatorButton(Symbol symbol, QWidget* parent);
  Symbol symbol() const { return symbol_; }
  QSize sizeHint() const override { return {22, 22}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Symbol symbol_;
};

class PayerEditorWindow : public QDialog {
  Q_OBJECT

 public:
  explicit PayerEditorWindow(invoices::Toolkit& toolkit, QWidget* parent = nullptr);
  ~PayerEditorWindow() override;

  // Binds the view and the navigator to the editor (nullptr: nothing to show).
  void attach(invoices::PayerEditor* editor);

  QTableView* view() const { return view_; }
  NavigatorButton* button(NavigatorButton::Symbol symbol) const;

  // Closing the window (also by its title bar) first ends a cell edit in progress, so that
  // what the user typed is stored rather than dropped.
  void done(int result) override;

 private:
  void act(NavigatorButton::Symbol symbol);
  void showCurrentRow();

  PayerTableModel* model_;
  QTableView* view_;
  QWidget* navigator_;
  NavigatorButton* buttons_[6] = {};
};

}  // namespace korvana::ui
