// SPDX-License-Identifier: MIT
// Several Y columns of one file, each a series of its own: a line gives a
// value to every series whose column holds a number there; a series without
// one on a line that others have rests there. A line with no value for any
// series is skipped as with one column.
#pragma once

#include "Importer.h"
#include "Xydata.h"

#include <cstdint>
#include <string>
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

// The reading of every column, each as its own load would have it: lines
// (with their reasons) and records.
struct ColumnRead {
    int Column = 0;
    TXYDataList Data;
    SkippedLines Skips;
};

// The series of several column reads (the first is the first series):
// which lines no series has (kept as skipped lines, with the first read's
// reasons), which values a series misses, and each column's header.
struct SeriesSplit {
    SkippedLines Skips;
    std::vector<MissingValue> Missing; // in line order, then column order
    std::vector<std::string> Names;    // each column's header, or empty
};
SeriesSplit SplitSeries(const std::vector<const ColumnRead*>& reads, const ImportOptions& options);

// The header of a column: the text in that column of the nearest skipped
// line above its first record (skips as that column's read has them);
// empty when there is none.
std::string ColumnHeader(const SkippedLines& skips, int column, const ImportOptions& options);

// The skipped lines and the missing values as one tab-separated table: with
// no missing value exactly SkippedLinesTsv; with some, a fourth column
// ("column" or "列") that names the series' column of a missing value and is
// empty for a skipped line, rows in line order.
std::string ReportTsv(const SkippedLines& lines, const std::vector<MissingValue>& missing, bool words,
                      Language language = Language::Japanese);

} // namespace varimel
