// SPDX-License-Identifier: MIT
#include "Mapping.h"

#include <algorithm>

namespace varimel {

bool BuildSmf(const TXYDataList* data, const MappingRequest& r, const std::string& fileName, ScaleNoteSet& set,
              std::string* reason)
{
    if (r.Scale < 0 || r.Scale >= kScaleCount || r.Tonic < 0 || r.Tonic > 11 || r.LowTone < 0 ||
        r.HighTone >= kToneCount || r.Program < 0 || r.Program >= kProgramCount) {
        if (reason)
            *reason = "a setting is out of its range";
        return false;
    }
    return WriteMappedSmf(set, data, fileName, r.Scale, static_cast<std::uint8_t>(r.Tonic), MidiNoteOfTone(r.LowTone),
                          MidiNoteOfTone(r.HighTone), r.DxPQN, ClampTo(r.Tempo, kMinTempo, kMaxTempo),
                          static_cast<std::uint8_t>(ClampTo(r.Velocity, kMinVelocity, kMaxVelocity)), r.Duration,
                          kBeatsPerBar, kBeatUnitPower, r.WriteProgramChange, static_cast<std::uint8_t>(r.Program),
                          reason);
}

std::vector<NoteSpan> MappedNotes(const TXYDataList* data, const MappingRequest& r)
{
    std::vector<NoteSpan> notes;
    if (!data || r.Scale < 0 || r.Scale >= kScaleCount || r.Tonic < 0 || r.Tonic > 11 || r.LowTone < 0 ||
        r.HighTone >= kToneCount)
        return notes;
    ScaleNoteSet set;
    TMidiEventList melody(0, "", "");
    if (MapDataToNotes(set, data, melody, r.Scale, static_cast<std::uint8_t>(r.Tonic), MidiNoteOfTone(r.LowTone),
                       MidiNoteOfTone(r.HighTone), r.DxPQN,
                       static_cast<std::uint8_t>(ClampTo(r.Velocity, kMinVelocity, kMaxVelocity)), r.Duration, false,
                       0) == 0)
        return notes;
    notes.reserve(static_cast<std::size_t>(data->Count()));
    // Each note was added as its note-on followed by its note-off.
    for (std::size_t i = 0; i + 1 < static_cast<std::size_t>(melody.Count()); ++i) {
        const TMidiEvent& on = melody[i];
        if ((on.Data()[0] & 0xF0) != kNoteOn)
            continue;
        notes.push_back({on.Time, melody[i + 1].Time, on.Data()[1]});
        ++i;
    }
    return notes;
}

NoteTimeline::NoteTimeline(std::vector<NoteSpan> notes) : notes_(std::move(notes))
{
    std::stable_sort(notes_.begin(), notes_.end(),
                     [](const NoteSpan& a, const NoteSpan& b) { return a.Start < b.Start; });
    for (const NoteSpan& n : notes_)
        longest_ = std::max(longest_, n.End - n.Start);
}

void NoteTimeline::SoundingAt(std::uint32_t tick, std::vector<std::int32_t>& keys) const
{
    keys.clear();
    // Only notes that started at most the longest length ago can still sound.
    auto it = std::upper_bound(notes_.begin(), notes_.end(), tick,
                               [](std::uint32_t t, const NoteSpan& n) { return t < n.Start; });
    while (it != notes_.begin()) {
        --it;
        if (tick - it->Start >= longest_)
            break;
        if (tick < it->End)
            keys.push_back(it->Key);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
}

} // namespace varimel
