// SPDX-License-Identifier: MIT
// The labels of the window's data group: the file's name, the record count,
// the mean X interval, the largest and smallest X and Y, each value named
// for a screen reader.
#pragma once

#include "data/Csvload.h"

#include <string>

class QLabel;
class QWidget;

struct TDataLabels {
    QLabel* CsvFileNameLabel = nullptr;
    QLabel* NumRecordLabel = nullptr;
    QLabel* XIntervalLabel = nullptr;
    QLabel* XmaxLabel = nullptr;
    QLabel* XminLabel = nullptr;
    QLabel* YmaxLabel = nullptr;
    QLabel* YminLabel = nullptr;

    // The labels of the window's layout, by their names.
    void Bind(const QWidget* window);
    // The file's name, the record count and the mean interval of a load read
    // from path (with dates as X or not), or those of no data, in the
    // language now in use.
    void ShowSummary(const varimel::CsvLoad* load, const std::string& path, bool xDates) const;
    // The largest and smallest X and Y of a load.
    void ShowRanges(const varimel::CsvSummary& summary) const;
    // What each value is, for a screen reader, not only the number.
    void NameValues() const;
};
