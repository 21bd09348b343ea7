// SPDX-License-Identifier: MIT
#include "Importer.h"

#include "Fields.h"
#include "Number.h"
#include "Text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>

namespace varimel {

namespace {

using fields::Field;
using fields::IsDigit;
using fields::SplitFields;

// The marks that may group thousands in a decimal-comma number: a blank, a
// no-break space (U+00A0), a narrow no-break space (U+202F) or '.'.
constexpr std::string_view kGroupMarks[] = {" ", "\xC2\xA0", "\xE2\x80\xAF", "."};

std::size_t GroupMarkAt(std::string_view s, std::size_t i)
{
    for (const std::string_view mark : kGroupMarks)
        if (s.substr(i, mark.size()) == mark)
            return mark.size();
    return 0;
}

// A decimal-comma number in the plain syntax ("1.234.567,8" gives
// "1234567.8"): thousands grouped in threes by one of the marks, the same
// mark throughout; false for any other blank or '.' in it.
bool Ungroup(std::string_view s, std::string& plain)
{
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    std::size_t end = s.size();
    while (end > i && s[end - 1] == ' ')
        --end;
    s = s.substr(i, end - i);
    plain.clear();
    i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        plain += s[i++];
    const std::size_t digits = i;
    while (i < s.size() && IsDigit(s[i]))
        plain += s[i++];
    std::string_view mark;
    while (const std::size_t size = GroupMarkAt(s, i)) {
        const std::string_view here = s.substr(i, size);
        if (mark.empty() && (i == digits || i - digits > 3))
            return false; // ".234", "1234.567": the first group has one to three digits
        if (!mark.empty() && here != mark)
            return false;
        mark = here;
        if (i + size + 3 > s.size() || !IsDigit(s[i + size]) || !IsDigit(s[i + size + 1]) ||
            !IsDigit(s[i + size + 2]) || (i + size + 3 < s.size() && IsDigit(s[i + size + 3])))
            return false;
        plain.append(s.substr(i + size, 3));
        i += size + 3;
    }
    for (; i < s.size(); ++i) {
        if (s[i] == '.' || GroupMarkAt(s, i))
            return false;
        plain += s[i] == ',' ? '.' : s[i];
    }
    return true;
}

NumberRead ReadField(std::string_view text, bool decimalComma, double& value)
{
    if (!decimalComma)
        return ReadNumber(text, value);
    std::string plain;
    if (!Ungroup(text, plain))
        return NumberRead::NotNumber;
    return ReadNumber(plain, value);
}

} // namespace

bool ImportOptions::ColumnsDistinct() const
{
    std::vector<int> columns = YColumns();
    if (XColumn > 0)
        columns.push_back(XColumn);
    std::sort(columns.begin(), columns.end());
    return std::adjacent_find(columns.begin(), columns.end()) == columns.end();
}

std::vector<PreviewRow> PreviewLines(std::string_view bytes, const ImportOptions& options, std::size_t rows)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    std::vector<PreviewRow> out;
    std::vector<Field> fields;
    std::size_t p = 0;
    while (p < bytes.size() && out.size() < rows) {
        std::size_t end = p;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r' && bytes[end] != '\x1A')
            ++end;
        std::string_view line = bytes.substr(p, end - p);
        if (const auto nul = line.find('\0'); nul != std::string_view::npos)
            line = line.substr(0, nul);
        while (!line.empty() && static_cast<unsigned char>(line.back()) <= 32)
            line.remove_suffix(1);
        PreviewRow row;
        row.Line = out.size() + 1;
        const Splitting split = SplittingOf(options);
        const int count = SplitFields(line, split.Sep, options.XDate, 256, fields, split.Blanks);
        for (int i = 0; i < count; ++i)
            row.Fields.push_back(DisplayText(fields[static_cast<std::size_t>(i)].text));
        XYData record;
        row.Filtered = !line.empty() && !options.Where.empty() && !KeepsRow(options.Where, fields, count);
        if (!row.Filtered)
            row.Verdict = ParseImportLine(line, row.Line, options, record);
        out.push_back(std::move(row));
        if (end >= bytes.size() || bytes[end] == '\x1A')
            break;
        p = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
    }
    return out;
}

namespace {

constexpr std::array<std::string_view, 5> kSeparatorNames = {"auto", "comma", "semicolon", "tab", "space"};
constexpr std::array<std::string_view, 5> kSeparatorWords = {"自動", "カンマ", "セミコロン", "タブ", "空白"};
constexpr std::array<std::string_view, 5> kSeparatorEnglish = {"auto", "comma", "semicolon", "tab", "blanks"};

} // namespace

Splitting SplittingOf(const ImportOptions& options)
{
    using fields::Blanks;
    switch (options.Separator) {
    case FieldSeparator::Comma:
        return {',', Blanks::Inside};
    case FieldSeparator::Semicolon:
        return {';', Blanks::Inside};
    case FieldSeparator::Tab:
        return {'\t', Blanks::Inside};
    case FieldSeparator::Space:
        return {'\n', Blanks::Separate}; // no line holds a line end: blanks alone separate
    case FieldSeparator::Auto:
        break;
    }
    return options.DecimalComma ? Splitting{';', Blanks::SpacesInside} : Splitting{',', Blanks::Separate};
}

std::string_view SeparatorName(FieldSeparator separator)
{
    return kSeparatorNames[static_cast<std::size_t>(separator)];
}

std::optional<FieldSeparator> SeparatorNamed(std::string_view name)
{
    for (std::size_t i = 0; i < kSeparatorNames.size(); ++i)
        if (kSeparatorNames[i] == name)
            return static_cast<FieldSeparator>(i);
    return std::nullopt;
}

std::optional<double> ParseX(std::string_view text, const ImportOptions& options)
{
    return options.XDate ? ParseDate(text, options.Order) : ParseNumber(text);
}

std::string DescribeOptions(const ImportOptions& o, Language language)
{
    // The separator is told only when it is not the plain reading's.
    const auto separator = static_cast<std::size_t>(o.Separator);
    if (language == Language::English) {
        std::string x = o.XColumn == 0 ? "line number" : "column " + std::to_string(o.XColumn);
        if (o.XDate)
            x += " (date)";
        return "X: " + x + " / Y: column " + std::to_string(o.YColumn) +
               " / Decimal mark: " + (o.DecimalComma ? "comma (fields separated by semicolons)" : "period") +
               (separator == 0 ? std::string() : " / Fields: " + std::string(kSeparatorEnglish[separator]));
    }
    std::string x = o.XColumn == 0 ? "行番号" : std::to_string(o.XColumn) + "列目";
    if (o.XDate)
        x += "（日付）";
    return "X: " + x + " / Y: " + std::to_string(o.YColumn) +
           "列目 / 小数点: " + (o.DecimalComma ? "カンマ（区切りはセミコロン）" : "ピリオド") +
           (separator == 0 ? std::string() : " / 区切り: " + std::string(kSeparatorWords[separator]));
}

void ParseImportColumns(std::string_view line, std::uint64_t lineNumber, const ImportOptions& options,
                        std::span<const int> yColumns, std::span<LineVerdict> out)
{
    if (line.empty()) {
        for (LineVerdict& v : out)
            v.Reason = SkipReason::Empty;
        return;
    }
    // Fields are split the same way however many are wanted: a column's
    // fields are there exactly when its own reading would find them.
    thread_local std::vector<Field> fields;
    int wanted = options.XColumn;
    for (const int y : yColumns)
        wanted = std::max(wanted, y);
    const Splitting split = SplittingOf(options);
    const int count = SplitFields(line, split.Sep, options.XDate, wanted, fields, split.Blanks);
    double x = static_cast<double>(lineNumber);
    std::optional<SkipReason> xWhy;
    bool xRead = options.XColumn == 0;
    for (std::size_t k = 0; k < yColumns.size(); ++k) {
        LineVerdict& v = out[k];
        v.Reason.reset();
        if (count < std::max(options.XColumn, yColumns[k])) {
            v.Reason = SkipReason::MissingColumn;
            continue;
        }
        if (!xRead) {
            xRead = true;
            const std::string_view xText = fields[static_cast<std::size_t>(options.XColumn - 1)].text;
            if (options.XDate) {
                if (const auto date = ParseDate(xText, options.Order))
                    x = *date;
                else
                    xWhy = SkipReason::XNotDate;
            } else if (const NumberRead r = ReadField(xText, options.DecimalComma, x); r != NumberRead::Ok) {
                xWhy = r == NumberRead::OutOfRange ? SkipReason::OutOfRange : SkipReason::XNotNumber;
            }
        }
        if (xWhy) {
            v.Reason = xWhy;
            continue;
        }
        double y = 0.0;
        if (const NumberRead r =
                ReadField(fields[static_cast<std::size_t>(yColumns[k] - 1)].text, options.DecimalComma, y);
            r != NumberRead::Ok)
            v.Reason = r == NumberRead::OutOfRange ? SkipReason::OutOfRange : SkipReason::YNotNumber;
        else if (options.PositiveY && !(y > 0.0))
            v.Reason = SkipReason::YNotPositive;
        else
            v.Record = XYData{x, y};
    }
}

std::optional<SkipReason> ParseImportLine(std::string_view line, std::uint64_t lineNumber, const ImportOptions& options,
                                          XYData& record)
{
    LineVerdict verdict;
    ParseImportColumns(line, lineNumber, options, std::span<const int>(&options.YColumn, 1),
                       std::span<LineVerdict>(&verdict, 1));
    if (!verdict.Reason)
        record = verdict.Record;
    return verdict.Reason;
}

bool KeepsRow(const std::vector<RowFilter>& where, const std::vector<fields::Field>& found, int count)
{
    for (const RowFilter& filter : where) {
        // The filters on one column are looked at once, from its first.
        const auto first = std::find_if(where.begin(), where.end(),
                                        [&](const RowFilter& other) { return other.Column == filter.Column; });
        if (&*first != &filter)
            continue;
        if (count < filter.Column)
            return false;
        const std::string_view text = found[static_cast<std::size_t>(filter.Column - 1)].text;
        // A file in Shift_JIS holds its words in other bytes than the
        // filter's (UTF-8) value.
        const bool plainBytes = std::all_of(text.begin(), text.end(), [](char c) { return c >= 0; });
        std::string shown;
        if (!plainBytes)
            shown = DisplayText(text);
        if (std::none_of(first, where.end(), [&](const RowFilter& other) {
                return other.Column == filter.Column && (other.Value == text || (!plainBytes && other.Value == shown));
            }))
            return false;
    }
    return true;
}

SkipReason ClassifyPlainLine(std::string_view line)
{
    XYData unused;
    return ParseImportLine(line, 0, ImportOptions{}, unused).value_or(SkipReason::MissingColumn);
}

} // namespace varimel
