// SPDX-License-Identifier: MIT
#include "Reportdialog.h"

#include "Messagebox.h"
#include "Qtstrings.h"
#include "Seams.h"
#include "sys/Replace.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

int TSkippedLinesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_lines.Count());
}

int TSkippedLinesModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant TSkippedLinesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    const varimel::SkippedLine line = m_lines[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return QString::number(line.Line);
    case 1:
        return FromCore(varimel::SkipReasonWords(line.Reason));
    default:
        return FromCore(varimel::DisplayText(line.Raw));
    }
}

QVariant TSkippedLinesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kHeaders[] = {"行", "理由", "内容"};
    return section >= 0 && section < 3 ? QString::fromUtf8(kHeaders[section]) : QVariant();
}

TReportDialog::TReportDialog(QWidget* parent, const QString& path, const varimel::ImportOptions& options,
                             int validRecords, const varimel::SkippedLines& lines)
    : QDialog(parent), m_lines(lines)
{
    setObjectName(QStringLiteral("ReportDialog"));
    setWindowTitle(QStringLiteral("読み込みレポート"));
    auto* layout = new QVBoxLayout(this);
    auto* file = new QLabel(QStringLiteral("ファイル: ") + (path.isEmpty() ? QStringLiteral("（なし）") : path), this);
    file->setObjectName(QStringLiteral("ReportFileLabel"));
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* how = new QLabel(QStringLiteral("読み込み設定: ") + FromCore(varimel::DescribeOptions(options)), this);
    how->setObjectName(QStringLiteral("ReportOptionsLabel"));
    auto* counts = new QLabel(QStringLiteral("有効なレコード: %1　読み飛ばした行: %2")
                                  .arg(validRecords)
                                  .arg(static_cast<qulonglong>(lines.Count())),
                              this);
    counts->setObjectName(QStringLiteral("ReportCountsLabel"));
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("ReportTable"));
    m_table->setModel(new TSkippedLinesModel(lines, m_table));
    m_table->setAccessibleName(QStringLiteral("読み飛ばした行"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    // Fixed row heights and column widths: nothing is measured row by row,
    // so a million rows open at once.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->setColumnWidth(0, 80);
    m_table->setColumnWidth(1, 170);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setMinimumSize(620, 320);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* copy = buttons->addButton(QStringLiteral("表をコピー(&C)"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("CopyButton"));
    QPushButton* save = buttons->addButton(QStringLiteral("TSVファイルに保存...(&S)"), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("SaveButton"));
    QPushButton* close = buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("CloseButton"));
    close->setDefault(true);
    connect(copy, &QPushButton::clicked, this, [this] { CopyTable(); });
    connect(save, &QPushButton::clicked, this, [this] { SaveTable(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    for (QWidget* w : std::initializer_list<QWidget*>{file, how, counts, m_table})
        layout->addWidget(w);
    layout->addWidget(buttons);
}

void TReportDialog::CopyTable()
{
    QApplication::clipboard()->setText(FromCore(varimel::SkippedLinesTsv(m_lines, true)));
}

void TReportDialog::SaveTable()
{
    const QString path = seams::ChooseReportFile(this, QStringLiteral("TSVファイル(*.tsv)"), QStringLiteral("tsv"));
    if (path.isEmpty())
        return;
    const std::string tsv = varimel::SkippedLinesTsv(m_lines, true);
    std::string reason;
    if (!varimel::ReplaceFile(
            ToPath(path), [&tsv](const std::string& file) { return varimel::WriteWholeFile(file, tsv); }, &reason))
        ShowError(QStringLiteral("ファイルを保存できませんでした。"), this,
                  path + QStringLiteral(": ") + FromCore(reason));
}
