// SPDX-License-Identifier: MIT
#include "Sequencer.h"

#include "sys/Memory.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace varimel {

TMidiEvent::TMidiEvent(std::uint32_t time, const std::uint8_t* bytes, std::uint32_t n)
    : Time(time), length_(std::max<std::uint32_t>(n, 3)), inline_{}
{
    std::uint8_t* target = inline_.data();
    if (length_ > kInline) {
        heap_ = new std::uint8_t[length_]();
        target = heap_;
    }
    if (n > 0)
        std::memcpy(target, bytes, n);
}

TMidiEvent::TMidiEvent(const TMidiEvent& other) : Time(other.Time), length_(other.length_), inline_{}
{
    if (length_ > kInline) {
        heap_ = new std::uint8_t[length_];
        std::memcpy(heap_, other.heap_, length_);
    } else {
        inline_ = other.inline_;
    }
}

TMidiEvent& TMidiEvent::operator=(const TMidiEvent& other)
{
    if (this != &other) {
        TMidiEvent copy(other);
        *this = std::move(copy);
    }
    return *this;
}

bool MidiEventBefore(const TMidiEvent& a, const TMidiEvent& b)
{
    if (a.Time != b.Time)
        return a.Time < b.Time;
    const std::uint8_t* da = a.Data();
    const std::uint8_t* db = b.Data();
    const bool aHigh = da[0] >= kPolyPressure;
    const bool bHigh = db[0] >= kPolyPressure;
    if (aHigh != bHigh)
        return aHigh;
    if (da[0] != db[0])
        return da[0] < db[0];
    return da[1] < db[1];
}

TMidiEventList::TMidiEventList(int channel, std::string trackName, std::string instrumentName)
    : Channel(static_cast<std::uint8_t>(channel & kChannelMask)), TrackName(std::move(trackName)),
      InstrumentName(std::move(instrumentName))
{}

void TMidiEventList::AddNote(std::uint32_t time, std::uint8_t key, std::uint8_t velocity, std::uint32_t duration)
{
    events_.emplace_back(time, static_cast<std::uint8_t>(kNoteOn | Channel), key, velocity);
    events_.emplace_back(time + duration, static_cast<std::uint8_t>(kNoteOff | Channel), key, std::uint8_t{0});
}

void TMidiEventList::AddProgramChange(std::uint32_t time, std::uint8_t program)
{
    events_.emplace_back(time, static_cast<std::uint8_t>(kProgramChange | Channel), program, std::uint8_t{0});
}

void TMidiEventList::AddTempo(std::uint32_t time, std::uint32_t beatsPerMinute)
{
    if (beatsPerMinute == 0)
        return;
    // Always positive, so adding a half and truncating rounds to nearest,
    // as every file written so far was rounded.
    // NOLINTNEXTLINE(bugprone-incorrect-roundings)
    const auto micros = static_cast<std::uint32_t>(60000000.0 / beatsPerMinute + 0.5);
    const std::uint8_t bytes[] = {kMeta,
                                  kMetaTempo,
                                  3,
                                  static_cast<std::uint8_t>(micros >> 16),
                                  static_cast<std::uint8_t>(micros >> 8),
                                  static_cast<std::uint8_t>(micros)};
    events_.emplace_back(time, bytes, static_cast<std::uint32_t>(sizeof bytes));
}

void TMidiEventList::AddTimeSignature(std::uint32_t time, std::uint8_t numerator, std::uint8_t denominatorPower,
                                      std::uint8_t clocksPerClick)
{
    // Eight notated 32nd notes per quarter note, always.
    const std::uint8_t bytes[] = {kMeta, kMetaTimeSignature, 4, numerator, denominatorPower, clocksPerClick, 8};
    events_.emplace_back(time, bytes, static_cast<std::uint32_t>(sizeof bytes));
}

void TMidiEventList::AddKeySignature(std::uint32_t time, std::int8_t sharpsFlats, std::uint8_t minor)
{
    const std::uint8_t bytes[] = {kMeta, kMetaKeySignature, 2, static_cast<std::uint8_t>(sharpsFlats), minor};
    events_.emplace_back(time, bytes, static_cast<std::uint32_t>(sizeof bytes));
}

void TMidiEventList::AddEndOfTrack(std::uint32_t time)
{
    const std::uint8_t bytes[] = {kMeta, kMetaEndOfTrack, 0};
    events_.emplace_back(time, bytes, static_cast<std::uint32_t>(sizeof bytes));
}

void TMidiEventList::SortByTime()
{
    // Notes are added in time order, so most lists are nearly sorted; the
    // stable sort keeps equal events in the order they were added, which
    // makes the output the same on every run.
    if (!std::is_sorted(events_.begin(), events_.end(), MidiEventBefore))
        std::stable_sort(events_.begin(), events_.end(), MidiEventBefore);
}

void TMidiEventList::Reserve(std::size_t n)
{
    const bool fresh = events_.capacity() < n;
    events_.reserve(n);
    if (fresh)
        AdviseHugePages(events_.data() + events_.size(), (events_.capacity() - events_.size()) * sizeof(TMidiEvent));
}

TMidiEvent TMidiEventList::Extract(std::size_t i)
{
    TMidiEvent e = std::move(events_[i]);
    Delete(i);
    return e;
}

} // namespace varimel
