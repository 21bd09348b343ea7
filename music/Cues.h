// SPDX-License-Identifier: MIT
// The sounds that let a listener read the piece as a graph without seeing
// it: ticks along X, reference tones at chosen values, a figure where the
// first series crosses a value, a chime at the end and a low tone at gaps,
// and the stereo place of each note. Each kind is a track of its own; none
// is on by default, and then the piece is exactly as before.
#pragma once

#include "Mapping.h"
#include "Plotmodel.h"
#include "data/Language.h"
#include "data/Xydata.h"
#include "midi/Sequencer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varimel {

// The kind of a cue event, as the notes table names it.
enum class CueKind : std::uint8_t { Tick, Ref, Mark, End, Gap, Legend };
std::string_view CueKindName(CueKind kind);

// One sound of a cue: when, on which channel, which key, how loud and how
// long, and the X it stands for; a major tick's label for its Marker.
struct CueNote {
    std::uint32_t Start = 0;
    std::uint32_t Length = 0;
    std::uint8_t Channel = 0;
    std::uint8_t Key = 0;
    std::uint8_t Velocity = 0;
    CueKind Kind = CueKind::Tick;
    double X = 0.0;
    std::string Marker; // empty: none
    bool Held = false;  // sounds through the piece: a part keeps its share of it
};

// A track of cues: its name and instrument, and its sounds in time order.
struct CueTrack {
    std::string Name;
    std::uint8_t Channel = 0;
    int Program = -1; // none: the percussion channel
    std::vector<CueNote> Notes;
};

// Why cues cannot be made for a piece, with what the message names.
struct CueRefusal {
    enum class Kind : std::uint8_t { None, DateUnitWithoutDates, TooManyTicks, RefOutside, NoChannel };
    Kind What = Kind::None;
    std::size_t Count = 0; // ticks
    std::string Suggest;   // a step that gives few enough
    double Value = 0.0;    // the reference value
    double Low = 0.0;      // the range it must lie in
    double High = 0.0;
};
// The refusal in words.
std::string CueRefusalText(const CueRefusal& refusal, Language language);

// The ticks in X: where they fall from x0 to x1 and which are major, with
// their labels. A calendar unit without date X, or more than kMaxTicks
// ticks, is refused.
struct XTick {
    double X = 0.0;
    bool Major = false;
    std::string Label;
};
std::vector<XTick> TicksOf(const CueRequest& cues, bool dates, double x0, double x1, CueRefusal* refusal);

// Everything the cues of a piece are made from: its frame in time, the first
// series with its notes and bands, and the channels its series use.
struct CueInputs {
    double OriginX = 0.0;
    double DxPQN = 1.0;
    std::uint32_t End = 0; // the whole piece's end tick
    bool Dates = false;
    const TXYDataList* First = nullptr;
    const std::vector<NoteSpan>* Notes = nullptr; // the first series' (one per record)
    const TNoteBands* Bands = nullptr;            // the first series' bands, for reference notes
    const std::vector<double>* LineXs = nullptr;  // every line's X, when some series miss values
    std::size_t SeriesCount = 1;
    Language Words = Language::Japanese; // the tracks' names
    double FirstX = 0.0;                 // the first X of every series (OriginX is earlier with a legend)
    std::vector<std::string> Names;      // each series' name, for the legend's markers
    std::uint8_t MiddleKey = 60;         // the middle note of the scale between the tones
};

// The cue tracks of a whole piece (ticks, reference, marks: each only when
// asked for), or none with the reason a choice is refused.
std::optional<std::vector<CueTrack>> CueTracks(const CueRequest& cues, const CueInputs& in, CueRefusal* refusal);

// The unit of a tick step by name ("day", "week", "month", "year"), and the
// other way.
std::optional<TickUnit> TickUnitNamed(std::string_view name);
std::string_view TickUnitName(TickUnit unit);

// The stereo place (a Pan controller value) of a position from 0 to 1 at a
// width; one position alone stays in the middle.
std::uint8_t PanValue(double position, int width);
// The place of a note at a share of the X range: along a gentle S, so that
// the first and last stretches of X sound clearly at the sides (a pan near
// the middle moves a sound little), the middle in the middle.
std::uint8_t PanAlongX(double share, int width);
// The place of the series at index among count, spread over the width.
std::uint8_t SeriesPan(std::size_t index, std::size_t count, int width);
// A Pan controller (CC10) event.
TMidiEvent PanEvent(std::uint32_t at, std::uint8_t channel, std::uint8_t value);

// Adds the chime after the last note at tick at (X x) to the marks' track.
void AddEndChime(std::vector<CueTrack>& tracks, std::uint32_t at, double x);

// The cue tracks as event lists of a file, each moved back by shift and cut
// to [shift, shift + end): the events of a part of the piece. The legend
// stays where it is, before the piece or the part.
std::vector<TMidiEventList> CueEventLists(const std::vector<CueTrack>& tracks, bool pan, std::uint32_t shift,
                                          std::uint32_t end);

} // namespace varimel
