// SPDX-License-Identifier: MIT
// The streaming writer: a melody's notes, handed over a block at a time as
// they are mapped, encoded and written on a thread of their own while the
// next block is mapped.
#pragma once

#include "Noteencoder.h"
#include "Standardmidifile.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace varimel {

// One note as the mapping makes it.
struct MappedNote {
    std::uint32_t Start;
    std::uint32_t Length;
    std::uint8_t Key;
    std::uint8_t Velocity;
};
using NoteBlock = std::vector<MappedNote>;

// Encodes blocks of a track's notes (TNoteEncoder) and writes their bytes
// into an open writer, on a thread of its own, in the order they are given.
class TStreamWriter {
public:
    // previous: the time of the event written before the first note's.
    TStreamWriter(TSMFWrite& writer, std::uint8_t channel, std::uint32_t previous)
        : writer_(writer), encoder_(channel, previous), thread_([this] { Run(); })
    {}
    TStreamWriter(const TStreamWriter&) = delete;
    TStreamWriter& operator=(const TStreamWriter&) = delete;
    ~TStreamWriter() { Finish(); }

    // Hands a block of notes over; the notes of later blocks start at or
    // after limit. False once a write has failed. Waits while two blocks
    // are still waiting, so memory stays bounded when the disk is slow.
    bool Give(NoteBlock&& notes, std::uint32_t limit);

    // An empty block to fill next: one already written, or a new one.
    NoteBlock Spare();

    // Encodes the notes left and waits until every byte is written: the
    // time of the last event, or nothing (with errno telling why) when a
    // write failed.
    std::optional<std::uint32_t> Finish();

private:
    struct Block {
        NoteBlock notes;
        std::uint32_t limit;
    };
    void Run();
    bool Write();

    TSMFWrite& writer_;
    TNoteEncoder encoder_; // the writing thread's alone
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Block> queue_;
    std::vector<NoteBlock> spare_;
    bool done_ = false;
    bool failed_ = false;
    int error_ = 0;
    std::thread thread_; // last: it starts with every member above in place
};

} // namespace varimel
