// SPDX-License-Identifier: MIT
#include "Filebuild.h"

#include "Cues.h"
#include "Generalmidi.h"
#include "midi/Standardmidifile.h"
#include "sys/Memory.h"
#include "sys/Replace.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <new>
#include <utility>

namespace varimel {

namespace {

// The file of the conductor and the tracks fill writes after it, put in
// place by ReplaceFile; a piece the format cannot state says so. errno tells
// the first failure's cause, not the close's.
bool WriteTrackFile(const std::string& fileName, TMidiEventList conductor, const std::function<bool(TSMFWrite&)>& fill,
                    std::string& reason)
{
    bool tooLong = false;
    const bool ok = ReplaceFile(
        fileName,
        [&](const std::string& path) {
            TSMFWrite writer;
            const bool written = writer.Open(path, 1) && writer.WriteTrack(conductor) && fill(writer);
            const int error = errno;
            tooLong = writer.TooLong();
            const bool closed = writer.Close() && written;
            if (!closed && error)
                errno = error;
            return closed;
        },
        &reason);
    if (tooLong)
        reason = kReasonTooLong;
    return ok;
}

// A build whose event lists do not fit in memory is a failed build like any
// other, and the target is left alone.
bool Guarded(const std::function<bool(std::string&)>& build, std::string* reason)
{
    std::string why;
    bool ok = false;
    try {
        ok = build(why);
    } catch (const std::bad_alloc&) {
        why = kReasonNoMemory;
    }
    if (!ok && reason)
        *reason = why;
    return ok;
}

// The conductor track of a request's piece: 4/4 at its tempo, ending at end.
TMidiEventList ConductorOf(const MappingRequest& r, std::uint32_t end)
{
    TMidiEventList conductor(0, "Varimel", std::string());
    conductor.AddTimeSignature(0, kBeatsPerBar, kBeatUnitPower, kClocksPerClick);
    conductor.AddTempo(0, static_cast<std::uint32_t>(ClampTo(r.Tempo, kMinTempo, kMaxTempo)));
    conductor.AddEndOfTrack(end);
    return conductor;
}

// The list made ready for the series at index: its channel, names and, with
// head, its program change and key signature (the mapping adds them itself).
void StartTrack(TMidiEventList& melody, const std::vector<SeriesTrack>& series, std::size_t index,
                const MappingRequest& r, bool head)
{
    const auto program = static_cast<std::uint8_t>(series[index].Program);
    melody.Clear();
    melody.Channel = SeriesChannel(index);
    melody.TrackName = SeriesTrackName(series[index], index);
    melody.InstrumentName = GMProgramNames[program];
    if (!head)
        return;
    if (r.WriteProgramChange)
        melody.AddProgramChange(0, program);
    const KeySignature key = KeySignatureOf(r.Scale, r.Tonic);
    melody.AddKeySignature(0, key.SharpsFlats, key.Minor);
}

bool InRange(const std::vector<SeriesTrack>& series, const MappingRequest& r)
{
    return RequestInRange(r, true) && !series.empty() && series.size() <= static_cast<std::size_t>(kMaxSeries) &&
           std::all_of(series.begin(), series.end(),
                       [](const SeriesTrack& s) { return s.Program >= 0 && s.Program < kProgramCount; });
}

// Makes a melody's events into the open track of a writer (MapIntoTrack);
// the piece's end tick, or 0.
using TrackMapper =
    std::function<std::uint32_t(TMidiEventList& melody, TSMFWrite& writer, std::uint32_t& previous, bool& written)>;

// Writes a track into the open writer: melody's names, then the events map
// makes, encoded a block at a time as they are mapped, so a large melody
// never sits in memory whole. end is the piece's end tick in; out, what map
// gave (0 when the mapping failed), or unchanged when a write failed.
bool StreamTrack(TSMFWrite& writer, TMidiEventList& melody, const TrackMapper& map, std::uint32_t& end)
{
    if (!writer.BeginTrack() || (!melody.TrackName.empty() && !writer.WriteTrackName(0, melody.TrackName)) ||
        (!melody.InstrumentName.empty() && !writer.WriteInstrumentName(0, melody.InstrumentName)))
        return false;
    const std::uint32_t pieceEnd = end;
    std::uint32_t previous = 0;
    bool written = true;
    end = map(melody, writer, previous, written);
    if (!written) {
        // The mapping stopped because a write failed, not because of its
        // ticks: the caller reports the write's own cause.
        end = pieceEnd;
        return false;
    }
    // A piece its cues lengthen ends every track with them.
    return end != 0 && writer.EndTrack(std::max(end, pieceEnd) - previous);
}

// The file of the conductor and one track per series, each mapped while it
// is written, in turn, so only a block of one series' events is ever in
// memory: in its frame, or with none (the plain piece) by the plain mapping
// over its own data, whose scale notes go to plainSet.
bool WriteSeriesFile(const std::vector<SeriesTrack>& series, const MappingRequest& r, std::uint32_t pieceEnd,
                     const SeriesFrames* frames, const std::string& fileName, std::string& reason,
                     ScaleNoteSet* plainSet, const CueWriting* cues = nullptr)
{
    // The cues may lengthen the piece (a chime after the last note).
    if (cues && cues->End > pieceEnd)
        pieceEnd = cues->End;
    const auto velocity = static_cast<std::uint8_t>(ClampTo(r.Velocity, kMinVelocity, kMaxVelocity));
    TMidiEventList melody(0, "", "");
    bool mapped = true;
    const bool ok = WriteTrackFile(
        fileName, ConductorOf(r, pieceEnd),
        [&](TSMFWrite& writer) {
            for (std::size_t i = 0; i < series.size(); ++i) {
                const TXYDataList* data = series[i].Data;
                const bool empty = !data || data->Empty();
                // A column without any value: its instrument and key, and silence.
                StartTrack(melody, series, i, r, empty);
                if (cues && cues->Pan == PanMode::Series)
                    melody.Add(PanEvent(0, melody.Channel, SeriesPan(i, series.size(), cues->Width)));
                if (empty) {
                    melody.AddEndOfTrack(pieceEnd);
                    if (!writer.WriteTrack(melody))
                        return false;
                    continue;
                }
                ScaleNoteSet own;
                ScaleNoteSet& set = plainSet ? *plainSet : own;
                const std::optional<SeriesFrame> frame = frames ? std::optional(frames->Frame(i)) : std::nullopt;
                std::uint32_t end = pieceEnd;
                const bool written = StreamTrack(
                    writer, melody,
                    [&](TMidiEventList& list, TSMFWrite& out, std::uint32_t& previous, bool& written) {
                        return MapIntoTrack(set, data, list, out, previous, written, r.Scale,
                                            static_cast<std::uint8_t>(r.Tonic), MidiNoteOfTone(r.LowTone),
                                            MidiNoteOfTone(r.HighTone), r.DxPQN, velocity, r.Duration,
                                            r.WriteProgramChange, static_cast<std::uint8_t>(series[i].Program),
                                            frame ? &*frame : nullptr);
                    },
                    end);
                mapped = end != 0;
                if (!written)
                    return false;
            }
            if (cues)
                for (TMidiEventList track : cues->Tracks)
                    if (!writer.WriteTrack(track))
                        return false;
            return true;
        },
        reason);
    if (!mapped)
        reason = kReasonTooLong;
    return ok;
}

bool BuildSeries(const std::vector<SeriesTrack>& series, const MappingRequest& r,
                 const std::optional<SeriesFrames>& frames, const std::string& fileName, std::string& reason,
                 const CueWriting* cues)
{
    if (!InRange(series, r)) {
        reason = kReasonOutOfRange;
        return false;
    }
    if (!frames) {
        reason = kReasonTooLong;
        return false;
    }
    return WriteSeriesFile(series, r, frames->End, &*frames, fileName, reason, nullptr, cues);
}

// The plain piece: the one-track case of the series' file, mapped over its
// own data without a frame.
bool BuildPlain(const TXYDataList* data, const MappingRequest& r, const std::string& fileName, ScaleNoteSet& set,
                std::string& reason)
{
    if (fileName.empty()) {
        reason = "no file name";
        return false;
    }
    const std::vector<SeriesTrack> one = {{data, r.Program, {}}};
    if (!InRange(one, r)) {
        reason = kReasonOutOfRange;
        return false;
    }
    // Its ticks are checked first, so a refusal comes before any file is made.
    const std::optional<std::uint32_t> end = data && !data->Empty() ? PieceEndTick(*data, r.DxPQN) : std::nullopt;
    if (!end) {
        reason = !data || data->Empty() ? "no data" : kReasonTooLong;
        return false;
    }
    return WriteSeriesFile(one, r, *end, nullptr, fileName, reason, &set);
}

bool BuildPart(const std::vector<SeriesTrack>& series, const SeriesPart& part, const MappingRequest& r,
               const std::string& fileName, std::string& reason, const CueWriting* cues)
{
    if (!InRange(series, r) || series.size() != part.Notes.size()) {
        reason = kReasonOutOfRange;
        return false;
    }
    if (part.Count == 0) {
        reason = "no record in the chosen part of X";
        return false;
    }
    const PanMode pan = cues ? cues->Pan : PanMode::None;
    // Stereo by X: from the first note's start at the left to the last one's
    // at the right (of every series).
    std::uint32_t first = 0xFFFFFFFFu, last = 0;
    for (const std::vector<NoteSpan>& notes : part.Notes)
        for (const NoteSpan& n : notes)
            if (!IsRest(n)) {
                first = std::min(first, n.Start);
                last = std::max(last, n.Start);
            }
    TMidiEventList melody(0, "", "");
    return WriteTrackFile(
        fileName, ConductorOf(r, part.End),
        [&](TSMFWrite& writer) {
            for (std::size_t i = 0; i < series.size(); ++i) {
                // The track's head as the whole piece has it, then the part's notes.
                StartTrack(melody, series, i, r, true);
                melody.Reserve((pan == PanMode::X ? 3 : 2) * part.Notes[i].size() + 4);
                if (pan == PanMode::Series)
                    melody.Add(PanEvent(0, melody.Channel, SeriesPan(i, series.size(), cues->Width)));
                for (const NoteSpan& n : part.Notes[i])
                    if (!IsRest(n)) {
                        if (pan == PanMode::X)
                            melody.Add(PanEvent(
                                n.Start, melody.Channel,
                                PanAlongX(last > first ? static_cast<double>(n.Start - first) / (last - first) : 0.5,
                                          cues->Width)));
                        melody.AddNote(n.Start, n.Key, n.Velocity, n.End - n.Start);
                    }
                melody.AddEndOfTrack(part.End);
                if (!writer.WriteTrack(melody))
                    return false;
            }
            if (cues)
                for (TMidiEventList track : cues->Tracks)
                    if (!writer.WriteTrack(track))
                        return false;
            return true;
        },
        reason);
}

} // namespace

bool WriteMappedSmf(ScaleNoteSet& set, const TXYDataList* dataList, const std::string& fileName, int scaleIndex,
                    std::uint8_t tonic, std::uint8_t lowTone, std::uint8_t highTone, double DxPQN, int Tempo,
                    std::uint8_t Velocity, double Duration, std::uint8_t numerator, std::uint8_t denominatorPower,
                    bool writeProgramChange, std::uint8_t Program, std::string* reason)
{
    // Every piece is written in 4/4.
    if (numerator != kBeatsPerBar || denominatorPower != kBeatUnitPower) {
        if (reason)
            *reason = kReasonOutOfRange;
        return false;
    }
    MappingRequest r;
    r.Scale = scaleIndex;
    r.Tonic = tonic;
    r.LowTone = ToneOfMidiNote(lowTone);
    r.HighTone = ToneOfMidiNote(highTone);
    r.DxPQN = DxPQN;
    r.Tempo = Tempo;
    r.Velocity = Velocity;
    r.Duration = Duration;
    r.WriteProgramChange = writeProgramChange;
    r.Program = Program;
    return BuildSmf(dataList, r, fileName, set, reason);
}

bool BuildSmf(const TXYDataList* data, const MappingRequest& r, const std::string& fileName, ScaleNoteSet& set,
              std::string* reason)
{
    return Guarded([&](std::string& why) { return BuildPlain(data, r, fileName, set, why); }, reason);
}

bool BuildSeriesPartSmf(const std::vector<SeriesTrack>& series, const SeriesPart& part, const MappingRequest& request,
                        const std::string& fileName, std::string* reason, const CueWriting* cues)
{
    return Guarded([&](std::string& why) { return BuildPart(series, part, request, fileName, why, cues); }, reason);
}

bool BuildSeriesSmf(const std::vector<SeriesTrack>& series, const MappingRequest& request,
                    const std::optional<SeriesFrames>& frames, const std::string& fileName, std::string* reason,
                    const CueWriting* cues)
{
    return Guarded([&](std::string& why) { return BuildSeries(series, request, frames, fileName, why, cues); }, reason);
}

} // namespace varimel
