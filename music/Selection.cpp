// SPDX-License-Identifier: MIT
#include "Selection.h"

#include "Series.h"

#include <algorithm>

namespace varimel {

std::optional<XSelection> XSpanOf(std::span<const TXYDataList* const> lists)
{
    std::optional<XSelection> span;
    for (const TXYDataList* list : lists) {
        if (!list || list->Empty())
            continue;
        if (!span)
            span = XSelection{list->First().X, list->Last().X};
        span->From = std::min(span->From, list->First().X);
        span->To = std::max(span->To, list->Last().X);
    }
    return span;
}

std::pair<std::size_t, std::size_t> RecordsIn(const TXYDataList& data, const XSelection& selection)
{
    const XYData* begin = data.begin();
    const XYData* end = data.end();
    const XYData* first =
        std::lower_bound(begin, end, selection.From, [](const XYData& r, double x) { return r.X < x; });
    const XYData* last = std::upper_bound(first, end, selection.To, [](double x, const XYData& r) { return x < r.X; });
    return {static_cast<std::size_t>(first - begin), static_cast<std::size_t>(last - begin)};
}

PartExtent ExtentOf(const std::vector<NoteSpan>& whole, const TXYDataList& data, double DxPQN,
                    const XSelection& selection)
{
    PartExtent extent;
    if (whole.size() != static_cast<std::size_t>(data.Count()))
        return extent;
    const auto [first, last] = RecordsIn(data, selection);
    if (first >= last)
        return extent;
    extent.First = first;
    extent.Count = last - first;
    extent.Shift = whole[first].Start;
    std::uint32_t lastEnd = 0;
    for (std::size_t i = first; i < last; ++i)
        lastEnd = std::max(lastEnd, whole[i].End - extent.Shift);
    TXYDataList ends;
    ends.Add(data[first]);
    ends.Add(data[last - 1]);
    extent.End = std::max(PieceEndTick(ends, DxPQN).value_or(0), lastEnd);
    return extent;
}

SelectedPart PartOf(const std::vector<NoteSpan>& whole, const TXYDataList& data, double DxPQN,
                    const XSelection& selection)
{
    const PartExtent extent = ExtentOf(whole, data, DxPQN, selection);
    SelectedPart part;
    if (extent.Count == 0)
        return part;
    const auto first = whole.begin() + static_cast<std::ptrdiff_t>(extent.First);
    part.Notes.assign(first, first + static_cast<std::ptrdiff_t>(extent.Count));
    for (NoteSpan& n : part.Notes) {
        n.Start -= extent.Shift;
        n.End -= extent.Shift;
    }
    part.End = extent.End;
    part.Shift = extent.Shift;
    return part;
}

SelectedPart SelectedNotes(const TXYDataList* data, const MappingRequest& request, const XSelection& selection)
{
    if (!data || data->Empty())
        return {};
    if (const auto [first, last] = RecordsIn(*data, selection); first >= last)
        return {};
    // The whole piece, so that every key and length is the one it has there
    // (the Y range and the descending forms depend on all the data).
    if (request.Shape.IsDefault())
        return PartOf(MappedNotes(data, request), *data, request.DxPQN, selection);
    const std::vector<SeriesTrack> tracks = TracksOf(*data, {}, request, {});
    return PartOf(SeriesNotes(tracks, request, FramesOf(tracks, request)).front(), *data, request.DxPQN, selection);
}

} // namespace varimel
