// SPDX-License-Identifier: MIT
#include "Memory.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace varimel {

namespace {

// A number from a line of /proc/meminfo or a cgroup file; "max" is none.
std::optional<std::uint64_t> ReadNumberFile(const char* path, const char* key)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "r"), &std::fclose);
    if (!file)
        return std::nullopt;
    char line[256];
    while (std::fgets(line, sizeof line, file.get())) {
        const std::size_t keyLength = std::strlen(key);
        if (std::strncmp(line, key, keyLength) != 0)
            continue;
        unsigned long long value = 0;
        if (std::sscanf(line + keyLength, "%llu", &value) != 1)
            return std::nullopt;
        return value;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::uint64_t> AvailableMemory(const std::string& root)
{
    std::optional<std::uint64_t> available;
    if (const auto kib = ReadNumberFile((root + "/proc/meminfo").c_str(), "MemAvailable:"))
        available = *kib * 1024;
    // The cgroup the process runs in, in the unified (v2) hierarchy or the
    // memory controller's (v1); the folder itself when the path is not
    // visible from here (a container sees its own cgroup as the root).
    std::string v2, v1;
    if (std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen((root + "/proc/self/cgroup").c_str(), "r"), &std::fclose);
        file) {
        char line[1024];
        while (std::fgets(line, sizeof line, file.get())) {
            std::string text(line);
            while (!text.empty() && text.back() == '\n')
                text.pop_back();
            if (text.rfind("0::", 0) == 0)
                v2 = text.substr(3);
            else if (const auto at = text.find(":memory:"); at != std::string::npos)
                v1 = text.substr(at + 8);
        }
    }
    // Inside a container the cgroup's path as /proc tells it may begin
    // with folders the container does not see: its tail is tried, part by
    // part, down to the root of the mount.
    const auto tails = [](std::string path) {
        std::vector<std::string> out;
        for (;;) {
            out.push_back(path);
            if (path.empty())
                return out;
            const std::size_t next = path.find('/', 1);
            path = next == std::string::npos ? std::string() : path.substr(next);
        }
    };
    struct Place {
        std::string folder;
        const char* limit;
        const char* usage;
        const char* cache; // the inactive file pages in memory.stat (v1: of the group and those below)
    };
    std::vector<Place> places;
    for (const std::string& tail : tails(v2))
        places.push_back({root + "/sys/fs/cgroup" + tail, "/memory.max", "/memory.current", "inactive_file "});
    for (const std::string& tail : tails(v1))
        places.push_back({root + "/sys/fs/cgroup/memory" + tail, "/memory.limit_in_bytes", "/memory.usage_in_bytes",
                          "total_inactive_file "});
    for (const auto& place : places) {
        const auto limit = ReadNumberFile((place.folder + place.limit).c_str(), "");
        auto used = ReadNumberFile((place.folder + place.usage).c_str(), "");
        if (!limit || !used)
            continue;
        // A file just read stays in the group's cache and counts as used,
        // yet the system drops it before it refuses memory.
        if (const auto cache = ReadNumberFile((place.folder + "/memory.stat").c_str(), place.cache))
            *used -= std::min(*used, *cache);
        const std::uint64_t left = *limit > *used ? *limit - *used : 0;
        if (!available || left < *available)
            available = left;
        break;
    }
    return available;
}

bool FitsInMemory(std::uint64_t needed, std::optional<std::uint64_t> available)
{
    return !available || needed <= *available;
}

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
