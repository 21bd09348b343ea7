// SPDX-License-Identifier: MIT
// What the plot shows of the window's piece, apart from the widget that
// shows it: the loaded series, each series' notes as the file holds them and
// their note bands as mapped, the lanes they are drawn in (one per series
// with their own ranges, one for all with a shared range), the X and Y the
// whole view holds, where the piece's ticks start in X, and the words a
// screen reader hears.
#pragma once

#include "data/Csvload.h"
#include "music/Piece.h"
#include "music/Plotmodel.h"
#include "music/Request.h"
#include "music/Selection.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// The piece the plot shows: the window's data and its mapping as the
// controls set it.
struct PlotPiece {
    const varimel::CsvLoad* Load = nullptr; // not owned; none: nothing loaded
    bool XDates = false;
    varimel::MappingRequest Request;
    bool Melody = false; // the request's numbers are valid, so the notes are known
    // With several series: every series' name for the legend.
    QStringList Names;
};

// One Y axis of the plot: the series drawn on it (indexes, the first series
// 0), its Y from bottom to top, and the bands its notes come from; Limits:
// the mapping's range ends (a clip or a fixed range) are drawn, and values
// beyond them marked.
struct PlotLane {
    std::vector<std::size_t> Series;
    double Y0 = 0.0;
    double Y1 = 1.0;
    const varimel::TNoteBands* Bands = nullptr;
    bool Limits = false;
};

class TPlotContent {
    // Its words are the plot's.
    Q_DECLARE_TR_FUNCTIONS(TPlotView)
public:
    // A new piece; fresh: a new load, whose X may now hold times of day.
    void Set(const PlotPiece& piece, bool fresh);
    const PlotPiece& Of() const { return m_piece; }
    // The first series, if any is loaded with a record, and the further ones.
    const varimel::TXYDataList* Data() const { return m_data; }
    bool Empty() const { return !m_data || m_data->Empty(); }
    const std::vector<const varimel::TXYDataList*>& More() const { return m_more; }
    // The piece of every series, or the part of it inside part, as the main
    // window would write it.
    varimel::TPiece Piece(std::optional<varimel::XSelection> part) const;
    const std::vector<varimel::NoteSpan>& Notes() const { return m_notes; }
    // The series the cursor follows (Data() is its records) and its notes;
    // Follow takes another one that has records (false: none such).
    std::size_t Followed() const { return m_followed; }
    bool Follow(std::size_t series);
    const std::vector<varimel::NoteSpan>& CursorNotes() const;
    // The first series' bands, and each series' notes as the plot draws them.
    const varimel::TNoteBands* Bands() const { return m_bands.empty() ? nullptr : m_bands.front().get(); }
    const std::vector<varimel::PlotNote>& PlotNotes(std::size_t series = 0) const { return m_plotNotes[series]; }
    const varimel::TXYDataList* SeriesData(std::size_t series) const
    {
        return series == 0 ? m_first : m_more[series - 1];
    }
    const std::vector<PlotLane>& Lanes() const { return m_lanes; }
    // Y is drawn on a log axis: the mapping takes log10(Y).
    bool LogY() const { return m_logY; }
    // The whole view: every series' X with room at the sides.
    double FullX0() const { return m_fullX0; }
    double FullX1() const { return m_fullX1; }
    // A view from x0 to x1 kept within the whole and never so narrow that X
    // stops changing from one of widthPx pixels to the next.
    std::pair<double, double> ViewWithin(double x0, double x1, int widthPx) const;
    // A part moved onto the records it holds; none when it holds none.
    std::optional<varimel::XSelection> OnRecords(const varimel::XSelection& part) const;
    // The first (or last) record in the view from x0 to x1; the first (or
    // last) of all when none is in view.
    int EdgeInView(double x0, double x1, bool fromLeft) const;
    // The record whose X is nearest to x (the earlier at a tie).
    int NearestTo(double x) const;
    // The X a tick of the whole piece stands at.
    double XOf(int tick) const;
    // The first series' notes sounding at tick, by index.
    void SoundingAt(std::uint32_t tick, std::vector<std::size_t>& notes) const;
    // A record (X, Y and note), the whole data, and an X as people read it.
    QString PointText(int index) const;
    // The other series at the X of the cursor's record index: each by name
    // with its value and note, or 値なし where it has none.
    QString OthersAt(int index) const;
    QString SummaryText(const QString& emptyText) const;
    // A series told by ear: its name, points, lowest and highest with where,
    // mean, its trend and the piece's length.
    QString SeriesSummary(std::size_t series) const;
    // A series' name: its header, else its column; empty for one series.
    QString SeriesName(std::size_t series) const;
    QString XText(double x) const;

private:
    PlotPiece m_piece;
    const varimel::TXYDataList* m_data = nullptr;  // the series the cursor follows
    const varimel::TXYDataList* m_first = nullptr; // the first series
    std::size_t m_followed = 0;
    std::vector<std::vector<varimel::NoteSpan>> m_seriesNotes; // every series' whole notes
    std::vector<const varimel::TXYDataList*> m_more;
    void MakeLanes();

    std::vector<std::unique_ptr<varimel::TNoteBands>> m_bands; // per series; none: no bands
    std::vector<varimel::NoteSpan> m_notes;
    std::vector<std::vector<varimel::PlotNote>> m_plotNotes; // per series
    std::vector<PlotLane> m_lanes;
    bool m_logY = false;
    double m_seconds = 0.0;      // the whole piece's length
    std::uint32_t m_longest = 0; // the longest note's ticks
    double m_fullX0 = 0.0;
    double m_fullX1 = 1.0;
    double m_originX = 0.0; // the X of the whole piece's tick 0
    bool m_xHasTime = false;
};
