// SPDX-License-Identifier: MIT
// The settings file: where it lives, its sections and keys, and reading and
// writing the window's values in their fixed order. Plain C++, so the window
// and the renderer share one reading of it.
#pragma once

#include "Places.h"
#include "data/Importer.h"
#include "music/Mapping.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace varimel {

inline constexpr char kSectionDirectories[] = "Directories";
inline constexpr char kSectionMappingParam[] = "MappingParam";
inline constexpr char kSectionPlayback[] = "Playback"; // read if present, never written
inline constexpr char kKeyCsvDir[] = "CsvDir";
inline constexpr char kKeySmfDir[] = "SmfDir";
inline constexpr char kKeyScale[] = "Scale";
inline constexpr char kKeyTonic[] = "Tonic";
inline constexpr char kKeyLowTone[] = "LowTone";
inline constexpr char kKeyHighTone[] = "HighTone";
inline constexpr char kKeyTempo[] = "Tempo";
inline constexpr char kKeyVelocity[] = "Velocity";
inline constexpr char kKeyProgram[] = "Program";
inline constexpr char kKeyDxPQN[] = "DxPQN";
inline constexpr char kKeyDuration[] = "Duration";
inline constexpr char kKeyDisableProgChange[] = "DisableProgChange";
inline constexpr char kKeySoundFont[] = "SoundFont";
inline constexpr char kKeyAudioDriver[] = "AudioDriver";
inline constexpr char kKeyOutput[] = "Output";
inline constexpr char kSectionImport[] = "Import";
inline constexpr char kKeyXColumn[] = "XColumn"; // 0: the line number
inline constexpr char kKeyYColumn[] = "YColumn";
inline constexpr char kKeyXDate[] = "XDate";
inline constexpr char kKeyDecimalComma[] = "DecimalComma";
inline constexpr char kKeySeparator[] = "Separator";
inline constexpr char kKeyDateOrder[] = "DateOrder";
inline constexpr char kKeyWhereColumn[] = "WhereColumn";
inline constexpr char kKeyWhereValue[] = "WhereValue";
inline constexpr char kKeySplitBy[] = "SplitBy";
inline constexpr char kKeyMoreYColumns[] = "MoreYColumns"; // "5,7": further series
inline constexpr char kKeyMorePrograms[] = "MorePrograms"; // "73,40": their instruments
inline constexpr char kKeySharedRange[] = "SharedRange";   // 1: every series over one Y range
inline constexpr char kSectionShape[] = "Shape";           // the mapping's shape, once it differs from the plain one
inline constexpr char kKeyShapeInvert[] = "Invert";
inline constexpr char kKeyShapeLogY[] = "LogY";
inline constexpr char kKeyShapeClip[] = "Clip";
inline constexpr char kKeyShapeFixedRange[] = "FixedRange";
inline constexpr char kKeyShapeRangeLow[] = "RangeLow";
inline constexpr char kKeyShapeRangeHigh[] = "RangeHigh";
inline constexpr char kKeyShapeVelocityColumn[] = "VelocityColumn";
inline constexpr char kKeyShapeVelocityLow[] = "VelocityLow";
inline constexpr char kKeyShapeVelocityHigh[] = "VelocityHigh";
inline constexpr char kKeyShapeDurationColumn[] = "DurationColumn";
inline constexpr char kKeyShapeDurationLow[] = "DurationLow";
inline constexpr char kKeyShapeDurationHigh[] = "DurationHigh";
inline constexpr char kKeyShapeRestBelow[] = "RestBelow";
inline constexpr char kSectionPlot[] = "Plot";
inline constexpr char kKeyLeft[] = "Left";
inline constexpr char kKeyTop[] = "Top";
inline constexpr char kKeyWidth[] = "Width";
inline constexpr char kKeyHeight[] = "Height";
inline constexpr char kSectionWindow[] = "Window";
inline constexpr char kKeyLanguage[] = "Language"; // "ja" or "en"; written once chosen

// A window's place on the desktop: its frame's top left corner and its
// inner size.
struct StoredPlace {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};
// The size a stored place may have, and how far off the origin it may be.
inline constexpr int kMinPlaceSize = 100;
inline constexpr int kMaxPlaceSize = 16384;
inline constexpr int kMaxPlaceOffset = 32768;

// The values the settings file holds. Tones are tone-list positions; the two
// reals are kept as the texts of the window's number boxes.
struct StoredSettings {
    std::string CsvDir;
    std::string SmfDir;
    int Scale = kDefaultScale;
    int Tonic = kDefaultTonic;
    int LowTone = kDefaultLowTone;
    int HighTone = kDefaultHighTone;
    int Tempo = kDefaultTempo;
    int Velocity = kDefaultVelocity;
    int Program = kDefaultProgram;
    std::string DxPQN{kDefaultDxPQNText};
    std::string Duration{kDefaultDurationText};
    bool DisableProgChange = false;
    ImportOptions Import;                         // [Import]
    std::vector<int> MorePrograms;                // [Import]: the further columns' instruments
    bool SeriesUnusable = false;                  // [Import]: a list of further columns was there but unusable
    bool SharedRange = false;                     // [Import]: every series over one Y range
    std::string SoundFont;                        // [Playback], read only
    std::string AudioDriver;                      // [Playback], read only
    std::string Output;                           // [Playback]: the preview's MIDI port, empty the built-in synthesizer
    std::optional<StoredPlace> Plot;              // [Plot]: none when absent or out of range, and then not written
    MappingShape Shape;                           // [Shape]: the plain mapping when absent or out of range
    CueRequest Cues;                              // [Cues]: none when absent or out of range
    double PlotSpeed = 1.0;                       // [Plot] Speed: the preview's, 0.25 to 4
    Language WindowLanguage = Language::Japanese; // [Window]: Japanese when absent or unknown
};

// A stored list position outside its list gives the list's default, so no
// table is ever looked up with a position that is not there.
constexpr int StoredPosition(int stored, int count, int fallback)
{
    return stored >= 0 && stored < count ? stored : fallback;
}

// The mapping choices of stored settings as a request, as the window applies
// them: positions checked against their lists, tempo and velocity to the
// nearest bound. The number boxes' texts stay with the settings.
MappingRequest StoredRequest(const StoredSettings& stored);

// The SoundFont the user's settings file names under [Playback], or empty.
std::string ConfiguredSoundFont();

// A settings file is small: one larger than this is no settings file and is
// not read.
inline constexpr std::size_t kMaxSettingsBytes = std::size_t{1} << 20;

// Whether the file at path is a settings file too large to read.
bool SettingsFileTooLarge(const std::string& path);

// Reads a settings file the user names (a file, a pipe, /dev/stdin) as
// ReadSettingsFile does; empty with the reason when it cannot be read or is
// larger than kMaxSettingsBytes.
std::optional<StoredSettings> ReadSettingsFrom(const std::string& path, std::string& reason);

// Reads every key; a missing file or key, or a malformed value, gives the
// default. Directory keys default to documents; reals come back in their
// shortest form (a stored 1.50 reads as "1.5").
StoredSettings ReadSettingsFile(const std::string& path, const std::string& documents);

enum class SettingsWrite { Written, FileFailed, NumberFailed };

// Writes the keys one by one in their order, each replacing the file, and
// stops at the first that fails (the [Import] keys only once they differ from
// the defaults or the file has them already) (the file cannot be written, or a number
// box's text is not a number); keys written before it stay written.
// reason, when given, receives why the file could not be written.
SettingsWrite WriteSettingsFile(const std::string& path, const StoredSettings& values, std::string* reason = nullptr);

} // namespace varimel
