// SPDX-License-Identifier: MIT
#include "Dates.h"

#include "Fields.h"

#include <cmath>
#include <cstdio>

namespace varimel {

namespace {

using fields::IsDigit;

// Reads digits at p (at least min, at most max) into value.
bool Digits(std::string_view s, std::size_t& p, int min, int max, int& value)
{
    int n = 0;
    value = 0;
    while (p < s.size() && IsDigit(s[p]) && n < max) {
        value = value * 10 + (s[p] - '0');
        ++p;
        ++n;
    }
    return n >= min && !(p < s.size() && IsDigit(s[p]));
}

bool IsLeapYear(long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(long y, int m)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

} // namespace

namespace {

// The time of day and offset after a date that ends at p, added to days:
// nothing more, or a space or "T" and h:mm[:ss[.fff]], then "Z" or ±hh:mm.
std::optional<double> WithTimeOfDay(std::string_view s, std::size_t p, long double days)
{
    if (p == s.size())
        return static_cast<double>(days);
    if (s[p] == 'T') {
        ++p;
    } else if (s[p] == ' ' || s[p] == '\t') {
        while (p < s.size() && (s[p] == ' ' || s[p] == '\t'))
            ++p;
    } else {
        return std::nullopt;
    }
    int hour = 0, minute = 0, second = 0;
    if (!Digits(s, p, 1, 2, hour) || p >= s.size() || s[p] != ':')
        return std::nullopt;
    ++p;
    if (!Digits(s, p, 2, 2, minute) || minute > 59)
        return std::nullopt;
    long double fraction = 0;
    if (p < s.size() && s[p] == ':') {
        ++p;
        if (!Digits(s, p, 2, 2, second) || second > 59)
            return std::nullopt;
        if (p < s.size() && s[p] == '.') {
            ++p;
            long double scale = 0.1L;
            const std::size_t start = p;
            while (p < s.size() && IsDigit(s[p])) {
                fraction += (s[p] - '0') * scale;
                scale /= 10;
                ++p;
            }
            if (p == start)
                return std::nullopt;
        }
    }
    if (hour > 24 || (hour == 24 && (minute != 0 || second != 0 || fraction != 0)))
        return std::nullopt;
    long double seconds = hour * 3600.0L + minute * 60.0L + second + fraction;

    // The offset from UTC, taken off to give UTC.
    if (p < s.size() && s[p] == 'Z') {
        ++p;
    } else if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
        const int sign = s[p] == '-' ? -1 : 1;
        ++p;
        int oh = 0, om = 0;
        if (!Digits(s, p, 2, 2, oh) || oh > 23 || p >= s.size() || s[p] != ':')
            return std::nullopt;
        ++p;
        if (!Digits(s, p, 2, 2, om) || om > 59)
            return std::nullopt;
        seconds -= sign * (oh * 3600.0L + om * 60.0L);
    }
    if (p != s.size())
        return std::nullopt;
    days += seconds / 86400.0L;
    return static_cast<double>(days);
}

bool ValidDay(long year, int month, int day)
{
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

// An English month's name at p, whole or its first three letters, in any
// case, with an optional period after a short form: 1..12, or 0.
int MonthName(std::string_view s, std::size_t& p)
{
    static constexpr std::string_view kMonths[] = {"january",   "february", "march",    "april",
                                                   "may",       "june",     "july",     "august",
                                                   "september", "october",  "november", "december"};
    std::size_t end = p;
    while (end < s.size() && ((s[end] >= 'a' && s[end] <= 'z') || (s[end] >= 'A' && s[end] <= 'Z')))
        ++end;
    std::string word(s.substr(p, end - p));
    for (char& c : word)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (int m = 0; m < 12; ++m)
        if (word == kMonths[m] || (word.size() == 3 && kMonths[m].substr(0, 3) == word)) {
            p = end;
            if (word.size() == 3 && p < s.size() && s[p] == '.')
                ++p;
            return m + 1;
        }
    return 0;
}

// Blanks, and at most one of the marks that may stand between a date's parts.
void SkipDateGap(std::string_view s, std::size_t& p, bool comma)
{
    while (p < s.size() && s[p] == ' ')
        ++p;
    if (p < s.size() && (s[p] == '-' || s[p] == '/' || (comma && s[p] == ',')))
        ++p;
    while (p < s.size() && s[p] == ' ')
        ++p;
}

// "Jan 1 2000", "January 1, 2000", "1 Jan 2000", "01-Jan-2000": the date
// and where it ends, or false.
bool NamedMonthDate(std::string_view s, std::size_t& p, long& year, int& month, int& day)
{
    int y = 0;
    if (IsDigit(s[0])) {
        if (!Digits(s, p, 1, 2, day))
            return false;
        SkipDateGap(s, p, false);
        if (!(month = MonthName(s, p)))
            return false;
        SkipDateGap(s, p, true);
    } else {
        if (!(month = MonthName(s, p)))
            return false;
        SkipDateGap(s, p, false);
        if (!Digits(s, p, 1, 2, day))
            return false;
        SkipDateGap(s, p, true);
    }
    if (!Digits(s, p, 4, 4, y))
        return false;
    year = y;
    return true;
}

constexpr std::string_view kYearMark = "\xE5\xB9\xB4";  // 年
constexpr std::string_view kMonthMark = "\xE6\x9C\x88"; // 月
constexpr std::string_view kDayMark = "\xE6\x97\xA5";   // 日

} // namespace

std::optional<double> ParseDate(std::string_view s, DateOrder order)
{
    std::size_t p = 0;
    long year = 0;
    int month = 0, day = 1;
    if (s.empty())
        return std::nullopt;
    int y = 0;
    if (Digits(s, p, 4, 4, y) && p < s.size() && (s[p] == '-' || s[p] == '/')) {
        // Year first: YYYY-MM-DD, YYYY/M/D, YYYY-MM.
        year = y;
        const char dateSep = s[p++];
        if (!Digits(s, p, 1, 2, month) || month < 1 || month > 12)
            return std::nullopt;
        if (p < s.size() && s[p] == dateSep) {
            ++p;
            if (!Digits(s, p, 1, 2, day) || !ValidDay(year, month, day))
                return std::nullopt;
        }
    } else if (p == 4 && s.substr(p, kYearMark.size()) == kYearMark) {
        // 2000年1月1日, 2000年1月.
        year = y;
        p += kYearMark.size();
        if (!Digits(s, p, 1, 2, month) || month < 1 || month > 12 || s.substr(p, kMonthMark.size()) != kMonthMark)
            return std::nullopt;
        p += kMonthMark.size();
        if (p < s.size() && IsDigit(s[p])) {
            if (!Digits(s, p, 1, 2, day) || !ValidDay(year, month, day) || s.substr(p, kDayMark.size()) != kDayMark)
                return std::nullopt;
            p += kDayMark.size();
        }
    } else {
        p = 0;
        int first = 0, second = 0;
        if (NamedMonthDate(s, p, year, month, day)) {
            if (!ValidDay(year, month, day))
                return std::nullopt;
        } else if (order != DateOrder::YMD && (p = 0, Digits(s, p, 1, 2, first)) && p < s.size() &&
                   (s[p] == '/' || s[p] == '-' || s[p] == '.')) {
            // Day and month first, in the order chosen: 01/02/2000.
            const char dateSep = s[p++];
            if (!Digits(s, p, 1, 2, second) || p >= s.size() || s[p] != dateSep)
                return std::nullopt;
            ++p;
            if (!Digits(s, p, 4, 4, y))
                return std::nullopt;
            year = y;
            day = order == DateOrder::DMY ? first : second;
            month = order == DateOrder::DMY ? second : first;
            if (!ValidDay(year, month, day))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    return WithTimeOfDay(s, p, DaysFromCivil(year, month, day));
}

std::string_view DateOrderName(DateOrder order)
{
    return order == DateOrder::DMY ? "dmy" : order == DateOrder::MDY ? "mdy" : "ymd";
}

std::optional<DateOrder> DateOrderNamed(std::string_view name)
{
    for (const DateOrder order : {DateOrder::YMD, DateOrder::DMY, DateOrder::MDY})
        if (DateOrderName(order) == name)
            return order;
    return std::nullopt;
}

long DaysFromCivil(long y, int m, int d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, long& y, int& m, int& d)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

std::string FormatDate(double days, bool withTime)
{
    long day = static_cast<long>(std::floor(days));
    long minutes = withTime ? std::lround((days - static_cast<double>(day)) * 1440.0) : 0;
    if (minutes >= 1440) {
        ++day;
        minutes -= 1440;
    }
    long y = 0;
    int m = 0, d = 0;
    CivilFromDays(day, y, m, d);
    char text[64];
    if (withTime)
        std::snprintf(text, sizeof text, "%04ld-%02d-%02d %02ld:%02ld", y, m, d, minutes / 60, minutes % 60);
    else
        std::snprintf(text, sizeof text, "%04ld-%02d-%02d", y, m, d);
    return text;
}

} // namespace varimel
