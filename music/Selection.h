// SPDX-License-Identifier: MIT
// A part of the piece chosen by X: the records inside it, the notes the whole
// piece gives them (same keys, same lengths, the mapping over all the data),
// moved to start with the first of them, and that part as a file.
#pragma once

#include "Mapping.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace varimel {

// The records with From <= X <= To.
struct XSelection {
    double From = 0.0;
    double To = 0.0;
};

// The records of a sorted list inside the selection, as [first, last);
// first == last when there is none.
std::pair<std::size_t, std::size_t> RecordsIn(const TXYDataList& data, const XSelection& selection);

// The notes of the selected records as the whole piece has them, in record
// order, moved so that the first starts at tick 0; end receives the tick the
// part ends at (a quarter note after its last record, rounded up to a bar,
// and never before its last note ends). Empty when nothing is selected or the
// piece would not be built.
std::vector<NoteSpan> SelectedNotes(const TXYDataList* data, const MappingRequest& request, const XSelection& selection,
                                    std::uint32_t& end);

// Writes a part's notes (from SelectedNotes, ending at end) as a two-track
// Standard MIDI File, with the same tracks, names and settings as the whole
// piece; put in place by ReplaceFile. No notes is a failure.
bool BuildSelectedSmf(const std::vector<NoteSpan>& notes, std::uint32_t end, const MappingRequest& request,
                      const std::string& fileName, std::string* reason = nullptr);

} // namespace varimel
