// SPDX-License-Identifier: MIT
// Files of the program's own that no interrupted run leaves behind, the
// helpers that get its signals first, and the private folder for files other
// users must not block or redirect.
#pragma once

#include <memory>
#include <string>

namespace varimel {

// A folder only this user may enter, for files other users must not block
// or redirect: $XDG_RUNTIME_DIR when it is such a folder, else a folder
// "varimel-<uid>" of mode 0700 in the temporary folder, made if need be;
// when that name is another user's or open to others, a fresh folder
// "varimel-<uid>-XXXXXX" of this process's own, removed at its end. Never a
// shared folder; empty when none can be had.
std::string PrivateFolder();
inline constexpr char kNoPrivateFolder[] = "no folder of this user's own can be made there";

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
// is waited for; one followed once the signal has come is sent it at once.
// False when no more helpers can be followed.
bool ForwardSignalsTo(int processId);
// The helper has ended: signals no longer go to it.
void StopForwardingTo(int processId);
// From now on one of those signals ends the process with the status 128 +
// the signal, after the same clean-up, instead of by the signal itself: for
// a run that promises that status (a piece played to a port).
void EndWithStatusOnSignal();
// Whether one of those signals has arrived and the process is ending: no
// new work is started and no output put in place after it.
bool Stopping();

} // namespace varimel
