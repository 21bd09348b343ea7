// SPDX-License-Identifier: MIT
// The shape of a mapping: its checks and words, the Y range it maps over and
// each note's velocity and length from the columns beside the notes.
#include "music/Shape.h"

#include "DataUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

using namespace varimel;

// A shape out of its range names its first bad field; a good one reads in
// words as the report and the plot show it.
TEST(Shape, ChecksAndWords)
{
    const auto with = [](auto change) {
        varimel::MappingShape s;
        change(s);
        return s;
    };
    using varimel::MappingShape;
    using varimel::ShapeField;
    const struct {
        MappingShape shape;
        ShapeField field;
        const char* words;
    } rows[] = {
        {MappingShape{}, ShapeField::None, ""},
        {with([](MappingShape& s) { s.Invert = s.LogY = true; }), ShapeField::None, "反転 / 対数"},
        {with([](MappingShape& s) { s.Clip = 2.5; }), ShapeField::None, "外れ値 2.5%"},
        {with([](MappingShape& s) { s.Clip = 50; }), ShapeField::Clip, nullptr},
        {with([](MappingShape& s) { s.Clip = -0.1; }), ShapeField::Clip, nullptr},
        {with([](MappingShape& s) { s.Clip = 1, s.FixedRange = true, s.RangeHigh = 1; }), ShapeField::Clip, nullptr},
        {with([](MappingShape& s) { s.FixedRange = true, s.RangeLow = -5, s.RangeHigh = 5; }), ShapeField::None,
         "範囲 -5〜5"},
        {with([](MappingShape& s) { s.FixedRange = true, s.RangeLow = s.RangeHigh = 5; }), ShapeField::Range, nullptr},
        {with([](MappingShape& s) { s.LogY = s.FixedRange = true, s.RangeLow = 0, s.RangeHigh = 5; }),
         ShapeField::Range, nullptr},
        {with([](MappingShape& s) { s.VelocityColumn = 3, s.VelocityLow = 20, s.VelocityHigh = 127; }),
         ShapeField::None, "強さ: 3列目 (20〜127)"},
        {with([](MappingShape& s) { s.VelocityLow = 0; }), ShapeField::VelocityRange, nullptr},
        {with([](MappingShape& s) { s.VelocityLow = 90, s.VelocityHigh = 40; }), ShapeField::VelocityRange, nullptr},
        {with([](MappingShape& s) { s.VelocityColumn = 11; }), ShapeField::VelocityColumn, nullptr},
        {with([](MappingShape& s) { s.DurationColumn = 4, s.DurationLow = 0.5; }), ShapeField::None,
         "長さ: 4列目 (0.5〜1)"},
        {with([](MappingShape& s) { s.DurationLow = 0; }), ShapeField::DurationRange, nullptr},
        {with([](MappingShape& s) { s.DurationHigh = 1.5; }), ShapeField::DurationRange, nullptr},
        {with([](MappingShape& s) { s.DurationColumn = -1; }), ShapeField::DurationColumn, nullptr},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(varimel::ShapeProblem(r.shape, 10), r.field) << (r.words ? r.words : "");
        if (r.words) {
            EXPECT_EQ(varimel::DescribeShape(r.shape), r.words);
        }
    }
}

// The range a shape maps over: the data's own, its log10, its percentiles by
// nearest rank, or the fixed one; several lists together.
TEST(Shape, RangeMappedOver)
{
    const TXYDataList ten =
        testutil::SortedData({{1, 10}, {2, 1}, {3, 100}, {4, 5}, {5, 2}, {6, 7}, {7, 3}, {8, 9}, {9, 4}, {10, 6}});
    const TXYDataList other = testutil::SortedData({{1, -20}, {2, 0.5}});
    MappingShape plain, log, clip, fixed, fixedLog;
    log.LogY = true;
    clip.Clip = 10; // the 1st and the 9th of ten values
    fixed.FixedRange = true, fixed.RangeLow = -1, fixed.RangeHigh = 50;
    fixedLog = fixed, fixedLog.LogY = true, fixedLog.RangeLow = 0.1;
    const struct {
        const char* what;
        const MappingShape* shape;
        std::vector<const TXYDataList*> lists;
        double low, high;
    } rows[] = {
        {"plain", &plain, {&ten}, 1, 100},
        {"log", &log, {&ten}, 0, 2},
        {"clip 10%", &clip, {&ten}, 1, 10},
        {"fixed", &fixed, {&ten}, -1, 50},
        {"fixed, log", &fixedLog, {&ten}, -1, std::log10(50.0)},
        {"two lists", &plain, {&ten, &other}, -20, 100},
        {"two lists, clipped together", &clip, {&ten, &other}, 0.5, 10},
    };
    for (const auto& r : rows) {
        const auto [low, high] = ShapedRange(*r.shape, r.lists);
        EXPECT_DOUBLE_EQ(low, r.low) << r.what;
        EXPECT_DOUBLE_EQ(high, r.high) << r.what;
    }
    // Nearest rank: the P-th percentile of n values is the ceil(P/100 n)-th.
    const std::vector<double> sorted = {1, 2, 3, 4, 5};
    EXPECT_EQ(Percentile(sorted, 0), 1);
    EXPECT_EQ(Percentile(sorted, 20), 1);
    EXPECT_EQ(Percentile(sorted, 21), 2);
    EXPECT_EQ(Percentile(sorted, 100), 5);
    EXPECT_EQ(Percentile({}, 50), 0);
}

// A value column beside the notes: each record's own value, mapped from the
// column's minimum and maximum (which a line without a record may hold) onto
// the shape's range; a record without a value keeps the fallback; one value
// everywhere gives the middle; a column spanning the whole range of a
// double still gives values inside the range.
TEST(Shape, ValuesBesideTheNotes)
{
    MappingShape shape;
    shape.VelocityLow = 40, shape.VelocityHigh = 120;
    shape.DurationLow = 0.2, shape.DurationHigh = 1.0;
    const TXYDataList records = testutil::SortedData({{1, 0}, {2, 0}, {3, 0}, {4, 0}});
    const double big = std::numeric_limits<double>::max();
    const double none = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* what;
        std::vector<double> values;
        double low, high;
        std::vector<int> velocities;
        std::vector<double> shares;
    } rows[] = {
        {"low to high", {0, 5, 10, 2.5}, 0, 10, {40, 80, 120, 60}, {0.2, 0.6, 1.0, 0.4}},
        {"a record without a value", {0, none, 10, 10}, 0, 10, {40, 96, 120, 120}, {0.2, 0.875, 1.0, 1.0}},
        {"the range from a line without a record", {5, 5, 10, 10}, 0, 20, {60, 60, 80, 80}, {0.4, 0.4, 0.6, 0.6}},
        {"one value everywhere", {7, 7, 7, 7}, 7, 7, {80, 80, 80, 80}, {0.6, 0.6, 0.6, 0.6}},
        {"the whole range of a double", {-big, 0, big, -big}, -big, big, {40, 80, 120, 40}, {0.2, 0.6, 1.0, 0.2}},
    };
    for (const auto& r : rows) {
        const SeriesBeside column{&r.values, r.low, r.high};
        const std::vector<std::uint8_t> v = VelocitiesBeside(records, column, shape, 96);
        const std::vector<double> d = SharesBeside(records, column, shape, 0.875);
        ASSERT_EQ(v.size(), 4u) << r.what;
        ASSERT_EQ(d.size(), 4u) << r.what;
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(v[i], r.velocities[i]) << r.what << " " << i;
            EXPECT_NEAR(d[i], r.shares[i], 1e-12) << r.what << " " << i;
        }
    }
}
