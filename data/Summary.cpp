// SPDX-License-Identifier: MIT
#include "Summary.h"

#include "Dates.h"
#include "Number.h"

#include <algorithm>
#include <cmath>

namespace varimel {

double MeanXInterval(const TXYDataList& list)
{
    const int n = list.Count();
    if (n < 2)
        return 1.0;
    const long double span = static_cast<long double>(list.Last().X) - list.First().X;
    return static_cast<double>(span / static_cast<long double>(n - 1));
}

CsvSummary Summarize(const TXYDataList& list, std::string_view fileName, bool xDates, Language language)
{
    CsvSummary s;
    const bool empty = list.Empty();
    const double interval = MeanXInterval(list);
    s.FileName = std::string(InLanguage(language, "データファイル: ", "Data file: ")) + std::string(fileName);
    s.NumRecord = std::string(InLanguage(language, "レコード数 = ", "Records = ")) + std::to_string(list.Count());
    s.Xmax = FormatG(empty ? 0.0 : list.Last().X, 12, false);
    s.Xmin = FormatG(empty ? 0.0 : list.First().X, 12, false);
    const auto [minY, maxY] = list.YBounds();
    s.Ymax = FormatG(maxY, 12, false);
    s.Ymin = FormatG(minY, 12, false);
    s.XInterval = std::string(InLanguage(language, "Xの平均間隔 = ", "Mean X step = ")) + FormatG(interval, 8, true);
    if (xDates && !empty) {
        const bool withTime = std::any_of(list.begin(), list.end(), [](const XYData& r) {
            return r.X != std::floor(r.X) && std::lround((r.X - std::floor(r.X)) * 1440.0) % 1440 != 0;
        });
        const auto right = [](std::string text) {
            return text.size() < 12 ? std::string(12 - text.size(), ' ') + text : text;
        };
        s.Xmax = right(FormatDate(list.Last().X, withTime));
        s.Xmin = right(FormatDate(list.First().X, withTime));
    }
    s.DxPQN = FormatG(interval, 8, true);
    return s;
}

} // namespace varimel
