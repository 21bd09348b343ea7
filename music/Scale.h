// SPDX-License-Identifier: MIT
// The scale catalogue, tone names, the set of notes a scale allows between
// two tones, and the key signature of a scale.
#pragma once

#include "data/Language.h"
#include "midi/Sequencer.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varimel {

inline constexpr std::uint32_t TicksPerBar = 4 * TicksPerQuarter;

inline constexpr int kScaleCount = 22;
inline constexpr int kToneCount = 88;    // piano keys A0..C8
inline constexpr int kLowestTone = 21;   // MIDI note of A0, list position 0
inline constexpr int kHighestTone = 108; // MIDI note of C8

enum class KeyMode : std::uint8_t { Major = 0, Minor = 1, None = 2 };

struct TMusicalScale {
    std::string_view Name;
    std::uint8_t NoteCount;
    KeyMode Mode;
    bool HasDescending;
    std::array<std::uint8_t, 12> AscendingIntervals;
    std::array<std::uint8_t, 12> DescendingIntervals;
};

extern const std::array<TMusicalScale, kScaleCount> ScaleTable;
// A scale's name as the window lists it: the table's, or its usual English
// name ("Major scale", "Dorian mode", "Yo scale").
std::string_view ScaleName(int index, Language language);
// The scale's word for the command line: its English name in lower case,
// without "scale" or "mode", hyphens between words ("natural-minor").
std::string ScaleKeyword(int index);
// The scale a text names: its number, its keyword, or its name in either
// language (English in any case); none for anything else.
std::optional<int> ScaleNamed(std::string_view text);
extern const std::array<std::string_view, 12> ToneNames;
extern const std::array<std::int8_t, 12> KeySignatureTable;

// Label of tone-list position k (0..87): tone name and octave, "A0".."C8".
std::string ToneLabel(int k);
// Position of a label in the tone list; "b" is accepted for the flat sign.
std::optional<int> ToneIndexOfLabel(std::string_view label);

// The notes a scale allows, in ascending order, with their descending forms.
struct ScaleNoteSet {
    std::array<std::uint8_t, 128> Ascending{};
    std::array<std::uint8_t, 128> Descending{};
    std::uint8_t Count = 128;
    std::uint8_t PreviousPosition = 0;

    // A fresh set holds all 128 notes.
    ScaleNoteSet();
};

std::uint8_t BuildNoteSet(ScaleNoteSet& set, int scaleIndex, std::uint8_t tonic, std::uint8_t lowTone,
                          std::uint8_t highTone);
std::uint8_t NoteAt(const ScaleNoteSet& set, int position, bool hasDescending);
// Writes every allowed note (both forms where they differ) to out, which
// must hold 128 entries; returns the number written.
int ListNotes(const ScaleNoteSet& set, std::int32_t* out);

struct KeySignature {
    std::int8_t SharpsFlats = 0;
    std::uint8_t Minor = 0;
};
KeySignature KeySignatureOf(int scaleIndex, int tonic);

} // namespace varimel
