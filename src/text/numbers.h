#pragma once
// Numbers to text and text to numbers, over GBK byte strings.
#include <cstdint>
#include <string>
#include <string_view>

namespace korvana::text {

std::string intToText(int value);        // "%d"
std::string floatToText(float value);    // 6 significant digits, half away from zero, "%.6g"
std::string doubleToText(double value);  // "%.13g"
std::string boolToText(bool value);      // "真" / "假" (GBK)

// The decimal reading: blanks skipped, optional sign, digits with an optional point and
// fraction, an optional exponent; stops at the first character that does not fit; no digits
// reads as 0. When `consumed` is given it receives the number of bytes read (0 without digits).
double readDecimal(std::string_view text, std::size_t* consumed = nullptr);

// After full-width folding: blanks, optional sign, leading digits; wraps in 32 bits.
int textToInt(std::string_view gbk);
// The same reading without wrapping: the magnitude stops growing once it passes 2^40, far
// beyond 32 bits.
std::int64_t textToWholeNumber(std::string_view gbk);
// After full-width folding: the decimal reading; the float form rounds to single precision.
double textToNumber(std::string_view gbk);
float textToFloat(std::string_view gbk);

// Truncation toward zero, clamped into the int range (NaN gives 0).
int numberToInt(double value);

}  // namespace korvana::text
