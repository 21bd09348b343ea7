// SPDX-License-Identifier: MIT
// What the plot of a piece shows, without any drawing: the band of Y each
// note of the scale takes (from the mapping's own rule), and the data thinned
// to what a row of pixel columns can show.
#pragma once

#include "Mapping.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varimel {

// The Y values from Low (inclusive) to High that become one note: High is
// the next band's Low, or the data's maximum for the top band.
struct NoteBand {
    double Low = 0.0;
    double High = 0.0;
    std::uint8_t Key = 0; // the note of the scale position (its ascending form)
    std::string Name;     // "C4"
};

// The note bands of a request over a list's Y range: one per scale
// position, from the lowest up; none without data or with a setting out of
// its range. Made once per list and request, asked for every value.
class TNoteBands {
public:
    TNoteBands(const TXYDataList& data, const MappingRequest& request);
    const std::vector<NoteBand>& Bands() const { return bands_; }
    // The band a Y value falls in, by the mapping's own rule (an index into
    // Bands()); -1 when there are none.
    int BandOf(double y) const
    {
        return bands_.empty() ? -1 : ScalePositionOf(y, minY_, maxY_, yRange_, static_cast<int>(bands_.size()));
    }

private:
    std::vector<NoteBand> bands_;
    double minY_ = 0.0;
    double maxY_ = 0.0;
    long double yRange_ = 0.0L;
};

// The records that fall into one pixel column: their lowest and highest Y,
// the first and last Y (to join the line to the next column), their count.
struct PlotColumn {
    double MinY = 0.0;
    double MaxY = 0.0;
    double FirstY = 0.0;
    double LastY = 0.0;
    std::size_t Count = 0;
};

// The sorted data between x0 and x1 cut into width columns of equal X: what
// a line through every record would show at that width, in one pass.
std::vector<PlotColumn> PlotColumns(const TXYDataList& data, double x0, double x1, int width);

} // namespace varimel
