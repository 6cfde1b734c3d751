#include "text/datetime.h"

#include "text/gbk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace korvana::text {
namespace {

constexpr double kSecond = 1.0 / 86400;

TEST(Dates, MakeDateCountsFromTheEpoch) {
    EXPECT_EQ(makeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(makeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(makeDate(2010, 3, 5), 40242.0);
    EXPECT_EQ(makeDate(100, 1, 1), kEmptyDate);
    EXPECT_EQ(makeDate(9999, 12, 31), kLastDate);
    EXPECT_EQ(makeDate(2010, 3, 5, 18), 40242.75);
    // Before the epoch the time of day counts forward from its day.
    EXPECT_EQ(makeDate(1899, 12, 29, 6), -1.25);
    EXPECT_EQ(makeDate(1899, 12, 30, 6), 0.25);
    // Leap days, Gregorian rules.
    EXPECT_EQ(makeDate(2000, 3, 1) - makeDate(2000, 2, 28), 2.0);
    EXPECT_EQ(makeDate(1900, 3, 1) - makeDate(1900, 2, 28), 1.0);
    EXPECT_EQ(makeDate(2100, 3, 1) - makeDate(2100, 2, 28), 1.0);
}

TEST(Dates, ToText) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {makeDate(2010, 3, 5), "2010年3月5日"},
        {makeDate(2010, 3, 5, 8, 30), "2010年3月5日8时30分"},
        {makeDate(2010, 3, 5, 8), "2010年3月5日8时"},
        {makeDate(2010, 3, 5, 0, 5), "2010年3月5日0时5分"},
        {makeDate(2010, 3, 5, 0, 0, 7), "2010年3月5日0时0分7秒"},
        {makeDate(2010, 12, 31, 23, 59, 59), "2010年12月31日23时59分59秒"},
        {makeDate(2000, 2, 29), "2000年2月29日"},
        {kEmptyDate, "100年1月1日"},
        {0.0, "1899年12月30日"},
        {-1.25, "1899年12月29日6时"},
        {-0.5, "1899年12月30日12时"},
        // The time of day is rounded to the second, which may reach the next day.
        {makeDate(2010, 3, 5, 8, 30) + 0.4 * kSecond, "2010年3月5日8时30分"},
        {makeDate(2010, 3, 5, 8, 30) + 0.6 * kSecond, "2010年3月5日8时30分1秒"},
        {makeDate(2010, 3, 5, 23, 59, 59) + 0.6 * kSecond, "2010年3月6日"},
        {makeDate(1899, 12, 29, 23, 59, 59) - 0.6 * kSecond, "1899年12月30日"},
        // Out of range, the nearer limit.
        {kLastDate + 0.5, "9999年12月31日"},
        {1e300, "9999年12月31日"},
        {-1e300, "100年1月1日"},
        {std::numeric_limits<double>::quiet_NaN(), "100年1月1日"},
    };
    for (const Case& c : cases) EXPECT_EQ(toUtf8(dateToText(c.value)), c.text) << c.value;
}

TEST(Dates, FromText) {
    struct Case {
        const char* text;  // UTF-8 here, GBK when read
        double value;
    };
    const Case cases[] = {
        {"2010年3月5日8时30分", makeDate(2010, 3, 5, 8, 30)},
        {"2010年3月5日8时30分15秒", makeDate(2010, 3, 5, 8, 30, 15)},
        {"2010年3月5日8时", makeDate(2010, 3, 5, 8)},
        {"1900-01-01", 2.0},
        {"100-1-1", kEmptyDate},
        {"２０１０－０３－０５", makeDate(2010, 3, 5)},
        {"2010-3-5　8：30", makeDate(2010, 3, 5, 8, 30)},
        {"2010.3.5", makeDate(2010, 3, 5)},
        {"2010/03/05 08:30:15", makeDate(2010, 3, 5, 8, 30, 15)},
        {"2010:3:5:8:30:15秒", makeDate(2010, 3, 5, 8, 30, 15)},
        {"2010-3-5-8.30/15", makeDate(2010, 3, 5, 8, 30, 15)},
        {"20100305", makeDate(2010, 3, 5)},
        {"201003050830", makeDate(2010, 3, 5, 8, 30)},
        {"2010-3-5 8", makeDate(2010, 3, 5, 8)},
        {"2010-3-5 ", makeDate(2010, 3, 5)},
        {"9999-12-31", kLastDate},
        {"1899-12-29 6:00", -1.25},
        {"100-1-1 12:00", kEmptyDate - 0.5},
        // Leap days.
        {"2000-2-29", makeDate(2000, 2, 29)},
        {"2004-2-29", makeDate(2004, 2, 29)},
        {"400-2-29", makeDate(400, 2, 29)},
        {"1900-2-29", kEmptyDate},
        {"2100-2-29", kEmptyDate},
        {"2003-2-29", kEmptyDate},
        {"100-2-29", kEmptyDate},
        // Out of range numbers.
        {"99-12-31", kEmptyDate},
        {"10000-1-1", kEmptyDate},
        {"2010-13-1", kEmptyDate},
        {"2010-0-1", kEmptyDate},
        {"2010-1-0", kEmptyDate},
        {"2010-4-31", kEmptyDate},
        {"2010-3-5 24:00", kEmptyDate},
        {"2010-3-5 8:60", kEmptyDate},
        {"2010-3-5 8:30:60", kEmptyDate},
        // Not a date: no blanks are skipped and nothing may follow.
        {"", kEmptyDate},
        {"abc", kEmptyDate},
        {" 2010-3-5", kEmptyDate},
        {"2010-3-5  8:30", kEmptyDate},
        {"2010-3-5 8:30x", kEmptyDate},
        {"2010-3-5 8:30:15:1", kEmptyDate},
        {"2010-3-5 8:30:15秒x", kEmptyDate},
        {"2010年3月5日星期五", kEmptyDate},
    };
    for (const Case& c : cases) EXPECT_EQ(textToDate(gbk(c.text)), c.value) << c.text;
}

TEST(Dates, ClampAndCompareOnTheTimeLine) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Clamp {
        double value, clamped;
    };
    const Clamp clamps[] = {
        {40242.5, 40242.5},
        {-1.25, -1.25},
        {kEmptyDate - 0.5, kEmptyDate - 0.5},  // 100-01-01 12:00 is inside the range
        {kEmptyDate - 1, kEmptyDate},
        {kEmptyDate - 1.5, kEmptyDate},
        {kLastDate + 0.25, kLastDate},
        {-std::numeric_limits<double>::infinity(), kEmptyDate},
        {std::numeric_limits<double>::infinity(), kLastDate},
        {nan, kEmptyDate},
    };
    for (const Clamp& c : clamps) EXPECT_EQ(clampDate(c.value), c.clamped) << c.value;

    struct Compare {
        double a, b;
        int sign;
    };
    const Compare compares[] = {
        {3.0, 2.9, 1},
        {2.5, 2.5, 0},
        {-1.25, -1.0, 1},   // 1899-12-29 06:00 is after that day's midnight
        {-1.25, -1.75, -1}, // ... and before its 18:00
        {-2.0, -1.5, -1},
        {-0.5, 0.5, 0},     // both 1899-12-30 12:00
        {-1.75, 0.0, -1},
    };
    for (const Compare& c : compares) {
        int result = compareDates(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " vs " << c.b;
        int reverse = compareDates(c.b, c.a);
        EXPECT_EQ((reverse > 0) - (reverse < 0), -c.sign) << c.b << " vs " << c.a;
    }

    // Over moments on both sides of the epoch, the order is the calendar's order.
    using Moment = std::tuple<int, int, int>;  // day of December 1899 / January 1900, hour, minute
    auto value = [](const Moment& m) {
        auto [day, hour, minute] = m;
        return day <= 31 ? makeDate(1899, 12, day, hour, minute) : makeDate(1900, 1, day - 31, hour, minute);
    };
    std::vector<Moment> moments;
    for (int day = 27; day <= 34; ++day)
        for (int hour : {0, 5, 12, 23})
            for (int minute : {0, 59}) moments.emplace_back(day, hour, minute);
    for (const Moment& a : moments)
        for (const Moment& b : moments) {
            int result = compareDates(value(a), value(b));
            ASSERT_EQ((result > 0) - (result < 0), (a > b) - (a < b))
                << dateToText(value(a)) << " vs " << dateToText(value(b));
        }
}

TEST(Dates, YearAndMonth) {
    struct Case {
        double value;
        int year, month;
    };
    const Case cases[] = {
        {makeDate(2010, 3, 5, 23, 59, 59), 2010, 3},
        {makeDate(2009, 12, 31, 23, 59, 59), 2009, 12},
        {makeDate(2000, 2, 29, 12), 2000, 2},
        {-1.25, 1899, 12},
        {0.0, 1899, 12},
        {2.0, 1900, 1},
        {kEmptyDate, 100, 1},
        {-1e9, 100, 1},
        {kLastDate, 9999, 12},
        {1e9, 9999, 12},
        {std::numeric_limits<double>::quiet_NaN(), 100, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(yearOf(c.value), c.year) << c.value;
        EXPECT_EQ(monthOf(c.value), c.month) << c.value;
    }
}

TEST(Dates, TextRoundTrip) {
    std::mt19937 random(20100305);
    // Whole seconds come back exactly, on either side of the epoch and at the limits.
    std::uniform_int_distribution<long> day(static_cast<long>(kEmptyDate), static_cast<long>(kLastDate));
    std::uniform_int_distribution<int> second(0, 86399);
    for (int i = 0; i < 20000; ++i) {
        double whole = static_cast<double>(day(random));
        int s = i % 4 == 0 ? 0 : second(random);
        double fraction = s / 86400.0;
        double value = whole >= 0 ? whole + fraction : whole - fraction;
        if (whole == kLastDate) value = kLastDate;
        std::string text = dateToText(value);
        ASSERT_EQ(textToDate(text), value) << toUtf8(text);
    }
    for (double value : {kEmptyDate, kEmptyDate - 0.5, kLastDate, 0.0, -1.0, -0.999988})
        EXPECT_EQ(dateToText(textToDate(dateToText(value))), dateToText(value)) << value;

    // Any value comes back as its time rounded to the second, and shows the same text again.
    std::uniform_real_distribution<double> any(kEmptyDate, kLastDate);
    for (int i = 0; i < 20000; ++i) {
        double value = any(random);
        std::string text = dateToText(value);
        double back = textToDate(text);
        ASSERT_EQ(dateToText(back), text) << value;
        double a = value >= 0 ? value : std::trunc(value) * 2 - value;
        double b = back >= 0 ? back : std::trunc(back) * 2 - back;
        ASSERT_LE(std::fabs(a - b), 0.5 * kSecond + 1e-9) << value;
    }
}

}  // namespace
}  // namespace korvana::text
