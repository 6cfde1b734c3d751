#include "ui/payer_editor_window.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTimer>

#include "invoices/payer_editor.h"
#include "invoices/toolkit.h"
#include "ui/input_guards.h"
#include "ui/qt_text.h"
#include "ui/window_parts.h"

namespace korvana::ui {

// ---------------------------------------------------------------- PayerTableModel

PayerTableModel::PayerTableModel(invoices::Toolkit& toolkit, QObject* parent)
    : QAbstractTableModel(parent), toolkit_(toolkit) {}

void PayerTableModel::setEditor(invoices::PayerEditor* editor) {
  beginResetModel();
  editor_ = editor;
  rows_ = editor_ ? editor_->recordCount() : 0;
  columns_ = editor_ ? editor_->fieldCount() : 0;
  markedRow_ = editor_ ? editor_->currentRow() : -1;
  endResetModel();
}

void PayerTableModel::reload() {
  beginResetModel();
  rows_ = editor_ ? editor_->recordCount() : 0;
  markedRow_ = editor_ ? editor_->currentRow() : -1;
  endResetModel();
}

void PayerTableModel::currentRowChanged() {
  const int row = editor_ ? editor_->currentRow() : -1;
  if (row == markedRow_) return;
  const int old = markedRow_;
  markedRow_ = row;
  if (old >= 0 && old < rows_) emit headerDataChanged(Qt::Vertical, old, old);
  if (row >= 0 && row < rows_) emit headerDataChanged(Qt::Vertical, row, row);
}

int PayerTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int PayerTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}

QVariant PayerTableModel::data(const QModelIndex& index, int role) const {
  if (!editor_ || !index.isValid() || index.row() >= rows_ || index.column() >= columns_) {
    return {};
  }
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  return toQString(editor_->cellText(index.row(), index.column()));
}

bool PayerTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!editor_ || role != Qt::EditRole || !index.isValid()) return false;
  std::optional<std::string> gbk = toGbk(value.toString());
  if (!gbk) {
    // The cell keeps its text; the message waits until the cell editor has closed.
    invoices::Toolkit* toolkit = &toolkit_;
    QTimer::singleShot(0, [toolkit] { tellUnsavableText(*toolkit); });
    return false;
  }
  editor_->editCell(index.row(), index.column(), *gbk);
  emit dataChanged(index, index);  // shows what the file now holds (cut to the field's width)
  return true;
}

QVariant PayerTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal) {
    if (!editor_ || section < 0 || section >= columns_ || role != Qt::DisplayRole) return {};
    return toQString(editor_->fieldName(section));
  }
  if (section < 0 || section >= rows_) return {};
  // The current record is marked with a pointer in the row's header.
  if (role == Qt::DisplayRole) {
    return section == markedRow_ ? QStringLiteral("\u25B6") : QString();
  }
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
  return {};
}

Qt::ItemFlags PayerTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

// ---------------------------------------------------------------- NavigatorButton

NavigatorButton::NavigatorButton(Symbol symbol, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol) {
  // Taking the focus on a click ends a cell edit (and stores it) before the button acts.
  setFocusPolicy(Qt::ClickFocus);
}

void NavigatorButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionButton option;
  option.initFrom(this);
  if (isDown()) option.state |= QStyle::State_Sunken;
  else option.state |= QStyle::State_Raised;
  style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);

  painter.setRenderHint(QPainter::Antialiasing, true);
  const QColor ink = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                     QPalette::ButtonText);
  painter.setPen(Qt::NoPen);
  painter.setBrush(ink);
  const QPointF c = QRectF(rect()).center() + (isDown() ? QPointF(1, 1) : QPointF(0, 0));
  auto triangle = [&](double tipX, bool left) {
    const double w = 5, h = 5;  // half height h, width w
    QPainterPath path;
    if (left) {
      path.moveTo(tipX, c.y());
      path.lineTo(tipX + w, c.y() - h);
      path.lineTo(tipX + w, c.y() + h);
    } else {
      path.moveTo(tipX, c.y());
      path.lineTo(tipX - w, c.y() - h);
      path.lineTo(tipX - w, c.y() + h);
    }
    path.closeSubpath();
    painter.drawPath(path);
  };
  auto bar = [&](double x) { painter.drawRect(QRectF(x, c.y() - 5, 2, 10)); };
  switch (symbol_) {
    case First: bar(c.x() - 5); triangle(c.x() - 2, true); break;
    case Previous: triangle(c.x() - 3, true); break;
    case Next: triangle(c.x() + 3, false); break;
    case Last: triangle(c.x() + 2, false); bar(c.x() + 3); break;
    case Add:
      painter.drawRect(QRectF(c.x() - 5, c.y() - 1, 10, 2));
      painter.drawRect(QRectF(c.x() - 1, c.y() - 5, 2, 10));
      break;
    case Delete: painter.drawRect(QRectF(c.x() - 5, c.y() - 1, 10, 2)); break;
  }
}

// ---------------------------------------------------------------- PayerEditorWindow

void PayerEditorWindow::done(int result) {
  QWidget* focus = focusWidget();  // the window's focus child, also while it is not active
  if (focus && view_->viewport()->isAncestorOf(focus)) {
    emit view_->itemDelegate()->commitData(focus);
    emit view_->itemDelegate()->closeEditor(focus);
  }
  QDialog::done(result);
}

PayerEditorWindow::PayerEditorWindow(invoices::Toolkit& toolkit, QWidget* parent)
    : QDialog(parent), model_(new PayerTableModel(toolkit, this)) {
  setWindowTitle(fromUtf8("单位编辑"));
  setModal(true);
  placeWindow(this, 50, 50, 408, 331);

  view_ = new QTableView(this);
  place(view_, "表格1", 0, 0, 408, 296);
  view_->setModel(model_);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectItems);
  view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  view_->setCornerButtonEnabled(false);
  view_->setWordWrap(false);
  view_->verticalHeader()->setDefaultSectionSize(22);
  view_->verticalHeader()->setMinimumSectionSize(1);
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->verticalHeader()->setFixedWidth(16);
  view_->horizontalHeader()->setFixedHeight(22);
  view_->horizontalHeader()->setHighlightSections(false);
  view_->horizontalHeader()->setStretchLastSection(true);
  connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (!model_->editor() || !current.isValid()) return;
            model_->editor()->setCurrentRow(current.row());
            model_->currentRowChanged();
          });

  navigator_ = new QWidget(this);
  place(navigator_, "数据源1", 16, 304, 132, 22);
  static const char* const kNames[] = {"first", "previous", "next", "last", "add", "delete"};
  static const char* const kTips[] = {"第一条", "上一条", "下一条", "最后一条", "新增", "删除"};
  for (int i = 0; i < 6; ++i) {
    auto symbol = static_cast<NavigatorButton::Symbol>(i);
    auto* button = new NavigatorButton(symbol, navigator_);
    button->setObjectName(QString::fromLatin1(kNames[i]));
    button->setToolTip(fromUtf8(kTips[i]));
    button->setGeometry(22 * i, 0, 22, 22);
    connect(button, &QAbstractButton::clicked, this, [this, symbol] { act(symbol); });
    buttons_[i] = button;
  }
}

PayerEditorWindow::~PayerEditorWindow() = default;

NavigatorButton* PayerEditorWindow::button(NavigatorButton::Symbol symbol) const {
  return buttons_[symbol];
}

void PayerEditorWindow::attach(invoices::PayerEditor* editor) {
  model_->setEditor(editor);
  if (editor && editor->fieldCount() > 1) view_->setColumnWidth(0, 90);
  showCurrentRow();
}

void PayerEditorWindow::act(NavigatorButton::Symbol symbol) {
  invoices::PayerEditor* editor = model_->editor();
  if (!editor) return;
  switch (symbol) {
    case NavigatorButton::First: editor->first(); break;
    case NavigatorButton::Previous: editor->previous(); break;
    case NavigatorButton::Next: editor->next(); break;
    case NavigatorButton::Last: editor->last(); break;
    case NavigatorButton::Add:
      editor->add();
      model_->reload();
      break;
    case NavigatorButton::Delete:
      editor->remove();
      model_->reload();
      break;
  }
  showCurrentRow();
}

// Puts the view's cursor on the navigator's current row, keeping the column.
void PayerEditorWindow::showCurrentRow() {
  invoices::PayerEditor* editor = model_->editor();
  const int row = editor ? editor->currentRow() : -1;
  model_->currentRowChanged();
  if (row < 0 || row >= model_->rowCount()) return;
  const int column = std::max(view_->currentIndex().column(), 0);
  const QModelIndex index = model_->index(row, column);
  view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  view_->scrollTo(index);
}

}  // namespace korvana::ui
