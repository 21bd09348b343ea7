// SPDX-License-Identifier: MIT
// The plot's model: every record lies in the band of the note the file holds
// for it, and thinning to pixel columns keeps each column's extremes.
#include "music/Plotmodel.h"
#include "music/Series.h"

#include "data/Csvload.h"
#include "midi/Sequencer.h"
#include "music/Filebuild.h"
#include "music/Selection.h"

#include "SmfReader.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace varimel;

TEST(Plotmodel, EveryRecordLiesInTheBandOfItsNote)
{
    testutil::TempDir dir;
    std::mt19937 random(5);
    std::uniform_real_distribution<double> spread(-3.0, 1e3);
    TXYDataList wide, twoValues, constant;
    for (int i = 0; i < 500; ++i) {
        wide.Add({static_cast<double>(i), i % 50 == 0 ? 1e3 * (i / 50) : spread(random)});
        twoValues.Add({static_cast<double>(i), i % 2 ? 0.1 : 0.3});
        constant.Add({static_cast<double>(i), 7.0});
    }
    const std::optional<CsvLoad> walk = LoadCsv(std::string(VARIMEL_SOURCE_DIR) + "/examples/walk.csv");
    ASSERT_TRUE(walk);
    const struct {
        const char* what;
        const TXYDataList* data;
        int scale, low, high;
    } rows[] = {
        {"walk, major C4..C6", &walk->Data, 1, ToneOfMidiNote(60), ToneOfMidiNote(84)},
        {"wide, chromatic A0..C8", &wide, 0, 0, kToneCount - 1},
        {"wide, pentatonic C3..C4", &wide, 11, ToneOfMidiNote(48), ToneOfMidiNote(60)},
        {"two values", &twoValues, 1, ToneOfMidiNote(60), ToneOfMidiNote(72)},
        {"one value", &constant, 2, ToneOfMidiNote(60), ToneOfMidiNote(84)},
        {"a range of one note", &wide, 1, ToneOfMidiNote(60), ToneOfMidiNote(61)},
    };
    for (const auto& r : rows) {
        MappingRequest request;
        request.Scale = r.scale;
        request.LowTone = r.low;
        request.HighTone = r.high;
        request.DxPQN = 1.0;
        ScaleNoteSet set;
        const std::string path = dir / "bands.mid";
        ASSERT_TRUE(BuildSmf(r.data, request, path, set)) << r.what;
        const smftest::File file = smftest::Parse(smftest::ReadBytes(path));
        std::vector<int> keys;
        for (const smftest::Event& e : file.tracks.at(1))
            if (e.bytes[0] == 0x90)
                keys.push_back(e.bytes[1]);
        ASSERT_EQ(keys.size(), static_cast<std::size_t>(r.data->Count())) << r.what;
        const TNoteBands noteBands(*r.data, request);
        const std::vector<NoteBand>& bands = noteBands.Bands();
        ASSERT_FALSE(bands.empty());
        int outside = 0, wrongKey = 0;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const double y = (*r.data)[i].Y;
            const int band = noteBands.BandOf(y);
            ASSERT_GE(band, 0);
            const NoteBand& b = bands[static_cast<std::size_t>(band)];
            const bool top = static_cast<std::size_t>(band) + 1 == bands.size();
            // One Y throughout: every band is that value, and it plays the middle one.
            outside += !(y >= b.Low && (y < b.High || ((top || b.Low == b.High) && y == b.High)));
            wrongKey += b.Key != keys[i];
        }
        EXPECT_EQ(outside, 0) << r.what;
        EXPECT_EQ(wrongKey, 0) << r.what;
        // The bands join without a gap, from the lowest Y to the highest.
        const auto [minY, maxY] = r.data->YBounds();
        EXPECT_EQ(bands.front().Low, minY) << r.what;
        EXPECT_EQ(bands.back().High, maxY) << r.what;
        for (std::size_t b = 1; b < bands.size(); ++b) {
            EXPECT_EQ(bands[b].Low, bands[b - 1].High) << r.what << " band " << b;
            if (minY == maxY)
                continue;
            // The edge is exact: the band's lowest value is in it, the double
            // just below is in the band below.
            const double low = bands[b].Low;
            EXPECT_EQ(noteBands.BandOf(low), static_cast<int>(b)) << r.what << " band " << b;
            EXPECT_EQ(noteBands.BandOf(std::nextafter(low, -1e300)), static_cast<int>(b) - 1)
                << r.what << " band " << b;
        }
    }
    MappingRequest major;
    const std::vector<NoteBand> names = TNoteBands(walk->Data, major).Bands();
    ASSERT_EQ(names.size(), 15u);
    EXPECT_EQ(names.front().Name, "C4");
    EXPECT_EQ(names[1].Name, "D4");
    EXPECT_EQ(names.back().Name, "C6");
}

// With a shape or several series the bands come from each series' own frame:
// every record's band plays the note the piece holds for it, values beyond a
// clip or a fixed range lie in the end bands, and a log scale cuts the bands
// in log10(Y).
TEST(Plotmodel, ShapedBandsHoldEachSeriesNotes)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<double> warm(1.0, 35.0);
    std::exponential_distribution<double> rain(0.2);
    TXYDataList first;
    std::vector<TXYDataList> more(1);
    for (int i = 0; i < 400; ++i) {
        first.Add({static_cast<double>(i), warm(random)});
        if (i % 3)
            more[0].Add({static_cast<double>(i), 0.1 + rain(random)});
    }
    const auto shaped = [](bool invert, bool log, double clip, bool fixed, bool shared) {
        MappingRequest r;
        r.Scale = 2;
        r.LowTone = ToneOfMidiNote(55);
        r.HighTone = ToneOfMidiNote(79);
        r.Shape.Invert = invert;
        r.Shape.LogY = log;
        r.Shape.Clip = clip;
        r.Shape.FixedRange = fixed;
        r.Shape.RangeLow = 5.0;
        r.Shape.RangeHigh = 20.0;
        r.SharedRange = shared;
        return r;
    };
    const struct {
        const char* what;
        MappingRequest request;
    } rows[] = {
        {"own ranges", shaped(false, false, 0, false, false)},
        {"shared range", shaped(false, false, 0, false, true)},
        {"upside down", shaped(true, false, 0, false, false)},
        {"log", shaped(false, true, 0, false, false)},
        {"clip 10%", shaped(false, false, 10, false, false)},
        {"fixed 5..20, shared, upside down", shaped(true, false, 0, true, true)},
        {"log, clip 5%, shared", shaped(false, true, 5, false, true)},
    };
    for (const auto& r : rows) {
        const std::vector<SeriesTrack> tracks = TracksOf(first, more, r.request, {});
        const std::optional<SeriesFrames> frames = FramesOf(tracks, r.request);
        ASSERT_TRUE(frames) << r.what;
        const std::vector<std::vector<NoteSpan>> notes = SeriesNotes(tracks, r.request, frames);
        for (std::size_t k = 0; k < tracks.size(); ++k) {
            const TNoteBands bands(frames->Frame(k), r.request);
            const std::vector<NoteBand>& b = bands.Bands();
            ASSERT_EQ(b.size(), 15u) << r.what;
            const auto [low, high] = frames->Ranges[k];
            const auto toY = [&](double v) { return r.request.Shape.LogY ? std::pow(10.0, v) : v; };
            EXPECT_DOUBLE_EQ(b.front().Low, toY(low)) << r.what;
            EXPECT_DOUBLE_EQ(b.back().High, toY(high)) << r.what;
            const TXYDataList& data = *tracks[k].Data;
            ASSERT_EQ(notes[k].size(), static_cast<std::size_t>(data.Count())) << r.what;
            int wrongKey = 0, wrongPlace = 0;
            for (std::size_t i = 0; i < notes[k].size(); ++i) {
                const double y = data[i].Y;
                const int band = bands.BandOf(y);
                ASSERT_GE(band, 0) << r.what;
                const NoteBand& at = b[static_cast<std::size_t>(band)];
                wrongKey += at.Key != notes[k][i].Key;
                // Beyond the range: the end band on that side.
                const double v = ShapedY(r.request.Shape, y);
                if (v < low)
                    wrongPlace += band != 0;
                else if (v > high)
                    wrongPlace += band + 1 != static_cast<int>(b.size());
                else
                    wrongPlace += !(y >= at.Low * (1 - 1e-12) && y <= at.High * (1 + 1e-12));
            }
            EXPECT_EQ(wrongKey, 0) << r.what << " series " << k;
            EXPECT_EQ(wrongPlace, 0) << r.what << " series " << k;
            // Upside down, the lowest band plays the highest note.
            EXPECT_EQ(b.front().Key < b.back().Key, !r.request.Shape.Invert) << r.what;
        }
    }
}

// Each pixel column keeps the lowest and highest Y of its records (and the
// first and last, to join its neighbours), whatever the zoom.
TEST(Plotmodel, ColumnsKeepTheirExtremes)
{
    std::mt19937 random(9);
    std::normal_distribution<double> step(0.0, 1.0);
    TXYDataList data;
    double y = 0;
    for (int i = 0; i < 100000; ++i)
        data.Add({i * 0.5, y += step(random)});
    const struct {
        double x0, x1;
        int width;
    } rows[] = {{0, 49999.5, 1200}, {1000, 2000, 333}, {0, 10, 50}, {49000, 60000, 7}, {-5, 3, 4}};
    for (const auto& r : rows) {
        const std::vector<PlotColumn> columns = PlotColumns(data, r.x0, r.x1, r.width);
        ASSERT_EQ(columns.size(), static_cast<std::size_t>(r.width));
        std::vector<PlotColumn> expected(columns.size());
        for (std::size_t i = 0; i < static_cast<std::size_t>(data.Count()); ++i) {
            const XYData& d = data[i];
            if (d.X < r.x0 || d.X > r.x1)
                continue;
            const auto c = std::min<std::size_t>(static_cast<std::size_t>((d.X - r.x0) * r.width / (r.x1 - r.x0)),
                                                 static_cast<std::size_t>(r.width - 1));
            PlotColumn& e = expected[c];
            e.MinY = e.Count ? std::min(e.MinY, d.Y) : d.Y;
            e.MaxY = e.Count ? std::max(e.MaxY, d.Y) : d.Y;
            e.FirstY = e.Count ? e.FirstY : d.Y;
            e.LastY = d.Y;
            ++e.Count;
        }
        for (std::size_t c = 0; c < columns.size(); ++c) {
            EXPECT_EQ(columns[c].Count, expected[c].Count) << c;
            if (!expected[c].Count)
                continue;
            EXPECT_EQ(columns[c].MinY, expected[c].MinY) << c;
            EXPECT_EQ(columns[c].MaxY, expected[c].MaxY) << c;
            EXPECT_EQ(columns[c].FirstY, expected[c].FirstY) << c;
            EXPECT_EQ(columns[c].LastY, expected[c].LastY) << c;
        }
    }
}

// Ticks fall on round values inside the range, labelled with the digits
// their step needs; dates fall on whole days, Mondays, months or years.
TEST(Plotmodel, TicksAtRoundValues)
{
    const struct {
        char axis; // number, date or log
        double lo, hi;
        int count;
        std::vector<std::string> labels;
    } rows[] = {
        {'n', 0.0, 10.0, 5, {"0", "2", "4", "6", "8", "10"}},
        {'n', -0.3, 0.35, 4, {"-0.2", "0.0", "0.2"}},
        {'n', 3.0, 28.5, 6, {"5", "10", "15", "20", "25"}},
        {'n', 1e6, 3e6, 2, {"1000000", "2000000", "3000000"}},
        {'n', 5.0, 5.0, 5, {}},
        // From 1e16 on: short scientific labels, with the sign.
        {'n', 1e16, 3e16, 2, {"1e16", "2e16", "3e16"}},
        {'n', -3e16, 0.0, 3, {"-3e16", "-2e16", "-1e16", "0"}},
        {'n', 1e17, 2e17, 2, {"1e17", "1.5e17", "2e17"}},
        {'n', -1e300, 1e300, 2, {"-1e300", "0", "1e300"}},
        {'n', 9.9e15, 9.95e15, 1, {"9900000000000000", "9950000000000000"}},
        // 2024-01-01 is day 19723, a Monday.
        {'d', 19723.0, 19726.0, 5, {"2024-01-01", "2024-01-02", "2024-01-03", "2024-01-04"}},
        {'d',
         19723.0,
         19723.5,
         4,
         {"2024-01-01 00:00", "2024-01-01 03:00", "2024-01-01 06:00", "2024-01-01 09:00", "2024-01-01 12:00"}},
        {'d', 19722.0, 19751.0, 5, {"2024-01-01", "2024-01-08", "2024-01-15", "2024-01-22", "2024-01-29"}},
        {'d', 19723.0, 20089.0, 5, {"2024-01", "2024-04", "2024-07", "2024-10", "2025-01"}},
        {'d',
         19723.0,
         20089.0,
         13,
         {"2024-01", "2024-02", "2024-03", "2024-04", "2024-05", "2024-06", "2024-07", "2024-08", "2024-09", "2024-10",
          "2024-11", "2024-12", "2025-01"}},
        {'d', 10957.0, 19723.0, 5, {"2000", "2005", "2010", "2015", "2020"}},
        // Logarithmic: powers of ten, every other one when crowded, with 2
        // and 5 times them when few; within a decade, round values.
        {'l', 0.5, 2000.0, 6, {"1", "10", "100", "1000"}},
        {'l', 1.0, 1e8, 4, {"1", "1000", "1000000"}},
        {'l', 0.01, 1.0, 9, {"0.01", "0.02", "0.05", "0.1", "0.2", "0.5", "1"}},
        {'l', 20.0, 80.0, 3, {"20", "40", "60", "80"}},
        {'l', 1e20, 1e22, 3, {"1e20", "1e21", "1e22"}},
        {'l', 0.0, 10.0, 3, {}},
    };
    for (const auto& r : rows) {
        const std::vector<AxisTick> ticks = r.axis == 'd'   ? DateTicks(r.lo, r.hi, r.count)
                                            : r.axis == 'l' ? LogTicks(r.lo, r.hi, r.count)
                                                            : NumberTicks(r.lo, r.hi, r.count);
        std::vector<std::string> labels;
        for (const AxisTick& t : ticks) {
            labels.push_back(t.Label);
            EXPECT_TRUE(t.Value >= r.lo - 1e-9 && t.Value <= r.hi + 1e-9) << t.Label;
        }
        EXPECT_EQ(labels, r.labels) << r.lo << ".." << r.hi;
    }
}

// A part is exactly the whole piece's notes of the records inside it, moved
// to start at 0; its extent (count, shift, end) needs no copy and agrees.
TEST(Plotmodel, PartIsTheWholePiecesNotes)
{
    // Two runs of records with a long gap between them: a part that ends
    // before the gap ends with its last note, long after its last bar.
    TXYDataList data;
    for (int i = 0; i < 40; ++i)
        data.Add({i < 20 ? i : i + 20.0, static_cast<double>((i * 7) % 11)});
    MappingRequest request;
    request.DxPQN = 1.5;
    const std::vector<NoteSpan> whole = MappedNotes(&data, request);
    ASSERT_EQ(whole.size(), static_cast<std::size_t>(data.Count()));
    const double firstX = data.First().X, lastX = data.Last().X;
    const struct {
        XSelection selection;
        std::size_t first, count;
    } rows[] = {
        {{firstX, lastX}, 0, whole.size()},
        {{data[10].X, data[19].X}, 10, 10},
        {{data[10].X - 0.25, data[19].X + 0.25}, 10, 10},
        {{data[5].X, data[5].X}, 5, 1},
        {{lastX, lastX}, whole.size() - 1, 1},
        {{data[5].X + 0.1, data[5].X + 0.2}, 0, 0},
    };
    for (const auto& r : rows) {
        const SelectedPart part = SelectedNotes(&data, request, r.selection);
        const PartExtent extent = ExtentOf(whole, data, request.DxPQN, r.selection);
        ASSERT_EQ(part.Notes.size(), r.count) << r.selection.From;
        ASSERT_EQ(extent.Count, r.count);
        if (r.count == 0)
            continue;
        EXPECT_EQ(extent.First, r.first);
        EXPECT_EQ(part.Shift, whole[r.first].Start);
        EXPECT_EQ(extent.Shift, part.Shift);
        EXPECT_EQ(extent.End, part.End);
        std::uint32_t lastEnd = 0;
        for (std::size_t i = 0; i < r.count; ++i) {
            EXPECT_EQ(part.Notes[i].Key, whole[r.first + i].Key);
            EXPECT_EQ(part.Notes[i].Start, whole[r.first + i].Start - part.Shift);
            EXPECT_EQ(part.Notes[i].End - part.Notes[i].Start, whole[r.first + i].End - whole[r.first + i].Start);
            lastEnd = std::max(lastEnd, part.Notes[i].End);
        }
        // A quarter after the last record, rounded up to a bar, or the last
        // note's end when that is later.
        const double quarters = (data[r.first + r.count - 1].X - data[r.first].X) / request.DxPQN + 1;
        const auto bar = static_cast<std::uint32_t>(std::ceil(quarters / 4 - 1e-9) * 4 * TicksPerQuarter);
        EXPECT_EQ(part.End, std::max(bar, lastEnd));
        EXPECT_EQ(part.Notes.front().Start, 0u);
    }
}

// Each plotted note runs from its record's X for its share of the gap to the
// next (a quarter note's share for the last), in the band of its record; the playhead's X follows the ticks from the
// first record.
TEST(Plotmodel, NotesAndTicksInX)
{
    const TXYDataList data = [] {
        TXYDataList list;
        for (auto [x, y] : {std::pair{10.0, 0.0}, {12.0, 5.0}, {13.0, 10.0}})
            list.Add({x, y});
        return list;
    }();
    MappingRequest request;
    request.DxPQN = 2.0;
    request.Duration = 0.5;
    const TNoteBands bands(data, request);
    const std::vector<PlotNote> notes = PlotNotes(data, MappedNotes(&data, request), bands, request.DxPQN);
    ASSERT_EQ(notes.size(), 3u);
    const int top = static_cast<int>(bands.Bands().size()) - 1;
    const struct {
        double x0, x1;
        int band;
    } expected[] = {{10.0, 11.0, 0}, {12.0, 12.5, top / 2}, {13.0, 14.0, top}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(notes[i].X0, expected[i].x0);
        EXPECT_DOUBLE_EQ(notes[i].X1, expected[i].x1);
        EXPECT_EQ(notes[i].Band, expected[i].band);
    }
    EXPECT_DOUBLE_EQ(XOfTick(10.0, 2.0, 3 * TicksPerQuarter), 16.0);
    EXPECT_TRUE(PlotNotes(data, {}, bands, 2.0).empty());

    // A rest keeps its place, drawn hollow and in no band; the others keep
    // their notes.
    request.Shape.RestBelow = {0.0};
    const std::vector<TXYDataList> none;
    const std::vector<SeriesTrack> tracks = TracksOf(data, none, request, {});
    const std::vector<PlotNote> rests =
        PlotNotes(data, SeriesNotes(tracks, request, FramesOf(tracks, request)).front(), bands, request.DxPQN);
    ASSERT_EQ(rests.size(), 3u);
    EXPECT_TRUE(rests[0].Rest);
    EXPECT_EQ(rests[0].Band, -1);
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_FALSE(rests[i].Rest);
        EXPECT_EQ(rests[i].Band, notes[i].Band);
    }
}
