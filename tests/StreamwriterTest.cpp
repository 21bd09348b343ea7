// SPDX-License-Identifier: MIT
// The streaming writer: a track given as runs of finished events, in pieces
// of any size, is written exactly as the whole list would be.
#include "midi/Streamwriter.h"

#include "SmfReader.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <vector>

using namespace varimel;

namespace {

// A melody of n notes, a quarter apart, on channel 3.
TMidiEventList Melody(int n)
{
    TMidiEventList list(3, "", "");
    for (int i = 0; i < n; ++i)
        list.AddNote(static_cast<std::uint32_t>(i) * 960, static_cast<std::uint8_t>(60 + i % 12), 90, 840);
    list.SortByTime();
    return list;
}

// The file of one track written through the streaming writer in runs of
// `run` events (0: the whole list through the writer itself).
std::vector<std::uint8_t> Written(const std::string& path, int notes, std::size_t run)
{
    TMidiEventList melody = Melody(notes);
    TSMFWrite writer;
    EXPECT_TRUE(writer.Open(path, 1));
    if (run == 0) {
        melody.AddEndOfTrack(static_cast<std::uint32_t>(notes) * 960);
        EXPECT_TRUE(writer.WriteTrack(melody));
    } else {
        EXPECT_TRUE(writer.BeginTrack());
        TStreamWriter background(writer, 0);
        for (std::size_t from = 0; from < static_cast<std::size_t>(melody.Count()); from += run) {
            TMidiEventList piece = background.Spare(run);
            EXPECT_EQ(piece.Count(), 0) << "a spare list comes empty";
            piece.Channel = melody.Channel;
            for (std::size_t i = from; i < std::min(from + run, static_cast<std::size_t>(melody.Count())); ++i)
                piece.Add(melody.begin()[i]);
            EXPECT_TRUE(background.Give(std::move(piece)));
        }
        const std::optional<std::uint32_t> last = background.Finish();
        EXPECT_TRUE(last);
        EXPECT_TRUE(writer.EndTrack(static_cast<std::uint32_t>(notes) * 960 - last.value_or(0)));
    }
    EXPECT_TRUE(writer.Close());
    return smftest::ReadBytes(path);
}

} // namespace

TEST(Streamwriter, RunsOfAnySizeWriteTheWholeList)
{
    testutil::TempDir dir;
    const std::string path = dir / "t.mid";
    for (const int notes : {1, 7, 500})
        for (const std::size_t run :
             {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{64}, std::size_t{5000}})
            EXPECT_EQ(Written(path, notes, run), Written(path, notes, 0)) << notes << " notes in runs of " << run;
    const smftest::File f = smftest::Parse(Written(path, 500, 7));
    ASSERT_EQ(f.error, "");
    const std::vector<smftest::Note> notes = smftest::Notes(f.tracks.at(0));
    ASSERT_EQ(notes.size(), 500u);
    EXPECT_EQ(notes.back().start, 499u * 960);
    EXPECT_EQ(notes.back().end - notes.back().start, 840u);
    EXPECT_EQ(notes.back().channel, 3);
}
