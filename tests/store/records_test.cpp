// The record operations on the current table: positions, scans, reading and writing fields,
// appending, marking and purging.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

#include "store/file.h"
#include "store_fixture.h"
#include "support/fault_file_system.h"
#include "text/fatal.h"
#include "text/gbk.h"

namespace korvana::store::testing {
namespace {

using RecordsTest = StoreTest;

TEST_F(RecordsTest, EmptyTable) {
    makeTable("t", twoTextFields());
    store.firstRecord();
    EXPECT_EQ(store.position(), 0);
    EXPECT_TRUE(store.goToRecord(1));
    EXPECT_EQ(store.position(), 0);
    EXPECT_EQ(text(store.readField("A")), "");
    EXPECT_EQ(store.lastError(), -10);
    EXPECT_FALSE(store.skip(1));
    EXPECT_EQ(store.lastError(), -26);
    EXPECT_FALSE(store.skip(-1));
    EXPECT_EQ(store.lastError(), -25);
    EXPECT_FALSE(store.findRecord([] { return true; }));
    EXPECT_FALSE(store.markDeleted());
    EXPECT_EQ(store.lastError(), -60);
    EXPECT_FALSE(store.writeField("A", std::string("x")));
    EXPECT_EQ(store.lastError(), -60);
    EXPECT_TRUE(store.purgeDeleted());
    EXPECT_EQ(store.recordCount(), 0);
}

TEST_F(RecordsTest, SkipAndGoToRecordKeepThePositionInRange) {
    makeTable("t", twoTextFields(), {"r0", "r1", "r2"});
    struct Case {
        int from;
        int n;
        bool ok;
        int to;
        int code;
    };
    const std::vector<Case> skips = {
        {0, 0, true, 0, 0},       {2, 1, true, 3, 0},     {3, 1, false, 3, -26},
        {3, -1, true, 2, 0},      {0, -1, true, -1, 0},   {-1, -1, false, -1, -25},
        {-1, 1, true, 0, 0},      {0, 100, true, 3, 0},   {2, -100, true, -1, 0},
        {1, std::numeric_limits<int>::max(), true, 3, 0}, {1, std::numeric_limits<int>::min(), true, -1, 0},
        {-1, 0, true, -1, 0},
    };
    for (const Case& c : skips) {
        SCOPED_TRACE(::testing::Message() << "skip " << c.n << " from " << c.from);
        // Reach the starting position through the operations themselves.
        store.firstRecord();
        if (c.from < 0) store.skip(-1);
        else if (c.from > 0) store.skip(c.from);
        ASSERT_EQ(store.position(), c.from);
        EXPECT_EQ(store.skip(c.n), c.ok);
        EXPECT_EQ(store.position(), c.to);
        EXPECT_EQ(store.lastError(), c.code);
    }
    for (auto [n, to] : std::vector<std::pair<int, int>>{{1, 0}, {2, 1}, {3, 2}, {4, 2}, {0, 0},
                                                         {-5, 0}, {std::numeric_limits<int>::min(), 0},
                                                         {std::numeric_limits<int>::max(), 2}}) {
        EXPECT_TRUE(store.goToRecord(n));
        EXPECT_EQ(store.position(), to) << n;
    }
    // After the last record, reads give the empty value and changes fail.
    store.goToRecord(3);
    store.skip(1);
    EXPECT_EQ(text(store.readField("A")), "");
    EXPECT_EQ(store.lastError(), -10);
    EXPECT_FALSE(store.writeField("A", std::string("x")));
    EXPECT_FALSE(store.markDeleted());
    store.skip(-10);
    EXPECT_EQ(text(store.readField("b")), "");
    EXPECT_EQ(store.lastError(), -60);
}

TEST_F(RecordsTest, FindRecordScansForwardFromThePosition) {
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i) names.push_back("r" + std::to_string(i));
    makeTable("t", twoTextFields(), names);
    struct Case {
        int start;  // position before the search (-1 reached by skipping back)
        std::string wanted;
        bool found;
        int position;
        std::vector<std::string> examined;
    };
    const std::vector<Case> cases = {
        {3, "r5", true, 5, {"r3", "r4", "r5"}},
        {3, "r1", false, 3, {"r3", "r4", "r5", "r6", "r7", "r8", "r9"}},
        {-1, "r0", true, 0, {"r0"}},
        {-1, "none", false, -1, names},
        {9, "r9", true, 9, {"r9"}},
        {10, "r9", false, 10, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "from " << c.start << " for " << c.wanted);
        store.firstRecord();
        if (c.start < 0) store.skip(-1);
        else store.skip(c.start);
        ASSERT_EQ(store.position(), c.start);
        std::vector<std::string> examined;
        std::vector<int> positions;
        const bool found = store.findRecord([&] {
            examined.push_back(text(store.readField("a")));
            positions.push_back(store.position());
            return examined.back() == c.wanted;
        });
        EXPECT_EQ(found, c.found);
        EXPECT_EQ(store.position(), c.position);
        EXPECT_EQ(examined, c.examined);
        for (std::size_t i = 0; i < positions.size(); ++i)
            EXPECT_EQ(positions[i], std::max(0, c.start) + static_cast<int>(i));
    }
    // After a successful search the record is current for reads and writes.
    store.firstRecord();
    ASSERT_TRUE(store.findRecord([&] { return text(store.readField("A")) == "r4"; }));
    ASSERT_TRUE(store.writeField("B", std::string("changed")));
    EXPECT_EQ(text(store.readField("B")), "changed");
}

TEST(FindRecordChunks, ReadsManyRecordsPerCallAndSeesEachInOrder) {
    TempDir dir{"store"};
    korvana::testing::FaultFileSystem fs;
    TableStore store(fs);
    // Records of 1004 bytes: a 256 KiB chunk holds 262 of them, so 700 records take 3 reads.
    const std::string path = dir.file("big.EDB");
    ASSERT_TRUE(store.createTable(path, {field("N", kInt), field("T", kText, 996)}));
    ASSERT_TRUE(store.openTable(path));
    const std::string filler(996, 'f');
    for (int i = 0; i < 700; ++i) ASSERT_TRUE(store.addRecord({int32_t{i}, filler}));
    store.firstRecord();
    fs.resetCounters();
    int expected = 0;
    bool inOrder = true;
    EXPECT_FALSE(store.findRecord([&] {
        const int32_t n = std::get<int32_t>(store.readField("n"));
        inOrder = inOrder && n == expected++ && text::leftPart(std::get<std::string>(store.readField("T")), 1) == "f";
        return false;
    }));
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(expected, 700);
    EXPECT_LE(fs.reads(), 1 + 700 * 1004 / (64 * 1024) + 1);  // the count, then big chunks
    EXPECT_EQ(store.position(), 0);
}

TEST_F(RecordsTest, ReadFieldWithoutATableOrFieldIsFatal) {
    struct Fatal {
        int code;
        std::string message;
    };
    text::setFatalHandler([](int code, const std::string& message) { throw Fatal{code, message}; });
    try {
        store.readField("A");
        ADD_FAILURE() << "no fatal error";
    } catch (const Fatal& f) {
        EXPECT_EQ(f.message, text::gbk("未指定当前数据库或者指定数据库未打开"));
    }
    makeTable("t", twoTextFields(), {"x"});
    try {
        store.readField("C");
        ADD_FAILURE() << "no fatal error";
    } catch (const Fatal& f) {
        EXPECT_EQ(f.message, text::gbk("指定字段不存在"));
    }
    // Also from inside a scan; the position is restored.
    store.firstRecord();
    EXPECT_THROW(store.findRecord([&] { return store.readField("C").index() == 0; }), Fatal);
    EXPECT_EQ(store.position(), 0);
    text::setFatalHandler(nullptr);
}

TEST_F(RecordsTest, TextFieldsStoreTheirBytesAsTheFileKeepsThem) {
    const std::string path = makeTable("t", {field("S", kText, 10)});
    ASSERT_TRUE(store.addRecord({}));
    auto fieldBytes = [&] { return readBytes(path).substr(116 + 72 + 4, 10); };
    struct Case {
        std::string write;
        std::string bytes;  // the field's 10 bytes after the write
        std::string read;
    };
    const std::vector<Case> cases = {
        {"1234567", std::string("1234567\0\0\0", 10), "1234567"},
        // Two bytes over seven: the new bytes, a NUL, then the last four old bytes.
        {"ab", std::string("ab\0" "4567\0\0\0", 10), "ab"},
        {"0123456789", "0123456789", "0123456789"},
        {"ABCDEFGHIJK", "ABCDEFGHIJ", "ABCDEFGHIJ"},
        {"", std::string("\0BCDEFGHIJ", 10), ""},
        // A double-byte character cut in half stays cut.
        {"123456789" + text::gbk("单"), "123456789\xB5", "123456789\xB5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.write);
        ASSERT_TRUE(store.writeField("s", c.write));
        EXPECT_EQ(fieldBytes(), c.bytes);
        EXPECT_EQ(text(store.readField("S")), c.read);
    }
}

TEST_F(RecordsTest, ValuesConvertIntoTheirFieldsOrAreRefused) {
    const std::vector<FieldInfo> fields = {
        field("By", kByte), field("Sh", kShort), field("In", kInt),   field("I64", kInt64),
        field("Fl", kFloat), field("Db", kDouble), field("Bo", kBool), field("Dt", kDateTime),
        field("Tx", kText, 8)};
    makeTable("t", fields);
    ASSERT_TRUE(store.addRecord({}));
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* field;
        FieldValue in;
        FieldValue out;
    };
    const std::vector<Case> cases = {
        {"By", int32_t{300}, uint8_t{44}},
        {"By", -1.9, uint8_t{0}},
        {"Sh", int32_t{70000}, int16_t{4464}},
        {"In", 2.9, int32_t{2}},
        {"In", -2.9, int32_t{-2}},
        {"In", 1e20, std::numeric_limits<int32_t>::max()},
        {"In", -inf, std::numeric_limits<int32_t>::min()},
        {"In", std::nan(""), int32_t{0}},
        {"In", int64_t{0x100000005}, int32_t{5}},
        {"I64", 1e300, std::numeric_limits<int64_t>::max()},
        {"Fl", 0.1, 0.1f},
        {"Fl", int32_t{16777217}, 16777216.0f},
        {"Fl", 1e300, std::numeric_limits<float>::infinity()},
        {"Db", 1.5f, 1.5},
        {"Db", int64_t{-7}, -7.0},
        {"Bo", true, true},
        {"Bo", false, false},
        {"Dt", DateTime{40000.25}, DateTime{40000.25}},
        {"Dt", DateTime{-1e9}, DateTime{-657434.0}},  // read back clamped
        {"Dt", DateTime{1e9}, DateTime{2958465.0}},
        {"Tx", std::string("abc"), std::string("abc")},
    };
    auto same = [](const FieldValue& a, const FieldValue& b) {
        if (a.index() != b.index()) return false;
        return std::visit(
            [&b](const auto& x) {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, Omitted>) return true;
                else if constexpr (std::is_same_v<T, DateTime>) return x.days == std::get<T>(b).days;
                else return x == std::get<T>(b);
            },
            a);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.field << " <- alternative " << c.in.index());
        ASSERT_TRUE(store.writeField(c.field, c.in)) << store.lastError();
        EXPECT_TRUE(same(store.readField(c.field), c.out));
    }
    // Kinds that do not suit: -76, nothing written.
    const std::vector<std::pair<const char*, FieldValue>> refused = {
        {"In", std::string("5")}, {"In", true},      {"In", DateTime{1}}, {"Bo", int32_t{1}},
        {"Dt", 1.0},              {"Tx", int32_t{1}}, {"Tx", Omitted{}},  {"Fl", Omitted{}}};
    for (const auto& [name, value] : refused) {
        SCOPED_TRACE(name);
        const FieldValue before = store.readField(name);
        EXPECT_FALSE(store.writeField(name, value));
        EXPECT_EQ(store.lastError(), -76);
        EXPECT_TRUE(same(store.readField(name), before));
    }
    // A field the table does not have is ignored.
    EXPECT_TRUE(store.writeField("Nope", int32_t{1}));
    EXPECT_EQ(store.lastError(), 0);
}

TEST_F(RecordsTest, AddRecordFillsGivenValuesAndLeavesTheRestZero) {
    const std::vector<FieldInfo> fields = {field("K", kText, 6), field("N", kInt), field("D", kDateTime),
                                           field("F", kFloat), field("B", kBool)};
    const std::string path = makeTable("t", fields);
    ASSERT_TRUE(store.addRecord({std::string("k1"), int32_t{7}}));
    EXPECT_EQ(store.position(), 0);
    ASSERT_TRUE(store.addRecord({Omitted{}, 3.9, Omitted{}, int32_t{2}, true, std::string("extra")}));
    EXPECT_EQ(store.position(), 1);
    EXPECT_EQ(store.recordCount(), 2);
    // The new record is current: a following write changes it.
    ASSERT_TRUE(store.writeField("K", std::string("k2")));

    store.goToRecord(1);
    EXPECT_EQ(text(store.readField("K")), "k1");
    EXPECT_EQ(std::get<int32_t>(store.readField("N")), 7);
    EXPECT_EQ(std::get<DateTime>(store.readField("D")).days, 0.0);
    EXPECT_EQ(std::get<float>(store.readField("F")), 0.0f);
    EXPECT_FALSE(std::get<bool>(store.readField("B")));
    store.goToRecord(2);
    EXPECT_EQ(text(store.readField("K")), "k2");
    EXPECT_EQ(std::get<int32_t>(store.readField("N")), 3);
    EXPECT_EQ(std::get<float>(store.readField("F")), 2.0f);
    EXPECT_TRUE(std::get<bool>(store.readField("B")));

    // A value of the wrong kind refuses the whole record before anything is written.
    const std::string before = readBytes(path);
    EXPECT_FALSE(store.addRecord({std::string("k3"), std::string("not a number")}));
    EXPECT_EQ(store.lastError(), -72);
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(store.position(), 1);
}

TEST_F(RecordsTest, MarkedRecordsStayUntilPurgedAndPurgeKeepsOrderAndSerials) {
    const std::string path = makeTable("t", twoTextFields(), {"a", "b", "c", "d", "e"});
    for (int n : {2, 4}) {
        store.goToRecord(n);
        ASSERT_TRUE(store.markDeleted());
        ASSERT_TRUE(store.markDeleted());  // a marked record stays marked
    }
    EXPECT_EQ(rawRecords(path),
              (std::vector<RawRecord>{{1, "a"}, {-2, "b"}, {3, "c"}, {-4, "d"}, {5, "e"}}));
    // Marked records are still counted, found, read and written.
    EXPECT_EQ(store.recordCount(), 5);
    store.firstRecord();
    ASSERT_TRUE(store.findRecord([&] { return text(store.readField("A")) == "d"; }));
    ASSERT_TRUE(store.writeField("B", std::string("still here")));
    EXPECT_EQ(int32At(readBytes(path), 260 + 3 * 28), -4);  // the mark survives the write

    store.goToRecord(3);
    ASSERT_TRUE(store.purgeDeleted());
    EXPECT_EQ(store.position(), 0);
    EXPECT_EQ(rawRecords(path), (std::vector<RawRecord>{{1, "a"}, {3, "c"}, {5, "e"}}));
    const std::string bytes = readBytes(path);
    EXPECT_EQ(bytes.size(), 260u + 3 * 28);
    EXPECT_EQ(int32At(bytes, 20), 6);
    ASSERT_TRUE(store.addRecord({std::string("f")}));
    EXPECT_EQ(rawRecords(path).back(), (RawRecord{6, "f"}));

    // Nothing marked: nothing written, position 0 all the same.
    store.goToRecord(2);
    const std::string unchanged = readBytes(path);
    ASSERT_TRUE(store.purgeDeleted());
    EXPECT_EQ(store.position(), 0);
    EXPECT_EQ(readBytes(path), unchanged);
}

TEST_F(RecordsTest, TheSmallestExampleOnDisk) {
    const std::string path = makeTable("t", twoTextFields(), {"x"});
    EXPECT_EQ(readBytes(path).size(), 288u);
    ASSERT_TRUE(store.markDeleted());
    EXPECT_EQ(int32At(readBytes(path), 260), -1);
    ASSERT_TRUE(store.purgeDeleted());
    std::string bytes = readBytes(path);
    EXPECT_EQ(bytes.size(), 260u);
    EXPECT_EQ(int32At(bytes, 16), 0);
    EXPECT_EQ(int32At(bytes, 20), 2);
    ASSERT_TRUE(store.addRecord({std::string("y")}));
    EXPECT_EQ(int32At(readBytes(path), 260), 2);
}

TEST_F(RecordsTest, OperationsWithoutACurrentTableFail) {
    EXPECT_EQ(store.recordCount(), 0);
    EXPECT_EQ(store.lastError(), -67);
    const std::vector<std::pair<const char*, std::function<bool()>>> ops = {
        {"skip", [&] { return store.skip(1); }},
        {"goToRecord", [&] { return store.goToRecord(1); }},
        {"findRecord", [&] { return store.findRecord([] { return true; }); }},
        {"writeField", [&] { return store.writeField("A", std::string()); }},
        {"addRecord", [&] { return store.addRecord({}); }},
        {"markDeleted", [&] { return store.markDeleted(); }},
        {"purgeDeleted", [&] { return store.purgeDeleted(); }},
    };
    for (const auto& [name, op] : ops) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(op());
        EXPECT_EQ(store.lastError(), -67);
    }
    store.firstRecord();
    EXPECT_EQ(store.lastError(), -67);
    EXPECT_EQ(store.position(), -1);
}

TEST_F(RecordsTest, LocksHeldByAnotherOpeningMakeOperationsFailOrWait) {
    const std::string path = makeTable("t", twoTextFields(), {"a"});
    int error = 0;
    std::unique_ptr<File> other = posixFileSystem().open(path, &error);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(other->lock(16, 1), 0);  // the count
    EXPECT_FALSE(store.addRecord({std::string("b")}));
    EXPECT_EQ(store.lastError(), -13);
    EXPECT_FALSE(store.skip(1));
    EXPECT_EQ(store.lastError(), -13);
    // recordCount waits for the header for up to two seconds.
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        other->unlock(16, 1);
    });
    EXPECT_EQ(store.recordCount(), 1);
    release.join();

    ASSERT_EQ(other->lock(0, 0), 0);  // the whole file
    EXPECT_FALSE(store.purgeDeleted());
    EXPECT_EQ(store.lastError(), -13);
    ASSERT_EQ(other->unlock(0, 0), 0);
    ASSERT_EQ(other->lock(260, 1), 0);  // record 0
    EXPECT_FALSE(store.markDeleted());
    EXPECT_EQ(store.lastError(), -13);
    EXPECT_FALSE(store.writeField("A", std::string("z")));
    EXPECT_EQ(store.lastError(), -13);
    EXPECT_EQ(rawRecords(path), (std::vector<RawRecord>{{1, "a"}}));
}

TEST(ErrorTexts, NameEveryCode) {
    EXPECT_EQ(TableStore::errorText(0), "");
    EXPECT_EQ(TableStore::errorText(-3), text::gbk("指定文件未找到"));
    EXPECT_EQ(TableStore::errorText(-38), text::gbk("指定数据库已经被打开"));
    EXPECT_EQ(TableStore::errorText(-76), text::gbk("表达式类型错误"));
    EXPECT_EQ(TableStore::errorText(-999), text::gbk("未知错误"));
}

}  // namespace
}  // namespace korvana::store::testing
