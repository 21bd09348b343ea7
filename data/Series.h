// SPDX-License-Identifier: MIT
// Several Y columns of one file, each a series of its own: a line gives a
// value to every series whose column holds a number there; a series without
// one on a line that others have rests there. A line with no value for any
// series is skipped as with one column.
#pragma once

#include "Fields.h"
#include "Importer.h"
#include "Xydata.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace varimel {

// At most this many series in one piece (one MIDI channel each, the
// percussion channel left out).
inline constexpr int kMaxSeries = 15;

// A line that gave other series a value but not this one.
struct MissingValue {
    std::uint64_t Line = 0;
    int Column = 0; // the series' Y column
    SkipReason Reason = SkipReason::Empty;
};

// A column of values beside the notes (each note's velocity or length),
// read in the same pass as the series: every series' value on the line of
// each of its records (NaN where that line has none there), and the lowest
// and highest value the column holds on any line whose X reads (NaN when it
// holds none).
struct BesideColumn {
    int Column = 0; // 0: not read
    std::vector<std::vector<double>> Values;
    double Low = std::numeric_limits<double>::quiet_NaN();
    double High = std::numeric_limits<double>::quiet_NaN();
    void Take(double value)
    {
        if (!(value >= Low))
            Low = std::isnan(Low) ? value : std::min(Low, value);
        if (!(value <= High))
            High = std::isnan(High) ? value : std::max(High, value);
    }
};

// What one pass over a file gives besides the first column's records and
// the file's skipped lines (the lines no series has a value on): the
// further columns' records, the values a series misses on a line others
// have, each column's header and the columns beside the notes.
struct SeriesRead {
    std::vector<TXYDataList> More;     // in the options' order
    std::vector<MissingValue> Missing; // in line order, then column order
    std::vector<std::string> Names;    // each column's header, or empty
    BesideColumn Velocity;
    BesideColumn Duration;
    // With rows grouped into series: the group of each record the first
    // column took (in read order), and each group's value in order of
    // first appearance; set when a further group was found than a piece
    // holds series.
    std::vector<std::uint8_t> Groups;
    std::vector<std::string> GroupNames;
    bool TooManyGroups = false;
    // Rows the filter left out.
    std::uint64_t Filtered = 0;
};

// The text in a column of a line (as a skipped line keeps it), when the
// line may be that column's header: the nearest such line with text above
// a column's first record names it. Empty when the line has no such field.
std::string_view HeaderField(std::string_view raw, int column, const ImportOptions& options,
                             std::vector<fields::Field>& found);

// The skipped lines and the missing values as one tab-separated table: with
// no missing value exactly SkippedLinesTsv; with some, a fourth column
// ("column" or "列") that names the series' column of a missing value and is
// empty for a skipped line, rows in line order.
std::string ReportTsv(const SkippedLines& lines, const std::vector<MissingValue>& missing, bool words,
                      Language language = Language::Japanese);

} // namespace varimel
