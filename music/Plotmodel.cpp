// SPDX-License-Identifier: MIT
#include "Plotmodel.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace varimel {

namespace {

// The notes of the request's scale between its tones; 0 positions when a
// setting is out of its range.
int Positions(const MappingRequest& r, ScaleNoteSet& set)
{
    if (!RequestInRange(r, false))
        return 0;
    return BuildNoteSet(set, r.Scale, static_cast<std::uint8_t>(r.Tonic), MidiNoteOfTone(r.LowTone),
                        MidiNoteOfTone(r.HighTone));
}

} // namespace

TNoteBands::TNoteBands(const TXYDataList& data, const MappingRequest& request)
{
    ScaleNoteSet set;
    const int n = Positions(request, set);
    if (data.Empty() || n <= 0)
        return;
    std::tie(minY_, maxY_) = data.YBounds();
    yRange_ = static_cast<long double>(maxY_) - minY_;
    for (int p = 0; p < n; ++p) {
        NoteBand band;
        band.Low = ScalePositionEdge(p, minY_, maxY_, n);
        band.High = p + 1 < n ? ScalePositionEdge(p + 1, minY_, maxY_, n) : maxY_;
        band.Key = set.Ascending[static_cast<std::size_t>(p)];
        if (band.Key >= kLowestTone && band.Key <= kHighestTone)
            band.Name = ToneLabel(ToneOfMidiNote(band.Key));
        bands_.push_back(std::move(band));
    }
}

std::vector<PlotColumn> PlotColumns(const TXYDataList& data, double x0, double x1, int width)
{
    std::vector<PlotColumn> columns(static_cast<std::size_t>(std::max(0, width)));
    if (width <= 0 || !(x1 > x0))
        return columns;
    const XYData* first =
        std::lower_bound(data.begin(), data.end(), x0, [](const XYData& r, double x) { return r.X < x; });
    const XYData* last = std::upper_bound(first, data.end(), x1, [](double x, const XYData& r) { return x < r.X; });
    const double perColumn = static_cast<double>(width) / (x1 - x0);
    for (const XYData* r = first; r != last; ++r) {
        const auto c = std::min<std::size_t>(static_cast<std::size_t>((r->X - x0) * perColumn),
                                             static_cast<std::size_t>(width - 1));
        PlotColumn& column = columns[c];
        if (column.Count == 0) {
            column.MinY = column.MaxY = column.FirstY = r->Y;
        } else {
            column.MinY = std::min(column.MinY, r->Y);
            column.MaxY = std::max(column.MaxY, r->Y);
        }
        column.LastY = r->Y;
        ++column.Count;
    }
    return columns;
}

} // namespace varimel
