// SPDX-License-Identifier: MIT
// The renderer's command line: its options with their values checked, the
// settings preset they start from, and the help text.
#pragma once

#include "Values.h"
#include "data/Importer.h"
#include "data/Language.h"
#include "music/Mapping.h"
#include "playback/Audioformat.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace varimel::cli {

inline constexpr int kMaxJobs = 64;

// Columns given by their header's name, found in each file's header before
// it is read (their numbers are 0 until then).
struct NamedColumns {
    std::optional<std::string> x, velocity, duration, splitBy;
    std::vector<std::pair<std::size_t, std::string>> y;     // by place in the Y columns
    std::vector<std::pair<std::size_t, std::string>> where; // by place among the filters

    bool Any() const { return x || velocity || duration || splitBy || !y.empty() || !where.empty(); }
};

struct Options {
    MappingRequest request;        // the number settings come from the texts below
    std::optional<std::string> dx; // none: the data's mean X interval
    std::string duration{kDefaultDurationText};
    bool summaryJson = false;
    bool help = false;
    std::optional<std::string> wav; // the audio output, by --wav or --audio
    std::optional<std::string> audio;
    std::string audioExtension = "wav";
    std::optional<std::string> soundFont;
    AudioLevel audioLevel; // of --wav, --audio and --audio-format
    ImportOptions import;
    bool xColumnGiven = false;
    bool xChoiceGiven = false;         // an X option on the command line replaces the settings file's X choice
    std::optional<std::string> report; // "-": standard output
    std::optional<std::string> send;   // a MIDI port the piece is played to
    bool listPorts = false;
    std::optional<std::string> notesCsv;
    std::optional<std::string> settings;
    std::optional<std::string> outDir;      // many inputs: DIR/<name>.mid for each
    int jobs = 0;                           // files rendered at a time; 0: one per processor
    std::optional<std::string> audioFormat; // with outDir: also DIR/<name>.<format>
    std::vector<std::string> files;
    std::optional<std::string> xFrom; // the part of X to render, as given
    std::optional<std::string> xTo;
    std::optional<double> xFromValue; // read as numbers, or as dates with --x-date
    std::optional<double> xToValue;
    std::vector<int> programs; // --program: one for all series, or one each
    bool yColumnsGiven = false;
    NamedColumns named;
    // The language of the messages that the window shares (the skipped-lines
    // line, a file that cannot be read or written, a setting refused):
    // --lang, else a Japanese locale, else English.
    Language language = Language::English;

    bool Batch() const { return outDir.has_value(); }

    // Files rendered at a time: -j, else one per processor; never more than
    // the files, and one without -o.
    std::size_t Workers() const
    {
        if (!Batch())
            return 1;
        const std::size_t wanted =
            jobs > 0 ? static_cast<std::size_t>(jobs) : std::max(1u, std::thread::hardware_concurrency());
        return std::max<std::size_t>(1, std::min(wanted, files.size()));
    }

    // Only the summary is asked for: no checks, no files.
    bool SummaryOnly() const { return summaryJson && !wav && !send && files.size() == 1; }
};

// The settings file given with --settings cannot be read.
struct SettingsError {
    std::string reason;
};

// The options of a command line, checked; throws UsageError or, for an
// unreadable --settings file, SettingsError.
Options ParseArguments(int argc, char** argv);

} // namespace varimel::cli
