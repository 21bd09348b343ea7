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

// What the dialog chooses for the series beyond the reading: each further
// column's instrument, whether every series is mapped over one Y range, and
// the values at or below which each series rests (as the shape keeps them:
// one for every series, or one each, minus infinity for none).
struct SeriesChoice {
    std::vector<int> Programs;
    bool SharedRange = false;
    std::vector<double> RestBelow;
};

class TImportDialog : public QDialog {
    Q_OBJECT
public:
    // bytes: the start of the current file for the preview (may be empty).
    TImportDialog(QWidget* parent, const varimel::ImportOptions& options, const SeriesChoice& series,
                  std::string bytes);

    varimel::ImportOptions Options() const;
    // The series as the dialog shows them (rests none when a box does not
    // read: accept refuses it).
    SeriesChoice Series() const;
    void SetOptions(const varimel::ImportOptions& options, const SeriesChoice& series);

    // Adds a further Y column with its instrument and rest value ("" for
    // none) to the list (at most 14).
    void AddSeries(int column, int program, const QString& rest = {});

protected:
    void accept() override;

private:
    void Refresh();
    // Every series' rest box: the first series', then the table's.
    std::vector<QLineEdit*> RestBoxes() const;

    TColumnBox* m_xColumn = nullptr;
    QCheckBox* m_xLine = nullptr;
    QCheckBox* m_xDate = nullptr;
    TColumnBox* m_yColumn = nullptr;
    QLineEdit* m_rest = nullptr;    // the first series rests at or below this
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
