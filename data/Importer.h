// SPDX-License-Identifier: MIT
// How a CSV file's lines become records beyond the plain "X,Y" reading: the
// columns to take, the line number or a date as X, the decimal comma; and
// the record of every line that was skipped, with its reason.
#pragma once

#include "Language.h"
#include "Xydata.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varimel {

// The highest column number the options take.
inline constexpr int kMaxImportColumn = 100000;

struct ImportOptions {
    int XColumn = 1;           // 0: X is the line's number in the file
    int YColumn = 2;           // fields are numbered from 1
    bool XDate = false;        // X is a date (days since 1970-01-01)
    bool DecimalComma = false; // "1,5;2,25": comma as decimal point, ';' between fields
    // Further Y columns, each read as a series of its own beside the first,
    // and the instrument (program) each plays with.
    std::vector<int> MoreYColumns;
    std::vector<int> MorePrograms;
    // What the mapping's shape asks of the reading: only positive Y (a
    // logarithmic scale), and further columns whose values set each note's
    // velocity or length (0: none). Never stored with the import options.
    bool PositiveY = false;
    int VelocityColumn = 0;
    int DurationColumn = 0;

    bool IsDefault() const
    {
        return XColumn == 1 && YColumn == 2 && !XDate && !DecimalComma && MoreYColumns.empty() && !PositiveY;
    }
    // Every Y column in the series' order: the first, then the further ones.
    std::vector<int> YColumns() const
    {
        std::vector<int> columns{YColumn};
        columns.insert(columns.end(), MoreYColumns.begin(), MoreYColumns.end());
        return columns;
    }
    // Whether X (unless it is the line number) and every Y column are
    // different columns: one read twice would be heard twice or not at all.
    bool ColumnsDistinct() const;
    // The reading of one column: these options with only yColumn as Y.
    ImportOptions ForColumn(int yColumn) const
    {
        ImportOptions one = *this;
        one.YColumn = yColumn;
        one.MoreYColumns.clear();
        one.MorePrograms.clear();
        one.VelocityColumn = 0;
        one.DurationColumn = 0;
        return one;
    }
    // The reading of a column of values beside the notes (velocity, length):
    // any number counts.
    ImportOptions ForValues(int column) const
    {
        ImportOptions one = ForColumn(column);
        one.PositiveY = false;
        return one;
    }
    // The options as the settings file keeps them: without the shape's part.
    ImportOptions Stored() const
    {
        ImportOptions one = *this;
        one.PositiveY = false;
        one.VelocityColumn = 0;
        one.DurationColumn = 0;
        return one;
    }
    bool operator==(const ImportOptions&) const = default;
};

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

// A skipped line's bytes for people: UTF-8 as it is, anything else decoded
// as Shift_JIS (code page 932), cut to 200 characters with "…".
std::string DisplayText(std::string_view raw);

// The skipped lines as tab-separated text with a header row: "line", the
// reason code and the text for files and scripts, or "行", "理由", "内容"
// with the reasons in words for people. Tabs in a text become spaces.
// ("Line", "Reason", "Text" in English).
std::string SkippedLinesTsv(const SkippedLines& lines, bool words, Language language = Language::Japanese);

// One line of a file as the import dialog previews it: its fields (as
// people read them) and what the options make of it.
struct PreviewRow {
    std::uint64_t Line = 0;
    std::vector<std::string> Fields;
    std::optional<SkipReason> Verdict; // none: the line gives a record
};
// The first `rows` lines of bytes (the start of a file), split and judged
// with the options.
std::vector<PreviewRow> PreviewLines(std::string_view bytes, const ImportOptions& options, std::size_t rows);

// The options in words: "X: 1列目 / Y: 2列目 / 小数点: ピリオド".
std::string DescribeOptions(const ImportOptions& options, Language language = Language::Japanese);

// Reads one line with the options: the record, or the reason it has none.
// lineNumber is the line's number in the file (X when XColumn is 0).
std::optional<SkipReason> ParseImportLine(std::string_view line, std::uint64_t lineNumber, const ImportOptions& options,
                                          XYData& record);

// What one line gives one Y column: a record, or the reason it has none.
struct LineVerdict {
    std::optional<SkipReason> Reason;
    XYData Record;
};
// Reads one line for several Y columns at once, splitting it and reading X
// only once: out[k] is what ParseImportLine with yColumns[k] as Y gives.
void ParseImportColumns(std::string_view line, std::uint64_t lineNumber, const ImportOptions& options,
                        std::span<const int> yColumns, std::span<LineVerdict> out);

// Why a line the plain reading refused has no record.
SkipReason ClassifyPlainLine(std::string_view line);

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
