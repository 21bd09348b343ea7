// SPDX-License-Identifier: MIT
// Paints the plot of a piece: a lane per Y axis, each with its note bands and
// their names, its axis with round ticks, its data thinned to pixel columns
// and its melodies, the mapping's range ends; over all lanes the X axis, the
// selection and the cursor; over them, what moves during a preview.
#pragma once

#include "data/Xydata.h"
#include "music/Plotmodel.h"
#include "music/Selection.h"

#include <QColor>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QPainter;

namespace plot {

inline const QColor kBackground{255, 255, 255};
inline const QColor kBandEven{70, 130, 200, 26};
inline const QColor kBandOdd{70, 130, 200, 10};
inline const QColor kBandText{60, 90, 140};
inline const QColor kGrid{228, 228, 228};
inline const QColor kAxisText{70, 70, 70};
inline const QColor kDataLine{48, 56, 72};
inline const QColor kMelody{240, 150, 40};
inline const QColor kSounding{255, 70, 0};
inline const QColor kPlayhead{220, 30, 30};
inline const QColor kSelectionFill{60, 120, 220, 48};
inline const QColor kSelectionEdge{60, 120, 220};
inline const QColor kCursor{0, 140, 80};
inline const QColor kLimit{200, 50, 50};
inline const QColor kCueTick{170, 120, 40};
inline const QColor kRefLine{30, 150, 110};
inline const QColor kMarkLine{190, 50, 170};
// The further series' lines, in turn.
QColor SeriesColour(std::size_t index);

// A series drawn in a lane: its records, its notes (none: no melody) and its
// place among the series (for its colour).
struct SceneLine {
    const varimel::TXYDataList* Data = nullptr;
    const std::vector<varimel::PlotNote>* Notes = nullptr;
    std::size_t Index = 0;
};

// One Y axis of the picture, stacked from the top: its series, the Y shown
// at its bottom and top edges, its note bands, and whether the mapping's
// range ends are drawn (values beyond them marked).
struct SceneLane {
    std::vector<SceneLine> Lines;
    double Y0 = 0.0;
    double Y1 = 1.0;
    const varimel::TNoteBands* Bands = nullptr;
    bool Limits = false;
    QString Name; // shown at the lane's top left when there are several lanes
};

// Everything one picture of the plot shows but the moving parts.
struct Scene {
    const varimel::TXYDataList* Data = nullptr; // the series the cursor follows; none: the empty message
    bool XDates = false;
    bool LogY = false; // every lane's Y on a log axis
    double X0 = 0.0;   // the X shown at the left and right edges
    double X1 = 1.0;
    std::vector<SceneLane> Lanes; // the first holds the first series first
    std::optional<varimel::XSelection> Selection;
    int Cursor = -1; // a record's index (of the series Data is), or none
    std::size_t CursorLane = 0;
    QString EmptyText;
    // With several series on one axis: every series' name for the legend.
    QStringList Legend;
    // The sounds beside the notes: ticks in X (major or not) across every
    // lane, reference values and the crossing value on the first lane.
    std::vector<std::pair<double, bool>> Ticks;
    std::vector<double> RefY;
    std::optional<double> MarkY;

    // The first series' bands and notes: the cursor's, and what sounds.
    const varimel::TNoteBands* Bands() const { return Lanes.empty() ? nullptr : Lanes.front().Bands; }
    const std::vector<varimel::PlotNote>* Notes() const
    {
        return Lanes.empty() || Lanes.front().Lines.empty() ? nullptr : Lanes.front().Lines.front().Notes;
    }
};

// Where the plot's area lies in a picture of size (all lanes), where a
// lane's part of it lies, and the place of an X or a Y in it (and back).
class Axes {
public:
    Axes(QSizeF size, const Scene& scene, std::size_t lane = 0);
    const QRectF& Area() const { return m_area; }
    const QRectF& Whole() const { return m_whole; }
    double Px(double x) const { return m_area.left() + (x - m_x0) * m_sx; }
    double Py(double y) const { return m_area.bottom() - (Scaled(y) - m_y0) * m_sy; }
    double XAt(double px) const { return m_x0 + (px - m_area.left()) / m_sx; }
    // A Y in the axis' scale: log10(Y) on a log axis.
    double Scaled(double y) const;

private:
    QRectF m_whole;
    QRectF m_area;
    bool m_log;
    double m_x0, m_y0, m_sx, m_sy;
};

// The middle of a band in Y, where its notes are drawn (on a log axis, the
// middle in log10(Y)).
double BandMiddle(const varimel::TNoteBands& bands, int band, bool log = false);

// Paints the scene into a picture of size (logical pixels). bandLabels, when
// given, receives the band names drawn, from the lowest up.
void Paint(QPainter& painter, QSizeF size, const Scene& scene, QStringList* bandLabels = nullptr);

// The moving parts over a painted scene: the sounding notes (indexes into
// the scene's notes) brighter, and the playhead at X (none when nullopt).
void PaintMoving(QPainter& painter, const Axes& axes, const Scene& scene, const std::vector<std::size_t>& sounding,
                 std::optional<double> playheadX);
// The rectangle a note or the playhead takes in the picture, for a repaint
// of only what changed.
QRectF NoteRect(const Axes& axes, const Scene& scene, std::size_t note);
QRectF PlayheadRect(const Axes& axes, double x);

} // namespace plot
