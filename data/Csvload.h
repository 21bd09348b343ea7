// SPDX-License-Identifier: MIT
// A CSV file read whole: every Y column and the columns beside the notes in
// one pass (a large file by two readers, one per half), refused before it
// is read when it would not fit the memory at hand, sorted and summarised.
#pragma once

#include "Csvreader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varimel {

// Why a load failed when the file became shorter while it was read.
inline constexpr char kReasonFileChanged[] = "the file changed while it was read";
// Why a load grouped into series failed when the column held too many values.
inline constexpr char kReasonTooManyGroups[] = "more than 15 groups: a piece holds at most 15 series";

struct CsvLoad {
    TXYDataList Data;     // valid records, sorted
    bool Skipped = false; // at least one line was invalid (or, with several series, missed a value)
    CsvSummary Summary;
    SkippedLines Skips; // every invalid line, in file order
    ImportOptions Options;
    // With further Y columns: their series (sorted, in the options' order),
    // the values each series misses, and every series' header (the first's
    // too; empty when the column has none).
    std::vector<TXYDataList> More;
    std::vector<MissingValue> Missing;
    std::vector<std::string> Names;
    // The columns the mapping's shape takes velocity and length from, each
    // series' values in the order of its sorted records (none when not
    // asked for).
    BesideColumn Velocity;
    BesideColumn Duration;
    // Rows left out by the filters (not skipped).
    std::uint64_t Filtered = 0;

    // The Y column of the series at index: every series of groups reads
    // the one Y column.
    int ColumnOf(std::size_t index) const
    {
        return Options.SplitBy > 0 || index == 0 ? Options.YColumn : Options.MoreYColumns[index - 1];
    }
};

// Reads the file at path. Empty when the file cannot be opened or read, or
// is too large for the memory available; reason, when given, then says why.
std::optional<CsvLoad> LoadCsv(const std::string& path, std::string* reason = nullptr,
                               const ImportOptions& options = {}, const LoadBudget& budget = {});

} // namespace varimel
