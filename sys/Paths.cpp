// SPDX-License-Identifier: MIT
#include "Paths.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
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

// The longest part of the target's name a temporary name repeats: with the
// dot, the random part and ".tmp" it stays far below any file-name limit.
constexpr std::size_t kNameKept = 32;

// Live temporary files, in a form a signal handler may read: fixed slots of
// fixed size, each published by its flag.
struct TemporarySlot {
    std::atomic<bool> used{false};
    char path[4096]{};
};
std::array<TemporarySlot, 64> g_temporaries;
std::atomic<int> g_helper{0};

extern "C" void RemoveTemporariesAndDie(int signal)
{
    if (const int helper = g_helper.load(); helper > 0) {
        kill(helper, signal);
        int status = 0;
        waitpid(helper, &status, 0);
    }
    for (TemporarySlot& slot : g_temporaries)
        if (slot.used.load(std::memory_order_acquire))
            unlink(slot.path);
    std::signal(signal, SIG_DFL);
    raise(signal);
}

// A test asked for this step to fail.
bool Injected(ReplaceStep step) { return InjectedFailure() == step; }
} // namespace

std::string FileNameOf(std::string_view path) { return std::string(path.substr(NameStart(path))); }

bool IsReadableFile(const std::string& path)
{
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), R_OK) == 0;
}

std::string AsciiLower(std::string_view text)
{
    std::string lowered(text);
    for (char& c : lowered)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lowered;
}

std::string ExtensionOf(std::string_view path)
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos)
        return {};
    return AsciiLower(path.substr(dot + 1));
}

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
    // The name is cut on a character boundary, so a temporary of a long
    // Japanese name is still valid UTF-8.
    std::string name = FileNameOf(target);
    if (name.size() > kNameKept) {
        std::size_t cut = kNameKept;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    const std::string prefix = target.substr(0, NameStart(target)) + "." + name + ".";
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

TemporaryFile::TemporaryFile(std::string path) : path_(std::move(path))
{
    if (path_.size() >= sizeof(TemporarySlot::path))
        return;
    for (std::size_t i = 0; i < g_temporaries.size(); ++i) {
        TemporarySlot& slot = g_temporaries[i];
        bool expected = false;
        if (slot.used.load() || !slot.used.compare_exchange_strong(expected, true))
            continue;
        // Claimed, but not yet published: the handler must not see half a path.
        slot.used.store(false);
        std::memcpy(slot.path, path_.c_str(), path_.size() + 1);
        slot.used.store(true, std::memory_order_release);
        slot_ = static_cast<int>(i);
        return;
    }
}

TemporaryFile::~TemporaryFile()
{
    const bool remove = !path_.empty();
    const std::string path = path_;
    Release();
    if (remove)
        unlink(path.c_str());
}

std::unique_ptr<TemporaryFile> NewTemporaryFile(std::string& pattern)
{
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return nullptr;
    close(fd);
    return std::make_unique<TemporaryFile>(pattern);
}

void TemporaryFile::Release()
{
    if (slot_ >= 0)
        g_temporaries[static_cast<std::size_t>(slot_)].used.store(false, std::memory_order_release);
    slot_ = -1;
    path_.clear();
}

void ForwardSignalsTo(int processId) { g_helper = processId; }

void RemoveTemporariesOnSignals()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action {};
        action.sa_handler = RemoveTemporariesAndDie;
        sigemptyset(&action.sa_mask);
        // A signal the user's shell set to be ignored stays ignored.
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

namespace {
// A real folder (not a link) of this user that nobody else may enter.
bool IsPrivateFolder(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & 077) == 0;
}
} // namespace

std::string PrivateFolder()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/' && IsPrivateFolder(runtime))
        return runtime;
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder =
        std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/varimel-" + std::to_string(static_cast<unsigned>(getuid()));
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    return IsPrivateFolder(folder) ? folder : std::string();
}

std::string ResolveLinks(const std::string& path)
{
    std::string current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 4096) + 1, '\0');
        const ssize_t n = readlink(current.c_str(), link.data(), link.size());
        if (n < 0)
            return current;
        link.resize(static_cast<std::size_t>(n));
        if (!link.empty() && link.front() == '/')
            current = link;
        else
            current = current.substr(0, NameStart(current)) + link;
    }
    return current; // a loop: opening it reports the error
}

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
// place (the writers seek back to patch lengths, which a pipe cannot do).
bool WriteInPlace(const std::string& target, const FileFiller& fill, std::string* reason)
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
    const bool toStdout = target == "-";
    const int out = toStdout ? STDOUT_FILENO : open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (out < 0)
        return fail("cannot open", errno);
    const bool copied = CopyInto(temporary.Path(), out);
    const int error = errno;
    if (!toStdout)
        close(out);
    return copied || fail("cannot write", error ? error : EIO);
}

} // namespace

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
    if (target == "-")
        return WriteInPlace(target, fill, reason);
    const std::string resolved = ResolveLinks(target);
    struct stat existing {};
    if (stat(resolved.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            return fail("cannot write", true, EISDIR);
        if (!S_ISREG(existing.st_mode))
            return WriteInPlace(resolved, fill, reason);
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
    const bool renamed = !injected && std::rename(temporary.c_str(), resolved.c_str()) == 0;
    error = errno;
    if (!renamed)
        return fail("cannot replace", !injected, error);
    guard->Release();
    return true;
}

} // namespace varimel
