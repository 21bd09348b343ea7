// SPDX-License-Identifier: MIT
#include "Series.h"

#include "Selection.h"

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
                                  const TXYDataList* velocity, const TXYDataList* duration)
{
    // One series alone keeps the plain track name, as the plain road writes it.
    std::vector<SeriesTrack> tracks;
    tracks.push_back(
        {&first, request.Program, names.empty() || more.empty() ? std::string() : names[0], velocity, duration});
    for (std::size_t k = 0; k < more.size(); ++k)
        tracks.push_back({&more[k], k < request.MorePrograms.size() ? request.MorePrograms[k] : request.Program,
                          k + 1 < names.size() ? names[k + 1] : std::string(), velocity, duration});
    return tracks;
}

double Percentile(const std::vector<double>& sorted, double percent)
{
    if (sorted.empty())
        return 0.0;
    const auto rank = static_cast<std::size_t>(std::ceil(percent / 100.0 * static_cast<double>(sorted.size())));
    return sorted[std::min(sorted.size(), std::max<std::size_t>(rank, 1)) - 1];
}

namespace {

// Each record's value from a column beside it, matched by X (the k-th record
// of an X with the k-th value there), mapped linearly from the column's own
// minimum and maximum onto low..high; records without one get fallback.
template <typename T> std::vector<T> ValuesBeside(const TXYDataList& records, const TXYDataList* column, double low,
                                                  double high, T fallback, bool round)
{
    std::vector<T> values(static_cast<std::size_t>(records.Count()), fallback);
    if (!column || column->Empty())
        return values;
    const std::pair<double, double> bounds = column->YBounds();
    const double minV = bounds.first, maxV = bounds.second;
    const auto scaled = [&](double v) {
        const double share = maxV > minV ? (v - minV) / (maxV - minV) : 0.5;
        const double value = low + share * (high - low);
        return static_cast<T>(round ? std::lround(value) : value);
    };
    std::size_t j = 0;
    for (std::size_t i = 0; i < values.size();) {
        const double x = records[i].X;
        while (j < static_cast<std::size_t>(column->Count()) && (*column)[j].X < x)
            ++j;
        std::size_t k = j;
        for (; i < values.size() && records[i].X == x; ++i)
            if (k < static_cast<std::size_t>(column->Count()) && (*column)[k].X == x)
                values[i] = scaled((*column)[k++].Y);
        j = k;
    }
    return values;
}

} // namespace

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
    TXYDataList ends;
    ends.Add({span->From, 0.0});
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
    frames.OriginX = span->From;
    frames.End = *end;

    // The ranges, in the mapping's scale: fixed, else the data's own (each
    // series' or all together), at the clip's percentiles.
    const auto scale = [&](double y) { return shape.LogY ? std::log10(y) : y; };
    const auto rangeOf = [&](const std::vector<const TXYDataList*>& lists) {
        if (shape.FixedRange)
            return std::pair(scale(shape.RangeLow), scale(shape.RangeHigh));
        if (shape.Clip > 0.0) {
            std::vector<double> values;
            for (const TXYDataList* list : lists)
                for (const XYData& r : *list)
                    values.push_back(scale(r.Y));
            std::sort(values.begin(), values.end());
            return std::pair(Percentile(values, shape.Clip), Percentile(values, 100.0 - shape.Clip));
        }
        double low = std::numeric_limits<double>::infinity(), high = -low;
        for (const TXYDataList* list : lists) {
            const auto [minY, maxY] = list->YBounds();
            low = std::min(low, scale(minY));
            high = std::max(high, scale(maxY));
        }
        return std::pair(low, high);
    };
    std::vector<const TXYDataList*> all;
    for (const SeriesTrack& s : series)
        if (s.Data && !s.Data->Empty())
            all.push_back(s.Data);
    std::optional<std::pair<double, double>> common;
    for (const SeriesTrack& s : series) {
        const bool own = !request.SharedRange && s.Data && !s.Data->Empty();
        if (!own && !common)
            common = rangeOf(all);
        frames.Ranges.push_back(own ? rangeOf({s.Data}) : *common);
        const TXYDataList empty;
        const TXYDataList& records = s.Data ? *s.Data : empty;
        frames.Velocities.push_back(
            shape.VelocityColumn > 0
                ? ValuesBeside<std::uint8_t>(
                      records, s.Velocity, shape.VelocityLow, shape.VelocityHigh,
                      static_cast<std::uint8_t>(ClampTo(request.Velocity, kMinVelocity, kMaxVelocity)), true)
                : std::vector<std::uint8_t>());
        frames.Shares.push_back(shape.DurationColumn > 0
                                    ? ValuesBeside<double>(records, s.Duration, shape.DurationLow, shape.DurationHigh,
                                                           request.Duration, false)
                                    : std::vector<double>());
    }
    return frames;
}

std::vector<std::vector<NoteSpan>> SeriesNotes(const std::vector<SeriesTrack>& series, const MappingRequest& request)
{
    std::vector<std::vector<NoteSpan>> notes(series.size());
    const std::optional<SeriesFrames> frames = FramesOf(series, request);
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
        const double y = request.Shape.LogY ? std::log10(r.Y) : r.Y;
        preview.AtEnds += y < minY || y > maxY;
    }
    return preview;
}

SeriesPart SelectedSeries(const std::vector<SeriesTrack>& series, const MappingRequest& request,
                          const XSelection& selection)
{
    SeriesPart part;
    const std::vector<std::vector<NoteSpan>> whole = SeriesNotes(series, request);
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
        part.Count += part.Notes[k].size();
    }
    TXYDataList ends;
    ends.Add({firstX, 0.0});
    ends.Add({lastX, 0.0});
    part.End = std::max(PieceEndTick(ends, request.DxPQN).value_or(0), lastEnd);
    return part;
}

} // namespace varimel
