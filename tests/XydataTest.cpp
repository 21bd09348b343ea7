// SPDX-License-Identifier: MIT
#include "data/Xydata.h"

#include <gtest/gtest.h>

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
