// SPDX-License-Identifier: MIT
#include "Inifile.h"

#include "sys/Replace.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace varimel {

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// The section a line opens, if it is a section line.
std::optional<std::string_view> SectionOf(std::string_view line)
{
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// The key of a key=value line.
std::optional<std::string_view> KeyOf(std::string_view line)
{
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    const std::string_view key = Trim(line.substr(0, eq));
    if (key.empty() || key.front() == ';')
        return std::nullopt;
    return key;
}

} // namespace

void IniFile::Load()
{
    lines_.clear();
    crlf_ = false;
    bom_ = false;
    // Only a regular file is read: a folder in its place reads as empty
    // (and fails when written), it does not throw.
    struct stat info {};
    if (stat(path_.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    std::FILE* file = std::fopen(path_.c_str(), "rb");
    if (!file)
        return;
    std::string text;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    std::fclose(file);
    LoadText(text);
}

void IniFile::LoadText(std::string_view text)
{
    lines_.clear();
    crlf_ = false;
    bom_ = false;
    // Editors on some systems start a UTF-8 file with a byte-order mark; it
    // is not part of the first line.
    std::size_t start = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        bom_ = true;
        start = 3;
    }
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line(text.substr(start, end - start));
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            if (lines_.empty())
                crlf_ = true;
        }
        lines_.push_back(std::move(line));
        start = end + 1;
    }
}

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) const
{
    bool inSection = false;
    for (const std::string& line : lines_) {
        if (const auto s = SectionOf(line)) {
            inSection = SameName(*s, section);
            continue;
        }
        if (!inSection)
            continue;
        const auto k = KeyOf(line);
        if (k && SameName(*k, key)) {
            std::string_view value = Trim(std::string_view(line).substr(line.find('=') + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            return std::string(value);
        }
    }
    return std::nullopt;
}

bool IniFile::HasSection(std::string_view section) const
{
    for (const std::string& line : lines_)
        if (const auto s = SectionOf(line); s && SameName(*s, section))
            return true;
    return false;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string entry = std::string(key) + "=" + std::string(value);
    bool inSection = false;
    std::size_t lastOfSection = 0; // line after which a new key goes
    bool found = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (const auto s = SectionOf(lines_[i])) {
            if (found && inSection)
                break;
            inSection = SameName(*s, section);
            if (inSection) {
                found = true;
                lastOfSection = i;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (const auto k = KeyOf(lines_[i]); k && SameName(*k, key)) {
            lines_[i] = entry;
            return;
        }
        if (!Trim(lines_[i]).empty())
            lastOfSection = i;
    }
    if (found) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastOfSection + 1), entry);
        return;
    }
    if (!lines_.empty() && !Trim(lines_.back()).empty())
        lines_.emplace_back();
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(entry);
}

bool IniFile::Save(std::string* reason) const
{
    // A settings file that may not be written stays as it is, as it would
    // with a program that writes in place.
    struct stat info {};
    const bool exists = stat(path_.c_str(), &info) == 0;
    if (exists && (!S_ISREG(info.st_mode) || access(path_.c_str(), W_OK) != 0)) {
        if (reason)
            *reason = std::strerror(S_ISDIR(info.st_mode) ? EISDIR : !S_ISREG(info.st_mode) ? EINVAL : EACCES);
        return false;
    }
    std::string text = bom_ ? "\xEF\xBB\xBF" : "";
    for (const std::string& line : lines_)
        text += line + (crlf_ ? "\r\n" : "\n");
    return ReplaceFile(
        path_, [&text](const std::string& path) { return WriteWholeFile(path, text); }, reason);
}

std::optional<int> ParseProfileInteger(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const std::string_view digits = text.substr(2);
        unsigned long long v = 0;
        const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
        if (ec != std::errc() || ptr != digits.data() + digits.size() || v > 0xFFFFFFFFull)
            return std::nullopt;
        return static_cast<int>(static_cast<unsigned int>(v)); // 32 bits, as stored by a 32-bit program
    }
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size())
        return std::nullopt;
    return v;
}

std::string FormatProfileReal(double value)
{
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, r.ptr);
}

} // namespace varimel
