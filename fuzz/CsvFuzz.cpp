// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the CSV reader, cut into pieces at a place the
// input chooses, and checks that the cut makes no difference.
#include "data/Csvreader.h"
#include "data/Text.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <vector>

using namespace varimel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    TXYDataList whole;
    CsvParser a(whole);
    a.Feed(bytes, size);
    a.Finish();

    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    TXYDataList pieces;
    CsvParser b(pieces);
    if (b.Feed(bytes, cut))
        b.Feed(bytes + cut, size - cut);
    b.Finish();

    if (whole.Count() != pieces.Count() || a.Skipped() != b.Skipped())
        std::abort();
    for (int i = 0; i < whole.Count(); ++i) {
        const XYData& r = whole[static_cast<std::size_t>(i)];
        if (!std::isfinite(r.X) || !std::isfinite(r.Y) || !(r == pieces[static_cast<std::size_t>(i)]))
            std::abort();
    }
    // One byte at a time, no line is ever whole inside a piece, so every
    // line goes the general way: the common lines read straight from a
    // piece must give the same records and skipped lines.
    TXYDataList bytewise;
    CsvParser d(bytewise);
    for (std::size_t i = 0; i < size && d.Feed(bytes + i, 1); ++i) {
    }
    d.Finish();
    if (whole.Count() != bytewise.Count() || a.Skips().Count() != d.Skips().Count())
        std::abort();
    for (int i = 0; i < whole.Count(); ++i)
        if (!(whole[static_cast<std::size_t>(i)] == bytewise[static_cast<std::size_t>(i)]))
            std::abort();
    // The plain reading keeps a reason for every refused line.
    if (a.Skips().Count() != b.Skips().Count() || (a.Skips().Count() > 0) != a.Skipped())
        std::abort();
    for (std::size_t i = 0; i < a.Skips().Count(); ++i) {
        const SkippedLine x = a.Skips()[i], y = b.Skips()[i], z = d.Skips()[i];
        if (x.Line != y.Line || x.Line != z.Line || x.Reason != y.Reason || x.Reason != z.Reason)
            std::abort();
    }
    for (std::size_t i = 0; i < a.Skips().Count(); ++i)
        (void)DisplayText(a.Skips()[i].Raw);

    // The same bytes with import options the input chooses: every line is
    // either a record or a skipped line, never both, never lost.
    ImportOptions options;
    if (size > 1) {
        options.XColumn = data[1] % 4; // 0: the line number
        options.YColumn = 1 + (data[1] >> 2) % 4;
        options.XDate = (data[1] & 0x40) && options.XColumn != 0;
        options.DecimalComma = data[1] & 0x80;
    }
    if (options.XColumn != options.YColumn) {
        TXYDataList imported;
        CsvParser c(imported, kMaxLineBytes, options);
        c.Feed(bytes, size);
        c.Finish();
        for (std::size_t i = 0; i < c.Skips().Count(); ++i)
            if (c.Skips()[i].Line == 0)
                std::abort();
        (void)Summarize(imported, "fuzz.csv", options.XDate);
    }
    (void)PreviewLines(std::string_view(bytes, size), options, 20);

    // Further Y columns read in the same pass, the bytes cut where the input
    // says: each column gets exactly what reading it alone gives.
    if (size > 2) {
        ImportOptions several = options;
        several.PositiveY = data[2] & 0x80;
        for (int k = 0; k < 1 + (data[2] & 1); ++k)
            several.MoreYColumns.push_back(1 + (data[2] >> (1 + 2 * k)) % 5);
        if (several.ColumnsDistinct()) {
            TXYDataList first;
            SeriesRead rest;
            CsvParser together(first, kMaxLineBytes, several);
            together.AlsoRead(rest);
            if (together.Feed(bytes, cut))
                together.Feed(bytes + cut, size - cut);
            together.Finish();
            // The lines no series has, then each column's missing values:
            // together they are the lines its own reading skips.
            std::set<std::uint64_t> fileLines;
            for (std::size_t i = 0; i < together.Skips().Count(); ++i)
                fileLines.insert(together.Skips()[i].Line);
            const std::vector<int> columns = several.YColumns();
            for (std::size_t k = 0; k < columns.size(); ++k) {
                TXYDataList alone;
                CsvParser one(alone, kMaxLineBytes, several.ForColumn(columns[k]));
                one.Feed(bytes, size);
                one.Finish();
                const TXYDataList& got = k == 0 ? first : rest.More[k - 1];
                if (got.Count() != alone.Count())
                    std::abort();
                for (int i = 0; i < got.Count(); ++i)
                    if (!(got[static_cast<std::size_t>(i)] == alone[static_cast<std::size_t>(i)]))
                        std::abort();
                std::map<std::uint64_t, SkipReason> missed;
                for (const MissingValue& m : rest.Missing)
                    if (m.Column == columns[k])
                        missed[m.Line] = m.Reason;
                if (one.Skips().Count() != fileLines.size() + missed.size())
                    std::abort();
                for (std::size_t i = 0; i < one.Skips().Count(); ++i) {
                    const SkippedLine s = one.Skips()[i];
                    const auto m = missed.find(s.Line);
                    if (m != missed.end() ? m->second != s.Reason : !fileLines.count(s.Line))
                        std::abort();
                }
            }
        }
    }

    whole.Sort();
    const CsvSummary s = Summarize(whole, "fuzz.csv");
    // Whatever the data, the box text reads back as a number.
    if (whole.Count() > 0 && !ParseNumber(s.DxPQN) && std::isfinite(MeanXInterval(whole)))
        std::abort();
    return 0;
}
