// SPDX-License-Identifier: MIT
#include "Plotmodel.h"

#include "data/Importer.h"
#include "midi/Sequencer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

TNoteBands::TNoteBands(const SeriesFrame& frame, const MappingRequest& request)
    : minY_(frame.MinY), maxY_(frame.MaxY), yRange_(static_cast<long double>(frame.MaxY) - frame.MinY), framed_(true),
      logY_(frame.LogY)
{
    ScaleNoteSet set;
    const int n = Positions(request, set);
    if (n <= 0 || !(frame.MinY <= frame.MaxY))
        return;
    const auto toY = [&](double v) { return logY_ ? std::pow(10.0, v) : v; };
    for (int p = 0; p < n; ++p) {
        NoteBand band;
        band.Low = toY(ScalePositionEdge(p, minY_, maxY_, n));
        band.High = toY(p + 1 < n ? ScalePositionEdge(p + 1, minY_, maxY_, n) : maxY_);
        band.Key = set.Ascending[static_cast<std::size_t>(frame.Invert ? n - 1 - p : p)];
        if (band.Key >= kLowestTone && band.Key <= kHighestTone)
            band.Name = ToneLabel(ToneOfMidiNote(band.Key));
        bands_.push_back(std::move(band));
    }
}

int TNoteBands::FramedBandOf(double y) const
{
    if (logY_ && !(y > 0.0))
        return -1;
    const int n = static_cast<int>(bands_.size());
    const long double v = logY_ ? std::log10(static_cast<long double>(y)) : y;
    if (minY_ == maxY_)
        return n / 2;
    return std::clamp(ScalePositionOf(std::clamp<long double>(v, minY_, maxY_), minY_, maxY_, yRange_, n), 0, n - 1);
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

double XOfTick(double firstX, double DxPQN, double tick) { return firstX + tick / TicksPerQuarter * DxPQN; }

std::vector<PlotNote> PlotNotes(const TXYDataList& data, const std::vector<NoteSpan>& notes, const TNoteBands& bands,
                                double DxPQN)
{
    std::vector<PlotNote> plotted;
    if (notes.size() != static_cast<std::size_t>(data.Count()))
        return plotted;
    plotted.reserve(notes.size());
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const XYData& r = data[i];
        const bool rest = notes[i].Velocity == 0;
        plotted.push_back({r.X, r.X + (notes[i].End - notes[i].Start) * DxPQN / TicksPerQuarter,
                           rest ? -1 : bands.BandOf(r.Y), rest});
    }
    return plotted;
}

namespace {

// The round step (1, 2 or 5 times a power of ten) that cuts span into at
// most count pieces.
double RoundStep(double span, int count)
{
    const double raw = span / std::max(1, count);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw)
            return m * power;
    return 10.0 * power;
}

std::string Fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    // No "-0" for a tick that is zero but for rounding.
    if (text[0] == '-' && std::strspn(text + 1, "0.") == std::strlen(text + 1))
        return text + 1;
    return text;
}

// A value too large for fixed digits, as "1.5e17" or "-2e16": the digits the
// step needs, without trailing zeros, the exponent without its plus sign or
// leading zeros.
std::string Scientific(double value, double step)
{
    if (value == 0.0)
        return "0";
    const int digits = std::max(0, static_cast<int>(std::floor(std::log10(std::fabs(value)) + 1e-9)) -
                                       static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", std::min(digits, 16), value);
    const char* e = std::strchr(text, 'e');
    if (!e)
        return text;
    std::string mantissa(text, static_cast<std::size_t>(e - text));
    if (mantissa.find('.') != std::string::npos) {
        while (mantissa.back() == '0')
            mantissa.pop_back();
        if (mantissa.back() == '.')
            mantissa.pop_back();
    }
    return mantissa + "e" + std::to_string(std::atoi(e + 1));
}

} // namespace

std::vector<AxisTick> NumberTicks(double lo, double hi, int maxCount)
{
    std::vector<AxisTick> ticks;
    if (!(hi > lo) || maxCount < 1 || !std::isfinite(hi - lo))
        return ticks;
    const double step = RoundStep(hi - lo, maxCount);
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    // From 1e16 on fixed digits grow past any axis: the short scientific form.
    const bool huge = std::max(std::fabs(lo), std::fabs(hi)) >= 1e16;
    for (double k = std::ceil(lo / step); k * step <= hi && ticks.size() <= static_cast<std::size_t>(maxCount); ++k)
        ticks.push_back({k * step, huge ? Scientific(k * step, step) : Fixed(k * step, decimals)});
    return ticks;
}

std::vector<AxisTick> LogTicks(double lo, double hi, int maxCount)
{
    std::vector<AxisTick> ticks;
    if (!(hi > lo) || !(lo > 0.0) || maxCount < 1 || !std::isfinite(hi))
        return ticks;
    const int first = static_cast<int>(std::ceil(std::log10(lo) - 1e-9));
    const int last = static_cast<int>(std::floor(std::log10(hi) + 1e-9));
    if (last < first)
        return NumberTicks(lo, hi, maxCount);
    const int decades = last - first + 1;
    const int every = (decades + maxCount - 1) / maxCount;
    const bool between = decades * 3 <= maxCount;
    const auto label = [](double value, int exponent) {
        return exponent >= -6 && exponent < 16 ? Fixed(value, std::max(0, -exponent)) : Scientific(value, value);
    };
    for (int e = first - 1; e <= last; ++e) {
        const double power = std::pow(10.0, e);
        for (const double m : {1.0, 2.0, 5.0}) {
            if (m > 1.0 && !between)
                break;
            const double value = m * power;
            if (value < lo * (1 - 1e-12) || value > hi * (1 + 1e-12) || (m == 1.0 && (e - first) % every != 0))
                continue;
            ticks.push_back({value, label(value, e)});
        }
    }
    return ticks;
}

std::vector<AxisTick> DateTicks(double lo, double hi, int maxCount)
{
    std::vector<AxisTick> ticks;
    if (!(hi > lo) || maxCount < 1 || !std::isfinite(hi - lo))
        return ticks;
    const double span = hi - lo;
    // Hours, days and weeks: a fixed step of days.
    static constexpr std::array<double, 9> kDaySteps = {1.0 / 24, 2.0 / 24, 3.0 / 24, 6.0 / 24, 12.0 / 24, 1, 2, 7, 14};
    for (const double step : kDaySteps) {
        if (span / step > maxCount)
            continue;
        const bool hours = step < 1;
        // Weeks start on a Monday (1970-01-05 was one).
        const double offset = step == 7 || step == 14 ? 4 : 0;
        for (double k = std::ceil((lo - offset) / step - 1e-9);; ++k) {
            const double day = k * step + offset;
            if (day > hi + 1e-9)
                break;
            ticks.push_back({day, FormatDate(day, hours)});
        }
        return ticks;
    }
    // Months and years: the first day of every step-th month.
    long y0 = 0, y1 = 0;
    int m0 = 0, m1 = 0, d = 0;
    CivilFromDays(static_cast<long>(std::floor(lo)), y0, m0, d);
    CivilFromDays(static_cast<long>(std::floor(hi)), y1, m1, d);
    const double months = static_cast<double>((y1 - y0) * 12 + (m1 - m0)) + 1;
    long stepMonths = 0;
    for (const long m : {1L, 2L, 3L, 6L})
        if (months / static_cast<double>(m) <= maxCount) {
            stepMonths = m;
            break;
        }
    if (stepMonths == 0)
        stepMonths = 12 * static_cast<long>(std::max(1.0, RoundStep(months / 12, maxCount)));
    for (long index = y0 * 12 + (m0 - 1); index <= y1 * 12 + (m1 - 1); ++index) {
        const long year = index >= 0 ? index / 12 : (index - 11) / 12;
        const int month = static_cast<int>(index - year * 12) + 1;
        if ((stepMonths < 12 ? (month - 1) % stepMonths : (month == 1 ? year % (stepMonths / 12) : 1)) != 0)
            continue;
        const double day = static_cast<double>(DaysFromCivil(year, month, 1));
        if (day < lo - 1e-9 || day > hi + 1e-9)
            continue;
        char text[32];
        if (stepMonths < 12)
            std::snprintf(text, sizeof text, "%04ld-%02d", year, month);
        else
            std::snprintf(text, sizeof text, "%04ld", year);
        ticks.push_back({day, text});
    }
    return ticks;
}

} // namespace varimel
