// SPDX-License-Identifier: MIT
// What a command writes and plays, chosen once for the window and the
// renderer alike: the whole piece or a part of X, of one series or several,
// plain or shaped, with its notes, its length and where it starts.
#pragma once

#include "Cues.h"
#include "Mapping.h"
#include "Selection.h"
#include "Series.h"
#include "data/Csvload.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varimel {

// The X from the first to the last record of every series of a load; none
// when no series has a record.
std::optional<XSelection> XSpanOf(const CsvLoad& load);

class TPiece {
public:
    // The piece of a load: the road (one series plain, or every series and
    // the shape through the series road) is chosen here, once, for the
    // window's commands, its plot and the renderer alike.
    static TPiece Of(const CsvLoad& load, const MappingRequest& request, std::optional<XSelection> part);

    // series: the tracks of the series road (several series or a shape),
    // empty for the plain piece of data; part: the part of X, if any.
    TPiece(const TXYDataList* data, std::vector<SeriesTrack> series, const MappingRequest& request,
           std::optional<XSelection> part);

    // Writes the piece as a Standard MIDI File, put in place by ReplaceFile.
    bool Write(const std::string& path, std::string* reason = nullptr) const;
    std::uint32_t End() const { return end_; }
    // The piece's length in seconds at the request's tempo.
    double Seconds() const;
    // The X the whole piece's tick 0 stands for: the first X of every series.
    double OriginX() const { return originX_; }
    // The tracks of the series road; empty for the plain piece.
    const std::vector<SeriesTrack>& Series() const { return series_; }
    // Where the series sit on the series road (their ranges as mapped);
    // none for the plain piece.
    const std::optional<SeriesFrames>& Frames() const { return frames_; }
    // The whole piece's tick the piece starts at (a part's first note).
    std::uint32_t Shift() const { return shift_; }
    // Each track's notes as written, and the index of each track's first
    // record among its series' records; worked out when first asked for.
    const std::vector<std::vector<NoteSpan>>& Notes() const;
    const std::vector<std::size_t>& First() const;
    // Every note of every track in one list.
    std::vector<NoteSpan> AllNotes() const;
    std::size_t Count() const;
    // The cue tracks of the piece, whole (a file holds the part's share of
    // them); none asked for: empty. A choice of cues the piece cannot take
    // is refused: the piece then writes nothing.
    const std::vector<CueTrack>& Cues() const { return cues_; }
    const std::optional<CueRefusal>& CueProblem() const { return cueProblem_; }

private:
    void MakeCues();

    const TXYDataList* data_;
    std::vector<SeriesTrack> series_;
    MappingRequest request_;
    bool part_ = false;
    std::uint32_t end_ = 0;
    std::uint32_t shift_ = 0;
    double originX_ = 0.0;
    std::optional<SeriesFrames> frames_; // of the whole piece, on the series road
    mutable std::optional<std::vector<std::vector<NoteSpan>>> notes_;
    std::vector<std::size_t> first_;
    std::optional<XSelection> partX_;
    std::vector<CueTrack> cues_;
    std::optional<CueRefusal> cueProblem_;
};

} // namespace varimel
