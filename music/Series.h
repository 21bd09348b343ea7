// SPDX-License-Identifier: MIT
// A piece of several series: one melody track per series after the
// conductor track, each on its own channel (the percussion channel left out)
// with its own instrument, all on one time line.
#pragma once

#include "Mapping.h"
#include "Selection.h"
#include "Shape.h"
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
    // The shape's columns of velocity and length, a value per record (none:
    // fixed).
    SeriesBeside Velocity{};
    SeriesBeside Duration{};
};

// The series of a load: the first list with the request's program, then
// each further list with its program from the request's list (the first's
// when the list is short), each with its name if names has one.
std::vector<SeriesTrack> TracksOf(const TXYDataList& first, const std::vector<TXYDataList>& more,
                                  const MappingRequest& request, const std::vector<std::string>& names,
                                  const BesideColumn* velocity = nullptr, const BesideColumn* duration = nullptr);

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
    std::vector<double> LineXs; // empty when every series has a value on every line
    double OriginX = 0.0;
    std::uint32_t End = 0;
    std::vector<std::pair<double, double>> Ranges; // each series' Y range, in the mapping's scale
    bool LogY = false;
    bool Invert = false;
    std::vector<std::vector<std::uint8_t>> Velocities; // per series, per record; empty: fixed
    std::vector<std::vector<double>> Shares;

    // The frame of the series at index, pointing into these frames.
    SeriesFrame Frame(std::size_t index) const
    {
        return {OriginX,
                LineXs.empty() ? nullptr : &LineXs,
                End,
                Ranges[index].first,
                Ranges[index].second,
                LogY,
                Invert,
                Velocities[index].empty() ? nullptr : &Velocities[index],
                Shares[index].empty() ? nullptr : &Shares[index]};
    }
};
// With the request's shape: the Y ranges in its scale (log10), clipped at its
// percentiles or fixed, and each record's velocity and share of the gap from
// the shape's columns (a record without a value there keeps the request's).
std::optional<SeriesFrames> FramesOf(const std::vector<SeriesTrack>& series, const MappingRequest& request);

// What a shape makes of a series, for a one-line preview: its lowest and
// highest key, its notes, and how many of its values lie beyond the range
// (so take an end note). Values a logarithm cannot take are left out.
struct ShapePreview {
    int LowKey = 0;
    int HighKey = 0;
    std::size_t Notes = 0;
    std::size_t AtEnds = 0;
};
ShapePreview PreviewShape(const TXYDataList& data, const MappingRequest& request);

// The part of every series inside a selection, on one time line: each
// series' notes as the whole piece has them (First: the index of its first
// selected record), all moved by one shift (the earliest of their starts),
// ending a quarter after the last selected record rounded up to a bar, or
// with the last note.
struct SeriesPart {
    std::vector<std::vector<NoteSpan>> Notes;
    std::vector<std::size_t> First;
    std::uint32_t Shift = 0;
    std::uint32_t End = 0;
    std::size_t Count = 0; // notes in all series
};
// whole: every series' notes as SeriesNotes gives them.
SeriesPart SelectedSeries(const std::vector<SeriesTrack>& series, const MappingRequest& request,
                          const std::vector<std::vector<NoteSpan>>& whole, const XSelection& selection);

// A request with several series or a shape is built through the series road.
inline bool NeedsSeriesRoad(const MappingRequest& request, std::size_t seriesCount)
{
    return seriesCount > 1 || !request.Shape.IsDefault() || request.Cues.Any();
}

// Each series' notes as the file holds them (in record order), in the
// frames FramesOf gave for them (none: no notes).
std::vector<std::vector<NoteSpan>> SeriesNotes(const std::vector<SeriesTrack>& series, const MappingRequest& request,
                                               const std::optional<SeriesFrames>& frames);

} // namespace varimel
