// SPDX-License-Identifier: MIT
#include "Temporaries.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace varimel {

namespace {

// Live temporary files, in a form a signal handler may read: fixed slots of
// fixed size. A slot is claimed by one thread alone, filled, and only then
// published for the handler.
constexpr int kSlotFree = 0;
constexpr int kSlotClaimed = 1;
constexpr int kSlotPublished = 2;
struct TemporarySlot {
    std::atomic<int> state{kSlotFree};
    char path[4096]{};
};
std::array<TemporarySlot, 64> g_temporaries;
// Helper processes writing for this one (a batch runs several at a time).
std::array<std::atomic<int>, 64> g_helpers{};
// The signal that ends the process, once it has come (0 before).
std::atomic<int> g_stopping{0};
std::atomic<bool> g_exitWithStatus{false};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void RemoveTemporariesAndDie(int signal)
{
    // Set first: a helper followed from now on is sent the signal by the
    // thread that follows it (see ForwardSignalsTo), so each one is
    // signalled by this loop or by that thread, or both, before it is
    // waited for.
    g_stopping.store(signal);
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
    if (g_exitWithStatus.load())
        _exit(128 + signal);
    std::signal(signal, SIG_DFL);
    raise(signal);
}

} // namespace

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
        if (helper.compare_exchange_strong(expected, processId)) {
            // The signal came while the helper was being started: the
            // handler's loop may have passed this slot.
            if (const int signal = g_stopping.load(); signal != 0)
                kill(processId, signal);
            return true;
        }
    }
    return false;
}

void EndWithStatusOnSignal() { g_exitWithStatus.store(true); }

bool Stopping() { return g_stopping.load() != 0; }

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

} // namespace varimel
