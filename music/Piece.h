// SPDX-License-Identifier: MIT
// What a command writes and plays, chosen once for the window and the
// renderer alike: the whole piece or a part of X, of one series or several,
// plain or shaped, with its notes, its length and where it starts.
#pragma once

#include "Mapping.h"
#include "Selection.h"
#include "Series.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varimel {

class TPiece {
public:
    // series: the tracks of the series road (several series or a shape),
    // empty for the plain piece of data; part: the part of X, if any.
    TPiece(const TXYDataList* data, std::vector<SeriesTrack> series, const MappingRequest& request,
           std::optional<XSelection> part);

    // Writes the piece as a Standard MIDI File, put in place by ReplaceFile.
    bool Write(const std::string& path, std::string* reason = nullptr) const;
    std::uint32_t End() const { return end_; }
    // The whole piece's tick the piece starts at (a part's first note).
    std::uint32_t Shift() const { return shift_; }
    // Each track's notes as written, and the index of each track's first
    // record among its series' records; worked out when first asked for.
    const std::vector<std::vector<NoteSpan>>& Notes() const;
    const std::vector<std::size_t>& First() const;
    // Every note of every track in one list.
    std::vector<NoteSpan> AllNotes() const;
    std::size_t Count() const;

private:
    const TXYDataList* data_;
    std::vector<SeriesTrack> series_;
    MappingRequest request_;
    bool part_ = false;
    std::uint32_t end_ = 0;
    std::uint32_t shift_ = 0;
    mutable std::optional<std::vector<std::vector<NoteSpan>>> notes_;
    std::vector<std::size_t> first_;
};

} // namespace varimel
