// SPDX-License-Identifier: MIT
// The "読み込みレポート" dialog: every line the last load skipped, with its
// reason, in a table that copes with millions of rows.
#pragma once

#include "data/Importer.h"

#include <QAbstractTableModel>
#include <QDialog>

class QTableView;

// The skipped lines as a table of 行, 理由, 内容; texts are made only for the
// rows on screen.
class TSkippedLinesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TSkippedLinesModel(const varimel::SkippedLines& lines, QObject* parent = nullptr)
        : QAbstractTableModel(parent), m_lines(lines)
    {}
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const varimel::SkippedLines& m_lines;
};

class TReportDialog : public QDialog {
    Q_OBJECT
public:
    // lines must outlive the dialog.
    TReportDialog(QWidget* parent, const QString& path, const varimel::ImportOptions& options, int validRecords,
                  const varimel::SkippedLines& lines);

private:
    void CopyTable();
    void SaveTable();

    const varimel::SkippedLines& m_lines;
    QTableView* m_table = nullptr;
};
