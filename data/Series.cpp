// SPDX-License-Identifier: MIT
#include "Series.h"

#include "Fields.h"
#include "Text.h"

#include <algorithm>

namespace varimel {

namespace {

std::vector<std::uint64_t> LinesOf(const SkippedLines& skips)
{
    std::vector<std::uint64_t> lines(skips.Count());
    for (std::size_t i = 0; i < skips.Count(); ++i)
        lines[i] = skips[i].Line;
    return lines;
}

void AppendRow(std::string& out, std::uint64_t line, SkipReason reason, std::string_view raw, bool words,
               Language language)
{
    std::string text = DisplayText(raw);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    out += std::to_string(line);
    out += '\t';
    out += words ? SkipReasonWords(reason, language) : SkipReasonCode(reason);
    out += '\t';
    out += text;
}

} // namespace

std::string ColumnHeader(const SkippedLines& skips, int column, const ImportOptions& options)
{
    // Every line is a record or a skipped line: the first record is on the
    // first line the skips leave out.
    std::size_t before = 0;
    std::uint64_t expected = 1;
    while (before < skips.Count() && skips[before].Line == expected) {
        ++before;
        ++expected;
    }
    std::vector<fields::Field> found;
    for (std::size_t i = before; i-- > 0;) {
        const int count = fields::SplitFields(skips[i].Raw, options.DecimalComma ? ';' : ',', options.XDate, column,
                                              found, options.DecimalComma);
        if (count >= column && !found[static_cast<std::size_t>(column - 1)].text.empty())
            return std::string(found[static_cast<std::size_t>(column - 1)].text);
    }
    return {};
}

SeriesSplit SplitSeries(const std::vector<const ColumnRead*>& reads, const ImportOptions& options)
{
    SeriesSplit split;
    if (reads.empty())
        return split;
    // The lines every series skipped are the file's skipped lines.
    std::vector<std::vector<std::uint64_t>> lines;
    for (const ColumnRead* read : reads)
        lines.push_back(LinesOf(read->Skips));
    std::vector<std::uint64_t> everywhere = lines.front();
    for (std::size_t k = 1; k < lines.size(); ++k) {
        std::vector<std::uint64_t> both;
        std::set_intersection(everywhere.begin(), everywhere.end(), lines[k].begin(), lines[k].end(),
                              std::back_inserter(both));
        everywhere.swap(both);
    }
    const SkippedLines& first = reads.front()->Skips;
    for (std::size_t i = 0, j = 0; i < first.Count(); ++i) {
        const SkippedLine line = first[i];
        while (j < everywhere.size() && everywhere[j] < line.Line)
            ++j;
        if (j < everywhere.size() && everywhere[j] == line.Line)
            split.Skips.Add(line.Line, line.Reason, line.Raw);
    }
    // The rest of each series' skipped lines are values it misses.
    for (const ColumnRead* read : reads) {
        for (std::size_t i = 0, j = 0; i < read->Skips.Count(); ++i) {
            const SkippedLine line = read->Skips[i];
            while (j < everywhere.size() && everywhere[j] < line.Line)
                ++j;
            if (j >= everywhere.size() || everywhere[j] != line.Line)
                split.Missing.push_back({line.Line, read->Column, line.Reason});
        }
        split.Names.push_back(ColumnHeader(read->Skips, read->Column, options));
    }
    std::stable_sort(split.Missing.begin(), split.Missing.end(),
                     [](const MissingValue& a, const MissingValue& b) { return a.Line < b.Line; });
    return split;
}

std::string ReportTsv(const SkippedLines& lines, const std::vector<MissingValue>& missing, bool words,
                      Language language)
{
    if (missing.empty())
        return SkippedLinesTsv(lines, words, language);
    std::string out = !words
                          ? "line\treason\ttext\tcolumn\n"
                          : std::string(InLanguage(language, "行\t理由\t内容\t列\n", "Line\tReason\tText\tColumn\n"));
    std::size_t m = 0;
    for (std::size_t i = 0; i <= lines.Count(); ++i) {
        const std::uint64_t next = i < lines.Count() ? lines[i].Line : UINT64_MAX;
        for (; m < missing.size() && missing[m].Line < next; ++m) {
            AppendRow(out, missing[m].Line, missing[m].Reason, {}, words, language);
            out += '\t' + std::to_string(missing[m].Column) + '\n';
        }
        if (i < lines.Count()) {
            AppendRow(out, lines[i].Line, lines[i].Reason, lines[i].Raw, words, language);
            out += "\t\n";
        }
    }
    return out;
}

} // namespace varimel
