// SPDX-License-Identifier: MIT
// A piece of several series: one melody track per series after the
// conductor track, each on its own channel (the percussion channel left out)
// with its own instrument, all on one time line.
#pragma once

#include "Mapping.h"
#include "data/Series.h"
#include "data/Xydata.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace varimel {

// One series of a piece: its records, its instrument and its header.
struct SeriesTrack {
    const TXYDataList* Data = nullptr;
    int Program = 0;
    std::string Name; // the column's header; empty: "Melody", "Melody 2", ...
};

// The series of a load: the first list with the request's program, then
// each further list with its program from the request's list (the first's
// when the list is short), each with its name if names has one.
std::vector<SeriesTrack> TracksOf(const TXYDataList& first, const std::vector<TXYDataList>& more,
                                  const MappingRequest& request, const std::vector<std::string>& names);

// The channel of the series at index (0-based): 0..8, then 10..15, so that
// channel 10 of the people who count from 1 stays for percussion.
constexpr std::uint8_t SeriesChannel(std::size_t index)
{
    return static_cast<std::uint8_t>(index < 9 ? index : index + 1);
}

// The track name of the series at index.
std::string SeriesTrackName(const SeriesTrack& series, std::size_t index);

// Where the series sit together: the X of every line that gives any of them
// a value, the common origin and end, and each one's Y range (its own, or
// one over all with shared). Empty when no series has a record or the piece
// would not fit 32-bit ticks.
struct SeriesFrames {
    std::vector<double> LineXs;
    double OriginX = 0.0;
    std::uint32_t End = 0;
    std::vector<std::pair<double, double>> Ranges; // each series' Y range

    // The frame of the series at index, pointing into these frames.
    SeriesFrame Frame(std::size_t index) const
    {
        return {OriginX, &LineXs, End, Ranges[index].first, Ranges[index].second};
    }
};
std::optional<SeriesFrames> FramesOf(const std::vector<SeriesTrack>& series, double DxPQN, bool shared);

// Each series' notes as the file holds them (in record order).
std::vector<std::vector<NoteSpan>> SeriesNotes(const std::vector<SeriesTrack>& series, const MappingRequest& request);

// Writes the series as a Standard MIDI File of 1 + n tracks, put in place by
// ReplaceFile; the request's Program is ignored for the series' own.
bool BuildSeriesSmf(const std::vector<SeriesTrack>& series, const MappingRequest& request, const std::string& fileName,
                    std::string* reason = nullptr);

} // namespace varimel
