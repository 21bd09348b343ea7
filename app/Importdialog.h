// SPDX-License-Identifier: MIT
// The "読み込み設定" dialog: which columns give X and Y, the line number or
// a date as X, the decimal comma, further Y columns heard together, the
// rows kept by a column's value or grouped into series, with a preview of
// the current file.
#pragma once

#include "data/Importer.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;
class TColumnBox;

class TImportDialog : public QDialog {
    Q_OBJECT
public:
    // bytes: the start of the current file for the preview (may be empty).
    // programs: the instrument of each further column; sharedRange: every
    // series mapped over one Y range.
    TImportDialog(QWidget* parent, const varimel::ImportOptions& options, const std::vector<int>& programs,
                  bool sharedRange, std::string bytes);

    varimel::ImportOptions Options() const;
    // The instrument of each further column, in the table's order.
    std::vector<int> Programs() const;
    bool SharedRange() const;
    void SetOptions(const varimel::ImportOptions& options, const std::vector<int>& programs, bool sharedRange);

    // Adds a further Y column with its instrument to the list (at most 14).
    void AddSeries(int column, int program);

protected:
    void accept() override;

private:
    void Refresh();

    TColumnBox* m_xColumn = nullptr;
    QCheckBox* m_xLine = nullptr;
    QCheckBox* m_xDate = nullptr;
    TColumnBox* m_yColumn = nullptr;
    QCheckBox* m_whereOn = nullptr; // only rows whose column holds a value
    TColumnBox* m_whereColumn = nullptr;
    QLineEdit* m_whereValue = nullptr;
    QCheckBox* m_splitOn = nullptr; // a series for each value of a column
    TColumnBox* m_splitColumn = nullptr;
    QCheckBox* m_comma = nullptr;
    QComboBox* m_separator = nullptr;
    QComboBox* m_order = nullptr;
    QTableWidget* m_preview = nullptr;
    QTableWidget* m_more = nullptr; // further Y columns and their instruments
    QCheckBox* m_shared = nullptr;  // one Y range for every series
    std::string m_bytes;
};
