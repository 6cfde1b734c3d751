#pragma once
// The toolkit port on Qt widgets: controls are found by window and object name (the name the
// control bears), message boxes are QMessageBoxes, modal windows are dialogs run with exec().
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QUrl>

#include "invoices/toolkit.h"

class QComboBox;
class QDialog;
class QLineEdit;
class QWidget;

namespace korvana::invoices { class InvoiceBook; }

namespace korvana::ui {

class QtToolkit : public QObject, public invoices::Toolkit {
  Q_OBJECT

 public:
  QtToolkit();
  ~QtToolkit() override;

  // The book whose handlers the modal windows call; set once, before any loadModal.
  void setBook(invoices::InvoiceBook* book) { book_ = book; }
  void setMainWindow(QWidget* window);
  // The window's widget while it exists, else nullptr.
  QWidget* window(invoices::Window window) const;

  // ---- The toolkit port.
  std::string editText(invoices::Window window, const std::string& control) override;
  void setEditText(invoices::Window window, const std::string& control,
                   const std::string& text) override;
  std::string comboText(invoices::Window window, const std::string& control) override;
  int comboItemCount(invoices::Window window, const std::string& control) override;
  std::string comboItemText(invoices::Window window, const std::string& control,
                            int index) override;
  int comboAddItem(invoices::Window window, const std::string& control,
                   const std::string& text) override;
  bool comboDeleteItem(invoices::Window window, const std::string& control, int index) override;
  int comboSelection(invoices::Window window, const std::string& control) override;
  void setComboSelection(invoices::Window window, const std::string& control, int index) override;
  int messageBox(const std::string& text, int buttons, const std::string& caption = {},
                 invoices::Icon icon = invoices::Icon::None) override;
  void loadModal(invoices::Window window) override;
  void closeWindow(invoices::Window window) override;
  void openWebPage(const std::string& address) override;
  void printGrid(grid::GridModel& grid) override;

  // The address openWebPage hands on: a text with a scheme is a URL, any other a local path.
  static QUrl webAddress(const QString& address);

  // ---- For tests, so that no box waits for a person.
  struct ShownBox {
    std::string text;  // GBK
    int buttons = 0;
    std::string caption;  // GBK, "信息：" when none was given
    invoices::Icon icon = invoices::Icon::None;
  };
  // Every box asked for, answered or shown, in order.
  const std::vector<ShownBox>& shownBoxes() const { return shownBoxes_; }
  void clearShownBoxes() { shownBoxes_.clear(); }
  // The next boxes are answered with these codes, front first, without being shown.
  void queueAnswer(int code) { answers_.push_back(code); }
  int pendingAnswers() const { return static_cast<int>(answers_.size()); }
  // When set, a box asked for with no queued answer is not shown either: it is answered with
  // OK (an OK box) or No (a Yes/No box) and counted here.
  void setUnattended(bool unattended) { unattended_ = unattended; }
  int unansweredBoxes() const { return unanswered_; }
  // Replaces the hand-over to the system's browser (tests record the address instead).
  std::function<void(const QUrl&)> urlOpener;

 signals:
  // A modal window has been created and is about to run (raised after windowCreated).
  void modalShown(invoices::Window window, QDialog* dialog);

 private:
  QLineEdit* findEdit(invoices::Window window, const std::string& control) const;
  QComboBox* findCombo(invoices::Window window, const std::string& control) const;

  invoices::InvoiceBook* book_ = nullptr;
  QPointer<QWidget> main_;
  std::map<invoices::Window, QPointer<QDialog>> dialogs_;
  std::vector<ShownBox> shownBoxes_;
  std::deque<int> answers_;
  bool unattended_ = false;
  int unanswered_ = 0;
};

}  // namespace korvana::ui
