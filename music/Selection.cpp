// SPDX-License-Identifier: MIT
#include "Selection.h"

#include "Filebuild.h"
#include "Generalmidi.h"
#include "midi/Standardmidifile.h"
#include "sys/Replace.h"

#include <algorithm>

namespace varimel {

std::pair<std::size_t, std::size_t> RecordsIn(const TXYDataList& data, const XSelection& selection)
{
    const XYData* begin = data.begin();
    const XYData* end = data.end();
    const XYData* first =
        std::lower_bound(begin, end, selection.From, [](const XYData& r, double x) { return r.X < x; });
    const XYData* last = std::upper_bound(first, end, selection.To, [](double x, const XYData& r) { return x < r.X; });
    return {static_cast<std::size_t>(first - begin), static_cast<std::size_t>(last - begin)};
}

std::vector<NoteSpan> SelectedNotes(const TXYDataList* data, const MappingRequest& request, const XSelection& selection,
                                    std::uint32_t& end)
{
    end = 0;
    if (!data || data->Empty())
        return {};
    const auto [first, last] = RecordsIn(*data, selection);
    if (first >= last)
        return {};
    // The whole piece, so that every key and length is the one it has there
    // (the Y range and the descending forms depend on all the data).
    std::vector<NoteSpan> notes = MappedNotes(data, request);
    if (notes.size() != static_cast<std::size_t>(data->Count()))
        return {};
    std::vector<NoteSpan> part(notes.begin() + static_cast<std::ptrdiff_t>(first),
                               notes.begin() + static_cast<std::ptrdiff_t>(last));
    const std::uint32_t shift = part.front().Start;
    std::uint32_t lastEnd = 0;
    for (NoteSpan& n : part) {
        n.Start -= shift;
        n.End -= shift;
        lastEnd = std::max(lastEnd, n.End);
    }
    TXYDataList ends;
    ends.Add((*data)[first]);
    ends.Add((*data)[last - 1]);
    end = std::max(PieceEndTick(ends, request.DxPQN).value_or(0), lastEnd);
    return part;
}

bool BuildSelectedSmf(const std::vector<NoteSpan>& notes, std::uint32_t end, const MappingRequest& r,
                      const std::string& fileName, std::string* reason)
{
    const auto fail = [reason](const char* why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (!RequestInRange(r, true))
        return fail(kReasonOutOfRange);
    if (notes.empty())
        return fail("no record in the chosen part of X");
    const auto program = static_cast<std::uint8_t>(r.Program);
    const auto velocity = static_cast<std::uint8_t>(ClampTo(r.Velocity, kMinVelocity, kMaxVelocity));
    TMidiEventList conductor(0, "Varimel", std::string());
    conductor.AddTimeSignature(0, kBeatsPerBar, kBeatUnitPower, kClocksPerClick);
    conductor.AddTempo(0, static_cast<std::uint32_t>(ClampTo(r.Tempo, kMinTempo, kMaxTempo)));
    conductor.AddEndOfTrack(end);
    // The melody's head as the whole piece has it, then the part's notes.
    TMidiEventList melody(0, "Melody", std::string(GMProgramNames[program]));
    melody.Reserve(2 * notes.size() + 3);
    if (r.WriteProgramChange)
        melody.AddProgramChange(0, program);
    const KeySignature key = KeySignatureOf(r.Scale, r.Tonic);
    melody.AddKeySignature(0, key.SharpsFlats, key.Minor);
    for (const NoteSpan& n : notes)
        melody.AddNote(n.Start, n.Key, velocity, n.End - n.Start);
    melody.AddEndOfTrack(end);
    bool tooLong = false;
    std::string why;
    const bool ok = ReplaceFile(
        fileName,
        [&](const std::string& path) {
            TSMFWrite writer;
            bool written = writer.Open(path, 1) && writer.WriteTrack(conductor) && writer.WriteTrack(melody);
            tooLong = writer.TooLong();
            return writer.Close() && written;
        },
        &why);
    if (!ok && reason)
        *reason = tooLong ? kReasonTooLong : why;
    return ok;
}

} // namespace varimel
