// SPDX-License-Identifier: MIT
// The renderer end to end: real files in, real files out, exit statuses and
// the exact texts it prints.
#include "SmfReader.h"
#include "TestUtil.h"
#include "cli/Options.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#ifdef VARIMEL_HAVE_PLAYBACK
#include <sndfile.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct RenderRun {
    int status = -1;
    std::string out, err;
};

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs the renderer with env (assignments for the shell, may be empty) in
// front of it and collects its status and output. Unless env chooses a
// locale, the renderer runs in the plain one, whatever the tests run in.
RenderRun RenderWithEnv(const testutil::TempDir& dir, const std::string& env, const std::vector<std::string>& args)
{
    const bool locale = env.find("LANG") != std::string::npos || env.find("LC_") != std::string::npos;
    std::string cmd = env + (locale ? " " : " LC_ALL= LC_MESSAGES= LANG=C ") + Quote(VARIMEL_RENDER);
    for (const std::string& a : args)
        cmd += " " + Quote(a);
    const std::string outFile = dir / "stdout.txt";
    const std::string errFile = dir / "stderr.txt";
    cmd += " >" + Quote(outFile) + " 2>" + Quote(errFile);
    const int raw = std::system(cmd.c_str());
    RenderRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = testutil::ReadFile(outFile);
    r.err = testutil::ReadFile(errFile);
    std::remove(outFile.c_str());
    std::remove(errFile.c_str());
    return r;
}

RenderRun Render(const testutil::TempDir& dir, const std::vector<std::string>& args)
{
    return RenderWithEnv(dir, "", args);
}

using Bytes = std::vector<std::uint8_t>;

} // namespace

TEST(Render, OneNoteFileByteForByte)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "one.csv", "0,5\n");
    const RenderRun r = Render(dir, {"--low", "C4", "--high", "C#4", dir / "one.csv", dir / "one.mid"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // The same file the writer test builds event by event.
    const std::string expected = testutil::ReadFile(std::string(VARIMEL_GOLDEN_DIR) + "/one-note.mid");
    ASSERT_EQ(expected.size(), 105u);
    EXPECT_EQ(testutil::ReadFile(dir / "one.mid"), expected);
}

TEST(Render, MappedFileReadsBackCleanly)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "walk.csv", "x,y\n0,0\n0.5,1\n1,2\n1.5,3\n2,2\n2.5,1\n3,0\n");
    const RenderRun r =
        Render(dir, {"--scale", "4", "--tonic", "9", "--low", "A3", "--high", "69", "--tempo", "500", "--velocity", "0",
                     "--program", "29", "--summary-json", dir / "walk.csv", dir / "walk.mid"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Invalid data was found and skipped.\n");
    EXPECT_EQ(r.out, "{\"file\": \"データファイル: walk.csv\", \"records\": \"レコード数 = 7\", "
                     "\"xmax\": \"           3\", \"xmin\": \"           0\", \"ymax\": \"           3\", "
                     "\"ymin\": \"           0\", \"interval\": \"Xの平均間隔 = 0.5     \", "
                     "\"dxpqn\": \"0.5     \", \"count\": 7, \"skipped\": true, \"skipped_lines\": 1}\n");
    const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "walk.mid"));
    ASSERT_EQ(f.error, "");
    EXPECT_EQ(f.format, 1);
    EXPECT_EQ(f.division, 960);
    ASSERT_EQ(f.tracks.size(), 2u);
    // Tempo 500 goes to 240 (250000 us); the time signature follows.
    EXPECT_EQ(f.tracks[0][1].bytes, (Bytes{0xFF, 0x51, 3, 0x03, 0xD0, 0x90}));
    EXPECT_EQ(f.tracks[0].back().tick, 7680u);
    std::vector<int> keys;
    for (const smftest::Event& e : f.tracks[1]) {
        if (e.bytes[0] == 0x90) {
            keys.push_back(e.bytes[1]);
            EXPECT_EQ(e.bytes[2], 1) << "velocity 0 goes to 1";
        }
    }
    // Melodic minor on A over A3..A4: up the ascending form, down the descending.
    EXPECT_EQ(keys, (std::vector<int>{57, 60, 66, 69, 65, 60, 57}));
    EXPECT_EQ(f.tracks[1][1].bytes, (Bytes{0xFF, 4, 12, 'O', 'v', 'e', 'r', 'd', 'r', 'i', 'v', 'e', ' ', 'G', 't'}));
    EXPECT_EQ(f.tracks[1][2].bytes, (Bytes{0xC0, 29}));
}

// One language for the messages the window shares: English, Japanese with
// --lang ja or a Japanese locale (the first of LC_ALL, LC_MESSAGES, LANG).
TEST(Render, MessagesInOneLanguage)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "bad.csv", "x,y\n1,2\n");
    const std::string skippedJa = "不正なデータを検出したため、読み飛ばされました。\n";
    const std::string skippedEn = "Invalid data was found and skipped.\n";
    const struct {
        const char* env;
        std::vector<std::string> options;
        std::string err;
    } rows[] = {
        {"", {}, skippedEn},
        {"", {"--lang", "ja"}, skippedJa},
        {"LANG=ja_JP.UTF-8", {}, skippedJa},
        {"LANG=ja_JP.UTF-8", {"--lang=en"}, skippedEn},
        {"LC_ALL=C LANG=ja_JP.UTF-8", {}, skippedEn},
        {"LC_ALL= LC_MESSAGES=ja_JP.UTF-8 LANG=C", {}, skippedJa},
        {"LANG=",
         {"--lang", "ja", "--low", "C6", "--high", "C5"},
         skippedJa + "最高音は最低音より高くなければなりません。\n"},
        {"LANG=", {"--low", "C6", "--high", "C5"}, skippedEn + "The highest note must be above the lowest note.\n"},
    };
    for (const auto& r : rows) {
        std::vector<std::string> args = r.options;
        args.push_back(dir / "bad.csv");
        args.push_back(dir / "bad.mid");
        const RenderRun run = RenderWithEnv(dir, std::string("LC_ALL= LC_MESSAGES= ") + r.env, args);
        EXPECT_EQ(run.err, r.err) << r.env << " " << (r.options.empty() ? "" : r.options.front());
    }
    const RenderRun wrong = Render(dir, {"--lang", "de", dir / "bad.csv", dir / "bad.mid"});
    EXPECT_EQ(wrong.status, 2);
}

TEST(Render, RefusalsAndFailures)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "ok.csv", "0,1\n1,2\n");
    testutil::WriteFile(dir / "empty.csv", "");
    testutil::WriteFile(dir / "far.csv", "0,1\n10000000,2\n");
    testutil::WriteFile(dir / "first-empty.csv", "x,a,b\n1,,2\n2,,3\n");
    const std::string out = dir / "out.mid";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err; // exact, or a prefix when it ends with "..."
    };
    const std::string usage = "...";
    const std::string usageLine = "Usage: varimel-render [options] INPUT.csv OUTPUT.mid (see varimel-render --help)\n";
    // clang-format off
    const Case cases[] = {
        {{dir / "missing.csv", out}, 1, "CSVファイルの読み込みに失敗しました。\nvarimel-render: " + dir / "missing.csv" +
         ": No such file or directory\n"},
        {{dir.Path(), out}, 1, "CSVファイルの読み込みに失敗しました。\nvarimel-render: " + dir.Path() + ": Is a directory\n"},
        {{dir / "empty.csv", out}, 3, "データが読み込まれていません。先にCSVファイルを読み込んで下さい。\n"},
        {{"--y-column", "2,3", dir / "first-empty.csv", out}, 3, "不正なデータを検出したため、読み飛ばされました。\n"
         "2列目に数値がありません。\n"},
        {{"--low", "C6", "--high", "C6", dir / "ok.csv", out}, 3, "最高音は最低音より高くなければなりません。\n"},
        {{"--low", "C6", "--high", "C5", dir / "ok.csv", out}, 3, "最高音は最低音より高くなければなりません。\n"},
        {{"--duration", "abc", "--dx", "0", dir / "ok.csv", out}, 3, "数値の形式が正しくありません。\n"},
        {{"--dx", "1,5", dir / "ok.csv", out}, 3, "数値の形式が正しくありません。\n"},
        {{"--dx", "0", dir / "ok.csv", out}, 3, "4分音符あたりのXの増分は0より大きくなければなりません。\n"},
        {{"--dx", "-2", dir / "ok.csv", out}, 3, "4分音符あたりのXの増分は0より大きくなければなりません。\n"},
        {{"--duration", "0", dir / "ok.csv", out}, 3, "デュレーションは0～1の間でなければなりません。\n"},
        {{"--duration", "1.0001", dir / "ok.csv", out}, 3, "デュレーションは0～1の間でなければなりません。\n"},
        {{"--scale", "3", "--low", "A0", "--high", "Bb0", dir / "ok.csv", out}, 3,
         "最低音から最高音までの範囲にスケールの音がありません。\n"},
        {{"--dx", "1", dir / "far.csv", out}, 1, "スタンダードMIDIファイルの作成に失敗しました。\nvarimel-render: " + out +
         ": the piece is longer than a MIDI file can hold\n"},
        {{dir / "ok.csv", dir / "no-such-folder/out.mid"}, 1, "スタンダードMIDIファイルの作成に失敗しました。\n"
         "varimel-render: " + dir / "no-such-folder/out.mid" + ": cannot create a file beside it: No such file or directory\n"},
        {{dir / "ok.csv", dir.Path()}, 1, "スタンダードMIDIファイルの作成に失敗しました。\nvarimel-render: " + dir.Path() +
         ": cannot write: Is a directory\n"},
        {{"--bogus", dir / "ok.csv", out}, 2, usage},
        {{dir / "ok.csv"}, 2, usage},
        {{dir / "ok.csv", out, "extra"}, 2, usage},
        {{"--scale", "22", dir / "ok.csv", out}, 2, usage},
        {{"--tonic", "x", dir / "ok.csv", out}, 2, usage},
        {{"--tempo", "fast", dir / "ok.csv", out}, 2, usage},
        {{"--low", "H4", dir / "ok.csv", out}, 2, usage},
        {{"--high", "109", dir / "ok.csv", out}, 2, usage},
        {{"--program", "128", dir / "ok.csv", out}, 2, usage},
        {{dir / "ok.csv", out, "--dx"}, 2, usage},
        {{dir / "ok.csv", dir / "ok.csv"}, 2, usage},
        {{dir / "ok.csv", dir.Path() + "/./ok.csv"}, 2, usage},
        {{dir / "ok.csv", dir / "ok-hard-link.mid"}, 2, usage},
        // The cues' choices: refused by the option, or by the data.
        {{"--x-tick", "0", dir / "ok.csv", out}, 2, usage},
        {{"--x-tick", "nan", dir / "ok.csv", out}, 2, usage},
        {{"--x-tick", "month", dir / "ok.csv", out}, 2, "varimel-render: --x-tick month needs --x-date\n" + usageLine},
        {{"--x-tick-major", "2", dir / "ok.csv", out}, 2, usage},
        {{"--pan-width", "101", dir / "ok.csv", out}, 2, usage},
        {{"--pan", "left", dir / "ok.csv", out}, 2, usage},
        {{"--ref-mode", "always", dir / "ok.csv", out}, 2, usage},
        {{"--ref-y", "3", dir / "ok.csv", out}, 2,
         "varimel-render: 基準音の値 3 は対応付けの範囲 1〜2 の外です。\n" + usageLine},
        {{"--x-tick", "0.001", dir / "ok.csv", out}, 2,
         "varimel-render: 目盛りが1001個で、500個を超えます。間隔を0.005以上にして下さい。\n" + usageLine},
    };
    // clang-format on
    std::filesystem::create_hard_link(dir / "ok.csv", dir / "ok-hard-link.mid"); // the input under another name
    for (const Case& c : cases) {
        // The messages the window shares, in its words.
        std::vector<std::string> args{"--lang", "ja"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RenderRun r = Render(dir, args);
        std::string joined;
        for (const std::string& a : c.args)
            joined += a + " ";
        EXPECT_EQ(r.status, c.status) << joined << "\n" << r.err;
        if (c.err == usage) {
            EXPECT_NE(r.err.find("Usage: varimel-render"), std::string::npos) << joined;
        } else {
            EXPECT_EQ(r.err, c.err) << joined;
        }
        EXPECT_FALSE(std::filesystem::exists(out)) << joined;
    }
    // Nothing but the inputs is left in the folder: no temporary files; the
    // input's other name still holds the input.
    EXPECT_EQ(testutil::CountEntries(dir.Path()), 5u);
    EXPECT_EQ(testutil::ReadFile(dir / "ok-hard-link.mid"), "0,1\n1,2\n");
}

TEST(Render, FailedBuildKeepsExistingFile)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "far.csv", "0,1\n10000000,2\n");
    testutil::WriteFile(dir / "keep.mid", "precious");
    const RenderRun r = Render(dir, {"--dx", "1", dir / "far.csv", dir / "keep.mid"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(testutil::ReadFile(dir / "keep.mid"), "precious");
    EXPECT_EQ(testutil::CountEntries(dir.Path()), 2u);

    // A good build replaces it.
    testutil::WriteFile(dir / "ok.csv", "0,1\n");
    EXPECT_EQ(Render(dir, {dir / "ok.csv", dir / "keep.mid"}).status, 0);
    EXPECT_EQ(testutil::ReadFile(dir / "keep.mid").substr(0, 4), "MThd");

    // A read-only output is not replaced, whichever output it is.
    const auto readOnly = std::filesystem::perms::owner_read | std::filesystem::perms::others_read;
    for (const std::vector<std::string>& outputs : {std::vector<std::string>{dir / "ro.mid"},
                                                    {"--notes-csv", dir / "ro.csv", dir / "x.mid"},
                                                    {"--report", dir / "ro.tsv", dir / "x.mid"}}) {
        const std::string& kept = outputs.size() == 1 ? outputs[0] : outputs[1];
        testutil::WriteFile(kept, "precious");
        std::filesystem::permissions(kept, readOnly);
        std::vector<std::string> args = {dir / "ok.csv"};
        if (outputs.size() == 1)
            args.push_back(kept);
        else
            args = {outputs[0], outputs[1], dir / "ok.csv", outputs[2]};
        const RenderRun ro = Render(dir, args);
        EXPECT_EQ(ro.status, 1) << kept;
        EXPECT_NE(ro.err.find("varimel-render: " + kept + ": read-only: not replaced\n"), std::string::npos) << ro.err;
        EXPECT_EQ(testutil::ReadFile(kept), "precious");
        EXPECT_EQ(std::filesystem::status(kept).permissions(), readOnly);
    }
}

// A disk that fills up while a large melody is being written is reported
// with the system's own reason, not as a piece too long for a MIDI file,
// and the file already there is kept.
TEST(Render, WriteFailureMidwayIsReportedAsSuch)
{
    testutil::TempDir dir;
    std::string csv;
    for (int i = 0; i < 100000; ++i)
        csv += std::to_string(i) + "," + std::to_string(i % 7) + "\n";
    testutil::WriteFile(dir / "big.csv", csv);
    testutil::WriteFile(dir / "big.mid", "precious");
    // About 50 KB may be written; the file would be about 0.8 MB.
    const RenderRun r = RenderWithEnv(dir, "ulimit -f 100; trap '' XFSZ;", {dir / "big.csv", dir / "big.mid"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Could not create the Standard MIDI File.\nvarimel-render: " + (dir / "big.mid") +
                         ": cannot write: " + std::strerror(EFBIG) + "\n");
    EXPECT_EQ(testutil::ReadFile(dir / "big.mid"), "precious");
    EXPECT_EQ(testutil::CountEntries(dir.Path()), 2u) << "no temporary is left";
}

// A failure on '-' names standard output, not '-'.
TEST(Render, FailureOnStandardOutputIsNamed)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "ok.csv", "0,1\n1,2\n");
    const std::string cmd =
        Quote(VARIMEL_RENDER) + " " + Quote(dir / "ok.csv") + " - >/dev/full 2>" + Quote(dir / "err");
    const int raw = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1);
    EXPECT_EQ(testutil::ReadFile(dir / "err"), "Could not create the Standard MIDI File.\n"
                                               "varimel-render: standard output: cannot write: " +
                                                   std::string(std::strerror(ENOSPC)) + "\n");
}

TEST(Render, HelpAndOptionForms)
{
    testutil::TempDir dir;
    const RenderRun help = Render(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--no-program-change"), std::string::npos);
    testutil::WriteFile(dir / "-odd name.csv", "0,1\n1,3\n");
    const RenderRun r = Render(dir, {"--tempo=60", "--no-program-change", "--", dir / "-odd name.csv", dir / "x.mid"});
    EXPECT_EQ(r.status, 0) << r.err;
    const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "x.mid"));
    ASSERT_EQ(f.error, "");
    for (const smftest::Event& e : f.tracks[1])
        EXPECT_NE(e.bytes[0] & 0xF0, 0xC0) << "no program change";
}

#ifdef VARIMEL_HAVE_PLAYBACK
TEST(Render, WavBesideOrInsteadOfTheMidiFile)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "walk.csv", "0,0\n1,3\n2,1\n3,4\n4,2\n5,5\n6,0\n7,2\n");
    const std::string font = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    struct Case {
        std::vector<std::string> args;
        bool midi;
    };
    // clang-format off
    const Case cases[] = {
        {{"--wav", dir / "only.wav", "--soundfont", font, "--tempo", "240", dir / "walk.csv"}, false},
        {{"--wav=" + dir / "both.wav", "--soundfont", font, "--tempo", "240", dir / "walk.csv", dir / "both.mid"},
         true},
    };
    // clang-format on
    for (const Case& c : cases) {
        const RenderRun r = Render(dir, c.args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string wav = c.midi ? dir / "both.wav" : dir / "only.wav";
        const std::string bytes = testutil::ReadFile(wav);
        ASSERT_GT(bytes.size(), 44u);
        EXPECT_EQ(bytes.substr(0, 4), "RIFF");
        EXPECT_EQ(bytes.substr(8, 4), "WAVE");
        // Eight quarter notes at 240 bpm: two seconds of 16-bit stereo at 44.1 kHz.
        const double seconds = static_cast<double>(bytes.size() - 44) / (44100.0 * 4);
        EXPECT_NEAR(seconds, 2.0, 0.05);
        bool sound = false;
        for (std::size_t i = 44; i + 1 < bytes.size() && !sound; i += 2)
            sound = std::abs(static_cast<int>(static_cast<std::int16_t>(
                        static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8))) > 100;
        EXPECT_TRUE(sound) << "the WAV file is not silent";
        EXPECT_EQ(std::filesystem::exists(dir / "both.mid"), c.midi);
    }
    // Only the inputs and the outputs are left: no temporary MIDI file.
    EXPECT_EQ(testutil::CountEntries(dir.Path()), 4u);
    const RenderRun bad = Render(dir, {"--wav", dir / "x.wav", "--soundfont", dir / "none.sf2", dir / "walk.csv"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("cannot render"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.wav"));
    EXPECT_EQ(Render(dir, {dir / "walk.csv", "--wav"}).status, 2);
}
#endif

// Outputs never destroy what they name: the run's inputs are refused as
// outputs, links stay links, devices stay devices, '-' is standard output.
TEST(Render, OutputsAndGuards)
{
    testutil::TempDir dir;
    const std::string font = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    testutil::WriteFile(dir / "one.csv", "0,5\n");
    std::filesystem::copy_file(font, dir / "my.sf2");
    const std::string sf2 = testutil::ReadFile(dir / "my.sf2");
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    std::filesystem::create_directories(dir / "config/Korvath/Varimel");
    const std::string ini = dir / "config/Korvath/Varimel/Varimel.ini";
    testutil::WriteFile(ini, "[Playback]\nSoundFont=" + dir / "my.sf2" + "\n");
    struct Refused {
        const char* what;
        std::vector<std::string> args;
    };
    // clang-format off
    const Refused refused[] = {
        {"MIDI over the SoundFont", {"--wav", dir / "out.wav", "--soundfont", dir / "my.sf2", dir / "one.csv", dir / "my.sf2"}},
        {"WAV over the SoundFont", {"--wav", dir / "my.sf2", "--soundfont", dir / "my.sf2", dir / "one.csv"}},
        {"WAV over the configured SoundFont", {"--wav", dir / "my.sf2", dir / "one.csv"}},
        {"MIDI over the settings file", {dir / "one.csv", ini}},
        {"MIDI over the WAV", {"--wav", dir / "x.out", "--soundfont", font, dir / "one.csv", dir / "x.out"}},
        {"JSON and MIDI on stdout", {"--summary-json", dir / "one.csv", "-"}},
        {"the report to /dev/stdout and MIDI to -", {"--report", "/dev/stdout", dir / "one.csv", "-"}},
        {"the notes to /dev/fd/1 and MIDI to /proc/self/fd/1", {"--notes-csv", "/dev/fd/1", dir / "one.csv", "/proc/self/fd/1"}},
    };
    // clang-format on
    for (const Refused& c : refused) {
        const RenderRun r = Render(dir, c.args);
        EXPECT_EQ(r.status, 2) << c.what << "\n" << r.err;
        EXPECT_NE(r.err.find("Usage: varimel-render"), std::string::npos) << c.what;
    }
    EXPECT_EQ(testutil::ReadFile(dir / "my.sf2"), sf2) << "the SoundFont is untouched";
    EXPECT_NE(testutil::ReadFile(ini).find("SoundFont="), std::string::npos) << "the settings file is untouched";

    const std::string golden = testutil::ReadFile(std::string(VARIMEL_GOLDEN_DIR) + "/one-note.mid");
    const std::vector<std::string> tones = {"--low", "C4", "--high", "C#4"};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> args = tones;
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    // A symlinked output: the file behind it is written, the link stays.
    std::filesystem::create_directory(dir / "real");
    std::filesystem::create_symlink(dir / "real/song.mid", dir / "song.mid");
    RenderRun r = Render(dir, with({dir / "one.csv", dir / "song.mid"}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "song.mid"));
    EXPECT_EQ(testutil::ReadFile(dir / "real/song.mid"), golden);
    // A device: written, and still a device.
    if (const std::string device = testutil::MakeNullDevice(dir); !device.empty()) {
        r = Render(dir, with({dir / "one.csv", device}));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(std::filesystem::is_character_file(device));
    }
    // Standard output.
    r = Render(dir, with({dir / "one.csv", "-"}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, golden);
    // A name at the file-name limit.
    const std::string longName = dir / (std::string(251, 'l') + ".mid");
    r = Render(dir, with({dir / "one.csv", longName}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testutil::ReadFile(longName), golden);
    unsetenv("XDG_CONFIG_HOME");
}

// A summary that standard output does not take is a failure.
TEST(Render, SummaryToAClosedOutputFails)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "one.csv", "0,5\n");
    const std::string cmd = Quote(VARIMEL_RENDER) + " --summary-json " + Quote(dir / "one.csv") + " " +
                            Quote(dir / "one.mid") + " >&- 2>/dev/null";
    const int raw = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << raw;
    if (std::filesystem::exists("/dev/full")) {
        const std::string full = Quote(VARIMEL_RENDER) + " --summary-json " + Quote(dir / "one.csv") + " " +
                                 Quote(dir / "one.mid") + " >/dev/full 2>/dev/null";
        const int status = std::system(full.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "one.mid")) << "the MIDI file is still written";
}

// Real-world files through the renderer: columns, dates, line numbers,
// decimal commas, the report of skipped lines, the summary alone.
TEST(Render, ImportOptions)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "jma.csv",
                        "stamp\n\n,a,b\ndate,t,q\n,,x\n2024/1/5,12.3,8\n2024/1/6,10.1,8\n2024/1/8,9,8\n");
    RenderRun r = Render(dir, {"--x-date", "--y-column", "2", "--report", dir / "report.tsv", "--summary-json",
                               dir / "jma.csv", dir / "jma.mid"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Invalid data was found and skipped.\n");
    EXPECT_NE(r.out.find("\"xmax\": \"  2024-01-08\", \"xmin\": \"  2024-01-05\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"count\": 3, \"skipped\": true, \"skipped_lines\": 5}"), std::string::npos) << r.out;
    EXPECT_EQ(testutil::ReadFile(dir / "report.tsv"),
              "line\treason\ttext\n1\tmissing-column\tstamp\n2\tempty\t\n"
              "3\tx-not-date\t,a,b\n4\tx-not-date\tdate,t,q\n5\tx-not-date\t,,x\n");
    // The mean interval is in days: 1.5 days is a quarter note, so the third
    // note starts two quarters after the second.
    const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "jma.mid"));
    ASSERT_EQ(f.error, "");
    std::vector<std::uint32_t> starts;
    for (const smftest::Event& e : f.tracks[1])
        if (e.bytes[0] == 0x90)
            starts.push_back(e.tick);
    EXPECT_EQ(starts, (std::vector<std::uint32_t>{0, 640, 1920}));

    testutil::WriteFile(dir / "series.csv", "5\n7\n6\n");
    r = Render(dir, {"--x-line", "--y-column", "1", "--summary-json", dir / "series.csv"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"records\": \"レコード数 = 3\""), std::string::npos) << r.out;
    EXPECT_EQ(testutil::CountEntries(dir.Path()), 4u) << "the summary alone writes no file";

    testutil::WriteFile(dir / "eu.csv", "1,5;2,25\n2;3\n");
    r = Render(dir, {"--decimal-comma", "--report", "-", dir / "eu.csv", dir / "eu.mid"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "line\treason\ttext\n");
    // Commas alone: a date with blanks is one field.
    testutil::WriteFile(dir / "blanks.csv", "\"x\",1\n2024-01-05 12:00 , 3\n");
    r = Render(dir, {"--separator", "comma", "--x-date", "--summary-json", dir / "blanks.csv"});
    EXPECT_NE(r.out.find("\"count\": 1,"), std::string::npos) << r.out;
    // A file the default reading makes nothing of: the hint's options read it.
    testutil::WriteFile(dir / "stocks.csv", "symbol,date,price\nMSFT,Jan 3 2000,58.28\nMSFT,Jan 4 2000,56.31\n"
                                            "IBM,Jan 3 2000,116\nIBM,Jan 4 2000,112.06\n");
    r = Render(dir, {dir / "stocks.csv", dir / "stocks.mid"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("\nhint: try --separator comma --x-column 2 --x-date --y-column 3 --split-by 1\n"),
              std::string::npos)
        << r.err;
    r = Render(dir, {"--separator", "comma", "--x-column", "2", "--x-date", "--y-column", "3", "--summary-json",
                     dir / "stocks.csv"});
    EXPECT_NE(r.out.find("\"count\": 4,"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find("hint"), std::string::npos) << r.err;
    // A scale by name gives the file its number gives.
    testutil::WriteFile(dir / "walk.csv", "0,1\n1,5\n2,3\n3,9\n");
    ASSERT_EQ(Render(dir, {"--scale", "12", dir / "walk.csv", dir / "12.mid"}).status, 0);
    for (const char* name : {"blues", "Blues scale", "ブルーススケール"}) {
        ASSERT_EQ(Render(dir, {"--scale", name, dir / "walk.csv", dir / "n.mid"}).status, 0) << name;
        EXPECT_EQ(testutil::ReadFile(dir / "n.mid"), testutil::ReadFile(dir / "12.mid")) << name;
    }
    // Day first, in the order chosen; month names in any order.
    testutil::WriteFile(dir / "eu-dates.csv", "31/12/1999,1\n01/02/2000,2\n\"Jan 1, 2000\",3\n");
    r = Render(dir,
               {"--date-order", "dmy", "--x-date", "--x-from", "01/01/2000", "--summary-json", dir / "eu-dates.csv"});
    EXPECT_NE(r.out.find("\"count\": 3,"), std::string::npos) << r.out << r.err;
    EXPECT_NE(r.out.find("\"xmax\": \"  2000-02-01\""), std::string::npos) << r.out;

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--x-column", "0", dir / "eu.csv", dir / "o.mid"},
             {"--y-column", "0", dir / "eu.csv", dir / "o.mid"},
             {"--x-line", "--x-date", dir / "eu.csv", dir / "o.mid"},
             {"--x-line", "--x-column", "2", dir / "eu.csv", dir / "o.mid"},
             {"--x-column", "2", "--y-column", "2", dir / "eu.csv", dir / "o.mid"},
             {"--report", "-", dir / "eu.csv", "-"},
             {"--report", dir / "eu.csv", dir / "eu.csv", dir / "o.mid"},
             {"--separator", "pipe", dir / "eu.csv", dir / "o.mid"},
             {"--separator", "comma", "--decimal-comma", dir / "eu.csv", dir / "o.mid"},
             {"--date-order", "dym", "--x-date", dir / "eu.csv", dir / "o.mid"},
             {"--date-order", "dmy", dir / "eu.csv", dir / "o.mid"},
             {"--scale", "bluesy", dir / "eu.csv", dir / "o.mid"},
             {"--scale", "22", dir / "eu.csv", dir / "o.mid"},
         }) {
        r = Render(dir, bad);
        EXPECT_EQ(r.status, 2) << bad[0] << " " << bad[1] << "\n" << r.err;
    }
}

#ifdef VARIMEL_HAVE_PLAYBACK
// --audio writes the format of the file's extension; another program reads
// each back with the piece's length.
TEST(Render, AudioByExtension)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "walk.csv", "0,0\n1,3\n2,1\n3,4\n4,2\n5,5\n6,0\n7,2\n");
    const std::string font = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    struct Case {
        const char* file;
        int format;
    };
    for (const Case& c : {Case{"a.wav", SF_FORMAT_WAV}, Case{"a.flac", SF_FORMAT_FLAC}, Case{"A.OGG", SF_FORMAT_OGG}}) {
        const RenderRun r =
            Render(dir, {"--audio", dir / c.file, "--soundfont", font, "--tempo", "240", dir / "walk.csv"});
        ASSERT_EQ(r.status, 0) << c.file << r.err;
        SF_INFO info{};
        SNDFILE* f = sf_open((dir / c.file).c_str(), SFM_READ, &info);
        ASSERT_NE(f, nullptr) << c.file;
        sf_close(f);
        EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, c.format) << c.file;
        EXPECT_EQ(info.samplerate, 44100);
        EXPECT_EQ(info.channels, 2);
        EXPECT_NEAR(static_cast<double>(info.frames) / 44100.0, 2.0, 0.05) << c.file;
    }
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--audio", dir / "a.mp3", dir / "walk.csv"},
                                               {"--audio", dir / "noextension", dir / "walk.csv"},
                                               {"--audio", dir / "a.flac", "--wav", dir / "b.wav", dir / "walk.csv"}}) {
        const RenderRun r = Render(dir, bad);
        EXPECT_EQ(r.status, 2) << bad[1];
    }
}

// The exported level: normalised to a peak of -1 dBFS by default, a fixed
// gain with --gain, the synthesizer's own with --no-normalize; the same
// length every way.
// With cues the notes table ends each row with its kind, cue rows in time
// among the notes, and the summary names the cues; without, neither changes.
TEST(Render, CuesInTheTableAndSummary)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "w.csv", "0,0\n1,3\n2,1\n3,4\n");
    RenderRun r = Render(dir, {"--x-tick", "2", "--mark-y", "2", "--notes-csv", dir / "n.csv", "--summary-json",
                               dir / "w.csv", dir / "w.mid"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testutil::ReadFile(dir / "n.csv"), "x,y,note,name,start_tick,end_tick,start_seconds,kind\n"
                                                 "0,0,60,C4,0,840,0,note\n"
                                                 "0,,77,,0,120,0,tick\n"
                                                 "1,3,79,G5,960,1800,0.5,note\n"
                                                 "1,,84,C6,960,1200,0.5,mark\n"
                                                 "1,,91,G6,1200,1440,0.625,mark\n"
                                                 "2,1,65,F4,1920,2760,1,note\n"
                                                 "2,,76,,1920,2040,1,tick\n"
                                                 "2,,91,G6,1920,2160,1,mark\n"
                                                 "2,,84,C6,2160,2400,1.125,mark\n"
                                                 "3,4,84,C6,2880,3720,1.5,note\n"
                                                 "3,,84,C6,2880,3120,1.5,mark\n"
                                                 "3,,91,G6,3120,3360,1.625,mark\n");
    EXPECT_NE(r.out.find(", \"cues\": {\"x_tick\": 2, \"x_tick_major\": null, \"ref_y\": [], \"ref_mode\": \"hold\", "
                         "\"mark_y\": 2,"),
              std::string::npos)
        << r.out;
    r = Render(dir, {"--notes-csv", dir / "p.csv", "--summary-json", dir / "w.csv", dir / "p.mid"});
    EXPECT_EQ(r.out.find("cues"), std::string::npos);
    EXPECT_EQ(testutil::ReadFile(dir / "p.csv").find("kind"), std::string::npos);
}

// Stereo by X in the audio: the first tenth far on the left, the last far on
// the right (at least 20 dB apart); without stereo both channels are equal.
TEST(Render, AudioPannedByX)
{
    testutil::TempDir dir;
    std::string csv;
    for (int i = 0; i < 40; ++i)
        csv += std::to_string(i) + "," + std::to_string(i) + "\n";
    testutil::WriteFile(dir / "sweep.csv", csv);
    // Each channel's energy in dB over a share of the frames.
    const auto levels = [](const std::string& path, double from, double to) {
        SF_INFO info{};
        SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
        std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
        if (f) {
            sf_readf_float(f, samples.data(), info.frames);
            sf_close(f);
        }
        double left = 1e-12, right = 1e-12;
        const auto first = static_cast<std::size_t>(from * static_cast<double>(info.frames));
        const auto last = static_cast<std::size_t>(to * static_cast<double>(info.frames));
        for (std::size_t i = first; i < last && info.channels == 2; ++i) {
            left += samples[2 * i] * samples[2 * i];
            right += samples[2 * i + 1] * samples[2 * i + 1];
        }
        return std::pair(10 * std::log10(left), 10 * std::log10(right));
    };
    const std::string font = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    ASSERT_EQ(Render(dir, {"--pan", "x", "--soundfont", font, "--audio", dir / "x.wav", dir / "sweep.csv"}).status, 0);
    ASSERT_EQ(Render(dir, {"--soundfont", font, "--audio", dir / "c.wav", dir / "sweep.csv"}).status, 0);
    const auto [startLeft, startRight] = levels(dir / "x.wav", 0.0, 0.1);
    const auto [endLeft, endRight] = levels(dir / "x.wav", 0.9, 1.0);
    EXPECT_GT(startLeft - startRight, 20.0);
    EXPECT_GT(endRight - endLeft, 20.0);
    // Without stereo the notes sit in the middle: what differs is the
    // instrument's own stereo sample.
    const auto [centreLeft, centreRight] = levels(dir / "c.wav", 0.0, 1.0);
    EXPECT_NEAR(centreLeft, centreRight, 0.5);
}

TEST(Render, AudioLevel)
{
    testutil::TempDir dir;
    const std::string font = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    const auto peak = [](const std::string& path, sf_count_t& frames) {
        SF_INFO info{};
        SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
        if (!f)
            return 0.0;
        std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
        frames = sf_readf_float(f, samples.data(), info.frames);
        sf_close(f);
        float top = 0;
        for (const float v : samples)
            top = std::max(top, std::fabs(v));
        return 20 * std::log10(static_cast<double>(top));
    };
    testutil::WriteFile(dir / "one.csv", "0,5\n");
    testutil::WriteFile(dir / "walk.csv", "0,0\n1,3\n2,1\n3,4\n4,2\n5,5\n6,0\n7,2\n");
    testutil::WriteFile(dir / "two.csv", "0,1,9\n1,5,2\n2,3,7\n3,8,1\n");
    for (const auto& [inputName, extraColumns] :
         {std::pair{"one.csv", ""}, std::pair{"walk.csv", ""}, std::pair{"two.csv", "2,3"}}) {
        // Named copies: a lambda cannot take a structured binding in every compiler.
        const std::string input = inputName;
        const char* const extra = extraColumns;
        const auto render = [&](std::vector<std::string> options, const std::string& out) {
            if (*extra)
                options.insert(options.end(), {"--y-column", extra});
            options.insert(options.end(), {"--soundfont", font, "--audio", dir / out, dir / input});
            const RenderRun r = Render(dir, options);
            EXPECT_EQ(r.status, 0) << input << r.err;
        };
        render({}, "n.wav");
        render({"--no-normalize"}, "r.wav");
        render({"--gain", "6"}, "g.wav");
        render({}, "n.flac");
        sf_count_t normal = 0, raw = 0, gained = 0, flac = 0;
        const double n = peak(dir / "n.wav", normal), r = peak(dir / "r.wav", raw), g = peak(dir / "g.wav", gained);
        EXPECT_NEAR(n, -1.0, 0.1) << input;
        EXPECT_NEAR(peak(dir / "n.flac", flac), -1.0, 0.1) << input;
        EXPECT_LT(r, -10.0) << input << ": the synthesizer's own level is far below";
        EXPECT_NEAR(g, r + 6.0, 0.1) << input;
        EXPECT_GT(normal, 44100 / 4);
        EXPECT_EQ(normal, raw) << input;
        EXPECT_EQ(gained, raw) << input;
        EXPECT_EQ(flac, raw) << input;
    }
    EXPECT_EQ(Render(dir, {"--gain", "loud", "--audio", dir / "x.wav", dir / "one.csv"}).status, 2);
    EXPECT_EQ(Render(dir, {"--gain", "61", "--audio", dir / "x.wav", dir / "one.csv"}).status, 2);
}
#endif

// Many inputs in one call: a line per file in argument order, the status of
// the first file that was not written, identical files whatever -j.
TEST(Render, ManyInputs)
{
    testutil::TempDir dir;
    std::filesystem::create_directories(dir / "in");
    testutil::WriteFile(dir / "in/good.csv", "0,1\n1,2\n2,3\n");
    testutil::WriteFile(dir / "in/empty.csv", "x,y\n");
    testutil::WriteFile(dir / "in/second.CSV", "0,3\n1,2\n");
    RenderRun r = Render(dir, {"-o", dir / "out", dir / "in/good.csv", dir / "in/empty.csv", dir / "in/missing.csv",
                               dir / "in/second.CSV"});
    EXPECT_EQ(r.status, 2) << "no folder 'out': said once, before any file\n" << r.err;
    EXPECT_EQ(r.err.rfind("varimel-render: -o " + (dir / "out") + ": No such file or directory\n", 0), 0u) << r.err;
    testutil::WriteFile(dir / "file", "");
    r = Render(dir, {"-o", dir / "file", dir / "in/good.csv"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("-o " + (dir / "file") + ": not a folder"), std::string::npos) << r.err;
    std::filesystem::create_directory(dir / "out");
    r = Render(dir, {"-o", dir / "out", dir / "in/good.csv", dir / "in/empty.csv", dir / "in/missing.csv",
                     dir / "in/second.CSV"});
    EXPECT_EQ(r.status, 3) << "the empty file comes first of those not written";
    EXPECT_EQ(r.err, dir / "in/good.csv" + ": written, 3 notes\n" + dir / "in/empty.csv" +
                         ": No data is loaded. Please open a CSV file first.\n" + dir / "in/missing.csv" +
                         ": Could not read the CSV file. (No such file or directory)\n" + dir / "in/second.CSV" +
                         ": written, 2 notes\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "out/good.mid"));
    EXPECT_TRUE(std::filesystem::exists(dir / "out/second.mid"));
    EXPECT_EQ(testutil::CountEntries(dir / "out"), 2u);
    // The same file alone gives the same bytes.
    r = Render(dir, {dir / "in/good.csv", dir / "alone.mid"});
    EXPECT_EQ(testutil::ReadFile(dir / "alone.mid"), testutil::ReadFile(dir / "out/good.mid"));

    // -j 1 and -j 4 write the same bytes.
    std::vector<std::string> inputs;
    for (int i = 0; i < 12; ++i) {
        std::string csv;
        for (int k = 0; k < 50 + i; ++k)
            csv += std::to_string(k) + "," + std::to_string((k * 7 + i) % 11) + "\n";
        testutil::WriteFile(dir / ("in/s" + std::to_string(i) + ".csv"), csv);
        inputs.push_back(dir / ("in/s" + std::to_string(i) + ".csv"));
    }
    // -j 4 attached as -j4; the batch's notes tables go to a folder of their own.
    std::filesystem::create_directory(dir / "notes");
    for (const std::vector<std::string>& jobs :
         {std::vector<std::string>{"-j", "1"}, std::vector<std::string>{"-j4"}}) {
        const std::string out = dir / (jobs.size() == 2 ? "j1" : "j4");
        std::filesystem::create_directory(out);
        std::vector<std::string> args = jobs;
        for (const std::string& a : {std::string("--scale"), std::string("4"), std::string("-o"), out})
            args.push_back(a);
        if (jobs.size() == 2) {
            args.push_back("--notes-csv");
            args.push_back(dir / "notes");
        }
        args.insert(args.end(), inputs.begin(), inputs.end());
        r = Render(dir, args);
        EXPECT_EQ(r.status, 0) << r.err;
    }
    for (int i = 0; i < 12; ++i) {
        const std::string name = "/s" + std::to_string(i) + ".mid";
        EXPECT_EQ(testutil::ReadFile(dir / ("j1" + name)), testutil::ReadFile(dir / ("j4" + name))) << name;
        EXPECT_FALSE(testutil::ReadFile(dir / ("j1" + name)).empty());
        // The table of one input of the batch is the table of that input alone.
        const std::string table = dir / ("notes/s" + std::to_string(i) + ".notes.csv");
        r = Render(dir, {"--scale", "4", "--notes-csv", dir / "alone.notes.csv", inputs[static_cast<std::size_t>(i)],
                         dir / "alone.mid"});
        EXPECT_EQ(testutil::ReadFile(table), testutil::ReadFile(dir / "alone.notes.csv")) << table;
        const std::string text = testutil::ReadFile(table);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 51 + i) << table;
    }

    // Two inputs that would give one output name: refused before anything is written.
    std::filesystem::create_directories(dir / "other");
    testutil::WriteFile(dir / "other/good.csv", "0,1\n");
    std::filesystem::create_directory(dir / "clash");
    r = Render(dir, {"-o", dir / "clash", dir / "in/good.csv", dir / "other/good.csv"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(testutil::CountEntries(dir / "clash"), 0u);
    // Options that take one input are refused with -o.
    for (const char* option : {"--summary-json", "--report=r.tsv", "--wav=a.wav"}) {
        r = Render(dir, {option, "-o", dir / "clash", dir / "in/good.csv"});
        EXPECT_EQ(r.status, 2) << option;
    }
    r = Render(dir, {"-j", "2", dir / "in/good.csv", dir / "x.mid"});
    EXPECT_EQ(r.status, 2) << "-j goes with -o";
}

// The window's settings file as a preset; options on the line win.
TEST(Render, SettingsPreset)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "walk.csv", "0,0\n1,1\n2,2\n3,3\n");
    // As the window writes it, with values away from the defaults (tempo
    // and program outside their ranges, a stored X increment).
    testutil::WriteFile(dir / "Varimel.ini",
                        "[Directories]\nCsvDir=/x\nSmfDir=/x\n\n[MappingParam]\nScale=11\nTonic=9\n"
                        "LowTone=36\nHighTone=60\nTempo=500\nVelocity=50\nProgram=300\n"
                        "DxPQN=77\nDuration=0.5\nDisableProgChange=1\n");
    RenderRun r = Render(dir, {"--settings", dir / "Varimel.ini", dir / "walk.csv", dir / "preset.mid"});
    ASSERT_EQ(r.status, 0) << r.err;
    smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "preset.mid"));
    ASSERT_EQ(f.error, "");
    EXPECT_EQ(f.tracks[0][1].bytes, (Bytes{0xFF, 0x51, 3, 0x03, 0xD0, 0x90})) << "tempo 500 goes to 240";
    std::vector<int> keys;
    std::vector<std::uint32_t> lengths;
    for (std::size_t i = 0; i < f.tracks[1].size(); ++i) {
        const smftest::Event& e = f.tracks[1][i];
        EXPECT_NE(e.bytes[0], 0xC0) << "no program change";
        if (e.bytes[0] == 0x90) {
            keys.push_back(e.bytes[1]);
            EXPECT_EQ(e.bytes[2], 50);
        }
    }
    // Minor pentatonic on A over A3..A5 (the stored tones 36 and 60): 11
    // notes, y 0..3 at positions 0, 3, 7 and 10; the data's own interval 1,
    // not the stored 77, is the quarter note.
    EXPECT_EQ(keys, (std::vector<int>{57, 64, 74, 81}));
    EXPECT_EQ(f.tracks[1].back().tick, 3840u);

    // An option given on the line wins over the file.
    r = Render(dir, {"--tonic", "0", "--settings", dir / "Varimel.ini", dir / "walk.csv", dir / "over.mid"});
    ASSERT_EQ(r.status, 0) << r.err;
    f = smftest::Parse(smftest::ReadBytes(dir / "over.mid"));
    keys.clear();
    for (const smftest::Event& e : f.tracks[1])
        if (e.bytes[0] == 0x90)
            keys.push_back(e.bytes[1]);
    // On C: B♭3 C4 E♭4 F4 G4 B♭4 C5 E♭5 F5 G5, positions 0, 3, 6 and 9.
    EXPECT_EQ(keys, (std::vector<int>{58, 65, 72, 79}));

    // The same preset through a pipe, as /dev/stdin: the same file.
    r = RenderWithEnv(dir, "cat " + Quote(dir / "Varimel.ini") + " |",
                      {"--settings", "/dev/stdin", dir / "walk.csv", dir / "piped.mid"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testutil::ReadFile(dir / "piped.mid"), testutil::ReadFile(dir / "preset.mid"));

    // The X choice is one choice: the line's --x-line replaces the file's
    // date; two X choices on the line itself still clash.
    testutil::WriteFile(dir / "dates.ini", "[Import]\nXColumn=1\nYColumn=2\nXDate=1\n");
    r = Render(dir, {"--settings", dir / "dates.ini", "--x-line", "--y-column", "1", dir / "walk.csv", dir / "x.mid"});
    EXPECT_EQ(r.status, 0) << r.err;
    r = Render(
        dir, {"--settings", dir / "dates.ini", "--x-column", "2", "--y-column", "1", dir / "walk.csv", dir / "x.mid"});
    EXPECT_EQ(r.status, 0) << "a plain column replaces the file's date\n" << r.err;
    r = Render(dir, {"--settings", dir / "dates.ini", "--x-line", "--x-date", dir / "walk.csv", dir / "x.mid"});
    EXPECT_EQ(r.status, 2) << r.err;

    testutil::WriteFile(dir / "huge.ini", "[MappingParam]\n" + std::string(1 << 20, ';') + "\n");
    const struct {
        std::string file;
        std::string reason;
    } unreadable[] = {{dir / "none.ini", "No such file or directory"},
                      {dir / "huge.ini", "larger than 1 MiB"},
                      {dir.Path(), "Is a directory"}};
    for (const auto& u : unreadable) {
        r = Render(dir, {"--settings", u.file, dir / "walk.csv", dir / "x.mid"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "varimel-render: cannot read the settings file " + u.file + ": " + u.reason + "\n");
    }
}

// The value-to-note table, checked against the mapping worked out by hand.
TEST(Render, NotesTable)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "t.csv", "0.5,-1\n0,4\n1.5,2.5\n1,10\n");
    const RenderRun r = Render(dir, {"--tempo", "90", "--low", "C4", "--high", "C5", "--notes-csv", dir / "notes.csv",
                                     dir / "t.csv", dir / "t.mid"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Sorted by X; dx 0.5 per quarter; the major scale C4..C5 has 8 notes;
    // position = (y + 1) / 11 * 8: -1 -> 0, 4 -> 3.6, 2.5 -> 2.5, 10 -> 8 (top).
    // 90 bpm: a tick is 60 / (960 * 90) s.
    EXPECT_EQ(testutil::ReadFile(dir / "notes.csv"), "x,y,note,name,start_tick,end_tick,start_seconds\n"
                                                     "0,4,65,F4,0,840,0\n"
                                                     "0.5,-1,60,C4,960,1800,0.6666666666666666\n"
                                                     "1,10,72,C5,1920,2760,1.3333333333333333\n"
                                                     "1.5,2.5,64,E4,2880,3720,2\n");
    // The ends of the keyboard have their names too.
    testutil::WriteFile(dir / "ends.csv", "0,1\n1,2\n");
    const RenderRun ends = Render(
        dir, {"--scale", "0", "--low", "A0", "--high", "C8", "--notes-csv", "-", dir / "ends.csv", dir / "ends.mid"});
    EXPECT_EQ(ends.out,
              "x,y,note,name,start_tick,end_tick,start_seconds\n0,1,21,A0,0,840,0\n1,2,108,C8,960,1800,0.5\n");
}

// Without the synthesizer the renderer still writes MIDI files, and says
// clearly why it cannot write audio.
TEST(Render, WithoutTheSynthesizer)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "one.csv", "0,5\n");
    RenderRun r =
        RenderWithEnv(dir, "VARIMEL_AUDIO_HELPER=/nonexistent/varimel-audio", {dir / "one.csv", dir / "one.mid"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "one.mid"));
    r = RenderWithEnv(dir, "VARIMEL_AUDIO_HELPER=/nonexistent/varimel-audio",
                      {"--wav", dir / "one.wav", dir / "one.csv", dir / "two.mid"});
#ifdef VARIMEL_HAVE_PLAYBACK
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the synthesizer is not installed"), std::string::npos) << r.err;
#else
    EXPECT_EQ(r.status, 2); // a build without the player has no --wav at all
    EXPECT_NE(r.err.find("this build has no synthesizer for --wav"), std::string::npos) << r.err;
#endif
    EXPECT_FALSE(std::filesystem::exists(dir / "one.wav"));
    // The renderer itself does not load the synthesizer's library.
    r = RenderWithEnv(dir, "", {});
    const std::string cmd = "ldd " + Quote(VARIMEL_RENDER) + " > " + Quote(dir / "ldd.txt");
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(testutil::ReadFile(dir / "ldd.txt").find("fluidsynth"), std::string::npos);
}

// An output that names an open descriptor is written through it, as "-" is:
// appended where the descriptor appends, and through a pipe.
TEST(Render, DescriptorsAreWrittenNotReplaced)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "one.csv", "0,5\n");
    const std::string golden = testutil::ReadFile(std::string(VARIMEL_GOLDEN_DIR) + "/one-note.mid");
    const std::string render = Quote(VARIMEL_RENDER) + " --low C4 --high C#4 " + Quote(dir / "one.csv");
    const std::string all = Quote(dir / "all");
    const struct {
        std::string command; // appends to, or writes, all
        std::string expected;
    } rows[] = {
        {render + " /dev/stdout >>" + all, "earlier\n" + golden},
        {render + " /dev/fd/1 >>" + all, "earlier\n" + golden},
        {render + " /proc/self/fd/1 >>" + all, "earlier\n" + golden},
        {render + " /dev/stdout | cat >" + all, golden},
        {render + " --report /dev/stdout " + Quote(dir / "o.mid") + " >>" + all, "earlier\nline\treason\ttext\n"},
        {render + " --notes-csv /dev/stderr " + Quote(dir / "o.mid") + " 2>>" + all,
         "earlier\nx,y,note,name,start_tick,end_tick,start_seconds\n0,5,60,C4,0,840,0\n"},
    };
    for (const auto& r : rows) {
        testutil::WriteFile(dir / "all", "earlier\n");
        const int raw = std::system(r.command.c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << r.command;
        EXPECT_EQ(testutil::ReadFile(dir / "all"), r.expected) << r.command;
    }
}

#ifdef VARIMEL_HAVE_PLAYBACK
namespace {

// Processes (other than this test) whose command line mentions text.
int ProcessesMentioning(const std::string& text)
{
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos || name == std::to_string(getpid()))
            continue;
        std::string cmdline = testutil::ReadFile(entry.path() / "cmdline");
        for (char& c : cmdline)
            c = c == '\0' ? ' ' : c;
        found += cmdline.find(text) != std::string::npos && cmdline.find("varimel-audio") != std::string::npos;
    }
    return found;
}

} // namespace

// A batch with audio: a file whose job fails (here for want of a temporary
// folder) fails alone, with its reason on its line, and the batch goes on;
// a signal reaches every audio helper, and nothing appears after the end.
TEST(Render, BatchWithAudioFailsOneFileAndEndsWithItsHelpers)
{
    testutil::TempDir dir;
    std::filesystem::create_directories(dir / "out");
    testutil::WriteFile(dir / "a.csv", "0,1\n1,2\n");
    testutil::WriteFile(dir / "b.csv", "0,3\n1,2\n");
    std::filesystem::create_symlink("/dev/null", dir / "out/a.mid"); // its audio needs a scratch file
    RenderRun r = RenderWithEnv(dir, "TMPDIR=" + Quote(dir / "gone"),
                                {"-j", "2", "--audio-format", "wav", "-o", dir / "out", dir / "a.csv", dir / "b.csv"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err.rfind(dir / "a.csv: " + "Could not create the Standard MIDI File.", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(dir / "b.csv: written, 2 notes\n"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "out/b.wav"));

    // Two long pieces, so both helpers are still rendering when the signal
    // comes.
    std::string csv;
    for (int i = 0; i < 40000; ++i)
        csv += std::to_string(i) + "," + std::to_string(i % 13) + "\n";
    testutil::WriteFile(dir / "long1.csv", csv);
    testutil::WriteFile(dir / "long2.csv", csv);
    std::filesystem::create_directories(dir / "audio");
    std::vector<std::string> args = {VARIMEL_RENDER,   "-j",  "2",  "--tempo",     "240",
                                     "--audio-format", "wav", "-o", dir / "audio", dir / "long1.csv",
                                     dir / "long2.csv"};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t renderer = 0;
    ASSERT_EQ(posix_spawn(&renderer, VARIMEL_RENDER, nullptr, nullptr, argv.data(), environ), 0);
    for (int wait = 0; wait < 200 && ProcessesMentioning(dir / "audio") < 2; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_EQ(ProcessesMentioning(dir / "audio"), 2) << "both helpers run";
    kill(renderer, SIGTERM);
    int status = 0;
    waitpid(renderer, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(ProcessesMentioning(dir / "audio"), 0) << "no helper outlives the renderer";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (const auto& entry : std::filesystem::directory_iterator(dir / "audio"))
        EXPECT_NE(entry.path().extension(), ".wav") << entry.path();
}
#endif

#ifdef VARIMEL_HAVE_PLAYBACK
// The audio helper, run by hand, refuses to write over its own MIDI file or
// the SoundFont, and a length that is not a finite number of seconds.
TEST(Render, AudioHelperChecksItsArguments)
{
    testutil::TempDir dir;
    const std::string helper = std::filesystem::path(VARIMEL_RENDER).parent_path() / "varimel-audio";
    const std::string font = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    testutil::WriteFile(dir / "one.csv", "0,5\n");
    ASSERT_EQ(Render(dir, {dir / "one.csv", dir / "one.mid"}).status, 0);
    std::filesystem::copy_file(font, dir / "my.sf2");
    const std::string midi = testutil::ReadFile(dir / "one.mid");
    const struct {
        std::vector<std::string> args;
        int status;
    } rows[] = {
        {{dir / "one.mid", dir / "one.mid", "wav", font, "1"}, 2},
        {{dir / "one.mid", dir / "my.sf2", "wav", dir / "my.sf2", "1"}, 2},
        {{dir / "one.mid", dir / "a.wav", "wav", font, "-1"}, 2},
        {{dir / "one.mid", dir / "a.wav", "wav", font, "nan"}, 2},
        {{dir / "one.mid", dir / "a.wav", "wav", font, "inf"}, 2},
        {{dir / "one.mid", dir / "a.wav", "wav", font, "2x"}, 2},
        {{dir / "one.mid", dir / "a.wav", "mp3", font, "1"}, 2},
        {{dir / "one.mid", dir / "a.wav", "wav", font, "0"}, 0},
    };
    for (const auto& r : rows) {
        std::string cmd = Quote(helper);
        for (const std::string& a : r.args)
            cmd += " " + Quote(a);
        const int raw = std::system((cmd + " 2>/dev/null").c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == r.status) << cmd;
    }
    EXPECT_EQ(testutil::ReadFile(dir / "one.mid"), midi);
    EXPECT_EQ(testutil::ReadFile(dir / "my.sf2"), testutil::ReadFile(font));
    EXPECT_TRUE(std::filesystem::exists(dir / "a.wav")) << "the good call renders";
}
#endif

// --x-from and --x-to write exactly the notes the whole piece has for the
// records inside (same keys, same lengths), moved to start at tick 0; an end
// outside the data's X, or after the other end, is a usage error.
TEST(Render, PartOfX)
{
    testutil::TempDir dir;
    std::string csv;
    for (int i = 0; i < 40; ++i)
        csv += std::to_string(i) + "," + std::to_string((i * 7) % 13) + "\n";
    testutil::WriteFile(dir / "d.csv", csv);
    ASSERT_EQ(Render(dir, {"--scale", "4", dir / "d.csv", dir / "whole.mid"}).status, 0);
    // Note-ons of the melody as (tick, key, length to its note-off).
    const auto notes = [](const std::string& path) {
        const smftest::File f = smftest::Parse(smftest::ReadBytes(path));
        std::vector<std::array<std::uint32_t, 3>> out;
        for (const smftest::Note& n : smftest::Notes(f.tracks.at(1)))
            out.push_back({n.start, static_cast<std::uint32_t>(n.key), n.end - n.start});
        return out;
    };
    const auto whole = notes(dir / "whole.mid");
    ASSERT_EQ(whole.size(), 40u);
    const struct {
        std::vector<std::string> range;
        std::size_t first, last; // the records written
        std::uint32_t endTick;   // the conductor's end
    } rows[] = {
        {{"--x-from", "10", "--x-to", "20"}, 10, 21, 3 * 3840},
        {{"--x-from", "10.5", "--x-to", "19.5"}, 11, 20, 3 * 3840},
        {{"--x-from=30"}, 30, 40, 3 * 3840},
        {{"--x-to", "3"}, 0, 4, 3840},
        {{"--x-from", "0", "--x-to", "39"}, 0, 40, 40 * 960},
        {{"--x-from", "12", "--x-to", "12"}, 12, 13, 3840},
    };
    for (const auto& r : rows) {
        std::vector<std::string> args = {"--scale", "4"};
        args.insert(args.end(), r.range.begin(), r.range.end());
        args.insert(args.end(), {"--notes-csv", dir / "part.csv", dir / "d.csv", dir / "part.mid"});
        const RenderRun run = Render(dir, args);
        ASSERT_EQ(run.status, 0) << run.err;
        const auto part = notes(dir / "part.mid");
        // The table's rows are the part's own records.
        const std::string table = testutil::ReadFile(dir / "part.csv");
        EXPECT_EQ(table.substr(table.find('\n') + 1, std::to_string(r.first).size() + 1), std::to_string(r.first) + ",")
            << r.range[0];
        ASSERT_EQ(part.size(), r.last - r.first) << r.range[0];
        for (std::size_t i = 0; i < part.size(); ++i) {
            const auto& w = whole[r.first + i];
            EXPECT_EQ(part[i][0], w[0] - whole[r.first][0]) << r.range[0] << " " << i;
            EXPECT_EQ(part[i][1], w[1]) << r.range[0] << " " << i;
            EXPECT_EQ(part[i][2], w[2]) << r.range[0] << " " << i;
        }
        const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "part.mid"));
        EXPECT_EQ(f.tracks[0].back().tick, r.endTick) << r.range[0];
        EXPECT_EQ(f.tracks[1][1].bytes,
                  smftest::File(smftest::Parse(smftest::ReadBytes(dir / "whole.mid"))).tracks[1][1].bytes)
            << "the melody's head as the whole piece has it";
    }
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--x-from", "-1"}, std::vector<std::string>{"--x-to", "39.5"},
          std::vector<std::string>{"--x-from", "5", "--x-to", "4"}, std::vector<std::string>{"--x-from", "x"},
          std::vector<std::string>{"--x-date", "--x-from", "12"}}) {
        std::vector<std::string> args = bad;
        args.push_back(dir / "d.csv");
        args.push_back(dir / "bad.mid");
        const RenderRun run = Render(dir, args);
        EXPECT_EQ(run.status, 2) << bad[0] << " " << bad[1] << "\n" << run.err;
        EXPECT_NE(run.err.find("Usage: varimel-render"), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "bad.mid"));
    }
}

// Files rendered at a time: -j, else one per processor, never more than the
// files (each job's share of the memory depends on it), one without -o.
TEST(Render, WorkersOfABatch)
{
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    const struct {
        bool batch;
        int jobs;
        std::size_t files;
        std::size_t workers;
    } rows[] = {
        {true, 4, 1, 1}, {true, 4, 10, 4}, {true, 64, 3, 3}, {true, 1, 10, 1}, {true, 0, 1000, processors},
        {true, 0, 1, 1}, {false, 0, 2, 1},
    };
    for (const auto& r : rows) {
        varimel::cli::Options o;
        if (r.batch)
            o.outDir = "out";
        o.jobs = r.jobs;
        o.files.assign(r.files, "a.csv");
        EXPECT_EQ(o.Workers(), r.workers) << r.jobs << " jobs, " << r.files << " files";
    }
}

// Several Y columns: one track per column after the conductor, each on its
// channel with its instrument and header, on one time line; a series rests
// on a line without its value; each over its own range or one shared.
TEST(Render, SeveralSeries)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "s.csv", "t,a,b,c\n0,0,10,\n1,5,,1\n2,10,0,2\n");
    struct Note {
        std::uint32_t tick;
        int key;
        std::uint32_t length;
    };
    struct Track {
        const char* name;
        int channel, program;
        std::vector<Note> notes;
    };
    // X 0, 1, 2 a quarter apart; every note lasts 0.875 of the gap to the
    // next line of any series (840 ticks); C major C4..C6 has 15 notes.
    const std::vector<Track> own = {
        {"a", 0, 0, {{0, 60, 840}, {960, 72, 840}, {1920, 84, 840}}}, // 0..10: 0, 7, 14
        {"b", 1, 73, {{0, 84, 840}, {1920, 60, 840}}},                // rests at X 1
        {"c", 2, 40, {{960, 60, 840}, {1920, 84, 840}}},              // 1..2, from X 0's tick
    };
    std::vector<Track> shared = own;
    shared[2].notes = {{960, 62, 840}, {1920, 65, 840}}; // 1 and 2 of 0..10: positions 1 and 3
    // As many values each, on different lines: each still rests where the
    // other plays (b's mean X step of 2 is the quarter here).
    const std::vector<Track> apart = {{"b", 0, 73, {{0, 84, 420}, {960, 60, 840}}},
                                      {"c", 1, 40, {{480, 60, 420}, {960, 84, 840}}}};
    const struct {
        std::vector<std::string> options;
        const std::vector<Track>* tracks;
    } rows[] = {
        {{"--y-column", "2,3,4", "--program", "0,73,40"}, &own},
        {{"--y-column=2,3,4", "--program=0,73,40", "--shared-range"}, &shared},
        {{"--y-column", "3,4", "--program", "73,40"}, &apart},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = row.options;
        args.insert(args.end(), {dir / "s.csv", dir / "s.mid"});
        const RenderRun r = Render(dir, args);
        ASSERT_EQ(r.status, 0) << r.err;
        const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "s.mid"));
        ASSERT_TRUE(f.error.empty()) << f.error;
        ASSERT_EQ(f.tracks.size(), row.tracks->size() + 1);
        for (std::size_t t = 0; t < row.tracks->size(); ++t) {
            const Track& want = (*row.tracks)[t];
            std::string name;
            int program = -1;
            std::vector<Note> notes;
            for (const smftest::Event& e : f.tracks[t + 1]) {
                if (e.bytes[0] == 0xFF && e.bytes[1] == 0x03)
                    name.assign(e.bytes.begin() + 3, e.bytes.end());
                else if ((e.bytes[0] & 0xF0) == 0xC0) {
                    program = e.bytes[1];
                    EXPECT_EQ(e.bytes[0] & 0x0F, want.channel);
                }
            }
            for (const smftest::Note& n : smftest::Notes(f.tracks[t + 1])) {
                EXPECT_EQ(n.channel, want.channel);
                notes.push_back({n.start, n.key, n.end - n.start});
            }
            EXPECT_EQ(name, want.name);
            EXPECT_EQ(program, want.program);
            ASSERT_EQ(notes.size(), want.notes.size()) << want.name;
            for (std::size_t i = 0; i < notes.size(); ++i) {
                EXPECT_EQ(notes[i].tick, want.notes[i].tick) << want.name << i;
                EXPECT_EQ(notes[i].key, want.notes[i].key) << want.name << i;
                EXPECT_EQ(notes[i].length, want.notes[i].length) << want.name << i;
            }
            EXPECT_EQ(f.tracks[t + 1].back().tick, 3840u) << "every track ends with the piece";
        }
    }

    // A part of X takes every series' notes there, as the whole piece has
    // them, moved by the earliest of their starts.
    const RenderRun part = Render(
        dir, {"--y-column", "2,3,4", "--x-from", "1", "--x-to", "2", "--notes-csv", "-", dir / "s.csv", dir / "p.mid"});
    ASSERT_EQ(part.status, 0) << part.err;
    EXPECT_EQ(part.out, "x,y,note,name,start_tick,end_tick,start_seconds,series\n"
                        "1,5,72,C5,0,840,0,2\n"
                        "1,1,60,C4,0,840,0,4\n"
                        "2,10,84,C6,960,1800,0.5,2\n"
                        "2,0,60,C4,960,1800,0.5,3\n"
                        "2,2,84,C6,960,1800,0.5,4\n");
    const smftest::File p = smftest::Parse(smftest::ReadBytes(dir / "p.mid"));
    ASSERT_EQ(p.tracks.size(), 4u);
    for (const auto& track : p.tracks)
        EXPECT_EQ(track.back().tick, 3840u);

    // The table, the report and the summary tell the series apart.
    const RenderRun r = Render(dir, {"--y-column", "2,4", "--notes-csv", dir / "n.csv", "--report", dir / "r.tsv",
                                     "--summary-json", dir / "s.csv", dir / "s.mid"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testutil::ReadFile(dir / "n.csv"), "x,y,note,name,start_tick,end_tick,start_seconds,series\n"
                                                 "0,0,60,C4,0,840,0,2\n"
                                                 "1,5,72,C5,960,1800,0.5,2\n"
                                                 "1,1,60,C4,960,1800,0.5,4\n"
                                                 "2,10,84,C6,1920,2760,1,2\n"
                                                 "2,2,84,C6,1920,2760,1,4\n");
    EXPECT_EQ(testutil::ReadFile(dir / "r.tsv"), "line\treason\ttext\tcolumn\n"
                                                 "1\tx-not-number\tt,a,b,c\t\n"
                                                 "2\ty-not-number\t\t4\n");
    EXPECT_NE(r.out.find(", \"series\": [{\"column\": 2, \"name\": \"a\", \"records\": 3, \"ymin\": 0, \"ymax\": 10}, "
                         "{\"column\": 4, \"name\": \"c\", \"records\": 2, \"ymin\": 1, \"ymax\": 2}]}"),
              std::string::npos)
        << r.out;
}

// Rows of one group, one series per group, columns by their header's name:
// each group a named track with its instrument, the table naming the group,
// rows left out counted apart; every column a file lacks refused by name.
TEST(Render, RowsAndColumnsByName)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "st.csv", "symbol,date,price\nMSFT,2000-01-03,10\n\"A,B\",2000-01-03,5\n"
                                        "MSFT,2000-01-04,20\nIBM,2000-01-04,7\n\"A,B\",2000-01-05,6\n");
    const std::vector<std::string> byName = {"--separator", "comma", "--x-date",   "--x-column", "Date",
                                             "--y-column",  "price", "--split-by", "symbol"};
    std::vector<std::string> args = byName;
    args.insert(args.end(),
                {"--program", "0,40", "--notes-csv", dir / "n.csv", "--summary-json", dir / "st.csv", dir / "st.mid"});
    RenderRun r = Render(dir, args);
    ASSERT_EQ(r.status, 0) << r.err;
    const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "st.mid"));
    ASSERT_TRUE(f.error.empty()) << f.error;
    ASSERT_EQ(f.tracks.size(), 4u);
    std::string tracks;
    for (std::size_t t = 1; t < f.tracks.size(); ++t)
        for (const smftest::Event& e : f.tracks[t]) {
            if (e.bytes[0] == 0xFF && e.bytes[1] == 0x03)
                tracks += std::string(e.bytes.begin() + 3, e.bytes.end()) + " ";
            else if ((e.bytes[0] & 0xF0) == 0xC0)
                tracks += std::to_string(e.bytes[1]) + ":" + std::to_string(smftest::Notes(f.tracks[t]).size()) + " ";
        }
    EXPECT_EQ(tracks, "MSFT 0:2 A,B 40:2 IBM 0:1 ") << "a group past the instruments takes the first's";
    // Date X also as the date it stands for, last.
    EXPECT_EQ(testutil::ReadFile(dir / "n.csv"), "x,y,note,name,start_tick,end_tick,start_seconds,series,x_text\n"
                                                 "10959,10,60,C4,0,840,0,MSFT,2000-01-03\n"
                                                 "10959,5,60,C4,0,840,0,\"A,B\",2000-01-03\n"
                                                 "10960,20,84,C6,960,1800,0.5,MSFT,2000-01-04\n"
                                                 "10960,7,72,C5,960,1800,0.5,IBM,2000-01-04\n"
                                                 "10961,6,84,C6,1920,2760,1,\"A,B\",2000-01-05\n");
    EXPECT_NE(r.out.find("\"skipped_lines\": 1, \"series\": [{\"column\": 3, \"name\": \"MSFT\", \"records\": 2"),
              std::string::npos)
        << r.out;

    // Rows of two groups by value: the header and the other rows are left
    // out, not skipped.
    r = Render(dir, {"--separator", "comma", "--x-date", "--x-column", "2", "--y-column", "3", "--where", "1=MSFT",
                     "--where", "symbol=IBM", "--summary-json", dir / "st.csv", dir / "w.mid"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "varimel-render: 3 line(s) left out by --where\n");
    EXPECT_NE(r.out.find("\"count\": 3, \"skipped\": false, \"skipped_lines\": 0, \"filtered_lines\": 3}"),
              std::string::npos)
        << r.out;

    // The header's last column is one the rows may be chosen by.
    r = Render(dir, {"--separator", "comma", "--x-date", "--x-column", "2", "--y-column", "3", "--where", "price=7",
                     "--summary-json", "--notes-csv", dir / "one.csv", dir / "st.csv", dir / "w.mid"});
    EXPECT_NE(r.out.find("\"count\": 1,"), std::string::npos) << r.out << r.err;
    EXPECT_EQ(testutil::ReadFile(dir / "one.csv"),
              "x,y,note,name,start_tick,end_tick,start_seconds,x_text\n10960,7,72,C5,0,840,0,2000-01-04\n");

    const struct {
        std::vector<std::string> options;
        int status;
        const char* message;
    } refusals[] = {
        {{"--y-column", "volume"}, 2, "st.csv: no column named 'volume' (its columns: 1: symbol, 2: date, 3: price)"},
        {{"--y-column", "3", "--where", "9=x"}, 2, "st.csv: --where column 9 is beyond its 3 columns"},
        {{"--y-column", "3", "--split-by", "4"}, 2, "st.csv: --split-by column 4 is beyond its 3 columns"},
        {{"--y-column", "3", "--where", "=x"}, 2, "--where needs COLUMN=VALUE, not '=x'"},
        {{"--y-column", "3", "--where", "symbol"}, 2, "--where needs COLUMN=VALUE, not 'symbol'"},
        {{"--y-column", "3,2", "--split-by", "1"}, 2, "--split-by takes one Y column"},
        {{"--y-column", "date"}, 2, "X and Y cannot be read from the same column"},
        {{"--y-column", "3", "--split-by", "2"}, 1, "more than 15 groups"},
    };
    std::string many = "g,x,y\n";
    for (int i = 0; i < 16; ++i)
        many += std::to_string(i) + "," + std::to_string(i) + ",1\n";
    testutil::WriteFile(dir / "many.csv", many);
    for (const auto& bad : refusals) {
        args = {"--separator", "comma", "--x-column", "2"};
        args.insert(args.end(), bad.options.begin(), bad.options.end());
        const bool groups = bad.status == 1;
        args.insert(args.end(), {dir / (groups ? "many.csv" : "st.csv"), dir / "o.mid"});
        r = Render(dir, args);
        EXPECT_EQ(r.status, bad.status) << bad.message << "\n" << r.err;
        EXPECT_NE(r.err.find(bad.message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "o.mid"));
}

// Channels run 1..9 and 11..16 (of people who count from 1): the percussion
// channel is left out; a column too many, a count of instruments that fits
// neither, a column twice are refused.
TEST(Render, SeriesChannelsAndRefusals)
{
    testutil::TempDir dir;
    std::string csv;
    for (int x = 0; x < 3; ++x) {
        csv += std::to_string(x);
        for (int c = 0; c < 16; ++c)
            csv += "," + std::to_string((x * 7 + c) % 5);
        csv += "\n";
    }
    testutil::WriteFile(dir / "w.csv", csv);
    // No header: the tracks are Melody, Melody 2, ...; one program for all.
    const RenderRun r =
        Render(dir, {"--y-column", "2,3,4,5,6,7,8,9,10,11,12", "--program", "7", dir / "w.csv", dir / "w.mid"});
    ASSERT_EQ(r.status, 0) << r.err;
    const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "w.mid"));
    ASSERT_EQ(f.tracks.size(), 12u);
    const int channels[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11};
    for (std::size_t t = 0; t < 11; ++t) {
        const auto first = [&](int status) {
            return std::find_if(f.tracks[t + 1].begin(), f.tracks[t + 1].end(), [status](const smftest::Event& e) {
                return e.bytes[0] == status || (e.bytes[0] & 0xF0) == status;
            });
        };
        const auto on = first(0x90);
        ASSERT_NE(on, f.tracks[t + 1].end());
        EXPECT_EQ(on->bytes[0] & 0x0F, channels[t]) << t;
        const auto program = first(0xC0);
        ASSERT_NE(program, f.tracks[t + 1].end());
        EXPECT_EQ(program->bytes[1], 7) << t;
        const auto name = std::find_if(f.tracks[t + 1].begin(), f.tracks[t + 1].end(), [](const smftest::Event& e) {
            return e.bytes[0] == 0xFF && e.bytes[1] == 0x03;
        });
        ASSERT_NE(name, f.tracks[t + 1].end());
        EXPECT_EQ(std::string(name->bytes.begin() + 3, name->bytes.end()),
                  t == 0 ? std::string("Melody") : "Melody " + std::to_string(t + 1));
    }
    // A long piece is written a block at a time: every note of every block
    // keeps its series' channel.
    std::string longCsv;
    for (int x = 0; x < 100000; ++x)
        longCsv += std::to_string(x) + "," + std::to_string(x % 13) + "," + std::to_string(x % 7) + "\n";
    testutil::WriteFile(dir / "long.csv", longCsv);
    const RenderRun two = Render(dir, {"--y-column", "2,3", dir / "long.csv", dir / "long.mid"});
    ASSERT_EQ(two.status, 0) << two.err;
    const smftest::File g = smftest::Parse(smftest::ReadBytes(dir / "long.mid"));
    ASSERT_EQ(g.tracks.size(), 3u);
    for (std::size_t t = 1; t < 3; ++t) {
        std::size_t ons = 0;
        for (const smftest::Event& e : g.tracks[t])
            if ((e.bytes[0] & 0xF0) == 0x90 || (e.bytes[0] & 0xF0) == 0x80) {
                ons += (e.bytes[0] & 0xF0) == 0x90;
                ASSERT_EQ(e.bytes[0] & 0x0F, static_cast<int>(t - 1)) << "track " << t << " tick " << e.tick;
            }
        EXPECT_EQ(ons, 100000u);
    }
    const struct {
        std::vector<std::string> options;
        const char* message;
    } refusals[] = {
        {{"--y-column", "2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17"}, "--y-column takes at most 15 columns, not 16"},
        {{"--y-column", "2,3,4", "--program", "1,2"},
         "--program takes one instrument or one for each of the 3 Y columns, not 2"},
        {{"--y-column", "2,3,2"}, "--y-column names a column twice"},
        {{"--y-column", "2,,3"}, "--y-column needs numbers separated by commas, not '2,,3'"},
        {{"--y-column", "2,1"}, "X and Y cannot be read from the same column"},
    };
    for (const auto& refusal : refusals) {
        std::vector<std::string> args = refusal.options;
        args.insert(args.end(), {dir / "w.csv", dir / "x.mid"});
        const RenderRun bad = Render(dir, args);
        EXPECT_EQ(bad.status, 2) << refusal.message;
        EXPECT_NE(bad.err.find(refusal.message), std::string::npos) << bad.err;
    }
}

namespace {

// The melody's notes of a file: tick, key, velocity and length.
struct HeardNote {
    std::uint32_t tick;
    int key, velocity;
    std::uint32_t length;
    bool operator==(const HeardNote&) const = default;
};
std::vector<HeardNote> MelodyOf(const std::string& path)
{
    const smftest::File f = smftest::Parse(smftest::ReadBytes(path));
    std::vector<HeardNote> notes;
    if (f.tracks.size() < 2)
        return notes;
    for (const smftest::Note& n : smftest::Notes(f.tracks[1]))
        notes.push_back({n.start, n.key, n.velocity, n.end - n.start});
    return notes;
}

std::vector<int> KeysOf(const std::vector<HeardNote>& notes)
{
    std::vector<int> keys;
    for (const HeardNote& n : notes)
        keys.push_back(n.key);
    return keys;
}

} // namespace

// The shape of the mapping, each choice against a hand computation on C
// major C4..C6 (15 notes: C4 D4 E4 F4 G4 A4 B4 C5 D5 E5 F5 G5 A5 B5 C6).
TEST(Render, ShapedMapping)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "rise.csv", "0,0\n1,1\n2,2\n3,3\n4,4\n5,5\n6,6\n7,7\n8,8\n9,9\n10,100\n");
    testutil::WriteFile(dir / "decades.csv", "0,1\n1,10\n2,100\n3,1000\n4,10000\n");
    testutil::WriteFile(dir / "other.csv", "0,50\n1,-50\n2,5\n");
    const struct {
        const char* file;
        std::vector<std::string> options;
        std::vector<int> keys;
    } rows[] = {
        // Plain: 100 squeezes 0..9 into the lowest notes.
        {"rise.csv", {}, {60, 60, 60, 60, 60, 60, 60, 62, 62, 62, 84}},
        // Inverted: the same positions from the top.
        {"rise.csv", {"--invert"}, {84, 84, 84, 84, 84, 84, 84, 83, 83, 83, 60}},
        // Clip 10: of 11 values the 10th percentile is rank 2 (1) and the
        // 90th rank 10 (9): 0 and 100 take the end notes, 1..9 spread as
        // (y - 1) / 8 * 15: 0, 1.9, 3.8, 5.6, 7.5, 9.4, 11.3, 13.1, 15.
        {"rise.csv", {"--clip", "10"}, {60, 60, 62, 65, 69, 72, 76, 79, 83, 84, 84}},
        // Log: one decade per 15/4 positions: 0, 3, 7, 11, 14.
        {"decades.csv", {"--y-scale", "log"}, {60, 65, 72, 79, 84}},
        // A fixed range: 0 and 100 map alike in any file; values outside go
        // to the ends.
        {"rise.csv", {"--y-range", "0:100"}, {60, 60, 60, 60, 60, 60, 60, 62, 62, 62, 84}},
        {"other.csv", {"--y-range", "0:100"}, {72, 60, 60}},
    };
    for (const auto& r : rows) {
        std::vector<std::string> args = r.options;
        args.insert(args.end(), {dir / r.file, dir / "out.mid"});
        const RenderRun run = Render(dir, args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(KeysOf(MelodyOf(dir / "out.mid")), r.keys)
            << r.file << " " << (r.options.empty() ? "" : r.options[0]);
    }

    // Velocity and length from columns: each over its column's own range;
    // a line without a number there keeps the fixed value.
    testutil::WriteFile(dir / "loud.csv", "0,1,0,1\n1,2,50,0\n2,3,100,0.5\n3,4,,\n");
    const RenderRun loud = Render(dir, {"--velocity-column", "3", "--velocity-range", "20:120", "--duration-column",
                                        "4", "--duration-range", "0.5:1", "--velocity", "90", "--notes-csv",
                                        dir / "loud.notes.csv", dir / "loud.csv", dir / "loud.mid"});
    ASSERT_EQ(loud.status, 0) << loud.err;
    const std::vector<HeardNote> heard = MelodyOf(dir / "loud.mid");
    // Gaps of a quarter (960): shares 1, 0.5, 0.75, then 0.875 of a quarter.
    const std::vector<HeardNote> expected = {
        {0, 60, 20, 960}, {960, 69, 70, 480}, {1920, 77, 120, 720}, {2880, 84, 90, 840}};
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(testutil::ReadFile(dir / "loud.notes.csv"),
              "x,y,note,name,start_tick,end_tick,start_seconds,velocity,length_ticks\n"
              "0,1,60,C4,0,960,0,20,960\n"
              "1,2,69,A4,960,1440,0.5,70,480\n"
              "2,3,77,F5,1920,2640,1,120,720\n"
              "3,4,84,C6,2880,3720,1.5,90,840\n");

    // A logarithm skips what it cannot take, with its own reason.
    testutil::WriteFile(dir / "neg.csv", "0,1\n1,-2\n2,0\n3,10\n");
    const RenderRun neg = Render(dir, {"--y-scale", "log", "--report", "-", dir / "neg.csv", dir / "neg.mid"});
    ASSERT_EQ(neg.status, 0) << neg.err;
    EXPECT_EQ(neg.out, "line\treason\ttext\n2\ty-not-positive\t1,-2\n3\ty-not-positive\t2,0\n");
    const RenderRun json = Render(dir, {"--invert", "--clip", "2", "--summary-json", dir / "neg.csv"});
    EXPECT_NE(json.out.find(", \"shape\": {\"invert\": true, \"y_scale\": \"linear\", \"clip\": 2, \"y_range\": null"),
              std::string::npos)
        << json.out;

    // Each refusal names its option.
    const struct {
        std::vector<std::string> options;
        const char* message;
    } refusals[] = {
        {{"--clip", "50"}, "--clip needs a percent from 0 to below 50, not '50'"},
        {{"--clip", "-1"}, "--clip needs a percent from 0 to below 50, not '-1'"},
        {{"--y-range", "5:5"}, "--y-range needs MIN:MAX with MIN below MAX, not '5:5'"},
        {{"--y-range", "5"}, "--y-range needs MIN:MAX with MIN below MAX, not '5'"},
        {{"--y-range", "0:5", "--y-scale", "log"}, "--y-range with --y-scale log needs a positive MIN"},
        {{"--clip", "1", "--y-range", "0:5"}, "--clip and --y-range cannot be used together"},
        {{"--velocity-range", "0:200"}, "--velocity-range needs LO:HI, whole numbers from 1 to 127, not '0:200'"},
        {{"--velocity-range", "90:40"}, "--velocity-range needs LO:HI, whole numbers from 1 to 127, not '90:40'"},
        {{"--duration-range", "0:1"}, "--duration-range needs LO:HI with 0 < LO <= HI <= 1, not '0:1'"},
        {{"--duration-range", "0.5:1.5"}, "--duration-range needs LO:HI with 0 < LO <= HI <= 1, not '0.5:1.5'"},
        {{"--velocity-column", "0"}, "--velocity-column needs a whole number from 1 to 100000, not '0'"},
        {{"--duration-column", "0"}, "--duration-column needs a whole number from 1 to 100000, not '0'"},
        {{"--y-scale", "ln"}, "--y-scale needs linear or log, not 'ln'"},
    };
    for (const auto& refusal : refusals) {
        std::vector<std::string> args = refusal.options;
        args.insert(args.end(), {dir / "rise.csv", dir / "x.mid"});
        const RenderRun bad = Render(dir, args);
        EXPECT_EQ(bad.status, 2) << refusal.message;
        EXPECT_NE(bad.err.find(refusal.message), std::string::npos) << bad.err;
    }
}

// A part of X holds the notes the whole piece has there, for every shape:
// keys, velocities and lengths from their columns included, one series or
// two.
TEST(Render, PartKeepsTheWholePiecesNotes)
{
    testutil::TempDir dir;
    std::string csv = "x,a,b,vol,len\n";
    for (int i = 0; i < 24; ++i)
        csv += std::to_string(i) + "," + std::to_string(1 + (i * 7) % 11) + "," + std::to_string(3 + (i * 5) % 13) +
               "," + std::to_string((i * 37) % 100) + "," + std::to_string(1 + (i * 3) % 7) + "\n";
    testutil::WriteFile(dir / "p.csv", csv);
    // The table without its ticks and seconds, rows with 6 <= x <= 15 only.
    const auto rows = [](const std::string& table, bool part) {
        std::string out;
        std::istringstream in(table);
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            std::vector<std::string> f;
            std::istringstream fields(line);
            for (std::string item; std::getline(fields, item, ',');)
                f.push_back(item);
            const double x = std::stod(f[0]);
            if (!part && (x < 6 || x > 15))
                continue;
            f.erase(f.begin() + 4, f.begin() + 7);
            for (const std::string& item : f)
                out += item + ",";
            out += "\n";
        }
        return out;
    };
    const std::vector<std::vector<std::string>> shapes = {
        {"--velocity-column", "vol"},
        {"--velocity-column", "4", "--duration-column", "5", "--y-scale", "log"},
        {"--duration-column", "len", "--clip", "5", "--invert"},
        {"--velocity-column", "4", "--y-range", "2:9"},
    };
    for (const std::vector<std::string>& shape : shapes)
        for (const char* ys : {"2", "2,3"}) {
            std::vector<std::string> whole = shape;
            whole.insert(whole.end(),
                         {"--y-column", ys, "--notes-csv", dir / "whole.csv", dir / "p.csv", dir / "w.mid"});
            std::vector<std::string> part = shape;
            part.insert(part.end(), {"--y-column", ys, "--x-from", "6", "--x-to", "15", "--notes-csv", dir / "part.csv",
                                     dir / "p.csv", dir / "p.mid"});
            const std::string what = shape[0] + " " + shape[1] + " y " + ys;
            ASSERT_EQ(Render(dir, whole).status, 0) << what;
            ASSERT_EQ(Render(dir, part).status, 0) << what;
            const std::string want = rows(testutil::ReadFile(dir / "whole.csv"), false);
            EXPECT_GT(want.size(), 100u) << what;
            EXPECT_EQ(rows(testutil::ReadFile(dir / "part.csv"), true), want) << what;
        }
}

// Rests by value: a record at or below its series' threshold stays silent
// (no note in the file or the table) while every other note is the note the
// piece has without rests; a part holds the same; a threshold for each
// series, "-" for none.
TEST(Render, RestsAtOrBelowAValue)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "w.csv", "t,temp,rain\n0,5,0\n1,7,2.5\n2,6,0\n3,9,10\n4,8,0\n5,3,1\n");
    // The table's rows as x,y,note,series.
    const auto rows = [&](std::vector<std::string> options) {
        options.insert(options.end(),
                       {"--y-column", "2,3", "--notes-csv", dir / "n.csv", dir / "w.csv", dir / "w.mid"});
        EXPECT_EQ(Render(dir, options).status, 0);
        std::string out;
        std::istringstream in(testutil::ReadFile(dir / "n.csv"));
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            std::vector<std::string> f;
            std::istringstream fields(line);
            for (std::string item; std::getline(fields, item, ',');)
                f.push_back(item);
            out += f[0] + "," + f[1] + "," + f[2] + "," + f.back() + " ";
        }
        return out;
    };
    const auto midiNotes = [&] {
        std::size_t count = 0;
        for (const auto& track : smftest::Parse(smftest::ReadBytes(dir / "w.mid")).tracks)
            count += smftest::Notes(track).size();
        return count;
    };
    const std::string all = rows({"--invert"});
    EXPECT_EQ(midiNotes(), 12u);
    const struct {
        std::vector<std::string> options;
        std::size_t notes;
    } cases[] = {
        {{"--invert", "--rest-below", "-,0"}, 9},
        {{"--invert", "--rest-below", "0"}, 9},
        {{"--invert", "--rest-below", "6,1"}, 5},
        {{"--invert", "--rest-below=-,-"}, 12},
    };
    for (const auto& c : cases) {
        const std::string got = rows(c.options);
        EXPECT_EQ(midiNotes(), c.notes) << c.options[2];
        // Every row left is a row of the piece without rests.
        std::istringstream left(got);
        std::size_t count = 0;
        for (std::string row; left >> row; ++count)
            EXPECT_NE(all.find(row + " "), std::string::npos) << c.options[2] << ": " << row;
        EXPECT_EQ(count, c.notes) << c.options[2];
    }
    // A part holds the same rests: the rows of X 1 to 4.
    const std::string whole = rows({"--invert", "--rest-below", "-,0"});
    const std::size_t from = whole.find("1,7,"), to = whole.find("5,3,");
    ASSERT_LT(from, to);
    EXPECT_EQ(rows({"--invert", "--rest-below", "-,0", "--x-from", "1", "--x-to", "4"}), whole.substr(from, to - from));
    for (const char* bad : {"x", "1,,2", "1,2,3", ""}) {
        const RenderRun r = Render(dir, {"--y-column", "2,3", "--rest-below", bad, dir / "w.csv", dir / "x.mid"});
        EXPECT_EQ(r.status, 2) << bad << r.err;
    }
}
