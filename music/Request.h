// SPDX-License-Identifier: MIT
// One request with every setting a build needs, its default and its limits
// written once. The window fills it from its controls, the renderer from its
// options, the settings file from its keys.
#pragma once

#include "Scale.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace varimel {

inline constexpr int kDefaultScale = 1; // the major scale
inline constexpr int kDefaultTonic = 0; // C
inline constexpr int kDefaultProgram = 0;
inline constexpr int kMinTempo = 20;
inline constexpr int kMaxTempo = 240;
inline constexpr int kDefaultTempo = 120;
inline constexpr int kMinVelocity = 1;
inline constexpr int kMaxVelocity = 127;
inline constexpr int kDefaultVelocity = 96;
inline constexpr int kProgramCount = 128;
// The number boxes' texts before anything is loaded or stored.
inline constexpr std::string_view kDefaultDxPQNText = "1";
inline constexpr std::string_view kDefaultDurationText = "0.875";
inline constexpr double kDefaultDuration = 0.875;
// Every piece is written in 4/4.
inline constexpr std::uint8_t kBeatsPerBar = 4;
inline constexpr std::uint8_t kBeatUnitPower = 2; // the beat is a 2^2th (quarter) note

// The tone list runs over the piano keys: position 0 is A0.
constexpr std::uint8_t MidiNoteOfTone(int toneIndex) { return static_cast<std::uint8_t>(toneIndex + kLowestTone); }
constexpr int ToneOfMidiNote(int note) { return note - kLowestTone; }

inline constexpr int kDefaultLowTone = ToneOfMidiNote(60);  // C4
inline constexpr int kDefaultHighTone = ToneOfMidiNote(84); // C6

// How values become notes beyond the plain linear mapping over the data's
// own minimum and maximum (its operations in Shape.h). The default changes
// nothing.
inline constexpr int kDefaultVelocityLow = 40;
inline constexpr int kDefaultVelocityHigh = 127;
inline constexpr double kDefaultDurationLow = 0.2;
inline constexpr double kDefaultDurationHigh = 1.0;
struct MappingShape {
    bool Invert = false;     // the highest value gives the lowest note
    bool LogY = false;       // the mapping uses log10(Y); Y must be positive
    double Clip = 0.0;       // percent: the P-th and (100-P)-th percentiles are the ends
    bool FixedRange = false; // RangeLow..RangeHigh instead of the data's
    double RangeLow = 0.0;
    double RangeHigh = 0.0;
    int VelocityColumn = 0; // each note's velocity from this column (0: fixed)
    int VelocityLow = kDefaultVelocityLow;
    int VelocityHigh = kDefaultVelocityHigh;
    int DurationColumn = 0; // each note's share of the gap from this column (0: fixed)
    double DurationLow = kDefaultDurationLow;
    double DurationHigh = kDefaultDurationHigh;
    // A series is silent where its value is at or below its threshold here
    // (one for every series, or one each in the series' order; minus
    // infinity: none), as rain is on a dry day.
    std::vector<double> RestBelow;

    bool IsDefault() const
    {
        return !Invert && !LogY && Clip == 0.0 && !FixedRange && VelocityColumn == 0 && DurationColumn == 0 &&
               RestBelow.empty();
    }
    // Whether the notes' pitches are the plain mapping's: only velocity,
    // length or rests are shaped.
    bool PitchesPlain() const { return !Invert && !LogY && Clip == 0.0 && !FixedRange; }
    // The threshold of the series at index (minus infinity: none).
    double RestBelowOf(std::size_t index) const
    {
        if (RestBelow.size() == 1)
            return RestBelow.front();
        return index < RestBelow.size() ? RestBelow[index] : -std::numeric_limits<double>::infinity();
    }
    bool operator==(const MappingShape&) const = default;
};

// What a tick step counts in: X units, or calendar steps of a date X.
enum class TickUnit : std::uint8_t { Number, Day, Week, Month, Year };
enum class RefMode : std::uint8_t { Hold, Tick };
enum class PanMode : std::uint8_t { None, X, Series };

inline constexpr std::size_t kMaxTicks = 500;
inline constexpr double kDefaultGapFactor = 3.0;

// The sounds beside the notes that let a piece be read as a graph (their
// making in Cues.h). The default adds nothing.
struct CueRequest {
    double TickStep = 0.0; // X units with TickUnit::Number; 0: no ticks
    TickUnit Unit = TickUnit::Number;
    int MajorEvery = 0; // a major tick every N minor ones; 0: the natural one
    std::vector<double> RefY;
    RefMode Ref = RefMode::Hold;
    std::optional<double> MarkY;
    bool Ends = false;
    bool Gaps = false;
    double GapFactor = kDefaultGapFactor; // a gap in X this many mean steps long is one
    PanMode Pan = PanMode::None;
    int PanWidth = 100;  // percent of the whole stereo width
    bool Legend = false; // each series' instrument once before the piece
    // What the cues need to know of the reading and the interface: X read
    // as dates (calendar steps, date labels), and the language of the cue
    // tracks' names.
    bool Dates = false;
    bool English = false;

    bool Ticks() const { return TickStep > 0.0 || Unit != TickUnit::Number; }
    // Any sound beyond the notes (stereo included).
    bool Any() const { return Ticks() || !RefY.empty() || MarkY || Ends || Gaps || Pan != PanMode::None || Legend; }
    bool operator==(const CueRequest&) const = default;
};

struct MappingRequest {
    int Scale = kDefaultScale;     // position in the scale catalogue
    int Tonic = kDefaultTonic;     // pitch class 0..11
    int LowTone = kDefaultLowTone; // tone-list positions
    int HighTone = kDefaultHighTone;
    double DxPQN = 1.0; // X increment per quarter note
    double Duration = kDefaultDuration;
    int Tempo = kDefaultTempo;
    int Velocity = kDefaultVelocity;
    int Program = kDefaultProgram;
    bool WriteProgramChange = true;
    // With several series: the instrument of each series after the first,
    // and whether all are mapped over one common Y range instead of each
    // over its own.
    std::vector<int> MorePrograms;
    bool SharedRange = false;
    MappingShape Shape;
    CueRequest Cues;
};

// Whether the request's scale, tonic and tones are places in their lists
// (and its program, when withProgram): a request that is not builds nothing.
constexpr bool RequestInRange(const MappingRequest& r, bool withProgram)
{
    return r.Scale >= 0 && r.Scale < kScaleCount && r.Tonic >= 0 && r.Tonic <= 11 && r.LowTone >= 0 &&
           r.HighTone < kToneCount && (!withProgram || (r.Program >= 0 && r.Program < kProgramCount));
}

// A value outside [low, high] goes to the nearest bound.
constexpr int ClampTo(long long value, int low, int high)
{
    return static_cast<int>(value < low ? low : (value > high ? high : value));
}

} // namespace varimel
