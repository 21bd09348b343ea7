// SPDX-License-Identifier: MIT
// A melody's track made straight from its notes: the encoder gives the
// bytes the sorted list of the notes' events gives, and the streaming
// writer writes blocks of any size as one write would.
#include "midi/Streamwriter.h"
#include "midi/Noteencoder.h"

#include "SmfReader.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <vector>

using namespace varimel;

namespace {

struct Note {
    std::uint32_t start, length;
    std::uint8_t key, velocity;
};

// The file of one track of the notes on channel 3: written from their
// sorted event list, or from the encoder's bytes (handed out at the start
// of every `every`-th note, 0: only at the end).
std::vector<std::uint8_t> Written(const std::string& path, const std::vector<Note>& notes, bool encoded,
                                  std::size_t every = 0)
{
    TSMFWrite writer;
    EXPECT_TRUE(writer.Open(path, 1));
    EXPECT_TRUE(writer.BeginTrack());
    std::uint32_t previous = 0, end = 0;
    for (const Note& n : notes)
        end = std::max(end, n.start + n.length);
    if (encoded) {
        TNoteEncoder encoder(3, 0);
        for (std::size_t i = 0; i < notes.size(); ++i) {
            if (every && i % every == 0) {
                encoder.Encode(notes[i].start);
                EXPECT_TRUE(writer.WriteBytes(encoder.Bytes(), encoder.ByteCount()));
                encoder.ClearBytes();
            }
            encoder.Add(notes[i].start, notes[i].key, notes[i].velocity, notes[i].length);
        }
        encoder.Finish();
        EXPECT_TRUE(writer.WriteBytes(encoder.Bytes(), encoder.ByteCount()));
        previous = encoder.Previous();
    } else {
        TMidiEventList list(3, "", "");
        for (const Note& n : notes)
            list.AddNote(n.start, n.key, n.velocity, n.length);
        list.SortByTime();
        EXPECT_TRUE(writer.WriteEvents(list.begin(), list.end(), previous));
    }
    EXPECT_TRUE(writer.EndTrack(end - previous));
    EXPECT_TRUE(writer.Close());
    return smftest::ReadBytes(path);
}

} // namespace

TEST(Streamwriter, EncodedNotesAreTheSortedListsBytes)
{
    testutil::TempDir dir;
    const std::string path = dir / "t.mid";
    std::mt19937 random(9);
    std::vector<Note> crowd;
    for (std::uint32_t i = 0, t = 0; i < 3000; ++i) {
        t += static_cast<std::uint32_t>(random() % 4); // many notes share a start
        crowd.push_back({t, 1 + static_cast<std::uint32_t>(random() % 6), static_cast<std::uint8_t>(60 + random() % 4),
                         static_cast<std::uint8_t>(1 + random() % 127)});
    }
    const struct {
        const char* what;
        std::vector<Note> notes;
    } cases[] = {
        {"a quarter apart, shorter than the gap", {{0, 840, 60, 90}, {960, 840, 62, 90}, {1920, 840, 64, 90}}},
        {"longer than the gap: each note-off after the next note-on",
         {{0, 2000, 60, 90}, {960, 2000, 62, 90}, {1920, 2000, 64, 90}}},
        {"a note-off on the next note's start comes first", {{0, 960, 64, 90}, {960, 960, 60, 90}}},
        {"a chord, by key, equal keys in the order they came",
         {{0, 500, 67, 80}, {0, 500, 60, 81}, {0, 500, 64, 82}, {0, 500, 60, 83}, {500, 10, 59, 84}}},
        {"note-offs of one tick by key", {{0, 300, 70, 90}, {100, 200, 50, 90}, {200, 100, 60, 90}}},
        {"data bytes cut to 7 bits", {{0, 10, 200, 255}, {5, 10, 128, 128}}},
        {"gaps too long for one delta",
         {{0, 10, 60, 90}, {0x20000000u, 10, 61, 90}, {0xF0000000u, 0x0F000000u, 62, 9}}},
        {"a crowd of short notes", crowd},
    };
    for (const auto& c : cases)
        for (const std::size_t every : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{7}})
            EXPECT_EQ(Written(path, c.notes, true, every), Written(path, c.notes, false))
                << c.what << ", handed out every " << every;
    const smftest::File f = smftest::Parse(Written(path, crowd, true, 5));
    ASSERT_EQ(f.error, "");
    EXPECT_EQ(smftest::Notes(f.tracks.at(0)).size(), crowd.size());
}

// Notes handed over in blocks of any size, encoded and written on the
// writer's thread, make the same file as all of them encoded at once; a
// failed write is told by Finish, with its cause.
TEST(Streamwriter, BlocksOfAnySizeWriteTheWhole)
{
    testutil::TempDir dir;
    NoteBlock all;
    for (std::uint32_t i = 0; i < 30000; ++i)
        all.push_back({i * 240, 200 + i % 500, static_cast<std::uint8_t>(40 + i % 50), 90});
    const auto write = [&](const std::string& path, const std::vector<std::size_t>& sizes) {
        TSMFWrite writer;
        EXPECT_TRUE(writer.Open(path, 1));
        TStreamWriter stream(writer, 2, 0);
        std::size_t at = 0;
        for (std::size_t i = 0; at < all.size(); ++i) {
            NoteBlock block = stream.Spare();
            EXPECT_TRUE(block.empty()) << "a spare block comes empty";
            const std::size_t n = std::min(sizes[i % sizes.size()], all.size() - at);
            block.assign(all.begin() + static_cast<std::ptrdiff_t>(at),
                         all.begin() + static_cast<std::ptrdiff_t>(at + n));
            at += n;
            if (!stream.Give(std::move(block), at < all.size() ? all[at].Start : 0))
                break;
        }
        const std::optional<std::uint32_t> last = stream.Finish();
        const int error = errno;
        writer.Close();
        errno = error;
        return last;
    };
    const std::optional<std::uint32_t> whole = write(dir / "whole.mid", {all.size()});
    ASSERT_TRUE(whole);
    EXPECT_EQ(*whole, all.back().Start + all.back().Length) << "the time of the last note-off";
    const std::vector<std::uint8_t> bytes = smftest::ReadBytes(dir / "whole.mid");
    for (const std::vector<std::size_t>& sizes :
         {std::vector<std::size_t>{1, 2, 3, 5000}, std::vector<std::size_t>{7000, 7001},
          std::vector<std::size_t>{999}}) {
        EXPECT_EQ(write(dir / "blocks.mid", sizes), whole);
        EXPECT_EQ(smftest::ReadBytes(dir / "blocks.mid"), bytes) << "blocks of " << sizes.front() << " notes and on";
    }
    if (std::filesystem::exists("/dev/full")) {
        errno = 0;
        EXPECT_FALSE(write("/dev/full", {7000}));
        EXPECT_EQ(errno, ENOSPC);
    }
}
