// SPDX-License-Identifier: MIT
#include "Series.h"

#include "Filebuild.h"
#include "Generalmidi.h"
#include "midi/Standardmidifile.h"
#include "sys/Memory.h"
#include "sys/Replace.h"

#include <algorithm>
#include <limits>
#include <new>

namespace varimel {

std::string SeriesTrackName(const SeriesTrack& series, std::size_t index)
{
    if (!series.Name.empty())
        return series.Name;
    return index == 0 ? std::string("Melody") : "Melody " + std::to_string(index + 1);
}

std::vector<SeriesTrack> TracksOf(const TXYDataList& first, const std::vector<TXYDataList>& more,
                                  const MappingRequest& request, const std::vector<std::string>& names)
{
    std::vector<SeriesTrack> tracks;
    tracks.push_back({&first, request.Program, names.empty() ? std::string() : names[0]});
    for (std::size_t k = 0; k < more.size(); ++k)
        tracks.push_back({&more[k], k < request.MorePrograms.size() ? request.MorePrograms[k] : request.Program,
                          k + 1 < names.size() ? names[k + 1] : std::string()});
    return tracks;
}

std::optional<SeriesFrames> FramesOf(const std::vector<SeriesTrack>& series, double DxPQN, bool shared)
{
    SeriesFrames frames;
    double first = std::numeric_limits<double>::infinity();
    double last = -first;
    double low = first;
    double high = -first;
    std::size_t total = 0;
    for (const SeriesTrack& s : series) {
        if (!s.Data || s.Data->Empty())
            continue;
        first = std::min(first, s.Data->First().X);
        last = std::max(last, s.Data->Last().X);
        const auto [minY, maxY] = s.Data->YBounds();
        low = std::min(low, minY);
        high = std::max(high, maxY);
        total += static_cast<std::size_t>(s.Data->Count());
    }
    if (total == 0)
        return std::nullopt;
    TXYDataList ends;
    ends.Add({first, 0.0});
    ends.Add({last, 0.0});
    const std::optional<std::uint32_t> end = PieceEndTick(ends, DxPQN);
    if (!end)
        return std::nullopt;
    // Every line's X once, in order: the series' own X merged.
    // Each series is sorted already: merged one after another.
    frames.LineXs.reserve(total);
    for (const SeriesTrack& s : series) {
        if (!s.Data)
            continue;
        const std::size_t middle = frames.LineXs.size();
        for (const XYData& r : *s.Data)
            frames.LineXs.push_back(r.X);
        std::inplace_merge(frames.LineXs.begin(), frames.LineXs.begin() + static_cast<std::ptrdiff_t>(middle),
                           frames.LineXs.end());
    }
    frames.LineXs.erase(std::unique(frames.LineXs.begin(), frames.LineXs.end()), frames.LineXs.end());
    frames.OriginX = first;
    frames.End = *end;
    for (const SeriesTrack& s : series)
        frames.Ranges.push_back(!shared && s.Data && !s.Data->Empty() ? s.Data->YBounds() : std::pair(low, high));
    return frames;
}

std::vector<std::vector<NoteSpan>> SeriesNotes(const std::vector<SeriesTrack>& series, const MappingRequest& request)
{
    std::vector<std::vector<NoteSpan>> notes(series.size());
    const std::optional<SeriesFrames> frames = FramesOf(series, request.DxPQN, request.SharedRange);
    if (!frames)
        return notes;
    for (std::size_t i = 0; i < series.size(); ++i)
        if (series[i].Data && !series[i].Data->Empty()) {
            const SeriesFrame frame = frames->Frame(i);
            notes[i] = MappedNotes(series[i].Data, request, &frame);
        }
    return notes;
}

namespace {

bool BuildSeries(const std::vector<SeriesTrack>& series, const MappingRequest& r, const std::string& fileName,
                 std::string& reason)
{
    if (!RequestInRange(r, true) || series.empty() || series.size() > static_cast<std::size_t>(kMaxSeries) ||
        std::any_of(series.begin(), series.end(),
                    [](const SeriesTrack& s) { return s.Program < 0 || s.Program > 127; })) {
        reason = kReasonOutOfRange;
        return false;
    }
    const std::optional<SeriesFrames> frames = FramesOf(series, r.DxPQN, r.SharedRange);
    if (!frames) {
        reason = kReasonTooLong;
        return false;
    }
    const std::uint32_t end = frames->End;
    TMidiEventList conductor(0, "Varimel", std::string());
    conductor.AddTimeSignature(0, kBeatsPerBar, kBeatUnitPower, kClocksPerClick);
    conductor.AddTempo(0, static_cast<std::uint32_t>(ClampTo(r.Tempo, kMinTempo, kMaxTempo)));
    conductor.AddEndOfTrack(end);
    const auto velocity = static_cast<std::uint8_t>(ClampTo(r.Velocity, kMinVelocity, kMaxVelocity));
    // Each series is mapped and written in turn into one list, so only one
    // series' events are ever in memory.
    TMidiEventList melody(0, "", "");
    bool mapped = true;
    const auto fill = [&](TSMFWrite& writer) {
        for (std::size_t i = 0; i < series.size(); ++i) {
            const auto program = static_cast<std::uint8_t>(series[i].Program);
            melody.Clear();
            melody.Channel = SeriesChannel(i);
            melody.TrackName = SeriesTrackName(series[i], i);
            melody.InstrumentName = GMProgramNames[program];
            ScaleNoteSet set;
            const TXYDataList* data = series[i].Data;
            if (data && !data->Empty()) {
                const SeriesFrame frame = frames->Frame(i);
                mapped = MapDataToNotes(set, data, melody, r.Scale, static_cast<std::uint8_t>(r.Tonic),
                                        MidiNoteOfTone(r.LowTone), MidiNoteOfTone(r.HighTone), r.DxPQN, velocity,
                                        r.Duration, r.WriteProgramChange, program, &frame) != 0;
                if (!mapped)
                    return false;
            } else {
                // A column without any value: its instrument and key, and silence.
                if (r.WriteProgramChange)
                    melody.AddProgramChange(0, program);
                const KeySignature key = KeySignatureOf(r.Scale, r.Tonic);
                melody.AddKeySignature(0, key.SharpsFlats, key.Minor);
                melody.AddEndOfTrack(end);
            }
            if (!writer.WriteTrack(melody))
                return false;
        }
        return true;
    };
    bool tooLong = false;
    const bool ok = ReplaceFile(
        fileName,
        [&](const std::string& path) {
            TSMFWrite writer;
            const bool written = writer.Open(path, 1) && writer.WriteTrack(conductor) && fill(writer);
            tooLong = writer.TooLong();
            return writer.Close() && written;
        },
        &reason);
    if (!mapped)
        reason = kReasonTooLong;
    if (tooLong)
        reason = kReasonTooLong;
    return ok;
}

} // namespace

bool BuildSeriesSmf(const std::vector<SeriesTrack>& series, const MappingRequest& request, const std::string& fileName,
                    std::string* reason)
{
    std::string why;
    bool ok = false;
    try {
        ok = BuildSeries(series, request, fileName, why);
    } catch (const std::bad_alloc&) {
        why = kReasonNoMemory;
    }
    if (!ok && reason)
        *reason = why;
    return ok;
}

} // namespace varimel
