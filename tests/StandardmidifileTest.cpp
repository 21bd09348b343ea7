// SPDX-License-Identifier: MIT
#include "midi/Standardmidifile.h"

#include "SmfReader.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace varimel;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes FileBytes(const std::string& path) { return smftest::ReadBytes(path); }

// Writes with a fresh writer: open, run body, close. Returns the file bytes.
template <typename Body> Bytes Written(const testutil::TempDir& dir, Body body)
{
    const std::string path = dir / "out.mid";
    TSMFWrite w;
    EXPECT_TRUE(w.Open(path, 1));
    body(w);
    w.Close();
    return FileBytes(path);
}

const Bytes kHeader = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 0, 0x03, 0xC0};

} // namespace

// The two-track file of a conductor and a one-note melody, byte for byte:
// tests/golden/one-note.mid, which the renderer test shares.
TEST(Standardmidifile, TwoTrackGoldenFile)
{
    testutil::TempDir dir;
    TMidiEventList conductor(0, "Varimel", "");
    conductor.AddTimeSignature(0, 4, 2, 24);
    conductor.AddTempo(0, 120);
    conductor.AddEndOfTrack(3840);
    TMidiEventList melody(0, "Melody", "Piano 1");
    melody.AddProgramChange(0, 0);
    melody.AddKeySignature(0, 0, 0);
    melody.AddNote(0, 60, 96, 840);
    melody.AddEndOfTrack(3840);
    const Bytes file = Written(dir, [&](TSMFWrite& w) {
        EXPECT_TRUE(w.WriteTrack(conductor));
        EXPECT_TRUE(w.WriteTrack(melody));
    });
    const Bytes expected = FileBytes(std::string(VARIMEL_GOLDEN_DIR) + "/one-note.mid");
    ASSERT_EQ(expected.size(), 105u);
    EXPECT_EQ(file, expected);
    const smftest::File parsed = smftest::Parse(file);
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.tracks.size(), 2u);
}

TEST(Standardmidifile, ChunkLengthLimit)
{
    EXPECT_TRUE(TrackChunkFits(0));
    EXPECT_TRUE(TrackChunkFits(0xFFFFFFFFu));
    EXPECT_FALSE(TrackChunkFits(0x100000000u));
}

TEST(Standardmidifile, VariableLengthQuantities)
{
    struct Case {
        std::uint32_t value;
        Bytes bytes;
        bool ok;
        Bytes delta = {}; // as a delta time, when it is not the quantity itself
    };
    // A delta beyond one quantity: the largest, an empty text event, and so
    // on until the rest fits.
    const Bytes most = {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00};
    Bytes sixteen;
    for (int k = 0; k < 16; ++k)
        sixteen = Cat({sixteen, most});
    // clang-format off
    const Case cases[] = {
        {0, {0x00}, true},
        {127, {0x7F}, true},
        {128, {0x81, 0x00}, true},
        {16383, {0xFF, 0x7F}, true},
        {16384, {0x81, 0x80, 0x00}, true},
        {0x1FFFFF, {0xFF, 0xFF, 0x7F}, true},
        {0x200000, {0x81, 0x80, 0x80, 0x00}, true},
        {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}, true},
        {0x10000000, {}, false, Cat({most, {0x01}})},
        {0x1FFFFFFE, {}, false, Cat({most, {0xFF, 0xFF, 0xFF, 0x7F}})},
        {0xFFFFFFFF, {}, false, Cat({sixteen, {0x0F}})},
    };
    // clang-format on
    testutil::TempDir dir;
    for (const Case& c : cases) {
        bool ok = false;
        const Bytes file = Written(dir, [&](TSMFWrite& w) { ok = w.WriteVarLen(c.value); });
        EXPECT_EQ(ok, c.ok) << c.value;
        EXPECT_EQ(Bytes(file.begin() + 14, file.end()), c.bytes) << c.value;
        // The same delta in front of a note from an event list, the way
        // every melody is written.
        const TMidiEvent note(c.value, 0x90, 0x3C, 0x60);
        std::uint32_t previous = 0;
        const Bytes track = Written(dir, [&](TSMFWrite& w) { ok = w.WriteEvents(&note, &note + 1, previous); });
        EXPECT_TRUE(ok) << c.value;
        EXPECT_EQ(Bytes(track.begin() + 14, track.end()), Cat({c.ok ? c.bytes : c.delta, {0x90, 0x3C, 0x60}}))
            << c.value;
    }
}

TEST(Standardmidifile, EventsByFirstByte)
{
    struct Case {
        Bytes event;
        bool ok;
        Bytes written; // after the delta time 0
    };
    // clang-format off
    const Case cases[] = {
        {{0x90, 0x3C, 0x60}, true, {0x90, 0x3C, 0x60}},
        {{0xB0, 7, 100}, true, {0xB0, 7, 100}},
        {{0xC0, 5, 0}, true, {0xC0, 5}},
        {{0xD0, 5, 0}, true, {0xD0, 5}},
        {{0xE0, 0, 64}, true, {0xE0, 0, 64}},
        {{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, true, {0xF0, 5, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
        {{0xF0, 0x7E, 0x7F, 0x09, 0x01}, false, {}},
        {{0xFF, 0x59, 2, 0, 0}, true, {0xFF, 0x59, 2, 0, 0}},
        {{0x3C, 0x60, 0}, false, {}},
        {{0xF8, 0, 0}, false, {}},
    };
    // clang-format on
    testutil::TempDir dir;
    for (const Case& c : cases) {
        bool ok = false;
        const Bytes file = Written(dir, [&](TSMFWrite& w) {
            ok = w.WriteEvent(0, c.event.data(), static_cast<std::uint32_t>(c.event.size()));
        });
        EXPECT_EQ(ok, c.ok);
        const Bytes expected = c.ok ? Cat({{0}, c.written}) : Bytes{};
        EXPECT_EQ(Bytes(file.begin() + 14, file.end()), expected);
    }
    // The system-exclusive example with the delta time in front.
    const Bytes sysex = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    const Bytes file = Written(dir, [&](TSMFWrite& w) { w.WriteSysEx(0, sysex.data(), 6); });
    EXPECT_EQ(Bytes(file.begin() + 14, file.end()), (Bytes{0, 0xF0, 5, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
}

TEST(Standardmidifile, HeaderFormatAndChunkLimits)
{
    testutil::TempDir dir;
    const std::string path = dir / "h.mid";
    for (auto [given, written] : {std::pair{5, 1}, std::pair{0, 0}, std::pair{1, 1}, std::pair{2, 1}}) {
        TSMFWrite w;
        ASSERT_TRUE(w.Open(path, static_cast<std::uint16_t>(given)));
        w.Close();
        const Bytes b = FileBytes(path);
        ASSERT_EQ(b.size(), 14u);
        EXPECT_EQ(b[9], written);
    }
    TSMFWrite w;
    ASSERT_TRUE(w.Open(path, 1));
    EXPECT_FALSE(w.EndTrack(0)) << "no chunk open";
    for (int i = 0; i < 17; ++i) {
        ASSERT_TRUE(w.BeginTrack());
        ASSERT_TRUE(w.EndTrack(0));
    }
    EXPECT_FALSE(w.BeginTrack()) << "an 18th chunk";
    w.Close();
    w.Close(); // a second close does nothing
    const Bytes b = FileBytes(path);
    EXPECT_EQ(b.size(), 14u + 17 * 12);
    EXPECT_EQ(b[11], 17);
    TSMFWrite never;
    never.Close();
    EXPECT_FALSE(never.Open("", 1));
    EXPECT_FALSE(never.Open(dir / "no-such-folder/x.mid", 1));
}

TEST(Standardmidifile, WriteTrackEdges)
{
    testutil::TempDir dir;
    // No names: no FF 03 / FF 04. A note-off on the end tick is written
    // inside the chunk, and the end of track stays last.
    TMidiEventList list(0, "", "");
    list.AddNote(0, 60, 96, 3840);
    list.AddEndOfTrack(3840);
    const Bytes file = Written(dir, [&](TSMFWrite& w) { EXPECT_TRUE(w.WriteTrack(list)); });
    const Bytes expected = Cat(
        {kHeader, {'M', 'T', 'r', 'k', 0, 0, 0, 13}, {0, 0x90, 60, 96}, {0x9E, 0x00, 0x80, 60, 0}, {0, 0xFF, 0x2F, 0}});
    Bytes withCount = expected;
    withCount[11] = 1;
    EXPECT_EQ(file, withCount);

    // Two end-of-track events: the later one ends the track, written once.
    TMidiEventList twice(0, "", "");
    twice.AddEndOfTrack(500);
    twice.AddNote(0, 60, 96, 50);
    twice.AddEndOfTrack(100);
    const Bytes ends = Written(dir, [&](TSMFWrite& w) { EXPECT_TRUE(w.WriteTrack(twice)); });
    EXPECT_EQ(Bytes(ends.begin() + 22, ends.end()),
              Cat({{0, 0x90, 60, 96}, {50, 0x80, 60, 0}, {0x83, 0x42, 0xFF, 0x2F, 0}}));

    // A list without its end of track is refused before anything is written.
    TMidiEventList open(0, "Name", "");
    open.AddNote(0, 60, 96, 10);
    const Bytes refused = Written(dir, [&](TSMFWrite& w) { EXPECT_FALSE(w.WriteTrack(open)); });
    EXPECT_EQ(refused, kHeader);

    // A gap beyond the largest delta time is split by an empty text event;
    // every event keeps its time.
    TMidiEventList far(0, "", "");
    far.AddNote(0, 60, 96, 1);
    far.AddNote(0x10000001, 60, 96, 1);
    far.AddEndOfTrack(0x10000003);
    const Bytes split = Written(dir, [&](TSMFWrite& w) { EXPECT_TRUE(w.WriteTrack(far)); });
    const smftest::File parsed = smftest::Parse(split);
    EXPECT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.tracks.size(), 1u);
    std::vector<std::uint32_t> ticks;
    for (const smftest::Event& e : parsed.tracks[0])
        ticks.push_back(e.tick);
    EXPECT_EQ(ticks, (std::vector<std::uint32_t>{0, 1, 0x10000000, 0x10000001, 0x10000002, 0x10000003}));
}
