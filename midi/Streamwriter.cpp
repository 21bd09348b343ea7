// SPDX-License-Identifier: MIT
#include "Streamwriter.h"

#include <cerrno>
#include <new>
#include <utility>

namespace varimel {

bool TStreamWriter::Give(TMidiEventList&& run)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < 2 || failed_; });
    if (failed_)
        return false;
    queue_.push_back(std::move(run));
    changed_.notify_all();
    return true;
}

TMidiEventList TStreamWriter::Spare(std::size_t n)
{
    {
        std::lock_guard lock(mutex_);
        if (!spare_.empty()) {
            TMidiEventList list = std::move(spare_.back());
            spare_.pop_back();
            return list;
        }
    }
    TMidiEventList list(0, "", "");
    list.Reserve(n);
    return list;
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
    return previous_;
}

void TStreamWriter::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || done_; });
        if (queue_.empty())
            return;
        TMidiEventList run = std::move(queue_.front());
        queue_.pop_front();
        const bool skip = failed_;
        // A copy of its own, updated for every event: the shared one
        // shares a cache line with the mapping thread's data.
        std::uint32_t previous = previous_;
        lock.unlock();
        const bool ok = skip || writer_.WriteEvents(run.begin(), run.end(), previous);
        const int error = errno;
        run.Clear();
        lock.lock();
        previous_ = previous;
        if (!ok) {
            failed_ = true;
            error_ = error;
        }
        try {
            spare_.push_back(std::move(run));
        } catch (const std::bad_alloc&) {
            // Not kept for reuse: the next run gets a new list.
        }
        changed_.notify_all();
    }
}

} // namespace varimel
