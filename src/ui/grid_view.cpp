#include "ui/grid_view.h"

#include <algorithm>
#include <cmath>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QTimer>

#include "invoices/toolkit.h"
#include "text/datetime.h"
#include "ui/input_guards.h"
#include "ui/cell_display.h"
#include "ui/qt_text.h"

namespace korvana::ui {
namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

// The title of the fixed column, drawn like a header section in the corner where the two
// headers meet.
class CornerTitle : public QWidget {
 public:
  CornerTitle(GridTableModel& model, QWidget* parent) : QWidget(parent), model_(model) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QStyleOptionHeader option;
    option.initFrom(this);
    option.rect = rect();
    option.text = toQString(model_.grid().cellText(0, 0));
    option.textAlignment = shownAlignment(model_.grid(), 0, 0);
    option.position = QStyleOptionHeader::OnlyOneSection;
    style()->drawControl(QStyle::CE_Header, &option, &painter, this);
  }

 private:
  GridTableModel& model_;
};

// The date a cell's text stands for, or today when it stands for none.
QDate dateOfText(const std::string& gbk) {
  const double days = text::textToDate(gbk);
  if (days == text::kEmptyDate) return QDate::currentDate();
  return QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(days)));
}

}  // namespace

// ---------------------------------------------------------------- GridTableModel

GridTableModel::GridTableModel(grid::GridModel& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {
  rows_ = std::max(0, grid_.rowCount() - grid_.fixedRows());
  columns_ = std::max(0, grid_.columnCount() - grid_.fixedColumns());
  grid_.addListener(this);
}

GridTableModel::~GridTableModel() { grid_.removeListener(this); }

QModelIndex GridTableModel::indexOf(int gridRow, int gridColumn) const {
  return index(gridRow - grid_.fixedRows(), gridColumn - grid_.fixedColumns());
}

int GridTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
    return {};
  }
  const int row = gridRow(index);
  const int column = gridColumn(index);
  const int kind = grid_.columnKind(column);
  switch (role) {
    case Qt::DisplayRole: {
      if (kind == grid::CheckBox) return {};
      return shownCellText(grid_, row, column);
    }
    case Qt::EditRole:
      if (kind == grid::CheckBox) return grid_.checkMark(row, column);
      return toQString(grid_.cellText(row, column));
    case Qt::CheckStateRole:
      if (kind != grid::CheckBox) return {};
      return grid_.checkMark(row, column) ? Qt::Checked : Qt::Unchecked;
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(shownAlignment(grid_, row, column));
    default:
      return {};
  }
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal) {
    if (section < 0 || section >= columns_) return {};
    const int column = section + grid_.fixedColumns();
    if (role == Qt::DisplayRole) return toQString(grid_.cellText(0, column));
    if (role == Qt::TextAlignmentRole) {
      return QVariant::fromValue(shownAlignment(grid_, 0, column));
    }
    return {};
  }
  if (section < 0 || section >= rows_) return {};
  const int row = section + grid_.fixedRows();
  if (grid_.fixedColumns() == 0) {
    return role == Qt::DisplayRole ? QVariant(QString::number(row)) : QVariant();
  }
  if (role == Qt::DisplayRole) return toQString(grid_.cellText(row, 0));
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(shownAlignment(grid_, row, 0));
  }
  return {};
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  const int row = gridRow(index);
  const int column = gridColumn(index);
  // A check box is toggled by a click (GridView), never through an editor.
  if (grid_.mayEdit(row, column) && grid_.columnKind(column) != grid::CheckBox) {
    flags |= Qt::ItemIsEditable;
  }
  return flags;
}

void GridTableModel::syncCounts() {
  const int rows = std::max(0, grid_.rowCount() - grid_.fixedRows());
  const int columns = std::max(0, grid_.columnCount() - grid_.fixedColumns());
  if (columns != columns_) {
    beginResetModel();
    rows_ = rows;
    columns_ = columns;
    endResetModel();
    return;
  }
  if (rows > rows_) {
    beginInsertRows({}, rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
  } else if (rows < rows_) {
    beginRemoveRows({}, rows, rows_ - 1);
    rows_ = rows;
    endRemoveRows();
  }
}

void GridTableModel::cellsChanged(int firstRow, int firstColumn, int lastRow, int lastColumn) {
  syncCounts();
  const int fixedRows = grid_.fixedRows();
  const int fixedColumns = grid_.fixedColumns();
  if (firstRow < fixedRows && columns_ > 0) {
    const int first = std::max(firstColumn - fixedColumns, 0);
    const int last = std::min(lastColumn - fixedColumns, columns_ - 1);
    if (first <= last) emit headerDataChanged(Qt::Horizontal, first, last);
  }
  const int top = std::max(firstRow, fixedRows) - fixedRows;
  const int bottom = std::min(lastRow - fixedRows, rows_ - 1);
  if (top > bottom) return;
  if (firstColumn < fixedColumns) emit headerDataChanged(Qt::Vertical, top, bottom);
  const int left = std::max(firstColumn, fixedColumns) - fixedColumns;
  const int right = std::min(lastColumn - fixedColumns, columns_ - 1);
  if (left <= right) emit dataChanged(index(top, left), index(bottom, right));
}

void GridTableModel::layoutChanged() {
  syncCounts();
  if (columns_ > 0) emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
  if (rows_ > 0) emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
  if (rows_ > 0 && columns_ > 0) {
    emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
  }
  emit geometryChanged();
}

void GridTableModel::rowsAboutToBeInserted(int row, int count) {
  syncCounts();
  const int first = row - grid_.fixedRows();
  if (count <= 0 || first < 0 || first > rows_) return;
  beginInsertRows({}, first, first + count - 1);
  inserting_ = true;
}

void GridTableModel::rowsInserted(int, int count) {
  if (!inserting_) {
    layoutChanged();
    return;
  }
  inserting_ = false;
  rows_ += count;
  endInsertRows();
  // The rows below moved down: their headings (the fixed column) are re-read.
  if (rows_ > 0) emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
}

// ---------------------------------------------------------------- GridDelegate

GridDelegate::GridDelegate(GridTableModel& model, invoices::Toolkit& toolkit, QObject* parent)
    : QStyledItemDelegate(parent), model_(model), toolkit_(toolkit) {}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                    const QModelIndex& index) const {
  grid::GridModel& grid = model_.grid();
  const int row = model_.gridRow(index);
  const int column = model_.gridColumn(index);
  const int kind = grid.columnKind(column);
  if (kind == grid::CheckBox || !grid.mayEdit(row, column)) return nullptr;
  if (!grid.beginEdit(row, column)) return nullptr;  // beforeEdit refused: no editor

  switch (kind) {
    case grid::Date: {
      auto* edit = new QDateEdit(parent);
      edit->setDisplayFormat(kDateFormat);
      edit->setCalendarPopup(true);
      edit->setMinimumDate(QDate(100, 1, 1));
      edit->setMaximumDate(QDate(9999, 12, 31));
      return edit;
    }
    case grid::List: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(true);
      combo->setInsertPolicy(QComboBox::NoInsert);
      combo->setMaxVisibleItems(12);
      for (const std::string& item : grid.listItems(column)) {
        combo->addItem(toQString(item), QByteArray(item.data(), static_cast<qsizetype>(item.size())));
      }
      // The list may be wider than the cell, so that long names show whole.
      combo->view()->setMinimumWidth(combo->view()->sizeHintForColumn(0) + 24);
      // Picking an item from the list ends the edit with that item.
      connect(combo, &QComboBox::activated, this, [this, combo] {
        emit const_cast<GridDelegate*>(this)->commitData(combo);
        emit const_cast<GridDelegate*>(this)->closeEditor(combo);
      });
      return combo;
    }
    default: {
      auto* edit = new QLineEdit(parent);
      edit->setFrame(false);
      return edit;
    }
  }
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  const std::string text = model_.grid().cellText(model_.gridRow(index), model_.gridColumn(index));
  if (auto* date = qobject_cast<QDateEdit*>(editor)) {
    date->setDate(dateOfText(text));
  } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    const QString shown = toQString(text);
    const int item = combo->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
    combo->setCurrentIndex(item);
    combo->setEditText(shown);
    combo->lineEdit()->selectAll();
  } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
    edit->setText(toQString(text));
    edit->selectAll();
  }
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel*,
                                const QModelIndex& index) const {
  QString text;
  if (auto* date = qobject_cast<QDateEdit*>(editor)) {
    text = date->date().toString(kDateFormat);
  } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    text = combo->currentText();
  } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
    text = edit->text();
  } else {
    return;
  }
  // A text shown unchanged from stored bytes keeps those bytes, also when they have no clean
  // display form (a name cut inside a double-byte character by its field's width).
  const int row = model_.gridRow(index);
  const int column = model_.gridColumn(index);
  std::optional<std::string> gbk;
  const std::string before = model_.grid().cellText(row, column);
  if (text == toQString(before)) gbk = before;
  if (auto* combo = qobject_cast<QComboBox*>(editor); combo && !gbk) {
    const int item = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (item >= 0) gbk = combo->itemData(item).toByteArray().toStdString();
  }
  if (!gbk) gbk = toGbk(text);
  if (!gbk) {
    // The cell keeps its text. The message waits until the editor has closed, so that the
    // box taking the focus does not commit the editor a second time.
    invoices::Toolkit* toolkit = &toolkit_;
    QTimer::singleShot(0, [toolkit] { tellUnsavableText(*toolkit); });
    return;
  }
  model_.grid().finishEdit(row, column, *gbk);
}

void GridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex&) const {
  QRect rect = option.rect;
  // A drop-down or date picker needs a little more than a row of 22 pixels on some styles.
  const int wanted = editor->sizeHint().height();
  if (qobject_cast<QLineEdit*>(editor) == nullptr && wanted > rect.height()) {
    rect.setHeight(wanted);
  }
  editor->setGeometry(rect);
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  if (model_.grid().columnKind(model_.gridColumn(index)) != grid::CheckBox) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  // Background and selection as for any cell, then the check box centred in the cell.
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  cell.features &= ~QStyleOptionViewItem::HasCheckIndicator;
  cell.text.clear();
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

  QStyleOptionButton box;
  box.state = QStyle::State_Enabled;
  box.state |= index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On
                                                                     : QStyle::State_Off;
  const QRect indicator = style->subElementRect(QStyle::SE_CheckBoxIndicator, &box, widget);
  box.rect = QRect(option.rect.center() - QPoint(indicator.width() / 2, indicator.height() / 2),
                   indicator.size());
  style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, widget);
}

// ---------------------------------------------------------------- GridView

GridView::GridView(grid::GridModel& grid, invoices::Toolkit& toolkit, QWidget* parent)
    : QTableView(parent), model_(new GridTableModel(grid, this)) {
  setModel(model_);
  setItemDelegate(new GridDelegate(*model_, toolkit, this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setCornerButtonEnabled(false);
  setWordWrap(false);
  setEditTriggers(grid.editable()
                      ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed
                      : QAbstractItemView::NoEditTriggers);

  QHeaderView* top = horizontalHeader();
  top->setSectionResizeMode(QHeaderView::Fixed);
  top->setHighlightSections(false);
  top->setSectionsClickable(false);
  top->setMinimumSectionSize(1);
  top->setFixedHeight(grid.rowHeight());

  QHeaderView* left = verticalHeader();
  left->setSectionResizeMode(QHeaderView::Fixed);
  left->setMinimumSectionSize(1);
  left->setDefaultSectionSize(grid.rowHeight());
  left->setHighlightSections(false);
  left->setSectionsClickable(false);
  left->setVisible(grid.fixedColumns() > 0);
  if (grid.fixedColumns() > 0) {
    corner_ = new CornerTitle(*model_, this);
    connect(model_, &GridTableModel::headerDataChanged, corner_, [this] { corner_->update(); });
  }

  connect(model_, &GridTableModel::geometryChanged, this, &GridView::applyGeometry);
  applyGeometry();
}

void GridView::applyGeometry() {
  const grid::GridModel& grid = model_->grid();
  const int fixed = grid.fixedColumns();
  for (int c = 0; c < model_->columnCount(); ++c) setColumnWidth(c, grid.columnWidth(c + fixed));
  if (fixed > 0) verticalHeader()->setFixedWidth(grid.columnWidth(0));
  verticalHeader()->setDefaultSectionSize(grid.rowHeight());
  updateGeometries();
  viewport()->update();
}

void GridView::updateGeometries() {
  QTableView::updateGeometries();
  if (corner_) {
    corner_->setGeometry(frameWidth(), frameWidth(), verticalHeader()->width(),
                         horizontalHeader()->height());
    corner_->raise();
  }
}

QRect GridView::cellRect(int gridRow, int gridColumn) const {
  return visualRect(model_->indexOf(gridRow, gridColumn));
}

bool GridView::isCheckBoxCell(const QModelIndex& index) const {
  return index.isValid() && model_->grid().columnKind(model_->gridColumn(index)) == grid::CheckBox;
}

void GridView::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton ? indexAt(event->position().toPoint())
                                               : QModelIndex();
  QTableView::mousePressEvent(event);
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click counts as a press of its own for the check boxes.
  pressed_ = event->button() == Qt::LeftButton ? indexAt(event->position().toPoint())
                                               : QModelIndex();
  QTableView::mouseDoubleClickEvent(event);
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
  const QModelIndex released = indexAt(event->position().toPoint());
  const QModelIndex pressed = pressed_;
  pressed_ = QModelIndex();
  QTableView::mouseReleaseEvent(event);
  // A press and a release on the same check-box cell toggle it (through the grid's sequence).
  if (event->button() == Qt::LeftButton && released.isValid() && released == pressed &&
      isCheckBoxCell(released)) {
    model_->grid().clickCell(model_->gridRow(released), model_->gridColumn(released));
  }
}

void GridView::keyPressEvent(QKeyEvent* event) {
  const QModelIndex current = currentIndex();
  if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier &&
      isCheckBoxCell(current) && state() != EditingState) {
    model_->grid().clickCell(model_->gridRow(current), model_->gridColumn(current));
    return;
  }
  QTableView::keyPressEvent(event);
}

}  // namespace korvana::ui
