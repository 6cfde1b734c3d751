#pragma once
// Shared by the table engine's tests: a temporary folder, raw file bytes, small tables.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "store/table_store.h"
#include "support/temp_files.h"

namespace korvana::store::testing {

using ::korvana::testing::readBytes;
using ::korvana::testing::TempDir;
using ::korvana::testing::writeBytes;

bool fileExists(const std::string& utf8Path);
int32_t int32At(const std::string& bytes, std::size_t offset);
void putInt32(std::string& bytes, std::size_t offset, int32_t value);

// Two text fields, A of width 4 and B of width 20: record size 28, data start 260.
std::vector<FieldInfo> twoTextFields();
FieldInfo field(const std::string& gbkName, int type, int maxTextLength = 20);

// The serials and the text of field A of every record, read raw from a file that
// openTable has already repaired.
struct RawRecord {
    int32_t serial;
    std::string a;
    bool operator==(const RawRecord&) const = default;
};
std::vector<RawRecord> rawRecords(const std::string& utf8Path);

// A test fixture with a directory and a store on the real file system.
class StoreTest : public ::testing::Test {
  protected:
    // Creates `name` (UTF-8 file name without extension) with `fields`, opens it, and
    // appends one record per text in `a` (field A) — the table is current.
    std::string makeTable(const std::string& name, const std::vector<FieldInfo>& fields,
                          const std::vector<std::string>& a = {});
    std::string text(const FieldValue& v) const;  // the text held by a text value

    TempDir dir{"store"};
    TableStore store;
};

}  // namespace korvana::store::testing
