// SPDX-License-Identifier: MIT
#include "Header.h"

#include "Fields.h"
#include "Number.h"
#include "Text.h"
#include "sys/Paths.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace varimel {

namespace {

// A header's names are looked for in this many columns at most.
constexpr int kHeaderColumns = 1024;
// ... in this much of a file's start.
constexpr std::size_t kHeaderBytes = std::size_t{64} << 10;

} // namespace

std::vector<std::string> HeaderNames(std::string_view sample, const ImportOptions& options)
{
    if (sample.substr(0, 3) == "\xEF\xBB\xBF")
        sample.remove_prefix(3);
    std::string_view line;
    while (!sample.empty()) {
        const std::size_t end = std::min(sample.find_first_of("\r\n\x1A"), sample.size());
        line = sample.substr(0, end);
        if (line.find_first_not_of(" \t") != std::string_view::npos || end == sample.size() || sample[end] == '\x1A')
            break;
        sample.remove_prefix(end + 1);
    }
    std::vector<fields::Field> found;
    const Splitting split = SplittingOf(options);
    const int count = fields::SplitFields(line, split.Sep, false, kHeaderColumns, found, split.Blanks);
    std::vector<std::string> names;
    bool text = false;
    for (int i = 0; i < count; ++i) {
        const std::string_view field = found[static_cast<std::size_t>(i)].text;
        text = text || (!field.empty() && !ParseNumber(field));
        names.push_back(DisplayText(field));
    }
    return text ? names : std::vector<std::string>{};
}

std::vector<std::string> HeaderOfFile(const std::string& path, const ImportOptions& options)
{
    const std::optional<std::string> start = ReadStartOfFile(path, kHeaderBytes);
    return start ? HeaderNames(*start, options) : std::vector<std::string>{};
}

int ColumnNamed(std::string_view choice, const std::vector<std::string>& header)
{
    int number = 0;
    const auto [end, error] = std::from_chars(choice.data(), choice.data() + choice.size(), number);
    if (error == std::errc() && end == choice.data() + choice.size() && !choice.empty())
        return number >= 1 ? number : 0;
    const auto exact = std::find(header.begin(), header.end(), choice);
    if (exact != header.end())
        return static_cast<int>(exact - header.begin()) + 1;
    int match = 0;
    for (std::size_t i = 0; i < header.size(); ++i)
        if (AsciiLower(header[i]) == AsciiLower(choice)) {
            if (match != 0)
                return 0; // "Close" and "close": the choice is not clear
            match = static_cast<int>(i) + 1;
        }
    return match;
}

std::string ColumnLabel(int column, const std::vector<std::string>& header)
{
    const auto i = static_cast<std::size_t>(column - 1);
    return column >= 1 && i < header.size() && !header[i].empty() ? std::to_string(column) + ": " + header[i]
                                                                  : std::to_string(column);
}

} // namespace varimel
