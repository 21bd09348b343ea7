// SPDX-License-Identifier: MIT
// A line-preserving INI file: reading a key, and replacing one key's line
// (or adding it) while every other line stays exactly as it was. Plain C++,
// so the renderer can read the same file as the window.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varimel {

class IniFile {
public:
    explicit IniFile(std::string path) : path_(std::move(path)) {}

    // Reads the file; a missing or unreadable file reads as an empty one.
    void Load();
    // Takes the lines of text as if they had been read from the file.
    void LoadText(std::string_view text);
    // The value of a key (sections and keys match without regard to ASCII
    // case), with surrounding blanks and enclosing double quotes removed.
    std::optional<std::string> Read(std::string_view section, std::string_view key) const;
    // Whether the file has a section of that name.
    bool HasSection(std::string_view section) const;
    // Sets a key in memory: replaces its line, or adds it at the end of its
    // section, or adds the section at the end of the file.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Replaces the file on disk in one step (a temporary file renamed over
    // it), so it is never left half written. False when it cannot be written.
    bool Save(std::string* reason = nullptr) const;

    const std::string& Path() const { return path_; }
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    std::string path_;
    std::vector<std::string> lines_;
    bool crlf_ = false;
    bool bom_ = false; // the file began with a UTF-8 byte-order mark; it is written back
};

// Profile integer: "0x"/"0X" followed by hex digits (when longer than two
// characters) or a decimal integer; anything else is malformed.
std::optional<int> ParseProfileInteger(std::string_view text);
// Shortest general form with up to 15 significant digits, '.' as point.
std::string FormatProfileReal(double value);

} // namespace varimel
