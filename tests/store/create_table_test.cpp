// createTable: validation, the bytes of a new file, name resolution, and creation that never
// leaves a half-written file behind.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "store_fixture.h"
#include "support/fault_file_system.h"
#include "text/gbk.h"

namespace korvana::store::testing {
namespace {

using CreateTableTest = StoreTest;

TEST_F(CreateTableTest, RefusesBadDefinitionsWithTheirCodesAndWritesNothing) {
    const std::string longName(17, 'a');
    struct Case {
        const char* what;
        std::string name;
        std::vector<FieldInfo> fields;
        int code;
    };
    const std::vector<Case> cases = {
        {"empty table name", "", twoTextFields(), -3},
        {"no fields", "t", {}, -16},
        {"list ends at first empty name", "t", {field("", kText), field("A", kText)}, -16},
        {"space in name", "t", {field("A B", kText)}, -18},
        {"punctuation", "t", {field("A_B", kText)}, -18},
        {"digit first", "t", {field("1A", kText)}, -18},
        {"17 bytes", "t", {field(longName, kText)}, -18},
        {"full-width comma", "t", {field(text::gbk("单，位"), kText)}, -18},
        {"cut double-byte character", "t", {field(std::string("A\xB5"), kText)}, -18},
        {"type 0", "t", {field("A", 0)}, -17},
        {"type 13", "t", {field("A", 13)}, -17},
        {"text width 0", "t", {field("A", kText, 0)}, -19},
        {"text width 1025", "t", {field("A", kText, 1025)}, -19},
        {"name checked before type", "t", {field("A B", 0)}, -18},
        {"fields checked in order", "t", {field("A", kInt), field("B", 99), field("C C", 1)}, -17},
        {"duplicate ignoring ASCII case", "t", {field("Ab", kInt), field("aB", kText)}, -20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = c.name.empty() ? c.name : dir.file(c.name);
        EXPECT_FALSE(store.createTable(name, c.fields));
        EXPECT_EQ(store.lastError(), c.code);
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(CreateTableTest, AcceptsLettersDigitsAndChineseNames) {
    const std::vector<FieldInfo> fields = {
        field(text::gbk("单位编号"), kText, 4), field(text::gbk("ＡＢ１２"), kInt),
        field("x9", kBool), field(std::string(16, 'z'), kDouble), field(text::gbk("付款单位2"), kFloat)};
    EXPECT_TRUE(store.createTable(dir.file("t"), fields)) << store.lastError();
}

TEST_F(CreateTableTest, WritesHeaderAndDescriptorsByteForByte) {
    const std::string path = makeTable("t", twoTextFields());
    std::string bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 260u);
    EXPECT_EQ(bytes.substr(0, 4), "WEDB");
    EXPECT_EQ(int32At(bytes, 4), 0x00010000);
    double created = 0;
    std::memcpy(&created, bytes.data() + 8, 8);
    EXPECT_GT(created, 40000.0);                               // after 2009
    EXPECT_NEAR(created * 86400, std::round(created * 86400), 1e-3);  // whole seconds
    EXPECT_EQ(int32At(bytes, 16), 0);
    EXPECT_EQ(int32At(bytes, 20), 1);
    EXPECT_EQ(int32At(bytes, 24), 28);
    EXPECT_EQ(bytes.substr(28, 84), std::string(84, '\0'));
    EXPECT_EQ(int32At(bytes, 112), 2);
    // Descriptor A at 116, B at 188.
    std::string a(72, '\0'), b(72, '\0');
    a[0] = 'A';
    putInt32(a, 20, kText);
    putInt32(a, 24, 4);
    putInt32(a, 28, 4);
    b[0] = 'B';
    putInt32(b, 20, kText);
    putInt32(b, 24, 8);
    putInt32(b, 28, 20);
    EXPECT_EQ(bytes.substr(116, 72), a);
    EXPECT_EQ(bytes.substr(188, 72), b);

    ASSERT_TRUE(store.addRecord({std::string("ab"), std::string("xyz")}));
    const std::string after = readBytes(path);
    ASSERT_EQ(after.size(), 288u);
    EXPECT_EQ(after.substr(0, 260).substr(0, 16), bytes.substr(0, 16));
    EXPECT_EQ(int32At(after, 16), 1);
    EXPECT_EQ(int32At(after, 20), 2);
    std::string record(28, '\0');
    putInt32(record, 0, 1);
    std::memcpy(record.data() + 4, "ab", 2);
    std::memcpy(record.data() + 8, "xyz", 3);
    EXPECT_EQ(after.substr(260), record);
}

TEST_F(CreateTableTest, InvoiceTableLayouts) {
    struct Layout {
        const char* table;
        std::vector<FieldInfo> fields;
        int recordSize;
        std::size_t length;
        std::vector<int> offsets;
    };
    const std::vector<Layout> layouts = {
        {"单位库",
         {field(text::gbk("单位编号"), kText, 4), field(text::gbk("单位名称"), kText, 20)},
         28, 260, {4, 8}},
        {"发票管理库",
         {field(text::gbk("发票编号"), kText, 15), field(text::gbk("发票类型"), kText, 10),
          field(text::gbk("发票代码"), kText, 15), field(text::gbk("发票起号码"), kText, 10),
          field(text::gbk("发票份数"), kInt)},
         58, 476, {4, 19, 29, 44, 54}},
        {"发票记录库",
         {field(text::gbk("发票编号"), kText, 15), field(text::gbk("发票号码"), kText, 10),
          field(text::gbk("日期"), kDateTime), field(text::gbk("金额"), kFloat),
          field(text::gbk("付款单位"), kText, 20), field(text::gbk("已开"), kBool)},
         62, 548, {4, 19, 29, 37, 41, 61}},
    };
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.table);
        // A bare name: ".EDB" appended, resolved against the working directory.
        ASSERT_TRUE(store.createTable(text::gbk(l.table), l.fields)) << store.lastError();
        const std::string bytes = readBytes(dir.file(std::string(l.table) + ".EDB"));
        ASSERT_EQ(bytes.size(), l.length);
        EXPECT_EQ(int32At(bytes, 24), l.recordSize);
        EXPECT_EQ(int32At(bytes, 112), static_cast<int32_t>(l.fields.size()));
        for (std::size_t i = 0; i < l.fields.size(); ++i) {
            const std::size_t d = 116 + 72 * i;
            EXPECT_EQ(bytes.substr(d, 17), l.fields[i].name + std::string(17 - l.fields[i].name.size(), '\0'));
            EXPECT_EQ(int32At(bytes, d + 20), l.fields[i].type);
            EXPECT_EQ(int32At(bytes, d + 24), l.offsets[i]);
            EXPECT_EQ(int32At(bytes, d + 28), l.fields[i].type == kText ? l.fields[i].maxTextLength : 0);
        }
    }
}

TEST_F(CreateTableTest, ResolvesNamesLikeTheProgramGivesThem) {
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    std::filesystem::create_directory(dir.file("sub"));
    std::filesystem::create_directory(dir.file("誠"));  // GBK D5 5C: its second byte is "\"
    struct Case {
        std::string name;  // GBK
        const char* file;  // UTF-8, relative to the directory
    };
    const std::vector<Case> cases = {
        {"plain", "plain.EDB"},
        {"dot.", "dot.EDB"},
        {"other.dat", "other.dat"},
        {"sub\\back", "sub/back.EDB"},
        {"sub/fwd", "sub/fwd.EDB"},
        {"sub.d\\noext", "sub.d/noext.EDB"},  // a dot in a directory is no extension
        {text::gbk("誠\\子"), "誠/子.EDB"},
        {text::gbk("子誠"), "子誠.EDB"},
        {"./sub/../rel", "rel.EDB"},
        {text::gbk(dir.file("abs")), "abs.EDB"},
    };
    std::filesystem::create_directory(dir.file("sub.d"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(store.createTable(c.name, twoTextFields())) << store.lastError();
        EXPECT_EQ(readBytes(dir.file(c.file)).size(), 260u);
    }
    // A name with a byte that is no GBK character names no file.
    EXPECT_FALSE(store.createTable(std::string("bad\xFF"), twoTextFields()));
    EXPECT_EQ(store.lastError(), -4);
}

TEST_F(CreateTableTest, ReplacesAnExistingFileWhateverTheCaseOfItsName) {
    writeBytes(dir.file("T.edb"), std::string(500, 'x'));
    ASSERT_TRUE(store.createTable(dir.file("t"), twoTextFields()));
    EXPECT_EQ(readBytes(dir.file("T.edb")).size(), 260u);
    EXPECT_FALSE(fileExists(dir.file("t.EDB")));
}

TEST_F(CreateTableTest, RefusesToReplaceATableThatIsOpen) {
    const std::string path = makeTable("t", twoTextFields(), {"a"});
    EXPECT_FALSE(store.createTable(dir.file("T"), twoTextFields()));
    EXPECT_EQ(store.lastError(), -38);
    EXPECT_EQ(readBytes(path).size(), 288u);
}

TEST(CreateTableFaults, AFailedOrStoppedCreationLeavesNoPartialFile) {
    TempDir dir{"store"};
    korvana::testing::FaultFileSystem fs;
    TableStore store(fs);
    ASSERT_TRUE(store.createTable(dir.file("probe"), twoTextFields()));
    const int writes = fs.writes();
    ASSERT_GE(writes, 2);
    for (int k = 1; k <= writes; ++k) {
        SCOPED_TRACE(k);
        // A failed write: either the table is reported as not created and no file of it is
        // left, or it is there whole.
        fs.failWrite(k, -14);
        if (store.createTable(dir.file("t"), twoTextFields())) {
            EXPECT_EQ(readBytes(dir.file("t.EDB")).size(), 260u);
            std::filesystem::remove(dir.file("t.EDB"));
        } else {
            EXPECT_EQ(store.lastError(), -14);
            EXPECT_FALSE(fileExists(dir.file("t.EDB")));
        }
        EXPECT_FALSE(fileExists(dir.file("t.EDB.new")));
        fs.clearFaults();

        // A stop: the table file is either missing or whole.
        fs.stopAtWrite(k);
        store.createTable(dir.file("s"), twoTextFields());
        fs.clearFaults();
        if (fileExists(dir.file("s.EDB"))) {
            EXPECT_EQ(readBytes(dir.file("s.EDB")).size(), 260u);
            std::filesystem::remove(dir.file("s.EDB"));
        }
    }
}

TEST(CreateTableFaults, AnUnwritableFolderGivesAccessDenied) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    TempDir dir{"store"};
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    TableStore store;
    EXPECT_FALSE(store.createTable(dir.file("t"), twoTextFields()));
    EXPECT_EQ(store.lastError(), -6);
}

}  // namespace
}  // namespace korvana::store::testing
