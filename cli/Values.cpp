// SPDX-License-Identifier: MIT
#include "Values.h"

#include "data/Number.h"
#include "music/Request.h"

#include <charconv>

namespace varimel::cli {

std::optional<long long> ParseInteger(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    long long value = 0;
    const char* last = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), last, value);
    if (text.empty() || ptr != last)
        return std::nullopt;
    if (ec == std::errc::result_out_of_range)
        return text.front() == '-' ? -(1LL << 62) : (1LL << 62); // far outside every range
    if (ec != std::errc())
        return std::nullopt;
    return value;
}

int IntegerIn(const std::string& option, std::string_view text, long long low, long long high)
{
    const auto v = ParseInteger(text);
    if (!v || *v < low || *v > high)
        throw UsageError{option + " needs a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                         ", not '" + std::string(text) + "'"};
    return static_cast<int>(*v);
}

int Clamped(const std::string& option, std::string_view text, int low, int high)
{
    const auto v = ParseInteger(text);
    if (!v)
        throw UsageError{option + " needs a whole number, not '" + std::string(text) + "'"};
    return ClampTo(*v, low, high);
}

int ToneIn(const std::string& option, std::string_view text)
{
    if (const auto k = ToneIndexOfLabel(text))
        return *k;
    if (const auto note = ParseInteger(text); note && *note >= kLowestTone && *note <= kHighestTone)
        return ToneOfMidiNote(static_cast<int>(*note));
    throw UsageError{option + " needs a tone from " + ToneLabel(0) + " to " + ToneLabel(kToneCount - 1) +
                     " or a MIDI note from " + std::to_string(kLowestTone) + " to " + std::to_string(kHighestTone) +
                     ", not '" + std::string(text) + "'"};
}

std::vector<std::string> ListItems(const std::string& name, const std::string& value)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = value.find(',', start);
        items.push_back(value.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (items.back().empty())
            throw UsageError{name + " needs numbers separated by commas, not '" + value + "'"};
        if (comma == std::string::npos)
            return items;
        start = comma + 1;
    }
}

std::pair<double, double> RangeOf(const std::string& name, const std::string& value, const char* what)
{
    const std::size_t colon = value.find(':');
    const std::optional<double> low = colon == std::string::npos ? std::nullopt : ParseNumber(value.substr(0, colon));
    const std::optional<double> high = colon == std::string::npos ? std::nullopt : ParseNumber(value.substr(colon + 1));
    if (!low || !high)
        throw UsageError{name + " needs " + what + ", not '" + value + "'"};
    return {*low, *high};
}

} // namespace varimel::cli
