#pragma once
// Date-time values: double days since 1899-12-30 00:00:00, the fraction being the time of day.
#include <string>
#include <string_view>

namespace korvana::text {

inline constexpr double kEmptyDate = -657434.0;  // 100-01-01 00:00:00
inline constexpr double kLastDate = 2958465.0;   // 9999-12-31 00:00:00

// Moves a value outside [kEmptyDate, kLastDate] to the nearer limit.
double clampDate(double days);

// Compares on the time line (a negative value's fraction counts forward): <0, 0, >0.
int compareDates(double a, double b);

// "2010年3月5日", with "8时30分" etc. as the time of day requires (GBK).
std::string dateToText(double days);

// Parses a date text (GBK, full-width forms folded); kEmptyDate when it is not valid.
double textToDate(std::string_view gbk);

// Calendar year (100..9999) and month (1..12) of the clamped value.
int yearOf(double days);
int monthOf(double days);

// The value of a calendar date and time of day; no range check.
double makeDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

}  // namespace korvana::text
