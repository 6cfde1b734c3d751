#pragma once
// The view of a grid::GridModel: a table model adapter that reads the grid's cells on demand
// and is told of changes by the grid, an item delegate with the editors of the column kinds,
// and the table view. Row 0 (the titles) is shown as the horizontal header and a fixed column
// as the vertical header, so both stay in sight while the cells scroll.
#include <QAbstractTableModel>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>
#include <QTableView>

#include "grid/grid_model.h"

namespace korvana::invoices { class Toolkit; }

namespace korvana::ui {

class GridTableModel : public QAbstractTableModel, public grid::GridListener {
  Q_OBJECT

 public:
  explicit GridTableModel(grid::GridModel& grid, QObject* parent = nullptr);
  ~GridTableModel() override;

  grid::GridModel& grid() const { return grid_; }
  // The grid's row and column of a model index, and back.
  int gridRow(const QModelIndex& index) const { return index.row() + grid_.fixedRows(); }
  int gridColumn(const QModelIndex& index) const { return index.column() + grid_.fixedColumns(); }
  QModelIndex indexOf(int gridRow, int gridColumn) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // grid::GridListener.
  void cellsChanged(int firstRow, int firstColumn, int lastRow, int lastColumn) override;
  void layoutChanged() override;
  void rowsAboutToBeInserted(int row, int count) override;
  void rowsInserted(int row, int count) override;

 signals:
  // Column widths or kinds may have changed: the view re-applies them.
  void geometryChanged();

 private:
  // Brings the announced row and column counts in line with the grid's.
  void syncCounts();

  grid::GridModel& grid_;
  int rows_ = 0;     // rows below the title row, as announced to views
  int columns_ = 0;  // columns right of the fixed ones, as announced to views
  bool inserting_ = false;  // between rowsAboutToBeInserted and rowsInserted
};

// The editors of the column kinds. Opening one first asks the grid (beginEdit, which raises
// beforeEdit); a refusal opens none. Committing stores the text with finishEdit.
class GridDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  GridDelegate(GridTableModel& model, invoices::Toolkit& toolkit, QObject* parent = nullptr);

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const override;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  GridTableModel& model_;
  invoices::Toolkit& toolkit_;
};

class GridView : public QTableView {
  Q_OBJECT

 public:
  GridView(grid::GridModel& grid, invoices::Toolkit& toolkit, QWidget* parent = nullptr);

  GridTableModel* gridModel() const { return model_; }
  // The on-screen rectangle (viewport coordinates) of a grid cell below the title row.
  QRect cellRect(int gridRow, int gridColumn) const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void updateGeometries() override;

 private:
  void applyGeometry();
  bool isCheckBoxCell(const QModelIndex& index) const;

  GridTableModel* model_;
  QWidget* corner_ = nullptr;  // the title of the fixed column, over the headers' corner
  QPersistentModelIndex pressed_;
};

}  // namespace korvana::ui
