// SPDX-License-Identifier: MIT
// A Standard MIDI File read back as the one time line a port plays: every
// track's channel messages merged in time, each with its tick and its time
// under the file's tempo, for sending the piece to a MIDI port as it sounds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varimel {

// One channel message (note, controller, program, pitch bend and the rest):
// its status byte first, two or three bytes in all, or two for program and
// channel pressure.
struct TimedEvent {
    std::uint64_t Tick = 0;
    double Seconds = 0.0;
    std::uint8_t Bytes[3] = {};
    std::uint8_t Size = 0;
    int Channel() const { return Bytes[0] & 0x0F; }
};

// Where the tempo changes: from Tick on, a quarter lasts MicrosPerQuarter.
struct TempoPoint {
    std::uint64_t Tick = 0;
    double Seconds = 0.0;
    std::uint32_t MicrosPerQuarter = 500000;
    // The same time exactly, in microseconds times the ticks per quarter.
    std::uint64_t Units = 0;
};

struct SmfTimeline {
    int Division = 960;
    std::vector<TimedEvent> Events; // in time, tracks in file order at one tick
    std::vector<TempoPoint> Tempos; // at least one, the first at tick 0
    std::uint64_t EndTick = 0;      // the last track's end
    double EndSeconds = 0.0;
    // The channels the piece uses, as a bit set.
    std::uint16_t Channels = 0;

    double SecondsAt(std::uint64_t tick) const;
    // The tick reached at a time (the last tick begun).
    std::uint64_t TickAt(double seconds) const;
    // The frame a tick falls on at a sample rate, to the nearest frame (a
    // half up), worked out exactly: a port writes each event at its frame.
    std::uint64_t FrameOfTick(std::uint64_t tick, std::uint32_t sampleRate) const;
};

// The file's bytes as a time line; none, with a reason, when they are no
// Standard MIDI File with ticks per quarter (SMPTE time is not written by
// this program and not read here).
std::optional<SmfTimeline> ReadSmfTimeline(std::string_view bytes, std::string* reason = nullptr);
// The same of a file's bytes; the reason also when it cannot be read.
std::optional<SmfTimeline> ReadSmfTimelineFile(const std::string& path, std::string* reason = nullptr);

} // namespace varimel
