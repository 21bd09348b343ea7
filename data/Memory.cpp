// SPDX-License-Identifier: MIT
#include "Memory.h"

#include <cstdint>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace varimel {

void AdviseHugePages(void* data, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    if (bytes < 4 * kHuge)
        return;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHuge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

Prefault::Prefault(void* data, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    constexpr std::uintptr_t kPage = 4096;
    if (bytes < (std::size_t{8} << 20) || std::thread::hardware_concurrency() < 2)
        return;
    // The second half: the first is being filled by the time this starts.
    const auto start = reinterpret_cast<std::uintptr_t>(data) + bytes / 2;
    const auto begin = (start + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kPage - 1);
    if (end <= begin)
        return;
    thread_ = std::thread([begin, end] { madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE); });
#else
    (void)data;
    (void)bytes;
#endif
}

Prefault::~Prefault()
{
    if (thread_.joinable())
        thread_.join();
}

} // namespace varimel
