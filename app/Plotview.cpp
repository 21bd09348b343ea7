// SPDX-License-Identifier: MIT
#include "Plotview.h"

#include "Qtstrings.h"
#include "data/Importer.h"
#include "data/Number.h"
#include "midi/Sequencer.h"
#include "music/Series.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

using namespace varimel;

namespace {

// A drag shorter than this many pixels is a click.
constexpr double kClickSlop = 3.0;
// Each step of the wheel shows this share of the X range shown before.
constexpr double kZoomStep = 0.8;
// The whole data with this share of its X range free at each side.
constexpr double kSidePadding = 0.015;

// A screen reader hears the plot as a chart.
QAccessibleInterface* ChartFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("TPlotView") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Chart);
    return nullptr;
}

QString NoteName(int key)
{
    return key >= kLowestTone && key <= kHighestTone ? FromCore(ToneLabel(ToneOfMidiNote(key))) : QString();
}

} // namespace

TPlotView::TPlotView(QWidget* parent) : QWidget(parent)
{
    // The factory is in place before the plot's interface is first asked for.
    static const bool chart = [] {
        QAccessible::installFactory(ChartFactory);
        return true;
    }();
    (void)chart;
    setObjectName(QStringLiteral("PlotView"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 160);
    setAccessibleName(tr("グラフ"));
    m_scene.EmptyText = tr("データが読み込まれていません");
}

void TPlotView::SetPiece(const PlotPiece& piece, bool sameData)
{
    m_piece = piece;
    m_data = piece.Load ? &piece.Load->Data : nullptr;
    m_scene.Data = m_data;
    m_scene.More.clear();
    std::vector<const TXYDataList*> lists{m_data};
    if (piece.Load)
        for (const TXYDataList& more : piece.Load->More) {
            m_scene.More.push_back(&more);
            lists.push_back(&more);
        }
    m_scene.XDates = piece.XDates;
    m_bands.reset();
    m_notes.clear();
    m_plotNotes.clear();
    m_sounding.clear();
    m_playheadX.reset();
    if (!sameData || !m_data || m_data->Empty()) {
        m_scene.Selection.reset();
        m_scene.Cursor = -1;
        m_anchor = -1;
    }
    if (m_data && !m_data->Empty()) {
        const TXYDataList& data = *m_data;
        // A shaped mapping has no bands of equal Y; its notes still name the
        // points.
        const bool shaped = !piece.Request.Shape.IsDefault();
        if (!shaped)
            m_bands = std::make_unique<TNoteBands>(data, piece.Request);
        // The first series' notes as the file holds them, and where the
        // piece's ticks start in X.
        if (piece.Melody) {
            const TPiece whole = Piece(std::nullopt);
            m_notes = whole.Notes().front();
            m_originX = whole.OriginX();
        }
        m_longest = 0;
        for (const NoteSpan& n : m_notes)
            m_longest = std::max(m_longest, n.End - n.Start);
        if (m_bands)
            m_plotNotes = PlotNotes(data, m_notes, *m_bands, piece.Request.DxPQN);
        // The view holds every series.
        const XSelection xs = *XSpanOf(lists);
        const double firstX = xs.From, lastX = xs.To;
        if (!piece.Melody)
            m_originX = firstX;
        auto [minY, maxY] = data.YBounds();
        for (const TXYDataList* more : m_scene.More) {
            if (more->Empty())
                continue;
            const auto [low, high] = more->YBounds();
            minY = std::min(minY, low);
            maxY = std::max(maxY, high);
        }
        const double span = lastX - firstX;
        const double pad = span > 0 ? span * kSidePadding : 0.5;
        m_fullX0 = firstX - pad;
        m_fullX1 = lastX + pad;
        const double ySpan = maxY - minY;
        const double yPad = ySpan > 0 ? ySpan * 0.04 : std::max(1.0, std::fabs(minY) * 0.1);
        m_scene.Y0 = minY - yPad;
        m_scene.Y1 = maxY + yPad;
        if (!sameData) {
            m_xHasTime = piece.XDates &&
                         std::any_of(data.begin(), data.end(), [](const XYData& r) { return r.X != std::floor(r.X); });
            m_scene.X0 = m_fullX0;
            m_scene.X1 = m_fullX1;
        }
    }
    m_scene.Bands = m_bands.get();
    m_scene.Notes = &m_plotNotes;
    m_scene.Legend = m_scene.More.empty() ? QStringList() : piece.Names;
    Invalidate();
    Describe();
}

TPiece TPlotView::Piece(std::optional<XSelection> part) const
{
    static const CsvLoad none;
    return TPiece::Of(m_piece.Load ? *m_piece.Load : none, m_piece.Request, part);
}

void TPlotView::ShowAll() { SetViewRange(m_fullX0, m_fullX1); }

void TPlotView::SetViewRange(double x0, double x1)
{
    // Never wider than the whole, never so narrow that X stops changing
    // from one pixel to the next.
    const double full = m_fullX1 - m_fullX0;
    const double least = std::max(full * 1e-9, std::fabs(m_fullX1) * 1e-12 * width());
    double span = std::clamp(x1 - x0, least, full);
    x0 = std::clamp(x0, m_fullX0, m_fullX1 - span);
    if (x0 == m_scene.X0 && x0 + span == m_scene.X1)
        return;
    m_scene.X0 = x0;
    m_scene.X1 = x0 + span;
    Invalidate();
}

void TPlotView::SetSelection(std::optional<XSelection> selection)
{
    if (selection && m_data) {
        // A part is known by the records it holds: its ends move onto them,
        // and a part without any is no part.
        const auto [first, last] = RecordsIn(*m_data, *selection);
        selection = first < last ? std::optional(XSelection{(*m_data)[first].X, (*m_data)[last - 1].X}) : std::nullopt;
    }
    m_scene.Selection = selection;
    Invalidate();
    if (onSelectionChanged)
        onSelectionChanged();
}

void TPlotView::ClearSelectionAndCursor()
{
    m_scene.Cursor = -1;
    m_anchor = -1;
    SetSelection(std::nullopt);
    Describe();
}

void TPlotView::SetPlayhead(int tick)
{
    if (!m_data || m_data->Empty())
        return;
    const plot::Axes axes = CurrentAxes();
    QRegion dirty;
    if (m_playheadX)
        dirty += plot::PlayheadRect(axes, *m_playheadX).toAlignedRect();
    for (const std::size_t i : m_sounding)
        dirty += plot::NoteRect(axes, m_scene, i).toAlignedRect();
    m_sounding.clear();
    if (tick < 0) {
        m_playheadX.reset();
        update(dirty);
        return;
    }
    const auto t = static_cast<std::uint32_t>(tick);
    m_playheadX = XOfTick(m_originX, m_piece.Request.DxPQN, tick);
    if (!m_notes.empty()) {
        // Notes start in record order; the ones still sounding started at
        // most one longest note ago.
        const auto after = std::upper_bound(m_notes.begin(), m_notes.end(), t,
                                            [](std::uint32_t v, const NoteSpan& n) { return v < n.Start; });
        for (auto it = after; it != m_notes.begin();) {
            --it;
            if (static_cast<std::uint64_t>(it->Start) + m_longest <= t)
                break;
            if (it->End > t)
                m_sounding.push_back(static_cast<std::size_t>(it - m_notes.begin()));
        }
    }
    // When zoomed, the view moves on with the playhead.
    if (*m_playheadX < m_scene.X0 || *m_playheadX > m_scene.X1) {
        const double span = m_scene.X1 - m_scene.X0;
        SetViewRange(*m_playheadX - span * 0.05, *m_playheadX + span * 0.95);
        update();
        return;
    }
    // Many notes at once (dense data) are cheaper as one repaint from the
    // kept picture than as a region of many pieces.
    constexpr std::size_t kPiecesAtMost = 256;
    if (m_sounding.size() > kPiecesAtMost || dirty.rectCount() > static_cast<int>(kPiecesAtMost)) {
        update();
        return;
    }
    dirty += plot::PlayheadRect(axes, *m_playheadX).toAlignedRect();
    for (const std::size_t i : m_sounding)
        dirty += plot::NoteRect(axes, m_scene, i).toAlignedRect();
    update(dirty);
}

plot::Axes TPlotView::CurrentAxes() const { return plot::Axes(QSizeF(size()), m_scene); }

double TPlotView::XPixel(double x) const { return CurrentAxes().Px(x); }

void TPlotView::Invalidate()
{
    m_cacheValid = false;
    update();
}

void TPlotView::PaintTo(QPainter& painter, QSizeF size) const
{
    QStringList labels;
    plot::Paint(painter, size, m_scene, &labels);
    if (m_data && !m_data->Empty())
        plot::PaintMoving(painter, plot::Axes(size, m_scene), m_scene, m_sounding, m_playheadX);
}

QImage TPlotView::Picture(QSize size) const
{
    if (size.isEmpty())
        size = this->size();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setFont(font());
    PaintTo(painter, QSizeF(size));
    return image;
}

void TPlotView::paintEvent(QPaintEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    if (!m_cacheValid || m_cache.size() != size() * ratio) {
        m_cache = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
        m_cache.setDevicePixelRatio(ratio);
        QPainter painter(&m_cache);
        painter.setFont(font());
        m_bandLabels.clear();
        plot::Paint(painter, QSizeF(size()), m_scene, &m_bandLabels);
        m_cacheValid = true;
    }
    QPainter painter(this);
    const QRect r = event->rect();
    painter.drawImage(r, m_cache,
                      QRectF(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio).toAlignedRect());
    if (m_data && !m_data->Empty())
        plot::PaintMoving(painter, CurrentAxes(), m_scene, m_sounding, m_playheadX);
}

void TPlotView::resizeEvent(QResizeEvent*) { Invalidate(); }

void TPlotView::mousePressEvent(QMouseEvent* event)
{
    m_pressAt = event->position();
    m_pressX0 = m_scene.X0;
    m_dragged = false;
    if (event->button() == Qt::MiddleButton ||
        (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier)))
        m_drag = Drag::Pan;
    else if (event->button() == Qt::LeftButton && m_piece.Parts)
        m_drag = Drag::Select;
    else
        m_drag = Drag::None;
}

void TPlotView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_drag == Drag::None || !m_data || m_data->Empty())
        return;
    const double dx = event->position().x() - m_pressAt.x();
    if (!m_dragged && std::fabs(dx) < kClickSlop)
        return;
    m_dragged = true;
    const plot::Axes axes = CurrentAxes();
    if (m_drag == Drag::Pan) {
        const double span = m_scene.X1 - m_scene.X0;
        const double shift = dx / axes.Area().width() * span;
        SetViewRange(m_pressX0 - shift, m_pressX0 - shift + span);
        return;
    }
    const double a = axes.XAt(m_pressAt.x());
    const double b = axes.XAt(event->position().x());
    // While dragging, the part shaded is the one the pointer spans.
    m_scene.Selection = XSelection{std::min(a, b), std::max(a, b)};
    Invalidate();
}

void TPlotView::mouseReleaseEvent(QMouseEvent* event)
{
    const Drag drag = std::exchange(m_drag, Drag::None);
    if (drag != Drag::Select || !m_data || m_data->Empty())
        return;
    if (m_dragged) {
        m_anchor = -1;
        SetSelection(m_scene.Selection);
        return;
    }
    // A click outside the part lets it go.
    const double x = CurrentAxes().XAt(event->position().x());
    if (m_scene.Selection && (x < m_scene.Selection->From || x > m_scene.Selection->To))
        SetSelection(std::nullopt);
}

void TPlotView::mouseDoubleClickEvent(QMouseEvent*) { ShowAll(); }

void TPlotView::wheelEvent(QWheelEvent* event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0 || !m_data || m_data->Empty())
        return;
    // The X under the pointer stays where it is.
    const plot::Axes axes = CurrentAxes();
    const double at = axes.XAt(event->position().x());
    const double factor = std::pow(kZoomStep, steps);
    SetViewRange(at - (at - m_scene.X0) * factor, at + (m_scene.X1 - at) * factor);
    event->accept();
}

bool TPlotView::event(QEvent* event)
{
    // The keys that move the cursor are the plot's own, before any shortcut
    // of the window; Tab still leaves it.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if ((mods == Qt::NoModifier || mods == Qt::ShiftModifier) &&
            (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right || key->key() == Qt::Key_Home ||
             key->key() == Qt::Key_End)) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void TPlotView::keyPressEvent(QKeyEvent* event)
{
    if (!m_data || m_data->Empty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int last = m_data->Count() - 1;
    const bool extend = (event->modifiers() & Qt::ShiftModifier) && m_piece.Parts;
    const int cursor = m_scene.Cursor;
    // Without a cursor, the first step lands on the first or last point in
    // view.
    const auto inView = [this](bool fromLeft) {
        const auto [first, end] = RecordsIn(*m_data, XSelection{m_scene.X0, m_scene.X1});
        if (first >= end)
            return fromLeft ? 0 : m_data->Count() - 1;
        return static_cast<int>(fromLeft ? first : end - 1);
    };
    switch (event->key()) {
    case Qt::Key_Right:
        MoveCursor(cursor < 0 ? inView(true) : std::min(cursor + 1, last), extend);
        break;
    case Qt::Key_Left:
        MoveCursor(cursor < 0 ? inView(false) : std::max(cursor - 1, 0), extend);
        break;
    case Qt::Key_Home:
        // Home also shows the whole again; with Shift or a cursor in use it
        // takes the cursor to the first point.
        ShowAll();
        if (cursor >= 0 || extend)
            MoveCursor(0, extend);
        break;
    case Qt::Key_End:
        MoveCursor(last, extend);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TPlotView::MoveCursor(int index, bool extend)
{
    const TXYDataList& data = *m_data;
    if (extend) {
        if (m_anchor < 0)
            m_anchor = m_scene.Cursor >= 0 ? m_scene.Cursor : index;
    } else {
        m_anchor = -1;
    }
    m_scene.Cursor = index;
    KeepVisible(data[static_cast<std::size_t>(index)].X);
    if (extend)
        SetSelection(XSelection{data[static_cast<std::size_t>(std::min(m_anchor, index))].X,
                                data[static_cast<std::size_t>(std::max(m_anchor, index))].X});
    else
        Invalidate();
    Describe();
    if (onCursorKey && !m_notes.empty())
        onCursorKey(m_notes[static_cast<std::size_t>(index)].Key);
}

void TPlotView::KeepVisible(double x)
{
    if (x >= m_scene.X0 && x <= m_scene.X1)
        return;
    const double span = m_scene.X1 - m_scene.X0;
    SetViewRange(x - span / 2, x + span / 2);
}

QString TPlotView::XText(double x) const
{
    return FromCore(m_piece.XDates ? FormatDate(x, m_xHasTime) : FormatG(x, 0, false));
}

QString TPlotView::PointText(int index) const
{
    const XYData& r = (*m_data)[static_cast<std::size_t>(index)];
    QString note;
    if (!m_notes.empty())
        note = NoteName(m_notes[static_cast<std::size_t>(index)].Key);
    else if (m_bands && m_bands->BandOf(r.Y) >= 0)
        note = FromCore(m_bands->Bands()[static_cast<std::size_t>(m_bands->BandOf(r.Y))].Name);
    QString text = QStringLiteral("X %1, Y %2").arg(XText(r.X), FromCore(FormatG(r.Y, 0, false)));
    if (!note.isEmpty())
        text += QStringLiteral(", ") + note;
    return text;
}

QString TPlotView::SummaryText() const
{
    if (!m_data || m_data->Empty())
        return m_scene.EmptyText;
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

void TPlotView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        setAccessibleName(tr("グラフ"));
        m_scene.EmptyText = tr("データが読み込まれていません");
        Describe();
        Invalidate();
    }
    QWidget::changeEvent(event);
}

void TPlotView::Describe()
{
    setAccessibleDescription(
        m_scene.Cursor >= 0 && m_data && m_scene.Cursor < m_data->Count() ? PointText(m_scene.Cursor) : SummaryText());
}
