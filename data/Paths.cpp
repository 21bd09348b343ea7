#include "Paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

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

std::optional<ReplaceStep>& InjectedFailure()
{
    static std::optional<ReplaceStep> step;
    return step;
}

// A test asked for this step to fail.
bool Injected(ReplaceStep step) { return InjectedFailure() == step; }
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

bool WriteWholeFile(const std::string& path, std::string_view bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fflush(file) == 0 && ok;
    return std::fclose(file) == 0 && ok;
}

void FailReplaceStepForTesting(std::optional<ReplaceStep> step) { InjectedFailure() = step; }

bool ReplaceFile(const std::string& target, const FileFiller& fill, std::string* reason)
{
    std::string temporary;
    // A step that failed for real reports the system's error; one failed by
    // a test reports an I/O error.
    const auto fail = [&](const char* what, bool really, int error) {
        if (reason)
            *reason = std::string(what) + ": " + std::strerror(really ? error : EIO);
        if (!temporary.empty())
            unlink(temporary.c_str());
        return false;
    };
    if (target.empty())
        return fail("cannot write", true, ENOENT);

    // The temporary is created here, exclusively, so it can never be a file
    // somebody else put at that name.
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        const std::string candidate = TemporarySibling(target);
        if (candidate.empty())
            break;
        fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            temporary = candidate;
        else if (errno != EEXIST)
            break;
    }
    int error = errno;
    if (fd >= 0)
        close(fd);
    if (Injected(ReplaceStep::Create) || fd < 0)
        return fail("cannot create a file beside it", fd < 0, error);

    errno = 0;
    const bool filled = fill(temporary);
    error = errno ? errno : EIO;
    if (Injected(ReplaceStep::Fill) || !filled)
        return fail("cannot write", !filled, error);

    fd = open(temporary.c_str(), O_WRONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && fsync(fd) == 0;
    error = errno;
    if (Injected(ReplaceStep::Sync) || !synced) {
        if (fd >= 0)
            close(fd);
        return fail("cannot write", !synced, error);
    }

    // A replaced file keeps its permissions.
    struct stat info {};
    const bool kept =
        stat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || fchmod(fd, info.st_mode & 07777) == 0;
    error = errno;
    close(fd);
    if (Injected(ReplaceStep::Permissions) || !kept)
        return fail("cannot keep the permissions", !kept, error);

    // The one step with an effect on the target: a test's failure must come
    // before it, not after.
    const bool injected = Injected(ReplaceStep::Rename);
    const bool renamed = !injected && std::rename(temporary.c_str(), target.c_str()) == 0;
    error = errno;
    if (!renamed)
        return fail("cannot replace", !injected, error);
    return true;
}

} // namespace varimel
