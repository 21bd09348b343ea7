// SPDX-License-Identifier: MIT
#include "Streamwriter.h"

#include <cerrno>
#include <new>
#include <utility>

namespace varimel {

bool TStreamWriter::Give(ByteBlock&& bytes)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < 2 || failed_; });
    if (failed_)
        return false;
    queue_.push_back(std::move(bytes));
    changed_.notify_all();
    return true;
}

ByteBlock TStreamWriter::Spare()
{
    std::lock_guard lock(mutex_);
    if (spare_.empty())
        return {};
    ByteBlock block = std::move(spare_.back());
    spare_.pop_back();
    return block;
}

bool TStreamWriter::Finish()
{
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    if (failed_)
        errno = error_;
    return !failed_;
}

void TStreamWriter::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || done_; });
        if (queue_.empty())
            return;
        ByteBlock block = std::move(queue_.front());
        queue_.pop_front();
        const bool skip = failed_;
        lock.unlock();
        const bool ok = skip || writer_.WriteBytes(block.data(), block.size());
        const int error = errno;
        block.clear();
        lock.lock();
        if (!ok) {
            failed_ = true;
            error_ = error;
        }
        try {
            spare_.push_back(std::move(block));
        } catch (const std::bad_alloc&) {
            // Not kept for reuse: the next block gets a new one.
        }
        changed_.notify_all();
    }
}

} // namespace varimel
