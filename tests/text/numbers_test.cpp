#include "text/numbers.h"

#include "text/gbk.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <string>

namespace korvana::text {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(NumbersToText, Float) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {1500.0f, "1500"},
        {12345.67f, "12345.7"},
        {0.0f, "0"},
        {-0.0f, "0"},
        {0.1f, "0.1"},
        {12.345f, "12.345"},
        {-2.5f, "-2.5"},
        {99.99f, "99.99"},
        {999999.0f, "999999"},
        {0.0001f, "0.0001"},
        {0.00001f, "1e-05"},
        {3.0e10f, "3e+10"},
        // Exact halves round away from zero (plain "%.6g" would round them to even).
        {123456.5f, "123457"},
        {100000.5f, "100001"},
        {-100000.5f, "-100001"},
        {1234565.0f, "1.23457e+06"},
        {999999.5f, "1e+06"},
        {FLT_MAX, "3.40282e+38"},
        {FLT_TRUE_MIN, "1.4013e-45"},
        {std::numeric_limits<float>::infinity(), "inf"},
    };
    for (const Case& c : cases) EXPECT_EQ(floatToText(c.value), c.text) << c.text;
}

TEST(NumbersToText, IntDoubleBool) {
    EXPECT_EQ(intToText(0), "0");
    EXPECT_EQ(intToText(-42), "-42");
    EXPECT_EQ(intToText(INT_MIN), "-2147483648");
    EXPECT_EQ(intToText(INT_MAX), "2147483647");

    EXPECT_EQ(doubleToText(0.0), "0");
    EXPECT_EQ(doubleToText(-0.0), "0");
    EXPECT_EQ(doubleToText(40242.0), "40242");
    EXPECT_EQ(doubleToText(9999999999999.0), "9999999999999");
    EXPECT_EQ(doubleToText(1e13), "1e+13");
    EXPECT_EQ(doubleToText(0.1), "0.1");
    EXPECT_EQ(doubleToText(-1.0 / 3), "-0.3333333333333");
    EXPECT_EQ(doubleToText(-657434.0), "-657434");

    EXPECT_EQ(boolToText(true), gbk("真"));
    EXPECT_EQ(boolToText(false), gbk("假"));
}

TEST(NumbersFromText, DecimalReading) {
    struct Case {
        const char* text;
        double value;
        std::size_t consumed;
    };
    const Case cases[] = {
        {"", 0, 0},
        {"abc", 0, 0},
        {"  12.5e2xyz", 1250, 8},
        {"\t7", 7, 2},
        {"-3", -3, 2},
        {"+.5", 0.5, 3},
        {"5.", 5, 2},
        {".", 0, 0},
        {"-", 0, 0},
        {"- 5", 0, 0},
        {"1e", 1, 1},
        {"1e+", 1, 1},
        {"1ex", 1, 1},
        {"2E-3", 0.002, 4},
        {"12 34", 12, 2},
        {"1,5", 1, 1},
        {"0x10", 0, 1},
        {"inf", 0, 0},
        {"nan", 0, 0},
        {"007.50", 7.5, 6},
        {"1e400", kInf, 5},
        {"-1e400", -kInf, 6},
        {"1e-400", 0, 6},
        {"0.000001e306", 1e300, 12},
        {"123456789012345678901234567890", 1.2345678901234568e29, 30},
    };
    for (const Case& c : cases) {
        std::size_t consumed = 99;
        EXPECT_EQ(readDecimal(c.text, &consumed), c.value) << c.text;
        EXPECT_EQ(consumed, c.consumed) << c.text;
    }
}

TEST(NumbersFromText, Int) {
    struct Case {
        std::string text;
        int value;
        std::int64_t whole;  // the same reading without wrapping
    };
    const Case cases[] = {
        {"00123401", 123401, 123401},
        {gbk("１２３"), 123, 123},
        {gbk("　－４２"), -42, -42},
        {" +7x", 7, 7},
        {"12.9", 12, 12},
        {"1e3", 1, 1},
        {"", 0, 0},
        {"abc", 0, 0},
        {"- 1", 0, 0},
        {"-2147483648", INT_MIN, -2147483648LL},
        {"2147483647", INT_MAX, 2147483647LL},
        {"2147483648", INT_MIN, 2147483648LL},  // wraps
        {"4294967297", 1, 4294967297LL},
        {"-4294967295", 1, -4294967295LL},
        {"99999999999999999999", 1661992959, 9999999999999LL},  // stops growing past 2^40,
    };
    for (const Case& c : cases) {
        EXPECT_EQ(textToInt(c.text), c.value) << c.text;
        EXPECT_EQ(textToWholeNumber(c.text), c.whole) << c.text;
    }
}

TEST(NumbersFromText, NumberAndFloat) {
    EXPECT_EQ(textToNumber(gbk("１２．５")), 12.5);
    EXPECT_EQ(textToNumber(gbk("－３Ｅ２")), -300);
    EXPECT_EQ(textToNumber("  0.1"), 0.1);
    EXPECT_EQ(textToNumber(gbk("发票")), 0);

    EXPECT_EQ(textToFloat("12345.67"), 12345.67f);
    EXPECT_EQ(textToFloat(gbk("０．１")), 0.1f);
    EXPECT_EQ(textToFloat("3.4028235e38"), FLT_MAX);
    // Past the largest float: up to half a unit still rounds to it, beyond is infinite.
    EXPECT_EQ(textToFloat("3.40282355e38"), FLT_MAX);
    EXPECT_EQ(textToFloat("3.4028236e38"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(textToFloat("-1e300"), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(textToFloat("1e-50"), 0.0f);
}

TEST(NumbersFromText, NumberToInt) {
    struct Case {
        double value;
        int result;
    };
    const Case cases[] = {
        {2.9, 2},           {-2.9, -2},        {0.0, 0},
        {1e10, INT_MAX},    {-1e10, INT_MIN},  {2147483647.5, INT_MAX},
        {-2147483648.9, INT_MIN}, {kInf, INT_MAX}, {-kInf, INT_MIN},
        {std::nan(""), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(numberToInt(c.value), c.result) << c.value;
}

}  // namespace
}  // namespace korvana::text
