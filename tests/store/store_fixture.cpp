#include "store_fixture.h"

#include <cstring>
#include <filesystem>

#include "support/raw_table.h"
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
    const ::korvana::testing::RawTable table(readBytes(utf8Path));
    std::vector<RawRecord> out;
    if (table.fields().empty()) return out;
    // Field A is the first field.
    const auto& a = table.fields().front();
    for (int i = 0; i < table.storedRecords(); ++i) {
        out.push_back({table.int32At(table.offsetOf(i)), table.text(i, a)});
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
