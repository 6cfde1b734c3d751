// The payer editor's handle: fields by index, blank records, removal, and sharing the file
// with the store's own opening.
#include <gtest/gtest.h>

#include "store_fixture.h"
#include "text/gbk.h"

namespace korvana::store::testing {
namespace {

class TableHandleTest : public StoreTest {
  protected:
    void SetUp() override {
        path = makeTable("t", twoTextFields(), {"r0", "r1", "r2", "r3", "r4"});
        int error = 1;
        handle = store.openHandle(text::gbk(path), &error);
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(error, 0);
    }
    std::vector<std::string> allA() {
        std::vector<std::string> out;
        for (const RawRecord& r : rawRecords(path)) out.push_back(r.a);
        return out;
    }
    std::string path;
    std::unique_ptr<TableHandle> handle;
};

TEST_F(TableHandleTest, DescribesTheFieldsAsTheFileHasThem) {
    EXPECT_EQ(handle->position(), 0);
    EXPECT_EQ(handle->recordCount(), 5);
    ASSERT_EQ(handle->fieldCount(), 2);
    EXPECT_EQ(handle->field(1).name, "B");
    EXPECT_EQ(handle->field(1).type, kText);
    EXPECT_EQ(handle->field(1).offset, 8);
    EXPECT_EQ(handle->field(1).width, 20);
}

TEST_F(TableHandleTest, WriteFieldAtStoresOnlyTheFieldPaddedWithZeros) {
    ASSERT_TRUE(handle->writeFieldAt(1, 1, std::string("1234567")));
    ASSERT_TRUE(handle->writeFieldAt(1, 1, std::string("ab")));
    EXPECT_EQ(handle->position(), 1);
    const std::string bytes = readBytes(path);
    EXPECT_EQ(bytes.substr(260 + 28 + 8, 20), "ab" + std::string(18, '\0'));  // no old bytes left
    EXPECT_EQ(int32At(bytes, 260 + 28), 2);
    ASSERT_TRUE(handle->writeFieldAt(2, 0, std::string("toolong")));
    EXPECT_EQ(std::get<std::string>(handle->readFieldAt(2, 0)), "tool");
    EXPECT_EQ(handle->position(), 2);

    // The store's opening sees the change at once, and the other way round.
    ASSERT_TRUE(store.goToRecord(2));
    EXPECT_EQ(text(store.readField("B")), "ab");
    ASSERT_TRUE(store.writeField("A", std::string("st")));
    EXPECT_EQ(std::get<std::string>(handle->readFieldAt(1, 0)), "st");
}

TEST_F(TableHandleTest, RefusesBadIndexesAndValues) {
    const std::string before = readBytes(path);
    struct Case {
        int record, field;
        FieldValue value;
        int code;
    };
    for (const Case& c : std::vector<Case>{{0, 2, std::string("x"), -61},
                                           {0, -1, std::string("x"), -61},
                                           {-1, 0, std::string("x"), -60},
                                           {5, 0, std::string("x"), -60},
                                           {0, 0, int32_t{3}, -76}}) {
        SCOPED_TRACE(::testing::Message() << c.record << "," << c.field);
        EXPECT_FALSE(handle->writeFieldAt(c.record, c.field, c.value));
        EXPECT_EQ(handle->lastError(), c.code);
    }
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(std::get<std::string>(handle->readFieldAt(5, 0)), "");
    EXPECT_EQ(handle->lastError(), -10);
    EXPECT_EQ(std::get<std::string>(handle->readFieldAt(-1, 1)), "");
    EXPECT_EQ(handle->lastError(), -60);
    EXPECT_EQ(handle->readFieldAt(0, 9).index(), 0u);
    EXPECT_EQ(handle->lastError(), -61);
}

TEST_F(TableHandleTest, AppendBlankRecordTakesTheNextSerial) {
    ASSERT_TRUE(handle->appendBlankRecord());
    EXPECT_EQ(handle->position(), 5);
    const std::vector<RawRecord> records = rawRecords(path);
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records.back(), (RawRecord{6, ""}));
    EXPECT_EQ(readBytes(path).substr(260 + 5 * 28 + 4), std::string(24, '\0'));
    EXPECT_EQ(store.recordCount(), 6);
}

TEST_F(TableHandleTest, RemoveRecordsTakesRecordsOutInOrder) {
    struct Case {
        int first, n;
        std::vector<std::string> left;
    };
    const std::vector<Case> cases = {
        {1, 2, {"r0", "r3", "r4"}},
        {0, 1, {"r1", "r2", "r3", "r4"}},
        {4, 1, {"r0", "r1", "r2", "r3"}},
        {3, 99, {"r0", "r1", "r2"}},  // n beyond the end takes the rest
        {0, 5, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.first << "+" << c.n);
        TableStore fresh;
        const std::string copy = dir.file("copy.EDB");
        writeBytes(copy, readBytes(path));
        int error = 0;
        auto h = fresh.openHandle(copy, &error);
        ASSERT_NE(h, nullptr);
        h->readFieldAt(3, 0);
        ASSERT_TRUE(h->removeRecords(c.first, c.n)) << h->lastError();
        EXPECT_EQ(h->position(), 0);
        std::vector<std::string> left;
        for (const RawRecord& r : rawRecords(copy)) left.push_back(r.a);
        EXPECT_EQ(left, c.left);
        EXPECT_EQ(readBytes(copy).size(), 260 + 28 * c.left.size());
        EXPECT_EQ(int32At(readBytes(copy), 20), 6);
    }
    // Nothing to remove: nothing happens, the position stays.
    handle->readFieldAt(3, 0);
    for (int n : {0, -2}) {
        EXPECT_TRUE(handle->removeRecords(1, n));
        EXPECT_EQ(handle->position(), 3);
    }
    EXPECT_FALSE(handle->removeRecords(5, 1));
    EXPECT_EQ(handle->lastError(), -60);
    EXPECT_EQ(allA(), (std::vector<std::string>{"r0", "r1", "r2", "r3", "r4"}));
}

TEST_F(TableHandleTest, RefusesWhatOpenTableRefuses) {
    writeBytes(dir.file("bad.EDB"), "WEDX" + std::string(300, '\0'));
    int error = 0;
    EXPECT_EQ(store.openHandle(dir.file("BAD.edb"), &error), nullptr);
    EXPECT_EQ(error, -22);
    EXPECT_EQ(store.openHandle(dir.file("absent"), &error), nullptr);
    EXPECT_EQ(error, -3);
}

}  // namespace
}  // namespace korvana::store::testing
