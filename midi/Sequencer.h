// SPDX-License-Identifier: MIT
// One MIDI track in memory: timed events stored as the bytes they will have
// in the file.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varimel {

// Ticks per quarter note of every file the program writes.
inline constexpr std::uint32_t TicksPerQuarter = 960;

inline constexpr std::uint8_t kNoteOff = 0x80;
inline constexpr std::uint8_t kPolyPressure = 0xA0;       // the first status that sorts before notes
inline constexpr std::uint8_t kLastTwoByteStatus = 0xBF;  // 0x80..0xBF: two data bytes
inline constexpr std::uint8_t kFirstOneByteStatus = 0xC0; // 0xC0..0xDF: one data byte
inline constexpr std::uint8_t kLastOneByteStatus = 0xDF;
inline constexpr std::uint8_t kPitchBend = 0xE0; // 0xE0..0xEF: two data bytes
inline constexpr std::uint8_t kLastChannelStatus = 0xEF;
inline constexpr std::uint8_t kDataMask = 0x7F;
inline constexpr std::uint8_t kChannelMask = 0x0F;
inline constexpr std::uint8_t kNoteOn = 0x90;
inline constexpr std::uint8_t kProgramChange = 0xC0;
inline constexpr std::uint8_t kSysEx = 0xF0;
inline constexpr std::uint8_t kSysExEnd = 0xF7;
inline constexpr std::uint8_t kMeta = 0xFF;
inline constexpr std::uint8_t kMetaText = 0x01;
inline constexpr std::uint8_t kMetaTrackName = 0x03;
inline constexpr std::uint8_t kMetaInstrumentName = 0x04;
inline constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
inline constexpr std::uint8_t kMetaTempo = 0x51;
inline constexpr std::uint8_t kMetaTimeSignature = 0x58;
inline constexpr std::uint8_t kMetaKeySignature = 0x59;
// MIDI clocks per metronome click: one click per quarter note.
inline constexpr std::uint8_t kClocksPerClick = 24;

// One timed event. Events of up to eight bytes (every event the program
// makes) live inside the record; longer ones get a heap block of their own.
class TMidiEvent {
public:
    // Events of up to this many bytes live inside the record.
    static constexpr std::uint32_t kInline = 8;

    // A channel message: the status byte as given, both data bytes cut to 7 bits.
    TMidiEvent(std::uint32_t time, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
        : Time(time), length_(3), inline_{status, static_cast<std::uint8_t>(data1 & kDataMask),
                                          static_cast<std::uint8_t>(data2 & kDataMask)}
    {}
    // A copy of n bytes; fewer than 3 are padded with zeros to 3.
    TMidiEvent(std::uint32_t time, const std::uint8_t* bytes, std::uint32_t n);
    TMidiEvent(const TMidiEvent& other);
    TMidiEvent(TMidiEvent&& other) noexcept : inline_{} { TakeFrom(other); }
    TMidiEvent& operator=(const TMidiEvent& other);
    TMidiEvent& operator=(TMidiEvent&& other) noexcept
    {
        if (this != &other) {
            if (length_ > kInline)
                delete[] heap_;
            TakeFrom(other);
        }
        return *this;
    }
    ~TMidiEvent()
    {
        if (length_ > kInline)
            delete[] heap_;
    }

    std::uint32_t Time = 0;
    std::uint32_t Length() const { return length_; }
    const std::uint8_t* Data() const { return length_ <= kInline ? inline_.data() : heap_; }
    bool IsEndOfTrack() const
    {
        const std::uint8_t* d = Data();
        return length_ >= 3 && d[0] == kMeta && d[1] == kMetaEndOfTrack && d[2] == 0x00;
    }

private:
    void TakeFrom(TMidiEvent& other) noexcept
    {
        Time = other.Time;
        length_ = other.length_;
        if (length_ > kInline) {
            heap_ = other.heap_; // the other event gives up its block
            other.length_ = 0;
            other.inline_ = {};
        } else {
            inline_ = other.inline_;
        }
    }

    std::uint32_t length_ = 0;
    union {
        std::array<std::uint8_t, kInline> inline_;
        std::uint8_t* heap_;
    };
};

// The order of events in a track: time first; at one time, events from
// kPolyPressure up (controllers, program changes, meta events) before notes; then by first
// byte (so note-offs before note-ons), then by second byte.
bool MidiEventBefore(const TMidiEvent& a, const TMidiEvent& b);

// The events of one track, with its channel and the texts the writer puts in
// front of them as track name and instrument name.
class TMidiEventList {
public:
    TMidiEventList(int channel, std::string trackName, std::string instrumentName);

    std::uint8_t Channel;
    std::string TrackName;      // empty: no track-name event
    std::string InstrumentName; // empty: no instrument-name event

    void AddNote(std::uint32_t time, std::uint8_t key, std::uint8_t velocity, std::uint32_t duration);
    void AddProgramChange(std::uint32_t time, std::uint8_t program);
    void AddTempo(std::uint32_t time, std::uint32_t beatsPerMinute);
    void AddTimeSignature(std::uint32_t time, std::uint8_t numerator, std::uint8_t denominatorPower,
                          std::uint8_t clocksPerClick);
    void AddKeySignature(std::uint32_t time, std::int8_t sharpsFlats, std::uint8_t minor);
    void AddEndOfTrack(std::uint32_t time);
    void Add(TMidiEvent event) { events_.push_back(std::move(event)); }

    void SortByTime();

    int Count() const { return static_cast<int>(events_.size()); }
    const TMidiEvent& operator[](std::size_t i) const { return events_[i]; }
    void Delete(std::size_t i) { events_.erase(events_.begin() + static_cast<std::ptrdiff_t>(i)); }
    TMidiEvent Extract(std::size_t i);
    void Clear() { events_.clear(); }
    // Drops the first n events.
    void DropFront(std::size_t n)
    {
        events_.erase(events_.begin(), events_.begin() + static_cast<std::ptrdiff_t>(std::min(n, events_.size())));
    }
    // Drops every event from position n on.
    void Truncate(std::size_t n)
    {
        if (n < events_.size())
            events_.erase(events_.begin() + static_cast<std::ptrdiff_t>(n), events_.end());
    }
    // Room for n events; a large list is backed by huge pages where the
    // system allows.
    void Reserve(std::size_t n);

    const TMidiEvent* begin() const { return events_.data(); }
    const TMidiEvent* end() const { return events_.data() + events_.size(); }

private:
    std::vector<TMidiEvent> events_;
};

} // namespace varimel
