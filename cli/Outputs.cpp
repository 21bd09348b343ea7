// SPDX-License-Identifier: MIT
#include "Outputs.h"

#include "config/Settingsfile.h"
#include "sys/Paths.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace varimel::cli {

namespace {

// What tells two paths of one file apart from two files: the identity
// (device and inode) of one that exists, and the path it resolves to.
struct FileKey {
    std::string identity; // empty when the file does not exist yet
    std::string resolved;
};

FileKey KeyOf(const std::string& path)
{
    FileKey key;
    struct stat info {};
    if (stat(path.c_str(), &info) == 0)
        key.identity = std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
    std::error_code ec;
    const auto canonical = std::filesystem::weakly_canonical(path, ec);
    key.resolved = ec ? path : canonical.string();
    return key;
}

// Paths seen so far, each kept under both of its keys: one look-up a path,
// however many files a batch names.
class FileSet {
public:
    // The path already in the set that is the same file, if any.
    const std::string* Find(const FileKey& key) const
    {
        if (!key.identity.empty())
            if (const auto it = byIdentity_.find(key.identity); it != byIdentity_.end())
                return &it->second;
        const auto it = byPath_.find(key.resolved);
        return it != byPath_.end() ? &it->second : nullptr;
    }
    void Add(const FileKey& key, const std::string& path)
    {
        if (!key.identity.empty())
            byIdentity_.emplace(key.identity, path);
        byPath_.emplace(key.resolved, path);
    }

private:
    std::unordered_map<std::string, std::string> byIdentity_;
    std::unordered_map<std::string, std::string> byPath_;
};

} // namespace

bool WrittenInPlace(const std::string& path)
{
    struct stat info {};
    return path == "-" || DescriptorOfPath(path) ||
           (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode));
}

std::string StemOf(const std::string& input)
{
    std::string name = FileNameOf(input);
    if (name.size() > 4 && ExtensionOf(name) == "csv")
        name.resize(name.size() - 4);
    return name;
}

Outputs OutputsOf(const Options& o, std::size_t input)
{
    Outputs out;
    if (o.Batch()) {
        const std::string base = *o.outDir + (o.outDir->back() == '/' ? "" : "/") + StemOf(o.files[input]);
        out.midi = base + ".mid";
        if (o.audioFormat)
            out.audio = base + "." + *o.audioFormat;
        if (o.notesCsv)
            out.notes = *o.notesCsv + (o.notesCsv->back() == '/' ? "" : "/") + StemOf(o.files[input]) + ".notes.csv";
        return out;
    }
    if (o.files.size() > 1)
        out.midi = o.files[1];
    if (o.wav)
        out.audio = *o.wav;
    if (o.notesCsv)
        out.notes = *o.notesCsv;
    return out;
}

void GuardOutputs(const Options& o)
{
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    if (o.Batch()) {
        inputs = o.files;
        std::unordered_map<std::string, std::size_t> firstOfStem; // one look-up an input
        for (std::size_t i = 0; i < o.files.size(); ++i) {
            const std::string stem = StemOf(o.files[i]);
            if (const auto [it, added] = firstOfStem.emplace(stem, i); !added)
                throw UsageError{"'" + o.files[i] + "' and '" + o.files[it->second] + "' would both give '" + stem +
                                 ".mid'"};
            const Outputs out = OutputsOf(o, i);
            for (const std::string* path : {&out.midi, &out.audio, &out.notes})
                if (!path->empty())
                    outputs.push_back(*path);
        }
    } else {
        inputs.push_back(o.files[0]);
        const Outputs out = OutputsOf(o, 0);
        for (const std::string* path : {&out.midi, &out.audio, &out.notes})
            if (!path->empty())
                outputs.push_back(*path);
        if (o.report)
            outputs.push_back(*o.report);
    }
    if (o.wav || o.audioFormat) {
        if (o.soundFont)
            inputs.push_back(*o.soundFont);
        else if (const std::string configured = FindSoundFont(ConfiguredSoundFont()); !configured.empty())
            inputs.push_back(configured);
    }
    if (const std::string settings = SettingsFilePath(); !settings.empty())
        inputs.push_back(settings);
    if (o.settings)
        inputs.push_back(*o.settings);
    const auto toStdout = [](const std::string& path) {
        return path == "-" || DescriptorOfPath(path) == STDOUT_FILENO;
    };
    if (std::count_if(outputs.begin(), outputs.end(), toStdout) + (o.summaryJson ? 1 : 0) > 1)
        throw UsageError{"only one of OUTPUT.mid, --report, --notes-csv and --summary-json can write to standard "
                         "output"};
    FileSet read, written;
    for (const std::string& input : inputs)
        read.Add(KeyOf(input), input);
    for (const std::string& output : outputs) {
        if (WrittenInPlace(output))
            continue;
        const FileKey key = KeyOf(output);
        if (const std::string* input = read.Find(key))
            throw UsageError{"'" + output + "' is the same file as '" + *input + "'"};
        if (const std::string* other = written.Find(key))
            throw UsageError{"'" + output + "' is the same file as '" + *other + "'"};
        written.Add(key, output);
    }
}

} // namespace varimel::cli
