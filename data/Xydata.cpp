// SPDX-License-Identifier: MIT
#include "Xydata.h"

#include "sys/Memory.h"

#include <algorithm>
#include <numeric>
#include <system_error>
#include <thread>

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

namespace {

bool Before(const XYData& a, const XYData& b) { return CompareXY(a, b) < 0; }

} // namespace

TXYDataList::Findings TXYDataList::SurveyRun(const XYData* begin, const XYData* end)
{
    double low = begin->Y;
    double high = low;
    bool sorted = true;
    for (const XYData* r = begin + 1; r < end; ++r) {
        const XYData& before = r[-1];
        if (r->Y < low)
            low = r->Y;
        if (r->Y > high)
            high = r->Y;
        sorted = sorted && !(r->X < before.X || (r->X == before.X && r->Y < before.Y));
    }
    return {sorted, low, high};
}

namespace {

// Records from which the second half of a list is looked at on a thread of
// its own: the look then takes half the time, for the cost of a thread.
constexpr std::size_t kSurveyInTwo = std::size_t{1} << 18;

} // namespace

TXYDataList::Findings TXYDataList::Surveyed() const
{
    if (items_.empty())
        return {true, 0.0, 0.0};
    const XYData* const data = items_.data();
    const std::size_t count = items_.size();
    if (count < kSurveyInTwo || std::thread::hardware_concurrency() < 2)
        return SurveyRun(data, data + count);
    // The halves overlap by one record, so the order across the cut is
    // checked too; a tie between them goes to the first half's value, as
    // one pass from the start keeps the first it meets (0 and -0).
    const std::size_t half = count / 2;
    Findings second{};
    std::thread other;
    try {
        other = std::thread([&] { second = SurveyRun(data + half - 1, data + count); });
    } catch (const std::system_error&) {
        second = SurveyRun(data + half - 1, data + count); // no thread to be had: in turn
    }
    const Findings first = SurveyRun(data, data + half);
    if (other.joinable())
        other.join();
    return {first.sorted && second.sorted, second.low < first.low ? second.low : first.low,
            second.high > first.high ? second.high : first.high};
}

void TXYDataList::Survey()
{
    const Findings f = Surveyed();
    sorted_ = f.sorted;
    low_ = f.low;
    high_ = f.high;
    surveyed_ = true;
}

std::vector<std::uint32_t> TXYDataList::SortOrder() const
{
    std::vector<std::uint32_t> order(items_.size());
    std::iota(order.begin(), order.end(), std::uint32_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return Before(items_[a], items_[b]); });
    return order;
}

void TXYDataList::Reorder(const std::vector<std::uint32_t>& order)
{
    decltype(items_) sorted(items_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        sorted[i] = items_[order[i]];
    items_.swap(sorted);
    surveyed_ = false;
}

void TXYDataList::Sort()
{
    // Measured data usually arrives in X order already; skip the sort then.
    if (IsSorted())
        return;
    // Stable, so that values comparing equal (0 and -0) keep file order and
    // the summary is the same on every run.
    std::stable_sort(items_.begin(), items_.end(), Before);
    surveyed_ = false;
}

} // namespace varimel
