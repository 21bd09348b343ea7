// SPDX-License-Identifier: MIT
// The scale catalogue against music theory, the order of the checks, and
// the mapping request's road to a file.
#include "music/Mapping.h"
#include "midi/Standardmidifile.h"
#include "music/Filebuild.h"
#include "music/Generalmidi.h"
#include "music/Parameters.h"
#include "music/Series.h"
#include "music/Shape.h"

#include "DataUtil.h"
#include "SmfReader.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

using namespace varimel;

namespace {

// Steps between neighbouring notes of a scale, closing the octave.
std::vector<int> Steps(const std::array<std::uint8_t, 12>& intervals, int count)
{
    std::vector<int> steps;
    for (int j = 1; j < count; ++j)
        steps.push_back(intervals[static_cast<std::size_t>(j)] - intervals[static_cast<std::size_t>(j - 1)]);
    steps.push_back(12 - intervals[static_cast<std::size_t>(count - 1)]);
    return steps;
}

std::vector<int> Rotated(std::vector<int> steps, int by)
{
    std::rotate(steps.begin(), steps.begin() + by, steps.end());
    return steps;
}

const TMusicalScale& Named(std::string_view name)
{
    for (const TMusicalScale& s : ScaleTable)
        if (s.Name == name)
            return s;
    ADD_FAILURE() << "no scale " << name;
    return ScaleTable[0];
}

} // namespace

// Written from music theory, not from the table: the church modes are the
// rotations of the major scale, the other scales have their known step
// patterns, and every ascending form spans exactly one octave.
TEST(Mapping, ScalesFollowMusicTheory)
{
    const std::vector<int> major = {2, 2, 1, 2, 2, 2, 1};
    struct Case {
        const char* name;
        std::vector<int> ascending;
        std::vector<int> descending; // empty: as ascending
    };
    // clang-format off
    const Case cases[] = {
        {"クロマティックスケール", std::vector<int>(12, 1), {}},
        {"メジャースケール", major, {}},
        {"ドリアンスケール", Rotated(major, 1), {}},
        {"フリジアンスケール", Rotated(major, 2), {}},
        {"リディアンスケール", Rotated(major, 3), {}},
        {"ミクソリディアンスケール", Rotated(major, 4), {}},
        {"ナチュラルマイナースケール", Rotated(major, 5), {}},
        {"ロクリアンスケール", Rotated(major, 6), {}},
        {"ハーモニックマイナースケール", {2, 1, 2, 2, 1, 3, 1}, {}},
        // Melodic minor: raised sixth and seventh going up, natural minor down.
        {"メロディックマイナースケール", {2, 1, 2, 2, 2, 2, 1}, Rotated(major, 5)},
        {"メジャーペンタトニックスケール", {2, 2, 3, 2, 3}, {}},
        {"マイナーペンタトニックスケール", {3, 2, 2, 3, 2}, {}},
        {"ブルーススケール", {3, 2, 1, 1, 3, 2}, {}},
        {"ホールトーンスケール", {2, 2, 2, 2, 2, 2}, {}},
        {"ディミニッシュスケール", {2, 1, 2, 1, 2, 1, 2, 1}, {}},
        {"コンビネーションオブディミニッシュスケール", {1, 2, 1, 2, 1, 2, 1, 2}, {}},
        {"スパニッシュスケール", {1, 2, 1, 1, 2, 1, 2, 2}, {}},
        {"オリエンタルスケール", {2, 1, 3, 1, 1, 3, 1}, {}},
        {"陽旋法", {2, 3, 2, 3, 2}, {2, 3, 2, 2, 3}},
        {"陰旋法", {1, 4, 2, 3, 2}, {1, 4, 2, 1, 4}},
        {"ヨナ抜き短音階", {2, 1, 4, 1, 4}, {}},
        {"琉球音階", {4, 1, 2, 4, 1}, {}},
    };
    // clang-format on
    ASSERT_EQ(std::size(cases), ScaleTable.size()) << "every scale of the catalogue is described here";
    for (const Case& c : cases) {
        const TMusicalScale& s = Named(c.name);
        EXPECT_EQ(std::accumulate(c.ascending.begin(), c.ascending.end(), 0), 12) << c.name;
        ASSERT_EQ(s.NoteCount, c.ascending.size()) << c.name;
        EXPECT_EQ(Steps(s.AscendingIntervals, s.NoteCount), c.ascending) << c.name;
        const std::vector<int>& down = c.descending.empty() ? c.ascending : c.descending;
        EXPECT_EQ(Steps(s.DescendingIntervals, s.NoteCount), down) << c.name;
        EXPECT_EQ(s.HasDescending, !c.descending.empty()) << c.name;
    }
}

// The checks run in a fixed order: when two settings are wrong, the user
// hears of the earlier one.
TEST(Mapping, ChecksComeInTheirOrder)
{
    const TXYDataList data = testutil::SortedData({{0, 1}, {1, 2}});
    const TXYDataList empty;
    struct Case {
        const char* what;
        const TXYDataList* data;
        int scale, low, high;
        const char* dx;
        const char* duration;
        ParameterCheck outcome;
    };
    const int c4 = kDefaultLowTone, c6 = kDefaultHighTone;
    // clang-format off
    const Case cases[] = {
        {"all fine", &data, 1, c4, c6, "1", "0.875", ParameterCheck::Ok},
        {"no data before tones", &empty, 1, c6, c4, "x", "x", ParameterCheck::NoData},
        {"no list at all", nullptr, 1, c4, c6, "1", "1", ParameterCheck::NoData},
        {"tones before numbers", &data, 1, c6, c4, "x", "x", ParameterCheck::ToneRange},
        {"equal tones", &data, 1, c4, c4, "1", "1", ParameterCheck::ToneRange},
        {"nothing selected", &data, 1, -1, c6, "1", "1", ParameterCheck::ToneRange},
        {"numbers before their ranges", &data, 1, c4, c6, "0", "x", ParameterCheck::NumberFormat},
        {"dx before duration", &data, 1, c4, c6, "0", "2", ParameterCheck::DxNotPositive},
        {"negative dx", &data, 1, c4, c6, "-1", "0.5", ParameterCheck::DxNotPositive},
        {"duration 0", &data, 1, c4, c6, "1", "0", ParameterCheck::DurationRange},
        {"duration just above 1", &data, 1, c4, c6, "1", "1.0000001", ParameterCheck::DurationRange},
        {"duration 1 is allowed", &data, 1, c4, c6, "1", "1", ParameterCheck::Ok},
        {"duration before an empty range", &data, 21, ToneOfMidiNote(61), ToneOfMidiNote(62), "1", "2",
         ParameterCheck::DurationRange},
        {"no scale note in range", &data, 21, ToneOfMidiNote(61), ToneOfMidiNote(62), "1", "1",
         ParameterCheck::EmptyRange},
    };
    // clang-format on
    for (const Case& c : cases) {
        const ParameterCheckResult r = CheckMappingParameters(c.data, c.scale, 0, c.low, c.high, c.dx, c.duration);
        EXPECT_EQ(r.Outcome, c.outcome) << c.what;
    }
}

TEST(Mapping, DefaultsAndToneNumbers)
{
    const MappingRequest r;
    EXPECT_EQ(ToneLabel(r.LowTone), "C4");
    EXPECT_EQ(ToneLabel(r.HighTone), "C6");
    EXPECT_EQ(MidiNoteOfTone(0), 21);
    EXPECT_EQ(MidiNoteOfTone(kToneCount - 1), 108);
    EXPECT_EQ(ToneOfMidiNote(60), r.LowTone);
    EXPECT_EQ(ScaleTable[static_cast<std::size_t>(r.Scale)].Name, "メジャースケール");
    EXPECT_EQ(r.Tempo, 120);
    EXPECT_EQ(r.Velocity, 96);
    EXPECT_EQ(r.Duration, 0.875);
    EXPECT_EQ(std::string(kDefaultDurationText), "0.875");
    EXPECT_TRUE(r.WriteProgramChange);
}

// A request builds only with every choice a place in its list: each list's
// ends are in, one past either end is out.
TEST(Mapping, RequestInRangeAtEveryEnd)
{
    const struct {
        int MappingRequest::*field;
        int value;
        bool withProgram, inRange;
    } rows[] = {
        {&MappingRequest::Scale, 0, true, true},
        {&MappingRequest::Scale, kScaleCount - 1, true, true},
        {&MappingRequest::Scale, kScaleCount, true, false},
        {&MappingRequest::Scale, -1, true, false},
        {&MappingRequest::Tonic, 11, true, true},
        {&MappingRequest::Tonic, 12, true, false},
        {&MappingRequest::Tonic, -1, true, false},
        {&MappingRequest::LowTone, 0, true, true},
        {&MappingRequest::LowTone, -1, true, false},
        {&MappingRequest::HighTone, kToneCount - 1, true, true},
        {&MappingRequest::HighTone, kToneCount, true, false},
        {&MappingRequest::Program, 127, true, true},
        {&MappingRequest::Program, 128, true, false},
        {&MappingRequest::Program, -1, true, false},
        {&MappingRequest::Program, 128, false, true},
    };
    for (const auto& row : rows) {
        MappingRequest r;
        r.*row.field = row.value;
        EXPECT_EQ(RequestInRange(r, row.withProgram), row.inRange) << row.value;
    }
}

TEST(Mapping, BuildSmfWritesTheRequest)
{
    testutil::TempDir dir;
    const TXYDataList one = testutil::SortedData({{0, 5}});
    MappingRequest r;
    r.HighTone = ToneOfMidiNote(61);
    ScaleNoteSet set;
    ASSERT_TRUE(BuildSmf(&one, r, dir / "one.mid", set));
    EXPECT_EQ(testutil::ReadFile(dir / "one.mid"),
              testutil::ReadFile(std::string(VARIMEL_GOLDEN_DIR) + "/one-note.mid"));

    // Tempo and velocity outside their ranges go to the nearest bound.
    const TXYDataList walk = testutil::SortedData({{0, 0}, {1, 1}, {2, 2}});
    r = MappingRequest();
    r.Tempo = 500;
    r.Velocity = 0;
    r.Scale = 4;
    r.Tonic = 9;
    r.Program = 29;
    r.WriteProgramChange = false;
    ASSERT_TRUE(BuildSmf(&walk, r, dir / "walk.mid", set));
    const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "walk.mid"));
    ASSERT_EQ(f.error, "");
    ASSERT_EQ(f.tracks.size(), 2u);
    EXPECT_EQ(f.tracks[0][1].bytes, (std::vector<std::uint8_t>{0xFF, 0x51, 3, 0x03, 0xD0, 0x90}));
    EXPECT_EQ(f.tracks[0][2].bytes, (std::vector<std::uint8_t>{0xFF, 0x58, 4, 4, 2, 24, 8}));
    int notes = 0;
    for (const smftest::Event& e : f.tracks[1]) {
        EXPECT_NE(e.bytes[0], 0xC0) << "no program change";
        if (e.bytes[0] == 0x90) {
            ++notes;
            EXPECT_EQ(e.bytes[2], 1);
        }
    }
    EXPECT_EQ(notes, 3);
    EXPECT_EQ(f.tracks[1][1].bytes[2], 12) << "instrument name of program 29";

    // A request outside the catalogue writes nothing.
    struct Bad {
        const char* what;
        void (*spoil)(MappingRequest&);
    };
    // clang-format off
    const Bad bad[] = {
        {"scale", [](MappingRequest& q) { q.Scale = kScaleCount; }},
        {"tonic", [](MappingRequest& q) { q.Tonic = 12; }},
        {"low tone", [](MappingRequest& q) { q.LowTone = -1; }},
        {"high tone", [](MappingRequest& q) { q.HighTone = kToneCount; }},
        {"program", [](MappingRequest& q) { q.Program = kProgramCount; }},
    };
    // clang-format on
    for (const Bad& b : bad) {
        MappingRequest q;
        b.spoil(q);
        EXPECT_FALSE(BuildSmf(&walk, q, dir / "bad.mid", set)) << b.what;
        EXPECT_FALSE(std::filesystem::exists(dir / "bad.mid")) << b.what;
    }
}

// Which keys sound at a tick: a note sounds from its start up to, not
// including, its end; overlapping and repeated keys are listed once.
TEST(Mapping, NoteTimeline)
{
    // A rest (velocity 0) never sounds.
    const NoteTimeline timeline({{0, 840, 60, 96},
                                 {960, 1800, 64, 96},
                                 {960, 1800, 67, 96},
                                 {1920, 3840, 72, 96},
                                 {1920, 2000, 72, 96},
                                 {960, 1800, 50, 0}});
    struct Case {
        std::uint32_t tick;
        std::vector<std::int32_t> keys;
    };
    const Case cases[] = {{0, {60}},  {839, {60}},  {840, {}},    {959, {}},    {960, {64, 67}}, {1799, {64, 67}},
                          {1800, {}}, {1920, {72}}, {1999, {72}}, {3839, {72}}, {3840, {}},      {100000, {}}};
    std::vector<std::int32_t> keys;
    for (const Case& c : cases) {
        timeline.SoundingAt(c.tick, keys);
        EXPECT_EQ(keys, c.keys) << "tick " << c.tick;
    }
    NoteTimeline().SoundingAt(5, keys);
    EXPECT_TRUE(keys.empty());
}

// A large list is mapped while it is written; the file is the one the whole
// event list gives, for scales with and without descending forms, shared X
// values and notes that end where the next begins.
TEST(Mapping, LargeListsWrittenWhileMapped)
{
    testutil::TempDir dir;
    TXYDataList data;
    std::uint32_t seed = 7;
    double x = 0;
    for (int i = 0; i < 70000 + 123; ++i) {
        seed = seed * 1103515245u + 12345u;
        // Runs of one X across the blocks' edges (every 32,768 records), with
        // falling Y, so the notes at the edge must be ordered by key.
        const bool edge = (i + 8) % 32768 < 16;
        x += edge || (seed >> 16) % 4 == 0 ? 0.0 : 0.5 * static_cast<double>((seed >> 18) % 3 + 1);
        data.Add({x, edge ? 10.0 - static_cast<double>((i + 8) % 32768) * 0.5
                          : static_cast<double>((seed >> 8) % 1000) / 100.0});
    }
    // Not sorted again: X already rises, and sorting would turn the edges'
    // falling Y into rising Y.
    // Long runs of one X, so several blocks end on the same tick.
    TXYDataList runs;
    for (int i = 0; i < 140000; ++i)
        runs.Add({static_cast<double>(i / 40000), static_cast<double>((i * 7919) % 1000)});
    runs.Sort();
    // Gaps of every delta-time length: 0, 1, 2, 3 and 4 bytes.
    TXYDataList gaps;
    double gx = 0;
    for (int i = 0; i < 70000; ++i) {
        gaps.Add({gx, static_cast<double>((i * 31) % 17)});
        constexpr double kSteps[] = {0.0, 0.01, 1.0, 0.5};
        gx += i % 2000 == 1999 ? 3000.0 : i % 50 == 3 ? 18.0 : kSteps[i % 4];
    }
    struct Case {
        int scale;
        double duration;
        bool programChange;
    };
    for (const TXYDataList* list : {&data, &runs, &gaps})
        for (const Case& c : {Case{1, 0.875, true}, Case{4, 1.0, false}, Case{18, 0.01, true}, Case{0, 0.5, true}}) {
            const TXYDataList& data = *list;
            ScaleNoteSet streamedSet, wholeSet;
            const std::string streamed = dir / "streamed.mid", whole = dir / "whole.mid";
            ASSERT_TRUE(WriteMappedSmf(streamedSet, &data, streamed, c.scale, 2, 40, 90, 1.0, 100, 90, c.duration, 4, 2,
                                       c.programChange, 5));
            // The same file from the whole list, written as one track.
            TMidiEventList melody(0, "Melody", std::string(GMProgramNames[5]));
            const std::uint32_t end =
                MapDataToNotes(wholeSet, &data, melody, c.scale, 2, 40, 90, 1.0, 90, c.duration, c.programChange, 5);
            ASSERT_GT(end, 0u);
            TMidiEventList conductor(0, "Varimel", "");
            conductor.AddTimeSignature(0, 4, 2, kClocksPerClick);
            conductor.AddTempo(0, 100);
            conductor.AddEndOfTrack(end);
            TSMFWrite writer;
            ASSERT_TRUE(writer.Open(whole, 1) && writer.WriteTrack(conductor) && writer.WriteTrack(melody));
            ASSERT_TRUE(writer.Close());
            EXPECT_TRUE(testutil::SameText(testutil::ReadFile(streamed), testutil::ReadFile(whole)))
                << "scale " << c.scale;
            EXPECT_EQ(streamedSet.PreviousPosition, wholeSet.PreviousPosition);
        }
}

// Records past the first blocks land where they belong: x = i at one tick
// per quarter, y cycling through the seven keys of a seven-key range, so
// every note's start, key and end follow from its record number alone.
TEST(Mapping, EveryBlockPlacesItsOwnRecords)
{
    testutil::TempDir dir;
    constexpr int kRecords = 3 * 32768 + 5;
    TXYDataList data;
    for (int i = 0; i < kRecords; ++i)
        data.Add({static_cast<double>(i), static_cast<double>(i % 7)});
    for (const int records : {40000, kRecords}) { // under and over the size that is written while mapped
        TXYDataList part;
        for (int i = 0; i < records; ++i)
            part.Add(data[static_cast<std::size_t>(i)]);
        ScaleNoteSet set;
        const std::string path = dir / "blocks.mid";
        ASSERT_TRUE(WriteMappedSmf(set, &part, path, 0, 0, 60, 66, 1.0, 120, 96, 0.875, 4, 2, false, 0));
        const smftest::File file = smftest::Parse(smftest::ReadBytes(path));
        ASSERT_EQ(file.error, "");
        ASSERT_EQ(file.tracks.size(), 2u);
        std::vector<std::uint32_t> ons, offs;
        int wrong = 0;
        for (const smftest::Event& e : file.tracks[1]) {
            if (e.bytes[0] != 0x90 && e.bytes[0] != 0x80)
                continue;
            const bool on = e.bytes[0] == 0x90;
            const std::size_t k = on ? ons.size() : offs.size();
            (on ? ons : offs).push_back(e.tick);
            const std::uint32_t tick = static_cast<std::uint32_t>(k) * 960 + (on ? 0 : 840);
            if (e.tick != tick || e.bytes[1] != 60 + k % 7 || e.bytes[2] != (on ? 96 : 0))
                ++wrong;
        }
        EXPECT_EQ(ons.size(), static_cast<std::size_t>(records));
        EXPECT_EQ(offs.size(), static_cast<std::size_t>(records));
        EXPECT_EQ(wrong, 0) << records << " records";
    }
}

// A run of one X across a block's edge (32,768 records): every note of the
// run lasts to the next X, in the streamed file as in the notes the notes
// table and the preview take (the mapping of the whole list), for 300,000
// records.
TEST(Mapping, RunAcrossABlockEdgeAndTheWholeListAgree)
{
    testutil::TempDir dir;
    TXYDataList data;
    for (int i = 0; i < 300000; ++i) {
        const int x = i >= 32760 && i < 32776 ? 32760 : i < 32760 ? i : i - 15;
        data.Add({static_cast<double>(x), static_cast<double>(i % 5)});
    }
    MappingRequest request;
    request.DxPQN = 2.0; // half a quarter a step: 300,000 steps fit a MIDI file
    const std::string path = dir / "run.mid";
    ScaleNoteSet set;
    ASSERT_TRUE(BuildSmf(&data, request, path, set));
    const smftest::File file = smftest::Parse(smftest::ReadBytes(path));
    ASSERT_EQ(file.error, "");
    // Note-ons and their note-offs, matched by key in order.
    std::vector<NoteSpan> written;
    for (const smftest::Note& n : smftest::Notes(file.tracks[1]))
        written.push_back({n.start, n.end, static_cast<std::uint8_t>(n.key)});
    ASSERT_EQ(written.size(), 300000u);
    int shortRun = 0;
    for (const NoteSpan& n : written)
        if (n.Start == 32760u * 480 && n.End != n.Start + 420)
            ++shortRun;
    EXPECT_EQ(shortRun, 0) << "each note of the run lasts to the next X";
    std::vector<NoteSpan> mapped = MappedNotes(&data, request);
    ASSERT_EQ(mapped.size(), written.size());
    const auto order = [](const NoteSpan& a, const NoteSpan& b) {
        return std::tie(a.Start, a.Key, a.End) < std::tie(b.Start, b.Key, b.End);
    };
    std::sort(mapped.begin(), mapped.end(), order);
    std::sort(written.begin(), written.end(), order);
    int differ = 0;
    for (std::size_t i = 0; i < mapped.size(); ++i)
        differ +=
            mapped[i].Start != written[i].Start || mapped[i].End != written[i].End || mapped[i].Key != written[i].Key;
    EXPECT_EQ(differ, 0);
}

// A band's lower edge is exactly the lowest value the mapping places in it:
// the value just below is in the band under it; the ends are the range's.
TEST(Mapping, ScalePositionEdgesAreExact)
{
    const struct {
        double minY, maxY;
        int n;
    } ranges[] = {{0, 1, 3}, {-7.3, 12.9, 15}, {1e-9, 3e-9, 7}, {-1e300, 1e300, 29}, {0.1, 0.7, 6}};
    for (const auto& r : ranges) {
        const long double span = static_cast<long double>(r.maxY) - r.minY;
        EXPECT_EQ(ScalePositionEdge(0, r.minY, r.maxY, r.n), r.minY);
        EXPECT_EQ(ScalePositionEdge(-1, r.minY, r.maxY, r.n), r.minY);
        EXPECT_EQ(ScalePositionEdge(r.n, r.minY, r.maxY, r.n), r.maxY);
        EXPECT_EQ(ScalePositionEdge(2, r.minY, r.minY, r.n), r.minY) << "an empty range";
        for (int p = 1; p < r.n; ++p) {
            const double edge = ScalePositionEdge(p, r.minY, r.maxY, r.n);
            EXPECT_EQ(ScalePositionOf(edge, r.minY, r.maxY, span, r.n), p) << r.minY << " " << p;
            EXPECT_EQ(ScalePositionOf(std::nextafter(edge, r.minY), r.minY, r.maxY, span, r.n), p - 1)
                << r.minY << " " << p;
        }
    }
}

// Where the processor has fused multiply-add, the mapping settles most
// values in doubles: every note must be the one the extended precision
// gives, on data that lands on tick and band edges (evenly spaced X, Y on
// and beside the scale's band edges, integer Y), on X far from its origin,
// on steps no binary fraction states, and on a series among others with a
// given range, shares of the gap and an inverted mapping.
TEST(Mapping, DoublesGiveTheExtendedNotes)
{
    if (!UseMappingShortcut(true))
        GTEST_SKIP() << "no fused multiply-add on this processor: the mapping has no shortcut";
    std::mt19937_64 random(17);
    const auto list = [](const std::vector<XYData>& points) {
        TXYDataList data;
        for (const XYData& p : points)
            data.Add(p);
        data.Sort();
        return data;
    };
    MappingRequest plain;
    plain.DxPQN = 1.0;
    std::vector<XYData> even, edges, far, decimal, integers, offset;
    for (int i = 0; i < 20000; ++i) {
        offset.push_back({0.1 + i / 1024.0, static_cast<double>(i % 17)});
        even.push_back({i * 0.25, std::sin(i * 0.01) * 7});
        integers.push_back({static_cast<double>(i), static_cast<double>(random() % 101)});
        far.push_back({1.7e9 + i * 1e-3, static_cast<double>(random() % 1000) / 7});
        decimal.push_back({i * 0.1, i * 0.3});
    }
    // Y on every band edge of the default scale over [-3, 5], and one unit
    // of the last place either side of it.
    ScaleNoteSet set;
    const int n = BuildNoteSet(set, plain.Scale, static_cast<std::uint8_t>(plain.Tonic), MidiNoteOfTone(plain.LowTone),
                               MidiNoteOfTone(plain.HighTone));
    double x = 0;
    for (int p = 0; p <= n; ++p) {
        const double edge = ScalePositionEdge(p, -3, 5, n);
        for (const double y : {std::nextafter(edge, -10.0), edge, std::nextafter(edge, 10.0)})
            edges.push_back({x += 0.5, y});
    }
    edges.push_back({x += 0.5, -3});
    edges.push_back({x += 0.5, 5});
    struct Case {
        const char* what;
        std::vector<XYData> points;
        double dx, duration;
    };
    const std::vector<Case> cases = {
        {"evenly spaced X, whole ticks", even, 1.0, 0.875},
        {"a step no binary fraction states", even, 0.3, 0.9},
        {"integer Y", integers, 2.0, 0.5},
        {"X far from its origin", far, 0.001, 0.875},
        {"tenths of X", decimal, 0.1, 0.7},
        {"Y on the band edges", edges, 0.5, 0.875},
        {"X from an origin of low bits, 1024 ticks per X", offset, 0.9375, 0.875},
    };
    const auto both = [](const auto& make) {
        UseMappingShortcut(false);
        const auto extended = make();
        UseMappingShortcut(true);
        return std::pair(extended, make());
    };
    const auto same = [](const std::vector<NoteSpan>& a, const std::vector<NoteSpan>& b) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(), [](const NoteSpan& p, const NoteSpan& q) {
                   return p.Start == q.Start && p.End == q.End && p.Key == q.Key && p.Velocity == q.Velocity;
               });
    };
    for (const Case& c : cases) {
        const TXYDataList data = list(c.points);
        MappingRequest r = plain;
        r.DxPQN = c.dx;
        r.Duration = c.duration;
        const auto [extended, doubles] = both([&] { return MappedNotes(&data, r); });
        ASSERT_FALSE(extended.empty()) << c.what;
        EXPECT_TRUE(same(extended, doubles)) << c.what;
        // The same data as one series among others, shaped.
        const std::vector<TXYDataList> more{list({{c.points.front().X, 1}, {c.points.back().X + 0.05, 2}})};
        const TXYDataList& other = more.front();
        BesideColumn shares;
        shares.Column = 3;
        for (std::size_t i = 0; i < c.points.size(); ++i)
            shares.Take(static_cast<double>(random() % 1000));
        shares.Values = {std::vector<double>(c.points.size()), std::vector<double>(other.Count())};
        for (double& v : shares.Values[0])
            v = static_cast<double>(random() % 1000);
        for (const bool invert : {false, true}) {
            MappingRequest shaped = r;
            shaped.Shape.Invert = invert;
            shaped.Shape.FixedRange = true;
            shaped.Shape.RangeLow = -1;
            shaped.Shape.RangeHigh = 3;
            shaped.Shape.DurationColumn = 3;
            const std::vector<SeriesTrack> tracks = TracksOf(data, more, shaped, {}, nullptr, &shares);
            const auto [framed, framedDoubles] =
                both([&] { return SeriesNotes(tracks, shaped, FramesOf(tracks, shaped)).front(); });
            ASSERT_FALSE(framed.empty()) << c.what;
            EXPECT_TRUE(same(framed, framedDoubles)) << c.what << " among others" << (invert ? ", inverted" : "");
        }
    }
}
