// SPDX-License-Identifier: MIT
#include "Plotcontent.h"

#include "Qtstrings.h"
#include "data/Dates.h"
#include "data/Number.h"
#include "music/Series.h"

#include <algorithm>
#include <cmath>

using namespace varimel;

namespace {

// The whole data with this share of its X range free at each side.
constexpr double kSidePadding = 0.015;

QString NoteName(int key)
{
    return key >= kLowestTone && key <= kHighestTone ? FromCore(ToneLabel(ToneOfMidiNote(key))) : QString();
}

} // namespace

void TPlotContent::Set(const PlotPiece& piece, bool fresh)
{
    m_piece = piece;
    m_data = m_first = piece.Load ? &piece.Load->Data : nullptr;
    m_seriesNotes.clear();
    m_more.clear();
    if (piece.Load)
        for (const TXYDataList& more : piece.Load->More)
            m_more.push_back(&more);
    const std::size_t count = 1 + m_more.size();
    m_bands.clear();
    m_bands.resize(count);
    m_notes.clear();
    m_plotNotes.assign(count, {});
    m_lanes.clear();
    m_logY = piece.Request.Shape.LogY;
    if (Empty())
        return;
    const TXYDataList& data = *m_data;
    // The notes as the file holds them, and where the piece's ticks start in
    // X: the first X of every series.
    const XSelection xs = *XSpanOf(*piece.Load);
    m_originX = xs.From;
    std::vector<std::vector<NoteSpan>> notes;
    if (piece.Melody) {
        const TPiece whole = Piece(std::nullopt);
        notes = whole.Notes();
        m_originX = whole.OriginX();
        m_seconds = whole.Seconds();
        // Each series' bands over the range it is mapped over, as shaped.
        if (whole.Frames())
            for (std::size_t k = 0; k < count && k < whole.Frames()->Ranges.size(); ++k)
                m_bands[k] = std::make_unique<TNoteBands>(whole.Frames()->Frame(k), piece.Request);
    }
    // Without a series road (or without notes) the plain mapping's bands over
    // each series' own values; a shaped pitch has no such bands.
    if (piece.Request.Shape.PitchesPlain() && !piece.Request.SharedRange)
        for (std::size_t k = 0; k < count; ++k)
            if (!m_bands[k] && !SeriesData(k)->Empty())
                m_bands[k] = std::make_unique<TNoteBands>(*SeriesData(k), piece.Request);
    if (!notes.empty())
        m_notes = notes.front();
    m_seriesNotes = notes;
    // A new mapping of the same data keeps the series the cursor follows.
    const std::size_t followed = fresh ? 0 : m_followed;
    m_followed = 0;
    Follow(followed);
    m_longest = 0;
    for (const NoteSpan& n : m_notes)
        m_longest = std::max(m_longest, n.End - n.Start);
    for (std::size_t k = 0; k < count && k < notes.size(); ++k)
        if (m_bands[k])
            m_plotNotes[k] = varimel::PlotNotes(*SeriesData(k), notes[k], *m_bands[k], piece.Request.DxPQN);
    const double span = xs.To - xs.From;
    const double pad = span > 0 ? span * kSidePadding : 0.5;
    m_fullX0 = xs.From - pad;
    m_fullX1 = xs.To + pad;
    MakeLanes();
    if (fresh)
        m_xHasTime = piece.XDates &&
                     std::any_of(data.begin(), data.end(), [](const XYData& r) { return r.X != std::floor(r.X); });
}

void TPlotContent::MakeLanes()
{
    const std::size_t count = 1 + m_more.size();
    const MappingShape& shape = m_piece.Request.Shape;
    // Several series with their own ranges: a lane each, on its own axis;
    // else one lane with every series on one axis.
    if (count > 1 && !m_piece.Request.SharedRange) {
        for (std::size_t k = 0; k < count; ++k)
            m_lanes.push_back({{k}});
    } else {
        m_lanes.push_back({});
        for (std::size_t k = 0; k < count; ++k)
            m_lanes.back().Series.push_back(k);
    }
    // The reading leaves out what a logarithm cannot take; should a value
    // get through, the axis stays linear rather than lose it.
    for (std::size_t k = 0; k < count; ++k)
        if (!SeriesData(k)->Empty() && SeriesData(k)->YBounds().first <= 0.0)
            m_logY = false;
    for (PlotLane& lane : m_lanes) {
        lane.Bands = m_bands[lane.Series.front()].get();
        lane.Limits = lane.Bands && !lane.Bands->Bands().empty() && (shape.Clip > 0.0 || shape.FixedRange);
        double minY = HUGE_VAL, maxY = -HUGE_VAL;
        for (const std::size_t k : lane.Series) {
            if (SeriesData(k)->Empty())
                continue;
            const auto [low, high] = SeriesData(k)->YBounds();
            minY = std::min(minY, low);
            maxY = std::max(maxY, high);
        }
        if (lane.Limits) {
            minY = std::min(minY, lane.Bands->Bands().front().Low);
            maxY = std::max(maxY, lane.Bands->Bands().back().High);
        }
        if (minY > maxY)
            minY = maxY = 0.0;
        // A log axis has its room at the sides in log10(Y).
        const bool log = m_logY && minY > 0.0 && std::isfinite(std::log10(minY));
        const double low = log ? std::log10(minY) : minY;
        const double high = log ? std::log10(maxY) : maxY;
        const double ySpan = high - low;
        const double yPad = ySpan > 0 ? ySpan * 0.04 : std::max(log ? 0.1 : 1.0, std::fabs(low) * 0.1);
        lane.Y0 = log ? std::pow(10.0, low - yPad) : low - yPad;
        lane.Y1 = log ? std::pow(10.0, high + yPad) : high + yPad;
    }
}

TPiece TPlotContent::Piece(std::optional<XSelection> part) const
{
    static const CsvLoad none;
    return TPiece::Of(m_piece.Load ? *m_piece.Load : none, m_piece.Request, part);
}

std::pair<double, double> TPlotContent::ViewWithin(double x0, double x1, int widthPx) const
{
    const double full = m_fullX1 - m_fullX0;
    const double least = std::max(full * 1e-9, std::fabs(m_fullX1) * 1e-12 * widthPx);
    const double span = std::clamp(x1 - x0, least, full);
    x0 = std::clamp(x0, m_fullX0, m_fullX1 - span);
    return {x0, x0 + span};
}

std::optional<XSelection> TPlotContent::OnRecords(const XSelection& part) const
{
    if (!m_data)
        return part;
    const auto [first, last] = RecordsIn(*m_data, part);
    return first < last ? std::optional(XSelection{(*m_data)[first].X, (*m_data)[last - 1].X}) : std::nullopt;
}

int TPlotContent::EdgeInView(double x0, double x1, bool fromLeft) const
{
    const auto [first, end] = RecordsIn(*m_data, XSelection{x0, x1});
    if (first >= end)
        return fromLeft ? 0 : m_data->Count() - 1;
    return static_cast<int>(fromLeft ? first : end - 1);
}

int TPlotContent::NearestTo(double x) const
{
    const std::size_t count = static_cast<std::size_t>(m_data->Count());
    const auto at =
        std::lower_bound(m_data->begin(), m_data->end(), x, [](const XYData& r, double v) { return r.X < v; });
    const auto i = static_cast<std::size_t>(at - m_data->begin());
    if (i == 0)
        return 0;
    if (i >= count)
        return static_cast<int>(count - 1);
    return static_cast<int>(x - (*m_data)[i - 1].X <= (*m_data)[i].X - x ? i - 1 : i);
}

double TPlotContent::XOf(int tick) const { return XOfTick(m_originX, m_piece.Request.DxPQN, tick); }

void TPlotContent::SoundingAt(std::uint32_t tick, std::vector<std::size_t>& notes) const
{
    // Notes start in record order; the ones still sounding started at most
    // one longest note ago.
    const auto after = std::upper_bound(m_notes.begin(), m_notes.end(), tick,
                                        [](std::uint32_t v, const NoteSpan& n) { return v < n.Start; });
    for (auto it = after; it != m_notes.begin();) {
        --it;
        if (static_cast<std::uint64_t>(it->Start) + m_longest <= tick)
            break;
        if (it->End > tick)
            notes.push_back(static_cast<std::size_t>(it - m_notes.begin()));
    }
}

QString TPlotContent::XText(double x) const
{
    return FromCore(m_piece.XDates ? FormatDate(x, m_xHasTime) : FormatG(x, 0, false));
}

QString TPlotContent::PointText(int index) const
{
    const XYData& r = (*m_data)[static_cast<std::size_t>(index)];
    QString note;
    const std::vector<NoteSpan>& notes = CursorNotes();
    const TNoteBands* bands = m_bands.size() > m_followed ? m_bands[m_followed].get() : nullptr;
    if (notes.size() > static_cast<std::size_t>(index))
        note = IsRest(notes[static_cast<std::size_t>(index)]) ? tr("休符")
                                                              : NoteName(notes[static_cast<std::size_t>(index)].Key);
    else if (bands && bands->BandOf(r.Y) >= 0)
        note = FromCore(bands->Bands()[static_cast<std::size_t>(bands->BandOf(r.Y))].Name);
    QString text = QStringLiteral("X %1, Y %2").arg(XText(r.X), FromCore(FormatG(r.Y, 0, false)));
    if (!note.isEmpty())
        text += QStringLiteral(", ") + note;
    // Beyond a clip's or a fixed range's end the value takes the end note:
    // said so.
    const MappingShape& shape = m_piece.Request.Shape;
    if (bands && !bands->Bands().empty() && (shape.Clip > 0.0 || shape.FixedRange)) {
        if (r.Y < bands->Bands().front().Low)
            text += QStringLiteral(", ") + tr("範囲より下");
        else if (r.Y > bands->Bands().back().High)
            text += QStringLiteral(", ") + tr("範囲より上");
    }
    return text;
}

QString TPlotContent::OthersAt(int index) const
{
    const double x = (*m_data)[static_cast<std::size_t>(index)].X;
    QStringList said;
    for (std::size_t k = 0; k <= m_more.size(); ++k) {
        if (k == m_followed)
            continue;
        const TXYDataList& data = *SeriesData(k);
        const auto [first, end] = RecordsIn(data, XSelection{x, x});
        QString text = SeriesName(k) + QStringLiteral(": ");
        if (first == end) {
            said << text + tr("値なし");
            continue;
        }
        text += QStringLiteral("Y ") + FromCore(FormatG(data[first].Y, 0, false));
        if (k < m_seriesNotes.size() && first < m_seriesNotes[k].size())
            text += QStringLiteral(", ") +
                    (IsRest(m_seriesNotes[k][first]) ? tr("休符") : NoteName(m_seriesNotes[k][first].Key));
        said << text;
    }
    return said.join(QStringLiteral(" / "));
}

QString TPlotContent::SummaryText(const QString& emptyText) const
{
    if (Empty())
        return emptyText;
    const TXYDataList& data = *m_data;
    const auto [minY, maxY] = data.YBounds();
    QString text = tr("%1点、X %2〜%3、Y %4〜%5")
                       .arg(data.Count())
                       .arg(XText(data.First().X), XText(data.Last().X), FromCore(FormatG(minY, 0, false)),
                            FromCore(FormatG(maxY, 0, false)));
    if (!m_notes.empty()) {
        const auto [low, high] = std::minmax_element(
            m_notes.begin(), m_notes.end(), [](const NoteSpan& a, const NoteSpan& b) { return a.Key < b.Key; });
        text += tr("、音 %1〜%2").arg(NoteName(low->Key), NoteName(high->Key));
    }
    return text;
}

QString TPlotContent::SeriesSummary(std::size_t series) const
{
    if (Empty() || series > m_more.size() || SeriesData(series)->Empty())
        return SummaryText(QString());
    const TXYDataList& data = *SeriesData(series);
    const std::size_t n = static_cast<std::size_t>(data.Count());
    std::size_t low = 0, high = 0;
    double sum = 0, sx = 0, sxx = 0, sxy = 0;
    const double x0 = data.First().X;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = data[i].X - x0, y = data[i].Y;
        low = y < data[low].Y ? i : low;
        high = y > data[high].Y ? i : high;
        sum += y;
        sx += x;
        sxx += x * x;
        sxy += x * y;
    }
    // The trend: the least-squares line's rise over the whole X, against the
    // spread of the values; a tenth of it or less is flat.
    const double dn = static_cast<double>(n);
    const double denominator = dn * sxx - sx * sx;
    const double slope = denominator > 0 ? (dn * sxy - sx * sum) / denominator : 0.0;
    const double rise = slope * (data.Last().X - x0);
    const double spread = data[high].Y - data[low].Y;
    const QString trend = spread <= 0 || std::fabs(rise) <= spread / 10 ? tr("横ばい")
                          : rise > 0                                    ? tr("上昇")
                                                                        : tr("下降");
    // Where: a date as the month and day, else X.
    const auto where = [this](double x) {
        if (!m_piece.XDates)
            return QStringLiteral("X ") + FromCore(FormatG(x, 0, false));
        long y = 0;
        int m = 0, d = 0;
        CivilFromDays(static_cast<long>(std::floor(x)), y, m, d);
        return tr("%1月%2日").arg(m).arg(d);
    };
    const auto value = [](double v) { return FromCore(FormatG(v, 0, false)); };
    const QString name = SeriesName(series);
    QString text = tr("%1点、最小 %2 (%3)、最大 %4 (%5)、平均 %6、全体として%7")
                       .arg(n)
                       .arg(value(data[low].Y), where(data[low].X), value(data[high].Y), where(data[high].X),
                            value(sum / dn), trend);
    if (m_piece.Melody)
        text += tr("、長さ %1").arg(MinutesSeconds(m_seconds));
    return name.isEmpty() ? text : name + QStringLiteral(": ") + text;
}

bool TPlotContent::Follow(std::size_t series)
{
    if (!m_first || series > m_more.size() || SeriesData(series)->Empty())
        return false;
    m_followed = series;
    m_data = SeriesData(series);
    return true;
}

const std::vector<NoteSpan>& TPlotContent::CursorNotes() const
{
    static const std::vector<NoteSpan> none;
    return m_followed < m_seriesNotes.size() ? m_seriesNotes[m_followed] : none;
}

QString TPlotContent::SeriesName(std::size_t series) const
{
    QString name;
    if (m_piece.Load && series < m_piece.Load->Names.size())
        name = FromCore(m_piece.Load->Names[series]);
    if (name.isEmpty() && series < static_cast<std::size_t>(m_piece.Names.size()))
        name = m_piece.Names[static_cast<qsizetype>(series)];
    return name;
}
