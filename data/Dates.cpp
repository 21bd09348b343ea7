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

std::optional<double> ParseDate(std::string_view s)
{
    std::size_t p = 0;
    int year = 0, month = 0, day = 1;
    if (!Digits(s, p, 4, 4, year) || p >= s.size() || (s[p] != '-' && s[p] != '/'))
        return std::nullopt;
    const char dateSep = s[p++];
    const int monthDigitsMin = 1;
    if (!Digits(s, p, monthDigitsMin, 2, month) || month < 1 || month > 12)
        return std::nullopt;
    if (p < s.size() && s[p] == dateSep) {
        ++p;
        if (!Digits(s, p, monthDigitsMin, 2, day) || day < 1 || day > DaysInMonth(year, month))
            return std::nullopt;
    }
    long double days = DaysFromCivil(year, month, day);
    if (p == s.size())
        return static_cast<double>(days);

    // The time of day.
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
