// SPDX-License-Identifier: MIT
// A reading proposed for a file the chosen one reads little of: the first
// lines are looked at (as spreadsheet and data tools sniff a table) for the
// field separator, the decimal mark, a column of dates or numbers for X and
// the first column of numbers for Y. Only a proposal: nothing is read with
// it unless the user takes it.
#pragma once

#include "Importer.h"
#include "Language.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace varimel {

// Looked at: at most this much of a file's start, whole lines only.
inline constexpr std::size_t kSniffBytes = std::size_t{64} << 10;

struct ReadingProposal {
    ImportOptions Options;     // the reading proposed (the current one's further choices kept)
    std::size_t Records = 0;   // lines of the sample it reads
    bool OrderGuessed = false; // day-first dates could be read either way: the order was guessed
    double Fit = 0.0;          // the share of the columns that hold dates or numbers
};

// A reading that reads more of the sample (the start of a file) than
// current does, and most of its lines; none when there is no such reading.
std::optional<ReadingProposal> ProposeReading(std::string_view sample, const ImportOptions& current);

// The same for the start of the regular file at path (anything else, or a
// file that cannot be read, gives none).
std::optional<ReadingProposal> ProposeReadingOfFile(const std::string& path, const ImportOptions& current);

// What the proposal found, as a question for the window: "1列目は日付のよう
// です。読み込み設定を開きますか？" ("Column 1 looks like dates. Open the
// import settings?").
std::string DescribeProposal(const ReadingProposal& proposal, Language language = Language::Japanese);

// The renderer's options that read the file so: "--x-date --y-column 3".
std::string ProposalOptions(const ReadingProposal& proposal);

} // namespace varimel
