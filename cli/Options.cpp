// SPDX-License-Identifier: MIT
#include "Options.h"

#include "Columns.h"
#include "Cueoptions.h"
#include "Outputs.h"
#include "Values.h"
#include "config/Settingsfile.h"
#include "data/Number.h"
#include "data/Series.h"
#include "music/Scale.h"
#include "music/Shape.h"
#include "playback/Audioformat.h"
#include "sys/Paths.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <sys/stat.h>

namespace varimel::cli {

namespace {

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

// A column by its number, or by a name found later in each file's header:
// the number then stays 0 and the name is kept.
int ColumnChoice(const std::string& option, const std::string& value, std::optional<std::string>& name)
{
    if (value.empty())
        throw UsageError{option + " needs a column number or name"};
    if (ParseInteger(value) || value.find_first_not_of("+-0123456789") == std::string::npos) {
        name.reset();
        return IntegerIn(option, value, 1, kMaxImportColumn);
    }
    name = value;
    return 0;
}

// The same for an item of a list of columns.
int ColumnItem(const std::string& option, const std::string& value, std::size_t place,
               std::vector<std::pair<std::size_t, std::string>>& names)
{
    std::optional<std::string> name;
    const int column = ColumnChoice(option, value, name);
    if (name)
        names.emplace_back(place, *name);
    return column;
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
    {"--list-ports", [](Options& o) { o.listPorts = true; }},
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
    {"--shared-range", [](Options& o) { o.request.SharedRange = true; }},
    {"--invert", [](Options& o) { o.request.Shape.Invert = true; }},
    {"--no-normalize",
     [](Options& o) {
         o.audioLevel = {AudioLevel::Kind::AsRendered, 0.0};
     }},
};

// Options with a value ("--name VALUE", "--name=VALUE", "-j4", "-oDIR"), and
// how each takes it; name is the option as given, for the messages.
using ValueSetter = void (*)(Options& o, const std::string& name, const std::string& value);
struct Valued {
    const char* name;
    ValueSetter apply;
};
const Valued kValued[] = {
    {"--scale",
     [](Options& o, const std::string& n, const std::string& v) {
         // A number as before, or the scale's name.
         if (const std::optional<int> scale = ScaleNamed(v))
             o.request.Scale = *scale;
         else if (ParseInteger(v))
             o.request.Scale = IntegerIn(n, v, 0, kScaleCount - 1);
         else
             throw UsageError{n + " needs a scale's number or name (see --help), not '" + v + "'"};
     }},
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
    {"--program",
     [](Options& o, const std::string& n, const std::string& v) {
         o.programs.clear();
         for (const std::string& item : ListItems(n, v))
             o.programs.push_back(IntegerIn(n, item, 0, kProgramCount - 1));
         o.request.Program = o.programs.front();
     }},
    {"--wav", [](Options& o, const std::string&, const std::string& v) { o.wav = v; }},
    {"--soundfont", [](Options& o, const std::string&, const std::string& v) { o.soundFont = v; }},
    {"--x-column",
     [](Options& o, const std::string& n, const std::string& v) {
         TakeXChoice(o);
         o.import.XColumn = ColumnChoice(n, v, o.named.x);
         o.xColumnGiven = true;
     }},
    {"--y-column",
     [](Options& o, const std::string& n, const std::string& v) {
         const std::vector<std::string> items = ListItems(n, v);
         if (items.size() > static_cast<std::size_t>(kMaxSeries))
             throw UsageError{n + " takes at most " + std::to_string(kMaxSeries) + " columns, not " +
                              std::to_string(items.size())};
         o.named.y.clear();
         o.import.YColumn = ColumnItem(n, items.front(), 0, o.named.y);
         o.import.MoreYColumns.clear();
         for (std::size_t k = 1; k < items.size(); ++k)
             o.import.MoreYColumns.push_back(ColumnItem(n, items[k], k, o.named.y));
         o.yColumnsGiven = true;
     }},
    {"--where",
     [](Options& o, const std::string& n, const std::string& v) {
         const std::size_t eq = v.find('=');
         if (eq == std::string::npos || eq == 0)
             throw UsageError{n + " needs COLUMN=VALUE, not '" + v + "'"};
         const std::size_t place = o.import.Where.size();
         o.import.Where.push_back({ColumnItem(n, v.substr(0, eq), place, o.named.where), v.substr(eq + 1)});
     }},
    {"--split-by",
     [](Options& o, const std::string& n, const std::string& v) {
         o.import.SplitBy = ColumnChoice(n, v, o.named.splitBy);
     }},
    {"--report", [](Options& o, const std::string&, const std::string& v) { o.report = v; }},
    {"--send", [](Options& o, const std::string&, const std::string& v) { o.send = v; }},
    {"--lang",
     [](Options& o, const std::string& n, const std::string& v) {
         if (v != "ja" && v != "en")
             throw UsageError{n + " needs ja or en, not '" + v + "'"};
         o.language = v == "ja" ? Language::Japanese : Language::English;
     }},
    {"--date-order",
     [](Options& o, const std::string& n, const std::string& v) {
         const std::optional<DateOrder> order = DateOrderNamed(v);
         if (!order)
             throw UsageError{n + " needs ymd, dmy or mdy, not '" + v + "'"};
         o.import.Order = *order;
     }},
    {"--separator",
     [](Options& o, const std::string& n, const std::string& v) {
         const std::optional<FieldSeparator> separator = SeparatorNamed(v);
         if (!separator)
             throw UsageError{n + " needs auto, comma, semicolon, tab or space, not '" + v + "'"};
         o.import.Separator = *separator;
     }},
    {"--y-scale",
     [](Options& o, const std::string& n, const std::string& v) {
         if (v != "linear" && v != "log")
             throw UsageError{n + " needs linear or log, not '" + v + "'"};
         o.request.Shape.LogY = v == "log";
     }},
    {"--clip",
     [](Options& o, const std::string& n, const std::string& v) {
         const std::optional<double> p = ParseNumber(v);
         if (!p || !(*p >= 0.0 && *p < 50.0))
             throw UsageError{n + " needs a percent from 0 to below 50, not '" + v + "'"};
         o.request.Shape.Clip = *p;
     }},
    {"--y-range",
     [](Options& o, const std::string& n, const std::string& v) {
         const auto [low, high] = RangeOf(n, v, "MIN:MAX with MIN below MAX");
         if (!(low < high))
             throw UsageError{n + " needs MIN:MAX with MIN below MAX, not '" + v + "'"};
         o.request.Shape.FixedRange = true;
         o.request.Shape.RangeLow = low;
         o.request.Shape.RangeHigh = high;
     }},
    {"--velocity-column",
     [](Options& o, const std::string& n, const std::string& v) {
         o.request.Shape.VelocityColumn = ColumnChoice(n, v, o.named.velocity);
     }},
    {"--rest-below",
     [](Options& o, const std::string& n, const std::string& v) {
         const std::optional<std::vector<double>> thresholds = RestBelowNamed(v);
         if (!thresholds || thresholds->empty())
             throw UsageError{n + " needs a number (or - for none) for all series or one each, not '" + v + "'"};
         o.request.Shape.RestBelow = *thresholds;
     }},
    {"--velocity-range",
     [](Options& o, const std::string& n, const std::string& v) {
         const auto [low, high] = RangeOf(n, v, "LO:HI, whole numbers from 1 to 127");
         if (!(low >= kMinVelocity && high <= kMaxVelocity && low <= high && low == std::floor(low) &&
               high == std::floor(high)))
             throw UsageError{n + " needs LO:HI, whole numbers from 1 to 127, not '" + v + "'"};
         o.request.Shape.VelocityLow = static_cast<int>(low);
         o.request.Shape.VelocityHigh = static_cast<int>(high);
     }},
    {"--duration-column",
     [](Options& o, const std::string& n, const std::string& v) {
         o.request.Shape.DurationColumn = ColumnChoice(n, v, o.named.duration);
     }},
    {"--duration-range",
     [](Options& o, const std::string& n, const std::string& v) {
         const auto [low, high] = RangeOf(n, v, "LO:HI with 0 < LO <= HI <= 1");
         if (!(low > 0.0 && low <= high && high <= 1.0))
             throw UsageError{n + " needs LO:HI with 0 < LO <= HI <= 1, not '" + v + "'"};
         o.request.Shape.DurationLow = low;
         o.request.Shape.DurationHigh = high;
     }},
    {"--audio", [](Options& o, const std::string&, const std::string& v) { o.audio = v; }},
    {"--gain",
     [](Options& o, const std::string& n, const std::string& v) {
         const std::optional<double> db = ParseNumber(v);
         if (!db || !(*db >= -60.0 && *db <= 60.0))
             throw UsageError{n + " needs a number of dB from -60 to 60, not '" + v + "'"};
         o.audioLevel = {AudioLevel::Kind::Gain, *db};
     }},
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

// The series and their instruments: each Y column once; --program gives one
// instrument for all or one each (with groups, one for each group in turn,
// the first's for the rest), else the settings file's list when it fits.
void SettleSeries(Options& o)
{
    if (o.import.SplitBy > 0 || o.named.splitBy) {
        if (!o.programs.empty()) {
            o.request.Program = o.programs.front();
            o.request.MorePrograms.assign(o.programs.begin() + 1, o.programs.end());
        }
        return;
    }
    const std::size_t n = o.import.YColumns().size();
    std::vector<int> programs = o.programs;
    if (programs.size() > 1 && programs.size() != n)
        throw UsageError{"--program takes one instrument or one for each of the " + std::to_string(n) +
                         " Y columns, not " + std::to_string(programs.size())};
    if (programs.size() == 1)
        programs.assign(n, programs.front());
    if (programs.empty()) {
        programs.assign(1, o.request.Program);
        if (o.request.MorePrograms.size() == n - 1)
            programs.insert(programs.end(), o.request.MorePrograms.begin(), o.request.MorePrograms.end());
        else
            programs.resize(n, o.request.Program);
    }
    o.request.Program = programs.front();
    o.request.MorePrograms.assign(programs.begin() + 1, programs.end());
}

} // namespace

Options ParseArguments(int argc, char** argv)
{
    Options o;
    // The locale's language as the C library would take it: the first of
    // LC_ALL, LC_MESSAGES and LANG that is set.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* locale = std::getenv(name); locale && *locale) {
            if (std::string_view(locale).rfind("ja", 0) == 0)
                o.language = Language::Japanese;
            break;
        }
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
        if (TakeCueFlag(o, arg))
            continue;
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
        if (!option && !IsCueOption(name))
            throw UsageError{"unknown option '" + arg + "'"};
        if (!value) {
            if (i + 1 >= argc)
                throw UsageError{name + " needs a value"};
            value = argv[++i];
        }
        if (option)
            option->apply(o, name, *value);
        else
            TakeCueValue(o, name, *value);
    }
    if (o.import.XColumn == 0 && !o.named.x && o.import.XDate)
        throw UsageError{"--x-line and --x-date cannot be used together"};
    if (o.import.XColumn == 0 && !o.named.x && o.xColumnGiven)
        throw UsageError{"--x-line and --x-column cannot be used together"};
    if (o.import.Order != DateOrder::YMD && !o.import.XDate)
        throw UsageError{"--date-order needs --x-date"};
    if (o.import.DecimalComma && o.import.Separator == FieldSeparator::Comma)
        throw UsageError{"--separator comma cannot be used with --decimal-comma"};
    if ((o.import.SplitBy > 0 || o.named.splitBy) && !o.import.MoreYColumns.empty())
        throw UsageError{"--split-by takes one Y column"};
    if (!o.named.Any())
        CheckColumns(o);
    SettleSeries(o);
    if (const std::size_t rests = o.request.Shape.RestBelow.size(), n = o.import.YColumns().size();
        rests > 1 && rests != n && o.import.SplitBy == 0 && !o.named.splitBy)
        throw UsageError{"--rest-below takes one value or one for each of the " + std::to_string(n) +
                         " Y columns, not " + std::to_string(rests)};
    // The shape: what the reading must do for it, and what goes together.
    const MappingShape& shape = o.request.Shape;
    if (shape.Clip > 0.0 && shape.FixedRange)
        throw UsageError{"--clip and --y-range cannot be used together"};
    if (shape.LogY && shape.FixedRange && !(shape.RangeLow > 0.0))
        throw UsageError{"--y-range with --y-scale log needs a positive MIN"};
    o.import = ReadingFor(o.import, shape);
    // The part of X, read as X itself is read (a date with --x-date).
    const auto xValue = [&o](const char* name, const std::optional<std::string>& text) -> std::optional<double> {
        if (!text)
            return std::nullopt;
        const std::optional<double> v = ParseX(*text, o.import);
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
    CheckCueOptions(o);
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
    if (o.send && o.send->empty())
        throw UsageError{"--send needs a port (--list-ports lists them)"};
    if (o.listPorts && (o.send || !o.files.empty() || o.Batch()))
        throw UsageError{"--list-ports takes no files and no other output"};
    if (o.Batch()) {
        if (o.send)
            throw UsageError{"--send takes one input, not -o"};
        if (o.wav || o.report || o.summaryJson)
            throw UsageError{"with -o, use --audio-format instead of --wav or --audio; --report and "
                             "--summary-json take one input"};
        if (o.outDir->empty())
            throw UsageError{"-o needs a folder"};
        // A folder that is not there fails every file alike: said once.
        struct stat folder {};
        const bool found = stat(o.outDir->c_str(), &folder) == 0;
        if (!o.help && (!found || !S_ISDIR(folder.st_mode)))
            throw UsageError{"-o " + *o.outDir + ": " + (found ? "not a folder" : std::strerror(errno))};
        if (!o.help && o.files.empty())
            throw UsageError{"-o needs at least one INPUT.csv"};
    } else {
        if (o.audioFormat || o.jobs)
            throw UsageError{"--audio-format and -j go with -o DIR"};
        const bool filesOk = o.files.size() == 2 || ((o.wav || o.send) && o.files.size() == 1) || o.SummaryOnly();
        if (!o.help && !o.listPorts && !filesOk)
            throw UsageError{"expected INPUT.csv and OUTPUT.mid, got " + std::to_string(o.files.size()) +
                             " file argument(s)"};
    }
#ifndef VARIMEL_HAVE_PLAYBACK
    if (o.audioFormat)
        throw UsageError{"this build has no synthesizer for audio files"};
#endif
    if (!o.help && !o.listPorts)
        GuardOutputs(o);
    return o;
}

} // namespace varimel::cli
