// SPDX-License-Identifier: MIT
#include "Plotpaint.h"

#include "Qtstrings.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

using namespace varimel;

namespace plot {

namespace {

constexpr double kLeft = 62;  // Y tick labels
constexpr double kRight = 46; // band names
constexpr double kTop = 10;
constexpr double kBottom = 26; // X tick labels
constexpr int kLabelPixels = 11;
constexpr double kLaneGap = 12; // between stacked lanes

// Records this close together or fewer are drawn one by one, with dots when
// they have room; more are drawn as each pixel column's extremes.
constexpr double kExactPerPixel = 2.0;
constexpr double kDotsPerPixel = 1.0 / 6.0;

// The first record at or after x.
std::size_t FirstAtOrAfter(const TXYDataList& data, double x)
{
    return static_cast<std::size_t>(
        std::lower_bound(data.begin(), data.end(), x, [](const XYData& r, double v) { return r.X < v; }) -
        data.begin());
}

void PaintBandFills(QPainter& p, const Axes& axes, const SceneLane& lane)
{
    const QRectF& area = axes.Area();
    const std::vector<NoteBand>& bands = lane.Bands->Bands();
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const double top = axes.Py(bands[i].High);
        p.fillRect(QRectF(area.left(), top, area.width(), axes.Py(bands[i].Low) - top), i % 2 ? kBandOdd : kBandEven);
    }
}

// The names beside the plot's right edge, from the lowest band up, each
// where it does not crowd the one below.
void PaintBandNames(QPainter& p, const Axes& axes, const SceneLane& lane, bool log, QStringList* labels)
{
    const QRectF& area = axes.Area();
    const QFontMetricsF metrics(p.font());
    double lastLabel = area.bottom() + metrics.height();
    p.setPen(kBandText);
    for (std::size_t i = 0; i < lane.Bands->Bands().size(); ++i) {
        const double middle = axes.Py(BandMiddle(*lane.Bands, static_cast<int>(i), log));
        if (middle < area.top() || middle > area.bottom() || lastLabel - middle < metrics.height() * 0.9)
            continue;
        const QString name = FromCore(lane.Bands->Bands()[i].Name);
        p.drawText(QRectF(area.right() + 4, middle - metrics.height() / 2, kRight - 4, metrics.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, name);
        lastLabel = middle;
        if (labels)
            *labels << name;
    }
}

// The grid of a lane, its Y labels, and (under the lowest lane) the X labels.
void PaintAxes(QPainter& p, const Axes& axes, const Scene& scene, const SceneLane& lane, bool xLabels)
{
    const QRectF& area = axes.Area();
    const QFontMetricsF metrics(p.font());
    const double x0 = axes.XAt(area.left());
    const double x1 = axes.XAt(area.right());
    const int xCount = std::max(1, static_cast<int>(area.width() / (scene.XDates ? 120 : 80)));
    const std::vector<AxisTick> xTicks = scene.XDates ? DateTicks(x0, x1, xCount) : NumberTicks(x0, x1, xCount);
    double lastRight = -1e9;
    for (const AxisTick& tick : xTicks) {
        const double x = axes.Px(tick.Value);
        p.setPen(kGrid);
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        const QString text = FromCore(tick.Label);
        const double w = metrics.horizontalAdvance(text);
        if (!xLabels || x - w / 2 < lastRight + 6)
            continue;
        p.setPen(kAxisText);
        p.drawText(QRectF(x - w / 2, area.bottom() + 4, w, metrics.height()), Qt::AlignCenter, text);
        lastRight = x + w / 2;
    }
    const int yCount = std::max(1, static_cast<int>(area.height() / 36));
    const std::vector<AxisTick> yTicks =
        scene.LogY ? LogTicks(lane.Y0, lane.Y1, yCount) : NumberTicks(lane.Y0, lane.Y1, yCount);
    for (const AxisTick& tick : yTicks) {
        const double y = axes.Py(tick.Value);
        p.setPen(kGrid);
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        p.setPen(kAxisText);
        p.drawText(QRectF(0, y - metrics.height() / 2, kLeft - 6, metrics.height()), Qt::AlignRight | Qt::AlignVCenter,
                   FromCore(tick.Label));
    }
}

// A small triangle at each record beyond the range ends, pointing the way
// it lies beyond.
void MarkBeyond(QPainter& p, const Axes& axes, const TXYDataList& data, std::size_t first, std::size_t last,
                std::pair<double, double> limits)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kLimit);
    for (std::size_t i = first; i < last; ++i) {
        const double y = data[i].Y;
        if (y >= limits.first && y <= limits.second)
            continue;
        const double d = y > limits.second ? -4.0 : 4.0;
        const QPointF at(axes.Px(data[i].X), axes.Py(y));
        const QPointF triangle[] = {at + QPointF(0, d), at + QPointF(-3.5, -d / 2), at + QPointF(3.5, -d / 2)};
        p.drawPolygon(triangle, 3);
    }
    p.setBrush(Qt::NoBrush);
}

// The range ends as dashed lines across a lane.
void PaintLimits(QPainter& p, const Axes& axes, std::pair<double, double> limits)
{
    p.setPen(QPen(kLimit, 1.0, Qt::DashLine));
    for (const double y : {limits.first, limits.second})
        p.drawLine(QPointF(axes.Area().left(), axes.Py(y)), QPointF(axes.Area().right(), axes.Py(y)));
}

// The cues as lines: a tick's X down the lane (a major one stronger), and on
// the first lane the reference values and the crossing value (dashed).
void PaintCueLines(QPainter& p, const Axes& axes, const Scene& scene, bool first)
{
    const QRectF& area = axes.Area();
    for (const auto& [x, major] : scene.Ticks) {
        QColor colour = kCueTick;
        colour.setAlpha(major ? 200 : 90);
        p.setPen(QPen(colour, 1.0, major ? Qt::SolidLine : Qt::DotLine));
        p.drawLine(QPointF(axes.Px(x), area.top()), QPointF(axes.Px(x), area.bottom()));
    }
    if (!first)
        return;
    p.setPen(QPen(kRefLine, 1.5));
    for (const double y : scene.RefY)
        p.drawLine(QPointF(area.left(), axes.Py(y)), QPointF(area.right(), axes.Py(y)));
    if (scene.MarkY) {
        p.setPen(QPen(kMarkLine, 1.5, Qt::DashLine));
        p.drawLine(QPointF(area.left(), axes.Py(*scene.MarkY)), QPointF(area.right(), axes.Py(*scene.MarkY)));
    }
}

// notes: the records' notes, when known: a rest's point is drawn hollow.
// limits: the lowest and highest value the mapping tells apart; what lies
// beyond them is marked.
void PaintData(QPainter& p, const Axes& axes, const Scene& scene, const TXYDataList& data, const QColor& colour,
               const std::vector<PlotNote>* notes, std::optional<std::pair<double, double>> limits)
{
    if (notes && notes->size() != static_cast<std::size_t>(data.Count()))
        notes = nullptr;
    const QRectF& area = axes.Area();
    const std::size_t first = FirstAtOrAfter(data, scene.X0);
    const std::size_t last = FirstAtOrAfter(data, std::nextafter(scene.X1, HUGE_VAL));
    const double shown = static_cast<double>(last - first);
    p.setPen(QPen(colour, 1.0));
    if (shown <= area.width() * kExactPerPixel) {
        // One point per record, joined to the records just outside the view
        // so the line runs on past the edges.
        QPainterPath line;
        const std::size_t from = first > 0 ? first - 1 : first;
        const std::size_t to = std::min(static_cast<std::size_t>(data.Count()), last + 1);
        for (std::size_t i = from; i < to; ++i) {
            const QPointF point(axes.Px(data[i].X), axes.Py(data[i].Y));
            if (i == from)
                line.moveTo(point);
            else
                line.lineTo(point);
        }
        p.drawPath(line);
        if (shown <= area.width() * kDotsPerPixel) {
            for (std::size_t i = first; i < last; ++i) {
                const bool rest = notes && (*notes)[i].Rest;
                p.setBrush(rest ? QBrush(Qt::white) : QBrush(colour));
                p.drawEllipse(QPointF(axes.Px(data[i].X), axes.Py(data[i].Y)), rest ? 2.5 : 2.0, rest ? 2.5 : 2.0);
            }
            p.setBrush(Qt::NoBrush);
        }
        if (limits)
            MarkBeyond(p, axes, data, first, last, *limits);
        p.setPen(QPen(colour, 1.0));
        return;
    }
    // Each pixel column's lowest to highest value, joined to the next.
    const int width = static_cast<int>(std::ceil(area.width()));
    const std::vector<PlotColumn> columns = PlotColumns(data, scene.X0, scene.X1, width);
    std::optional<QPointF> previous;
    for (int c = 0; c < width; ++c) {
        const PlotColumn& column = columns[static_cast<std::size_t>(c)];
        if (column.Count == 0)
            continue;
        const double x = area.left() + c + 0.5;
        if (previous)
            p.drawLine(*previous, QPointF(x, axes.Py(column.FirstY)));
        p.drawLine(QPointF(x, axes.Py(column.MaxY)), QPointF(x, axes.Py(column.MinY)));
        previous = QPointF(x, axes.Py(column.LastY));
        // What lies beyond the range ends, in the limits' colour.
        if (limits && column.MaxY > limits->second) {
            p.setPen(QPen(kLimit, 2.0));
            p.drawLine(QPointF(x, axes.Py(column.MaxY)), QPointF(x, axes.Py(limits->second)));
            p.setPen(QPen(colour, 1.0));
        }
        if (limits && column.MinY < limits->first) {
            p.setPen(QPen(kLimit, 2.0));
            p.drawLine(QPointF(x, axes.Py(column.MinY)), QPointF(x, axes.Py(limits->first)));
            p.setPen(QPen(colour, 1.0));
        }
    }
}

void PaintMelody(QPainter& p, const Axes& axes, const Scene& scene, const SceneLane& lane,
                 const std::vector<PlotNote>& notes, const QColor& colour)
{
    const QRectF& area = axes.Area();
    auto it =
        std::lower_bound(notes.begin(), notes.end(), scene.X0, [](const PlotNote& n, double x) { return n.X0 < x; });
    if (it != notes.begin())
        --it; // one that starts before the view may reach into it
    const int width = static_cast<int>(std::ceil(area.width()));
    std::vector<std::pair<double, double>> columns(static_cast<std::size_t>(width), {HUGE_VAL, -HUGE_VAL});
    p.setPen(QPen(colour, 2.0, Qt::SolidLine, Qt::FlatCap));
    for (; it != notes.end() && it->X0 <= scene.X1; ++it) {
        if (it->Band < 0)
            continue;
        const double x0 = axes.Px(it->X0);
        const double x1 = axes.Px(it->X1);
        const double y = axes.Py(BandMiddle(*lane.Bands, it->Band, scene.LogY));
        if (x1 - x0 >= 1.5) {
            p.drawLine(QPointF(std::max(x0, area.left()), y), QPointF(std::min(x1, area.right()), y));
            continue;
        }
        // Notes shorter than a pixel: the column's lowest and highest.
        const auto c = static_cast<std::ptrdiff_t>(std::floor(x0 - area.left()));
        if (c < 0 || c >= width)
            continue;
        auto& [low, high] = columns[static_cast<std::size_t>(c)];
        low = std::min(low, y);
        high = std::max(high, y);
    }
    for (int c = 0; c < width; ++c) {
        const auto [low, high] = columns[static_cast<std::size_t>(c)];
        if (low <= high)
            p.fillRect(QRectF(area.left() + c, low - 1, 1, high - low + 2), colour);
    }
}

void PaintSelectionAndCursor(QPainter& p, const Axes& axes, const Scene& scene)
{
    const QRectF& area = axes.Whole();
    if (scene.Selection) {
        // The edges on whole pixels, so they are sharp lines.
        const double left = std::floor(std::max(area.left(), axes.Px(scene.Selection->From)));
        const double right = std::floor(std::min(area.right(), axes.Px(scene.Selection->To)));
        if (right >= left) {
            p.fillRect(QRectF(left, area.top(), right - left + 1, area.height()), kSelectionFill);
            p.fillRect(QRectF(left, area.top(), 1, area.height()), kSelectionEdge);
            p.fillRect(QRectF(right, area.top(), 1, area.height()), kSelectionEdge);
        }
    }
    if (scene.Cursor >= 0 && scene.Cursor < scene.Data->Count()) {
        const XYData& r = (*scene.Data)[static_cast<std::size_t>(scene.Cursor)];
        const QPointF point(axes.Px(r.X), axes.Py(r.Y));
        p.setPen(QPen(kCursor, 1.0, Qt::DashLine));
        // The line runs through every lane; the ring is on the first series.
        p.drawLine(QPointF(point.x(), area.top()), QPointF(point.x(), area.bottom()));
        p.setPen(QPen(kCursor, 2.0));
        p.drawEllipse(point, 5.0, 5.0);
    }
}

// Names with their colours in a box at the top left of area.
void PaintNames(QPainter& p, const QRectF& area, const QStringList& names, const std::vector<std::size_t>& colours)
{
    const QFontMetricsF metrics(p.font());
    double width = 0;
    for (const QString& name : names)
        width = std::max(width, metrics.horizontalAdvance(name));
    const double line = metrics.height();
    const QRectF box(area.left() + 8, area.top() + 8, width + 40, line * names.size() + 8);
    p.fillRect(box, QColor(255, 255, 255, 220));
    p.setPen(QColor(180, 180, 180));
    p.drawRect(box);
    for (qsizetype k = 0; k < names.size(); ++k) {
        const double y = box.top() + 4 + line * k + line / 2;
        p.fillRect(QRectF(box.left() + 6, y - 1.5, 22, 3), SeriesColour(colours[static_cast<std::size_t>(k)]));
        p.setPen(kAxisText);
        p.drawText(QRectF(box.left() + 34, y - line / 2, width + 4, line), Qt::AlignLeft | Qt::AlignVCenter, names[k]);
    }
}

// Each series' colour and name: in a box at the top left of the plot with
// one axis, at the top left of its own lane with several.
void PaintLegend(QPainter& p, QSizeF size, const Scene& scene)
{
    if (scene.Lanes.size() > 1) {
        for (std::size_t k = 0; k < scene.Lanes.size(); ++k)
            if (!scene.Lanes[k].Name.isEmpty() && !scene.Lanes[k].Lines.empty())
                PaintNames(p, Axes(size, scene, k).Area(), {scene.Lanes[k].Name}, {scene.Lanes[k].Lines.front().Index});
        return;
    }
    if (scene.Legend.size() < 2)
        return;
    std::vector<std::size_t> colours;
    for (qsizetype k = 0; k < scene.Legend.size(); ++k)
        colours.push_back(static_cast<std::size_t>(k));
    PaintNames(p, Axes(size, scene).Area(), scene.Legend, colours);
}

// The lowest and highest value the lane's mapping tells apart, when its
// range ends are drawn.
std::optional<std::pair<double, double>> LimitsOf(const SceneLane& lane)
{
    if (!lane.Limits || !lane.Bands || lane.Bands->Bands().empty())
        return std::nullopt;
    return std::pair(lane.Bands->Bands().front().Low, lane.Bands->Bands().back().High);
}

QColor MelodyColour(std::size_t index)
{
    if (index == 0)
        return kMelody;
    QColor colour = SeriesColour(index);
    colour.setAlpha(150);
    return colour;
}

} // namespace

QColor SeriesColour(std::size_t index)
{
    static const QColor kColours[] = {kDataLine,      {30, 110, 210}, {40, 150, 60},  {150, 60, 180},
                                      {160, 100, 30}, {0, 150, 160},  {200, 60, 120}, {100, 100, 100}};
    return kColours[index % std::size(kColours)];
}

Axes::Axes(QSizeF size, const Scene& scene, std::size_t lane)
    : m_whole(kLeft, kTop, std::max(1.0, size.width() - kLeft - kRight), std::max(1.0, size.height() - kTop - kBottom)),
      m_area(m_whole), m_log(scene.LogY), m_x0(scene.X0), m_y0(0.0), m_sx(m_whole.width() / (scene.X1 - scene.X0)),
      m_sy(1.0)
{
    const std::size_t lanes = std::max<std::size_t>(1, scene.Lanes.size());
    if (lanes > 1) {
        const double height =
            std::max(1.0, (m_whole.height() - kLaneGap * static_cast<double>(lanes - 1)) / static_cast<double>(lanes));
        m_area = QRectF(m_whole.left(), m_whole.top() + static_cast<double>(lane) * (height + kLaneGap),
                        m_whole.width(), height);
    }
    double y0 = 0.0, y1 = 1.0;
    if (lane < scene.Lanes.size()) {
        y0 = scene.Lanes[lane].Y0;
        y1 = scene.Lanes[lane].Y1;
    }
    m_y0 = Scaled(y0);
    m_sy = m_area.height() / (Scaled(y1) - m_y0);
}

double Axes::Scaled(double y) const { return m_log ? std::log10(y) : y; }

double BandMiddle(const TNoteBands& bands, int band, bool log)
{
    const NoteBand& b = bands.Bands()[static_cast<std::size_t>(band)];
    return log && b.Low > 0 ? std::sqrt(b.Low * b.High) : (b.Low + b.High) / 2;
}

void Paint(QPainter& p, QSizeF size, const Scene& scene, QStringList* bandLabels)
{
    p.fillRect(QRectF(QPointF(0, 0), size), kBackground);
    QFont font = p.font();
    font.setPixelSize(kLabelPixels);
    p.setFont(font);
    if (!scene.Data || scene.Data->Empty() || scene.Lanes.empty()) {
        p.setPen(kAxisText);
        p.drawText(QRectF(QPointF(0, 0), size), Qt::AlignCenter, scene.EmptyText);
        return;
    }
    std::vector<Axes> lanes;
    for (std::size_t k = 0; k < scene.Lanes.size(); ++k)
        lanes.emplace_back(size, scene, k);
    for (std::size_t k = 0; k < lanes.size(); ++k)
        PaintAxes(p, lanes[k], scene, scene.Lanes[k], k + 1 == lanes.size());
    p.setRenderHint(QPainter::Antialiasing, true);
    for (std::size_t k = 0; k < lanes.size(); ++k)
        if (scene.Lanes[k].Bands)
            PaintBandNames(p, lanes[k], scene.Lanes[k], scene.LogY, bandLabels);
    for (std::size_t k = 0; k < lanes.size(); ++k) {
        const SceneLane& lane = scene.Lanes[k];
        const Axes& axes = lanes[k];
        const auto limits = LimitsOf(lane);
        p.save();
        p.setClipRect(axes.Area());
        if (lane.Bands)
            PaintBandFills(p, axes, lane);
        if (limits)
            PaintLimits(p, axes, *limits);
        PaintCueLines(p, axes, scene, k == 0);
        // The first series is drawn last, over the others.
        for (auto line = lane.Lines.rbegin(); line != lane.Lines.rend(); ++line)
            if (line->Data)
                PaintData(p, axes, scene, *line->Data, SeriesColour(line->Index), line->Notes, limits);
        if (lane.Bands)
            for (auto line = lane.Lines.rbegin(); line != lane.Lines.rend(); ++line)
                if (line->Notes && !line->Notes->empty())
                    PaintMelody(p, axes, scene, lane, *line->Notes, MelodyColour(line->Index));
        p.restore();
    }
    p.save();
    p.setClipRect(lanes.front().Whole());
    PaintSelectionAndCursor(p, lanes[std::min(scene.CursorLane, lanes.size() - 1)], scene);
    p.restore();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(160, 160, 160));
    for (const Axes& axes : lanes)
        p.drawRect(axes.Area());
    PaintLegend(p, size, scene);
}

QRectF NoteRect(const Axes& axes, const Scene& scene, std::size_t note)
{
    const PlotNote& n = (*scene.Notes())[note];
    if (n.Band < 0 || !scene.Bands())
        return {};
    const double x0 = axes.Px(n.X0);
    const double y = axes.Py(BandMiddle(*scene.Bands(), n.Band, scene.LogY));
    return QRectF(x0 - 3, y - 4, std::max(axes.Px(n.X1) - x0, 2.0) + 6, 8).intersected(axes.Area());
}

QRectF PlayheadRect(const Axes& axes, double x)
{
    const QRectF& area = axes.Whole();
    return QRectF(axes.Px(x) - 2, area.top(), 4, area.height()).intersected(area);
}

void PaintMoving(QPainter& p, const Axes& axes, const Scene& scene, const std::vector<std::size_t>& sounding,
                 std::optional<double> playheadX)
{
    p.save();
    p.setClipRect(axes.Area());
    if (scene.Notes() && scene.Bands()) {
        for (const std::size_t i : sounding) {
            const PlotNote& n = (*scene.Notes())[i];
            if (n.Band < 0)
                continue;
            const double y = axes.Py(BandMiddle(*scene.Bands(), n.Band, scene.LogY));
            const double x0 = axes.Px(n.X0);
            p.fillRect(QRectF(x0, y - 2, std::max(axes.Px(n.X1) - x0, 2.0), 4), kSounding);
        }
    }
    p.restore();
    if (playheadX) {
        p.save();
        p.setClipRect(axes.Whole());
        p.fillRect(QRectF(std::floor(axes.Px(*playheadX)) - 1, axes.Whole().top(), 2, axes.Whole().height()),
                   kPlayhead);
        p.restore();
    }
}

} // namespace plot
