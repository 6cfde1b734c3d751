// openTable and selectTable: validation that refuses without touching the file, the repair of
// interrupted appends and compactions, file names matched without regard to case, -38.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "store_fixture.h"
#include "text/gbk.h"

namespace korvana::store::testing {
namespace {

class OpenTableTest : public StoreTest {
  protected:
    // A valid file of two records ("r1", "r2"), written by another store and closed.
    std::string validFile(const std::string& name = "v") {
        TableStore other;
        const std::string path = dir.file(name + ".EDB");
        EXPECT_TRUE(other.createTable(path, twoTextFields()));
        EXPECT_TRUE(other.openTable(path));
        EXPECT_TRUE(other.addRecord({std::string("r1")}));
        EXPECT_TRUE(other.addRecord({std::string("r2")}));
        return readBytes(path);
    }
    // Writes `bytes` as a table file and opens it with the fixture's store.
    bool open(const std::string& bytes, const std::string& name = "t.EDB") {
        writeBytes(dir.file(name), bytes);
        return store.openTable(dir.file(name));
    }
};

TEST_F(OpenTableTest, RefusesHostileHeadersWithoutTouchingTheFile) {
    const std::string valid = validFile();
    ASSERT_EQ(valid.size(), 316u);
    struct Case {
        const char* what;
        std::size_t offset;
        int32_t value;
        int code;
    };
    const std::vector<Case> cases = {
        {"magic", 0, 0x43424457 /* "WDBC" */, -22},
        {"version one above", 4, 0x00010001, -23},
        {"version huge", 4, 0x7FFFFFFF, -23},
        {"record size zero", 24, 0, -22},
        {"record size negative", 24, -28, -22},
        {"record size below the serial", 24, 3, -22},
        {"record size huge", 24, 0x7FFFFFFF, -22},
        {"count negative", 16, -1, -22},
        {"next serial zero", 20, 0, -22},
        {"next serial negative", 20, -5, -22},
        {"field count zero", 112, 0, -22},
        {"field count negative", 112, -1, -22},
        {"field count huge", 112, 0x7FFFFFFF, -22},
        {"field count beyond the file", 112, 4, -22},
        {"field type zero", 116 + 20, 0, -22},
        {"field type 13", 116 + 20, 13, -22},
        {"field offset negative", 116 + 24, -1, -22},
        {"field over the serial", 116 + 24, 2, -22},
        {"field past the record", 188 + 24, 9, -22},
        {"text length zero", 116 + 28, 0, -22},
        {"text length negative", 116 + 28, -4, -22},
        {"text length huge", 116 + 28, 0x7FFFFFFF, -22},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = valid;
        putInt32(bytes, c.offset, c.value);
        EXPECT_FALSE(open(bytes));
        EXPECT_EQ(store.lastError(), c.code);
        EXPECT_EQ(readBytes(dir.file("t.EDB")), bytes);
        EXPECT_EQ(store.recordCount(), 0);
        EXPECT_EQ(store.lastError(), -67);  // nothing registered, nothing current
    }
    std::string noNul = valid;
    std::memset(noNul.data() + 116, 'x', 17);
    EXPECT_FALSE(open(noNul));
    EXPECT_EQ(store.lastError(), -22);
    EXPECT_EQ(readBytes(dir.file("t.EDB")), noNul);
}

TEST_F(OpenTableTest, AcceptsOlderVersions) {
    std::string bytes = validFile();
    putInt32(bytes, 4, 0x00000001);
    ASSERT_TRUE(open(bytes)) << store.lastError();
    EXPECT_EQ(store.recordCount(), 2);
}

TEST_F(OpenTableTest, TruncationAtEveryOffsetIsRefusedOrRepaired) {
    const std::string valid = validFile();
    for (std::size_t length = 0; length < valid.size(); ++length) {
        SCOPED_TRACE(length);
        TableStore fresh;
        const std::string prefix = valid.substr(0, length);
        writeBytes(dir.file("t.EDB"), prefix);
        const bool opened = fresh.openTable(dir.file("t.EDB"));
        if (length < 260) {
            EXPECT_FALSE(opened);
            EXPECT_EQ(fresh.lastError(), -22);
            EXPECT_EQ(readBytes(dir.file("t.EDB")), prefix);
            continue;
        }
        ASSERT_TRUE(opened) << fresh.lastError();
        const int whole = static_cast<int>((length - 260) / 28);
        EXPECT_EQ(fresh.recordCount(), whole);
        EXPECT_EQ(readBytes(dir.file("t.EDB")), valid.substr(0, 260 + 28 * whole).replace(16, 4, std::string(reinterpret_cast<const char*>(&whole), 4)));
    }
}

TEST_F(OpenTableTest, RepairsAShortFileAndCutsTrailingBytes) {
    // Count 5 with four whole records and half of a fifth.
    TableStore writer;
    const std::string path = dir.file("five.EDB");
    ASSERT_TRUE(writer.createTable(path, twoTextFields()));
    ASSERT_TRUE(writer.openTable(path));
    for (const char* a : {"a", "b", "c", "d", "e"}) ASSERT_TRUE(writer.addRecord({std::string(a)}));
    std::string bytes = readBytes(path);
    bytes.resize(260 + 4 * 28 + 14);
    ASSERT_TRUE(open(bytes));
    EXPECT_EQ(store.recordCount(), 4);
    std::string after = readBytes(dir.file("t.EDB"));
    EXPECT_EQ(after.size(), 260u + 4 * 28);
    EXPECT_EQ(int32At(after, 16), 4);
    EXPECT_EQ(int32At(after, 20), 6);  // the next serial is left alone

    // Trailing bytes after the last counted record (an append stopped before its count).
    bytes = validFile("w") + std::string(40, 'z');
    ASSERT_TRUE(open(bytes, "u.EDB"));
    EXPECT_EQ(store.recordCount(), 2);
    EXPECT_EQ(readBytes(dir.file("u.EDB")), validFile("w"));
}

TEST_F(OpenTableTest, DropsCopiesLeftByAnInterruptedCompaction) {
    // Build a file from chosen serials: each record's field A names it.
    auto fileWith = [&](const std::vector<int32_t>& serials, int32_t nextSerial) {
        std::string bytes = validFile().substr(0, 260);
        for (int32_t s : serials) {
            std::string record(28, '\0');
            putInt32(record, 0, s);
            const std::string a = std::to_string(s);
            std::memcpy(record.data() + 4, a.data(), a.size());
            bytes += record;
        }
        putInt32(bytes, 16, static_cast<int32_t>(serials.size()));
        putInt32(bytes, 20, nextSerial);
        return bytes;
    };
    struct Case {
        const char* what;
        std::vector<int32_t> serials;
        int32_t nextSerial;
        std::vector<int32_t> kept;
        int32_t keptNextSerial;
    };
    const std::vector<Case> cases = {
        {"in order", {1, 2, 5, 9}, 10, {1, 2, 5, 9}, 10},
        {"moved records twice", {1, 3, 4, 3, 4}, 5, {1, 3, 4}, 5},
        {"marked records keep their place", {1, -3, 4, -3, 4, 6}, 7, {1, -3, 4, 6}, 7},
        {"stale copy of a dropped record", {2, 5, 3, 4, 5}, 6, {2, 5}, 6},
        {"no serial", {0, 1, 0, 2}, 3, {1, 2}, 3},
        {"serials beyond the counter", {1, 2, 7}, 3, {1, 2, 7}, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TableStore fresh;
        writeBytes(dir.file("t.EDB"), fileWith(c.serials, c.nextSerial));
        ASSERT_TRUE(fresh.openTable(dir.file("t.EDB"))) << fresh.lastError();
        std::vector<RawRecord> expected;
        for (int32_t s : c.kept) expected.push_back({s, std::to_string(s)});
        EXPECT_EQ(rawRecords(dir.file("t.EDB")), expected);
        const std::string after = readBytes(dir.file("t.EDB"));
        EXPECT_EQ(after.size(), 260 + 28 * c.kept.size());
        EXPECT_EQ(int32At(after, 20), c.keptNextSerial);
        EXPECT_EQ(fresh.recordCount(), static_cast<int>(c.kept.size()));
    }
}

TEST_F(OpenTableTest, MatchesFileNamesIgnoringCaseAndRefusesASecondOpening) {
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    const std::string name = text::gbk("发票管理库");
    ASSERT_TRUE(store.createTable(name, twoTextFields()));  // makes 发票管理库.EDB
    ASSERT_TRUE(store.openTable(name + ".edb")) << store.lastError();
    EXPECT_FALSE(fileExists(dir.file("发票管理库.edb")));
    EXPECT_TRUE(store.addRecord({std::string("k")}));
    EXPECT_EQ(readBytes(dir.file("发票管理库.EDB")).size(), 288u);

    // The same file by any other spelling of its path is already open.
    for (const std::string& again :
         {name + ".edb", name + ".EDB", name, text::gbk(dir.file("发票管理库.Edb")),
          text::gbk("./sub/../发票管理库.eDB"), text::gbk(dir.path() + "\\发票管理库")}) {
        EXPECT_FALSE(store.openTable(again));
        EXPECT_EQ(store.lastError(), -38);
    }
    int error = 1;
    EXPECT_NE(store.openHandle(name + ".edb", &error), nullptr);  // a handle is not registered
    EXPECT_EQ(error, 0);
}

TEST_F(OpenTableTest, ReportsFileSystemErrors) {
    writeBytes(dir.file("plain"), "x");
    std::filesystem::create_directory(dir.file("folder.EDB"));
    struct Case {
        std::string path;
        int code;
    };
    for (const Case& c : std::vector<Case>{{dir.file("missing"), -3},
                                           {dir.file("plain/inside"), -4},
                                           {dir.file("folder"), -6}}) {
        SCOPED_TRACE(c.path);
        EXPECT_FALSE(store.openTable(c.path));
        EXPECT_EQ(store.lastError(), c.code);
    }
}

TEST_F(OpenTableTest, SelectsByBaseNameIgnoringCaseNewestFirstThenByPath) {
    std::filesystem::create_directory(dir.file("d1"));
    std::filesystem::create_directory(dir.file("d2"));
    for (const char* d : {"d1", "d2"}) {
        const std::string path = dir.file(std::string(d) + "/Data.EDB");
        ASSERT_TRUE(store.createTable(path, twoTextFields()));
        ASSERT_TRUE(store.openTable(path));
        ASSERT_TRUE(store.addRecord({std::string(d)}));
    }
    const std::string other = makeTable("其他", twoTextFields(), {"o1", "o2", "o3"});
    auto currentA = [&] {
        store.firstRecord();
        return text(store.readField("A"));
    };
    ASSERT_TRUE(store.selectTable("dATA"));  // the newest of the two
    EXPECT_EQ(currentA(), "d2");
    ASSERT_TRUE(store.selectTable(dir.file("d1/data.edb")));
    EXPECT_EQ(currentA(), "d1");

    // A table keeps its position while another is current.
    ASSERT_TRUE(store.selectTable(text::gbk("其他")));
    ASSERT_TRUE(store.goToRecord(3));
    ASSERT_TRUE(store.selectTable("data"));
    ASSERT_TRUE(store.selectTable(text::gbk("其他")));
    EXPECT_EQ(store.position(), 2);

    EXPECT_FALSE(store.selectTable("nothing"));
    EXPECT_EQ(store.lastError(), -66);
    EXPECT_EQ(text(store.readField("A")), "o3");  // current table unchanged
}

}  // namespace
}  // namespace korvana::store::testing
