#include "ui/qt_text.h"

#include "text/gbk.h"

namespace korvana::ui {

QString toQString(std::string_view gbk) {
  const std::string utf8 = text::toUtf8(gbk);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::optional<std::string> toGbk(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return text::toGbk(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

QString fromUtf8(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace korvana::ui
