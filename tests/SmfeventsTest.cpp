// SPDX-License-Identifier: MIT
// The time line a port plays, against the file read by the test suite's own
// reader: every channel message of every track, merged in time, each at the
// time its tick falls on under the tempo.
#include "midi/Smfevents.h"
#include "music/Piece.h"

#include "SmfReader.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace varimel;

namespace {

struct Heard {
    std::uint64_t tick;
    std::vector<std::uint8_t> bytes;
    bool operator==(const Heard&) const = default;
};

// Channel messages of every track, the earlier track first at one tick.
std::vector<Heard> MergedIndependently(const smftest::File& f)
{
    std::vector<std::pair<std::size_t, Heard>> all;
    for (std::size_t t = 0; t < f.tracks.size(); ++t)
        for (const smftest::Event& e : f.tracks[t])
            if (e.bytes[0] >= 0x80 && e.bytes[0] < 0xF0)
                all.push_back({t, {e.tick, e.bytes}});
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return a.second.tick < b.second.tick; });
    std::vector<Heard> heard;
    for (auto& [track, h] : all)
        heard.push_back(h);
    return heard;
}

} // namespace

TEST(Timeline, EveryMessageOfTheFileAtItsTime)
{
    testutil::TempDir dir;
    TXYDataList a, b, c;
    for (int i = 0; i < 40; ++i) {
        a.Add({static_cast<double>(i), std::sin(i / 3.0)});
        if (i % 3)
            b.Add({static_cast<double>(i) + 0.5, static_cast<double>(i % 7)});
        c.Add({static_cast<double>(i), static_cast<double>(40 - i)});
    }
    const struct {
        const char* name;
        int tempo;
        bool cues;
        bool several;
        std::optional<XSelection> part;
    } rows[] = {
        {"one series", 120, false, false, std::nullopt},
        {"fast, with ticks, reference and pan", 240, true, false, std::nullopt},
        {"three series with cues", 90, true, true, std::nullopt},
        {"a part of three", 120, true, true, XSelection{10, 25}},
    };
    for (const auto& r : rows) {
        MappingRequest request;
        request.Tempo = r.tempo;
        if (r.cues) {
            request.Cues.TickStep = 5;
            request.Cues.RefY = {0};
            request.Cues.Ends = true;
            request.Cues.Pan = r.several ? PanMode::Series : PanMode::X;
            request.Cues.Legend = r.several;
        }
        std::vector<SeriesTrack> series = {{&a, 0, "a"}};
        if (r.several) {
            series.push_back({&b, 0, "b"});
            series.push_back({&c, 0, "c"});
        }
        const TPiece piece(&a, series, request, r.part);
        const std::string path = dir / "piece.mid";
        ASSERT_TRUE(piece.Write(path)) << r.name;
        const std::vector<std::uint8_t> bytes = smftest::ReadBytes(path);
        const std::optional<SmfTimeline> line =
            ReadSmfTimeline(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        ASSERT_TRUE(line) << r.name;
        std::vector<Heard> read;
        for (const TimedEvent& e : line->Events)
            read.push_back({e.Tick, std::vector<std::uint8_t>(e.Bytes, e.Bytes + e.Size)});
        EXPECT_EQ(read, MergedIndependently(smftest::Parse(bytes))) << r.name;
        // The file keeps the tempo in whole microseconds a quarter.
        const double secondsPerTick = std::round(60e6 / r.tempo) / 1e6 / 960;
        for (const TimedEvent& e : line->Events) {
            ASSERT_NEAR(e.Seconds, static_cast<double>(e.Tick) * secondsPerTick, 1e-9) << r.name;
            // The frame at 48 kHz to the nearest, a half up, in whole numbers.
            const std::uint64_t micros = static_cast<std::uint64_t>(std::round(60e6 / r.tempo)), whole = 960000000ull;
            ASSERT_EQ(line->FrameOfTick(e.Tick, 48000), (e.Tick * micros * 48000 * 2 + whole) / (whole * 2)) << r.name;
            ASSERT_EQ(line->TickAt(e.Seconds), e.Tick) << r.name;
        }
        EXPECT_EQ(line->EndTick, piece.End()) << r.name;
        std::uint16_t channels = 0;
        for (const Heard& h : read)
            channels |= static_cast<std::uint16_t>(1u << (h.bytes[0] & 0x0F));
        EXPECT_EQ(line->Channels, channels) << r.name;
    }
}

// Running status, a tempo change, a program change's two bytes, and a file
// cut anywhere: read as written, or refused without a crash.
TEST(Timeline, HandMadeFilesAndBrokenOnes)
{
    const std::string track = std::string("\x00\xFF\x51\x03\x07\xA1\x20", 7) +     // 120 bpm
                              std::string("\x00\xC3\x05", 3) +                     // program 5 on channel 4
                              std::string("\x00\x93\x3C\x40", 4) +                 // note on
                              std::string("\x83\x60\x3C\x00", 4) +                 // 480 ticks later, running status
                              std::string("\x83\x60\xFF\x51\x03\x0F\x42\x40", 8) + // 60 bpm at 960
                              std::string("\x87\x40\x93\x3E\x40", 5) +             // 960 ticks later
                              std::string("\x00\xFF\x2F\x00", 4);
    const std::uint32_t n = static_cast<std::uint32_t>(track.size());
    const std::string file = std::string("MThd\0\0\0\x06\0\0\0\x01\x03\xC0", 14) + "MTrk" +
                             std::string{static_cast<char>(n >> 24), static_cast<char>(n >> 16),
                                         static_cast<char>(n >> 8), static_cast<char>(n)} +
                             track;
    const std::optional<SmfTimeline> line = ReadSmfTimeline(file);
    ASSERT_TRUE(line);
    ASSERT_EQ(line->Events.size(), 4u);
    EXPECT_EQ(line->Events[0].Size, 2);
    EXPECT_EQ(line->Events[2].Bytes[0], 0x93);
    EXPECT_EQ(line->Events[2].Tick, 480u);
    EXPECT_DOUBLE_EQ(line->Events[2].Seconds, 0.25);
    EXPECT_EQ(line->Events[3].Tick, 1920u);
    EXPECT_DOUBLE_EQ(line->Events[3].Seconds, 0.5 + 1.0);
    EXPECT_EQ(line->TickAt(1.0), 1440u);
    // Frames count each stretch at its own tempo: 0.5 s, then 1 s a quarter.
    EXPECT_EQ(line->FrameOfTick(1920, 48000), 72000u);
    EXPECT_EQ(line->FrameOfTick(1441, 44100), 44100u + 46u); // 1/960 s past 1 s, to the nearest frame
    EXPECT_EQ(line->Channels, 1u << 3);
    for (std::size_t cut = 0; cut < file.size(); ++cut) {
        std::string reason;
        const std::optional<SmfTimeline> part = ReadSmfTimeline(file.substr(0, cut), &reason);
        if (!part) {
            EXPECT_FALSE(reason.empty()) << cut;
        }
    }
    EXPECT_FALSE(ReadSmfTimeline(std::string("MThd\0\0\0\x06\0\0\0\x01\xE7\x28", 14))) << "SMPTE time";
}
