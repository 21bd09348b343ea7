// SPDX-License-Identifier: MIT
// The one piece every command writes and plays: whatever road it takes, the
// file holds exactly the notes it tells (which the keyboard lights and the
// notes table lists), it ends where it says, and a part starts at 0.
#include "music/Piece.h"

#include "SmfReader.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace varimel;

TEST(Piece, FileHoldsTheNotesItTells)
{
    testutil::TempDir dir;
    TXYDataList first, second;
    for (int i = 0; i < 30; ++i) {
        first.Add({static_cast<double>(i), static_cast<double>((i * 7) % 11)});
        if (i % 4 != 1) // the second series misses some lines
            second.Add({static_cast<double>(i), static_cast<double>((i * 5) % 13)});
    }
    MappingRequest plain;
    plain.Program = 5;
    MappingRequest shaped = plain;
    shaped.Shape.Invert = true;
    shaped.Shape.Clip = 5;
    const std::vector<SeriesTrack> one = {{&first, 5, {}}};
    const std::vector<SeriesTrack> two = {{&first, 5, "a"}, {&second, 73, "b"}};
    const std::optional<XSelection> whole;
    const XSelection part{10.5, 20};
    const struct {
        const char* what;
        const std::vector<SeriesTrack>* series; // null: the plain road
        const MappingRequest* request;
        std::optional<XSelection> part;
        std::uint32_t end, shift;
    } rows[] = {
        {"plain", nullptr, &plain, whole, 8 * 3840, 0},   {"plain part", nullptr, &plain, part, 3 * 3840, 11 * 960},
        {"shaped", &one, &shaped, whole, 8 * 3840, 0},    {"shaped part", &one, &shaped, part, 3 * 3840, 11 * 960},
        {"two series", &two, &plain, whole, 8 * 3840, 0}, {"two series part", &two, &plain, part, 3 * 3840, 11 * 960},
    };
    for (const auto& r : rows) {
        const TPiece piece(&first, r.series ? *r.series : std::vector<SeriesTrack>(), *r.request, r.part);
        const std::string path = dir / "piece.mid";
        ASSERT_TRUE(piece.Write(path)) << r.what;
        EXPECT_EQ(piece.End(), r.end) << r.what;
        EXPECT_EQ(piece.Shift(), r.shift) << r.what;
        const smftest::File f = smftest::Parse(smftest::ReadBytes(path));
        ASSERT_EQ(f.tracks.size(), 1 + piece.Notes().size()) << r.what;
        EXPECT_EQ(f.tracks[0].back().tick, piece.End()) << r.what;
        std::size_t count = 0;
        for (std::size_t t = 0; t < piece.Notes().size(); ++t) {
            std::vector<std::tuple<std::uint32_t, int>> written, told;
            // The track's head once: its name, and its instrument (a part
            // keeps it too).
            std::vector<int> programs;
            int names = 0;
            for (const smftest::Event& e : f.tracks[t + 1]) {
                if ((e.bytes[0] & 0xF0) == 0x90)
                    written.emplace_back(e.tick, e.bytes[1]);
                if ((e.bytes[0] & 0xF0) == 0xC0)
                    programs.push_back(e.bytes[1]);
                names += e.bytes[0] == 0xFF && e.bytes[1] == 0x03;
            }
            EXPECT_EQ(programs, std::vector<int>{t == 0 ? 5 : 73}) << r.what << " track " << t;
            EXPECT_EQ(names, 1) << r.what << " track " << t;
            for (const NoteSpan& n : piece.Notes()[t])
                told.emplace_back(n.Start, n.Key);
            std::sort(written.begin(), written.end());
            std::sort(told.begin(), told.end());
            EXPECT_EQ(written, told) << r.what << " track " << t;
            count += told.size();
        }
        EXPECT_EQ(piece.Count(), count) << r.what;
        EXPECT_EQ(piece.AllNotes().size(), count) << r.what;
        // A part starts with its earliest note.
        if (r.part) {
            const std::vector<NoteSpan> all = piece.AllNotes();
            EXPECT_EQ(std::min_element(all.begin(), all.end(),
                                       [](const NoteSpan& a, const NoteSpan& b) { return a.Start < b.Start; })
                          ->Start,
                      0u)
                << r.what;
        }
    }
}

// A part that ends before a long gap ends with its last note, which lasts
// into the gap: the whole piece fits a MIDI file, and so does the part, on
// either road.
TEST(Piece, PartBeforeAGap)
{
    testutil::TempDir dir;
    TXYDataList first, second;
    for (int i = 0; i < 40; ++i) {
        const double x = i < 20 ? i : 200000.0 + i;
        first.Add({x, static_cast<double>(i % 7)});
        second.Add({x, static_cast<double>((i * 3) % 5)});
    }
    MappingRequest request;
    const std::vector<SeriesTrack> two = {{&first, 0, "a"}, {&second, 73, "b"}};
    // The note at X 19 lasts 7/8 of the gap to X 200020.
    const std::uint32_t lastEnd = 19 * 960 + static_cast<std::uint32_t>(0.875 * (200020 - 19) * 960);
    for (const std::vector<SeriesTrack>& series : {std::vector<SeriesTrack>(), two})
        for (const XSelection part : {XSelection{0, 19}, XSelection{5, 19.5}}) {
            const TPiece piece(&first, series, request, part);
            std::string reason;
            EXPECT_TRUE(piece.Write(dir / "part.mid", &reason)) << reason;
            EXPECT_EQ(piece.End(), lastEnd - piece.Shift()) << series.size() << " " << part.From;
        }
}

// A piece longer than one delta can say (0x0FFFFFFF ticks) is written with
// its long deltas split by empty text events: 300,000 records a quarter
// apart (the conductor's one delta 288,000,000 ticks) end where they should,
// and so does a gap longer than that between two notes; the reader finds
// every note where it was.
TEST(Piece, LongerThanOneDelta)
{
    testutil::TempDir dir;
    TXYDataList many, gap;
    for (int i = 0; i < 300000; ++i)
        many.Add({static_cast<double>(i), static_cast<double>(i % 7)});
    gap.Add({0.0, 1.0});
    gap.Add({300000.0, 2.0}); // 288,000,000 ticks later
    const struct {
        const char* what;
        const TXYDataList* data;
        std::uint32_t end;
        std::uint32_t lastNote;
    } rows[] = {
        {"300,000 records", &many, 288000000u, 299999u * 960u},
        {"a long gap", &gap, 288003840u, 288000000u},
    };
    for (const auto& r : rows) {
        MappingRequest request;
        const TPiece piece(r.data, {}, request, std::nullopt);
        ASSERT_TRUE(piece.Write(dir / "long.mid")) << r.what;
        EXPECT_EQ(piece.End(), r.end) << r.what;
        const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "long.mid"));
        ASSERT_EQ(f.tracks.size(), 2u) << r.what;
        EXPECT_EQ(f.tracks[0].back().tick, r.end) << r.what;
        EXPECT_EQ(f.tracks[1].back().tick, r.end) << r.what;
        std::uint32_t last = 0;
        std::size_t notes = 0;
        for (const smftest::Event& e : f.tracks[1])
            if ((e.bytes[0] & 0xF0) == 0x90) {
                last = e.tick;
                ++notes;
            }
        EXPECT_EQ(notes, static_cast<std::size_t>(r.data->Count())) << r.what;
        EXPECT_EQ(last, r.lastNote) << r.what;
    }
}
