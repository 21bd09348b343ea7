// SPDX-License-Identifier: MIT
// How a CSV file's lines become records beyond the plain "X,Y" reading: the
// columns to take, the line number or a date as X, the decimal comma; and
// the record of every line that was skipped, with its reason.
#pragma once

#include "Dates.h"
#include "Fields.h"
#include "Language.h"
#include "Skips.h"
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

// What separates the fields of a line: the plain reading's rule (a comma,
// or a semicolon with the decimal comma, and blanks), or one character alone
// (blanks then belong to the field), or blanks alone.
enum class FieldSeparator : std::uint8_t { Auto, Comma, Semicolon, Tab, Space };

// Rows kept by the value of a column: the field's text (as read, quotes
// removed) is the value exactly.
struct RowFilter {
    int Column = 0;
    std::string Value;
    bool operator==(const RowFilter&) const = default;
};

struct ImportOptions {
    int XColumn = 1;           // 0: X is the line's number in the file
    int YColumn = 2;           // fields are numbered from 1
    bool XDate = false;        // X is a date (days since 1970-01-01)
    bool DecimalComma = false; // "1,5;2,25": comma as decimal point, ';' between fields
    FieldSeparator Separator = FieldSeparator::Auto;
    DateOrder Order = DateOrder::YMD; // of a date X that does not start with the year
    // Further Y columns, each read as a series of its own beside the first
    // (the instrument each plays with is the request's).
    std::vector<int> MoreYColumns;
    // Which rows count: only those whose columns hold these values (several
    // values for one column: any of them), the others left out uncounted
    // among the skipped lines; and the column whose values each make a
    // series of their own (0: none), in order of first appearance.
    std::vector<RowFilter> Where;
    int SplitBy = 0;
    // What the mapping's shape asks of the reading: only positive Y (a
    // logarithmic scale), and further columns whose values set each note's
    // velocity or length (0: none). Never stored with the import options.
    bool PositiveY = false;
    int VelocityColumn = 0;
    int DurationColumn = 0;

    bool IsDefault() const
    {
        return XColumn == 1 && YColumn == 2 && !XDate && !DecimalComma && Separator == FieldSeparator::Auto &&
               Order == DateOrder::YMD && MoreYColumns.empty() && !PositiveY && !ChoosesRows();
    }
    // Whether only some rows count, or rows are grouped into series.
    bool ChoosesRows() const { return !Where.empty() || SplitBy > 0; }
    // Whether the reading takes more than the first column's records:
    // further Y columns, or columns beside the notes, all in one pass.
    bool ReadsMore() const
    {
        return !MoreYColumns.empty() || VelocityColumn > 0 || DurationColumn > 0 || ChoosesRows();
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
    // The reading of one column: these options with only yColumn as Y, on
    // every row.
    ImportOptions ForColumn(int yColumn) const
    {
        ImportOptions one = *this;
        one.YColumn = yColumn;
        one.MoreYColumns.clear();
        one.Where.clear();
        one.SplitBy = 0;
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

// How the options split a line: the separator and what blanks do.
struct Splitting {
    char Sep = ',';
    fields::Blanks Blanks = fields::Blanks::Separate;
};
Splitting SplittingOf(const ImportOptions& options);
// "auto", "comma", "semicolon", "tab", "space"; and back (none for another
// word).
std::string_view SeparatorName(FieldSeparator separator);
std::optional<FieldSeparator> SeparatorNamed(std::string_view name);

// One line of a file as the import dialog previews it: its fields (as
// people read them) and what the options make of it.
struct PreviewRow {
    std::uint64_t Line = 0;
    std::vector<std::string> Fields;
    std::optional<SkipReason> Verdict; // none: the line gives a record
    bool Filtered = false;             // the filters leave the line out
};
// The first `rows` lines of bytes (the start of a file), split and judged
// with the options.
std::vector<PreviewRow> PreviewLines(std::string_view bytes, const ImportOptions& options, std::size_t rows);

// The X a text stands for as the options read X: a date with XDate (in
// their date order), else a number; none when it is neither.
std::optional<double> ParseX(std::string_view text, const ImportOptions& options);

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

// Whether a row's fields (count of them found) hold the values the filters
// ask for: for every column named, one of its values.
bool KeepsRow(const std::vector<RowFilter>& where, const std::vector<fields::Field>& found, int count);

// Why a line the plain reading refused has no record.
SkipReason ClassifyPlainLine(std::string_view line);

} // namespace varimel
