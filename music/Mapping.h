// SPDX-License-Identifier: MIT
// One mapping request: every setting a build needs, with its default and its
// limits written once. The window fills it from its controls, the renderer
// from its options, the settings file from its keys; BuildSmf turns a loaded
// list and a request into a file.
#pragma once

#include "Scale.h"
#include "data/Xydata.h"

#include <cstdint>
#include <string>
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
};

// A value outside [low, high] goes to the nearest bound.
constexpr int ClampTo(long long value, int low, int high)
{
    return static_cast<int>(value < low ? low : (value > high ? high : value));
}

// Maps the list as the request says and writes the two-track file to
// fileName through WriteMappedSmf. set receives the notes the scale allowed.
// False when nothing was written (a setting out of its range included).
bool BuildSmf(const TXYDataList* data, const MappingRequest& request, const std::string& fileName, ScaleNoteSet& set,
              std::string* reason = nullptr);

// One note of a mapped piece: the ticks it sounds and its key.
struct NoteSpan {
    std::uint32_t Start = 0;
    std::uint32_t End = 0;
    std::uint8_t Key = 0;
};

// The notes the request makes of the list, in time order (what BuildSmf
// writes into the melody track); empty when nothing would be built.
std::vector<NoteSpan> MappedNotes(const TXYDataList* data, const MappingRequest& request);

// The notes of a piece, asked which sound at a tick.
class NoteTimeline {
public:
    explicit NoteTimeline(std::vector<NoteSpan> notes = {});
    // The keys sounding at tick (Start <= tick < End), in ascending order
    // without repeats.
    void SoundingAt(std::uint32_t tick, std::vector<std::int32_t>& keys) const;
    bool Empty() const { return notes_.empty(); }

private:
    std::vector<NoteSpan> notes_;
    std::uint32_t longest_ = 0;
};

} // namespace varimel
