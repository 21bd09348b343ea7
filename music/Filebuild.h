// SPDX-License-Identifier: MIT
// The file build, the one writer of every piece: a conductor track, then a
// melody track per series (one for the plain two-track file), put in place
// so that a failure never harms an existing file, and out of memory a failed
// build like any other. A large list is mapped while it is written.
#pragma once

#include "Mapping.h"
#include "Series.h"

#include <cstdint>
#include <functional>
#include <string>

namespace varimel {

// What a failed build gives as its reason when the piece does not fit a file.
inline constexpr char kReasonTooLong[] = "the piece is longer than a MIDI file can hold";
// ... and when a setting is not a place in its list.
inline constexpr char kReasonOutOfRange[] = "a setting is out of its range";

class TSMFWrite;

// Makes a melody's events a block at a time (MapInBlocks), handing each
// block's finished events to flush; the piece's end tick, or 0.
using BlockMapper = std::function<std::uint32_t(TMidiEventList& melody, const BlockFlush& flush)>;

// Writes a track into the open writer: melody's names, then the events map
// makes, each finished run written on a second thread while the next block
// is mapped, so a large melody never sits in memory whole. end is the
// piece's end tick in; out, what map gave (0 when the mapping failed), or
// unchanged when a write failed.
bool StreamTrack(TSMFWrite& writer, TMidiEventList& melody, const BlockMapper& map, std::uint32_t& end);

// Maps the data and writes a two-track Standard MIDI File to fileName. The
// file is put in place by ReplaceFile, so a failure never harms an existing
// file.
bool WriteMappedSmf(ScaleNoteSet& set, const TXYDataList* dataList, const std::string& fileName, int scaleIndex,
                    std::uint8_t tonic, std::uint8_t lowTone, std::uint8_t highTone, double DxPQN, int Tempo,
                    std::uint8_t Velocity, double Duration, std::uint8_t numerator, std::uint8_t denominatorPower,
                    bool writeProgramChange, std::uint8_t Program, std::string* reason = nullptr);

// Maps the list as the request says and writes the two-track file to
// fileName through WriteMappedSmf. set receives the notes the scale allowed.
// False when nothing was written (a setting out of its range included).
bool BuildSmf(const TXYDataList* data, const MappingRequest& request, const std::string& fileName, ScaleNoteSet& set,
              std::string* reason = nullptr);

// Writes the series as a Standard MIDI File of 1 + n tracks, put in place by
// ReplaceFile; the request's Program is ignored for the series' own.
// frames: what FramesOf gave for the series (none: the piece does not fit).
bool BuildSeriesSmf(const std::vector<SeriesTrack>& series, const MappingRequest& request,
                    const std::optional<SeriesFrames>& frames, const std::string& fileName,
                    std::string* reason = nullptr);

// Writes a part of several series: the conductor, then one track per series
// as BuildSeriesSmf lays it out, with the part's notes.
bool BuildSeriesPartSmf(const std::vector<SeriesTrack>& series, const SeriesPart& part, const MappingRequest& request,
                        const std::string& fileName, std::string* reason = nullptr);

} // namespace varimel
