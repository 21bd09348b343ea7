// SPDX-License-Identifier: MIT
// The plot's model: every record lies in the band of the note the file holds
// for it, and thinning to pixel columns keeps each column's extremes.
#include "music/Plotmodel.h"

#include "data/Csvreader.h"
#include "music/Filebuild.h"

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
