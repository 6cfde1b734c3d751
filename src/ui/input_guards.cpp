#include "ui/input_guards.h"

#include <QCoreApplication>
#include <QEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QObject>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "invoices/invoice_book.h"
#include "invoices/toolkit.h"
#include "text/gbk.h"
#include "ui/qt_text.h"

namespace korvana::ui {
namespace {

// Remembers the field's last text that has a GBK form and puts it back after a user's edit
// that brought in one without.
class GbkGuard : public QObject {
 public:
  GbkGuard(QLineEdit* edit, invoices::Toolkit& toolkit)
      : QObject(edit), edit_(edit), toolkit_(toolkit), good_(edit->text()) {
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) {
      if (toGbk(text)) good_ = text;
    });
    connect(edit, &QLineEdit::textEdited, this, [this](const QString& text) {
      if (toGbk(text)) return;
      edit_->setText(good_);
      tellUnsavableText(toolkit_);
    });
  }

 private:
  QLineEdit* edit_;
  invoices::Toolkit& toolkit_;
  QString good_;
};

bool allNumberKeys(const QString& text) {
  for (QChar c : text) {
    if (c.unicode() > 0x7f || !invoices::isNumberKey(static_cast<char>(c.unicode()))) return false;
  }
  return true;
}

bool isPrintable(const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7f) return false;
  }
  return !text.isEmpty();
}

class NumberKeyFilter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const QString text = static_cast<QKeyEvent*>(event)->text();
      // Editing keys (backspace, arrows, shortcuts) carry no printable text and pass.
      if (isPrintable(text) && !allNumberKeys(text)) return true;
    } else if (event->type() == QEvent::InputMethod) {
      auto* im = static_cast<QInputMethodEvent*>(event);
      if (!im->commitString().isEmpty() && !allNumberKeys(im->commitString())) {
        // Refuse the composed text but let the field leave its composition state.
        QInputMethodEvent empty(QString(), {});
        QCoreApplication::sendEvent(watched, &empty);
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

class CountNormalizer : public QObject {
 public:
  explicit CountNormalizer(QLineEdit* edit) : QObject(edit), edit_(edit) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == edit_ && event->type() == QEvent::FocusOut) {
      if (auto gbk = toGbk(edit_->text())) {
        const QString normal = toQString(invoices::normalizeCountText(*gbk));
        if (normal != edit_->text()) edit_->setText(normal);
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QLineEdit* edit_;
};

}  // namespace

void tellUnsavableText(invoices::Toolkit& toolkit) {
  static const std::string message = text::gbk("输入的文字含有无法保存的字符！");
  toolkit.messageBox(message, invoices::kButtonsOk);
}

void guardGbkInput(QLineEdit* edit, invoices::Toolkit& toolkit) { new GbkGuard(edit, toolkit); }

void installNumberKeyFilter(QLineEdit* edit) {
  edit->installEventFilter(new NumberKeyFilter(edit));
  // Pasted or dropped text passes no key filter: the validator refuses it as a whole.
  edit->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-0-9]*")), edit));
}

void installCountNormalizer(QLineEdit* edit) { edit->installEventFilter(new CountNormalizer(edit)); }

}  // namespace korvana::ui
