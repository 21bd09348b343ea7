// SPDX-License-Identifier: MIT
// What the plot of a piece shows, without any drawing: the band of Y each
// note of the scale takes (from the mapping's own rule), and the data thinned
// to what a row of pixel columns can show.
#pragma once

#include "Mapping.h"
#include "data/Xydata.h"

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
    // The bands of a series mapped over its frame's range: in the frame's
    // scale (log10 with LogY) cut into equal steps, turned back into Y as the
    // data has it, still from the lowest Y up; upside down the lowest band
    // holds the highest note. Values beyond the range take the end bands.
    TNoteBands(const SeriesFrame& frame, const MappingRequest& request);
    const std::vector<NoteBand>& Bands() const { return bands_; }
    // The band a Y value falls in, by the mapping's own rule (an index into
    // Bands()); -1 when there are none (or a logarithm cannot take y).
    int BandOf(double y) const
    {
        if (bands_.empty())
            return -1;
        if (!framed_)
            return ScalePositionOf(y, minY_, maxY_, yRange_, static_cast<int>(bands_.size()));
        return FramedBandOf(y);
    }

private:
    int FramedBandOf(double y) const;

    std::vector<NoteBand> bands_;
    double minY_ = 0.0; // in the mapping's scale
    double maxY_ = 0.0;
    long double yRange_ = 0.0L;
    bool framed_ = false;
    bool logY_ = false;
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

// The X a tick of the piece stands for: the first record's X plus the tick's
// share of the X increment per quarter note.
double XOfTick(double firstX, double DxPQN, double tick);

// A note of the melody as the plot draws it: from its record's X to the X its
// length reaches, in the band of its record's Y.
struct PlotNote {
    double X0 = 0.0;
    double X1 = 0.0;
    int Band = -1;     // -1: no band (a rest has none)
    bool Rest = false; // the record is silent
};

// The plot's notes of a piece whose notes (one per record, as MappedNotes
// gives them) are notes; none when they do not match the records.
std::vector<PlotNote> PlotNotes(const TXYDataList& data, const std::vector<NoteSpan>& notes, const TNoteBands& bands,
                                double DxPQN);

// A labelled place on an axis.
struct AxisTick {
    double Value = 0.0;
    std::string Label;
};

// At most maxCount ticks between lo and hi at round values (1, 2 or 5 times
// a power of ten), labelled with the digits their step needs.
std::vector<AxisTick> NumberTicks(double lo, double hi, int maxCount);
// The same for a logarithmic axis of positive values: at powers of ten
// (every few of them when many decades are shown; with 2 and 5 times them
// when few are), or at round values when the range spans less than a decade.
std::vector<AxisTick> LogTicks(double lo, double hi, int maxCount);
// The same for X as days since 1970-01-01: at whole hours, days, weeks,
// months or years, labelled "2024-01-05 06:00", "2024-01-05", "2024-03" or
// "2024".
std::vector<AxisTick> DateTicks(double lo, double hi, int maxCount);

} // namespace varimel
