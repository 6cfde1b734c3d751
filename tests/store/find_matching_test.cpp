// findMatching: the search for records whose text fields read as given texts, comparing the
// bytes where they lie in the file. It must find exactly what findRecord finds with the same
// condition written with readField.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store_fixture.h"
#include "text/fatal.h"

namespace korvana::store::testing {
namespace {

using FindMatchingTest = StoreTest;

TEST_F(FindMatchingTest, FindsWhatFindRecordFindsWithTheSameCondition) {
    // A is 4 bytes wide, B 20. Record 1 fills A without a NUL; record 3 holds "w", a NUL and
    // the rest of an older, longer text; record 4 holds empty texts.
    makeTable("t", twoTextFields());
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"ab", "x"}, {"abcd", "y"}, {"abc", "x"}, {"wxyz", "x"}, {"", ""}, {"ab", "z"}};
    for (const auto& [a, b] : rows) ASSERT_TRUE(store.addRecord({a, b}));
    store.goToRecord(4);
    ASSERT_TRUE(store.writeField("A", std::string("w")));

    const std::vector<std::vector<TextMatch>> searches = {
        {{"A", "ab"}},  {{"A", "abcd"}}, {{"A", "abc"}},           {{"A", "abcde"}},
        {{"A", "w"}},   {{"A", "wxyz"}}, {{"A", ""}},              {{"a", "ab"}, {"B", "z"}},
        {{"A", "ab"}, {"b", "q"}},       {{"B", "y"}},             {{"A", "a"}},
    };
    int found = 0;
    for (int start : {-1, 0, 2, 5, 6}) {
        for (const auto& search : searches) {
            SCOPED_TRACE(::testing::Message() << "from " << start << " for " << search[0].text);
            auto reach = [&] {
                store.firstRecord();
                if (start < 0) store.skip(-1);
                else store.skip(start);
            };
            reach();
            const bool expected = store.findRecord([&] {
                for (const TextMatch& m : search) {
                    if (text(store.readField(m.field)) != m.text) return false;
                }
                return true;
            });
            const int expectedPosition = store.position();
            reach();
            EXPECT_EQ(store.findMatching(search), expected);
            EXPECT_EQ(store.position(), expectedPosition);
            EXPECT_EQ(store.lastError(), 0);
            found += expected;
        }
    }
    EXPECT_GT(found, 10);  // the table of searches is not one of misses only

    // The cases the byte comparison could get wrong, stated outright.
    store.firstRecord();
    EXPECT_TRUE(store.findMatching({{"A", "w"}}));
    EXPECT_EQ(store.position(), 3);
    store.firstRecord();
    EXPECT_FALSE(store.findMatching({{"A", "abc"}, {"B", "y"}}));
    EXPECT_EQ(store.position(), 0);
    // The record at the position is the first candidate.
    store.goToRecord(3);
    EXPECT_TRUE(store.findMatching({{"A", "abc"}}));
    EXPECT_EQ(store.position(), 2);
}

TEST_F(FindMatchingTest, OtherFieldTypesNeverMatchAndUnknownNamesAreFatal) {
    // 0x31 is stored as the bytes "1", NUL, NUL, NUL: what a text field holding "1" holds.
    makeTable("n", {field("N", kInt), field("T", kText, 8)});
    ASSERT_TRUE(store.addRecord({int32_t{0x31}, std::string("1")}));
    store.firstRecord();
    EXPECT_FALSE(store.findMatching({{"N", "1"}}));
    EXPECT_FALSE(store.findMatching({{"T", "1"}, {"N", ""}}));
    EXPECT_TRUE(store.findMatching({{"T", "1"}}));

    struct Fatal {};
    text::setFatalHandler([](int, const std::string&) { throw Fatal{}; });
    EXPECT_THROW(store.findMatching({{"X", "1"}}), Fatal);
    text::setFatalHandler(nullptr);
}

}  // namespace
}  // namespace korvana::store::testing
