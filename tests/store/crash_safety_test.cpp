// A run that stops at any write, or whose writes fail, leaves table files that open with every
// completed change intact and the interrupted one wholly there or wholly absent; changes reach
// the disk with one sync per written file.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "store_fixture.h"
#include "support/fault_file_system.h"

namespace korvana::store::testing {
namespace {

using korvana::testing::FaultFileSystem;
using Records = std::vector<std::string>;  // each record's bytes, serial included

// The records of a file as a fresh store finds them (the open repairs what it must).
Records recordsAfterReopen(const std::string& path) {
    TableStore store;
    EXPECT_TRUE(store.openTable(path)) << "the file does not open: " << store.lastError();
    const std::string bytes = readBytes(path);
    const int32_t rs = int32At(bytes, 24);
    const std::size_t dataStart = 116 + 72 * static_cast<std::size_t>(int32At(bytes, 112));
    EXPECT_EQ(bytes.size(), dataStart + static_cast<std::size_t>(int32At(bytes, 16)) * rs);
    Records out;
    for (std::size_t at = dataStart; at + rs <= bytes.size(); at += rs) out.push_back(bytes.substr(at, rs));
    return out;
}

int32_t serialOf(const std::string& record) { return int32At(record, 0); }

Records live(const Records& records) {
    Records out;
    for (const std::string& r : records)
        if (serialOf(r) > 0) out.push_back(r);
    return out;
}

// Each surviving record once, in order: |serial| grows along the file.
bool serialsGrow(const Records& records) {
    int64_t last = 0;
    for (const std::string& r : records) {
        const int64_t s = std::abs(static_cast<int64_t>(serialOf(r)));
        if (s <= last) return false;
        last = s;
    }
    return true;
}

using Action = std::function<bool(TableStore&, const std::string& path)>;

struct Scenario {
    const char* name;
    bool bigTable;  // records of 1008 bytes, so that compaction needs several writes
    Action action;
    bool partialAllowed;  // a compaction may stop with some marked records still there
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

bool openAnd(TableStore& s, const std::string& path, const std::function<bool()>& then) {
    return s.openTable(path) && then();
}

bool withHandle(TableStore& s, const std::string& path,
                const std::function<bool(TableHandle&)>& then) {
    int error = 0;
    auto h = s.openHandle(path, &error);
    return h && then(*h);
}

const std::vector<Scenario>& scenarios() {
    static const std::vector<Scenario> all = {
        {"addRecord", false,
         [](TableStore& s, const std::string& p) {
             return openAnd(s, p, [&] { return s.addRecord({std::string("new"), std::string("v")}); });
         },
         false},
        {"writeField", false,
         [](TableStore& s, const std::string& p) {
             return openAnd(s, p, [&] { return s.goToRecord(3) && s.writeField("B", std::string("changed")); });
         },
         false},
        {"markDeleted", false,
         [](TableStore& s, const std::string& p) {
             return openAnd(s, p, [&] { return s.goToRecord(3) && s.markDeleted(); });
         },
         false},
        {"purgeDeleted", false,
         [](TableStore& s, const std::string& p) { return openAnd(s, p, [&] { return s.purgeDeleted(); }); },
         false},
        {"purgeDeleted of many chunks", true,
         [](TableStore& s, const std::string& p) { return openAnd(s, p, [&] { return s.purgeDeleted(); }); },
         true},
        {"appendBlankRecord", false,
         [](TableStore& s, const std::string& p) {
             return withHandle(s, p, [](TableHandle& h) { return h.appendBlankRecord(); });
         },
         false},
        {"writeFieldAt", false,
         [](TableStore& s, const std::string& p) {
             return withHandle(s, p, [](TableHandle& h) { return h.writeFieldAt(2, 1, std::string("changed")); });
         },
         false},
        {"removeRecords", false,
         [](TableStore& s, const std::string& p) {
             return withHandle(s, p, [](TableHandle& h) { return h.removeRecords(1, 2); });
         },
         false},
        {"removeRecords of many chunks", true,
         [](TableStore& s, const std::string& p) {
             return withHandle(s, p, [](TableHandle& h) { return h.removeRecords(3, 20); });
         },
         false},
    };
    return all;
}

class CrashSafetyTest : public ::testing::TestWithParam<Scenario> {
  protected:
    void SetUp() override {
        path = dir.file("t.EDB");
        TableStore store;
        const int count = GetParam().bigTable ? 500 : 5;
        std::vector<FieldInfo> fields = {field("A", kText, 4), field("B", kText, GetParam().bigTable ? 1000 : 20)};
        ASSERT_TRUE(store.createTable(path, fields));
        ASSERT_TRUE(store.openTable(path));
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(store.addRecord({std::to_string(i), "b" + std::to_string(i)}));
        // Marked records: 1 and 3 of the small table, every seventh of the big one.
        for (int i = 1; i < count; i += GetParam().bigTable ? 7 : 2) {
            ASSERT_TRUE(store.goToRecord(i + 1));
            ASSERT_TRUE(store.markDeleted());
        }
        pristine = readBytes(path);
        before = recordsAfterReopen(path);
        // The whole action, undisturbed.
        FaultFileSystem fs;
        {
            TableStore s(fs);
            ASSERT_TRUE(GetParam().action(s, path));
        }
        writes = fs.writes();
        after = recordsAfterReopen(path);
        ASSERT_NE(after, before);
        ASSERT_GE(writes, 1);
    }

    TempDir dir{"store"};
    std::string path, pristine;
    Records before, after;
    int writes = 0;
};

TEST_P(CrashSafetyTest, AStopAtAnyWriteLeavesTheChangeWhollyThereOrWhollyAbsent) {
    for (int k = 1; k <= writes + 1; ++k) {
        SCOPED_TRACE(::testing::Message() << "stop at write " << k << " of " << writes);
        writeBytes(path, pristine);
        FaultFileSystem fs;
        fs.stopAtWrite(k);
        {
            TableStore s(fs);
            GetParam().action(s, path);
        }
        EXPECT_EQ(fs.stopped(), k <= writes);
        const Records found = recordsAfterReopen(path);
        if (found == before || found == after) continue;
        // Only a compaction of many chunks may stop between chunks: then the live records are
        // all there, each once and in order, and some marked ones not yet purged.
        ASSERT_TRUE(GetParam().partialAllowed) << "neither before nor after";
        EXPECT_EQ(live(found), live(before));
        EXPECT_TRUE(serialsGrow(found));
    }
}

TEST_P(CrashSafetyTest, AFailedWriteIsReportedAndTheFileStaysValid) {
    for (int code : {-14, -11}) {
        for (int k = 1; k <= writes; ++k) {
            SCOPED_TRACE(::testing::Message() << "code " << code << ", write " << k);
            writeBytes(path, pristine);
            FaultFileSystem fs;
            fs.failWrite(k, code, true);
            TableStore s(fs);
            EXPECT_FALSE(GetParam().action(s, path));
            const Records found = recordsAfterReopen(path);
            if (found == before || found == after) continue;
            ASSERT_TRUE(GetParam().partialAllowed) << "neither before nor after";
            EXPECT_EQ(live(found), live(before));
            EXPECT_TRUE(serialsGrow(found));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Actions, CrashSafetyTest, ::testing::ValuesIn(scenarios()),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(CrashSafety, TheFailureCodeReachesTheCaller) {
    TempDir dir{"store"};
    FaultFileSystem fs;
    TableStore store(fs);
    const std::string path = dir.file("t.EDB");
    ASSERT_TRUE(store.createTable(path, twoTextFields()));
    ASSERT_TRUE(store.openTable(path));
    ASSERT_TRUE(store.addRecord({std::string("a")}));
    fs.failWrite(1, -14);
    EXPECT_FALSE(store.addRecord({std::string("b")}));
    EXPECT_EQ(store.lastError(), -14);
    fs.failWrite(1, -11);
    EXPECT_FALSE(store.writeField("A", std::string("x")));
    EXPECT_EQ(store.lastError(), -11);
    // The next write goes through again; what was stored before is intact.
    ASSERT_TRUE(store.addRecord({std::string("c")}));
    EXPECT_EQ(rawRecords(path), (std::vector<RawRecord>{{1, "a"}, {2, "c"}}));
}

TEST(CrashSafety, AnInterruptedRepairIsFinishedByTheNextOpen) {
    TempDir dir{"store"};
    const std::string path = dir.file("t.EDB");
    {
        TableStore store;
        ASSERT_TRUE(store.createTable(path, {field("A", kText, 4), field("B", kText, 1000)}));
        ASSERT_TRUE(store.openTable(path));
        for (int i = 0; i < 400; ++i) ASSERT_TRUE(store.addRecord({std::to_string(i)}));
    }
    // Stale copies of records 1..299 after record 299, as a purge that moved them and stopped
    // before its count would leave, and a half record at the end.
    std::string bytes = readBytes(path);
    const std::size_t rs = 1008, ds = 260;
    std::string damaged = bytes.substr(0, ds + 300 * rs) + bytes.substr(ds + rs, 299 * rs) +
                          bytes.substr(ds + 300 * rs) + std::string(500, 'z');
    putInt32(damaged, 16, 699);
    const Records expected = recordsAfterReopen(path);
    ASSERT_EQ(expected.size(), 400u);

    int writes = 0;
    {
        writeBytes(path, damaged);
        FaultFileSystem fs;
        TableStore store(fs);
        ASSERT_TRUE(store.openTable(path));
        writes = fs.writes();
    }
    ASSERT_GE(writes, 3);
    for (int k = 1; k <= writes; ++k) {
        SCOPED_TRACE(k);
        writeBytes(path, damaged);
        FaultFileSystem fs;
        fs.stopAtWrite(k);
        TableStore(fs).openTable(path);
        EXPECT_EQ(recordsAfterReopen(path), expected);
    }
}

TEST(Durability, OneSyncPerWrittenFilePerAction) {
    TempDir dir{"store"};
    FaultFileSystem fs;
    TableStore store(fs);
    for (const char* name : {"a", "b", "c"}) {
        ASSERT_TRUE(store.createTable(dir.file(name), twoTextFields()));
        ASSERT_TRUE(store.openTable(dir.file(name)));
    }
    fs.resetCounters();
    ASSERT_TRUE(store.syncWritten());
    EXPECT_EQ(fs.syncs(), 0);  // nothing written since opening

    ASSERT_TRUE(store.selectTable("a"));
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(store.addRecord({std::string("x")}));
    ASSERT_TRUE(store.selectTable("c"));
    ASSERT_TRUE(store.addRecord({std::string("y")}));
    ASSERT_TRUE(store.writeField("B", std::string("z")));
    store.recordCount();
    EXPECT_EQ(fs.syncs(), 0);  // nothing is synced record by record
    ASSERT_TRUE(store.syncWritten());
    EXPECT_EQ(fs.syncs(), 2);
    ASSERT_TRUE(store.syncWritten());
    EXPECT_EQ(fs.syncs(), 2);

    int error = 0;
    auto handle = store.openHandle(dir.file("b"), &error);
    ASSERT_TRUE(handle);
    ASSERT_TRUE(handle->appendBlankRecord());
    ASSERT_TRUE(handle->writeFieldAt(0, 0, std::string("q")));
    ASSERT_TRUE(store.syncWritten());
    EXPECT_EQ(fs.syncs(), 2);  // the handle syncs its own writes
    ASSERT_TRUE(handle->sync());
    EXPECT_EQ(fs.syncs(), 3);
}

}  // namespace
}  // namespace korvana::store::testing
