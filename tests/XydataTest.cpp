// SPDX-License-Identifier: MIT
#include "data/Xydata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

using varimel::TXYDataList;
using varimel::XYData;

namespace {

TXYDataList ListOf(const std::vector<XYData>& records)
{
    TXYDataList list;
    for (const XYData& r : records)
        list.Add(r);
    return list;
}

std::vector<XYData> Records(const TXYDataList& list) { return {list.begin(), list.end()}; }

} // namespace

TEST(Xydata, SortOrdersByXThenY)
{
    struct Case {
        std::vector<XYData> in, out;
    };
    // clang-format off
    const Case cases[] = {
        {{}, {}},
        {{{4, 2}}, {{4, 2}}},
        {{{1, 5}, {1, 2}, {0, 9}}, {{0, 9}, {1, 2}, {1, 5}}},
        {{{0.5, 0}, {0, 0}, {-1, 0}, {-2, 0}}, {{-2, 0}, {-1, 0}, {0, 0}, {0.5, 0}}},
        {{{3, 4}, {3, 4}}, {{3, 4}, {3, 4}}},
        {{{2, -1}, {2, -3}, {1, 7}, {2, -2}}, {{1, 7}, {2, -3}, {2, -2}, {2, -1}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        TXYDataList list = ListOf(c.in);
        list.Sort();
        EXPECT_TRUE(Records(list) == c.out) << "input of " << c.in.size() << " records";
    }
}

TEST(Xydata, ExtremesOfY)
{
    struct Case {
        std::vector<XYData> in;
        double max, min;
    };
    // clang-format off
    const Case cases[] = {
        {{}, 0.0, 0.0},
        {{{1, -3.5}}, -3.5, -3.5},
        {{{0, 2}, {1, 7}, {2, 7}, {3, -1}}, 7, -1},
        {{{0, -5}, {1, -2}}, -2, -5},
    };
    // clang-format on
    for (const Case& c : cases) {
        const TXYDataList list = ListOf(c.in);
        EXPECT_EQ(list.MaxY(), c.max);
        EXPECT_EQ(list.MinY(), c.min);
    }
}

// A surveyed list answers its order and Y range from the survey until it
// changes; after every kind of change the answers are the list's new ones.
TEST(Xydata, SurveyFollowsEveryChange)
{
    const struct {
        const char* what;
        std::function<void(TXYDataList&)> change;
        bool sorted;
        double min, max;
    } cases[] = {
        {"nothing", [](TXYDataList&) {}, true, 1, 5},
        {"a record added",
         [](TXYDataList& l) {
             l.Add({0, 9});
         },
         false, 1, 9},
        {"a list appended",
         [](TXYDataList& l) {
             l.Append(ListOf({{7, -4}}));
         },
         true, -4, 5},
        {"records written into the room and kept",
         [](TXYDataList& l) {
             l.Reserve(8);
             l.Storage()[3] = {0.5, 11};
             l.Keep(4);
         },
         false, 1, 11},
        {"fewer kept", [](TXYDataList& l) { l.Keep(1); }, true, 1, 1},
        {"cleared", [](TXYDataList& l) { l.Clear(); }, true, 0, 0},
        {"sorted",
         [](TXYDataList& l) {
             l.Add({-1, 2});
             l.Survey();
             l.Sort();
         },
         true, 1, 5},
        {"reordered",
         [](TXYDataList& l) {
             l.Reorder({2, 1, 0});
         },
         false, 1, 5},
    };
    for (const auto& c : cases) {
        TXYDataList list = ListOf({{1, 1}, {2, 5}, {3, 2}});
        list.Survey();
        c.change(list);
        EXPECT_EQ(list.IsSorted(), c.sorted) << c.what;
        EXPECT_EQ(list.MinY(), c.min) << c.what;
        EXPECT_EQ(list.MaxY(), c.max) << c.what;
        list.Survey();
        EXPECT_EQ(list.IsSorted(), c.sorted) << c.what << ", surveyed again";
        EXPECT_EQ(list.MinY(), c.min) << c.what << ", surveyed again";
    }
}

// A list large enough to be looked at in two halves gives what one pass from
// the start gives: out of order only across the cut, the lowest or highest
// in either half or at the cut, and of two zeros the first met.
TEST(Xydata, LargeListSurveyedAsInOnePass)
{
    constexpr std::size_t kCount = std::size_t{1} << 19;
    constexpr std::size_t kHalf = kCount / 2;
    const struct {
        const char* what;
        std::function<void(std::vector<XYData>&)> change;
        bool sorted;
        double min, max;
        bool minNegative; // the sign of a lowest zero
    } cases[] = {
        {"as made", [](std::vector<XYData>&) {}, true, 1, 2, false},
        {"out of order across the cut", [](std::vector<XYData>& r) { r[kHalf].X = r[kHalf - 1].X - 0.5; }, false, 1, 2,
         false},
        {"equal X, lower Y across the cut",
         [](std::vector<XYData>& r) {
             r[kHalf].X = r[kHalf - 1].X;
             r[kHalf].Y = 1.25;
             r[kHalf - 1].Y = 1.5;
         },
         false, 1, 2, false},
        {"out of order at the end", [](std::vector<XYData>& r) { r[kCount - 1].X = 0; }, false, 1, 2, false},
        {"lowest at the cut", [](std::vector<XYData>& r) { r[kHalf - 1].Y = -3; }, true, -3, 2, false},
        {"lowest just after it", [](std::vector<XYData>& r) { r[kHalf].Y = -3; }, true, -3, 2, false},
        {"highest last", [](std::vector<XYData>& r) { r[kCount - 1].Y = 9; }, true, 1, 9, false},
        {"highest first", [](std::vector<XYData>& r) { r[0].Y = 9; }, true, 1, 9, false},
        {"zero, then minus zero after the cut",
         [](std::vector<XYData>& r) {
             r[10].Y = 0.0;
             r[kHalf + 10].Y = -0.0;
         },
         true, 0, 2, false},
        {"minus zero, then zero after the cut",
         [](std::vector<XYData>& r) {
             r[10].Y = -0.0;
             r[kHalf + 10].Y = 0.0;
         },
         true, 0, 2, true},
        {"zeros only after the cut, minus first",
         [](std::vector<XYData>& r) {
             r[kHalf + 10].Y = -0.0;
             r[kHalf + 20].Y = 0.0;
         },
         true, 0, 2, true},
    };
    for (const auto& c : cases) {
        std::vector<XYData> records(kCount);
        for (std::size_t i = 0; i < kCount; ++i)
            records[i] = {static_cast<double>(i), 1.0 + static_cast<double>(i % 7) / 6.0};
        c.change(records);
        TXYDataList list;
        list.Reserve(kCount);
        std::copy(records.begin(), records.end(), list.Storage());
        list.Keep(kCount);
        list.Survey();
        EXPECT_EQ(list.IsSorted(), c.sorted) << c.what;
        EXPECT_EQ(list.MinY(), c.min) << c.what;
        EXPECT_EQ(list.MaxY(), c.max) << c.what;
        if (c.min == 0) {
            EXPECT_EQ(std::signbit(list.MinY()), c.minNegative) << c.what;
        }
    }
}
