// SPDX-License-Identifier: MIT
// The real FluidSynth player, headless: the "file" audio driver renders to a
// WAV file in real time, which stands in for a sound card.
#include "Player.h"
#include "Audiorender.h"

#include "TestUtil.h"
#include "config/Places.h"
#include "music/Filebuild.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

using namespace varimel;
using namespace std::chrono_literals;

namespace {

constexpr const char* kSmallFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// A piece of `quarters` quarter notes at 240 bpm (a quarter lasts 0.25 s).
std::string WritePiece(const testutil::TempDir& dir, int quarters)
{
    TXYDataList data;
    for (int i = 0; i < quarters; ++i)
        data.Add({static_cast<double>(i), static_cast<double>(i % 5)});
    ScaleNoteSet set;
    const std::string path = dir / "piece.mid";
    EXPECT_TRUE(WriteMappedSmf(set, &data, path, 1, 0, 60, 84, 1.0, 240, 96, 0.875, 4, 2, true, 0));
    return path;
}

bool WaitFor(const std::atomic<int>& counter, int value, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (counter.load() < value && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(5ms);
    return counter.load() >= value;
}

} // namespace

TEST(Player, OpenFailsCleanly)
{
    testutil::TempDir dir;
    const std::string piece = WritePiece(dir, 4);
    testutil::WriteFile(dir / "not.mid", "this is text");
    struct Case {
        const char* what;
        PlayerOptions options;
        std::string file;
    };
    // clang-format off
    const Case cases[] = {
        {"missing SoundFont", {dir / "none.sf2", "file", dir / "out.wav"}, piece},
        {"missing file", {kSmallFont, "file", dir / "out.wav"}, dir / "gone.mid"},
        {"not a MIDI file", {kSmallFont, "file", dir / "out.wav"}, dir / "not.mid"},
        {"no such audio driver", {kSmallFont, "no-such-driver", dir / "out.wav"}, piece},
    };
    // clang-format on
    for (const Case& c : cases) {
        MidiPlayer player(c.options);
        EXPECT_FALSE(player.Open(c.file)) << c.what;
        EXPECT_FALSE(player.IsOpen()) << c.what;
        EXPECT_FALSE(player.LastError().empty()) << c.what;
        EXPECT_FALSE(player.Play({})) << c.what;
    }
    EXPECT_FALSE(FindSoundFont(dir / "none.sf2").size());
    EXPECT_EQ(FindSoundFont(kSmallFont), kSmallFont);
}

// A WAV header states at most 4 GiB of audio: 44.1 kHz 16-bit stereo lasts
// about 6 h 45 min; longer pieces (with their release tail) go to RF64.
// An audio file never replaces the piece or the SoundFont it is made with,
// named or found by default, whatever name leads to them.
TEST(Player, OutputNeverReplacesItsSources)
{
    testutil::TempDir dir;
    const std::string midi = WritePiece(dir, 1);
    const std::string byDefault = FindSoundFont("");
    ASSERT_FALSE(byDefault.empty());
    std::filesystem::create_symlink(byDefault, dir / "default.sf2");
    std::filesystem::create_symlink(kSmallFont, dir / "small.sf2");
    std::filesystem::create_symlink(midi, dir / "piece-link.mid");
    const struct {
        std::string out, font;
        bool refused;
    } rows[] = {
        {dir / "a.wav", "", false},
        {dir / "a.wav", kSmallFont, false},
        {midi, kSmallFont, true},
        {dir / "piece-link.mid", "", true},
        {dir / "small.sf2", kSmallFont, true},
        {dir / "default.sf2", "", true},
        {dir / "default.sf2", kSmallFont, byDefault == kSmallFont},
    };
    for (const auto& r : rows)
        EXPECT_EQ(!OutputClash(r.out, midi, r.font).empty(), r.refused) << r.out << " " << r.font;
    // Every render checks (a copy of a SoundFont here, never the system's).
    std::filesystem::copy_file(kSmallFont, dir / "mine.sf2");
    std::filesystem::create_symlink(dir / "mine.sf2", dir / "mine-link.sf2");
    std::string error;
    EXPECT_FALSE(RenderAudio(midi, dir / "mine-link.sf2", AudioFormat::Wav, dir / "mine.sf2", error));
    EXPECT_EQ(error, dir / "mine-link.sf2" + " is the same file as the SoundFont " + dir / "mine.sf2");
    EXPECT_EQ(std::filesystem::file_size(dir / "mine.sf2"), std::filesystem::file_size(kSmallFont));
}

TEST(Player, WaveFileTypeByLength)
{
    EXPECT_STREQ(WaveFileType(0), "wav");
    EXPECT_STREQ(WaveFileType(6 * 3600.0), "wav");
    EXPECT_STREQ(WaveFileType(24300.0), "wav");
    EXPECT_STREQ(WaveFileType(24330.0), "rf64");
    // The switch-over: 30 s of tail and 176,400 bytes a second must stay
    // within the 4 GiB less 4 KiB a WAV header can state.
    EXPECT_STREQ(WaveFileType(24317.8639), "wav");
    EXPECT_STREQ(WaveFileType(24317.8640), "rf64");
    EXPECT_STREQ(WaveFileType(7 * 3600.0), "rf64");
}

TEST(Player, PlaysToTheEndAndReportsOnce)
{
    testutil::TempDir dir;
    MidiPlayer player({kSmallFont, "file", dir / "out.wav"});
    ASSERT_TRUE(player.Open(WritePiece(dir, 2))) << player.LastError(); // one bar: 1 s
    std::atomic<int> ends{0};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(player.Play([&] { ++ends; }));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms) << "play does not block";
    // The end is reported when the last note is out, not after the
    // synthesizer's grace period of about 2 s.
    ASSERT_TRUE(WaitFor(ends, 1, 10s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms) << "end of a 1 s piece reported late";
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ends.load(), 1);
    player.Close();
    EXPECT_GT(std::filesystem::file_size(dir / "out.wav"), 44u * 1000);
}

TEST(Player, StopEndsPlayAndReportsOnce)
{
    testutil::TempDir dir;
    MidiPlayer player({kSmallFont, "file", dir / "out.wav"});
    ASSERT_TRUE(player.Open(WritePiece(dir, 64))) << player.LastError(); // 16 s
    std::atomic<int> ends{0};
    ASSERT_TRUE(player.Play([&] { ++ends; }));
    std::this_thread::sleep_for(150ms);
    const auto stop = std::chrono::steady_clock::now();
    player.Stop();
    ASSERT_TRUE(WaitFor(ends, 1, 2s));
    EXPECT_LT(std::chrono::steady_clock::now() - stop, 500ms);
    player.Stop(); // again: nothing more
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ends.load(), 1);
}

TEST(Player, CloseDuringPlayIsSilent)
{
    testutil::TempDir dir;
    std::atomic<int> ends{0};
    {
        MidiPlayer player({kSmallFont, "file", dir / "out.wav"});
        ASSERT_TRUE(player.Open(WritePiece(dir, 64)));
        ASSERT_TRUE(player.Play([&] { ++ends; }));
        std::this_thread::sleep_for(50ms);
    } // destroyed while playing
    EXPECT_EQ(ends.load(), 0);
}

TEST(Player, RenderWavFasterThanRealTime)
{
    testutil::TempDir dir;
    const std::string piece = WritePiece(dir, 64); // 16 s of music
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(RenderWav(piece, dir / "歌.wav", kSmallFont, error)) << error;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
    const auto bytes = std::filesystem::file_size(dir / "歌.wav");
    const double seconds = static_cast<double>(bytes - 44) / (44100.0 * 4);
    EXPECT_NEAR(seconds, 16.0, 0.1);
    EXPECT_FALSE(RenderWav(piece, dir / "no/folder/x.wav", kSmallFont, error));
    EXPECT_FALSE(RenderWav(piece, dir / "y.wav", dir / "none.sf2", error));
    EXPECT_EQ(testutil::CountEntries(dir.Path()), 2u) << "piece.mid and the one WAV file";
}

// The speed by the synthesizer's own clock: the player's tick after the same
// number of rendered blocks is the speed times that at ×1, and a change
// while playing never takes the tick back.
TEST(Player, SpeedScalesTheTickBySampleTime)
{
    testutil::TempDir dir;
    const std::string piece = WritePiece(dir, 400); // 100 s
    constexpr int kBlock = 64, kBlocks = 2000;      // about 2.9 s of sound
    const auto tickAfter = [&](double speed) {
        MidiPlayer player({kSmallFont, "none", ""});
        player.SetSpeed(speed);
        EXPECT_TRUE(player.Open(piece)) << player.LastError();
        EXPECT_TRUE(player.Play(nullptr));
        for (int k = 0; k < kBlocks; ++k)
            EXPECT_TRUE(player.RenderFrames(kBlock));
        return player.CurrentTick();
    };
    const double plain = tickAfter(1.0);
    ASSERT_GT(plain, 960 * 4);
    for (const double speed : {0.25, 0.5, 0.75, 1.5, 2.0, 3.0, 4.0})
        EXPECT_NEAR(tickAfter(speed) / plain, speed, speed * 0.02) << "×" << speed;

    MidiPlayer player({kSmallFont, "none", ""});
    ASSERT_TRUE(player.Open(piece));
    ASSERT_TRUE(player.Play(nullptr));
    int last = player.CurrentTick();
    for (const double speed : {2.0, 0.25, 4.0, 0.5, 1.0, 3.0, 0.75}) {
        player.SetSpeed(speed);
        for (int k = 0; k < 200; ++k) {
            ASSERT_TRUE(player.RenderFrames(kBlock));
            const int tick = player.CurrentTick();
            ASSERT_GE(tick, last) << "at ×" << speed;
            last = tick;
        }
    }
    EXPECT_GT(last, 0);
}
