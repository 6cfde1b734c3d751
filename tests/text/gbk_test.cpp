#include "text/gbk.h"

#include <gtest/gtest.h>

#include <string>

namespace korvana::text {
namespace {

// "发票" in GBK: B7A2 C6B1.
const std::string kInvoice = "\xB7\xA2\xC6\xB1";

TEST(Gbk, ConvertsBothWays) {
    EXPECT_EQ(toGbk("发票"), kInvoice);
    EXPECT_EQ(toGbk("ab 12"), "ab 12");
    EXPECT_EQ(toGbk(""), "");
    EXPECT_EQ(toUtf8(kInvoice), "发票");
    EXPECT_EQ(gbk("单位库.EDB"), "\xB5\xA5\xCE\xBB\xBF\xE2.EDB");
    // Full-width forms and the ideographic space survive the round trip.
    const std::string mixed = "Ａ１　年月日时分秒：，。真假";
    ASSERT_TRUE(toGbk(mixed).has_value());
    EXPECT_EQ(toUtf8(*toGbk(mixed)), mixed);
}

TEST(Gbk, TextWithoutGbkFormIsRefused) {
    EXPECT_FALSE(toGbk("😀").has_value());          // no GBK form
    EXPECT_FALSE(toGbk("ab\xFF" "cd").has_value());  // not UTF-8
    EXPECT_FALSE(toGbk("\xE5\x8F").has_value());     // UTF-8 cut in a character
}

TEST(Gbk, LiteralWithoutGbkFormAborts) {
    EXPECT_DEATH(gbk("😀"), "GBK");
}

TEST(Gbk, StrayAndCutBytesShowAsReplacementCharacters) {
    const std::string r = "\xEF\xBF\xBD";
    struct Case {
        std::string gbk;
        std::string utf8;
    };
    const Case cases[] = {
        {kInvoice.substr(0, 3), "发" + r},              // cut at the end
        {"\xB7" "1", r + "1"},                          // lead byte before ASCII
        {"\xFF" + kInvoice, r + "发票"},                // stray byte before a character
        {"a\xB7 b", "a" + r + " b"},
        {"a\xB7\xA2\xC6", "a发" + r},
        {"\xA2\xA0" "x", r + "x"},                      // well-formed pair without a character
    };
    for (const Case& c : cases) EXPECT_EQ(toUtf8(c.gbk), c.utf8) << testing::PrintToString(c.gbk);
}

TEST(Gbk, PartsCountBytes) {
    const std::string text = "ab" + kInvoice;  // 6 bytes
    struct Case {
        int n;
        std::string left, right;
    };
    const Case cases[] = {
        {-1, "", ""}, {0, "", ""}, {1, "a", "\xB1"}, {3, "ab\xB7", "\xA2\xC6\xB1"},
        {6, text, text}, {100, text, text},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(leftPart(text, c.n), c.left) << c.n;
        EXPECT_EQ(rightPart(text, c.n), c.right) << c.n;
    }
    EXPECT_EQ(leftPart("", 3), "");
    EXPECT_EQ(rightPart("", 3), "");
}

TEST(Gbk, FoldFullWidth) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {gbk("１２３４５６７８９０"), "1234567890"},
        {gbk("！＋－．／：～ＡＺａｚ"), "!+-./:~AZaz"},
        {gbk("　"), " "},
        {"\xA1\xAB", "~"},
        {"\xA1\xEE\xA1\xEF", "**"},
        // Other double-byte characters stay, even when their second byte is A3 and the next
        // character's looks like a full-width form.
        {kInvoice + gbk("２"), kInvoice + "2"},
        {"\xB0\xA3\xB1", "\xB0\xA3\xB1"},
        {"\xA3", "\xA3"},  // cut character
        {"a-1", "a-1"},
    };
    for (const Case& c : cases) EXPECT_EQ(foldFullWidth(c.in), c.out) << testing::PrintToString(c.in);
}

TEST(Gbk, EqualsIgnoringAsciiCase) {
    EXPECT_TRUE(equalsIgnoringAsciiCase("Invoice.EDB", "invoice.edb"));
    EXPECT_TRUE(equalsIgnoringAsciiCase(gbk("单位库.EDB"), gbk("单位库.edb")));
    EXPECT_FALSE(equalsIgnoringAsciiCase("abc", "abd"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("abc", "abcd"));
    // B0 41 and B0 61 are two characters whose second bytes differ only like ASCII case.
    EXPECT_FALSE(equalsIgnoringAsciiCase("\xB0\x41", "\xB0\x61"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("\xB0\x41" "x", "\xB0\x61" "X"));
}

}  // namespace
}  // namespace korvana::text
