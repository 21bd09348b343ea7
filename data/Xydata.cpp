// SPDX-License-Identifier: MIT
#include "Xydata.h"

#include "sys/Memory.h"

#include <algorithm>

namespace varimel {

int CompareXY(const XYData& a, const XYData& b)
{
    if (a.X != b.X)
        return a.X > b.X ? 1 : -1;
    if (a.Y == b.Y)
        return 0;
    return a.Y > b.Y ? 1 : -1;
}

void TXYDataList::Reserve(std::size_t n)
{
    const bool fresh = items_.capacity() < n;
    items_.reserve(n);
    if (fresh)
        AdviseHugePages(items_.data() + items_.size(), (items_.capacity() - items_.size()) * sizeof(XYData));
}

void TXYDataList::Sort()
{
    const auto before = [](const XYData& a, const XYData& b) { return CompareXY(a, b) < 0; };
    // Measured data usually arrives in X order already; skip the sort then.
    if (std::is_sorted(items_.begin(), items_.end(), before))
        return;
    // Stable, so that values comparing equal (0 and -0) keep file order and
    // the summary is the same on every run.
    std::stable_sort(items_.begin(), items_.end(), before);
}

std::pair<double, double> TXYDataList::YBounds() const
{
    if (items_.empty())
        return {0.0, 0.0};
    double low = items_[0].Y;
    double high = low;
    for (std::size_t i = 1; i < items_.size(); ++i) {
        const double y = items_[i].Y;
        if (y < low)
            low = y;
        if (y > high)
            high = y;
    }
    return {low, high};
}

} // namespace varimel
