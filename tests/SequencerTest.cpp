// SPDX-License-Identifier: MIT
#include "midi/Sequencer.h"

#include <gtest/gtest.h>

#include <vector>

using namespace varimel;

namespace {
using Bytes = std::vector<int>;

struct Timed {
    std::uint32_t time;
    Bytes bytes;
    bool operator==(const Timed&) const = default;
};

std::vector<Timed> Events(const TMidiEventList& list)
{
    std::vector<Timed> out;
    for (const TMidiEvent& e : list)
        out.push_back({e.Time, Bytes(e.Data(), e.Data() + e.Length())});
    return out;
}
} // namespace

TEST(Sequencer, AddOperationsStoreFileBytes)
{
    struct Case {
        const char* what;
        void (*add)(TMidiEventList&);
        int channel;
        std::vector<Timed> events;
    };
    // clang-format off
    const Case cases[] = {
        {"tempo 120", [](TMidiEventList& l) { l.AddTempo(0, 120); }, 0, {{0, {0xFF, 0x51, 3, 0x07, 0xA1, 0x20}}}},
        {"tempo 20", [](TMidiEventList& l) { l.AddTempo(5, 20); }, 0, {{5, {0xFF, 0x51, 3, 0x2D, 0xC6, 0xC0}}}},
        {"tempo 240", [](TMidiEventList& l) { l.AddTempo(0, 240); }, 0, {{0, {0xFF, 0x51, 3, 0x03, 0xD0, 0x90}}}},
        {"tempo 0", [](TMidiEventList& l) { l.AddTempo(0, 0); }, 0, {}},
        // 60,000,000 / 77 = 779,220.78: the microseconds are rounded, not cut.
        {"tempo 77", [](TMidiEventList& l) { l.AddTempo(0, 77); }, 0, {{0, {0xFF, 0x51, 3, 0x0B, 0xE3, 0xD5}}}},
        {"tempo 233", [](TMidiEventList& l) { l.AddTempo(0, 233); }, 0, {{0, {0xFF, 0x51, 3, 0x03, 0xED, 0xE7}}}},
        {"note", [](TMidiEventList& l) { l.AddNote(0, 60, 96, 840); }, 0,
         {{0, {0x90, 0x3C, 0x60}}, {840, {0x80, 0x3C, 0x00}}}},
        {"note bytes cut to 7 bits", [](TMidiEventList& l) { l.AddNote(10, 200, 200, 1); }, 17,
         {{10, {0x91, 72, 72}}, {11, {0x81, 72, 0}}}},
        {"program change", [](TMidiEventList& l) { l.AddProgramChange(0, 5); }, 2, {{0, {0xC2, 5, 0}}}},
        {"key signature", [](TMidiEventList& l) { l.AddKeySignature(0, -3, 1); }, 0,
         {{0, {0xFF, 0x59, 2, 0xFD, 1}}}},
        {"time signature", [](TMidiEventList& l) { l.AddTimeSignature(0, 4, 2, 24); }, 0,
         {{0, {0xFF, 0x58, 4, 4, 2, 0x18, 8}}}},
        {"end of track", [](TMidiEventList& l) { l.AddEndOfTrack(3840); }, 0, {{3840, {0xFF, 0x2F, 0}}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        TMidiEventList list(c.channel, "", "");
        c.add(list);
        EXPECT_EQ(Events(list), c.events) << c.what;
    }
}

TEST(Sequencer, SortByTime)
{
    TMidiEventList list(0, "", "");
    list.AddNote(10, 0x40, 0x60, 5); // on at 10, off at 15
    list.Add(TMidiEvent(10, 0x80, 0x40, 0));
    list.AddProgramChange(10, 5);
    list.AddKeySignature(0, 0, 0);
    list.AddEndOfTrack(15);
    list.AddNote(15, 0x3C, 1, 1);
    list.SortByTime();
    const std::vector<Timed> expected = {
        {0, {0xFF, 0x59, 2, 0, 0}}, {10, {0xC0, 5, 0}},    {10, {0x80, 0x40, 0}}, {10, {0x90, 0x40, 0x60}},
        {15, {0xFF, 0x2F, 0}},      {15, {0x80, 0x40, 0}}, {15, {0x90, 0x3C, 1}}, {16, {0x80, 0x3C, 0}},
    };
    EXPECT_EQ(Events(list), expected);
}

TEST(Sequencer, LongEventsAndOwnership)
{
    std::vector<std::uint8_t> sysex(40, 0x11);
    sysex.front() = 0xF0;
    sysex.back() = 0xF7;
    TMidiEventList list(0, "", "");
    list.Add(TMidiEvent(0, sysex.data(), static_cast<std::uint32_t>(sysex.size())));
    const std::uint8_t two[] = {0xC0, 1};
    list.Add(TMidiEvent(0, two, 2));
    EXPECT_EQ(list[1].Length(), 3u); // padded to three bytes
    TMidiEventList copy = list;
    TMidiEvent taken = list.Extract(0);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(taken.Length(), 40u);
    EXPECT_EQ(Bytes(taken.Data(), taken.Data() + 40), Bytes(sysex.begin(), sysex.end()));
    EXPECT_EQ(copy[0].Data()[39], 0xF7);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}
