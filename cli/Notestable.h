// SPDX-License-Identifier: MIT
// The renderer's value-to-note table: one row per note in time order, with
// the shape's velocity and length, each series' label and, for dates, the
// date X stands for.
#pragma once

#include "data/Csvload.h"
#include "music/Cues.h"
#include "music/Mapping.h"
#include "music/Series.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace varimel::cli {

// The table of one series: notes belong to the records from first on; with
// dates, each row ends with its X as a date.
std::string NotesTable(const TXYDataList& data, const MappingRequest& request, const std::vector<NoteSpan>& notes,
                       std::size_t first, bool dates, std::string_view series = {}, bool header = true);

// How the table names each series of a load: its Y column, or with groups
// the group's value.
std::vector<std::string> SeriesLabels(const CsvLoad& load);

// The table of several series: every note of every series in time order
// (series by series at one tick), with the series' label at the end. With
// cues (the piece's, of which the part from shift for end ticks is written)
// their sounds are rows too, and a last column names each row's kind.
std::string SeriesNotesTable(const std::vector<SeriesTrack>& tracks, const std::vector<std::string>& labels,
                             const MappingRequest& request, bool several, bool dates,
                             const std::vector<std::vector<NoteSpan>>& notes, const std::vector<std::size_t>& firsts,
                             const std::vector<CueTrack>* cues = nullptr, std::uint32_t shift = 0,
                             std::uint32_t end = 0);

} // namespace varimel::cli
