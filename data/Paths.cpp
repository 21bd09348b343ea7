#include "Paths.h"

#include <cstdio>
#include <random>
#include <sys/stat.h>

namespace varimel {

namespace {
bool IsSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}

std::size_t NameStart(std::string_view path)
{
    std::size_t i = path.size();
    while (i > 0 && !IsSeparator(path[i - 1]))
        --i;
    return i;
}
} // namespace

std::string FileNameOf(std::string_view path) { return std::string(path.substr(NameStart(path))); }

std::string FolderOf(std::string_view path)
{
    const std::size_t i = NameStart(path);
    if (i == 0)
        return std::string();
    if (i == 1)
        return std::string(path.substr(0, 1));
    return std::string(path.substr(0, i - 1));
}

std::string TemporarySibling(const std::string& target)
{
    const std::string prefix = target.substr(0, NameStart(target)) + "." + FileNameOf(target) + ".";
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 64; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "%012llx.tmp",
                      static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
        std::string candidate = prefix + suffix;
        struct stat info {};
        if (lstat(candidate.c_str(), &info) != 0)
            return candidate;
    }
    return std::string();
}

} // namespace varimel
