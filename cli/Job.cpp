// SPDX-License-Identifier: MIT
#include "Job.h"

#include "Audiohelper.h"
#include "Columns.h"
#include "Exitcodes.h"
#include "Help.h"
#include "Notestable.h"
#include "Outputs.h"
#include "Porthelper.h"
#include "config/Settingsfile.h"
#include "data/Csvload.h"
#include "data/Sniff.h"
#include "music/Filebuild.h"
#include "music/Parameters.h"
#include "music/Piece.h"
#include "music/Selection.h"
#include "music/Series.h"
#include "music/Shape.h"
#include "sys/Replace.h"
#include "sys/Temporaries.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

namespace varimel::cli {

namespace {

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

// A number as JSON writes it, in its shortest exact form.
std::string JsonNumber(double v)
{
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, v);
    return std::string(text, r.ptr);
}

// With several series: each one's column, header, record count and Y range.
std::string SeriesJson(const CsvLoad& load)
{
    if (load.More.empty())
        return {};
    std::string json = ", \"series\": [";
    for (std::size_t k = 0; k <= load.More.size(); ++k) {
        const TXYDataList& data = k == 0 ? load.Data : load.More[k - 1];
        const int column = load.ColumnOf(k);
        const auto [minY, maxY] = data.YBounds();
        json += std::string(k ? ", " : "") + "{\"column\": " + std::to_string(column) +
                ", \"name\": " + JsonString(k < load.Names.size() ? load.Names[k] : std::string()) +
                ", \"records\": " + std::to_string(data.Count()) +
                ", \"ymin\": " + (data.Empty() ? "null" : JsonNumber(minY)) +
                ", \"ymax\": " + (data.Empty() ? "null" : JsonNumber(maxY)) + "}";
    }
    return json + "]";
}

// When the mapping has a shape: its choices, and the same in words.
std::string ShapeJson(const MappingShape& shape)
{
    if (shape.IsDefault())
        return {};
    std::string json = ", \"shape\": {\"invert\": " + std::string(shape.Invert ? "true" : "false") +
                       ", \"y_scale\": " + (shape.LogY ? "\"log\"" : "\"linear\"") +
                       ", \"clip\": " + JsonNumber(shape.Clip) + ", \"y_range\": " +
                       (shape.FixedRange ? "[" + JsonNumber(shape.RangeLow) + ", " + JsonNumber(shape.RangeHigh) + "]"
                                         : std::string("null"));
    json += ", \"velocity_column\": " + (shape.VelocityColumn ? std::to_string(shape.VelocityColumn) : "null");
    json +=
        ", \"velocity_range\": [" + std::to_string(shape.VelocityLow) + ", " + std::to_string(shape.VelocityHigh) + "]";
    json += ", \"duration_column\": " + (shape.DurationColumn ? std::to_string(shape.DurationColumn) : "null");
    json += ", \"duration_range\": [" + JsonNumber(shape.DurationLow) + ", " + JsonNumber(shape.DurationHigh) + "]";
    if (!shape.RestBelow.empty()) {
        json += ", \"rest_below\": [";
        for (std::size_t i = 0; i < shape.RestBelow.size(); ++i)
            json += (i ? ", " : "") +
                    (std::isinf(shape.RestBelow[i]) ? std::string("null") : JsonNumber(shape.RestBelow[i]));
        json += "]";
    }
    return json + ", \"words\": " + JsonString(DescribeShape(shape)) + "}";
}

// When sounds beside the notes are asked for: what they are.
std::string CuesJson(const CueRequest& c)
{
    if (!c.Any())
        return {};
    std::string json = ", \"cues\": {\"x_tick\": ";
    json += c.Unit != TickUnit::Number ? JsonString(std::string(TickUnitName(c.Unit)))
            : c.TickStep > 0           ? JsonNumber(c.TickStep)
                                       : std::string("null");
    json += ", \"x_tick_major\": " + (c.MajorEvery > 0 ? std::to_string(c.MajorEvery) : std::string("null"));
    json += ", \"ref_y\": [";
    for (std::size_t i = 0; i < c.RefY.size(); ++i)
        json += (i ? ", " : "") + JsonNumber(c.RefY[i]);
    json += std::string("], \"ref_mode\": ") + (c.Ref == RefMode::Tick ? "\"tick\"" : "\"hold\"");
    json += ", \"mark_y\": " + (c.MarkY ? JsonNumber(*c.MarkY) : std::string("null"));
    json += std::string(", \"ends\": ") + (c.Ends ? "true" : "false") + ", \"gaps\": " + (c.Gaps ? "true" : "false");
    json += ", \"gap_factor\": " + JsonNumber(c.GapFactor);
    json += std::string(", \"legend\": ") + (c.Legend ? "true" : "false") + ", \"pan\": " +
            (c.Pan == PanMode::X        ? "\"x\""
             : c.Pan == PanMode::Series ? "\"series\""
                                        : "\"none\"");
    return json + ", \"pan_width\": " + std::to_string(c.PanWidth) + "}";
}

// False when standard output did not take it (closed, full, a closed pipe).
bool PrintSummaryJson(const CsvLoad& load, const MappingShape& shape, const CueRequest& cues)
{
    const CsvSummary& s = load.Summary;
    std::string json =
        "{\"file\": " + JsonString(s.FileName) + ", \"records\": " + JsonString(s.NumRecord) +
        ", \"xmax\": " + JsonString(s.Xmax) + ", \"xmin\": " + JsonString(s.Xmin) +
        ", \"ymax\": " + JsonString(s.Ymax) + ", \"ymin\": " + JsonString(s.Ymin) +
        ", \"interval\": " + JsonString(s.XInterval) + ", \"dxpqn\": " + JsonString(s.DxPQN) +
        ", \"count\": " + std::to_string(load.Data.Count()) + ", \"skipped\": " + (load.Skipped ? "true" : "false") +
        ", \"skipped_lines\": " + std::to_string(load.Skips.Count()) +
        (load.Options.Where.empty() ? std::string() : ", \"filtered_lines\": " + std::to_string(load.Filtered)) +
        SeriesJson(load) + ShapeJson(shape) + CuesJson(cues) + "}\n";
    std::fputs(json.c_str(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

} // namespace

void Say(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
}

JobResult RenderJob(const Options& given, std::size_t index, const std::function<void(const std::string&)>& say)
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
    // A failure told in one line of its own (that line, and what the batch's
    // status line says).
    const auto stop = [&](int status, const std::string& line, const std::string& stopped) {
        say(line);
        result.status = status;
        result.stopped = stopped;
        return result;
    };
    // The messages the window shares, in the renderer's language.
    const auto words = [&given](std::string_view message) { return std::string(MessageIn(message, given.language)); };
    const std::string& input = given.files[index];
    const Outputs outputs = OutputsOf(given, index);
    // Columns by name are found in the file's header, and the columns rows
    // are chosen by checked against it.
    std::optional<Options> forInput;
    if (given.named.Any() || given.import.ChoosesRows()) {
        const std::optional<std::string> sample = ReadStartOfFile(input, kSniffBytes);
        if (!sample && given.named.Any())
            return fail(kExitFailed, words(kMsgCsvReadFailed), input,
                        access(input.c_str(), R_OK) != 0 ? std::strerror(errno)
                                                         : "columns are found by name only in a regular file");
        try {
            forInput = ForInput(given, sample.value_or(std::string()), input);
        } catch (const UsageError& e) {
            say("varimel-render: " + e.reason);
            return stop(kExitUsage, kUsageLine, e.reason);
        }
    }
    const Options& options = forInput ? *forInput : given;

    std::string reason;
    // The memory at hand is shared among the files rendered at once, and a
    // notes table takes its share too.
    const LoadBudget budget{options.Workers(), !outputs.notes.empty()};
    std::optional<CsvLoad> load = LoadCsv(input, &reason, options.import, budget);
    if (!load)
        return fail(kExitFailed, words(kMsgCsvReadFailed), input, reason);
    result.skipped = load->Skips.Count();
    bool summaryLost = false;
    if (options.summaryJson && !PrintSummaryJson(*load, options.request.Shape, options.request.Cues)) {
        summaryLost = true;
        say("varimel-render: standard output: the summary could not be written: " +
            std::string(std::strerror(errno ? errno : EIO)));
    }
    if (!options.import.Where.empty() && !options.Batch())
        say("varimel-render: " + std::to_string(load->Filtered) + " line(s) left out by --where");
    if (load->Skipped && !options.Batch()) {
        say(words(kMsgLinesSkipped));
        // A file the reading of one series makes little of: a reading that
        // works, found in its first lines, as the options to retry with.
        if (load->More.empty() &&
            (load->Data.Empty() || load->Skips.Count() > static_cast<std::size_t>(load->Data.Count())))
            if (const std::optional<ReadingProposal> p = ProposeReadingOfFile(input, options.import))
                say("hint: try " + ProposalOptions(*p));
    }
    if (options.report) {
        const std::string tsv = ReportTsv(load->Skips, load->Missing, false);
        if (!ReplaceFile(
                *options.report, [&tsv](const std::string& path) { return WriteWholeFile(path, tsv); }, &reason))
            return stop(kExitFailed, "varimel-render: " + *options.report + ": " + reason,
                        *options.report + ": " + reason);
    }
    if (options.SummaryOnly()) {
        result.status = summaryLost ? kExitFailed : kExitWritten;
        return result;
    }

    const std::string dxText = options.dx ? *options.dx : load->Summary.DxPQN;
    MappingRequest request = options.request;
    // The first series is empty while another has values: which column
    // holds nothing says more than that nothing is loaded.
    if (load->Data.Empty() &&
        std::any_of(load->More.begin(), load->More.end(), [](const TXYDataList& more) { return !more.Empty(); }))
        return fail(kExitCheck, NoValuesMessage(options.import.YColumn, options.language), {}, {});
    const ParameterCheckResult check = CheckRequest(&load->Data, request, dxText, options.duration);
    if (check.Outcome != ParameterCheck::Ok)
        return fail(kExitCheck, words(ParameterCheckMessage(check.Outcome)), {}, {});

    // A part of X: each end must lie within the data's X.
    const bool part = options.xFromValue || options.xToValue;
    const bool multi = !load->More.empty();
    // The data's X: over every series.
    XSelection selection = XSpanOf(*load).value_or(XSelection{});
    const double firstX = selection.From, lastX = selection.To;
    const auto within = [&](const char* name, const std::optional<std::string>& text, std::optional<double> value,
                            double& end) {
        if (!value)
            return true;
        if (*value < firstX || *value > lastX) {
            const auto show = [&](double x) {
                return options.import.XDate ? FormatDate(x, x != static_cast<double>(static_cast<long long>(x)))
                                            : FormatG(x, 0, false);
            };
            const std::string what = std::string(name) + " " + *text + " is outside the data's X";
            say("varimel-render: " + what + ", " + show(firstX) + " to " + show(lastX));
            stop(kExitUsage, kUsageLine, what);
            return false;
        }
        end = *value;
        return true;
    };
    if (!within("--x-from", options.xFrom, options.xFromValue, selection.From) ||
        !within("--x-to", options.xTo, options.xToValue, selection.To))
        return result;
    // The cues read X as the reading does, and name their tracks in the
    // renderer's language.
    request.Cues.Dates = options.import.XDate;
    request.Cues.English = options.language == Language::English;
    // The piece (or its part) is chosen once, for every output.
    const TPiece piece = TPiece::Of(*load, request, part ? std::optional(selection) : std::nullopt);
    if (piece.CueProblem()) {
        const std::string why = CueRefusalText(*piece.CueProblem(), options.language);
        say("varimel-render: " + why);
        return stop(kExitUsage, kUsageLine, why);
    }
    const std::vector<SeriesTrack>& tracks = piece.Series();
    const bool several = !tracks.empty();
    const auto build = [&](const std::string& path) { return piece.Write(path, &reason); };

    // Without a .mid output (or with one that is no regular file) the piece
    // still needs a file for the synthesizer; a private temporary holds it
    // only while the audio is rendered.
    std::unique_ptr<TemporaryFile> scratch;
    if ((!outputs.audio.empty() || options.send) && (outputs.midi.empty() || WrittenInPlace(outputs.midi))) {
        std::error_code ec;
        const std::string folder = std::filesystem::temp_directory_path(ec).string();
        if (ec)
            return fail(kExitFailed, words(kMsgSmfFailed), std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp",
                        ec.message());
        std::string pattern = folder + "/varimel-XXXXXX";
        scratch = NewTemporaryFile(pattern);
        if (!scratch)
            return fail(kExitFailed, words(kMsgSmfFailed), pattern, std::strerror(errno));
    }
    if (!outputs.midi.empty() && !build(outputs.midi))
        return fail(kExitFailed, words(kMsgSmfFailed), outputs.midi, reason);
    if (scratch && !build(scratch->Path()))
        return fail(kExitFailed, words(kMsgSmfFailed), scratch->Path(), reason);
    result.notes = part || !request.Shape.RestBelow.empty() ? static_cast<int>(piece.Count()) : load->Data.Count();
    if (!part && request.Shape.RestBelow.empty())
        for (const TXYDataList& more : load->More)
            result.notes += more.Count();
    if (!outputs.notes.empty()) {
        const bool cued = request.Cues.Any();
        const std::string table =
            several
                ? SeriesNotesTable(tracks, SeriesLabels(*load), request, multi, options.import.XDate, piece.Notes(),
                                   piece.First(), cued ? &piece.Cues() : nullptr, piece.Shift(), piece.End())
                : NotesTable(load->Data, request, piece.Notes().front(), piece.First().front(), options.import.XDate);
        if (!ReplaceFile(
                outputs.notes, [&table](const std::string& path) { return WriteWholeFile(path, table); }, &reason))
            return stop(kExitFailed, "varimel-render: " + outputs.notes + ": " + reason, outputs.notes + ": " + reason);
    }
    if (!outputs.audio.empty()) {
        const std::string midi = scratch ? scratch->Path() : outputs.midi;
        const double seconds = piece.Seconds();
        const std::string format = options.Batch() ? *options.audioFormat : options.audioExtension;
        std::string error;
        if (!RenderAudioFile(midi, outputs.audio, format,
                             options.soundFont ? *options.soundFont : ConfiguredSoundFont(), seconds,
                             options.audioLevel, error))
            return stop(kExitFailed, "varimel-render: cannot render " + outputs.audio + ": " + error,
                        "cannot render " + outputs.audio + ": " + error);
    }
    // Last, once every file is written: the piece played to a port in real
    // time, ending as the play ends.
    if (options.send) {
        const int sent = SendToPort(*options.send, scratch ? scratch->Path() : outputs.midi);
        if (sent != kExitWritten) {
            result.status = sent;
            result.stopped = "not played to " + *options.send;
            return result;
        }
    }
    result.status = summaryLost ? kExitFailed : kExitWritten;
    return result;
}

} // namespace varimel::cli
