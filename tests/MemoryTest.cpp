// SPDX-License-Identifier: MIT
// What a load is expected to take in memory, and when it is refused.
#include "sys/Memory.h"
#include "data/Csvload.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace varimel;

TEST(Memory, EstimateOfALoad)
{
    EXPECT_TRUE(FitsInMemory(1000, std::nullopt)) << "nothing known: try";
    EXPECT_TRUE(FitsInMemory(2500, 2500));
    EXPECT_FALSE(FitsInMemory(2501, 2500));
    // What a file needs, from what its samples tell (1 MB sampled of each).
    const struct {
        const char* what;
        std::uint64_t fileBytes;
        FileSample sample;
        LoadBudget budget;
        std::uint64_t need;
    } rows[] = {
        {"10^7 20-byte lines: 32 bytes a record", 200000000, {1000000, 50000, 50000, 0, 0}, {}, 320000000},
        {"4-byte lines: 8 bytes per file byte", 80000000, {1000000, 250000, 250000, 0, 0}, {}, 640000000},
        {"no line end at all: one line", 1 << 30, {1 << 20, 0, 0, 0, 0}, {}, 32},
        {"every line skipped keeps its 1 KiB", 100000000, {1000000, 500, 500, 500, 512000}, {}, 50000 * 2112},
        {"half skipped, 20-byte lines", 200000000, {1000000, 50000, 50000, 25000, 500000}, {}, 5000000 * (32 + 104)},
        {"a further column with a value on every other line",
         200000000,
         {1000000, 50000, 50000, 0, 0, 25000, 25000, 0},
         {},
         320000000 + 200 * (25000 * 32 + 25000 * 32)},
        {"velocity and length beside every record",
         200000000,
         {1000000, 50000, 50000, 0, 0, 0, 0, 100000},
         {},
         320000000 + 200 * 100000 * 16},
        {"the notes table: events, spans, its text",
         200000000,
         {1000000, 50000, 50000, 0, 0},
         {false, true},
         10000000 * (32 + 132)},
    };
    for (const auto& r : rows)
        EXPECT_EQ(MemoryNeeded(r.fileBytes, r.sample, r.budget), r.need) << r.what;

    // Samples spread over the file: a long first line does not hide the
    // short lines after it; CR LF is one line end.
    testutil::TempDir dir;
    std::string csv(3 << 20, 'x');
    for (int i = 0; i < 400000; ++i)
        csv += std::to_string(i % 10) + ",5\r\n";
    testutil::WriteFile(dir / "long-first.csv", csv);
    const int fd = open((dir / "long-first.csv").c_str(), O_RDONLY);
    const FileSample sample = SampleFile(fd, csv.size(), {});
    close(fd);
    // The memory at hand is shared: a load that runs beside very many others
    // gets its part only, and is refused before it is read.
    std::string reason;
    EXPECT_FALSE(LoadCsv(dir / "long-first.csv", &reason, {}, {std::uint64_t{1} << 40, false}));
    EXPECT_EQ(reason, kReasonNoMemory);
    EXPECT_TRUE(LoadCsv(dir / "long-first.csv", &reason, {}, {1, false}));
    const double lines = static_cast<double>(csv.size()) * sample.lineEnds / sample.bytes;
    EXPECT_NEAR(lines, 400000, 400000 * 0.25) << sample.lineEnds << " of " << sample.bytes;
    EXPECT_EQ(sample.skipped, 0u) << "whole lines only are judged";
    const auto available = AvailableMemory();
    ASSERT_TRUE(available.has_value());
    EXPECT_GT(*available, 0u);
}

// The memory left in a limited group, from the files the system keeps (laid
// out here under a folder of their own): the group's limit less its use,
// where the inactive file cache (a large file just read) counts as free; the
// system's available memory when that is less.
TEST(Memory, LeftInALimitedGroup)
{
    const std::string meminfo = "MemTotal: 16000000 kB\nMemAvailable: 8000000 kB\n";
    const struct {
        const char* what;
        const char* cgroup;
        std::vector<std::pair<std::string, std::string>> files;
        std::optional<std::uint64_t> left;
    } rows[] = {
        {"no group limit: the system's", "0::/\n", {}, std::uint64_t{8192000000}},
        {"v2: limit less use",
         "0::/job\n",
         {{"sys/fs/cgroup/job/memory.max", "3000000000\n"}, {"sys/fs/cgroup/job/memory.current", "2900000000\n"}},
         std::uint64_t{100000000}},
        {"v2: the inactive file cache is free",
         "0::/job\n",
         {{"sys/fs/cgroup/job/memory.max", "3000000000\n"},
          {"sys/fs/cgroup/job/memory.current", "2900000000\n"},
          {"sys/fs/cgroup/job/memory.stat", "anon 100000000\ninactive_anon 0\ninactive_file 2700000000\n"}},
         std::uint64_t{2800000000}},
        {"v2: more cache than use",
         "0::/job\n",
         {{"sys/fs/cgroup/job/memory.max", "3000000000\n"},
          {"sys/fs/cgroup/job/memory.current", "100\n"},
          {"sys/fs/cgroup/job/memory.stat", "inactive_file 900\n"}},
         std::uint64_t{3000000000}},
        {"v2 with no limit",
         "0::/job\n",
         {{"sys/fs/cgroup/job/memory.max", "max\n"}, {"sys/fs/cgroup/job/memory.current", "5\n"}},
         std::uint64_t{8192000000}},
        {"v1: the group's and its children's cache",
         "4:memory:/job\n0::/\n",
         {{"sys/fs/cgroup/memory/job/memory.limit_in_bytes", "3000000000\n"},
          {"sys/fs/cgroup/memory/job/memory.usage_in_bytes", "2900000000\n"},
          {"sys/fs/cgroup/memory/job/memory.stat", "inactive_file 5\ntotal_inactive_file 1000000000\n"}},
         std::uint64_t{1100000000}},
        {"a container sees its group as the root",
         "0::/outer/job\n",
         {{"sys/fs/cgroup/memory.max", "1000\n"}, {"sys/fs/cgroup/memory.current", "400\n"}},
         std::uint64_t{600}},
    };
    for (const auto& r : rows) {
        testutil::TempDir root;
        std::filesystem::create_directories(root / "proc/self");
        testutil::WriteFile(root / "proc/meminfo", meminfo);
        testutil::WriteFile(root / "proc/self/cgroup", r.cgroup);
        for (const auto& [path, text] : r.files) {
            std::filesystem::create_directories(std::filesystem::path(root / path).parent_path());
            testutil::WriteFile(root / path, text);
        }
        EXPECT_EQ(AvailableMemory(root.Path()), r.left) << r.what;
    }
}
