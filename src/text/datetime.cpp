#include "text/datetime.h"

#include "text/gbk.h"

#include <chrono>
#include <cmath>
#include <initializer_list>

namespace korvana::text {
namespace {

using std::chrono::sys_days;
using std::chrono::year_month_day;

constexpr sys_days kEpoch{std::chrono::year{1899} / 12 / 30};
constexpr int kSecondsPerDay = 86400;

// A negative value's fraction counts forward from its day: -1.25 is 1899-12-29 06:00, which
// lies between -1 and -2 on the time line. This maps a value to its place on the time line.
double timeLinePosition(double days) {
    if (days >= 0 || std::isinf(days)) return days;
    double whole = std::trunc(days);
    return whole - (days - whole);
}

// The calendar day of a value in range and its time of day in whole seconds.
struct DayAndTime {
    long day;
    int seconds;
};

DayAndTime split(double days) {
    double whole = std::trunc(days);
    DayAndTime result{static_cast<long>(whole),
                      static_cast<int>(std::llround(std::fabs(days - whole) * kSecondsPerDay))};
    if (result.seconds >= kSecondsPerDay) {  // 23:59:59.6 shows as the next day's midnight
        result.seconds -= kSecondsPerDay;
        ++result.day;
    }
    return result;
}

year_month_day calendarDay(long day) { return year_month_day{kEpoch + std::chrono::days{day}}; }

int daysInMonth(int year, int month) {
    using namespace std::chrono;
    return static_cast<int>(unsigned{(std::chrono::year{year} / month / last).day()});
}

struct Words {
    std::string year = gbk("年"), month = gbk("月"), day = gbk("日");
    std::string hour = gbk("时"), minute = gbk("分"), second = gbk("秒");
};

const Words& words() {
    static const Words instance;
    return instance;
}

// Reads a date text from its first byte on, without skipping blanks.
class DateReader {
public:
    explicit DateReader(std::string_view text) : text_(text) {}

    // Up to maxDigits decimal digits; none reads as 0.
    int number(int maxDigits) {
        int value = 0;
        for (int n = 0; n < maxDigits && pos_ < text_.size() && text_[pos_] >= '0' &&
                        text_[pos_] <= '9';
             ++n)
            value = value * 10 + (text_[pos_++] - '0');
        return value;
    }

    // Steps over one of the separators when the text goes on with it.
    void separator(std::initializer_list<std::string_view> choices) {
        for (std::string_view choice : choices) {
            if (text_.substr(pos_).starts_with(choice)) {
                pos_ += choice.size();
                return;
            }
        }
    }

    std::string_view rest() const { return text_.substr(pos_); }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

double clampDate(double days) {
    if (std::isnan(days)) return kEmptyDate;
    if (timeLinePosition(days) < kEmptyDate) return kEmptyDate;
    if (days > kLastDate) return kLastDate;
    return days;
}

int compareDates(double a, double b) {
    double x = timeLinePosition(a), y = timeLinePosition(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

std::string dateToText(double days) {
    const Words& w = words();
    DayAndTime value = split(clampDate(days));
    year_month_day date = calendarDay(value.day);
    std::string text = std::to_string(int{date.year()}) + w.year +
                       std::to_string(unsigned{date.month()}) + w.month +
                       std::to_string(unsigned{date.day()}) + w.day;
    int hour = value.seconds / 3600, minute = value.seconds / 60 % 60, second = value.seconds % 60;
    if (second != 0)
        text += std::to_string(hour) + w.hour + std::to_string(minute) + w.minute +
                std::to_string(second) + w.second;
    else if (minute != 0)
        text += std::to_string(hour) + w.hour + std::to_string(minute) + w.minute;
    else if (hour != 0)
        text += std::to_string(hour) + w.hour;
    return text;
}

double textToDate(std::string_view gbk) {
    const Words& w = words();
    const std::string folded = foldFullWidth(gbk);
    DateReader reader(folded);
    int year = reader.number(4);
    reader.separator({"-", ".", "/", ":", w.year});
    int month = reader.number(2);
    reader.separator({"-", ".", "/", ":", w.month});
    int day = reader.number(2);
    reader.separator({" ", "-", ".", "/", ":", w.day});
    int hour = reader.number(2);
    reader.separator({w.hour, "-", ".", "/", ":"});
    int minute = reader.number(2);
    reader.separator({w.minute, "-", ".", "/", ":"});
    int second = reader.number(2);
    std::string_view rest = reader.rest();
    if (!rest.empty() && rest != w.second) return kEmptyDate;

    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month) || hour > 23 || minute > 59 || second > 59)
        return kEmptyDate;
    return clampDate(makeDate(year, month, day, hour, minute, second));
}

int yearOf(double days) {
    return int{calendarDay(static_cast<long>(std::trunc(clampDate(days)))).year()};
}

int monthOf(double days) {
    return static_cast<int>(
        unsigned{calendarDay(static_cast<long>(std::trunc(clampDate(days)))).month()});
}

double makeDate(int year, int month, int day, int hour, int minute, int second) {
    sys_days date{std::chrono::year{year} / month / day};
    double whole = static_cast<double>((date - kEpoch).count());
    double fraction = (hour * 3600.0 + minute * 60.0 + second) / kSecondsPerDay;
    return whole >= 0 ? whole + fraction : whole - fraction;
}

}  // namespace korvana::text
