// SPDX-License-Identifier: MIT
// Paths as the system has them: names, folders and extensions, readable
// files, links followed as the kernel would, and descriptors named by path.
#pragma once

#include <cstddef>
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
// Reads what path names whole (a file, a pipe, /dev/stdin), at most limit
// bytes; false with the reason when it cannot be read, is a folder, or holds
// more.
bool ReadFileUpTo(const std::string& path, std::size_t limit, std::string& text, std::string& reason);

// The first bytes (at most count) of a regular file; empty for anything
// else (a FIFO, a device), which is never waited for.
std::optional<std::string> ReadStartOfFile(const std::string& path, std::size_t count);

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

} // namespace varimel
