// SPDX-License-Identifier: MIT
#include "Streamwriter.h"

#include <cerrno>
#include <new>
#include <utility>

namespace varimel {

bool TStreamWriter::Give(NoteBlock&& notes, std::uint32_t limit)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < 2 || failed_; });
    if (failed_)
        return false;
    queue_.push_back({std::move(notes), limit});
    changed_.notify_all();
    return true;
}

NoteBlock TStreamWriter::Spare()
{
    std::lock_guard lock(mutex_);
    if (spare_.empty())
        return {};
    NoteBlock block = std::move(spare_.back());
    spare_.pop_back();
    return block;
}

std::optional<std::uint32_t> TStreamWriter::Finish()
{
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    if (failed_) {
        errno = error_;
        return std::nullopt;
    }
    return encoder_.Previous();
}

bool TStreamWriter::Write()
{
    const bool ok = writer_.WriteBytes(encoder_.Bytes(), encoder_.ByteCount());
    encoder_.ClearBytes();
    return ok;
}

void TStreamWriter::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || done_; });
        if (queue_.empty()) {
            // Everything is in: the note-offs still waiting end the track.
            if (!failed_) {
                lock.unlock();
                encoder_.Finish();
                const bool ok = Write();
                const int error = errno;
                lock.lock();
                if (!ok) {
                    failed_ = true;
                    error_ = error;
                }
            }
            return;
        }
        Block block = std::move(queue_.front());
        queue_.pop_front();
        const bool skip = failed_;
        lock.unlock();
        bool ok = true;
        if (!skip) {
            for (const MappedNote& n : block.notes)
                encoder_.Add(n.Start, n.Key, n.Velocity, n.Length);
            encoder_.Encode(block.limit);
            ok = Write();
        }
        const int error = errno;
        block.notes.clear();
        lock.lock();
        if (!ok) {
            failed_ = true;
            error_ = error;
        }
        try {
            spare_.push_back(std::move(block.notes));
        } catch (const std::bad_alloc&) {
            // Not kept for reuse: the next block gets a new one.
        }
        changed_.notify_all();
    }
}

} // namespace varimel
