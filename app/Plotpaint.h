// SPDX-License-Identifier: MIT
// Paints the plot of a piece: the note bands with their names, the axes with
// round ticks, the data thinned to pixel columns, the melody, the selection
// and the cursor; over them, what moves during a preview.
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
// The further series' lines, in turn.
QColor SeriesColour(std::size_t index);

// Everything one picture of the plot shows but the moving parts.
struct Scene {
    const varimel::TXYDataList* Data = nullptr; // none: the empty message in the middle
    bool XDates = false;
    const varimel::TNoteBands* Bands = nullptr;
    const std::vector<varimel::PlotNote>* Notes = nullptr; // empty: no melody
    double X0 = 0.0;                                       // the X shown at the left and right edges
    double X1 = 1.0;
    double Y0 = 0.0; // the Y shown at the bottom and top edges
    double Y1 = 1.0;
    std::optional<varimel::XSelection> Selection;
    int Cursor = -1; // a record's index, or none
    QString EmptyText;
    // With several series: the further ones, drawn in their colours, and
    // every series' name for the legend (the first's too).
    std::vector<const varimel::TXYDataList*> More;
    QStringList Legend;
};

// Where the plot's area lies in a picture of size, and the place of an X or
// a Y in it (and back).
class Axes {
public:
    Axes(QSizeF size, const Scene& scene);
    const QRectF& Area() const { return m_area; }
    double Px(double x) const { return m_area.left() + (x - m_x0) * m_sx; }
    double Py(double y) const { return m_area.bottom() - (y - m_y0) * m_sy; }
    double XAt(double px) const { return m_x0 + (px - m_area.left()) / m_sx; }

private:
    QRectF m_area;
    double m_x0, m_y0, m_sx, m_sy;
};

// The middle of a band in Y, where its notes are drawn.
double BandMiddle(const varimel::TNoteBands& bands, int band);

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
