// SPDX-License-Identifier: MIT
#include "Number.h"

#include "Fields.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace varimel {

namespace {

using fields::IsDigit;

// Decimal exponent of the leading digit, saturated; tells an overflow from
// an underflow when the conversion reports a value out of range.
long LeadingExponent(std::string_view intPart, std::string_view fracPart, long exponent)
{
    std::size_t i = 0;
    while (i < intPart.size() && intPart[i] == '0')
        ++i;
    if (i < intPart.size())
        return exponent + static_cast<long>(intPart.size() - i - 1);
    std::size_t z = 0;
    while (z < fracPart.size() && fracPart[z] == '0')
        ++z;
    return exponent - static_cast<long>(z + 1);
}

} // namespace

NumberRead ReadNumber(std::string_view s, double& result)
{
    const char* p = s.data();
    const char* const end = p + s.size();
    while (p < end && *p == ' ')
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // One pass collects the significant digits too: with at most 15 of them
    // and a power of ten up to 22, both operands of the final step are exact
    // doubles and one multiplication or division rounds correctly.
    std::uint64_t digits = 0;
    int significant = 0;
    const auto take = [&](char c) {
        if (digits == 0 && c == '0')
            return;
        if (++significant <= 15)
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
    };
    const char* const intStart = p;
    while (p < end && IsDigit(*p))
        take(*p++);
    const std::string_view intPart(intStart, static_cast<std::size_t>(p - intStart));
    bool hasPoint = false;
    std::string_view fracPart;
    if (p < end && *p == '.') {
        hasPoint = true;
        const char* const fracStart = ++p;
        while (p < end && IsDigit(*p))
            take(*p++);
        fracPart = std::string_view(fracStart, static_cast<std::size_t>(p - fracStart));
    }
    if (intPart.empty() && !hasPoint)
        return NumberRead::NotNumber;
    const char* numberEnd = p;
    long exponent = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool expNegative = false;
        if (p < end && (*p == '+' || *p == '-')) {
            expNegative = *p == '-';
            ++p;
        }
        const char* const expStart = p;
        while (p < end && IsDigit(*p)) {
            if (exponent < 100000000)
                exponent = exponent * 10 + (*p - '0');
            ++p;
        }
        if (p > expStart)
            numberEnd = p; // an exponent without digits counts as 0
        if (expNegative)
            exponent = -exponent;
    }
    while (p < end && *p == ' ')
        ++p;
    if (p != end)
        return NumberRead::NotNumber;
    if (intPart.empty() && fracPart.empty()) // a lone decimal point
    {
        result = negative ? -0.0 : 0.0;
        return NumberRead::Ok;
    }

    const long power = exponent - static_cast<long>(fracPart.size());
    if (significant <= 15 && power >= -22 && power <= 22) {
        double value = static_cast<double>(digits);
        value = power >= 0 ? value * kPowersOfTen[power] : value / kPowersOfTen[-power];
        result = negative ? -value : value;
        return NumberRead::Ok;
    }

    // from_chars takes no '+' and no exponent without digits, so hand it the
    // part after the sign, up to the end of what counts.
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(intStart, numberEnd, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        if (LeadingExponent(intPart, fracPart, exponent) > 0)
            return NumberRead::OutOfRange; // beyond the largest double
        value = 0.0;
    } else if (ec != std::errc() || ptr != numberEnd) {
        return NumberRead::NotNumber;
    }
    result = negative ? -value : value;
    return NumberRead::Ok;
}

std::optional<double> ParseNumber(std::string_view s)
{
    double value = 0.0;
    if (ReadNumber(s, value) != NumberRead::Ok)
        return std::nullopt;
    return value;
}

std::string FormatG(double value, int width, bool leftAlign)
{
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 6);
    std::string text(digits, result.ptr);
    if (static_cast<int>(text.size()) < width) {
        const std::string pad(static_cast<std::size_t>(width) - text.size(), ' ');
        text = leftAlign ? text + pad : pad + text;
    }
    return text;
}

} // namespace varimel
