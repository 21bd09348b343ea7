// SPDX-License-Identifier: MIT
// The shape of a mapping beyond the plain linear one: its checks and its
// words, what it asks of the reading, the Y range it maps over (log10,
// percentiles, a fixed range) and each note's velocity and length from the
// columns beside the notes.
#pragma once

#include "Request.h"
#include "data/Importer.h"
#include "data/Language.h"
#include "data/Series.h"
#include "data/Xydata.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varimel {

// The first choice of a shape that is out of its range, or None.
enum class ShapeField { None, Clip, Range, VelocityColumn, VelocityRange, DurationColumn, DurationRange, RestBelow };
ShapeField ShapeProblem(const MappingShape& shape, int maxColumn);

// The thresholds of rests as a list: "0", "0,-,5" ("-": none for that
// series); and back from such a list (blanks around items allowed; an empty
// text is none at all; none for anything else or more than 15 items).
std::string RestBelowText(const std::vector<double>& thresholds);
std::optional<std::vector<double>> RestBelowNamed(std::string_view text);

// The shape in words, for people: "反転 / 対数 / 外れ値 2% / ..."; empty for
// the default.
// In English: "inverted / log / outliers 2% / ...".
std::string DescribeShape(const MappingShape& shape, Language language = Language::Japanese);

// Whether the shape takes each note's velocity or length from a column: such
// values are matched over the whole piece.
constexpr bool TakesValueColumns(const MappingShape& shape)
{
    return shape.VelocityColumn > 0 || shape.DurationColumn > 0;
}

// The reading a shape needs: only positive Y for a logarithm, and its
// columns of velocity and length read beside the notes.
ImportOptions ReadingFor(const ImportOptions& options, const MappingShape& shape);

// Y in the scale the mapping uses: log10 with a logarithmic shape.
inline double ShapedY(const MappingShape& shape, double y) { return shape.LogY ? std::log10(y) : y; }

// The P-th percentile of values (sorted ascending) by nearest rank: the
// value at rank ceil(P/100 * n), the first for P = 0.
double Percentile(const std::vector<double>& sorted, double percent);

// The Y range the shape maps the lists over, in its scale: fixed, else the
// lists' own, all together, at the clip's percentiles.
std::pair<double, double> ShapedRange(const MappingShape& shape, const std::vector<const TXYDataList*>& lists);

// One series' values from a column beside the notes: a value for each of
// its records (NaN: its line has none there) and the lowest and highest
// value of the whole column.
struct SeriesBeside {
    const std::vector<double>* Values = nullptr;
    double Low = 0.0;
    double High = 0.0;
};
// The series at index of a column read beside the notes (none: not read).
SeriesBeside BesideOf(const BesideColumn& column, std::size_t index);

// Each record's velocity (rounded) or share of the gap from a column beside
// the notes, its value on the record's own line mapped linearly from the
// column's own minimum and maximum onto the shape's range; records without
// a value there keep fallback.
std::vector<std::uint8_t> VelocitiesBeside(const TXYDataList& records, const SeriesBeside& column,
                                           const MappingShape& shape, std::uint8_t fallback);
std::vector<double> SharesBeside(const TXYDataList& records, const SeriesBeside& column, const MappingShape& shape,
                                 double fallback);

} // namespace varimel
