// SPDX-License-Identifier: MIT
// The one way every output file is put in place: written beside it and
// renamed over it only when complete, or written through a device, a FIFO or
// a descriptor as it stands.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace varimel {

// A name beside target, in the same folder, that no file has yet: files are
// written there first and renamed over the target only when complete.
std::string TemporarySibling(const std::string& target);

// Fills the file at the path it is given; false when anything went wrong.
using FileFiller = std::function<bool(const std::string& path)>;

// Writes bytes to the file at path (created or truncated), checking every
// step down to the close.
bool WriteWholeFile(const std::string& path, std::string_view bytes);

// Why ReplaceFile kept a read-only file.
inline constexpr char kReasonReadOnly[] = "read-only: not replaced";

// Whether the regular file at path is read-only: no write permission for
// anyone, or none for this user. A program asks before replacing one.
bool IsReadOnlyFile(const std::string& path);

// The steps of ReplaceFile, in their order.
enum class ReplaceStep { Create, Fill, Sync, Permissions, Rename };

// Writes target in one step: fill a fresh temporary sibling, flush it to
// disk, give it the permission bits of the file it replaces, and rename it
// over the target. On any failure the target is untouched and the temporary
// is gone. reason, when given, receives the cause of a failure.
//
// A symbolic link is followed: the file it leads to is replaced and the link
// stays a link. A read-only file (IsReadOnlyFile) is not replaced. A target
// that exists but is no regular file (a device, a
// FIFO, a socket) is written in place, without rename; so is "-", standard
// output. A folder is refused.
bool ReplaceFile(const std::string& target, const FileFiller& fill, std::string* reason = nullptr);

// Tests make one step of ReplaceFile fail as the system would.
void FailReplaceStepForTesting(std::optional<ReplaceStep> step);

} // namespace varimel
