#pragma once
// The one crossing between the program's GBK texts and Qt's QString.
#include <optional>
#include <string>
#include <string_view>

#include <QString>

namespace korvana::ui {

// GBK bytes to a QString; a stray or cut byte shows as a replacement character.
QString toQString(std::string_view gbk);

// A QString as GBK bytes; empty when a character has no GBK form.
std::optional<std::string> toGbk(const QString& text);

// A UTF-8 source literal (object names, captions) as a QString.
QString fromUtf8(std::string_view utf8);

}  // namespace korvana::ui
