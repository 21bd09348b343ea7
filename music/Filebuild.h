// SPDX-License-Identifier: MIT
// The file build, the one writer of every piece: a conductor track, then a
// melody track per series (one for the plain two-track file), put in place
// so that a failure never harms an existing file, and out of memory a failed
// build like any other. A large list is mapped while it is written.
#pragma once

#include "Mapping.h"
#include "Series.h"

#include <cstdint>
#include <string>

namespace varimel {

// What a failed build gives as its reason when the piece does not fit a file.
inline constexpr char kReasonTooLong[] = "the piece is longer than a MIDI file can hold";
// ... and when a setting is not a place in its list.
inline constexpr char kReasonOutOfRange[] = "a setting is out of its range";

// BuildSmf with the request's settings given one by one (tones as MIDI
// notes; every piece is 4/4, other time signatures are refused).
bool WriteMappedSmf(ScaleNoteSet& set, const TXYDataList* dataList, const std::string& fileName, int scaleIndex,
                    std::uint8_t tonic, std::uint8_t lowTone, std::uint8_t highTone, double DxPQN, int Tempo,
                    std::uint8_t Velocity, double Duration, std::uint8_t numerator, std::uint8_t denominatorPower,
                    bool writeProgramChange, std::uint8_t Program, std::string* reason = nullptr);

// Maps the list as the request says and writes the two-track file to
// fileName: the one-track case of the series' file, mapped while it is
// written. set receives the notes the scale allowed. False when nothing was
// written (a setting out of its range included).
bool BuildSmf(const TXYDataList* data, const MappingRequest& request, const std::string& fileName, ScaleNoteSet& set,
              std::string* reason = nullptr);

// What a file holds beside its notes: the cue tracks after the series', and
// each note's stereo place as the request's cues say.
struct CueWriting {
    std::vector<TMidiEventList> Tracks;
    PanMode Pan = PanMode::None;
    int Width = 100;
    std::uint32_t End = 0; // the piece's end with its cues (0: the notes')
};

// Writes the series as a Standard MIDI File of 1 + n tracks, put in place by
// ReplaceFile; the request's Program is ignored for the series' own.
// frames: what FramesOf gave for the series (none: the piece does not fit).
// cues: tracks written after the series' and the series' stereo places (by
// X needs BuildSeriesPartSmf).
bool BuildSeriesSmf(const std::vector<SeriesTrack>& series, const MappingRequest& request,
                    const std::optional<SeriesFrames>& frames, const std::string& fileName,
                    std::string* reason = nullptr, const CueWriting* cues = nullptr);

// Writes a part of several series (or the whole piece as its notes): the
// conductor, then one track per series as BuildSeriesSmf lays it out, with
// the part's notes, then the cue tracks, if any.
bool BuildSeriesPartSmf(const std::vector<SeriesTrack>& series, const SeriesPart& part, const MappingRequest& request,
                        const std::string& fileName, std::string* reason = nullptr, const CueWriting* cues = nullptr);

} // namespace varimel
