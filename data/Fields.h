// SPDX-License-Identifier: MIT
// How a line of a CSV file is split into fields: the one rule the plain
// reader and the import options share.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace varimel::fields {

inline bool IsBlank(unsigned char c) { return c >= 1 && c <= 32; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Field of a line: either a view into the line or, for a quoted field with
// doubled quotes, an unescaped copy.
struct Field {
    std::string_view text;
    std::string storage;
};

// A field that may be the date part of "date time": digits, '-' and '/'.
inline bool LooksLikeDate(std::string_view s)
{
    return s.size() >= 6 && std::all_of(s.begin(), s.end(), [](char c) { return IsDigit(c) || c == '-' || c == '/'; });
}

// What blanks do inside a line: end a field (as sep does), end it only when
// they are tabs (spaces stay inside), or nothing but sep ends a field.
enum class Blanks { Separate, SpacesInside, Inside };

// Splits fields until `wanted` have been found (later fields never change
// the outcome): blanks end an unquoted field, sep separates fields, fields
// may be quoted with doubled quotes inside. With dateJoin a date followed by
// blanks and a time of day ("2024/1/5 13:00") stays one field. With
// Blanks::SpacesInside a space ends a field only before sep, a tab or the
// line's end, so that "1 234,5" stays one field (and "1,5 2,5" is one field
// that is no number, never two numbers); with Blanks::Inside only sep ends
// a field, whose blanks at either end are not part of it.
template <typename Fields> inline int SplitFields(std::string_view line, char sep, bool dateJoin, int wanted,
                                                  Fields& fields, Blanks blanks = Blanks::Separate)
{
    if constexpr (requires { fields.resize(std::size_t{}); })
        if (fields.size() < static_cast<std::size_t>(wanted))
            fields.resize(static_cast<std::size_t>(wanted));
    std::size_t p = 0;
    const std::size_t n = line.size();
    // A blank that is the separator separates, even a tab.
    const auto skipBlanks = [&] {
        while (p < n && IsBlank(static_cast<unsigned char>(line[p])) && line[p] != sep)
            ++p;
    };
    const auto fieldEnd = [&](std::size_t q) {
        if (blanks == Blanks::Inside) {
            const std::size_t start = q;
            while (q < n && line[q] != sep)
                ++q;
            while (q > start && IsBlank(static_cast<unsigned char>(line[q - 1])))
                --q;
            return q;
        }
        if (blanks == Blanks::SpacesInside) {
            const std::size_t start = q;
            while (q < n && (static_cast<unsigned char>(line[q]) > 32 || line[q] == ' ') && line[q] != sep)
                ++q;
            while (q > start && line[q - 1] == ' ')
                --q;
            return q;
        }
        while (q<n&& static_cast<unsigned char>(line[q])> 32 && line[q] != sep)
            ++q;
        return q;
    };
    int count = 0;
    skipBlanks();
    while (p < n && count < wanted) {
        Field& f = fields[static_cast<std::size_t>(count)];
        f.storage.clear();
        if (line[p] == '"') {
            ++p;
            const std::size_t start = p;
            bool escaped = false;
            while (p < n) {
                if (line[p] == '"') {
                    if (p + 1 < n && line[p + 1] == '"') {
                        escaped = true;
                        p += 2;
                        continue;
                    }
                    break;
                }
                ++p;
            }
            const std::string_view raw = line.substr(start, p - start);
            if (p < n)
                ++p; // closing quote
            if (escaped) {
                for (std::size_t i = 0; i < raw.size(); ++i) {
                    f.storage.push_back(raw[i]);
                    if (raw[i] == '"')
                        ++i;
                }
                f.text = f.storage;
            } else {
                f.text = raw;
            }
        } else {
            const std::size_t start = p;
            p = fieldEnd(p);
            if (dateJoin && LooksLikeDate(line.substr(start, p - start))) {
                std::size_t q = p;
                while (q < n && (line[q] == ' ' || line[q] == '\t'))
                    ++q;
                std::size_t r = q;
                while (r < n && IsDigit(line[r]))
                    ++r;
                if (q < n && r > q && r - q <= 2 && r < n && line[r] == ':')
                    p = fieldEnd(r);
            }
            f.text = line.substr(start, p - start);
        }
        ++count;
        skipBlanks();
        if (p < n && line[p] == sep) {
            ++p;
            skipBlanks();
            if (p >= n && count < wanted)
                fields[static_cast<std::size_t>(count++)].text = std::string_view(); // trailing separator
        }
    }
    return count;
}

} // namespace varimel::fields
