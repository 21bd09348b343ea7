// SPDX-License-Identifier: MIT
// The streaming writer: finished runs of a track's events written on a
// thread of their own while the next block of a large piece is mapped.
#pragma once

#include "Sequencer.h"
#include "Standardmidifile.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace varimel {

// Writes finished runs of a track's events on a thread of its own, in the
// order they are given, while the next block is mapped and sorted.
class TStreamWriter {
public:
    TStreamWriter(TSMFWrite& writer, std::uint32_t previous)
        : writer_(writer), previous_(previous), thread_([this] { Run(); })
    {}
    TStreamWriter(const TStreamWriter&) = delete;
    TStreamWriter& operator=(const TStreamWriter&) = delete;
    ~TStreamWriter() { Finish(); }

    // Hands a run over; false once a write has failed. Waits while two runs
    // are still waiting, so memory stays bounded when the disk is slow.
    bool Give(TMidiEventList&& run);

    // An empty list to fill next: one already written, or a new one with
    // room for n events.
    TMidiEventList Spare(std::size_t n);

    // Waits until every run is written; the time of the last event written,
    // or nothing (with errno telling why) when a write failed.
    std::optional<std::uint32_t> Finish();

private:
    void Run();

    TSMFWrite& writer_;
    std::uint32_t previous_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TMidiEventList> queue_;
    std::vector<TMidiEventList> spare_;
    bool done_ = false;
    bool failed_ = false;
    int error_ = 0;
    std::thread thread_; // last: it starts with every member above in place
};

} // namespace varimel
