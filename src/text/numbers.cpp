#include "text/numbers.h"

#include "text/gbk.h"

#include <algorithm>
#include <charconv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

// Numbers are written and read with <charconv>: it behaves as the "C" locale whatever locale
// the user interface has set, so "1.5" never turns into "1,5".

namespace korvana::text {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t skipBlanks(std::string_view text, std::size_t i) {
    while (i < text.size() && isBlank(text[i])) ++i;
    return i;
}

std::string generalText(double value, int precision) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general,
                                precision);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string intToText(int value) {
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string floatToText(float value) {
    if (value == 0) return "0";  // also for -0, which would otherwise show as "-0"
    if (!std::isfinite(value)) return generalText(value, 6);

    // The exact decimal expansion of the value (a float has at most 112 significant digits),
    // so the seventh digit alone decides the rounding half away from zero.
    double magnitude = std::fabs(static_cast<double>(value));
    char exact[160];
    auto end = std::to_chars(exact, exact + sizeof exact, magnitude, std::chars_format::scientific,
                             120).ptr;
    // exact holds "d.ddd...de±x".
    long digits = exact[0] - '0';
    for (int i = 2; i <= 6; ++i) digits = digits * 10 + (exact[i] - '0');
    const char* exponentText = std::find(exact, end, 'e') + 1;
    int exponent = std::atoi(exponentText);
    if (exact[7] >= '5' && ++digits == 1000000) {
        digits = 100000;
        ++exponent;
    }
    // digits * 10^(exponent - 5), read back as the nearest double, prints as those six digits.
    const std::string decimal = std::to_string(digits) + "e" + std::to_string(exponent - 5);
    double rounded = 0;
    std::from_chars(decimal.data(), decimal.data() + decimal.size(), rounded);
    return generalText(value < 0 ? -rounded : rounded, 6);
}

std::string doubleToText(double value) {
    if (value == 0) return "0";  // also for -0
    return generalText(value, 13);
}

std::string boolToText(bool value) {
    static const std::string kTrue = gbk("真");
    static const std::string kFalse = gbk("假");
    return value ? kTrue : kFalse;
}

double readDecimal(std::string_view text, std::size_t* consumed) {
    if (consumed) *consumed = 0;
    std::size_t i = skipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    const std::size_t mantissaStart = i;
    std::size_t integerDigits = 0, fractionDigits = 0;
    // Position of the first non-zero digit, as a power of ten (before the exponent).
    long firstPower = 0;
    bool seenNonZero = false;
    while (i < text.size() && isDigit(text[i])) {
        if (!seenNonZero && text[i] != '0') {
            seenNonZero = true;
            firstPower = -static_cast<long>(integerDigits);  // fixed up below
        }
        ++integerDigits;
        ++i;
    }
    if (seenNonZero) firstPower += static_cast<long>(integerDigits) - 1;
    if (i < text.size() && text[i] == '.') {
        std::size_t point = i++;
        while (i < text.size() && isDigit(text[i])) {
            if (!seenNonZero && text[i] != '0') {
                seenNonZero = true;
                firstPower = -static_cast<long>(fractionDigits) - 1;
            }
            ++fractionDigits;
            ++i;
        }
        if (integerDigits == 0 && fractionDigits == 0) i = point;
    }
    if (integerDigits == 0 && fractionDigits == 0) return 0;

    long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) negativeExponent = text[j++] == '-';
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j])) {
                if (exponent < 1000000) exponent = exponent * 10 + (text[j] - '0');
                ++j;
            }
            if (negativeExponent) exponent = -exponent;
            i = j;
        }
    }
    if (consumed) *consumed = i;

    double value = 0;
    auto result = std::from_chars(text.data() + mantissaStart, text.data() + i, value,
                                  std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: the nearer of infinity and zero.
        value = seenNonZero && firstPower + exponent > 0 ? std::numeric_limits<double>::infinity()
                                                         : 0.0;
    }
    return negative ? -value : value;
}

namespace {

// After the full-width step: blanks, an optional sign and the leading digits. The magnitude
// is kept modulo 2^32 (`wrapped`) and without wrapping (`whole`), which stops growing once
// it passes 2^40.
struct LeadingInteger {
    bool negative = false;
    std::uint32_t wrapped = 0;
    std::int64_t whole = 0;
};

LeadingInteger readLeadingInteger(std::string_view gbk) {
    const std::string text = foldFullWidth(gbk);
    LeadingInteger r;
    std::size_t i = skipBlanks(text, 0);
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) r.negative = text[i++] == '-';
    constexpr std::int64_t kCap = std::int64_t{1} << 40;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        r.wrapped = r.wrapped * 10u + static_cast<std::uint32_t>(text[i] - '0');
        if (r.whole < kCap) r.whole = r.whole * 10 + (text[i] - '0');
    }
    return r;
}

}  // namespace

int textToInt(std::string_view gbk) {
    const LeadingInteger r = readLeadingInteger(gbk);
    const std::uint32_t value = r.negative ? 0u - r.wrapped : r.wrapped;
    return static_cast<int>(value);  // two's complement: the value wraps in 32 bits
}

std::int64_t textToWholeNumber(std::string_view gbk) {
    const LeadingInteger r = readLeadingInteger(gbk);
    return r.negative ? -r.whole : r.whole;
}

double textToNumber(std::string_view gbk) { return readDecimal(foldFullWidth(gbk)); }

float textToFloat(std::string_view gbk) {
    double value = textToNumber(gbk);
    // Beyond the float range a plain conversion is undefined; round as the hardware would:
    // up to half a unit past the largest float still gives the largest float.
    constexpr double kHalfUnitPastMax = static_cast<double>(FLT_MAX) + 0x1p103;
    if (std::fabs(value) > FLT_MAX) {
        float limit = std::fabs(value) < kHalfUnitPastMax ? FLT_MAX
                                                          : std::numeric_limits<float>::infinity();
        return value < 0 ? -limit : limit;
    }
    return static_cast<float>(value);
}

int numberToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);  // truncates toward zero
}

}  // namespace korvana::text
