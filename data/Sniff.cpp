// SPDX-License-Identifier: MIT
#include "Sniff.h"

#include "Fields.h"
#include "Series.h"
#include "sys/Paths.h"

#include <algorithm>
#include <array>
#include <tuple>
#include <utility>
#include <vector>

namespace varimel {

namespace {

// At most this many lines and columns are looked at.
constexpr std::size_t kSniffLines = 200;
constexpr int kSniffColumns = 32;

// The sample's whole lines, trailing blanks removed (a last line without its
// end is taken only when the sample is the whole file).
std::vector<std::string_view> LinesOf(std::string_view sample, bool whole)
{
    std::vector<std::string_view> lines;
    std::size_t p = 0;
    if (sample.substr(0, 3) == "\xEF\xBB\xBF")
        p = 3;
    while (p < sample.size() && lines.size() < kSniffLines) {
        std::size_t end = p;
        while (end < sample.size() && sample[end] != '\n' && sample[end] != '\r')
            ++end;
        if (end == sample.size() && !whole)
            break;
        std::string_view line = sample.substr(p, end - p);
        while (!line.empty() && static_cast<unsigned char>(line.back()) <= 32)
            line.remove_suffix(1);
        lines.push_back(line);
        p = end + (end + 1 < sample.size() && sample[end] == '\r' && sample[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

std::size_t RecordsOf(const std::vector<std::string_view>& lines, const ImportOptions& options)
{
    std::size_t records = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        XYData record;
        records += !ParseImportLine(lines[i], i + 1, options, record);
    }
    return records;
}

// What one splitting makes of the lines: per column, how many lines hold a
// number there, and how many a date in each order.
struct ColumnKinds {
    std::array<std::size_t, kSniffColumns + 1> fields{}; // lines with that many fields or more
    std::array<std::size_t, kSniffColumns + 1> numbers{};
    std::array<std::array<std::size_t, kSniffColumns + 1>, 3> dates{};
};

ColumnKinds KindsOf(const std::vector<std::string_view>& lines, const ImportOptions& reading)
{
    ColumnKinds kinds;
    std::vector<fields::Field> found;
    const Splitting split = SplittingOf(reading);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int count = fields::SplitFields(lines[i], split.Sep, false, kSniffColumns, found, split.Blanks);
        for (int c = 1; c <= count; ++c) {
            ++kinds.fields[static_cast<std::size_t>(c)];
            ImportOptions one = reading;
            one.XColumn = 0;
            one.YColumn = c;
            XYData record;
            kinds.numbers[static_cast<std::size_t>(c)] += !ParseImportLine(lines[i], i + 1, one, record);
            const std::string_view text = found[static_cast<std::size_t>(c - 1)].text;
            for (const DateOrder order : {DateOrder::YMD, DateOrder::DMY, DateOrder::MDY})
                kinds.dates[static_cast<std::size_t>(order)][static_cast<std::size_t>(c)] +=
                    ParseDate(text, order).has_value();
        }
    }
    return kinds;
}

// A column of a few words that each come back on many lines while X comes
// back too: rows of several groups one after another ("MSFT,2000-01-03,…",
// "IBM,2000-01-03,…"), each best heard as a series of its own. 0 for none.
int GroupColumn(const std::vector<std::string_view>& lines, const ImportOptions& reading, const ColumnKinds& kinds,
                std::size_t enough, int dateColumn)
{
    std::vector<std::size_t> records;
    std::vector<double> xs;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        XYData record;
        if (!ParseImportLine(lines[i], i + 1, reading, record)) {
            records.push_back(i);
            xs.push_back(record.X);
        }
    }
    std::sort(xs.begin(), xs.end());
    if (std::adjacent_find(xs.begin(), xs.end()) == xs.end())
        return 0;
    std::vector<fields::Field> found;
    const Splitting split = SplittingOf(reading);
    for (int c = 1; c <= kSniffColumns; ++c) {
        const auto k = static_cast<std::size_t>(c);
        if (c == dateColumn || kinds.numbers[k] >= enough || kinds.fields[k] < enough)
            continue;
        std::vector<std::string_view> values;
        bool all = true;
        for (const std::size_t i : records) {
            const int count = fields::SplitFields(lines[i], split.Sep, reading.XDate, c, found, split.Blanks);
            if (count < c) {
                all = false;
                break;
            }
            const std::string_view text = found[k - 1].text;
            if (std::find(values.begin(), values.end(), text) == values.end())
                values.push_back(text);
            if (values.size() > static_cast<std::size_t>(kMaxSeries))
                break;
        }
        // Views into the lines stay valid: a quoted field with doubled
        // quotes is no group name worth the trouble.
        if (all && values.size() >= 2 && values.size() <= static_cast<std::size_t>(kMaxSeries) &&
            records.size() >= 2 * values.size())
            return c;
    }
    return 0;
}

// The reading one splitting suggests: a date column (the first that is a
// date on most lines) or else the first number column as X when a second
// follows, else the line number; Y the first number column after X's.
std::optional<ReadingProposal> ProposalFor(const std::vector<std::string_view>& lines, ImportOptions reading,
                                           std::size_t enough)
{
    const ColumnKinds kinds = KindsOf(lines, reading);
    const auto most = [enough](std::size_t n) { return n >= enough; };
    int dateColumn = 0;
    DateOrder order = DateOrder::YMD;
    bool guessed = false;
    for (int c = 1; c <= kSniffColumns && dateColumn == 0; ++c) {
        const auto k = static_cast<std::size_t>(c);
        if (kinds.numbers[k] >= kinds.dates[0][k] && kinds.numbers[k] > 0)
            continue; // numbers that also read as dates ("2024" is none, but be safe)
        if (most(kinds.dates[0][k])) {
            dateColumn = c;
        } else if (most(kinds.dates[1][k]) || most(kinds.dates[2][k])) {
            dateColumn = c;
            // Day-first or month-first: the one that reads more; a tie is a
            // guess, day first.
            order = kinds.dates[2][k] > kinds.dates[1][k] ? DateOrder::MDY : DateOrder::DMY;
            guessed = kinds.dates[1][k] == kinds.dates[2][k];
        }
    }
    std::vector<int> numbers;
    for (int c = 1; c <= kSniffColumns; ++c)
        if (c != dateColumn && most(kinds.numbers[static_cast<std::size_t>(c)]))
            numbers.push_back(c);
    if (numbers.empty())
        return std::nullopt;
    reading.MoreYColumns.clear();
    if (dateColumn > 0) {
        reading.XColumn = dateColumn;
        reading.XDate = true;
        reading.Order = order;
        reading.YColumn = numbers.front();
    } else if (numbers.size() >= 2) {
        reading.XColumn = numbers[0];
        reading.XDate = false;
        reading.Order = DateOrder::YMD;
        reading.YColumn = numbers[1];
    } else {
        reading.XColumn = 0;
        reading.XDate = false;
        reading.Order = DateOrder::YMD;
        reading.YColumn = numbers.front();
    }
    reading.SplitBy = GroupColumn(lines, reading, kinds, enough, dateColumn);
    // The share of the columns that hold dates or numbers on most lines.
    std::size_t columns = 0;
    for (int c = 1; c <= kSniffColumns; ++c)
        if (kinds.fields[static_cast<std::size_t>(c)] > 0)
            columns = static_cast<std::size_t>(c);
    const double fit = static_cast<double>(numbers.size() + (dateColumn > 0)) / static_cast<double>(columns);
    return ReadingProposal{reading, RecordsOf(lines, reading), guessed, fit};
}

} // namespace

std::optional<ReadingProposal> ProposeReading(std::string_view sample, const ImportOptions& current)
{
    const std::vector<std::string_view> lines = LinesOf(sample, sample.size() < kSniffBytes);
    std::size_t nonEmpty = 0;
    for (const std::string_view line : lines)
        nonEmpty += !line.empty();
    if (nonEmpty == 0)
        return std::nullopt;
    // Most lines: all but a header or two, and at least half.
    const std::size_t enough = std::max<std::size_t>(1, std::max(nonEmpty / 2 + 1, nonEmpty > 3 ? nonEmpty - 3 : 1));
    ImportOptions base = current.Stored();
    base.MoreYColumns.clear();
    base.Where.clear();
    base.SplitBy = 0;
    const std::size_t now = RecordsOf(lines, base);
    std::optional<ReadingProposal> best;
    // Every splitting, the plain one first, so that the simplest wins a tie.
    for (const bool comma : {false, true})
        for (const FieldSeparator separator : {FieldSeparator::Auto, FieldSeparator::Comma, FieldSeparator::Semicolon,
                                               FieldSeparator::Tab, FieldSeparator::Space}) {
            if (comma && separator == FieldSeparator::Comma)
                continue;
            ImportOptions reading = base;
            reading.Separator = separator;
            reading.DecimalComma = comma;
            reading.PositiveY = false;
            // More records win; at a tie, a date for X (a date with blanks
            // splits into numbers that read too), then the splitting whose
            // columns are more often dates or numbers (a wrong one leaves
            // text columns between them).
            const auto key = [](const ReadingProposal& p) { return std::tuple(p.Records, p.Options.XDate, p.Fit); };
            if (std::optional<ReadingProposal> p = ProposalFor(lines, reading, enough);
                p && (!best || key(*p) > key(*best)))
                best = std::move(p);
        }
    if (!best || best->Records <= now || best->Records < enough)
        return std::nullopt;
    return best;
}

std::optional<ReadingProposal> ProposeReadingOfFile(const std::string& path, const ImportOptions& current)
{
    const std::optional<std::string> sample = ReadStartOfFile(path, kSniffBytes);
    return sample && !sample->empty() ? ProposeReading(*sample, current) : std::nullopt;
}

std::string DescribeProposal(const ReadingProposal& p, Language language)
{
    const ImportOptions& o = p.Options;
    const bool english = language == Language::English;
    std::string found;
    if (o.XDate)
        found = english ? "Column " + std::to_string(o.XColumn) + " looks like dates" +
                              (p.OrderGuessed ? " (day first is a guess)" : "") + "."
                        : std::to_string(o.XColumn) + "列目は日付のようです" +
                              (p.OrderGuessed ? "（日が先かどうかは推測です）" : "") + "。";
    else if (o.XColumn > 0)
        found = english
                    ? "Columns " + std::to_string(o.XColumn) + " and " + std::to_string(o.YColumn) +
                          " look like numbers for X and Y."
                    : std::to_string(o.XColumn) + "列目と" + std::to_string(o.YColumn) + "列目はXとYの数値のようです。";
    else
        found = english ? "Column " + std::to_string(o.YColumn) + " looks like numbers, in line order."
                        : std::to_string(o.YColumn) + "列目は行の順に並んだ数値のようです。";
    if (o.SplitBy > 0)
        found += english ? " Each value of column " + std::to_string(o.SplitBy) + " can be a series of its own."
                         : std::to_string(o.SplitBy) + "列目の値ごとに系列にできます。";
    return found + (english ? " Open the import settings?" : "読み込み設定を開きますか？");
}

std::string ProposalOptions(const ReadingProposal& p)
{
    const ImportOptions& o = p.Options;
    std::string text;
    const auto add = [&text](const std::string& option) { text += (text.empty() ? "" : " ") + option; };
    if (o.Separator != FieldSeparator::Auto)
        add("--separator " + std::string(SeparatorName(o.Separator)));
    if (o.DecimalComma)
        add("--decimal-comma");
    if (o.XColumn == 0)
        add("--x-line");
    else if (o.XColumn != 1)
        add("--x-column " + std::to_string(o.XColumn));
    if (o.XDate)
        add("--x-date");
    if (o.Order != DateOrder::YMD)
        add("--date-order " + std::string(DateOrderName(o.Order)));
    if (o.YColumn != 2)
        add("--y-column " + std::to_string(o.YColumn));
    if (o.SplitBy > 0)
        add("--split-by " + std::to_string(o.SplitBy));
    return text;
}

} // namespace varimel
