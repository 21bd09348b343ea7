// SPDX-License-Identifier: MIT
// varimel-render: the window's CSV-to-MIDI job from the command line, for
// scripts and batch work. Same reader, same checks, same writer.
#include "config/Settingsfile.h"
#include "data/Csvreader.h"
#include "data/Inifile.h"
#include "data/Paths.h"
#include "music/Mapping.h"
#include "music/Parameters.h"

#ifdef VARIMEL_HAVE_PLAYBACK
#include "Player.h"
#endif

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using namespace varimel;

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCheck = 3;

// The help text; the defaults and ranges in it come from where they are set.
std::string Usage()
{
    const auto n = [](long long v) { return std::to_string(v); };
    return "Usage: varimel-render [options] INPUT.csv OUTPUT.mid\n"
           "       varimel-render [options] --wav OUTPUT.wav INPUT.csv [OUTPUT.mid]\n"
           "       varimel-render [reading options] --summary-json INPUT.csv\n"
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
           "  -h, --help           show this help\n"
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
    std::vector<std::string> files;

    // Only the summary is asked for: no checks, no files.
    bool SummaryOnly() const { return summaryJson && !wav && files.size() == 1; }
};

struct UsageError {
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

#ifdef VARIMEL_HAVE_PLAYBACK
// The SoundFont the window would use: the settings file's [Playback]
// SoundFont, if it names one.
std::string ConfiguredSoundFont()
{
    const std::string path = SettingsFilePath();
    if (path.empty())
        return {};
    IniFile ini(path);
    ini.Load();
    return ini.Read(kSectionPlayback, kKeySoundFont).value_or(std::string());
}
#endif

// The same file by identity (device and inode) or by the path it resolves to.
bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec))
        return true;
    std::error_code ea, eb;
    const auto ca = std::filesystem::weakly_canonical(a, ea);
    const auto cb = std::filesystem::weakly_canonical(b, eb);
    return !ea && !eb && ca == cb;
}

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
void GuardOutputs(const Options& o)
{
    std::vector<std::string> inputs = {o.files[0]};
    std::vector<std::string> outputs;
    if (o.files.size() > 1)
        outputs.push_back(o.files[1]);
    if (o.report)
        outputs.push_back(*o.report);
    if (o.wav) {
        outputs.push_back(*o.wav);
        if (o.soundFont)
            inputs.push_back(*o.soundFont);
#ifdef VARIMEL_HAVE_PLAYBACK
        else if (const std::string configured = FindSoundFont(ConfiguredSoundFont()); !configured.empty())
            inputs.push_back(configured);
#endif
    }
    if (const std::string settings = SettingsFilePath(); !settings.empty())
        inputs.push_back(settings);
    if (std::count(outputs.begin(), outputs.end(), "-") + (o.summaryJson ? 1 : 0) > 1)
        throw UsageError{"only one of OUTPUT.mid, --report and --summary-json can write to standard output"};
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (WrittenInPlace(outputs[i]))
            continue;
        for (const std::string& input : inputs)
            if (SameFile(outputs[i], input))
                throw UsageError{"'" + outputs[i] + "' is the same file as '" + input + "'"};
        for (std::size_t j = 0; j < i; ++j)
            if (SameFile(outputs[i], outputs[j]))
                throw UsageError{"'" + outputs[i] + "' is the same file as '" + outputs[j] + "'"};
    }
}

Options ParseArguments(int argc, char** argv)
{
    Options o;
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
        }
        static const char* const kValued[] = {"--scale",     "--tonic",    "--low",      "--high",    "--dx",
                                              "--tempo",     "--velocity", "--duration", "--program", "--wav",
                                              "--soundfont", "--x-column", "--y-column", "--report",  "--audio"};
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
        const std::size_t dot = a.rfind('.');
        std::string extension =
            dot == std::string::npos || a.find('/', dot) != std::string::npos ? std::string() : a.substr(dot + 1);
        for (char& c : extension)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (extension != "wav" && extension != "flac" && extension != "ogg")
            throw UsageError{"--audio needs a file ending in .wav, .flac or .ogg, not '" + a + "'"};
        o.audioExtension = extension;
        o.wav = o.audio;
    }
    if (o.wav && o.wav->empty())
        throw UsageError{"--wav needs a file name"};
    const bool filesOk = o.files.size() == 2 || (o.wav && o.files.size() == 1) || o.SummaryOnly();
    if (!o.help && !filesOk)
        throw UsageError{"expected INPUT.csv and OUTPUT.mid, got " + std::to_string(o.files.size()) +
                         " file argument(s)"};
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

// The second line of a failure: what it concerns and why.
void SayWhy(const std::string& path, const std::string& reason)
{
    std::fprintf(stderr, "varimel-render: %s: %s\n", path == "-" ? "standard output" : path.c_str(), reason.c_str());
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
    }
    if (options.help) {
        std::fputs(Usage().c_str(), stdout);
        return kExitWritten;
    }
    const std::string& input = options.files[0];
    const std::string output = options.files.size() > 1 ? options.files[1] : std::string();

    std::string reason;
    std::optional<CsvLoad> load = LoadCsv(input, &reason, options.import);
    if (!load) {
        Say(kMsgCsvReadFailed);
        SayWhy(input, reason);
        return kExitFailed;
    }
    bool summaryLost = false;
    if (options.summaryJson && !PrintSummaryJson(*load)) {
        summaryLost = true;
        SayWhy("-", std::string("the summary could not be written: ") + std::strerror(errno ? errno : EIO));
    }
    if (load->Skipped)
        Say(kMsgLinesSkipped);
    if (options.report) {
        const std::string tsv = SkippedLinesTsv(load->Skips, false);
        if (!ReplaceFile(
                *options.report, [&tsv](const std::string& path) { return WriteWholeFile(path, tsv); }, &reason)) {
            SayWhy(*options.report, reason);
            return kExitFailed;
        }
    }
    if (options.SummaryOnly())
        return summaryLost ? kExitFailed : kExitWritten;

    const std::string dxText = options.dx ? *options.dx : load->Summary.DxPQN;
    MappingRequest& request = options.request;
    const ParameterCheckResult check = CheckMappingParameters(
        &load->Data, request.Scale, request.Tonic, request.LowTone, request.HighTone, dxText, options.duration);
    if (check.Outcome != ParameterCheck::Ok) {
        Say(ParameterCheckMessage(check.Outcome));
        return kExitCheck;
    }
    request.DxPQN = check.DxPQN;
    request.Duration = check.Duration;

    // Without a .mid output (or with one that is no regular file) the piece
    // still needs a file for the synthesizer; a private temporary holds it
    // only while the audio is rendered.
    std::unique_ptr<TemporaryFile> scratch;
    if (options.wav && (output.empty() || WrittenInPlace(output))) {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/varimel-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0) {
            Say(kMsgSmfFailed);
            SayWhy(pattern, std::strerror(errno));
            return kExitFailed;
        }
        close(fd);
        scratch = std::make_unique<TemporaryFile>(pattern);
    }
    ScaleNoteSet set;
    if (!output.empty() && !BuildSmf(&load->Data, request, output, set, &reason)) {
        Say(kMsgSmfFailed);
        SayWhy(output, reason);
        return kExitFailed;
    }
    if (scratch && !BuildSmf(&load->Data, request, scratch->Path(), set, &reason)) {
        Say(kMsgSmfFailed);
        SayWhy(scratch->Path(), reason);
        return kExitFailed;
    }
    const std::string midi = scratch ? scratch->Path() : output;
#ifdef VARIMEL_HAVE_PLAYBACK
    if (options.wav) {
        std::string error;
        const double seconds = static_cast<double>(PieceEndTick(load->Data, request.DxPQN).value_or(0)) /
                               TicksPerQuarter * 60.0 / ClampTo(request.Tempo, kMinTempo, kMaxTempo);
        const AudioFormat format = options.audioExtension == "flac"  ? AudioFormat::Flac
                                   : options.audioExtension == "ogg" ? AudioFormat::Ogg
                                                                     : AudioFormat::Wav;
        const bool rendered = RenderAudio(
            midi, *options.wav, format, options.soundFont ? *options.soundFont : ConfiguredSoundFont(), error, seconds);
        scratch.reset();
        if (!rendered) {
            std::fprintf(stderr, "varimel-render: cannot render %s: %s\n", options.wav->c_str(), error.c_str());
            return kExitFailed;
        }
    }
#endif
    return summaryLost ? kExitFailed : kExitWritten;
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
