// SPDX-License-Identifier: MIT
#include "Filebuild.h"

#include "Generalmidi.h"
#include "midi/Standardmidifile.h"
#include "midi/Streamwriter.h"
#include "sys/Memory.h"
#include "sys/Replace.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <utility>

namespace varimel {

namespace {

// Closes the writer after its tracks; false when they or the close failed,
// with errno telling the first failure's cause, not the close's.
bool CloseWriter(TSMFWrite& writer, bool ok, bool& tooLong)
{
    const int error = errno;
    tooLong = writer.TooLong();
    ok = writer.Close() && ok;
    if (!ok && error)
        errno = error;
    return ok;
}

bool WriteTracks(const std::string& path, TMidiEventList& conductor, TMidiEventList& melody, bool& tooLong)
{
    TSMFWrite writer;
    const bool ok = writer.Open(path, 1) && writer.WriteTrack(conductor) && writer.WriteTrack(melody);
    return CloseWriter(writer, ok, tooLong);
}

// A large list is mapped while it is written (its ticks were checked first,
// so a refusal still comes before any file is made).
bool WriteStreamed(const std::string& path, TMidiEventList& conductor, ScaleNoteSet& set, const TXYDataList* data,
                   int scaleIndex, std::uint8_t tonic, std::uint8_t lowTone, std::uint8_t highTone, double DxPQN,
                   std::uint8_t Velocity, double Duration, bool writeProgramChange, std::uint8_t Program,
                   std::uint32_t& end, bool& tooLong)
{
    TSMFWrite writer;
    bool ok = writer.Open(path, 1) && writer.WriteTrack(conductor);
    if (ok) {
        TMidiEventList melody(0, "Melody", std::string(GMProgramNames[Program]));
        ok = StreamTrack(
            writer, melody,
            [&](TMidiEventList& list, const BlockFlush& flush) {
                return MapInBlocks(set, data, list, scaleIndex, tonic, lowTone, highTone, DxPQN, Velocity, Duration,
                                   writeProgramChange, Program, flush);
            },
            end);
    }
    return CloseWriter(writer, ok, tooLong);
}

bool WriteMappedSmfFile(ScaleNoteSet& set, const TXYDataList* dataList, const std::string& fileName, int scaleIndex,
                        std::uint8_t tonic, std::uint8_t lowTone, std::uint8_t highTone, double DxPQN, int Tempo,
                        std::uint8_t Velocity, double Duration, std::uint8_t numerator, std::uint8_t denominatorPower,
                        bool writeProgramChange, std::uint8_t Program, std::string& reason)
{
    if (fileName.empty() || Program > 127) {
        reason = "no file name";
        return false;
    }
    const auto conductorFor = [&](std::uint32_t end) {
        TMidiEventList conductor(0, "Varimel", std::string());
        conductor.AddTimeSignature(0, numerator, denominatorPower, kClocksPerClick);
        conductor.AddTempo(0, Tempo > 0 ? static_cast<std::uint32_t>(Tempo) : 0u);
        conductor.AddEndOfTrack(end);
        return conductor;
    };
    bool tooLong = false;
    bool ok = false;
    // A large list is mapped while it is written (its ticks were checked
    // first, so a refusal still comes before any file is made).
    constexpr int kStreamRecords = 1 << 16;
    const auto pieceEnd =
        dataList && !dataList->Empty() && DxPQN != 0.0 ? PieceEndTick(*dataList, DxPQN) : std::nullopt;
    if (pieceEnd && dataList->Count() >= kStreamRecords && scaleIndex >= 0 && scaleIndex < kScaleCount && tonic <= 11 &&
        TruncTick(static_cast<long double>(TicksPerQuarter) * Duration + 0.5L)) {
        TMidiEventList conductor = conductorFor(*pieceEnd);
        bool mapped = true;
        ok = ReplaceFile(
            fileName,
            [&](const std::string& path) {
                std::uint32_t end = *pieceEnd; // stays so unless the mapping itself fails
                const bool written =
                    WriteStreamed(path, conductor, set, dataList, scaleIndex, tonic, lowTone, highTone, DxPQN, Velocity,
                                  Duration, writeProgramChange, Program, end, tooLong);
                mapped = end != 0;
                return written;
            },
            &reason);
        if (!mapped)
            reason = kReasonTooLong;
    } else {
        TMidiEventList melody(0, "Melody", std::string(GMProgramNames[Program]));
        const std::uint32_t end = MapDataToNotes(set, dataList, melody, scaleIndex, tonic, lowTone, highTone, DxPQN,
                                                 Velocity, Duration, writeProgramChange, Program);
        if (end == 0) {
            reason = !dataList || dataList->Empty() ? "no data" : kReasonTooLong;
            return false;
        }
        TMidiEventList conductor = conductorFor(end);
        ok = ReplaceFile(
            fileName, [&](const std::string& path) { return WriteTracks(path, conductor, melody, tooLong); }, &reason);
    }
    if (tooLong)
        reason = kReasonTooLong;
    return ok;
}

} // namespace

bool StreamTrack(TSMFWrite& writer, TMidiEventList& melody, const BlockMapper& map, std::uint32_t& end)
{
    if (!writer.BeginTrack() || (!melody.TrackName.empty() && !writer.WriteTrackName(0, melody.TrackName)) ||
        (!melody.InstrumentName.empty() && !writer.WriteInstrumentName(0, melody.InstrumentName)))
        return false;
    // Every event before the next block's first start is final, and what is
    // written is the same as the whole list sorted. The final events of one
    // block are written on a second thread while the next block is mapped.
    TStreamWriter background(writer, 0);
    std::uint32_t lastLimit = 0;
    const auto flush = [&](TMidiEventList& list, std::uint32_t limit) {
        // Every event kept back is at or after the last limit: with no
        // progress there is nothing to write (and no list to sort again,
        // which on long runs of one X would cost more and more).
        if (limit <= lastLimit)
            return true;
        lastLimit = limit;
        list.SortByTime();
        const TMidiEvent* cut =
            std::partition_point(list.begin(), list.end(), [limit](const TMidiEvent& e) { return e.Time < limit; });
        // The few events at or after the limit move to a fresh list (on the
        // track's channel); the rest of this one goes to the writer as it is.
        const auto keep = static_cast<std::size_t>(cut - list.begin());
        TMidiEventList rest = background.Spare(static_cast<std::size_t>(list.Count()));
        rest.Channel = list.Channel;
        for (const TMidiEvent* e = cut; e != list.end(); ++e)
            rest.Add(*e);
        list.Truncate(keep);
        std::swap(list, rest);
        return background.Give(std::move(rest));
    };
    const std::uint32_t pieceEnd = end;
    end = map(melody, flush);
    bool ok = end != 0;
    std::optional<std::uint32_t> previous = background.Finish();
    if (!previous) {
        // The mapping stopped because a write failed, not because of its
        // ticks: the caller reports the write's own cause.
        ok = false;
        end = pieceEnd;
    }
    if (ok) {
        melody.SortByTime();
        ok = writer.WriteEvents(melody.begin(), melody.end(), *previous) && writer.EndTrack(end - *previous);
    }
    return ok;
}

bool WriteMappedSmf(ScaleNoteSet& set, const TXYDataList* dataList, const std::string& fileName, int scaleIndex,
                    std::uint8_t tonic, std::uint8_t lowTone, std::uint8_t highTone, double DxPQN, int Tempo,
                    std::uint8_t Velocity, double Duration, std::uint8_t numerator, std::uint8_t denominatorPower,
                    bool writeProgramChange, std::uint8_t Program, std::string* reason)
{
    // The event lists of a huge file may not fit in memory: that is a failed
    // build like any other, and the target is left alone.
    std::string why;
    bool ok = false;
    try {
        ok = WriteMappedSmfFile(set, dataList, fileName, scaleIndex, tonic, lowTone, highTone, DxPQN, Tempo, Velocity,
                                Duration, numerator, denominatorPower, writeProgramChange, Program, why);
    } catch (const std::bad_alloc&) {
        why = kReasonNoMemory;
    }
    if (!ok && reason)
        *reason = why;
    return ok;
}

bool BuildSmf(const TXYDataList* data, const MappingRequest& r, const std::string& fileName, ScaleNoteSet& set,
              std::string* reason)
{
    if (!RequestInRange(r, true)) {
        if (reason)
            *reason = kReasonOutOfRange;
        return false;
    }
    return WriteMappedSmf(set, data, fileName, r.Scale, static_cast<std::uint8_t>(r.Tonic), MidiNoteOfTone(r.LowTone),
                          MidiNoteOfTone(r.HighTone), r.DxPQN, ClampTo(r.Tempo, kMinTempo, kMaxTempo),
                          static_cast<std::uint8_t>(ClampTo(r.Velocity, kMinVelocity, kMaxVelocity)), r.Duration,
                          kBeatsPerBar, kBeatUnitPower, r.WriteProgramChange, static_cast<std::uint8_t>(r.Program),
                          reason);
}

} // namespace varimel
