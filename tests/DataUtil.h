// SPDX-License-Identifier: MIT
// Small record lists for the mapping tests.
#pragma once

#include "data/Xydata.h"

#include <utility>
#include <vector>

namespace testutil {

// A record list from X,Y pairs, sorted as a loaded file is.
inline varimel::TXYDataList SortedData(const std::vector<std::pair<double, double>>& xy)
{
    varimel::TXYDataList list;
    for (auto [x, y] : xy)
        list.Add({x, y});
    list.Sort();
    return list;
}

} // namespace testutil
