// SPDX-License-Identifier: MIT
// A CSV file read whole: every Y column and the columns beside the notes in
// one pass (a large file by two readers, one per half), refused before it
// is read when it would not fit the memory at hand, sorted and summarised.
#pragma once

#include "Csvreader.h"

#include <optional>
#include <string>
#include <vector>

namespace varimel {

// Why a load failed when the file became shorter while it was read.
inline constexpr char kReasonFileChanged[] = "the file changed while it was read";

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
};

// Reads the file at path. Empty when the file cannot be opened or read, or
// is too large for the memory available; reason, when given, then says why.
std::optional<CsvLoad> LoadCsv(const std::string& path, std::string* reason = nullptr,
                               const ImportOptions& options = {}, const LoadBudget& budget = {});

} // namespace varimel
