// SPDX-License-Identifier: MIT
#include "Replace.h"

#include "Paths.h"
#include "Temporaries.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace varimel {

namespace {

std::optional<ReplaceStep>& InjectedFailure()
{
    static std::optional<ReplaceStep> step;
    return step;
}

// The longest part of the target's name a temporary name repeats: with the
// dot, the random part and ".tmp" it stays far below any file-name limit.
constexpr std::size_t kNameKept = 32;

// A test asked for this step to fail.
bool Injected(ReplaceStep step) { return InjectedFailure() == step; }
} // namespace

std::string TemporarySibling(const std::string& target)
{
    // The name is cut on a character boundary, so a temporary of a long
    // Japanese name is still valid UTF-8.
    std::string name = FileNameOf(target);
    if (name.size() > kNameKept) {
        std::size_t cut = kNameKept;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    const std::string prefix = target.substr(0, target.size() - FileNameOf(target).size()) + "." + name + ".";
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

namespace {

// Copies a finished file to a target that cannot be renamed over: a device,
// a FIFO, standard output.
bool CopyInto(const std::string& from, int to)
{
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    std::array<char, 1 << 16> buffer;
    bool ok = true;
    for (;;) {
        const ssize_t got = read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = write(to, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                ok = false;
                break;
            }
            done += put;
        }
        if (!ok)
            break;
    }
    const int error = errno;
    close(in);
    errno = error;
    return ok;
}

// Fills a private temporary and copies it into a target that is written in
// place (the writers seek back to patch lengths, which a pipe cannot do):
// the open descriptor fd, or else the file target is opened.
bool WriteInPlace(const std::string& target, int fd, const FileFiller& fill, std::string* reason)
{
    const auto fail = [&](const char* what, int error) {
        if (reason)
            *reason = std::string(what) + ": " + std::strerror(error);
        return false;
    };
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/varimel-XXXXXX";
    const std::unique_ptr<TemporaryFile> made = NewTemporaryFile(pattern);
    if (!made)
        return fail("cannot create a temporary file", errno);
    const TemporaryFile& temporary = *made;
    errno = 0;
    if (!fill(temporary.Path()))
        return fail("cannot write", errno ? errno : EIO);
    const bool given = fd >= 0;
    const int out = given ? fd : open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (out < 0)
        return fail("cannot open", errno);
    const bool copied = CopyInto(temporary.Path(), out);
    const int error = errno;
    if (!given)
        close(out);
    return copied || fail("cannot write", error ? error : EIO);
}

} // namespace

bool IsReadOnlyFile(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path.c_str(), W_OK) != 0;
}

bool ReplaceFile(const std::string& target, const FileFiller& fill, std::string* reason)
{
    std::string temporary;
    std::unique_ptr<TemporaryFile> guard; // removes the temporary on failure or a signal
    // A step that failed for real reports the system's error; one failed by
    // a test reports an I/O error.
    const auto fail = [&](const char* what, bool really, int error) {
        if (reason)
            *reason = std::string(what) + ": " + std::strerror(really ? error : EIO);
        return false;
    };
    if (target.empty())
        return fail("cannot write", true, ENOENT);
    // Standard output, or a descriptor named by path, is written as it is
    // open (appending where it appends): replacing the file behind it would
    // destroy what was there.
    if (target == "-")
        return WriteInPlace(target, STDOUT_FILENO, fill, reason);
    if (const auto fd = DescriptorOfPath(target))
        return WriteInPlace(target, *fd, fill, reason);
    bool planted = false;
    const std::string resolved = ResolveLinks(target, &planted);
    if (planted) {
        if (reason)
            *reason = "not following a link another user made in a shared folder: " + resolved;
        return false;
    }
    struct stat existing {};
    if (stat(resolved.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            return fail("cannot write", true, EISDIR);
        if (!S_ISREG(existing.st_mode))
            return WriteInPlace(resolved, -1, fill, reason);
        // A file its owner made read-only (or that is not ours to write) is
        // kept: renaming over it would need no leave from it.
        if (IsReadOnlyFile(resolved)) {
            if (reason)
                *reason = kReasonReadOnly;
            return false;
        }
    }

    // The temporary is created here, exclusively, so it can never be a file
    // somebody else put at that name.
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        const std::string candidate = TemporarySibling(resolved);
        if (candidate.empty())
            break;
        fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temporary = candidate;
            guard = std::make_unique<TemporaryFile>(candidate);
        } else if (errno != EEXIST) {
            break;
        }
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
        stat(resolved.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || fchmod(fd, info.st_mode & 07777) == 0;
    error = errno;
    close(fd);
    if (Injected(ReplaceStep::Permissions) || !kept)
        return fail("cannot keep the permissions", !kept, error);

    // The one step with an effect on the target: a test's failure must come
    // before it, not after.
    const bool injected = Injected(ReplaceStep::Rename);
    // A process that a signal is ending puts nothing in place.
    if (Stopping())
        return fail("cannot replace", true, EINTR);
    const bool renamed = !injected && std::rename(temporary.c_str(), resolved.c_str()) == 0;
    error = errno;
    if (!renamed)
        return fail("cannot replace", !injected, error);
    guard->Release();
    return true;
}

} // namespace varimel
