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

} // namespace varimel
