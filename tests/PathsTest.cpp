// SPDX-License-Identifier: MIT
// Putting a file in place: every failure leaves the target as it was and no
// temporary behind.
#include "sys/Paths.h"
#include "sys/Replace.h"
#include "sys/Temporaries.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace varimel;

namespace {

mode_t ModeOf(const std::string& path)
{
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// Writes the text to the path it is given.
FileFiller Writes(const std::string& text)
{
    return [text](const std::string& path) { return WriteWholeFile(path, text); };
}

class Replace : public ::testing::Test {
protected:
    void TearDown() override { FailReplaceStepForTesting(std::nullopt); }
    testutil::TempDir dir;
};

} // namespace

TEST_F(Replace, WritesNewAndReplacesKeepingPermissions)
{
    const std::string target = dir / "out.txt";
    std::string reason;
    ASSERT_TRUE(ReplaceFile(target, Writes("first"), &reason)) << reason;
    EXPECT_EQ(testutil::ReadFile(target), "first");
    chmod(target.c_str(), 0604);
    ASSERT_TRUE(ReplaceFile(target, Writes("second")));
    EXPECT_EQ(testutil::ReadFile(target), "second");
    EXPECT_EQ(ModeOf(target), 0604u);
    EXPECT_EQ(testutil::CountEntries(dir.Path()), 1u);
}

TEST_F(Replace, EveryFailingStepLeavesTheTargetAlone)
{
    const std::string target = dir / "keep.txt";
    const ReplaceStep steps[] = {ReplaceStep::Create, ReplaceStep::Fill, ReplaceStep::Sync, ReplaceStep::Permissions,
                                 ReplaceStep::Rename};
    for (const ReplaceStep step : steps) {
        testutil::WriteFile(target, "precious");
        chmod(target.c_str(), 0640);
        FailReplaceStepForTesting(step);
        std::string reason;
        EXPECT_FALSE(ReplaceFile(target, Writes("new"), &reason)) << static_cast<int>(step);
        EXPECT_FALSE(reason.empty()) << static_cast<int>(step);
        EXPECT_EQ(testutil::ReadFile(target), "precious") << static_cast<int>(step);
        EXPECT_EQ(ModeOf(target), 0640u) << static_cast<int>(step);
        EXPECT_EQ(testutil::CountEntries(dir.Path()), 1u) << "temporary left after step " << static_cast<int>(step);
    }
}

TEST_F(Replace, RealFailures)
{
    // The filler's own failure, a folder that does not exist, a folder as target.
    testutil::WriteFile(dir / "keep.txt", "precious");
    std::string reason;
    EXPECT_FALSE(ReplaceFile(
        dir / "keep.txt", [](const std::string&) { return false; }, &reason));
    EXPECT_EQ(testutil::ReadFile(dir / "keep.txt"), "precious");
    EXPECT_FALSE(ReplaceFile(dir / "no/such/folder.txt", Writes("x"), &reason));
    EXPECT_NE(reason.find("No such file or directory"), std::string::npos) << reason;
    std::filesystem::create_directory(dir / "folder");
    EXPECT_FALSE(ReplaceFile(dir / "folder", Writes("x"), &reason));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
    EXPECT_FALSE(ReplaceFile("", Writes("x"), &reason));
    EXPECT_EQ(testutil::CountEntries(dir.Path()), 2u);
}

TEST_F(Replace, LinksDevicesAndLongNames)
{
    // A link stays a link; the file behind it gets the new bytes, also when
    // it does not exist yet.
    testutil::WriteFile(dir / "real.txt", "old");
    std::filesystem::create_symlink("real.txt", dir / "link.txt");
    ASSERT_TRUE(ReplaceFile(dir / "link.txt", Writes("new")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
    EXPECT_EQ(testutil::ReadFile(dir / "real.txt"), "new");
    std::filesystem::create_symlink(dir / "later.txt", dir / "dangling.txt");
    ASSERT_TRUE(ReplaceFile(dir / "dangling.txt", Writes("made")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "dangling.txt"));
    EXPECT_EQ(testutil::ReadFile(dir / "later.txt"), "made");

    // A device is written in place and stays a device.
    std::string reason;
    if (const std::string device = testutil::MakeNullDevice(dir); !device.empty()) {
        ASSERT_TRUE(ReplaceFile(device, Writes("discarded"), &reason)) << reason;
        EXPECT_TRUE(std::filesystem::is_character_file(device));
        std::filesystem::remove(device);
    }

    // A FIFO gets the whole file in order, without seeking.
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = testutil::ReadFile(dir / "pipe"); });
    const std::string big(300000, 'x');
    EXPECT_TRUE(ReplaceFile(dir / "pipe", Writes(big + "end")));
    reader.join();
    EXPECT_EQ(received, big + "end");
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "pipe"));

    // Names up to the file-name limit work: the temporary name stays short.
    for (const std::string& name : {std::string(255, 'n'), std::string(238, 'm') + ".mid"}) {
        const std::string target = dir / name;
        EXPECT_TRUE(ReplaceFile(target, Writes("ok"), &reason)) << name.size() << " " << reason;
        EXPECT_EQ(testutil::ReadFile(target), "ok");
        const std::string temporary = TemporarySibling(target);
        EXPECT_LE(FileNameOf(temporary).size(), 60u);
    }
    // The kept part of a long name is cut on a character boundary, whatever
    // the characters' length.
    const struct {
        std::string name;
        std::string kept;
    } cuts[] = {
        {"ああああああああああああ.mid", "ああああああああああ"}, // 3 bytes: 30 kept
        {"a" + std::string(20 * 2, '\0') + ".mid", ""},           // filled in below
        {"ab😀😀😀😀😀😀😀😀😀😀.mid", "ab😀😀😀😀😀😀😀"},                        // 4 bytes: 30 kept
        {std::string(40, 'z') + ".mid", std::string(32, 'z')},    // 1 byte: 32 kept
    };
    for (auto c : cuts) {
        if (c.kept.empty()) { // "a" and 20 times "é" (2 bytes): 31 kept
            c.name = "a";
            for (int i = 0; i < 20; ++i)
                c.name += "é";
            c.name += ".mid";
            c.kept = c.name.substr(0, 31);
        }
        const std::string name = FileNameOf(TemporarySibling(dir / c.name));
        EXPECT_EQ(name.substr(0, c.kept.size() + 2), "." + c.kept + ".") << c.name;
    }
}

TEST_F(Replace, SignalRemovesTheTemporary)
{
    // A child process is ended by SIGTERM in the middle of a slow write.
    const std::string target = dir / "slow.mid";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RemoveTemporariesOnSignals();
        ReplaceFile(target, [](const std::string& path) {
            WriteWholeFile(path, "partial");
            for (;;)
                pause();
            return true;
        });
        _exit(0);
    }
    for (int i = 0; i < 500 && testutil::CountEntries(dir.Path()) == 0; ++i)
        usleep(10000);
    ASSERT_EQ(testutil::CountEntries(dir.Path()), 1u) << "the temporary exists while it is written";
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "ends with the usual signal status";
    EXPECT_EQ(testutil::CountEntries(dir.Path()), 0u) << "no temporary left";
}

TEST(Paths, PrivateFolder)
{
    testutil::TempDir dir;
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string keep = saved ? saved : "";
    const char* savedTmp = std::getenv("TMPDIR");
    const std::string keepTmp = savedTmp ? savedTmp : "";
    std::filesystem::create_directory(dir / "open");
    chmod((dir / "open").c_str(), 0755);
    setenv("XDG_RUNTIME_DIR", (dir / "open").c_str(), 1); // others may enter: not used
    setenv("TMPDIR", dir.Path().c_str(), 1);
    const std::string folder = PrivateFolder();
    EXPECT_EQ(FolderOf(folder), dir.Path());
    EXPECT_EQ(ModeOf(folder), 0700u);
    // The fixed name open to others (or another user's): a fresh folder of
    // this process's own, never the shared folder itself, the same on the
    // next call.
    chmod(folder.c_str(), 0755);
    const std::string fresh = PrivateFolder();
    EXPECT_EQ(FolderOf(fresh), dir.Path());
    EXPECT_EQ(fresh.rfind(folder + "-", 0), 0u) << fresh;
    EXPECT_EQ(ModeOf(fresh), 0700u);
    EXPECT_EQ(PrivateFolder(), fresh);
    // A link planted at the fixed name is not a folder of ours either.
    std::filesystem::remove(folder);
    std::filesystem::create_directory_symlink(dir / "open", folder);
    EXPECT_EQ(PrivateFolder().rfind(folder + "-", 0), 0u);
    // A runtime folder is used only when no other user may enter it, nor
    // anybody of its group.
    std::filesystem::create_directory(dir / "run");
    for (const auto& [mode, used] : {std::pair{0750u, false}, std::pair{0705u, false}, std::pair{0700u, true}}) {
        chmod((dir / "run").c_str(), mode);
        setenv("XDG_RUNTIME_DIR", (dir / "run").c_str(), 1);
        EXPECT_EQ(PrivateFolder() == dir / "run", used) << std::oct << mode;
    }
    saved ? setenv("XDG_RUNTIME_DIR", keep.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    savedTmp ? setenv("TMPDIR", keepTmp.c_str(), 1) : unsetenv("TMPDIR");
}

// The extension decides a dropped file's and an audio file's kind: only the
// file name's last '.' counts, in any case, and never one in a folder name.
TEST(Paths, ExtensionOf)
{
    const struct {
        const char* path;
        const char* extension;
    } rows[] = {
        {"data.csv", "csv"}, {"DATA.CSV", "csv"}, {"a/b.tar.Flac", "flac"}, {"dir.d/name", ""},  {"dir/.csv", "csv"},
        {"noext", ""},       {"trailing.", ""},   {"ÄÖ.WAV", "wav"},        {"/x/y.OgG", "ogg"}, {"", ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ExtensionOf(r.path), r.extension) << r.path;
    EXPECT_EQ(AsciiLower("AZaz@[`{Ä"), "azaz@[`{Ä") << "only ASCII letters change";
}

// An output path that names an open descriptor is written through it; any
// other path, or a descriptor that is not open, is a path like the rest.
TEST(Paths, DescriptorOfPath)
{
    const std::string self = "/proc/" + std::to_string(getpid()) + "/fd/2";
    const struct {
        std::string path;
        std::optional<int> fd;
    } rows[] = {
        {"/dev/stdout", 1}, {"/dev/stderr", 2},  {"/dev/fd/1", 1},        {"/proc/self/fd/2", 2},
        {self, 2},          {"/dev/fd/999", {}}, {"/dev/fd/1x", {}},      {"/dev/fd/", {}},
        {"/dev/null", {}},  {"-", {}},           {"/tmp/dev/stdout", {}}, {"/dev/fd/99999999999", {}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(DescriptorOfPath(r.path), r.fd) << r.path;
}

// In a sticky folder anybody may write to, a link that belongs to another
// user (not the folder's owner) is not followed: the file it points at is
// left alone. A link of this user's own is followed as anywhere else.
TEST_F(Replace, PlantedLinkInASharedFolderIsNotFollowed)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "making a link of another user's needs root";
    const std::string shared = dir / "shared";
    std::filesystem::create_directory(shared);
    chmod(shared.c_str(), 01777);
    testutil::WriteFile(dir / "victim", "precious");
    std::filesystem::create_symlink(dir / "victim", shared + "/planted.mid");
    ASSERT_EQ(lchown((shared + "/planted.mid").c_str(), 65534, 65534), 0);
    std::filesystem::create_symlink(dir / "mine", shared + "/mine.mid");
    const auto fill = [](const std::string& path) { return WriteWholeFile(path, "MThd"); };
    std::string reason;
    EXPECT_FALSE(ReplaceFile(shared + "/planted.mid", fill, &reason));
    EXPECT_NE(reason.find("another user"), std::string::npos) << reason;
    EXPECT_EQ(testutil::ReadFile(dir / "victim"), "precious");
    // Relative links: one planted there, and one of this user's that leads
    // to the planted one (its folder is checked where the link leads).
    std::filesystem::create_symlink("../victim", shared + "/relative.mid");
    ASSERT_EQ(lchown((shared + "/relative.mid").c_str(), 65534, 65534), 0);
    std::filesystem::create_symlink("shared/planted.mid", dir / "via.mid");
    for (const std::string& path : {shared + "/relative.mid", dir / "via.mid"}) {
        EXPECT_FALSE(ReplaceFile(path, fill, &reason)) << path;
        EXPECT_EQ(testutil::ReadFile(dir / "victim"), "precious") << path;
    }
    EXPECT_TRUE(ReplaceFile(shared + "/mine.mid", fill, &reason)) << reason;
    EXPECT_EQ(testutil::ReadFile(dir / "mine"), "MThd");
    // A link of the folder's owner is followed (as the kernel does).
    ASSERT_EQ(chown(shared.c_str(), 65534, 65534), 0);
    EXPECT_TRUE(ReplaceFile(shared + "/planted.mid", fill, &reason)) << reason;
    EXPECT_EQ(testutil::ReadFile(dir / "victim"), "MThd");
    ASSERT_EQ(chown(shared.c_str(), 0, 0), 0);
    testutil::WriteFile(dir / "victim", "precious");
    chmod(shared.c_str(), 0755); // not sticky: the link is followed again
    EXPECT_TRUE(ReplaceFile(shared + "/planted.mid", fill, &reason)) << reason;
    EXPECT_EQ(testutil::ReadFile(dir / "victim"), "MThd");
}

// Standard output, by "-" or by name, is written as it stands and stays open
// for what comes after: the second write follows the first.
TEST_F(Replace, StandardOutputStaysOpen)
{
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int file = open((dir / "out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
    ASSERT_GE(file, 0);
    dup2(file, STDOUT_FILENO);
    close(file);
    bool ok = true;
    for (const char* target : {"-", "/dev/stdout", "/proc/self/fd/1"})
        ok = ReplaceFile(target, [target](const std::string& path) { return WriteWholeFile(path, target); }) && ok;
    const bool open = fcntl(STDOUT_FILENO, F_GETFD) != -1;
    dup2(saved, STDOUT_FILENO);
    close(saved);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(open);
    EXPECT_EQ(testutil::ReadFile(dir / "out.txt"), "-/dev/stdout/proc/self/fd/1");
}
