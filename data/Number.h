// SPDX-License-Identifier: MIT
// Numbers as Varimel reads and writes them: the one syntax of CSV fields,
// number boxes and settings values, and the printf-like "%g" form of the
// data summary, both with '.' as the decimal point whatever the locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varimel {

// Exact doubles: with at most 15 significant digits one multiplication or
// division by one of these rounds a decimal number correctly.
inline constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                          1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The number syntax used for CSV fields and for the window's number boxes:
// optional spaces, an optional sign, digits with an optional '.' part, an
// optional exponent, optional spaces. No thousands separators, no hex, no
// names for infinity or not-a-number. A value too large for a double is not
// a number; one too small reads as 0 (or the nearest subnormal).
std::optional<double> ParseNumber(std::string_view text);

// The result of reading one number.
enum class NumberRead { Ok, NotNumber, OutOfRange };

// Reads a number with the syntax of ParseNumber, telling a text that is no
// number from one beyond the range of a double.
NumberRead ReadNumber(std::string_view text, double& value);

// printf "%<width>g" (or "%-<width>g" when leftAlign), always with '.' as the
// decimal point whatever the process locale.
std::string FormatG(double value, int width, bool leftAlign);

} // namespace varimel
