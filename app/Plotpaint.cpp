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

void PaintBandFills(QPainter& p, const Axes& axes, const Scene& scene)
{
    const QRectF& area = axes.Area();
    const std::vector<NoteBand>& bands = scene.Bands->Bands();
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const double top = axes.Py(bands[i].High);
        p.fillRect(QRectF(area.left(), top, area.width(), axes.Py(bands[i].Low) - top), i % 2 ? kBandOdd : kBandEven);
    }
}

// The names beside the plot's right edge, from the lowest band up, each
// where it does not crowd the one below.
void PaintBandNames(QPainter& p, const Axes& axes, const Scene& scene, QStringList* labels)
{
    const QRectF& area = axes.Area();
    const QFontMetricsF metrics(p.font());
    double lastLabel = area.bottom() + metrics.height();
    p.setPen(kBandText);
    for (std::size_t i = 0; i < scene.Bands->Bands().size(); ++i) {
        const double middle = axes.Py(BandMiddle(*scene.Bands, static_cast<int>(i)));
        if (middle < area.top() || middle > area.bottom() || lastLabel - middle < metrics.height() * 0.9)
            continue;
        const QString name = FromCore(scene.Bands->Bands()[i].Name);
        p.drawText(QRectF(area.right() + 4, middle - metrics.height() / 2, kRight - 4, metrics.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, name);
        lastLabel = middle;
        if (labels)
            *labels << name;
    }
}

void PaintAxes(QPainter& p, const Axes& axes, const Scene& scene)
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
        if (x - w / 2 < lastRight + 6)
            continue;
        p.setPen(kAxisText);
        p.drawText(QRectF(x - w / 2, area.bottom() + 4, w, metrics.height()), Qt::AlignCenter, text);
        lastRight = x + w / 2;
    }
    const int yCount = std::max(1, static_cast<int>(area.height() / 36));
    for (const AxisTick& tick : NumberTicks(scene.Y0, scene.Y1, yCount)) {
        const double y = axes.Py(tick.Value);
        p.setPen(kGrid);
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        p.setPen(kAxisText);
        p.drawText(QRectF(0, y - metrics.height() / 2, kLeft - 6, metrics.height()), Qt::AlignRight | Qt::AlignVCenter,
                   FromCore(tick.Label));
    }
}

// notes: the records' notes, when known: a rest's point is drawn hollow.
void PaintData(QPainter& p, const Axes& axes, const Scene& scene, const TXYDataList& data, const QColor& colour,
               const std::vector<PlotNote>* notes = nullptr)
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
    }
}

void PaintMelody(QPainter& p, const Axes& axes, const Scene& scene)
{
    const std::vector<PlotNote>& notes = *scene.Notes;
    const QRectF& area = axes.Area();
    auto it =
        std::lower_bound(notes.begin(), notes.end(), scene.X0, [](const PlotNote& n, double x) { return n.X0 < x; });
    if (it != notes.begin())
        --it; // one that starts before the view may reach into it
    const int width = static_cast<int>(std::ceil(area.width()));
    std::vector<std::pair<double, double>> columns(static_cast<std::size_t>(width), {HUGE_VAL, -HUGE_VAL});
    p.setPen(QPen(kMelody, 2.0, Qt::SolidLine, Qt::FlatCap));
    for (; it != notes.end() && it->X0 <= scene.X1; ++it) {
        if (it->Band < 0)
            continue;
        const double x0 = axes.Px(it->X0);
        const double x1 = axes.Px(it->X1);
        const double y = axes.Py(BandMiddle(*scene.Bands, it->Band));
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
            p.fillRect(QRectF(area.left() + c, low - 1, 1, high - low + 2), kMelody);
    }
}

void PaintSelectionAndCursor(QPainter& p, const Axes& axes, const Scene& scene)
{
    const QRectF& area = axes.Area();
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
        p.drawLine(QPointF(point.x(), area.top()), QPointF(point.x(), area.bottom()));
        p.setPen(QPen(kCursor, 2.0));
        p.drawEllipse(point, 5.0, 5.0);
    }
}

// Each series' colour and name in a box at the top left of the plot.
void PaintLegend(QPainter& p, const Axes& axes, const Scene& scene)
{
    if (scene.Legend.size() < 2)
        return;
    const QFontMetricsF metrics(p.font());
    double width = 0;
    for (const QString& name : scene.Legend)
        width = std::max(width, metrics.horizontalAdvance(name));
    const double line = metrics.height();
    const QRectF box(axes.Area().left() + 8, axes.Area().top() + 8, width + 40, line * scene.Legend.size() + 8);
    p.fillRect(box, QColor(255, 255, 255, 220));
    p.setPen(QColor(180, 180, 180));
    p.drawRect(box);
    for (qsizetype k = 0; k < scene.Legend.size(); ++k) {
        const double y = box.top() + 4 + line * k + line / 2;
        p.fillRect(QRectF(box.left() + 6, y - 1.5, 22, 3), SeriesColour(static_cast<std::size_t>(k)));
        p.setPen(kAxisText);
        p.drawText(QRectF(box.left() + 34, y - line / 2, width + 4, line), Qt::AlignLeft | Qt::AlignVCenter,
                   scene.Legend[k]);
    }
}

} // namespace

QColor SeriesColour(std::size_t index)
{
    static const QColor kColours[] = {kDataLine,      {30, 110, 210}, {40, 150, 60},  {150, 60, 180},
                                      {160, 100, 30}, {0, 150, 160},  {200, 60, 120}, {100, 100, 100}};
    return kColours[index % std::size(kColours)];
}

Axes::Axes(QSizeF size, const Scene& scene)
    : m_area(kLeft, kTop, std::max(1.0, size.width() - kLeft - kRight), std::max(1.0, size.height() - kTop - kBottom)),
      m_x0(scene.X0), m_y0(scene.Y0), m_sx(m_area.width() / (scene.X1 - scene.X0)),
      m_sy(m_area.height() / (scene.Y1 - scene.Y0))
{}

double BandMiddle(const TNoteBands& bands, int band)
{
    const NoteBand& b = bands.Bands()[static_cast<std::size_t>(band)];
    return (b.Low + b.High) / 2;
}

void Paint(QPainter& p, QSizeF size, const Scene& scene, QStringList* bandLabels)
{
    p.fillRect(QRectF(QPointF(0, 0), size), kBackground);
    QFont font = p.font();
    font.setPixelSize(kLabelPixels);
    p.setFont(font);
    if (!scene.Data || scene.Data->Empty()) {
        p.setPen(kAxisText);
        p.drawText(QRectF(QPointF(0, 0), size), Qt::AlignCenter, scene.EmptyText);
        return;
    }
    const Axes axes(size, scene);
    const QRectF& area = axes.Area();
    PaintAxes(p, axes, scene);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (scene.Bands)
        PaintBandNames(p, axes, scene, bandLabels);
    p.save();
    p.setClipRect(area);
    if (scene.Bands)
        PaintBandFills(p, axes, scene);
    for (std::size_t k = 0; k < scene.More.size(); ++k)
        if (scene.More[k])
            PaintData(p, axes, scene, *scene.More[k], SeriesColour(k + 1));
    PaintData(p, axes, scene, *scene.Data, kDataLine, scene.Notes);
    if (scene.Notes && scene.Bands)
        PaintMelody(p, axes, scene);
    PaintSelectionAndCursor(p, axes, scene);
    p.restore();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(160, 160, 160));
    p.drawRect(area);
    PaintLegend(p, axes, scene);
}

QRectF NoteRect(const Axes& axes, const Scene& scene, std::size_t note)
{
    const PlotNote& n = (*scene.Notes)[note];
    if (n.Band < 0 || !scene.Bands)
        return {};
    const double x0 = axes.Px(n.X0);
    const double y = axes.Py(BandMiddle(*scene.Bands, n.Band));
    return QRectF(x0 - 3, y - 4, std::max(axes.Px(n.X1) - x0, 2.0) + 6, 8).intersected(axes.Area());
}

QRectF PlayheadRect(const Axes& axes, double x)
{
    const QRectF& area = axes.Area();
    return QRectF(axes.Px(x) - 2, area.top(), 4, area.height()).intersected(area);
}

void PaintMoving(QPainter& p, const Axes& axes, const Scene& scene, const std::vector<std::size_t>& sounding,
                 std::optional<double> playheadX)
{
    p.save();
    p.setClipRect(axes.Area());
    if (scene.Notes && scene.Bands) {
        for (const std::size_t i : sounding) {
            const PlotNote& n = (*scene.Notes)[i];
            if (n.Band < 0)
                continue;
            const double y = axes.Py(BandMiddle(*scene.Bands, n.Band));
            const double x0 = axes.Px(n.X0);
            p.fillRect(QRectF(x0, y - 2, std::max(axes.Px(n.X1) - x0, 2.0), 4), kSounding);
        }
    }
    if (playheadX)
        p.fillRect(QRectF(std::floor(axes.Px(*playheadX)) - 1, axes.Area().top(), 2, axes.Area().height()), kPlayhead);
    p.restore();
}

} // namespace plot
