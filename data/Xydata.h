// SPDX-License-Identifier: MIT
// One loaded CSV file as an ordered list of X/Y points.
#pragma once

#include "sys/Memory.h"
#include <cstddef>

#include <cstdint>
#include <utility>
#include <vector>

namespace varimel {

// One data point: X places it in time, Y chooses its pitch.
struct XYData {
    double X = 0.0;
    double Y = 0.0;
    bool operator==(const XYData&) const = default;
};

// The records of one file. Records are kept by value; the list owns them and
// nothing is merged or dropped, duplicates included.
class TXYDataList {
public:
    TXYDataList() = default;

    int Add(const XYData& record)
    {
        surveyed_ = false;
        items_.push_back(record);
        return static_cast<int>(items_.size() - 1);
    }
    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    const XYData& operator[](std::size_t i) const { return items_[i]; }
    const XYData& First() const { return items_.front(); }
    const XYData& Last() const { return items_.back(); }
    // Room for n records; a large list is backed by huge pages where the
    // system allows.
    void Reserve(std::size_t n);
    std::size_t Capacity() const { return items_.capacity(); }
    // Adds the records of other after these, in their order.
    void Append(const TXYDataList& other)
    {
        surveyed_ = false;
        items_.insert(items_.end(), other.items_.begin(), other.items_.end());
    }
    void Clear()
    {
        surveyed_ = false;
        items_.clear();
    }
    // Readers on several threads write records straight into the reserved
    // room (Capacity() records from Storage()); Keep then makes the first
    // count records there the list's, as they were written. count is at
    // most Capacity().
    XYData* Storage()
    {
        surveyed_ = false;
        return items_.data();
    }
    void Keep(std::size_t count)
    {
        surveyed_ = false;
        items_.resize(count);
    }

    const XYData* begin() const { return items_.data(); }
    const XYData* end() const { return items_.data() + items_.size(); }

    // Ascending X, equal X by ascending Y.
    void Sort();
    bool IsSorted() const { return surveyed_ ? sorted_ : Surveyed().sorted; }
    // Finds out, in one pass, whether the records are sorted and their
    // smallest and largest Y, for every call to come until the list
    // changes: a large list is looked at once, not once for each question.
    void Survey();
    // The indices of the records in the order Sort gives them.
    std::vector<std::uint32_t> SortOrder() const;
    // Puts the records in that order: the one at order[i] becomes the i-th.
    void Reorder(const std::vector<std::uint32_t>& order);
    // Smallest and largest Y over the whole list, in one pass; 0.0 for an
    // empty list.
    std::pair<double, double> YBounds() const
    {
        if (surveyed_)
            return {low_, high_};
        const Findings f = Surveyed();
        return {f.low, f.high};
    }
    double MaxY() const { return YBounds().second; }
    double MinY() const { return YBounds().first; }

private:
    struct Findings {
        bool sorted;
        double low, high;
    };
    Findings Surveyed() const;
    // The same for records [begin, end), at least one: the lowest and
    // highest are the first of their value met, as the list is read.
    static Findings SurveyRun(const XYData* begin, const XYData* end);

    std::vector<XYData, UnfilledAllocator<XYData>> items_;
    // What Survey found, while surveyed_ (no change since).
    bool surveyed_ = false;
    bool sorted_ = true;
    double low_ = 0.0, high_ = 0.0;
};

// The record order used by Sort: -1, 0 or +1.
int CompareXY(const XYData& a, const XYData& b);

} // namespace varimel
