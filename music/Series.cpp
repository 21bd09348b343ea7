// SPDX-License-Identifier: MIT
#include "Series.h"

#include "Selection.h"
#include "Shape.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace varimel {

std::string SeriesTrackName(const SeriesTrack& series, std::size_t index)
{
    if (!series.Name.empty())
        return series.Name;
    return index == 0 ? std::string("Melody") : "Melody " + std::to_string(index + 1);
}

std::vector<SeriesTrack> TracksOf(const TXYDataList& first, const std::vector<TXYDataList>& more,
                                  const MappingRequest& request, const std::vector<std::string>& names,
                                  const BesideColumn* velocity, const BesideColumn* duration)
{
    const auto beside = [](const BesideColumn* column, std::size_t k) {
        return column ? BesideOf(*column, k) : SeriesBeside{};
    };
    // One series alone keeps the plain track name, as the plain road writes it.
    std::vector<SeriesTrack> tracks;
    tracks.push_back({&first, request.Program, names.empty() || more.empty() ? std::string() : names[0],
                      beside(velocity, 0), beside(duration, 0)});
    for (std::size_t k = 0; k < more.size(); ++k)
        tracks.push_back({&more[k], k < request.MorePrograms.size() ? request.MorePrograms[k] : request.Program,
                          k + 1 < names.size() ? names[k + 1] : std::string(), beside(velocity, k + 1),
                          beside(duration, k + 1)});
    return tracks;
}

std::optional<SeriesFrames> FramesOf(const std::vector<SeriesTrack>& series, const MappingRequest& request)
{
    const MappingShape& shape = request.Shape;
    SeriesFrames frames;
    frames.LogY = shape.LogY;
    frames.Invert = shape.Invert;
    std::vector<const TXYDataList*> lists;
    std::size_t total = 0;
    for (const SeriesTrack& s : series) {
        lists.push_back(s.Data);
        total += s.Data ? static_cast<std::size_t>(s.Data->Count()) : 0;
    }
    const std::optional<XSelection> span = XSpanOf(lists);
    if (!span)
        return std::nullopt;
    // A legend before the piece takes a beat per series: the piece's ticks
    // count from that much X before its first X.
    const double lead = request.Cues.Legend ? static_cast<double>(series.size()) * request.DxPQN : 0.0;
    TXYDataList ends;
    ends.Add({span->From - lead, 0.0});
    ends.Add({span->To, 0.0});
    const std::optional<std::uint32_t> end = PieceEndTick(ends, request.DxPQN);
    if (!end)
        return std::nullopt;
    // Every line's X once, in order: each series is sorted already, so one
    // pass over their heads takes the smallest X, once. Series that miss no
    // value share their Xs: a note then lasts to its own series' next X, and
    // no list of the lines is needed.
    std::vector<std::pair<const XYData*, const XYData*>> heads;
    for (const SeriesTrack& s : series)
        if (s.Data && !s.Data->Empty())
            heads.emplace_back(s.Data->begin(), s.Data->end());
    const auto sameXs = [&](const std::pair<const XYData*, const XYData*>& other) {
        return other.second - other.first == heads[0].second - heads[0].first &&
               std::equal(other.first, other.second, heads[0].first,
                          [](const XYData& a, const XYData& b) { return a.X == b.X; });
    };
    if (std::all_of(heads.begin() + 1, heads.end(), sameXs))
        heads.clear();
    else
        frames.LineXs.reserve(total);
    while (!heads.empty()) {
        double next = std::numeric_limits<double>::infinity();
        for (const auto& [at, stop] : heads)
            if (at != stop)
                next = std::min(next, at->X);
        if (next == std::numeric_limits<double>::infinity())
            break;
        frames.LineXs.push_back(next);
        for (auto& [at, stop] : heads)
            while (at != stop && at->X == next)
                ++at;
    }
    frames.OriginX = span->From - lead;
    frames.End = *end;

    // The ranges, in the mapping's scale: each series' own, or one over all.
    std::vector<const TXYDataList*> all;
    for (const SeriesTrack& s : series)
        if (s.Data && !s.Data->Empty())
            all.push_back(s.Data);
    std::optional<std::pair<double, double>> common;
    const auto velocity = static_cast<std::uint8_t>(ClampTo(request.Velocity, kMinVelocity, kMaxVelocity));
    for (const SeriesTrack& s : series) {
        const bool own = !request.SharedRange && s.Data && !s.Data->Empty();
        if (!own && !common)
            common = ShapedRange(shape, all);
        frames.Ranges.push_back(own ? ShapedRange(shape, {s.Data}) : *common);
        const TXYDataList empty;
        const TXYDataList& records = s.Data ? *s.Data : empty;
        std::vector<std::uint8_t> velocities = shape.VelocityColumn > 0
                                                   ? VelocitiesBeside(records, s.Velocity, shape, velocity)
                                                   : std::vector<std::uint8_t>();
        // A value at or below the series' threshold is a rest: velocity 0.
        const double restBelow = shape.RestBelowOf(frames.Velocities.size());
        const auto count = static_cast<std::size_t>(records.Count());
        for (std::size_t i = 0; i < count; ++i)
            if (records[i].Y <= restBelow) {
                if (velocities.empty())
                    velocities.assign(count, velocity);
                velocities[i] = 0;
            }
        frames.Velocities.push_back(std::move(velocities));
        frames.Shares.push_back(shape.DurationColumn > 0 ? SharesBeside(records, s.Duration, shape, request.Duration)
                                                         : std::vector<double>());
    }
    return frames;
}

std::vector<std::vector<NoteSpan>> SeriesNotes(const std::vector<SeriesTrack>& series, const MappingRequest& request,
                                               const std::optional<SeriesFrames>& frames)
{
    std::vector<std::vector<NoteSpan>> notes(series.size());
    if (!frames)
        return notes;
    for (std::size_t i = 0; i < series.size(); ++i)
        if (series[i].Data && !series[i].Data->Empty()) {
            const SeriesFrame frame = frames->Frame(i);
            notes[i] = MappedNotes(series[i].Data, request, &frame);
        }
    return notes;
}

ShapePreview PreviewShape(const TXYDataList& data, const MappingRequest& request)
{
    ShapePreview preview;
    TXYDataList usable;
    for (const XYData& r : data)
        if (!request.Shape.LogY || r.Y > 0.0)
            usable.Add(r);
    const std::optional<SeriesFrames> frames = FramesOf(TracksOf(usable, {}, request, {}), request);
    if (!frames)
        return preview;
    const SeriesFrame frame = frames->Frame(0);
    const std::vector<NoteSpan> notes = MappedNotes(&usable, request, &frame);
    if (notes.empty())
        return preview;
    const auto [low, high] = std::minmax_element(notes.begin(), notes.end(),
                                                 [](const NoteSpan& a, const NoteSpan& b) { return a.Key < b.Key; });
    preview.LowKey = low->Key;
    preview.HighKey = high->Key;
    preview.Notes = notes.size();
    const auto [minY, maxY] = frames->Ranges.front();
    for (const XYData& r : usable) {
        const double y = ShapedY(request.Shape, r.Y);
        preview.AtEnds += y < minY || y > maxY;
    }
    return preview;
}

SeriesPart SelectedSeries(const std::vector<SeriesTrack>& series, const MappingRequest& request,
                          const std::vector<std::vector<NoteSpan>>& whole, const XSelection& selection)
{
    SeriesPart part;
    part.Notes.resize(series.size());
    part.First.resize(series.size());
    double firstX = std::numeric_limits<double>::infinity();
    double lastX = -firstX;
    std::uint32_t shift = std::numeric_limits<std::uint32_t>::max();
    std::vector<std::pair<std::size_t, std::size_t>> ranges(series.size());
    for (std::size_t k = 0; k < series.size(); ++k) {
        const TXYDataList* data = series[k].Data;
        if (!data || data->Empty() || whole[k].size() != static_cast<std::size_t>(data->Count()))
            continue;
        ranges[k] = RecordsIn(*data, selection);
        const auto [first, last] = ranges[k];
        if (first >= last)
            continue;
        firstX = std::min(firstX, (*data)[first].X);
        lastX = std::max(lastX, (*data)[last - 1].X);
        shift = std::min(shift, whole[k][first].Start);
    }
    if (shift == std::numeric_limits<std::uint32_t>::max())
        return part;
    part.Shift = shift;
    std::uint32_t lastEnd = 0;
    for (std::size_t k = 0; k < series.size(); ++k) {
        const auto [first, last] = ranges[k];
        part.First[k] = first;
        for (std::size_t i = first; i < last; ++i) {
            NoteSpan n = whole[k][i];
            n.Start -= shift;
            n.End -= shift;
            lastEnd = std::max(lastEnd, n.End);
            part.Notes[k].push_back(n);
        }
        part.Count += static_cast<std::size_t>(
            std::count_if(part.Notes[k].begin(), part.Notes[k].end(), [](const NoteSpan& n) { return !IsRest(n); }));
    }
    TXYDataList ends;
    ends.Add({firstX, 0.0});
    ends.Add({lastX, 0.0});
    part.End = std::max(PieceEndTick(ends, request.DxPQN).value_or(0), lastEnd);
    return part;
}

} // namespace varimel
