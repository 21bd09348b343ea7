// SPDX-License-Identifier: MIT
#include "Shape.h"

#include "data/Number.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace varimel {

ShapeField ShapeProblem(const MappingShape& s, int maxColumn)
{
    if (!(s.Clip >= 0.0 && s.Clip < 50.0) || (s.Clip > 0.0 && s.FixedRange))
        return ShapeField::Clip;
    if (s.FixedRange && (!(s.RangeLow < s.RangeHigh) || !std::isfinite(s.RangeLow) || !std::isfinite(s.RangeHigh) ||
                         (s.LogY && !(s.RangeLow > 0.0))))
        return ShapeField::Range;
    if (s.VelocityColumn < 0 || s.VelocityColumn > maxColumn)
        return ShapeField::VelocityColumn;
    if (!(s.VelocityLow >= kMinVelocity && s.VelocityLow <= s.VelocityHigh && s.VelocityHigh <= kMaxVelocity))
        return ShapeField::VelocityRange;
    if (s.DurationColumn < 0 || s.DurationColumn > maxColumn)
        return ShapeField::DurationColumn;
    if (!(s.DurationLow > 0.0 && s.DurationLow <= s.DurationHigh && s.DurationHigh <= 1.0))
        return ShapeField::DurationRange;
    if (s.RestBelow.size() > static_cast<std::size_t>(kMaxSeries) ||
        std::any_of(s.RestBelow.begin(), s.RestBelow.end(),
                    [](double v) { return !std::isfinite(v) && v != -std::numeric_limits<double>::infinity(); }))
        return ShapeField::RestBelow;
    return ShapeField::None;
}

std::string RestBelowText(const std::vector<double>& thresholds)
{
    std::string text;
    for (std::size_t i = 0; i < thresholds.size(); ++i) {
        // The shortest text that reads back as the same value.
        char number[32];
        const auto written = std::to_chars(number, number + sizeof number, thresholds[i]);
        text += (i ? "," : "") + (std::isinf(thresholds[i]) ? std::string("-") : std::string(number, written.ptr));
    }
    return text;
}

std::optional<std::vector<double>> RestBelowNamed(std::string_view text)
{
    std::vector<double> thresholds;
    if (text.find_first_not_of(" \t") == std::string_view::npos)
        return thresholds;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        std::string_view item = text.substr(start, comma - start);
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t'))
            item.remove_prefix(1);
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t'))
            item.remove_suffix(1);
        if (item == "-") {
            thresholds.push_back(-std::numeric_limits<double>::infinity());
        } else {
            const std::optional<double> v = ParseNumber(item);
            if (!v || !std::isfinite(*v))
                return std::nullopt;
            thresholds.push_back(*v);
        }
        start = comma + 1;
    }
    if (thresholds.size() > static_cast<std::size_t>(kMaxSeries))
        return std::nullopt;
    return thresholds;
}

std::string DescribeShape(const MappingShape& shape, Language language)
{
    const bool english = language == Language::English;
    std::vector<std::string> parts;
    const auto number = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", v);
        return std::string(text);
    };
    const std::string to = english ? " to " : "〜";
    const auto column = [english](int c) {
        return english ? "column " + std::to_string(c) : std::to_string(c) + "列目";
    };
    if (shape.Invert)
        parts.push_back(english ? "inverted" : "反転");
    if (shape.LogY)
        parts.push_back(english ? "log" : "対数");
    if (shape.Clip > 0.0)
        parts.push_back((english ? "outliers " : "外れ値 ") + number(shape.Clip) + "%");
    if (shape.FixedRange)
        parts.push_back((english ? "range " : "範囲 ") + number(shape.RangeLow) + to + number(shape.RangeHigh));
    if (shape.VelocityColumn > 0)
        parts.push_back((english ? "velocity: " : "強さ: ") + column(shape.VelocityColumn) + " (" +
                        std::to_string(shape.VelocityLow) + to + std::to_string(shape.VelocityHigh) + ")");
    if (shape.DurationColumn > 0)
        parts.push_back((english ? "length: " : "長さ: ") + column(shape.DurationColumn) + " (" +
                        number(shape.DurationLow) + to + number(shape.DurationHigh) + ")");
    if (!shape.RestBelow.empty())
        parts.push_back(english ? "rests at or below " + RestBelowText(shape.RestBelow)
                                : "休符: " + RestBelowText(shape.RestBelow) + " 以下");
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : " / ") + part;
    return text;
}

ImportOptions ReadingFor(const ImportOptions& options, const MappingShape& shape)
{
    ImportOptions reading = options;
    reading.PositiveY = shape.LogY;
    reading.VelocityColumn = shape.VelocityColumn;
    reading.DurationColumn = shape.DurationColumn;
    return reading;
}

double Percentile(const std::vector<double>& sorted, double percent)
{
    if (sorted.empty())
        return 0.0;
    const auto rank = static_cast<std::size_t>(std::ceil(percent / 100.0 * static_cast<double>(sorted.size())));
    return sorted[std::min(sorted.size(), std::max<std::size_t>(rank, 1)) - 1];
}

std::pair<double, double> ShapedRange(const MappingShape& shape, const std::vector<const TXYDataList*>& lists)
{
    if (shape.FixedRange)
        return {ShapedY(shape, shape.RangeLow), ShapedY(shape, shape.RangeHigh)};
    if (shape.Clip > 0.0) {
        std::vector<double> values;
        for (const TXYDataList* list : lists)
            for (const XYData& r : *list)
                values.push_back(ShapedY(shape, r.Y));
        std::sort(values.begin(), values.end());
        return {Percentile(values, shape.Clip), Percentile(values, 100.0 - shape.Clip)};
    }
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const TXYDataList* list : lists) {
        const auto [minY, maxY] = list->YBounds();
        low = std::min(low, ShapedY(shape, minY));
        high = std::max(high, ShapedY(shape, maxY));
    }
    return {low, high};
}

SeriesBeside BesideOf(const BesideColumn& column, std::size_t index)
{
    if (column.Column <= 0 || index >= column.Values.size())
        return {};
    return {&column.Values[index], column.Low, column.High};
}

namespace {

// Each record's value from the column beside it, mapped linearly from the
// column's own minimum and maximum onto low..high.
template <typename T> std::vector<T> MapBeside(const TXYDataList& records, const SeriesBeside& column, double low,
                                               double high, T fallback, bool round)
{
    std::vector<T> values(static_cast<std::size_t>(records.Count()), fallback);
    if (!column.Values || column.Values->size() != values.size())
        return values;
    const double minV = column.Low, maxV = column.High;
    // Halves, so that a column spanning more than a double can hold (from
    // -1e308 to 1e308) still gives shares from 0 to 1; for any other column
    // halving is exact and the shares are the same.
    const auto scaled = [&](double v) {
        const double share = maxV > minV ? (v / 2 - minV / 2) / (maxV / 2 - minV / 2) : 0.5;
        const double value = low + share * (high - low);
        return static_cast<T>(round ? std::lround(value) : value);
    };
    for (std::size_t i = 0; i < values.size(); ++i)
        if (const double v = (*column.Values)[i]; !std::isnan(v))
            values[i] = scaled(v);
    return values;
}

} // namespace

std::vector<std::uint8_t> VelocitiesBeside(const TXYDataList& records, const SeriesBeside& column,
                                           const MappingShape& shape, std::uint8_t fallback)
{
    return MapBeside<std::uint8_t>(records, column, shape.VelocityLow, shape.VelocityHigh, fallback, true);
}

std::vector<double> SharesBeside(const TXYDataList& records, const SeriesBeside& column, const MappingShape& shape,
                                 double fallback)
{
    return MapBeside<double>(records, column, shape.DurationLow, shape.DurationHigh, fallback, false);
}

} // namespace varimel
