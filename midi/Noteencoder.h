// SPDX-License-Identifier: MIT
// A melody's notes made straight into the bytes of its track chunk.
#pragma once

#include "Standardmidifile.h"
#include "sys/Memory.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace varimel {

// Takes notes in the order of their starts and gives the bytes a track
// chunk holds for their note-ons and note-offs: the events in the order a
// stable sort by MidiEventBefore puts them (at one tick, note-offs before
// note-ons, each by key, then in the order the notes came), each after its
// delta time. These are the bytes TSMFWrite::WriteEvents writes for the
// sorted list of the same notes, made without the list or the sort.
class TNoteEncoder {
public:
    // previous: the time of the event written before the first note's.
    TNoteEncoder(std::uint8_t channel, std::uint32_t previous);

    // A note; its start is at or after the start of every note before it,
    // its length at least a tick (so no note-off still to come can fall on
    // a tick that has begun). Its note-off comes length ticks later (in 32
    // bits, as the event list adds them).
    void Add(std::uint32_t start, std::uint8_t key, std::uint8_t velocity, std::uint32_t length)
    {
        key &= kDataMask; // as the event list keeps it, and sorts by it
        if (start != onTime_ || ons_.empty()) {
            // The chord before is complete; every note-off up to this start
            // is known and comes before this note-on.
            PutOns();
            PutOffsUpTo(start);
            onTime_ = start;
        }
        ons_.push_back({key, velocity});
        const Off off = OffOf(start + length, key);
        if (first_ == offs_.size() || off >= offs_.back())
            offs_.push_back(off);
        else
            InsertOff(off);
    }
    // Encodes the events before limit; the notes still to come start at or
    // after it.
    void Encode(std::uint32_t limit)
    {
        if (!ons_.empty() && onTime_ < limit) {
            PutOns();
            PutOffsUpTo(limit);
        }
    }
    // Encodes every event left.
    void Finish()
    {
        PutOns();
        PutOffsUpTo(0xFFFFFFFFu);
    }

    // The bytes encoded so far, and forgetting them once written.
    const std::uint8_t* Bytes() const { return bytes_.data(); }
    std::size_t ByteCount() const { return used_; }
    void ClearBytes() { used_ = 0; }
    // The time of the last event encoded.
    std::uint32_t Previous() const { return previous_; }

private:
    // A waiting note-off as its tick and key in one number, in the order
    // they are written (two with the same tick and key are the same bytes).
    using Off = std::uint64_t;
    static Off OffOf(std::uint32_t time, std::uint8_t key) { return std::uint64_t{time} << 8 | key; }
    static std::uint32_t TimeOf(Off off) { return static_cast<std::uint32_t>(off >> 8); }
    struct On {
        std::uint8_t key;
        std::uint8_t velocity;
    };
    void InsertOff(const Off& off);
    // The note-ons waiting (one tick's), by key. The common tick has one
    // note, put here without the chord's sort and loop.
    void PutOns()
    {
        if (ons_.size() == 1)
            Put(onTime_, noteOn_, ons_[0].key, ons_[0].velocity);
        else if (!ons_.empty())
            PutChord();
        ons_.clear();
    }
    void PutChord();
    void PutOffsUpTo(std::uint32_t time)
    {
        for (; first_ < offs_.size() && TimeOf(offs_[first_]) <= time; ++first_)
            Put(TimeOf(offs_[first_]), noteOff_, static_cast<std::uint8_t>(offs_[first_]), 0);
        if (first_ == offs_.size()) {
            offs_.clear();
            first_ = 0;
        }
    }
    void Put(std::uint32_t time, std::uint8_t status, std::uint8_t key, std::uint8_t value)
    {
        const std::uint32_t delta = time - previous_;
        previous_ = time;
        if (bytes_.size() - used_ < 7 || delta > kMaxVarLen) {
            PutRare(delta, status, key, value);
            return;
        }
        std::uint8_t* out = bytes_.data() + used_;
        const std::size_t n = PutVarLen(out, delta);
        // Data bytes as the event list keeps them: 7 bits (keys are cut as
        // they come).
        out[n] = status;
        out[n + 1] = key;
        out[n + 2] = static_cast<std::uint8_t>(value & kDataMask);
        used_ += n + 3;
    }
    // An event whose delta is too long for one variable-length quantity, or
    // that needs more room.
    void PutRare(std::uint32_t delta, std::uint8_t status, std::uint8_t key, std::uint8_t value);

    std::uint8_t noteOn_;
    std::uint8_t noteOff_;
    std::uint32_t previous_;
    std::uint32_t onTime_ = 0;
    std::vector<On> ons_;   // the note-ons at onTime_, in the order they came
    std::vector<Off> offs_; // from first_ on: the waiting note-offs, in order
    std::size_t first_ = 0;
    std::vector<std::uint8_t, UnfilledAllocator<std::uint8_t>> bytes_; // used_ of them encoded
    std::size_t used_ = 0;
};

} // namespace varimel
