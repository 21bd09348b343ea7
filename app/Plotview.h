// SPDX-License-Identifier: MIT
// The plot of the loaded data as a control: zoom with the wheel, pan with
// the middle button or Ctrl, a part chosen by dragging or with Shift and the
// arrow keys, a cursor that steps from point to point, and the playhead of a
// preview. The picture is kept between paints, so the playhead repaints only
// the strips it leaves and enters.
#pragma once

#include "Plotcontent.h"
#include "Plotpaint.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class TPlotView : public QWidget {
    Q_OBJECT
public:
    explicit TPlotView(QWidget* parent = nullptr);

    // A new load (sameData false: the view, the selection and the cursor start
    // afresh) or a new mapping of the same data.
    void SetPiece(const PlotPiece& piece, bool sameData);
    void ShowAll();
    // The X range shown, and the part chosen.
    std::pair<double, double> ViewRange() const { return {m_scene.X0, m_scene.X1}; }
    void SetViewRange(double x0, double x1);
    const std::optional<varimel::XSelection>& Selection() const { return m_scene.Selection; }
    void SetSelection(std::optional<varimel::XSelection> selection);
    int Cursor() const { return m_scene.Cursor; }
    // The series the cursor follows (0: the first).
    std::size_t Followed() const { return m_content.Followed(); }
    void ClearSelectionAndCursor();
    // The whole piece's tick the preview has reached, or -1 when none plays;
    // the X the playhead stands at.
    void SetPlayhead(int tick);
    std::optional<double> PlayheadX() const { return m_playheadX; }

    // The piece of every series shown, or the part of it inside part, as
    // the main window would write it.
    varimel::TPiece Piece(std::optional<varimel::XSelection> part) const;
    // The whole piece's notes (one per record; empty without a melody).
    const std::vector<varimel::NoteSpan>& Notes() const { return m_content.Notes(); }
    const varimel::TNoteBands* Bands() const { return m_content.Bands(); }
    // The picture as it is painted now, at size (the widget's when empty).
    QImage Picture(QSize size = {}) const;
    void PaintTo(QPainter& painter, QSizeF size) const;
    // What the picture draws: its lanes, axes and series.
    const plot::Scene& Drawn() const { return m_scene; }
    // The band names the last picture drew, from the lowest up.
    const QStringList& BandLabels() const { return m_bandLabels; }
    // Where an X is drawn, in the widget's pixels.
    double XPixel(double x) const;

    std::function<void()> onSelectionChanged;
    std::function<void(int key)> onCursorKey;       // a step of the cursor sounds its note
    std::function<void()> onCursorMoved;            // the cursor went to another point
    std::function<void(int step)> onSpeed;          // Q/E, Ctrl+Down/Up: one step slower (-1) or faster
    std::function<void()> onPlayPart;               // Shift+End, Shift+Home: play the part they chose
    std::function<void(const QString&)> onAnnounce; // S, A: a summary for the status line too
    // Where the cursor is, as the screen reader hears it ("X 2024-01-05, Y
    // 12.3, D4"); empty without a cursor.
    QString CursorText() const;
    // Says text as the plot's description and through onAnnounce.
    void Announce(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The listening keys as a menu (the right button, the Menu key, Shift+F10).
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    enum class Drag { None, Select, Pan };
    void Invalidate();
    void MoveCursor(int index, bool extend);
    void KeepVisible(double x);
    // The point a first step lands on: inside the part, else the one
    // nearest the middle of the view.
    int FirstStep(bool right) const;
    // After a zoom or pan, a cursor left outside the view comes into it.
    void CursorIntoView();
    void Describe();
    // The cursor to the next point (after the cursor, from the start again)
    // whose Y is the series' lowest or highest.
    void JumpToExtreme(bool highest);
    // The cursor to the next series with records (PageDown) or back.
    void FollowSeries(int step);
    std::size_t LaneOf(std::size_t series) const;
    plot::Axes CurrentAxes() const;

    TPlotContent m_content;
    plot::Scene m_scene;
    int m_anchor = -1; // where a selection made with Shift started
    std::optional<double> m_playheadX;
    std::vector<std::size_t> m_sounding;
    QImage m_cache; // the scene without its moving parts
    bool m_cacheValid = false;
    QStringList m_bandLabels;
    Drag m_drag = Drag::None;
    QPointF m_pressAt;
    double m_pressX0 = 0.0;
    bool m_dragged = false;
};
