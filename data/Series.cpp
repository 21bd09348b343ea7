// SPDX-License-Identifier: MIT
#include "Series.h"

#include "Fields.h"
#include "Text.h"

#include <algorithm>

namespace varimel {

namespace {

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

std::string_view HeaderField(std::string_view raw, int column, const ImportOptions& options,
                             std::vector<fields::Field>& found)
{
    raw = raw.substr(0, kSkippedTextBytes);
    const Splitting split = SplittingOf(options);
    const int count = fields::SplitFields(raw, split.Sep, options.XDate, column, found, split.Blanks);
    return count >= column ? found[static_cast<std::size_t>(column - 1)].text : std::string_view();
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
