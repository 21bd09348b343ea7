// SPDX-License-Identifier: MIT
// The values of the renderer's options: whole numbers within a range or
// clamped to it, tones by label or MIDI note, comma-separated lists and
// "A:B" ranges, each refused by the option's name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varimel::cli {

// A command line the renderer cannot run, and why.
struct UsageError {
    std::string reason;
};

// A whole number with an optional '+'; one too large for 64 bits comes out
// far outside every range.
std::optional<long long> ParseInteger(std::string_view text);
int IntegerIn(const std::string& option, std::string_view text, long long low, long long high);
// A whole number, taken to the nearest bound.
int Clamped(const std::string& option, std::string_view text, int low, int high);
// A tone label (C4, B♭0, Bb0) or a MIDI note of the piano, as a tone-list position.
int ToneIn(const std::string& option, std::string_view text);
// The items of a comma-separated list ("2,5,7"); an empty item is refused.
std::vector<std::string> ListItems(const std::string& name, const std::string& value);
// "A:B" as two numbers; what names the form for the message.
std::pair<double, double> RangeOf(const std::string& name, const std::string& value, const char* what);

} // namespace varimel::cli
