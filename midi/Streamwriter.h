// SPDX-License-Identifier: MIT
// The streaming writer: a track's bytes, encoded a block at a time, written
// on a thread of their own while the next block is mapped.
#pragma once

#include "Noteencoder.h"
#include "Standardmidifile.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace varimel {

// Writes blocks of a track's bytes into an open writer on a thread of its
// own, in the order they are given.
class TStreamWriter {
public:
    explicit TStreamWriter(TSMFWrite& writer) : writer_(writer), thread_([this] { Run(); }) {}
    TStreamWriter(const TStreamWriter&) = delete;
    TStreamWriter& operator=(const TStreamWriter&) = delete;
    ~TStreamWriter() { Finish(); }

    // Hands a block over; false once a write has failed. Waits while two
    // blocks are still waiting, so memory stays bounded when the disk is
    // slow.
    bool Give(ByteBlock&& bytes);

    // An empty block to fill next: one already written, or a new one.
    ByteBlock Spare();

    // Waits until every block is written; false (with errno telling why)
    // when a write failed.
    bool Finish();

private:
    void Run();

    TSMFWrite& writer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<ByteBlock> queue_;
    std::vector<ByteBlock> spare_;
    bool done_ = false;
    bool failed_ = false;
    int error_ = 0;
    std::thread thread_; // last: it starts with every member above in place
};

} // namespace varimel
