// SPDX-License-Identifier: MIT
// Several series on one time line: their channels and names, the frames
// they share (the first X of all, the lines any of them has, the ranges),
// and a part of X taken from every series at once.
#include "music/Series.h"

#include "DataUtil.h"

#include <gtest/gtest.h>

#include <vector>

using namespace varimel;

// Channels run 0..8, then 10..15: channel 10 of those who count from 1 stays
// for percussion. Tracks without a header are "Melody", "Melody 2", ...
// Each further series plays its own instrument, or the first's when the
// list is short.
TEST(Series, ChannelsNamesAndInstruments)
{
    const std::vector<std::pair<std::size_t, int>> channels = {{0, 0}, {8, 8}, {9, 10}, {14, 15}};
    for (const auto& [index, channel] : channels)
        EXPECT_EQ(SeriesChannel(index), channel) << index;
    const TXYDataList a = testutil::SortedData({{0, 1}}), b = testutil::SortedData({{0, 2}}),
                      c = testutil::SortedData({{0, 3}});
    MappingRequest request;
    request.Program = 5;
    request.MorePrograms = {73};
    const std::vector<SeriesTrack> tracks = TracksOf(a, {b, c}, request, {"temp", "", "rain"});
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks[0].Program, 5);
    EXPECT_EQ(tracks[1].Program, 73);
    EXPECT_EQ(tracks[2].Program, 5) << "a short list: the first's instrument";
    EXPECT_EQ(SeriesTrackName(tracks[0], 0), "temp");
    EXPECT_EQ(SeriesTrackName(tracks[1], 1), "Melody 2");
    EXPECT_EQ(SeriesTrackName(tracks[2], 2), "rain");
    // One series alone keeps the plain track's name, whatever its header.
    EXPECT_EQ(SeriesTrackName(TracksOf(a, {}, request, {"temp"})[0], 0), "Melody");
}

// The frames of several series: ticks count from the first X of every
// series; the lines are listed only when the series do not share their Xs;
// each series has its own Y range unless the range is shared.
TEST(Series, FramesOnOneTimeLine)
{
    const TXYDataList early = testutil::SortedData({{0, 1}, {1, 2}, {2, 3}});
    const TXYDataList late = testutil::SortedData({{2, 10}, {3, 30}});
    const TXYDataList same = testutil::SortedData({{0, 5}, {1, 6}, {2, 7}});
    MappingRequest request;
    request.DxPQN = 1;
    const struct {
        const char* what;
        std::vector<SeriesTrack> series;
        bool shared;
        double originX;
        std::uint32_t end;
        std::vector<double> lines;
        std::vector<std::pair<double, double>> ranges;
    } rows[] = {
        {"one series", {{&early, 0, {}}}, false, 0, 3840, {}, {{1, 3}}},
        {"same Xs: no line list", {{&early, 0, {}}, {&same, 0, {}}}, false, 0, 3840, {}, {{1, 3}, {5, 7}}},
        {"the later first", {{&late, 0, {}}, {&early, 0, {}}}, false, 0, 3840, {0, 1, 2, 3}, {{10, 30}, {1, 3}}},
        {"shared range", {{&late, 0, {}}, {&early, 0, {}}}, true, 0, 3840, {0, 1, 2, 3}, {{1, 30}, {1, 30}}},
    };
    for (const auto& r : rows) {
        MappingRequest q = request;
        q.SharedRange = r.shared;
        const std::optional<SeriesFrames> frames = FramesOf(r.series, q);
        ASSERT_TRUE(frames) << r.what;
        EXPECT_EQ(frames->OriginX, r.originX) << r.what;
        EXPECT_EQ(frames->End, r.end) << r.what;
        EXPECT_EQ(frames->LineXs, r.lines) << r.what;
        EXPECT_EQ(frames->Ranges, r.ranges) << r.what;
    }
    const TXYDataList empty;
    EXPECT_FALSE(FramesOf({{&empty, 0, {}}}, request)) << "no record in any series";
}

// A part of X from several series: each series' notes there as the whole
// piece has them, all moved by the earliest start, the part ending a quarter
// after its last record rounded up to a bar, or with its last note.
TEST(Series, PartOfEverySeries)
{
    const TXYDataList first = testutil::SortedData({{4, 1}, {5, 2}, {6, 3}, {7, 4}});
    const TXYDataList second = testutil::SortedData({{0, 1}, {2, 2}, {4, 3}, {6, 4}, {8, 5}});
    MappingRequest request;
    request.DxPQN = 1;
    const std::vector<SeriesTrack> series = {{&first, 0, {}}, {&second, 0, {}}};
    const std::optional<SeriesFrames> frames = FramesOf(series, request);
    const std::vector<std::vector<NoteSpan>> whole = SeriesNotes(series, request, frames);
    ASSERT_EQ(whole[0].size(), 4u);
    ASSERT_EQ(whole[1].size(), 5u);
    const SeriesPart part = SelectedSeries(series, request, whole, XSelection{3.5, 6});
    EXPECT_EQ(part.Count, 3u + 2u);
    EXPECT_EQ(part.Shift, 4u * 960) << "the earliest selected note, X 4";
    EXPECT_EQ(part.First, (std::vector<std::size_t>{0, 2}));
    ASSERT_EQ(part.Notes[0].size(), 3u);
    EXPECT_EQ(part.Notes[0][0].Start, 0u);
    EXPECT_EQ(part.Notes[0][0].Key, whole[0][0].Key);
    EXPECT_EQ(part.Notes[1][1].Start, 2u * 960);
    EXPECT_EQ(part.End, 3840u) << "X 4 to 6 and a quarter, rounded up to a bar";
    EXPECT_EQ(SelectedSeries(series, request, whole, XSelection{9, 10}).Count, 0u) << "nothing there";
}
