// SPDX-License-Identifier: MIT
#include "Plotview.h"

#include "Plotkeys.h"

#include "music/Cues.h"
#include "music/Piece.h"

#include <QAccessibleWidget>
#include <QContextMenuEvent>
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

// A screen reader hears the plot as a chart.
QAccessibleInterface* ChartFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("TPlotView") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Chart);
    return nullptr;
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
    const bool fresh = !sameData;
    m_content.Set(piece, fresh);
    m_scene.XDates = piece.XDates;
    m_scene.LogY = m_content.LogY();
    m_sounding.clear();
    m_playheadX.reset();
    if (fresh || m_content.Empty()) {
        m_scene.Selection.reset();
        m_scene.Cursor = -1;
        m_anchor = -1;
    }
    if (!m_content.Empty() && fresh) {
        m_scene.X0 = m_content.FullX0();
        m_scene.X1 = m_content.FullX1();
    }
    // The content's lanes as the picture draws them.
    m_scene.Lanes.clear();
    for (const PlotLane& lane : m_content.Lanes()) {
        plot::SceneLane drawn{{}, lane.Y0, lane.Y1, lane.Bands, lane.Limits, {}};
        for (const std::size_t k : lane.Series)
            drawn.Lines.push_back({m_content.SeriesData(k), &m_content.PlotNotes(k), k});
        if (lane.Series.size() == 1 && static_cast<qsizetype>(lane.Series.front()) < piece.Names.size())
            drawn.Name = piece.Names[static_cast<qsizetype>(lane.Series.front())];
        m_scene.Lanes.push_back(std::move(drawn));
    }
    m_scene.Legend = m_content.More().empty() ? QStringList() : piece.Names;
    m_scene.Data = m_content.Data();
    m_scene.CursorLane = LaneOf(m_content.Followed());
    // The cues as lines: ticks where they sound, the values they stand for.
    const CueRequest& cues = piece.Request.Cues;
    m_scene.Ticks.clear();
    if (!m_content.Empty() && cues.Ticks()) {
        const std::optional<XSelection> span = XSpanOf(*piece.Load);
        for (const XTick& t : TicksOf(cues, piece.XDates, span->From, span->To, nullptr))
            m_scene.Ticks.emplace_back(t.X, t.Major);
    }
    m_scene.RefY = cues.RefY;
    m_scene.MarkY = cues.MarkY;
    Invalidate();
    Describe();
}

TPiece TPlotView::Piece(std::optional<XSelection> part) const { return m_content.Piece(part); }

void TPlotView::ShowAll() { SetViewRange(m_content.FullX0(), m_content.FullX1()); }

void TPlotView::SetViewRange(double x0, double x1)
{
    const auto [from, to] = m_content.ViewWithin(x0, x1, width());
    if (from == m_scene.X0 && to == m_scene.X1)
        return;
    m_scene.X0 = from;
    m_scene.X1 = to;
    CursorIntoView();
    Invalidate();
}

void TPlotView::CursorIntoView()
{
    if (m_scene.Cursor < 0 || m_content.Empty() || m_scene.Cursor >= m_content.Data()->Count())
        return;
    const double x = (*m_content.Data())[static_cast<std::size_t>(m_scene.Cursor)].X;
    if (x >= m_scene.X0 && x <= m_scene.X1)
        return;
    const int moved = m_content.EdgeInView(m_scene.X0, m_scene.X1, x < m_scene.X0);
    const double to = (*m_content.Data())[static_cast<std::size_t>(moved)].X;
    // Only a point the view shows takes the cursor; else it stays.
    if (to < m_scene.X0 || to > m_scene.X1)
        return;
    m_scene.Cursor = moved;
    m_anchor = -1;
    Describe();
    if (onCursorMoved)
        onCursorMoved();
}

int TPlotView::FirstStep(bool right) const
{
    if (m_scene.Selection) {
        const auto [first, end] = RecordsIn(*m_content.Data(), *m_scene.Selection);
        if (first < end)
            return static_cast<int>(right ? first : end - 1);
    }
    return m_content.NearestTo((m_scene.X0 + m_scene.X1) / 2);
}

QString TPlotView::CursorText() const
{
    return m_scene.Cursor >= 0 && m_content.Data() && m_scene.Cursor < m_content.Data()->Count()
               ? m_content.PointText(m_scene.Cursor)
               : QString();
}

void TPlotView::SetSelection(std::optional<XSelection> selection)
{
    m_scene.Selection = selection ? m_content.OnRecords(*selection) : std::nullopt;
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
    if (m_content.Empty())
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
    m_playheadX = m_content.XOf(tick);
    m_content.SoundingAt(static_cast<std::uint32_t>(tick), m_sounding);
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
    if (!m_content.Empty())
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
    if (!m_content.Empty())
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
    else if (event->button() == Qt::LeftButton)
        m_drag = Drag::Select;
    else
        m_drag = Drag::None;
}

void TPlotView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_drag == Drag::None || m_content.Empty())
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
    if (drag != Drag::Select || m_content.Empty())
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
    if (steps == 0 || m_content.Empty())
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
        // The listening keys too: speed, jumps, summaries, the note again.
        const bool plain = mods == Qt::NoModifier;
        const bool ctrl = mods == Qt::ControlModifier;
        if ((plain && (key->key() == Qt::Key_Q || key->key() == Qt::Key_E || key->key() == Qt::Key_S ||
                       key->key() == Qt::Key_A || key->key() == Qt::Key_Space || key->key() == Qt::Key_BracketLeft ||
                       key->key() == Qt::Key_BracketRight)) ||
            (ctrl && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_Left ||
                      key->key() == Qt::Key_Right)) ||
            (plain && (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown))) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void TPlotView::keyPressEvent(QKeyEvent* event)
{
    if (m_content.Empty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int last = m_content.Data()->Count() - 1;
    const bool extend = (event->modifiers() & Qt::ShiftModifier) != 0;
    int cursor = m_scene.Cursor;
    const bool right = event->key() == Qt::Key_Right;
    // Shift+arrow on a part made otherwise (dragged, typed) moves its edge
    // nearer the cursor (without one, the edge the arrow points to), the
    // other edge staying.
    if (extend && m_anchor < 0 && m_scene.Selection && (right || event->key() == Qt::Key_Left)) {
        const auto [first, end] = RecordsIn(*m_content.Data(), *m_scene.Selection);
        if (first < end) {
            const int lo = static_cast<int>(first), hi = static_cast<int>(end - 1);
            const bool moveHigh = cursor >= 0 ? std::abs(cursor - hi) < std::abs(cursor - lo) : right;
            m_anchor = moveHigh ? lo : hi;
            cursor = moveHigh ? hi : lo;
        }
    }
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    // Ctrl+arrows move by a tenth of the points in view.
    const auto tenth = [this] {
        const auto [first, end] = RecordsIn(*m_content.Data(), XSelection{m_scene.X0, m_scene.X1});
        return std::max<int>(1, static_cast<int>((end - first) / 10));
    };
    switch (event->key()) {
    case Qt::Key_Q:
    case Qt::Key_E:
        if (onSpeed)
            onSpeed(event->key() == Qt::Key_E ? 1 : -1);
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (ctrl && onSpeed)
            onSpeed(event->key() == Qt::Key_Up ? 1 : -1);
        else
            QWidget::keyPressEvent(event);
        break;
    case Qt::Key_BracketLeft:
    case Qt::Key_BracketRight:
        JumpToExtreme(event->key() == Qt::Key_BracketRight);
        break;
    case Qt::Key_Space:
        // The cursor's note again, and what the other series hold there.
        if (cursor >= 0) {
            MoveCursor(cursor, false);
            if (!m_content.More().empty())
                Announce(m_content.SeriesName(m_content.Followed()) + QStringLiteral(": ") + CursorText() +
                         QStringLiteral(" / ") + m_content.OthersAt(cursor));
        }
        break;
    case Qt::Key_S:
        Announce(m_content.SeriesSummary(m_content.Followed()));
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        FollowSeries(event->key() == Qt::Key_PageDown ? 1 : -1);
        break;
    case Qt::Key_A: {
        QStringList all;
        for (std::size_t k = 0; k <= m_content.More().size(); ++k)
            all << m_content.SeriesSummary(k);
        Announce(all.join(QStringLiteral(" / ")));
        break;
    }
    case Qt::Key_Right:
        if (ctrl && cursor >= 0)
            MoveCursor(std::min(cursor + tenth(), last), extend);
        else
            MoveCursor(cursor < 0 ? FirstStep(true) : std::min(cursor + 1, last), extend);
        break;
    case Qt::Key_Left:
        if (ctrl && cursor >= 0)
            MoveCursor(std::max(cursor - tenth(), 0), extend);
        else
            MoveCursor(cursor < 0 ? FirstStep(false) : std::max(cursor - 1, 0), extend);
        break;
    case Qt::Key_Home:
        // Home also shows the whole again; with Shift or a cursor in use it
        // takes the cursor to the first point.
        ShowAll();
        if (cursor >= 0 || extend)
            MoveCursor(0, extend);
        // Shift+Home chose the part from the start to the cursor: it plays.
        if (extend && onPlayPart)
            onPlayPart();
        break;
    case Qt::Key_End:
        MoveCursor(last, extend);
        // Shift+End chose the part from the cursor to the end: it plays.
        if (extend && onPlayPart)
            onPlayPart();
        break;
    case Qt::Key_F10:
        if (extend) {
            const QPoint at = rect().center();
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, mapToGlobal(at));
            contextMenuEvent(&menu);
        } else {
            QWidget::keyPressEvent(event);
        }
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TPlotView::MoveCursor(int index, bool extend)
{
    const TXYDataList& data = *m_content.Data();
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
    if (onCursorMoved)
        onCursorMoved();
    // A rest has no note to sound.
    const std::vector<NoteSpan>& notes = m_content.CursorNotes();
    if (onCursorKey && notes.size() > static_cast<std::size_t>(index) &&
        !IsRest(notes[static_cast<std::size_t>(index)]))
        onCursorKey(notes[static_cast<std::size_t>(index)].Key);
}

void TPlotView::KeepVisible(double x)
{
    if (x >= m_scene.X0 && x <= m_scene.X1)
        return;
    const double span = m_scene.X1 - m_scene.X0;
    SetViewRange(x - span / 2, x + span / 2);
}

void TPlotView::contextMenuEvent(QContextMenuEvent* event)
{
    ShowListeningKeys(this, event->globalPos(), [this](QKeyEvent& key) { keyPressEvent(&key); });
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
    setAccessibleDescription(m_scene.Cursor >= 0 && m_content.Data() && m_scene.Cursor < m_content.Data()->Count()
                                 ? m_content.PointText(m_scene.Cursor)
                                 : m_content.SummaryText(m_scene.EmptyText));
}

void TPlotView::FollowSeries(int step)
{
    // The next series with records that way; the cursor to its point
    // nearest the X it was at, its note sounding.
    const std::size_t count = m_content.More().size() + 1;
    const double x = m_scene.Cursor >= 0 ? (*m_content.Data())[static_cast<std::size_t>(m_scene.Cursor)].X
                                         : (m_scene.X0 + m_scene.X1) / 2;
    for (std::size_t k = m_content.Followed();;) {
        if ((step < 0 && k == 0) || (step > 0 && k + 1 >= count))
            return;
        k = step < 0 ? k - 1 : k + 1;
        if (m_content.Follow(k))
            break;
    }
    m_anchor = -1;
    m_scene.Data = m_content.Data();
    m_scene.CursorLane = LaneOf(m_content.Followed());
    MoveCursor(m_content.NearestTo(x), false);
    const QString name = m_content.SeriesName(m_content.Followed());
    Announce(name.isEmpty() ? CursorText() : name + QStringLiteral(": ") + CursorText());
}

std::size_t TPlotView::LaneOf(std::size_t series) const
{
    for (std::size_t k = 0; k < m_content.Lanes().size(); ++k)
        for (const std::size_t s : m_content.Lanes()[k].Series)
            if (s == series)
                return k;
    return 0;
}

void TPlotView::JumpToExtreme(bool highest)
{
    const TXYDataList& data = *m_content.Data();
    const auto [low, high] = data.YBounds();
    const double target = highest ? high : low;
    const int count = data.Count();
    // Again from where the cursor is: the next point with that value.
    const int from = m_scene.Cursor >= 0 ? m_scene.Cursor + 1 : 0;
    for (int k = 0; k < count; ++k) {
        const int i = (from + k) % count;
        if (data[static_cast<std::size_t>(i)].Y == target) {
            MoveCursor(i, false);
            return;
        }
    }
}

void TPlotView::Announce(const QString& text)
{
    setAccessibleDescription(text);
    if (onAnnounce)
        onAnnounce(text);
}
