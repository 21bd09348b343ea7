// SPDX-License-Identifier: MIT
// Memory as the system gives it: hints for the large lists of records and
// events, and how much may still be taken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace varimel {

inline constexpr char kReasonNoMemory[] = "not enough memory";

// Storage that leaves an element made without a value as the memory holds
// it: the room of a large list of records or bytes is written by its
// makers straight away, not zeroed first and then written.
template <class T> struct UnfilledAllocator : std::allocator<T> {
    template <class U> struct rebind {
        using other = UnfilledAllocator<U>;
    };
    UnfilledAllocator() = default;
    template <class U> UnfilledAllocator(const UnfilledAllocator<U>&) noexcept {}
    template <class U> void construct(U*) noexcept {}
    template <class U, class... Args> void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// Bytes of memory the program may still take: the system's available memory,
// or what is left below the cgroup's limit when that is less (the group's
// inactive file cache, which the system reclaims first, counting as free).
// Empty when neither can be read. root is where /proc and /sys are found.
std::optional<std::uint64_t> AvailableMemory(const std::string& root = "");
// Whether that much fits the memory at hand; nothing known counts as fitting.
bool FitsInMemory(std::uint64_t needed, std::optional<std::uint64_t> available);

// Asks the system to back a large, not yet touched block with huge pages,
// so that filling it costs a few hundred page faults instead of tens of
// thousands. Only a hint: nothing changes where it is not followed.
void AdviseHugePages(void* data, std::size_t bytes);

// Faults in the pages of a large block on another thread while this one
// fills the block from its start, so the system's zeroing of fresh memory
// runs beside the work instead of inside it. Joined when it goes.
class Prefault {
public:
    Prefault(void* data, std::size_t bytes);
    ~Prefault();
    Prefault(const Prefault&) = delete;
    Prefault& operator=(const Prefault&) = delete;

private:
    std::thread thread_;
};

} // namespace varimel
