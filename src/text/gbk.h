#pragma once
// GBK byte strings. Inside the program every text is a std::string of GBK bytes; UTF-8
// appears only in source literals (converted with gbk()) and at the user-interface boundary.
#include <optional>
#include <string>
#include <string_view>

namespace korvana::text {

// UTF-8 to GBK; empty optional when a character has no GBK form (or the input is not UTF-8).
std::optional<std::string> toGbk(std::string_view utf8);

// GBK to UTF-8; never fails: a stray or cut byte becomes U+FFFD.
std::string toUtf8(std::string_view gbk);

// A UTF-8 source literal as GBK bytes. Only for texts of the program's own that are known to
// have a GBK form; a literal without one is a programming error and aborts.
std::string gbk(std::string_view utf8Literal);

// Byte-counting parts of a text: the first or last min(n, length) bytes, "" when n <= 0.
std::string leftPart(std::string_view text, int n);
std::string rightPart(std::string_view text, int n);

// Full-width folding shared by every text-to-value conversion: the GBK full-width forms
// A3A1..A3FE become ASCII 21..7E, A1A1 a space, A1AB "~", A1EE and A1EF "*".
std::string foldFullWidth(std::string_view gbk);

// ASCII-only case-insensitive equality (double-byte characters must match exactly).
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace korvana::text
