// SPDX-License-Identifier: MIT
#include "music/Mapping.h"

#include "music/Generalmidi.h"

#include "DataUtil.h"

#include <gtest/gtest.h>

#include <optional>

#include <vector>

using namespace varimel;

namespace {

std::vector<int> Ascending(const ScaleNoteSet& s) { return {s.Ascending.begin(), s.Ascending.begin() + s.Count}; }
std::vector<int> Descending(const ScaleNoteSet& s) { return {s.Descending.begin(), s.Descending.begin() + s.Count}; }
std::vector<int> Listed(const ScaleNoteSet& s)
{
    std::int32_t out[128];
    const int n = ListNotes(s, out);
    return {out, out + n};
}

struct Note {
    std::uint32_t start, length;
    int key;
};

// The notes of a melody list, in the order they were added.
std::vector<Note> NotesOf(const TMidiEventList& list)
{
    std::vector<Note> notes;
    for (std::size_t i = 0; i < static_cast<std::size_t>(list.Count()); ++i) {
        const TMidiEvent& on = list[i];
        if ((on.Data()[0] & 0xF0) != kNoteOn)
            continue;
        const TMidiEvent& off = list[i + 1];
        notes.push_back({on.Time, off.Time - on.Time, on.Data()[1]});
    }
    return notes;
}

} // namespace

TEST(Scale, CatalogueShape)
{
    int withDescending = 0;
    for (const TMusicalScale& s : ScaleTable) {
        ASSERT_GE(s.NoteCount, 5);
        ASSERT_LE(s.NoteCount, 12);
        EXPECT_EQ(s.AscendingIntervals[0], 0) << s.Name;
        for (int j = 1; j < s.NoteCount; ++j) {
            EXPECT_LT(s.AscendingIntervals[j - 1], s.AscendingIntervals[j]) << s.Name;
            EXPECT_LE(s.DescendingIntervals[j], s.AscendingIntervals[j]) << s.Name;
        }
        withDescending += s.HasDescending;
    }
    EXPECT_EQ(withDescending, 3);
    EXPECT_EQ(ScaleTable[0].Name, "クロマティックスケール");
    EXPECT_EQ(ScaleTable[21].Name, "琉球音階");
    EXPECT_EQ(ToneNames[10], "B\u266D");
}

TEST(Scale, ToneLabels)
{
    struct Case {
        int k;
        const char* label;
    };
    for (const Case& c : {Case{0, "A0"}, Case{1, "B♭0"}, Case{2, "B0"}, Case{3, "C1"}, Case{4, "C#1"}, Case{39, "C4"},
                          Case{42, "E♭4"}, Case{63, "C6"}, Case{87, "C8"}}) {
        EXPECT_EQ(ToneLabel(c.k), c.label);
        EXPECT_EQ(ToneIndexOfLabel(c.label), c.k);
    }
    EXPECT_EQ(ToneIndexOfLabel("Bb0"), 1);
    EXPECT_EQ(ToneIndexOfLabel("Eb4"), 42);
    EXPECT_EQ(ToneIndexOfLabel("Ab3"), 35);
    EXPECT_FALSE(ToneIndexOfLabel("G#0"));
    EXPECT_FALSE(ToneIndexOfLabel("C#8"));
    EXPECT_FALSE(ToneIndexOfLabel("H2"));
}

TEST(Scale, BuildNoteSet)
{
    struct Case {
        int scale, tonic, low, high;
        std::vector<int> ascending, descending, listed;
    };
    // clang-format off
    const Case cases[] = {
        {1, 0, 60, 72, {60, 62, 64, 65, 67, 69, 71, 72}, {60, 62, 64, 65, 67, 69, 71, 72},
         {60, 62, 64, 65, 67, 69, 71, 72}},
        {4, 9, 57, 69, {57, 59, 60, 62, 64, 66, 68, 69}, {57, 59, 60, 62, 64, 65, 67, 69},
         {57, 59, 60, 62, 64, 66, 65, 68, 67, 69}},
        {18, 2, 60, 74, {62, 64, 67, 69, 72, 74}, {62, 64, 67, 69, 71, 74}, {62, 64, 67, 69, 72, 71, 74}},
        {3, 0, 21, 22, {}, {}, {}},
        {0, 0, 21, 108, {}, {}, {}}, // filled below: all 88 keys
    };
    // clang-format on
    for (const Case& c : cases) {
        ScaleNoteSet set;
        set.PreviousPosition = 9;
        const int n = BuildNoteSet(set, c.scale, static_cast<std::uint8_t>(c.tonic), static_cast<std::uint8_t>(c.low),
                                   static_cast<std::uint8_t>(c.high));
        EXPECT_EQ(set.PreviousPosition, 9) << "left alone";
        if (c.scale == 0) {
            EXPECT_EQ(n, 88);
            EXPECT_EQ(Listed(set).size(), 88u);
            continue;
        }
        EXPECT_EQ(n, static_cast<int>(c.ascending.size()));
        EXPECT_EQ(Ascending(set), c.ascending);
        EXPECT_EQ(Descending(set), c.descending);
        EXPECT_EQ(Listed(set), c.listed);
    }
    // Melodic minor on C over A4..C6: the pair (69, 68) is dropped because
    // its descending form lies below the range.
    ScaleNoteSet set;
    EXPECT_EQ(BuildNoteSet(set, 4, 0, 69, 84), 9);
    EXPECT_EQ(set.Ascending[0], 71);
    EXPECT_EQ(set.Descending[0], 70);
}

TEST(Scale, NoteAt)
{
    ScaleNoteSet set;
    EXPECT_EQ(set.Count, 128);
    EXPECT_EQ(NoteAt(set, 5, false), 5);
    BuildNoteSet(set, 4, 9, 57, 69); // melodic minor on A
    set.PreviousPosition = 5;
    EXPECT_EQ(NoteAt(set, 3, true), set.Descending[3]);
    EXPECT_EQ(NoteAt(set, 5, true), set.Ascending[5]);
    EXPECT_EQ(NoteAt(set, 6, true), set.Ascending[6]);
    EXPECT_EQ(NoteAt(set, 3, false), set.Ascending[3]);
    EXPECT_EQ(NoteAt(set, -1, true), 0);
    EXPECT_EQ(NoteAt(set, 8, true), 127);
    BuildNoteSet(set, 3, 0, 21, 22);
    EXPECT_EQ(NoteAt(set, -1, false), 0);
    EXPECT_EQ(NoteAt(set, 0, false), 127);
}

TEST(Scale, KeySignatures)
{
    struct Case {
        int scale, tonic, sf, minor;
    };
    for (const Case& c : {Case{1, 2, 2, 0}, Case{2, 9, 0, 1}, Case{2, 3, 6, 1}, Case{13, 5, 0, 0}, Case{1, 1, -5, 0},
                          Case{1, 6, 6, 0}, Case{0, 7, 0, 0}, Case{19, 0, -3, 1}}) {
        const KeySignature k = KeySignatureOf(c.scale, c.tonic);
        EXPECT_EQ(k.SharpsFlats, c.sf) << c.scale << "/" << c.tonic;
        EXPECT_EQ(k.Minor, c.minor) << c.scale << "/" << c.tonic;
    }
}

TEST(Scale, ProgramNames)
{
    EXPECT_EQ(GMProgramNames[0], "Piano 1");
    EXPECT_EQ(GMProgramNames[29], "Overdrive Gt");
    EXPECT_EQ(GMProgramNames[30], "DistortionGt");
    EXPECT_EQ(GMProgramNames[87], "Bass & Lead");
    EXPECT_EQ(GMProgramNames[127], "Gun Shot");
    EXPECT_EQ(ProgramEntry(0), "001: Piano 1");
    EXPECT_EQ(ProgramEntry(127), "128: Gun Shot");
}

// Mapping cases with an X increment of 1 and a duration of 0.875 unless the
// case says otherwise; the major scale on C over C4..C5 unless stated.
TEST(Scale, MapDataToNotes)
{
    struct Case {
        const char* what;
        std::vector<std::pair<double, double>> xy;
        double dx = 1, duration = 0.875;
        int scale = 1, tonic = 0, low = 60, high = 72;
        std::uint32_t end;
        std::vector<Note> notes;
    };
    // clang-format off
    const Case cases[] = {
        {"one record", {{0, 5}}, 1, 0.875, 1, 0, 60, 72, 3840, {{0, 840, 67}}},
        {"four on the beat", {{0, 0}, {1, 1}, {2, 2}, {3, 3}}, 1, 0.875, 1, 0, 60, 72, 3840,
         {{0, 840, 60}, {960, 840, 64}, {1920, 840, 69}, {2880, 840, 72}}},
        {"five: next bar", {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}}, 1, 0.875, 1, 0, 60, 72, 7680,
         {{0, 840, 67}, {960, 840, 67}, {1920, 840, 67}, {2880, 840, 67}, {3840, 840, 67}}},
        {"shared first X", {{0, 0}, {0, 1}, {1, 2}}, 1, 0.875, 1, 0, 60, 72, 3840,
         {{0, 840, 60}, {0, 840, 67}, {960, 840, 72}}},
        {"shared last X", {{0, 0}, {1, 1}, {1, 2}}, 1, 0.875, 1, 0, 60, 72, 3840,
         {{0, 840, 60}, {960, 840, 67}, {960, 840, 72}}},
        {"extended precision", {{0, 0}, {0.1, 0}, {0.2, 0}, {0.3, 0}}, 0.1, 0.875, 1, 0, 60, 72, 3840,
         {{0, 840, 67}, {960, 840, 67}, {1920, 840, 67}, {2879, 840, 67}}},
        {"melodic minor turns", {{0, 6.5}, {1, 5.5}, {2, 5.5}, {3, 8}, {4, 0}}, 1, 0.875, 4, 9, 57, 69, 7680,
         {{0, 840, 68}, {960, 840, 65}, {1920, 840, 66}, {2880, 840, 69}, {3840, 840, 57}}},
        {"duration 1", {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, 1, 1.0, 1, 0, 60, 72, 3840,
         {{0, 960, 67}, {960, 960, 67}, {1920, 960, 67}, {2880, 960, 67}}},
        {"tiny gap", {{0, 0}, {1e-9, 0}}, 1, 0.875, 1, 0, 60, 72, 3840, {{0, 1, 67}, {0, 840, 67}}},
        // 960 * 0.3 is 287.99999999999997 in doubles: the length rounds to 288.
        {"last note rounds", {{0, 0}}, 1, 0.3, 1, 0, 60, 72, 3840, {{0, 288, 67}}},
        {"lengths round half up, starts truncate", {{0, 0}, {8, 0}}, 1024, 1.0, 1, 0, 60, 72, 3840,
         {{0, 8, 67}, {7, 960, 67}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        const TXYDataList data = testutil::SortedData(c.xy);
        ScaleNoteSet set;
        TMidiEventList melody(0, "Melody", "Piano 1");
        const std::uint32_t end = MapDataToNotes(set, &data, melody, c.scale, static_cast<std::uint8_t>(c.tonic),
                                                 static_cast<std::uint8_t>(c.low), static_cast<std::uint8_t>(c.high),
                                                 c.dx, 96, c.duration, true, 0);
        EXPECT_EQ(end, c.end) << c.what;
        const std::vector<Note> notes = NotesOf(melody);
        ASSERT_EQ(notes.size(), c.notes.size()) << c.what;
        for (std::size_t i = 0; i < notes.size(); ++i) {
            EXPECT_EQ(notes[i].start, c.notes[i].start) << c.what << " note " << i;
            EXPECT_EQ(notes[i].length, c.notes[i].length) << c.what << " note " << i;
            EXPECT_EQ(notes[i].key, c.notes[i].key) << c.what << " note " << i;
        }
    }
}

TEST(Scale, MapDataToNotesProducesNothing)
{
    struct Case {
        const char* what;
        std::vector<std::pair<double, double>> xy;
        double dx;
        double duration;
    };
    // clang-format off
    const Case cases[] = {
        {"no data", {}, 1, 0.875},
        {"X increment 0", {{0, 0}}, 0, 0.875},
        {"start beyond 32 bits", {{0, 0}, {1e7, 0}}, 1, 0.875},
        {"bar end beyond 32 bits", {{0, 0}, {4473923.1, 0}}, 1, 0.875}, // every note fits, the bar line does not
    };
    // clang-format on
    for (const Case& c : cases) {
        const TXYDataList data = testutil::SortedData(c.xy);
        ScaleNoteSet set;
        TMidiEventList melody(0, "Melody", "Piano 1");
        EXPECT_EQ(MapDataToNotes(set, &data, melody, 1, 0, 60, 72, c.dx, 96, c.duration, true, 0), 0u) << c.what;
        EXPECT_EQ(melody.Count(), 0) << c.what;
    }
    ScaleNoteSet set;
    TMidiEventList melody(0, "Melody", "Piano 1");
    EXPECT_EQ(MapDataToNotes(set, nullptr, melody, 1, 0, 60, 72, 1, 96, 0.875, true, 0), 0u);
}

TEST(Scale, MelodyHeadEvents)
{
    const TXYDataList data = testutil::SortedData({{0, 0}});
    for (const bool programChange : {true, false}) {
        ScaleNoteSet set;
        TMidiEventList melody(0, "Melody", "Piano 1");
        MapDataToNotes(set, &data, melody, 2, 3, 60, 84, 1, 96, 0.875, programChange, 5);
        std::size_t i = 0;
        if (programChange) {
            EXPECT_EQ(melody[i].Data()[0], 0xC0);
            EXPECT_EQ(melody[i++].Data()[1], 5);
        }
        const std::uint8_t* key = melody[i].Data();
        EXPECT_EQ(key[1], kMetaKeySignature);
        EXPECT_EQ(static_cast<std::int8_t>(key[3]), 6); // natural minor on E-flat
        EXPECT_EQ(key[4], 1);
        EXPECT_EQ(melody.Count(), static_cast<int>(i) + 1 + 2 + 1);
    }
}

// A scale by number, keyword or either name; anything else none.
TEST(Scale, Named)
{
    const struct {
        const char* text;
        std::optional<int> scale;
    } rows[] = {
        {"12", 12},
        {"0", 0},
        {"21", 21},
        {"22", std::nullopt},
        {"-1", std::nullopt},
        {"blues", 12},
        {"Blues scale", 12},
        {"BLUES", 12},
        {"ブルーススケール", 12},
        {"natural-minor", 2},
        {"Dorian mode", 5},
        {"dorian", 5},
        {"whole-tone", 13},
        {"陽旋法", 18},
        {"yo", 18},
        {"bluesy", std::nullopt},
        {"", std::nullopt},
        {"major scale ", std::nullopt},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ScaleNamed(r.text), r.scale) << r.text;
    for (int i = 0; i < kScaleCount; ++i)
        EXPECT_EQ(ScaleNamed(ScaleKeyword(i)), i) << ScaleKeyword(i);
}
