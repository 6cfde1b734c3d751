#include "ui/qt_toolkit.h"

#include <algorithm>
#include <memory>

#include <QAbstractButton>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "invoices/invoice_book.h"
#include "ui/add_batch_dialog.h"
#include "ui/payer_editor_window.h"
#include "ui/print_preview.h"
#include "text/gbk.h"
#include "ui/qt_text.h"

namespace korvana::ui {

using invoices::Window;

QtToolkit::QtToolkit() {
  urlOpener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

QtToolkit::~QtToolkit() = default;

void QtToolkit::setMainWindow(QWidget* window) { main_ = window; }

QWidget* QtToolkit::window(Window window) const {
  if (window == Window::Main) return main_;
  auto it = dialogs_.find(window);
  return it == dialogs_.end() ? nullptr : it->second.data();
}

QLineEdit* QtToolkit::findEdit(Window window, const std::string& control) const {
  QWidget* w = this->window(window);
  return w ? w->findChild<QLineEdit*>(toQString(control)) : nullptr;
}

QComboBox* QtToolkit::findCombo(Window window, const std::string& control) const {
  QWidget* w = this->window(window);
  return w ? w->findChild<QComboBox*>(toQString(control)) : nullptr;
}

std::string QtToolkit::editText(Window window, const std::string& control) {
  QLineEdit* edit = findEdit(window, control);
  if (!edit) return {};
  // The fields only ever hold texts with a GBK form (their input is guarded).
  return toGbk(edit->text()).value_or(std::string());
}

void QtToolkit::setEditText(Window window, const std::string& control, const std::string& text) {
  if (QLineEdit* edit = findEdit(window, control)) edit->setText(toQString(text));
}

std::string QtToolkit::comboText(Window window, const std::string& control) {
  QComboBox* combo = findCombo(window, control);
  if (!combo) return {};
  const int item = combo->currentIndex();
  if (item >= 0 && combo->currentText() == combo->itemText(item)) {
    return comboItemText(window, control, item);
  }
  return toGbk(combo->currentText()).value_or(std::string());
}

int QtToolkit::comboItemCount(Window window, const std::string& control) {
  QComboBox* combo = findCombo(window, control);
  return combo ? combo->count() : 0;
}

std::string QtToolkit::comboItemText(Window window, const std::string& control, int index) {
  QComboBox* combo = findCombo(window, control);
  if (!combo || index < 0 || index >= combo->count()) return {};
  // Items added by the program keep their own bytes, also those without a clean display form.
  const QVariant bytes = combo->itemData(index);
  if (bytes.typeId() == QMetaType::QByteArray) return bytes.toByteArray().toStdString();
  return toGbk(combo->itemText(index)).value_or(std::string());
}

int QtToolkit::comboAddItem(Window window, const std::string& control, const std::string& text) {
  QComboBox* combo = findCombo(window, control);
  if (!combo) return -1;
  // Appending never changes the selection (QComboBox would select the first item it gets).
  const int selection = combo->currentIndex();
  const QString shown = combo->currentText();
  combo->addItem(toQString(text), QByteArray(text.data(), static_cast<qsizetype>(text.size())));
  if (combo->currentIndex() != selection) {
    combo->setCurrentIndex(selection);
    if (combo->isEditable()) combo->setEditText(shown);
  }
  return combo->count() - 1;
}

bool QtToolkit::comboDeleteItem(Window window, const std::string& control, int index) {
  QComboBox* combo = findCombo(window, control);
  if (!combo || index < 0 || index >= combo->count()) return false;
  combo->removeItem(index);
  return true;
}

int QtToolkit::comboSelection(Window window, const std::string& control) {
  QComboBox* combo = findCombo(window, control);
  return combo ? combo->currentIndex() : -1;
}

void QtToolkit::setComboSelection(Window window, const std::string& control, int index) {
  QComboBox* combo = findCombo(window, control);
  if (!combo) return;
  int n = std::min(index, combo->count() - 1);
  combo->setCurrentIndex(n < 0 ? -1 : n);
}

int QtToolkit::messageBox(const std::string& text, int buttons, const std::string& caption,
                          invoices::Icon icon) {
  static const std::string defaultCaption = text::gbk("信息：");
  const bool yesNo = buttons == invoices::kButtonsYesNo;
  shownBoxes_.push_back({text, buttons, caption.empty() ? defaultCaption : caption, icon});
  if (!answers_.empty()) {
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  if (unattended_) {
    ++unanswered_;
    return yesNo ? invoices::kAnswerNo : invoices::kAnswerOk;
  }

  QMessageBox box;  // no owner: modal to the whole program
  box.setWindowTitle(toQString(shownBoxes_.back().caption));
  box.setTextFormat(Qt::PlainText);
  box.setText(toQString(text));
  box.setIcon(icon == invoices::Icon::Error ? QMessageBox::Critical : QMessageBox::NoIcon);
  // Plain buttons: some desktop styles would put pictures on the standard ones.
  auto addButton = [&box](QMessageBox::StandardButton which, const char* text) {
    QAbstractButton* button = box.addButton(which);
    button->setText(QString::fromLatin1(text));
    button->setIcon(QIcon());
    return button;
  };
  QAbstractButton* yes = nullptr;
  if (yesNo) {
    yes = addButton(QMessageBox::Yes, "Yes");
    addButton(QMessageBox::No, "No");
    box.setDefaultButton(QMessageBox::Yes);
  } else {
    addButton(QMessageBox::Ok, "OK");
  }
  box.exec();
  if (!yesNo) return invoices::kAnswerOk;
  return box.clickedButton() == yes ? invoices::kAnswerYes : invoices::kAnswerNo;
}

void QtToolkit::loadModal(Window window) {
  if (!book_ || window == Window::Main) return;
  std::unique_ptr<QDialog> dialog;
  if (window == Window::AddBatch) {
    dialog = std::make_unique<AddBatchDialog>(*book_, *this);
  } else {
    dialog = std::make_unique<PayerEditorWindow>(*this);
  }
  dialogs_[window] = dialog.get();
  if (events_) events_->windowCreated(window);
  if (window == Window::PayerEditor) {
    static_cast<PayerEditorWindow*>(dialog.get())->attach(book_->payerEditor());
  }
  emit modalShown(window, dialog.get());
  dialog->exec();
  dialogs_.erase(window);
  dialog.reset();  // the payer editor window lets go of the editor before the book drops it
  if (events_) events_->windowClosed(window);
}

void QtToolkit::closeWindow(Window window) {
  if (window == Window::Main) {
    if (main_) QTimer::singleShot(0, main_.data(), [w = main_] { if (w) w->close(); });
    return;
  }
  QDialog* dialog = dialogs_.count(window) ? dialogs_[window].data() : nullptr;
  if (dialog) QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
}

QUrl QtToolkit::webAddress(const QString& address) {
  QUrl url(address, QUrl::StrictMode);
  // "C:" or a bare path has no scheme worth the name: it is a file of this machine.
  if (url.isValid() && url.scheme().size() > 1) return url;
  return QUrl::fromLocalFile(address);
}

void QtToolkit::openWebPage(const std::string& address) {
  if (urlOpener) urlOpener(webAddress(toQString(address)));
}

void QtToolkit::printGrid(grid::GridModel& grid) { showPrintPreview(grid, main_); }

}  // namespace korvana::ui
