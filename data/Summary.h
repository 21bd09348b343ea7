// SPDX-License-Identifier: MIT
// The summary of loaded data the window shows: the file's name, the record
// count, the largest and smallest X and Y and the mean X interval.
#pragma once

#include "Language.h"
#include "Xydata.h"

#include <string>
#include <string_view>

namespace varimel {

// The texts the window shows after a load, in the order it sets them.
struct CsvSummary {
    std::string FileName;  // "データファイル: name"
    std::string NumRecord; // "レコード数 = n"
    std::string Xmax;      // "%12g"
    std::string Xmin;
    std::string Ymax;
    std::string Ymin;
    std::string XInterval; // "Xの平均間隔 = %-8g"
    std::string DxPQN;     // "%-8g", the X increment per quarter note
};

// Mean X step of a sorted list; 1 for fewer than two records.
double MeanXInterval(const TXYDataList& list);
// Summary texts for a sorted list loaded from a file called fileName. With
// xDates, the X values are shown as dates ("2024-01-05", with the time of
// day when any record has one), right-aligned like the numbers.
// The texts are in the language ("Records = n", ...).
CsvSummary Summarize(const TXYDataList& list, std::string_view fileName, bool xDates = false,
                     Language language = Language::Japanese);

} // namespace varimel
