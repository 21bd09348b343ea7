// SPDX-License-Identifier: MIT
// Dates and times of day as X: days since 1970-01-01 00:00 UTC on the
// proleptic Gregorian calendar, read from text and written back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varimel {

// The order of a date's parts when it does not start with the year:
// "01/02/2000" is 1 February with DMY, 2 January with MDY, and no date with
// YMD (the default).
enum class DateOrder : std::uint8_t { YMD, DMY, MDY };
// "ymd", "dmy", "mdy"; and back (none for another word).
std::string_view DateOrderName(DateOrder order);
std::optional<DateOrder> DateOrderNamed(std::string_view name);

// A date (and time of day) as days since 1970-01-01 00:00 UTC: YYYY-MM-DD,
// YYYY/M/D, YYYY-MM or YYYY/MM, 2000年1月1日 or 2000年1月, an English month
// by name or its first three letters in any case ("Jan 1 2000", "January 1,
// 2000", "1 Jan 2000", "01-Jan-2000"), and with DMY or MDY D/M/YYYY or
// M/D/YYYY (also with "-" or "."); then optionally a space or "T" and h:mm,
// h:mm:ss or h:mm:ss.fff (24:00 is the next day), then optionally "Z" or an
// offset ±hh:mm. Empty for anything else, an impossible date included.
std::optional<double> ParseDate(std::string_view text, DateOrder order = DateOrder::YMD);
// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and
// back.
long DaysFromCivil(long y, int m, int d);
void CivilFromDays(long z, long& y, int& m, int& d);
// "2024-01-05", or "2024-01-05 13:00" with withTime.
std::string FormatDate(double days, bool withTime);

} // namespace varimel
