// SPDX-License-Identifier: MIT
#include "Notestable.h"

#include "data/Dates.h"
#include "data/Number.h"
#include "music/Scale.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace varimel::cli {

namespace {

// The table's first line: its columns, with the shape's, the series' and,
// for dates, the date X stands for.
std::string NotesHeader(const MappingRequest& request, bool several, bool dates, bool kinds = false)
{
    return std::string("x,y,note,name,start_tick,end_tick,start_seconds") +
           (request.Shape.IsDefault() ? "" : ",velocity,length_ticks") + (several ? ",series" : "") +
           (dates ? ",x_text" : "") + (kinds ? ",kind\n" : "\n");
}

// A field of the notes table: quoted when it holds a comma, a quote or a
// line end (or is empty).
std::string CsvField(std::string_view text)
{
    if (!text.empty() && text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string out = "\"";
    for (const char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + '"';
}

} // namespace

// The value-to-note table: one row per note in time order; notes belong to
// the records from first on. With dates, each row ends with its X as a date.
std::string NotesTable(const TXYDataList& data, const MappingRequest& request, const std::vector<NoteSpan>& notes,
                       std::size_t first, bool dates, std::string_view series, bool header)
{
    const bool shaped = !request.Shape.IsDefault();
    std::string out = header ? NotesHeader(request, false, dates) : std::string();
    char number[64];
    const auto put = [&](double v) {
        const auto r = std::to_chars(number, number + sizeof number, v);
        out.append(number, r.ptr);
    };
    // One division per row, so that a whole second is exact.
    const double ticksPerMinute = static_cast<double>(TicksPerQuarter) * ClampTo(request.Tempo, kMinTempo, kMaxTempo);
    for (std::size_t i = 0; i < notes.size() && first + i < static_cast<std::size_t>(data.Count()); ++i) {
        const NoteSpan& n = notes[i];
        if (IsRest(n))
            continue; // a silent record has no note
        put(data[first + i].X);
        out += ',';
        put(data[first + i].Y);
        out += ',' + std::to_string(n.Key) + ',';
        if (n.Key >= kLowestTone && n.Key <= kHighestTone)
            out += ToneLabel(ToneOfMidiNote(n.Key));
        out += ',' + std::to_string(n.Start) + ',' + std::to_string(n.End) + ',';
        put(n.Start * 60.0 / ticksPerMinute);
        if (shaped)
            out += ',' + std::to_string(n.Velocity) + ',' + std::to_string(n.End - n.Start);
        if (!series.empty()) {
            out += ',';
            out += series;
        }
        if (dates) {
            const double x = data[first + i].X;
            out += ',' + FormatDate(x, x != std::floor(x));
        }
        out += '\n';
    }
    return out;
}

// How the notes table names each series: its Y column, or with groups the
// group's value.
std::vector<std::string> SeriesLabels(const CsvLoad& load)
{
    std::vector<std::string> labels;
    for (std::size_t k = 0; k <= load.More.size(); ++k)
        labels.push_back(load.Options.SplitBy > 0 ? CsvField(k < load.Names.size() ? load.Names[k] : std::string())
                                                  : std::to_string(load.ColumnOf(k)));
    return labels;
}

// The table of several series: every note of every series in time order
// (series by series at one tick), with the series' label at the end.
std::string SeriesNotesTable(const std::vector<SeriesTrack>& tracks, const std::vector<std::string>& labels,
                             const MappingRequest& request, bool several, bool dates,
                             const std::vector<std::vector<NoteSpan>>& notes, const std::vector<std::size_t>& firsts,
                             const std::vector<CueTrack>* cues, std::uint32_t shift, std::uint32_t end)
{
    struct Row {
        std::uint32_t start;
        std::size_t series;
        std::size_t index;
        const CueNote* cue;
    };
    std::vector<Row> rows;
    for (std::size_t k = 0; k < notes.size(); ++k)
        for (std::size_t i = 0; i < notes[k].size(); ++i)
            rows.push_back({notes[k][i].Start, k, i, nullptr});
    const std::uint64_t stop = static_cast<std::uint64_t>(shift) + end;
    if (cues)
        for (const CueTrack& track : *cues)
            for (const CueNote& n : track.Notes)
                if (n.Held || (n.Start >= shift && n.Start < stop))
                    rows.push_back({n.Held ? 0 : n.Start - shift, 0, 0, &n});
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.start < b.start; });
    std::string out = NotesHeader(request, several, dates, cues != nullptr);
    const bool shaped = !request.Shape.IsDefault();
    const double ticksPerMinute = static_cast<double>(TicksPerQuarter) * ClampTo(request.Tempo, kMinTempo, kMaxTempo);
    char number[64];
    const auto put = [&](double v) {
        const auto r = std::to_chars(number, number + sizeof number, v);
        out.append(number, r.ptr);
    };
    for (const Row& r : rows) {
        if (!r.cue) {
            out += NotesTable(*tracks[r.series].Data, request, {notes[r.series][r.index]},
                              r.index + (firsts.empty() ? 0 : firsts[r.series]), dates,
                              several ? std::string_view(labels[r.series]) : std::string_view(), false);
            if (cues && !out.empty() && out.back() == '\n') {
                out.pop_back();
                out += ",note\n";
            }
            continue;
        }
        // A cue's sound: its X, no Y, its note, in the piece's time.
        const CueNote& n = *r.cue;
        const std::uint32_t start = r.start;
        const std::uint32_t stopAt = n.Held ? end : static_cast<std::uint32_t>(n.Start - shift + n.Length);
        put(n.X);
        out += ",," + std::to_string(n.Key) + ',';
        if (n.Channel != 9 && n.Key >= kLowestTone && n.Key <= kHighestTone)
            out += ToneLabel(ToneOfMidiNote(n.Key));
        out += ',' + std::to_string(start) + ',' + std::to_string(stopAt) + ',';
        put(start * 60.0 / ticksPerMinute);
        if (shaped)
            out += ',' + std::to_string(n.Velocity) + ',' + std::to_string(stopAt - start);
        if (several)
            out += ',';
        if (dates)
            out += ',' + FormatDate(n.X, n.X != std::floor(n.X));
        out += ',';
        out += CueKindName(n.Kind);
        out += '\n';
    }
    return out;
}

} // namespace varimel::cli
