// SPDX-License-Identifier: MIT
// varimel-render: the window's CSV-to-MIDI job from the command line, for
// scripts and batch work. Same reader, same checks, same writer.
#include "config/Settingsfile.h"
#include "data/Csvreader.h"
#include "music/Filebuild.h"
#include "music/Mapping.h"
#include "music/Parameters.h"
#include "playback/Audioformat.h"
#include "sys/Paths.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace varimel;

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCheck = 3;
constexpr int kMaxJobs = 64;

// The help text; the defaults and ranges in it come from where they are set.
std::string Usage()
{
    const auto n = [](long long v) { return std::to_string(v); };
    return "Usage: varimel-render [options] INPUT.csv OUTPUT.mid\n"
           "       varimel-render [options] --wav OUTPUT.wav INPUT.csv [OUTPUT.mid]\n"
           "       varimel-render [reading options] --summary-json INPUT.csv\n"
           "       varimel-render [options] -o DIR INPUT.csv...\n"
           "Maps the Y values of a CSV file of X,Y pairs onto a musical scale and\n"
           "writes a two-track Standard MIDI File (OUTPUT.mid may be - for standard\n"
           "output).\n"
           "\n"
           "Options:\n"
           "  --scale N            scale number 0.." +
           n(kScaleCount - 1) + " (default " + n(kDefaultScale) +
           ")\n"
           "  --tonic N            pitch class 0..11 (default " +
           n(kDefaultTonic) +
           ")\n"
           "  --low TONE           lowest tone: a tone label (C4, B♭0; Bb0 and Eb4\n"
           "                       accepted too) or a MIDI note " +
           n(kLowestTone) + ".." + n(kHighestTone) + " (default " + ToneLabel(kDefaultLowTone) +
           ")\n"
           "  --high TONE          highest tone (default " +
           ToneLabel(kDefaultHighTone) +
           ")\n"
           "  --dx X               X increment per quarter note (default: the mean\n"
           "                       X interval of the data)\n"
           "  --tempo BPM          quarter notes per minute, " +
           n(kMinTempo) + ".." + n(kMaxTempo) + " (default " + n(kDefaultTempo) +
           ")\n"
           "  --velocity V         note-on velocity, " +
           n(kMinVelocity) + ".." + n(kMaxVelocity) + " (default " + n(kDefaultVelocity) +
           ")\n"
           "  --duration D         sounding part of each note, 0 < D <= 1 (default " +
           std::string(kDefaultDurationText) +
           ")\n"
           "  --program N          General MIDI program 0.." +
           n(kProgramCount - 1) + " (default " + n(kDefaultProgram) +
           ")\n"
           "  --no-program-change  write no program change\n"
           "  --summary-json       also print the data summary as one JSON object (with\n"
           "                       INPUT.csv alone: only that, no checks, no files)\n"
           "  --wav FILE           also (or only) render the piece to a WAV file through\n"
           "                       the General MIDI SoundFont, faster than real time\n"
           "  --audio FILE         like --wav, in the format of the file's extension:\n"
           "                       .wav, .flac or .ogg (Ogg Vorbis); 44.1 kHz 16-bit stereo\n"
           "  --soundfont FILE     SoundFont for --wav (default: [Playback] SoundFont of\n"
           "                       the settings file, else the system's GM SoundFont)\n"
           "  --settings FILE      take the mapping and reading options from a settings\n"
           "                       file of the window (its X increment is not used);\n"
           "                       options on the line win. The window's own is\n"
           "                       ~/.config/Korvath/Varimel/Varimel.ini\n"
           "  --notes-csv FILE     also write the value-to-note table: one row per note,\n"
           "                       x,y,note,name,start_tick,end_tick,start_seconds\n"
           "  -h, --help           show this help\n"
           "\n"
           "Many inputs:\n"
           "  -o, --out-dir DIR    write DIR/<name>.mid for every INPUT.csv given\n"
           "  -j N                 render N files at a time (default: one per processor)\n"
           "  --audio-format F     also write DIR/<name>.F, F being wav, flac or ogg\n"
           "  --notes-csv DIR      with -o: the tables as DIR/<name>.notes.csv\n"
           "  One line per file on standard error; the exit status is that of the\n"
           "  first file not written (in argument order), 0 when all were.\n"
           "\n"
           "Reading options:\n"
           "  --x-column N         X from field N (default 1)\n"
           "  --x-line             X is the line's number in the file (the first is 1)\n"
           "  --x-date             X is a date: YYYY-MM-DD, YYYY/M/D, YYYY-MM, optionally\n"
           "                       with a time h:mm[:ss[.fff]] and Z or +hh:mm; X counts days\n"
           "  --y-column N         Y from field N (default 2)\n"
           "  --decimal-comma      numbers use ',' as decimal point; ';' separates fields\n"
           "  --report FILE        write every skipped line as line<TAB>reason<TAB>text\n"
           "                       (- for standard output); reasons: empty, missing-column,\n"
           "                       x-not-number, y-not-number, x-not-date, out-of-range,\n"
           "                       too-long\n"
           "\n"
           "Exit status: 0 written, 1 the CSV file could not be read, a file not\n"
           "written or the summary not printed, 2 usage error (also an output that\n"
           "is an input or another output), 3 a parameter was refused. A failure's\n"
           "second line gives the path and the reason.\n";
}

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
    ImportOptions import;
    bool xColumnGiven = false;
    std::optional<std::string> report; // "-": standard output
    std::optional<std::string> notesCsv;
    std::optional<std::string> settings;
    std::optional<std::string> outDir;      // many inputs: DIR/<name>.mid for each
    int jobs = 0;                           // files rendered at a time; 0: one per processor
    std::optional<std::string> audioFormat; // with outDir: also DIR/<name>.<format>
    std::vector<std::string> files;

    bool Batch() const { return outDir.has_value(); }

    // Only the summary is asked for: no checks, no files.
    bool SummaryOnly() const { return summaryJson && !wav && files.size() == 1; }
};

struct UsageError {
    std::string reason;
};

// The settings file given with --settings cannot be read.
struct SettingsError {
    std::string reason;
};

std::optional<long long> ParseInteger(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    long long value = 0;
    const char* last = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), last, value);
    if (text.empty() || ptr != last)
        return std::nullopt;
    if (ec == std::errc::result_out_of_range)
        return text.front() == '-' ? -(1LL << 62) : (1LL << 62); // far outside every range
    if (ec != std::errc())
        return std::nullopt;
    return value;
}

int IntegerIn(const std::string& option, std::string_view text, long long low, long long high)
{
    const auto v = ParseInteger(text);
    if (!v || *v < low || *v > high)
        throw UsageError{option + " needs a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                         ", not '" + std::string(text) + "'"};
    return static_cast<int>(*v);
}

int Clamped(const std::string& option, std::string_view text, int low, int high)
{
    const auto v = ParseInteger(text);
    if (!v)
        throw UsageError{option + " needs a whole number, not '" + std::string(text) + "'"};
    return ClampTo(*v, low, high);
}

int ToneIn(const std::string& option, std::string_view text)
{
    if (const auto k = ToneIndexOfLabel(text))
        return *k;
    if (const auto note = ParseInteger(text); note && *note >= kLowestTone && *note <= kHighestTone)
        return ToneOfMidiNote(static_cast<int>(*note));
    throw UsageError{option + " needs a tone from " + ToneLabel(0) + " to " + ToneLabel(kToneCount - 1) +
                     " or a MIDI note from " + std::to_string(kLowestTone) + " to " + std::to_string(kHighestTone) +
                     ", not '" + std::string(text) + "'"};
}

// What tells two paths of one file apart from two files: the identity
// (device and inode) of one that exists, and the path it resolves to.
struct FileKey {
    std::string identity; // empty when the file does not exist yet
    std::string resolved;
};

FileKey KeyOf(const std::string& path)
{
    FileKey key;
    struct stat info {};
    if (stat(path.c_str(), &info) == 0)
        key.identity = std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
    std::error_code ec;
    const auto canonical = std::filesystem::weakly_canonical(path, ec);
    key.resolved = ec ? path : canonical.string();
    return key;
}

// Paths seen so far, each kept under both of its keys: one look-up a path,
// however many files a batch names.
class FileSet {
public:
    // The path already in the set that is the same file, if any.
    const std::string* Find(const FileKey& key) const
    {
        if (!key.identity.empty())
            if (const auto it = byIdentity_.find(key.identity); it != byIdentity_.end())
                return &it->second;
        const auto it = byPath_.find(key.resolved);
        return it != byPath_.end() ? &it->second : nullptr;
    }
    void Add(const FileKey& key, const std::string& path)
    {
        if (!key.identity.empty())
            byIdentity_.emplace(key.identity, path);
        byPath_.emplace(key.resolved, path);
    }

private:
    std::unordered_map<std::string, std::string> byIdentity_;
    std::unordered_map<std::string, std::string> byPath_;
};

// An output that exists and is no regular file (a device, a FIFO) is written
// in place and never destroyed, so it may coincide with anything.
bool WrittenInPlace(const std::string& path)
{
    struct stat info {};
    return path == "-" || (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode));
}

// No output may be one of the run's inputs (the CSV file, the SoundFont, the
// settings file) or another output: writing it would destroy what the user
// did not ask to replace.
// The output name of an input in a batch: its file name without ".csv".
std::string StemOf(const std::string& input)
{
    std::string name = FileNameOf(input);
    if (name.size() > 4 && ExtensionOf(name) == "csv")
        name.resize(name.size() - 4);
    return name;
}

// Every file a run writes: for each input, its MIDI file, audio file and
// notes table (empty where there is none).
struct Outputs {
    std::string midi;
    std::string audio;
    std::string notes;
};

Outputs OutputsOf(const Options& o, std::size_t input)
{
    Outputs out;
    if (o.Batch()) {
        const std::string base = *o.outDir + (o.outDir->back() == '/' ? "" : "/") + StemOf(o.files[input]);
        out.midi = base + ".mid";
        if (o.audioFormat)
            out.audio = base + "." + *o.audioFormat;
        if (o.notesCsv)
            out.notes = *o.notesCsv + (o.notesCsv->back() == '/' ? "" : "/") + StemOf(o.files[input]) + ".notes.csv";
        return out;
    }
    if (o.files.size() > 1)
        out.midi = o.files[1];
    if (o.wav)
        out.audio = *o.wav;
    if (o.notesCsv)
        out.notes = *o.notesCsv;
    return out;
}

void GuardOutputs(const Options& o)
{
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    if (o.Batch()) {
        inputs = o.files;
        for (std::size_t i = 0; i < o.files.size(); ++i) {
            for (std::size_t j = 0; j < i; ++j)
                if (StemOf(o.files[i]) == StemOf(o.files[j]))
                    throw UsageError{"'" + o.files[i] + "' and '" + o.files[j] + "' would both give '" +
                                     StemOf(o.files[i]) + ".mid'"};
            const Outputs out = OutputsOf(o, i);
            for (const std::string* path : {&out.midi, &out.audio, &out.notes})
                if (!path->empty())
                    outputs.push_back(*path);
        }
    } else {
        inputs.push_back(o.files[0]);
        const Outputs out = OutputsOf(o, 0);
        for (const std::string* path : {&out.midi, &out.audio, &out.notes})
            if (!path->empty())
                outputs.push_back(*path);
        if (o.report)
            outputs.push_back(*o.report);
    }
    if (o.wav || o.audioFormat) {
        if (o.soundFont)
            inputs.push_back(*o.soundFont);
        else if (const std::string configured = FindSoundFont(ConfiguredSoundFont()); !configured.empty())
            inputs.push_back(configured);
    }
    if (const std::string settings = SettingsFilePath(); !settings.empty())
        inputs.push_back(settings);
    if (o.settings)
        inputs.push_back(*o.settings);
    if (std::count(outputs.begin(), outputs.end(), "-") + (o.summaryJson ? 1 : 0) > 1)
        throw UsageError{"only one of OUTPUT.mid, --report, --notes-csv and --summary-json can write to standard "
                         "output"};
    FileSet read, written;
    for (const std::string& input : inputs)
        read.Add(KeyOf(input), input);
    for (const std::string& output : outputs) {
        if (WrittenInPlace(output))
            continue;
        const FileKey key = KeyOf(output);
        if (const std::string* input = read.Find(key))
            throw UsageError{"'" + output + "' is the same file as '" + *input + "'"};
        if (const std::string* other = written.Find(key))
            throw UsageError{"'" + output + "' is the same file as '" + *other + "'"};
        written.Add(key, output);
    }
}

// The mapping and import options of a settings file written by the window,
// as the window would apply them: a stored value outside its list or range
// gives the built-in default (tempo and velocity go to the nearest bound).
// The stored X increment is not used: each file brings its own.
void ApplySettingsFile(const std::string& path, Options& o)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        throw SettingsError{path + ": " + std::strerror(errno)};
    if (S_ISDIR(info.st_mode))
        throw SettingsError{path + ": " + std::strerror(EISDIR)};
    if (std::FILE* f = std::fopen(path.c_str(), "rb"))
        std::fclose(f);
    else
        throw SettingsError{path + ": " + std::strerror(errno)};
    const StoredSettings s = ReadSettingsFile(path, {});
    o.request = StoredRequest(s);
    o.duration = s.Duration;
    o.import = s.Import;
}

Options ParseArguments(int argc, char** argv)
{
    Options o;
    // A settings file sets the defaults that the other options then change,
    // wherever it stands on the line.
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--")
            break;
        if (arg == "--settings" && i + 1 < argc)
            o.settings = argv[i + 1];
        else if (arg.rfind("--settings=", 0) == 0)
            o.settings = arg.substr(11);
    }
    if (o.settings)
        ApplySettingsFile(*o.settings, o);
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            o.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            o.help = true;
            continue;
        }
        if (arg == "--no-program-change") {
            o.request.WriteProgramChange = false;
            continue;
        }
        if (arg == "--summary-json") {
            o.summaryJson = true;
            continue;
        }
        if (arg == "--x-line") {
            o.import.XColumn = 0;
            continue;
        }
        if (arg == "--x-date") {
            o.import.XDate = true;
            continue;
        }
        if (arg == "--decimal-comma") {
            o.import.DecimalComma = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        } else if (arg.size() > 2 && (arg.rfind("-j", 0) == 0 || arg.rfind("-o", 0) == 0)) {
            name = arg.substr(0, 2); // -j4, -oDIR
            value = arg.substr(2);
        }
        static const char* const kValued[] = {
            "--scale",    "--tonic",     "--low",      "--high",      "--dx",       "--tempo",    "--velocity",
            "--duration", "--program",   "--wav",      "--soundfont", "--x-column", "--y-column", "--report",
            "--audio",    "--notes-csv", "--settings", "-o",          "--out-dir",  "-j",         "--audio-format"};
        bool known = false;
        for (const char* k : kValued)
            known = known || name == k;
        if (!known)
            throw UsageError{"unknown option '" + arg + "'"};
        if (!value) {
            if (i + 1 >= argc)
                throw UsageError{name + " needs a value"};
            value = argv[++i];
        }
        MappingRequest& r = o.request;
        if (name == "--scale")
            r.Scale = IntegerIn(name, *value, 0, kScaleCount - 1);
        else if (name == "--tonic")
            r.Tonic = IntegerIn(name, *value, 0, 11);
        else if (name == "--low")
            r.LowTone = ToneIn(name, *value);
        else if (name == "--high")
            r.HighTone = ToneIn(name, *value);
        else if (name == "--dx")
            o.dx = *value;
        else if (name == "--tempo")
            r.Tempo = Clamped(name, *value, kMinTempo, kMaxTempo);
        else if (name == "--velocity")
            r.Velocity = Clamped(name, *value, kMinVelocity, kMaxVelocity);
        else if (name == "--duration")
            o.duration = *value;
        else if (name == "--program")
            r.Program = IntegerIn(name, *value, 0, kProgramCount - 1);
        else if (name == "--wav")
            o.wav = *value;
        else if (name == "--soundfont")
            o.soundFont = *value;
        else if (name == "--x-column") {
            o.import.XColumn = IntegerIn(name, *value, 1, kMaxImportColumn);
            o.xColumnGiven = true;
        } else if (name == "--y-column")
            o.import.YColumn = IntegerIn(name, *value, 1, kMaxImportColumn);
        else if (name == "--report")
            o.report = *value;
        else if (name == "--audio")
            o.audio = *value;
        else if (name == "--notes-csv")
            o.notesCsv = *value;
        else if (name == "-o" || name == "--out-dir")
            o.outDir = *value;
        else if (name == "-j")
            o.jobs = IntegerIn(name, *value, 1, kMaxJobs);
        else if (name == "--audio-format") {
            if (!AudioFormatNamed(*value))
                throw UsageError{"--audio-format needs " + std::string(kAudioFormatNames) + ", not '" + *value + "'"};
            o.audioFormat = *value;
        }
    }
    if (o.import.XColumn == 0 && o.import.XDate)
        throw UsageError{"--x-line and --x-date cannot be used together"};
    if (o.import.XColumn == 0 && o.xColumnGiven)
        throw UsageError{"--x-line and --x-column cannot be used together"};
    if (o.import.XColumn == o.import.YColumn)
        throw UsageError{"X and Y cannot be read from the same column"};
    if (o.report && o.report->empty())
        throw UsageError{"--report needs a file name"};
#ifndef VARIMEL_HAVE_PLAYBACK
    if (o.wav)
        throw UsageError{"this build has no synthesizer for --wav"};
#endif
    if (o.audio) {
        if (o.wav)
            throw UsageError{"give one of --wav and --audio"};
        const std::string& a = *o.audio;
        const std::string extension = ExtensionOf(a);
        if (!AudioFormatNamed(extension))
            throw UsageError{"--audio needs a file ending in .wav, .flac or .ogg, not '" + a + "'"};
        o.audioExtension = extension;
        o.wav = o.audio;
    }
    if (o.wav && o.wav->empty())
        throw UsageError{"--wav needs a file name"};
    if (o.Batch()) {
        if (o.wav || o.report || o.summaryJson)
            throw UsageError{"with -o, use --audio-format instead of --wav or --audio; --report and "
                             "--summary-json take one input"};
        if (o.outDir->empty())
            throw UsageError{"-o needs a folder"};
        if (!o.help && o.files.empty())
            throw UsageError{"-o needs at least one INPUT.csv"};
    } else {
        if (o.audioFormat || o.jobs)
            throw UsageError{"--audio-format and -j go with -o DIR"};
        const bool filesOk = o.files.size() == 2 || (o.wav && o.files.size() == 1) || o.SummaryOnly();
        if (!o.help && !filesOk)
            throw UsageError{"expected INPUT.csv and OUTPUT.mid, got " + std::to_string(o.files.size()) +
                             " file argument(s)"};
    }
#ifndef VARIMEL_HAVE_PLAYBACK
    if (o.audioFormat)
        throw UsageError{"this build has no synthesizer for audio files"};
#endif
    if (!o.help)
        GuardOutputs(o);
    return o;
}

// JSON string with every byte sequence that is not UTF-8 replaced by U+FFFD.
std::string JsonString(std::string_view s)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c < 0x20 || c == 0x7F) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
                out += esc;
            } else {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        std::size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
        if (c >= 0xF5)
            len = 0;
        bool valid = len > 0 && i + len <= s.size();
        for (std::size_t k = 1; valid && k < len; ++k)
            valid = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (valid && len >= 3) {
            const auto c1 = static_cast<unsigned char>(s[i + 1]);
            if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) || (c == 0xF0 && c1 < 0x90) ||
                (c == 0xF4 && c1 >= 0x90))
                valid = false; // overlong forms, surrogates, beyond U+10FFFF
        }
        if (valid) {
            out.append(s.substr(i, len));
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    out += '"';
    return out;
}

// False when standard output did not take it (closed, full, a closed pipe).
bool PrintSummaryJson(const CsvLoad& load)
{
    const CsvSummary& s = load.Summary;
    std::string json = "{\"file\": " + JsonString(s.FileName) + ", \"records\": " + JsonString(s.NumRecord) +
                       ", \"xmax\": " + JsonString(s.Xmax) + ", \"xmin\": " + JsonString(s.Xmin) +
                       ", \"ymax\": " + JsonString(s.Ymax) + ", \"ymin\": " + JsonString(s.Ymin) +
                       ", \"interval\": " + JsonString(s.XInterval) + ", \"dxpqn\": " + JsonString(s.DxPQN) +
                       ", \"count\": " + std::to_string(load.Data.Count()) +
                       ", \"skipped\": " + (load.Skipped ? "true" : "false") +
                       ", \"skipped_lines\": " + std::to_string(load.Skips.Count()) + "}\n";
    std::fputs(json.c_str(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

void Say(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
}

} // namespace

namespace {

// The value-to-note table: one row per note in time order.
std::string NotesTable(const TXYDataList& data, const MappingRequest& request)
{
    const std::vector<NoteSpan> notes = MappedNotes(&data, request);
    std::string out = "x,y,note,name,start_tick,end_tick,start_seconds\n";
    char number[64];
    const auto put = [&](double v) {
        const auto r = std::to_chars(number, number + sizeof number, v);
        out.append(number, r.ptr);
    };
    // One division per row, so that a whole second is exact.
    const double ticksPerMinute = static_cast<double>(TicksPerQuarter) * ClampTo(request.Tempo, kMinTempo, kMaxTempo);
    for (std::size_t i = 0; i < notes.size() && i < static_cast<std::size_t>(data.Count()); ++i) {
        const NoteSpan& n = notes[i];
        put(data[i].X);
        out += ',';
        put(data[i].Y);
        out += ',' + std::to_string(n.Key) + ',';
        if (n.Key >= kLowestTone && n.Key <= kHighestTone)
            out += ToneLabel(ToneOfMidiNote(n.Key));
        out += ',' + std::to_string(n.Start) + ',' + std::to_string(n.End) + ',';
        put(n.Start * 60.0 / ticksPerMinute);
        out += '\n';
    }
    return out;
}

// Where the audio helper is: beside the renderer in the build tree, in
// libexec/varimel once installed; VARIMEL_AUDIO_HELPER names another.
std::string AudioHelper()
{
    if (const char* given = std::getenv("VARIMEL_AUDIO_HELPER"); given && *given)
        return given;
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return "varimel-audio";
    const std::string folder = FolderOf(std::string_view(self, static_cast<std::size_t>(n)));
    for (const std::string& candidate : {folder + "/varimel-audio", folder + "/../libexec/varimel/varimel-audio"})
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
    return folder + "/../libexec/varimel/varimel-audio";
}

// Renders the MIDI file to audio in the helper program; false with the
// reason when it could not.
bool RenderAudioFile(const std::string& midi, const std::string& out, const std::string& format,
                     const std::string& soundFont, double seconds, std::string& error)
{
    const std::string helper = AudioHelper();
    if (access(helper.c_str(), X_OK) != 0) {
        error = "the synthesizer is not installed (" + helper + ": " + std::strerror(errno) + ")";
        return false;
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    char secondsText[64];
    std::snprintf(secondsText, sizeof secondsText, "%.3f", seconds);
    std::vector<std::string> args = {helper, midi, out, format, soundFont, secondsText};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, helper.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        error = helper + ": " + std::strerror(spawned);
        return false;
    }
    ForwardSignalsTo(child);
    std::string said;
    char buffer[512];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        said.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    ForwardSignalsTo(0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    while (!said.empty() && said.back() == '\n')
        said.pop_back();
    error = said.empty() ? "the synthesizer stopped" : said;
    return false;
}

// What became of one input.
struct JobResult {
    int status = kExitWritten;
    int notes = 0;
    std::size_t skipped = 0;
    std::string stopped; // the message that stopped it, and its reason
};

// Reads one input and writes its files. Messages go to say(), which prints
// them at once for a single input and keeps them for the batch's line.
JobResult RenderJob(const Options& options, std::size_t index, const std::function<void(const std::string&)>& say)
{
    JobResult result;
    const auto fail = [&](int status, const std::string& message, const std::string& path, const std::string& why) {
        say(message);
        if (!path.empty())
            say("varimel-render: " + (path == "-" ? std::string("standard output") : path) + ": " + why);
        result.status = status;
        result.stopped = message + (why.empty() ? "" : " (" + why + ")");
        return result;
    };
    const std::string& input = options.files[index];
    const Outputs outputs = OutputsOf(options, index);

    std::string reason;
    std::optional<CsvLoad> load = LoadCsv(input, &reason, options.import);
    if (!load)
        return fail(kExitFailed, std::string(kMsgCsvReadFailed), input, reason);
    result.skipped = load->Skips.Count();
    bool summaryLost = false;
    if (options.summaryJson && !PrintSummaryJson(*load)) {
        summaryLost = true;
        say("varimel-render: standard output: the summary could not be written: " +
            std::string(std::strerror(errno ? errno : EIO)));
    }
    if (load->Skipped && !options.Batch())
        say(std::string(kMsgLinesSkipped));
    if (options.report) {
        const std::string tsv = SkippedLinesTsv(load->Skips, false);
        if (!ReplaceFile(
                *options.report, [&tsv](const std::string& path) { return WriteWholeFile(path, tsv); }, &reason)) {
            say("varimel-render: " + *options.report + ": " + reason);
            result.status = kExitFailed;
            result.stopped = *options.report + ": " + reason;
            return result;
        }
    }
    if (options.SummaryOnly()) {
        result.status = summaryLost ? kExitFailed : kExitWritten;
        return result;
    }

    const std::string dxText = options.dx ? *options.dx : load->Summary.DxPQN;
    MappingRequest request = options.request;
    const ParameterCheckResult check = CheckMappingParameters(
        &load->Data, request.Scale, request.Tonic, request.LowTone, request.HighTone, dxText, options.duration);
    if (check.Outcome != ParameterCheck::Ok)
        return fail(kExitCheck, std::string(ParameterCheckMessage(check.Outcome)), {}, {});
    request.DxPQN = check.DxPQN;
    request.Duration = check.Duration;

    // Without a .mid output (or with one that is no regular file) the piece
    // still needs a file for the synthesizer; a private temporary holds it
    // only while the audio is rendered.
    std::unique_ptr<TemporaryFile> scratch;
    if (!outputs.audio.empty() && (outputs.midi.empty() || WrittenInPlace(outputs.midi))) {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/varimel-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0)
            return fail(kExitFailed, std::string(kMsgSmfFailed), pattern, std::strerror(errno));
        close(fd);
        scratch = std::make_unique<TemporaryFile>(pattern);
    }
    ScaleNoteSet set;
    if (!outputs.midi.empty() && !BuildSmf(&load->Data, request, outputs.midi, set, &reason))
        return fail(kExitFailed, std::string(kMsgSmfFailed), outputs.midi, reason);
    if (scratch && !BuildSmf(&load->Data, request, scratch->Path(), set, &reason))
        return fail(kExitFailed, std::string(kMsgSmfFailed), scratch->Path(), reason);
    result.notes = load->Data.Count();
    if (!outputs.notes.empty()) {
        const std::string table = NotesTable(load->Data, request);
        if (!ReplaceFile(
                outputs.notes, [&table](const std::string& path) { return WriteWholeFile(path, table); }, &reason)) {
            say("varimel-render: " + outputs.notes + ": " + reason);
            result.status = kExitFailed;
            result.stopped = outputs.notes + ": " + reason;
            return result;
        }
    }
    if (!outputs.audio.empty()) {
        const std::string midi = scratch ? scratch->Path() : outputs.midi;
        const double seconds = static_cast<double>(PieceEndTick(load->Data, request.DxPQN).value_or(0)) /
                               TicksPerQuarter * 60.0 / ClampTo(request.Tempo, kMinTempo, kMaxTempo);
        const std::string format = options.Batch() ? *options.audioFormat : options.audioExtension;
        std::string error;
        if (!RenderAudioFile(midi, outputs.audio, format,
                             options.soundFont ? *options.soundFont : ConfiguredSoundFont(), seconds, error)) {
            say("varimel-render: cannot render " + outputs.audio + ": " + error);
            result.status = kExitFailed;
            result.stopped = "cannot render " + outputs.audio + ": " + error;
            return result;
        }
    }
    result.status = summaryLost ? kExitFailed : kExitWritten;
    return result;
}

// Renders every input of a batch, `jobs` at a time; one line per file on
// standard error in argument order, and a progress line on a terminal.
int RunBatch(const Options& options)
{
    const std::size_t total = options.files.size();
    std::size_t workers =
        options.jobs > 0 ? static_cast<std::size_t>(options.jobs) : std::max(1u, std::thread::hardware_concurrency());
    workers = std::min(workers, total);
    std::vector<JobResult> results(total);
    std::vector<bool> finished(total, false);
    std::mutex lock;
    std::condition_variable changed;
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> pool;
    for (std::size_t w = 0; w < workers; ++w)
        pool.emplace_back([&] {
            for (std::size_t i; (i = next++) < total;) {
                JobResult r = RenderJob(options, i, [](const std::string&) {});
                std::lock_guard<std::mutex> guard(lock);
                results[i] = std::move(r);
                finished[i] = true;
                changed.notify_one();
            }
        });

    const bool terminal = isatty(STDERR_FILENO) != 0;
    const auto start = std::chrono::steady_clock::now();
    std::size_t printed = 0, done = 0;
    std::unique_lock<std::mutex> guard(lock);
    while (printed < total) {
        changed.wait_for(guard, std::chrono::milliseconds(200));
        done = static_cast<std::size_t>(std::count(finished.begin(), finished.end(), true));
        std::string text;
        while (printed < total && finished[printed]) {
            const JobResult& r = results[printed];
            text += options.files[printed] + ": ";
            if (r.status == kExitWritten) {
                text += "written, " + std::to_string(r.notes) + (r.notes == 1 ? " note" : " notes");
                if (r.skipped)
                    text += ", " + std::to_string(r.skipped) + (r.skipped == 1 ? " line" : " lines") + " skipped";
            } else {
                text += r.stopped;
            }
            text += '\n';
            ++printed;
        }
        if (terminal) {
            const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            char line[160];
            if (done < total && done > 0)
                std::snprintf(line, sizeof line, "\r\033[K[%zu/%zu] %.1f s, about %.1f s left", done, total, elapsed,
                              elapsed / static_cast<double>(done) * static_cast<double>(total - done));
            else if (done < total)
                std::snprintf(line, sizeof line, "\r\033[K[%zu/%zu] %.1f s", done, total, elapsed);
            else
                std::snprintf(line, sizeof line, "\r\033[K");
            text = "\r\033[K" + text + line;
        }
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    }
    guard.unlock();
    for (std::thread& t : pool)
        t.join();
    for (const JobResult& r : results)
        if (r.status != kExitWritten)
            return r.status;
    return kExitWritten;
}

} // namespace

static int Run(int argc, char** argv)
{
    Options options;
    try {
        options = ParseArguments(argc, argv);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "varimel-render: %s\n", e.reason.c_str());
        std::fputs("Usage: varimel-render [options] INPUT.csv OUTPUT.mid (see varimel-render --help)\n", stderr);
        return kExitUsage;
    } catch (const SettingsError& e) {
        std::fprintf(stderr, "varimel-render: cannot read the settings file %s\n", e.reason.c_str());
        return kExitFailed;
    }
    if (options.help) {
        std::fputs(Usage().c_str(), stdout);
        return kExitWritten;
    }
    if (options.Batch())
        return RunBatch(options);
    return RenderJob(options, 0, [](const std::string& line) { Say(line); }).status;
}

int main(int argc, char** argv)
{
    // Ended by Ctrl-C or a hang-up, the renderer leaves no hidden temporary
    // files; writing to a closed pipe is a failed write, not a silent death.
    RemoveTemporariesOnSignals();
    std::signal(SIGPIPE, SIG_IGN);
    // Running out of memory on a gigantic input ends with a message, not a crash.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("varimel-render: not enough memory\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varimel-render: %s\n", e.what());
    }
    return kExitFailed;
}
