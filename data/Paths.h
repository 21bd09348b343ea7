// Small path helpers shared by the readers and writers, and the one way
// every output file is put in place.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace varimel {

// The part of a path after its last folder separator.
std::string FileNameOf(std::string_view path);
// The folder part of a path (up to, not including, its last separator; the
// root folder stays "/").
std::string FolderOf(std::string_view path);
// A name beside target, in the same folder, that no file has yet: files are
// written there first and renamed over the target only when complete.
std::string TemporarySibling(const std::string& target);

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
bool ReplaceFile(const std::string& target, const FileFiller& fill, std::string* reason = nullptr);

// Tests make one step of ReplaceFile fail as the system would.
void FailReplaceStepForTesting(std::optional<ReplaceStep> step);

} // namespace varimel
