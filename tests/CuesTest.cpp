// SPDX-License-Identifier: MIT
// The sounds beside the notes, read back from the file by the independent
// reader: ticks where X says (calendar steps included), reference tones in
// the band of their value, a figure at every crossing, stereo from left to
// right, and a part that keeps exactly the cues inside it.
#include "music/Cues.h"
#include "music/Piece.h"

#include "data/Dates.h"

#include "SmfReader.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace varimel;

namespace {

// The notes of a track as "tick:channel:note:velocity".
std::vector<std::string> NotesOf(const std::vector<smftest::Event>& track)
{
    std::vector<std::string> notes;
    for (const smftest::Event& e : track)
        if ((e.bytes[0] & 0xF0) == 0x90 && e.bytes[2] > 0)
            notes.push_back(std::to_string(e.tick) + ":" + std::to_string(e.bytes[0] & 0x0F) + ":" +
                            std::to_string(e.bytes[1]) + ":" + std::to_string(e.bytes[2]));
    return notes;
}

std::vector<std::string> MarkersOf(const std::vector<smftest::Event>& track)
{
    std::vector<std::string> markers;
    for (const smftest::Event& e : track)
        if (e.bytes[0] == 0xFF && e.bytes[1] == 0x06)
            markers.push_back(std::to_string(e.tick) + ":" + std::string(e.bytes.begin() + 3, e.bytes.end()));
    return markers;
}

std::string TrackName(const std::vector<smftest::Event>& track)
{
    for (const smftest::Event& e : track)
        if (e.bytes[0] == 0xFF && e.bytes[1] == 0x03)
            return std::string(e.bytes.begin() + 3, e.bytes.end());
    return {};
}

} // namespace

// Ticks fall at the first X and every step after it (⌊(x1 − x0)/step⌋ + 1 of
// them), or on calendar boundaries; a major one every N, or at the natural
// larger unit; too many, or a calendar step without dates, are refused.
TEST(Cues, TicksAlongX)
{
    const double jan31 = static_cast<double>(DaysFromCivil(2024, 1, 31));
    const double mar3 = static_cast<double>(DaysFromCivil(2024, 3, 3));
    const auto request = [](double step, TickUnit unit, int major) {
        CueRequest c;
        c.TickStep = step;
        c.Unit = unit;
        c.MajorEvery = major;
        return c;
    };
    const struct {
        CueRequest cues;
        bool dates;
        double x0, x1;
        std::vector<std::string> ticks; // label, "*" before a major one
        CueRefusal::Kind refused;
    } rows[] = {
        {request(10, TickUnit::Number, 0), false, 3, 45, {"*3", "13", "23", "33", "43"}, CueRefusal::Kind::None},
        {request(10, TickUnit::Number, 2), false, 3, 43, {"*3", "13", "*23", "33", "*43"}, CueRefusal::Kind::None},
        {request(0.5, TickUnit::Number, 0), false, 0, 1, {"*0", "0.5", "1"}, CueRefusal::Kind::None},
        // Month starts from the end of January of a leap year; a week's
        // Mondays; each day with the 1st of a month major.
        {request(0, TickUnit::Month, 0),
         true,
         jan31,
         jan31 + 400,
         {"2024-02", "2024-03", "2024-04", "2024-05", "2024-06", "2024-07", "2024-08", "2024-09", "2024-10", "2024-11",
          "2024-12", "*2025-01", "2025-02", "2025-03"},
         CueRefusal::Kind::None},
        {request(0, TickUnit::Day, 0),
         true,
         static_cast<double>(DaysFromCivil(2024, 2, 27)),
         mar3,
         {"2024-02-27", "2024-02-28", "2024-02-29", "*2024-03-01", "2024-03-02", "2024-03-03"},
         CueRefusal::Kind::None},
        {request(0, TickUnit::Week, 0),
         true,
         jan31,
         jan31 + 20,
         {"*2024-02-05", "2024-02-12", "2024-02-19"},
         CueRefusal::Kind::None},
        {request(0, TickUnit::Year, 0), true, jan31, jan31 + 366 * 2, {"2025", "2026"}, CueRefusal::Kind::None},
        {request(1, TickUnit::Number, 0), false, 0, 500, {}, CueRefusal::Kind::TooManyTicks},
        {request(1, TickUnit::Number, 0), false, 0, 499, std::vector<std::string>(), CueRefusal::Kind::None},
        {request(0, TickUnit::Month, 0), false, 0, 100, {}, CueRefusal::Kind::DateUnitWithoutDates},
        {request(0, TickUnit::Day, 0), true, 0, 600, {}, CueRefusal::Kind::TooManyTicks},
    };
    for (const auto& r : rows) {
        CueRefusal refusal;
        const std::vector<XTick> ticks = TicksOf(r.cues, r.dates, r.x0, r.x1, &refusal);
        EXPECT_EQ(refusal.What, r.refused) << r.x0 << ".." << r.x1;
        if (r.refused != CueRefusal::Kind::None || r.ticks.empty()) {
            if (r.refused == CueRefusal::Kind::None) {
                EXPECT_EQ(ticks.size(), 500u);
            }
            continue;
        }
        std::vector<std::string> labels;
        for (const XTick& t : ticks)
            labels.push_back((t.Major ? "*" : "") + t.Label);
        EXPECT_EQ(labels, r.ticks) << r.x0 << ".." << r.x1;
    }
    CueRefusal many;
    TicksOf(request(1, TickUnit::Number, 0), false, 0, 1000, &many);
    EXPECT_EQ(many.Count, 1001u);
    EXPECT_EQ(CueRefusalText(many, Language::English), "1001 ticks are more than 500; try a step of 5.");
}

// Each cue kind in the file, against a list worked out by hand: ticks every
// 4 X from X 2 with a major one (and its marker) every 2; a reference held
// at the note of 5's band; a rising and a falling figure where Y crosses 5
// (the missing line at X 6 is no crossing); the chime after the last note;
// a gap tone where the series misses a line. A part keeps what starts in it.
TEST(Cues, EachKindWhereItBelongs)
{
    testutil::TempDir dir;
    // X 2..12, Y rises above 5 at X 5, falls back at X 9; the second series
    // has a value at X 6 where the first has none.
    TXYDataList first, second;
    for (const auto& [x, y] : std::vector<std::pair<double, double>>{
             {2, 0}, {3, 2}, {4, 4}, {5, 6}, {7, 8}, {8, 10}, {9, 4}, {10, 1}, {11, 0}, {12, 3}})
        first.Add({x, y});
    for (int x = 2; x <= 12; ++x)
        second.Add({static_cast<double>(x), 1.0});
    MappingRequest r;
    r.Cues.TickStep = 4;
    r.Cues.MajorEvery = 2;
    r.Cues.RefY = {5};
    r.Cues.MarkY = 5;
    r.Cues.Ends = true;
    r.Cues.Gaps = true;
    r.Cues.English = true;
    const std::vector<SeriesTrack> series = {{&first, 0, "a"}, {&second, 0, "b"}};
    // Band of 5 over 0..10 in C major C4..C6: position 7 of 15, C5 (72).
    const TPiece piece(&first, series, r, std::nullopt);
    ASSERT_FALSE(piece.CueProblem());
    ASSERT_TRUE(piece.Write(dir / "cues.mid"));
    const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "cues.mid"));
    ASSERT_EQ(f.tracks.size(), 6u);
    EXPECT_EQ(TrackName(f.tracks[3]), "Ticks");
    EXPECT_EQ(NotesOf(f.tracks[3]), (std::vector<std::string>{"0:9:77:72", "3840:9:76:48", "7680:9:77:72"}));
    EXPECT_EQ(MarkersOf(f.tracks[3]), (std::vector<std::string>{"0:2", "7680:10"}));
    EXPECT_EQ(TrackName(f.tracks[4]), "Reference");
    EXPECT_EQ(NotesOf(f.tracks[4]), (std::vector<std::string>{"0:2:72:40"}));
    EXPECT_EQ(TrackName(f.tracks[5]), "Marks");
    // Crossings at X 5 (up) and X 9 (down), the gap at X 6, the chime at the
    // last note's end (X 12 plus 0.875 of a quarter).
    EXPECT_EQ(NotesOf(f.tracks[5]), (std::vector<std::string>{"2880:3:84:90", "3120:3:91:90", "3840:3:48:50",
                                                              "6720:3:91:90", "6960:3:84:90", "10440:3:96:64"}));
    // Every track ends with the piece.
    for (const auto& track : f.tracks)
        EXPECT_EQ(track.back().tick, piece.End());

    // A part from X 4 to 9: its notes start at X 4, and so do its cues.
    const TPiece part(&first, series, r, XSelection{4, 9});
    ASSERT_TRUE(part.Write(dir / "part.mid"));
    const smftest::File p = smftest::Parse(smftest::ReadBytes(dir / "part.mid"));
    ASSERT_EQ(p.tracks.size(), 6u);
    EXPECT_EQ(part.Shift(), 1920u);
    EXPECT_EQ(NotesOf(p.tracks[3]), (std::vector<std::string>{"1920:9:76:48"}));
    EXPECT_EQ(NotesOf(p.tracks[4]), (std::vector<std::string>{"0:2:72:40"}));
    EXPECT_EQ(NotesOf(p.tracks[5]).front(), "960:3:84:90");

    // A value outside the mapped range is refused with the range.
    MappingRequest outside = r;
    outside.Cues.RefY = {11};
    const TPiece refused(&first, series, outside, std::nullopt);
    ASSERT_TRUE(refused.CueProblem());
    EXPECT_EQ(CueRefusalText(*refused.CueProblem(), Language::English),
              "The reference value 11 is outside the mapped range 0 to 10.");
    EXPECT_FALSE(refused.Write(dir / "refused.mid"));
}

// The number of crossing figures is the number of sign changes of y − V.
TEST(Cues, CrossingsAreSignChanges)
{
    std::vector<double> ys;
    for (int i = 0; i < 200; ++i)
        ys.push_back(std::sin(i * 0.37) * 10 + std::cos(i * 0.11) * 3);
    TXYDataList data;
    for (std::size_t i = 0; i < ys.size(); ++i)
        data.Add({static_cast<double>(i), ys[i]});
    for (const double v : {-5.0, 0.0, 2.5, 12.0}) {
        int changes = 0;
        for (std::size_t i = 1; i < ys.size(); ++i)
            changes += (ys[i] > v) != (ys[i - 1] > v);
        CueRequest cues;
        cues.MarkY = v;
        CueInputs in;
        in.First = &data;
        in.End = 200 * 960;
        const std::optional<std::vector<CueTrack>> tracks = CueTracks(cues, in, nullptr);
        ASSERT_TRUE(tracks && tracks->size() == 1);
        EXPECT_EQ(tracks->front().Notes.size(), static_cast<std::size_t>(2 * changes)) << v;
    }
}

// Stereo by X runs from 64 − 63·w/100 to 64 + 63·w/100 and never back; by
// series each track has its own place; a lone position stays in the middle.
TEST(Cues, StereoAcrossXOrSeries)
{
    testutil::TempDir dir;
    TXYDataList a, b, c;
    for (int i = 0; i < 40; ++i) {
        a.Add({static_cast<double>(i), static_cast<double>(i % 9)});
        b.Add({static_cast<double>(i), static_cast<double>(i % 4)});
        c.Add({static_cast<double>(i), static_cast<double>(i % 5)});
    }
    for (const int width : {100, 50, 0}) {
        MappingRequest r;
        r.Cues.Pan = PanMode::X;
        r.Cues.PanWidth = width;
        const TPiece piece(&a, {{&a, 0, {}}}, r, std::nullopt);
        ASSERT_TRUE(piece.Write(dir / "x.mid"));
        const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "x.mid"));
        std::vector<int> pans;
        for (const smftest::Event& e : f.tracks[1])
            if ((e.bytes[0] & 0xF0) == 0xB0 && e.bytes[1] == 10)
                pans.push_back(e.bytes[2]);
        ASSERT_EQ(pans.size(), 40u);
        EXPECT_TRUE(std::is_sorted(pans.begin(), pans.end())) << width;
        EXPECT_EQ(pans.front(), static_cast<int>(std::lround(64 - 63.0 * width / 100))) << width;
        EXPECT_EQ(pans.back(), static_cast<int>(std::lround(64 + 63.0 * width / 100))) << width;
    }
    MappingRequest r;
    r.Cues.Pan = PanMode::Series;
    const TPiece three(&a, {{&a, 0, {}}, {&b, 0, {}}, {&c, 0, {}}}, r, std::nullopt);
    ASSERT_TRUE(three.Write(dir / "s.mid"));
    const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "s.mid"));
    std::vector<int> places;
    for (std::size_t t = 1; t < f.tracks.size(); ++t)
        for (const smftest::Event& e : f.tracks[t])
            if ((e.bytes[0] & 0xF0) == 0xB0 && e.bytes[1] == 10)
                places.push_back(e.bytes[2]);
    EXPECT_EQ(places, (std::vector<int>{1, 64, 127}));
    EXPECT_EQ(PanValue(0.5, 100), 64);
}

// The legend: each series' instrument at the middle note, a beat each with
// a marker of its name, then the piece a beat per series later; a part
// plays it first too, and its X still stands where it did.
TEST(Cues, LegendComesFirst)
{
    testutil::TempDir dir;
    TXYDataList a, b;
    for (int x = 0; x < 4; ++x) {
        a.Add({static_cast<double>(x), static_cast<double>(x)});
        b.Add({static_cast<double>(x), static_cast<double>(3 - x)});
    }
    MappingRequest r;
    r.Cues.Legend = true;
    const std::vector<SeriesTrack> series = {{&a, 0, "rain"}, {&b, 40, "sun"}};
    for (const std::optional<XSelection> part : {std::optional<XSelection>(), std::optional(XSelection{1, 2})}) {
        const TPiece piece(&a, series, r, part);
        ASSERT_TRUE(piece.Write(dir / "legend.mid"));
        const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "legend.mid"));
        ASSERT_EQ(f.tracks.size(), 4u);
        EXPECT_EQ(TrackName(f.tracks[3]), "凡例");
        EXPECT_EQ(NotesOf(f.tracks[3]), (std::vector<std::string>{"0:0:72:90", "960:1:72:90"}));
        EXPECT_EQ(MarkersOf(f.tracks[3]), (std::vector<std::string>{"0:rain", "960:sun"}));
        // The first note after the legend, at the X the part (or piece) starts.
        EXPECT_EQ(NotesOf(f.tracks[1]).front(), part ? "1920:0:69:96" : "1920:0:60:96");
        EXPECT_DOUBLE_EQ(XOfTick(piece.OriginX(), r.DxPQN, 1920 + piece.Shift()), part ? 1.0 : 0.0);
    }
}
