// SPDX-License-Identifier: MIT
// Paths and files as the system has them: small path helpers, the one way
// every output file is put in place, temporaries that a signal removes, and
// the private folder.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace varimel {

// The part of a path after its last folder separator.
std::string FileNameOf(std::string_view path);
// The folder part of a path (up to, not including, its last separator; the
// root folder stays "/").
std::string FolderOf(std::string_view path);
// ASCII letters lowered and every other byte kept, so that names compare the
// same whatever the locale.
std::string AsciiLower(std::string_view text);
// The part of a path's file name after its last '.', lowered; empty when the
// name has no '.'.
std::string ExtensionOf(std::string_view path);
// A regular file this process may read.
bool IsReadableFile(const std::string& path);
// A name beside target, in the same folder, that no file has yet: files are
// written there first and renamed over the target only when complete.
std::string TemporarySibling(const std::string& target);

// Reads what path names whole (a file, a pipe, /dev/stdin), at most limit
// bytes; false with the reason when it cannot be read, is a folder, or holds
// more.
bool ReadFileUpTo(const std::string& path, std::size_t limit, std::string& text, std::string& reason);

// The first bytes (at most count) of a regular file; empty for anything
// else (a FIFO, a device), which is never waited for.
std::optional<std::string> ReadStartOfFile(const std::string& path, std::size_t count);

// Fills the file at the path it is given; false when anything went wrong.
using FileFiller = std::function<bool(const std::string& path)>;

// Writes bytes to the file at path (created or truncated), checking every
// step down to the close.
bool WriteWholeFile(const std::string& path, std::string_view bytes);

// The steps of ReplaceFile, in their order.
enum class ReplaceStep { Create, Fill, Sync, Permissions, Rename };

// Writes target in one step: fill a fresh temporary sibling, flush it to
// disk, give it the permission bits of the file it replaces, and rename it
// over the target. On any failure the target is untouched and the temporary
// is gone. reason, when given, receives the cause of a failure.
//
// A symbolic link is followed: the file it leads to is replaced and the link
// stays a link. A target that exists but is no regular file (a device, a
// FIFO, a socket) is written in place, without rename; so is "-", standard
// output. A folder is refused.
bool ReplaceFile(const std::string& target, const FileFiller& fill, std::string* reason = nullptr);

// A folder only this user may enter, for files other users must not block
// or redirect: $XDG_RUNTIME_DIR when it is such a folder, else a folder
// "varimel-<uid>" of mode 0700 in the temporary folder, made if need be;
// when that name is another user's or open to others, a fresh folder
// "varimel-<uid>-XXXXXX" of this process's own, removed at its end. Never a
// shared folder; empty when none can be had.
std::string PrivateFolder();
inline constexpr char kNoPrivateFolder[] = "no folder of this user's own can be made there";

// The file a path finally names once every symbolic link on the way is
// followed; the path itself when it names nothing yet. A link in a sticky
// folder anybody may write to that belongs neither to this user nor to the
// folder's owner is not followed (as the kernel rules for such folders):
// refused, when given, is then set and the link itself returned.
std::string ResolveLinks(const std::string& path, bool* refused = nullptr);

// The open descriptor an output path names: "/dev/stdout", "/dev/stderr",
// "/dev/fd/N", "/proc/self/fd/N" (or with this process's number). Empty for
// any other path and for a descriptor that is not open.
std::optional<int> DescriptorOfPath(const std::string& path);

// A file of the program's own that must not outlive an interrupted run: it
// is removed when the object goes, and by RemoveTemporariesOnSignals' handler
// when the process is ended by a signal first.
class TemporaryFile {
public:
    TemporaryFile() = default;
    explicit TemporaryFile(std::string path);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Path() const { return path_; }
    // The file has been put in place under another name: nothing to remove.
    void Release();

private:
    std::string path_;
    int slot_ = -1;
};

// A new empty file made from pattern (a path ending in "XXXXXX", which takes
// the name tried), removed again when the object goes; null, with errno
// telling why, when it cannot be made.
std::unique_ptr<TemporaryFile> NewTemporaryFile(std::string& pattern);

// Installs handlers for SIGINT, SIGTERM and SIGHUP that remove every live
// TemporaryFile and then end the process with the same signal.
void RemoveTemporariesOnSignals();
// While a helper process writes for this one, those signals go to it first
// (to every helper of a batch), so it can remove its own temporaries, and it
// is waited for. False when no more helpers can be followed.
bool ForwardSignalsTo(int processId);
// The helper has ended: signals no longer go to it.
void StopForwardingTo(int processId);

// Tests make one step of ReplaceFile fail as the system would.
void FailReplaceStepForTesting(std::optional<ReplaceStep> step);

} // namespace varimel
