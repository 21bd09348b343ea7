// SPDX-License-Identifier: MIT
// The "読み込みレポート" dialog: every line the last load skipped, with its
// reason, in a table that copes with millions of rows.
#pragma once

#include "data/Importer.h"
#include "data/Series.h"

#include <vector>

#include <QAbstractTableModel>
#include <QDialog>

class QTableView;

// The skipped lines as a table of 行, 理由, 内容; texts are made only for the
// rows on screen. With several series, the values a series misses join them
// in line order, with a fourth column 列 naming the series' column.
// The first skipped lines and missing values of a load, a line each, and
// where to find the rest: the details of the load's warning.
QString SkippedDetails(const varimel::SkippedLines& lines, const std::vector<varimel::MissingValue>& missing);

class TSkippedLinesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TSkippedLinesModel(const varimel::SkippedLines& lines, const std::vector<varimel::MissingValue>& missing,
                       QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const varimel::SkippedLines& m_lines;
    const std::vector<varimel::MissingValue>& m_missing;
    // With missing values: each row's source, a skipped line (>= 0, its
    // index) or a missing value (-1 - its index).
    std::vector<std::int64_t> m_rows;
};

class TReportDialog : public QDialog {
    Q_OBJECT
public:
    // lines must outlive the dialog.
    TReportDialog(QWidget* parent, const QString& path, const varimel::ImportOptions& options, int validRecords,
                  const varimel::SkippedLines& lines, const std::vector<varimel::MissingValue>& missing = {},
                  const QString& shape = {});

private:
    void CopyTable();
    void SaveTable();

    const varimel::SkippedLines& m_lines;
    std::vector<varimel::MissingValue> m_missing;
    QTableView* m_table = nullptr;
};
