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
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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
// fixed size. A slot is claimed by one thread alone, filled, and only then
// published for the handler.
enum SlotState : int { kSlotFree = 0, kSlotClaimed = 1, kSlotPublished = 2 };
struct TemporarySlot {
    std::atomic<int> state{kSlotFree};
    char path[4096]{};
};
std::array<TemporarySlot, 64> g_temporaries;
// Helper processes writing for this one (a batch runs several at a time).
std::array<std::atomic<int>, 64> g_helpers{};

extern "C" void RemoveTemporariesAndDie(int signal)
{
    // Every helper gets the signal first, and is waited for, so that none
    // puts a file in place once this process has ended.
    for (std::atomic<int>& helper : g_helpers)
        if (const int pid = helper.load(); pid > 0)
            kill(pid, signal);
    for (std::atomic<int>& helper : g_helpers)
        if (const int pid = helper.load(); pid > 0) {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    for (TemporarySlot& slot : g_temporaries)
        if (slot.state.load(std::memory_order_acquire) == kSlotPublished)
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

bool ReadFileUpTo(const std::string& path, std::size_t limit, std::string& text, std::string& reason)
{
    text.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        close(fd);
        reason = std::strerror(EISDIR);
        return false;
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            reason = std::strerror(errno);
            close(fd);
            return false;
        }
        if (got == 0)
            break;
        if (text.size() + static_cast<std::size_t>(got) > limit) {
            close(fd);
            reason = limit >= (std::size_t{1} << 20) ? "larger than " + std::to_string(limit >> 20) + " MiB"
                                                     : "larger than " + std::to_string(limit) + " bytes";
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return true;
}

std::optional<std::string> ReadStartOfFile(const std::string& path, std::size_t count)
{
    // Opened without waiting: a FIFO put in the file's place would otherwise
    // keep the caller waiting for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<std::string> text;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        text.emplace(count, '\0');
        ssize_t got = 0;
        while ((got = pread(fd, text->data(), count, 0)) < 0 && errno == EINTR) {
        }
        text->resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    close(fd);
    return text;
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
        int expected = kSlotFree;
        if (!slot.state.compare_exchange_strong(expected, kSlotClaimed, std::memory_order_acquire))
            continue;
        // Claimed by this thread alone; published once the path is whole, so
        // the handler never sees half a path.
        std::memcpy(slot.path, path_.c_str(), path_.size() + 1);
        slot.state.store(kSlotPublished, std::memory_order_release);
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
        g_temporaries[static_cast<std::size_t>(slot_)].state.store(kSlotFree, std::memory_order_release);
    slot_ = -1;
    path_.clear();
}

bool ForwardSignalsTo(int processId)
{
    for (std::atomic<int>& helper : g_helpers) {
        int expected = 0;
        if (helper.compare_exchange_strong(expected, processId))
            return true;
    }
    return false;
}

void StopForwardingTo(int processId)
{
    for (std::atomic<int>& helper : g_helpers) {
        int expected = processId;
        if (helper.compare_exchange_strong(expected, 0))
            return;
    }
}

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

namespace {

// Fresh private folders made by this process, removed at its end if empty.
std::mutex g_freshLock;
std::vector<std::string> g_fresh;

void RemoveFreshFolders()
{
    const std::lock_guard lock(g_freshLock);
    for (const std::string& folder : g_fresh)
        rmdir(folder.c_str());
}

// A folder of this process's own beside the fixed name, for when another
// user holds that name or made it open to others.
std::string FreshPrivateFolder(const std::string& base)
{
    const std::lock_guard lock(g_freshLock);
    for (const std::string& folder : g_fresh)
        if (folder.rfind(base + "-", 0) == 0 && IsPrivateFolder(folder))
            return folder;
    std::string pattern = base + "-XXXXXX";
    if (!mkdtemp(pattern.data()) || !IsPrivateFolder(pattern))
        return {};
    if (g_fresh.empty())
        std::atexit(RemoveFreshFolders);
    g_fresh.push_back(pattern);
    return pattern;
}

} // namespace

std::string PrivateFolder()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/' && IsPrivateFolder(runtime))
        return runtime;
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder =
        std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/varimel-" + std::to_string(static_cast<unsigned>(getuid()));
    const bool made = mkdir(folder.c_str(), 0700) == 0;
    if ((made || errno == EEXIST) && IsPrivateFolder(folder))
        return folder;
    // Never the shared folder itself: what lives there can be redirected by
    // anybody.
    return FreshPrivateFolder(folder);
}

std::string ResolveLinks(const std::string& path, bool* refused)
{
    if (refused)
        *refused = false;
    std::string current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        // The kernel's rule for sticky folders anybody may write to (/tmp):
        // a link there is followed only when it belongs to this user or to
        // the folder's owner, so nobody can plant one to redirect a write.
        const std::string folder = current.substr(0, NameStart(current));
        struct stat place {};
        if (stat(folder.empty() ? "." : folder.c_str(), &place) == 0 && (place.st_mode & S_ISVTX) &&
            (place.st_mode & S_IWOTH) && info.st_uid != geteuid() && info.st_uid != place.st_uid) {
            if (refused)
                *refused = true;
            return current;
        }
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 4096) + 1, '\0');
        const ssize_t n = readlink(current.c_str(), link.data(), link.size());
        if (n < 0)
            return current;
        link.resize(static_cast<std::size_t>(n));
        if (!link.empty() && link.front() == '/')
            current = link;
        else
            current = folder + link;
    }
    return current; // a loop: opening it reports the error
}

std::optional<int> DescriptorOfPath(const std::string& path)
{
    int fd = -1;
    if (path == "/dev/stdout")
        fd = STDOUT_FILENO;
    else if (path == "/dev/stderr")
        fd = STDERR_FILENO;
    else {
        const std::string self = "/proc/" + std::to_string(getpid()) + "/fd/";
        for (const std::string& prefix : {std::string("/dev/fd/"), std::string("/proc/self/fd/"), self}) {
            if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
                continue;
            const std::string number = path.substr(prefix.size());
            if (number.size() > 9 || number.find_first_not_of("0123456789") != std::string::npos)
                return std::nullopt;
            fd = std::stoi(number);
        }
    }
    if (fd < 0 || fcntl(fd, F_GETFD) < 0)
        return std::nullopt;
    return fd;
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
