// SPDX-License-Identifier: MIT
// A part of the piece chosen by X: the records inside it, the notes the whole
// piece gives them (same keys, same lengths, the mapping over all the data),
// moved to start with the first of them.
#pragma once

#include "Mapping.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace varimel {

// The records with From <= X <= To.
struct XSelection {
    double From = 0.0;
    double To = 0.0;
};

// The X from the first to the last record over every list (empty lists and
// null pointers count for nothing); none when no list has a record. Where a
// piece of several series starts and ends in X.
std::optional<XSelection> XSpanOf(std::span<const TXYDataList* const> lists);

// The records of a sorted list inside the selection, as [first, last);
// first == last when there is none.
std::pair<std::size_t, std::size_t> RecordsIn(const TXYDataList& data, const XSelection& selection);

// A part of the piece: its notes moved so that the first starts at tick 0,
// the tick it ends at (a quarter note after its last record, rounded up to a
// bar, and never before its last note ends), and how far it was moved (the
// whole piece's tick of its first note).
struct SelectedPart {
    std::vector<NoteSpan> Notes;
    std::uint32_t End = 0;
    std::uint32_t Shift = 0;
};

// A part's place in the whole piece without its notes: how many, the tick of
// the first (Shift) and the part's length (End), as SelectedPart has them.
struct PartExtent {
    std::size_t First = 0; // the first record's index
    std::size_t Count = 0;
    std::uint32_t Shift = 0;
    std::uint32_t End = 0;
};
PartExtent ExtentOf(const std::vector<NoteSpan>& whole, const TXYDataList& data, double DxPQN,
                    const XSelection& selection);

// The part of a piece whose notes (whole, one per record of data, as
// MappedNotes gives them) start inside the selection; empty when nothing is
// selected.
SelectedPart PartOf(const std::vector<NoteSpan>& whole, const TXYDataList& data, double DxPQN,
                    const XSelection& selection);

// The notes of the selected records as the whole piece has them (same keys,
// same lengths); empty when nothing is selected or the piece would not be
// built.
SelectedPart SelectedNotes(const TXYDataList* data, const MappingRequest& request, const XSelection& selection);

} // namespace varimel
