// SPDX-License-Identifier: MIT
// Small record lists and texts for the data and mapping tests.
#pragma once

#include "data/Xydata.h"

#include <iconv.h>

#include <string>
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

// Text in Shift_JIS (CP932), as Japanese tools write it.
inline std::string ToShiftJis(const std::string& utf8)
{
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string in = utf8, out(utf8.size() * 2 + 16, '\0');
    char* i = in.data();
    char* o = out.data();
    std::size_t il = in.size(), ol = out.size();
    iconv(cd, &i, &il, &o, &ol);
    iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
}

} // namespace testutil
