// SPDX-License-Identifier: MIT
// Why a line gave no record, and the record of every skipped line of a
// load, kept compactly, with its table for files and for people.
#pragma once

#include "Language.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varimel {

// Why a line gave no record; the codes are for files and scripts.
enum class SkipReason : std::uint8_t {
    Empty,
    MissingColumn,
    XNotNumber,
    YNotNumber,
    XNotDate,
    OutOfRange,
    TooLong,
    YNotPositive
};

std::string_view SkipReasonCode(SkipReason reason); // "missing-column"
// "列が足りません", or in English "Too few columns".
std::string_view SkipReasonWords(SkipReason reason, Language language = Language::Japanese);

struct SkippedLine {
    std::uint64_t Line = 0; // the line's number in the file, from 1
    SkipReason Reason = SkipReason::Empty;
    std::string_view Raw; // the line's bytes as read (trailing blanks removed), at most kSkippedTextBytes
};

// Every skipped line of a load, kept compactly: one block of text for all.
class SkippedLines {
public:
    void Add(std::uint64_t line, SkipReason reason, std::string_view raw);
    std::size_t Count() const { return entries_.size(); }
    bool Empty() const { return entries_.empty(); }
    SkippedLine operator[](std::size_t i) const;
    // Adds other's lines after these, their numbers moved on by lineOffset.
    void Append(const SkippedLines& other, std::uint64_t lineOffset);

private:
    struct Entry {
        std::uint64_t line;
        std::uint64_t offset : 40;
        std::uint64_t length : 16;
        std::uint64_t reason : 8;
    };
    std::vector<Entry> entries_;
    std::string text_;
};

// The bytes of a skipped line that are kept: enough for 200 characters in
// any encoding.
inline constexpr std::size_t kSkippedTextBytes = 1024;

// The skipped lines as tab-separated text with a header row: "line", the
// reason code and the text for files and scripts, or "行", "理由", "内容"
// with the reasons in words for people. Tabs in a text become spaces.
// ("Line", "Reason", "Text" in English).
std::string SkippedLinesTsv(const SkippedLines& lines, bool words, Language language = Language::Japanese);

} // namespace varimel
