// SPDX-License-Identifier: MIT
// Dates and times of day as X: days since 1970-01-01 00:00 UTC on the
// proleptic Gregorian calendar, read from text and written back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varimel {

// A date (and time of day) as days since 1970-01-01 00:00 UTC: YYYY-MM-DD,
// YYYY/M/D, YYYY-MM or YYYY/MM, then optionally a space or "T" and h:mm,
// h:mm:ss or h:mm:ss.fff (24:00 is the next day), then optionally "Z" or an
// offset ±hh:mm. Empty for anything else, an impossible date included.
std::optional<double> ParseDate(std::string_view text);
// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and
// back.
long DaysFromCivil(long y, int m, int d);
void CivilFromDays(long z, long& y, int& m, int& d);
// "2024-01-05", or "2024-01-05 13:00" with withTime.
std::string FormatDate(double days, bool withTime);

} // namespace varimel
