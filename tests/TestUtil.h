// SPDX-License-Identifier: MIT
// Helpers shared by the tests: a scratch folder on disk and file I/O.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace testutil {

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "varimel-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A character device like /dev/null made in the test's own folder, so a
// writer that wrongly replaces device nodes harms only the test's copy.
// Empty where device nodes cannot be made (not root).
inline std::string MakeNullDevice(const TempDir& dir)
{
    const std::string path = dir / "null-device";
    if (mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        return {};
    return path;
}

inline std::size_t CountEntries(const std::string& folder)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

// Two texts of any length compared by size and first difference: a failure
// tells where they part instead of printing both whole (megabytes of text
// would make the framework's diff grow without end).
inline ::testing::AssertionResult SameText(const std::string& got, const std::string& expected)
{
    const auto [a, b] = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
    if (a == got.end() && b == expected.end())
        return ::testing::AssertionSuccess();
    const std::size_t at = static_cast<std::size_t>(a - got.begin());
    const std::size_t from = at > 40 ? at - 40 : 0;
    return ::testing::AssertionFailure() << "sizes " << got.size() << " and " << expected.size()
                                         << ", first difference at byte " << at << ": \"" << got.substr(from, 80)
                                         << "\" against \"" << expected.substr(from, 80) << "\"";
}

} // namespace testutil
