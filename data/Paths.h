// Small path helpers shared by the readers and writers.
#pragma once

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

} // namespace varimel
