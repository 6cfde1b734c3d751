#include "store_fixture.h"

#include <cstring>
#include <filesystem>

#include "text/gbk.h"

namespace korvana::store::testing {

bool fileExists(const std::string& utf8Path) { return std::filesystem::exists(utf8Path); }

int32_t int32At(const std::string& bytes, std::size_t offset) {
    int32_t v = 0;
    if (offset + 4 <= bytes.size()) std::memcpy(&v, bytes.data() + offset, 4);
    return v;
}

void putInt32(std::string& bytes, std::size_t offset, int32_t value) {
    std::memcpy(bytes.data() + offset, &value, 4);
}

FieldInfo field(const std::string& gbkName, int type, int maxTextLength) {
    FieldInfo f;
    f.name = gbkName;
    f.type = type;
    f.maxTextLength = maxTextLength;
    return f;
}

std::vector<FieldInfo> twoTextFields() { return {field("A", kText, 4), field("B", kText, 20)}; }

std::vector<RawRecord> rawRecords(const std::string& utf8Path) {
    const std::string bytes = readBytes(utf8Path);
    const int32_t fieldCount = int32At(bytes, 112);
    const std::size_t dataStart = 116 + 72 * static_cast<std::size_t>(fieldCount);
    const int32_t rs = int32At(bytes, 24);
    const int32_t count = int32At(bytes, 16);
    // Field A is the first field.
    const int32_t aOffset = int32At(bytes, 116 + 24);
    const int32_t aWidth = int32At(bytes, 116 + 28);
    std::vector<RawRecord> out;
    for (int32_t i = 0; i < count; ++i) {
        const std::size_t at = dataStart + static_cast<std::size_t>(i) * rs;
        if (at + rs > bytes.size()) break;
        std::string a = bytes.substr(at + aOffset, aWidth);
        a = a.substr(0, a.find('\0'));
        out.push_back({int32At(bytes, at), a});
    }
    return out;
}

std::string StoreTest::makeTable(const std::string& name, const std::vector<FieldInfo>& fields,
                                 const std::vector<std::string>& a) {
    const std::string path = dir.file(name + ".EDB");
    const std::string gbkPath = text::gbk(path);
    EXPECT_TRUE(store.createTable(gbkPath, fields)) << store.lastError();
    EXPECT_TRUE(store.openTable(gbkPath)) << store.lastError();
    for (const std::string& value : a) EXPECT_TRUE(store.addRecord({value})) << store.lastError();
    return path;
}

std::string StoreTest::text(const FieldValue& v) const {
    const std::string* s = std::get_if<std::string>(&v);
    return s ? *s : std::string("<not a text>");
}

}  // namespace korvana::store::testing
