#include "text/gbk.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace korvana::text {
namespace {

// A GBK lead byte, and a byte that may follow one as the second half of a character.
bool isLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool isTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Length of the character starting at text[i]: 2 for a complete double-byte character,
// else 1 (an ASCII byte, or a stray or cut byte).
std::size_t charLength(std::string_view text, std::size_t i) {
    if (isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
        isTrailByte(static_cast<unsigned char>(text[i + 1])))
        return 2;
    return 1;
}

// One conversion descriptor per direction, opened on first use and kept for the thread.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of `in` as possible, appending to `out`. Returns 0 when everything was
    // converted, else the errno that stopped it (EILSEQ or EINVAL); `in` is advanced past
    // what was converted.
    int convert(std::string_view& in, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[4096];
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        int result = 0;
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
                result = errno;
                break;
            }
        }
        in.remove_prefix(in.size() - srcLeft);
        return result;
    }

private:
    iconv_t cd_;
};

Converter& utf8ToGbk() {
    thread_local Converter converter("GBK", "UTF-8");
    return converter;
}

Converter& gbkToUtf8() {
    thread_local Converter converter("UTF-8", "GBK");
    return converter;
}

}  // namespace

std::optional<std::string> toGbk(std::string_view utf8) {
    Converter& converter = utf8ToGbk();
    if (!converter.ok()) return std::nullopt;
    std::string out;
    out.reserve(utf8.size());
    if (converter.convert(utf8, out) != 0) return std::nullopt;
    return out;
}

std::string toUtf8(std::string_view gbk) {
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
    Converter& converter = gbkToUtf8();
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 2);
    if (!converter.ok()) {
        for (char c : gbk) {
            if (static_cast<unsigned char>(c) < 0x80) out += c;
            else out += kReplacement;
        }
        return out;
    }
    while (!gbk.empty() && converter.convert(gbk, out) != 0) {
        // A byte (or a well-formed pair without a character) that does not convert: show one
        // replacement character and go on with the next character.
        out += kReplacement;
        gbk.remove_prefix(charLength(gbk, 0));
    }
    return out;
}

std::string gbk(std::string_view utf8Literal) {
    std::optional<std::string> converted = toGbk(utf8Literal);
    if (!converted) {
        std::fprintf(stderr, "text without a GBK form: %.*s\n",
                     static_cast<int>(utf8Literal.size()), utf8Literal.data());
        std::abort();
    }
    return std::move(*converted);
}

std::string leftPart(std::string_view text, int n) {
    if (n <= 0) return {};
    return std::string(text.substr(0, static_cast<std::size_t>(n)));
}

std::string rightPart(std::string_view text, int n) {
    if (n <= 0) return {};
    std::size_t count = std::min(text.size(), static_cast<std::size_t>(n));
    return std::string(text.substr(text.size() - count));
}

std::string foldFullWidth(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size());
    for (std::size_t i = 0; i < gbk.size();) {
        std::size_t length = charLength(gbk, i);
        if (length == 1) {
            out += gbk[i++];
            continue;
        }
        auto lead = static_cast<unsigned char>(gbk[i]);
        auto trail = static_cast<unsigned char>(gbk[i + 1]);
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            out += static_cast<char>(trail - 0x80);
        } else if (lead == 0xA1 && trail == 0xA1) {
            out += ' ';
        } else if (lead == 0xA1 && trail == 0xAB) {
            out += '~';
        } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            out += '*';
        } else {
            out.append(gbk.substr(i, 2));
        }
        i += 2;
    }
    return out;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    for (std::size_t i = 0; i < a.size();) {
        // The second byte of a double-byte character may look like an ASCII letter; it must
        // match exactly, so walk the text a character at a time.
        if (charLength(a, i) == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            i += 2;
        } else {
            if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
                return false;
            ++i;
        }
    }
    return true;
}

}  // namespace korvana::text
