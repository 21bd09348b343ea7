// SPDX-License-Identifier: MIT
#include "data/Xydata.h"

#include <gtest/gtest.h>

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
