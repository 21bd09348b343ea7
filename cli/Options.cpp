// SPDX-License-Identifier: MIT
#include "Options.h"

#include "Outputs.h"
#include "config/Settingsfile.h"
#include "data/Number.h"
#include "playback/Audioformat.h"
#include "sys/Paths.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <sys/stat.h>

namespace varimel::cli {

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
           "                       file of the window (its X increment is not used; a\n"
           "                       pipe or /dev/stdin works; at most 1 MiB); options on\n"
           "                       the line win, an X option over the file's whole X\n"
           "                       choice. The window's own is\n"
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
           "  --decimal-comma      numbers use ',' as decimal point; ';' or a tab separates\n"
           "                       fields; thousands may be grouped in threes by a blank, a\n"
           "                       no-break space or '.' (1 234,5 or 1.234.567,8)\n"
           "  --x-from A, --x-to B only the notes of the records with A <= X <= B (dates with\n"
           "                       --x-date), exactly as the whole piece has them, starting\n"
           "                       at the first of them; outside the data's X is an error\n"
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

namespace {

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

// The mapping and import options of a settings file written by the window,
// as the window would apply them: a stored value outside its list or range
// gives the built-in default (tempo and velocity go to the nearest bound).
// The stored X increment is not used: each file brings its own.
void ApplySettingsFile(const std::string& path, Options& o)
{
    std::string reason;
    const std::optional<StoredSettings> s = ReadSettingsFrom(path, reason);
    if (!s)
        throw SettingsError{path + ": " + reason};
    o.request = StoredRequest(*s);
    o.duration = s->Duration;
    o.import = s->Import;
}

// The X choice (line number, date, column) is one choice: the first X
// option on the command line replaces the settings file's whole choice.
void TakeXChoice(Options& o)
{
    if (o.xChoiceGiven)
        return;
    const ImportOptions defaults;
    o.import.XColumn = defaults.XColumn;
    o.import.XDate = defaults.XDate;
    o.xChoiceGiven = true;
}

// Options without a value, and what each sets.
struct Flag {
    const char* name;
    void (*apply)(Options& o);
};
const Flag kFlags[] = {
    {"-h", [](Options& o) { o.help = true; }},
    {"--help", [](Options& o) { o.help = true; }},
    {"--no-program-change", [](Options& o) { o.request.WriteProgramChange = false; }},
    {"--summary-json", [](Options& o) { o.summaryJson = true; }},
    {"--x-line",
     [](Options& o) {
         TakeXChoice(o);
         o.import.XColumn = 0;
     }},
    {"--x-date",
     [](Options& o) {
         TakeXChoice(o);
         o.import.XDate = true;
     }},
    {"--decimal-comma", [](Options& o) { o.import.DecimalComma = true; }},
};

// Options with a value ("--name VALUE", "--name=VALUE", "-j4", "-oDIR"), and
// how each takes it; name is the option as given, for the messages.
using ValueSetter = void (*)(Options& o, const std::string& name, const std::string& value);
struct Valued {
    const char* name;
    ValueSetter apply;
};
const Valued kValued[] = {
    {"--scale", [](Options& o, const std::string& n,
                   const std::string& v) { o.request.Scale = IntegerIn(n, v, 0, kScaleCount - 1); }},
    {"--tonic",
     [](Options& o, const std::string& n, const std::string& v) { o.request.Tonic = IntegerIn(n, v, 0, 11); }},
    {"--low", [](Options& o, const std::string& n, const std::string& v) { o.request.LowTone = ToneIn(n, v); }},
    {"--high", [](Options& o, const std::string& n, const std::string& v) { o.request.HighTone = ToneIn(n, v); }},
    {"--dx", [](Options& o, const std::string&, const std::string& v) { o.dx = v; }},
    {"--tempo", [](Options& o, const std::string& n,
                   const std::string& v) { o.request.Tempo = Clamped(n, v, kMinTempo, kMaxTempo); }},
    {"--velocity", [](Options& o, const std::string& n,
                      const std::string& v) { o.request.Velocity = Clamped(n, v, kMinVelocity, kMaxVelocity); }},
    {"--duration", [](Options& o, const std::string&, const std::string& v) { o.duration = v; }},
    {"--program", [](Options& o, const std::string& n,
                     const std::string& v) { o.request.Program = IntegerIn(n, v, 0, kProgramCount - 1); }},
    {"--wav", [](Options& o, const std::string&, const std::string& v) { o.wav = v; }},
    {"--soundfont", [](Options& o, const std::string&, const std::string& v) { o.soundFont = v; }},
    {"--x-column",
     [](Options& o, const std::string& n, const std::string& v) {
         TakeXChoice(o);
         o.import.XColumn = IntegerIn(n, v, 1, kMaxImportColumn);
         o.xColumnGiven = true;
     }},
    {"--y-column", [](Options& o, const std::string& n,
                      const std::string& v) { o.import.YColumn = IntegerIn(n, v, 1, kMaxImportColumn); }},
    {"--report", [](Options& o, const std::string&, const std::string& v) { o.report = v; }},
    {"--audio", [](Options& o, const std::string&, const std::string& v) { o.audio = v; }},
    {"--notes-csv", [](Options& o, const std::string&, const std::string& v) { o.notesCsv = v; }},
    {"--settings", [](Options&, const std::string&, const std::string&) {}}, // read before all others
    {"-o", [](Options& o, const std::string&, const std::string& v) { o.outDir = v; }},
    {"--out-dir", [](Options& o, const std::string&, const std::string& v) { o.outDir = v; }},
    {"-j", [](Options& o, const std::string& n, const std::string& v) { o.jobs = IntegerIn(n, v, 1, kMaxJobs); }},
    {"--x-from", [](Options& o, const std::string&, const std::string& v) { o.xFrom = v; }},
    {"--x-to", [](Options& o, const std::string&, const std::string& v) { o.xTo = v; }},
    {"--audio-format",
     [](Options& o, const std::string&, const std::string& v) {
         if (!AudioFormatNamed(v))
             throw UsageError{"--audio-format needs " + std::string(kAudioFormatNames) + ", not '" + v + "'"};
         o.audioFormat = v;
     }},
};

template <typename Entry, std::size_t N> const Entry* Find(const Entry (&table)[N], const std::string& name)
{
    for (const Entry& entry : table)
        if (name == entry.name)
            return &entry;
    return nullptr;
}

} // namespace

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
        if (const Flag* flag = Find(kFlags, arg)) {
            flag->apply(o);
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
        const Valued* option = Find(kValued, name);
        if (!option)
            throw UsageError{"unknown option '" + arg + "'"};
        if (!value) {
            if (i + 1 >= argc)
                throw UsageError{name + " needs a value"};
            value = argv[++i];
        }
        option->apply(o, name, *value);
    }
    if (o.import.XColumn == 0 && o.import.XDate)
        throw UsageError{"--x-line and --x-date cannot be used together"};
    if (o.import.XColumn == 0 && o.xColumnGiven)
        throw UsageError{"--x-line and --x-column cannot be used together"};
    if (o.import.XColumn == o.import.YColumn)
        throw UsageError{"X and Y cannot be read from the same column"};
    // The part of X, read as X itself is read (a date with --x-date).
    const auto xValue = [&o](const char* name, const std::optional<std::string>& text) -> std::optional<double> {
        if (!text)
            return std::nullopt;
        const std::optional<double> v = o.import.XDate ? ParseDate(*text) : ParseNumber(*text);
        if (!v)
            throw UsageError{std::string(name) +
                             (o.import.XDate ? " needs a date like 2024-01-05" : " needs a number") + ", not '" +
                             *text + "'"};
        return v;
    };
    o.xFromValue = xValue("--x-from", o.xFrom);
    o.xToValue = xValue("--x-to", o.xTo);
    if (o.xFromValue && o.xToValue && *o.xFromValue > *o.xToValue)
        throw UsageError{"--x-from " + *o.xFrom + " comes after --x-to " + *o.xTo};
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

} // namespace varimel::cli
