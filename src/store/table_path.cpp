#include "store/table_path.h"

#include <vector>

#include "text/gbk.h"

namespace korvana::store::detail {
namespace {

bool isLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// The name with every "\" that is a character of its own (not the second byte of a
// double-byte character) turned into "/".
std::string withSlashes(const std::string& gbk) {
    std::string out = gbk;
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (isLeadByte(c) && i + 1 < out.size()) {
            ++i;
        } else if (c == '\\') {
            out[i] = '/';
        }
    }
    return out;
}

// "a//b/./c/../d" -> "/a/b/d" for an absolute path.
std::string normalised(const std::string& absolute) {
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= absolute.size()) {
        std::size_t j = absolute.find('/', i);
        if (j == std::string::npos) j = absolute.size();
        std::string part = absolute.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        i = j + 1;
    }
    std::string out;
    for (const std::string& part : parts) out += "/" + part;
    return out.empty() ? "/" : out;
}

}  // namespace

int resolveTablePath(FileSystem& fs, const std::string& gbkName, TablePath* out) {
    if (gbkName.empty()) return -3;
    if (gbkName.find('\0') != std::string::npos) return -4;
    std::string name = withSlashes(gbkName);

    const std::size_t slash = name.rfind('/');
    const std::size_t fileStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot < fileStart) {
        dot = name.size();
        name += ".EDB";
    } else if (dot + 1 == name.size()) {
        name += "EDB";
    }
    out->baseName = name.substr(fileStart, dot - fileStart);

    std::string utf8 = text::toUtf8(name);
    // A byte sequence with no character behind it would name a different file.
    if (utf8.find("\xEF\xBF\xBD") != std::string::npos) return -4;
    if (utf8[0] != '/') {
        std::string cwd = workingDirectory();
        if (cwd.empty()) return -4;
        utf8 = cwd + "/" + utf8;
    }
    out->utf8 = matchFileName(fs, normalised(utf8));
    return 0;
}

}  // namespace korvana::store::detail
