// SPDX-License-Identifier: MIT
#include "Reportdialog.h"

#include "Messagebox.h"
#include "Qtstrings.h"
#include "Replacing.h"
#include "Seams.h"
#include "Translations.h"
#include "data/Text.h"
#include "sys/Replace.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

QString SkippedDetails(const varimel::SkippedLines& lines, const std::vector<varimel::MissingValue>& missing)
{
    // The words are the window's, whose warning shows them.
    constexpr std::size_t kShown = 20;
    QStringList details;
    for (std::size_t i = 0; i < std::min(kShown, lines.Count()); ++i) {
        const varimel::SkippedLine line = lines[i];
        details << QCoreApplication::translate("TMainForm", "行 %1: %2: %3")
                       .arg(line.Line)
                       .arg(FromCore(SkipReasonWords(line.Reason, CurrentLanguage())),
                            FromCore(varimel::DisplayText(line.Raw)));
    }
    for (std::size_t i = 0; i < std::min(kShown, missing.size()); ++i)
        details << QCoreApplication::translate("TMainForm", "行 %1: %2列目: %3")
                       .arg(missing[i].Line)
                       .arg(missing[i].Column)
                       .arg(FromCore(SkipReasonWords(missing[i].Reason, CurrentLanguage())));
    details << QCoreApplication::translate("TMainForm", "すべての行は「読み込みレポート」(Ctrl+R)で確認できます。");
    return details.join(QLatin1Char('\n'));
}

TSkippedLinesModel::TSkippedLinesModel(const varimel::SkippedLines& lines,
                                       const std::vector<varimel::MissingValue>& missing, QObject* parent)
    : QAbstractTableModel(parent), m_lines(lines), m_missing(missing)
{
    if (missing.empty())
        return;
    m_rows.reserve(lines.Count() + missing.size());
    std::size_t m = 0;
    for (std::size_t i = 0; i <= lines.Count(); ++i) {
        const std::uint64_t next = i < lines.Count() ? lines[i].Line : UINT64_MAX;
        for (; m < missing.size() && missing[m].Line < next; ++m)
            m_rows.push_back(-1 - static_cast<std::int64_t>(m));
        if (i < lines.Count())
            m_rows.push_back(static_cast<std::int64_t>(i));
    }
}

int TSkippedLinesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_missing.empty() ? m_lines.Count() : m_rows.size());
}

int TSkippedLinesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : (m_missing.empty() ? 3 : 4);
}

QVariant TSkippedLinesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    if (!m_missing.empty() && m_rows[row] < 0) {
        const varimel::MissingValue& value = m_missing[static_cast<std::size_t>(-1 - m_rows[row])];
        switch (index.column()) {
        case 0:
            return QString::number(value.Line);
        case 1:
            return FromCore(varimel::SkipReasonWords(value.Reason, CurrentLanguage()));
        case 3:
            return QString::number(value.Column);
        default:
            return QString();
        }
    }
    const varimel::SkippedLine line = m_lines[m_missing.empty() ? row : static_cast<std::size_t>(m_rows[row])];
    if (index.column() == 3)
        return QString();
    switch (index.column()) {
    case 0:
        return QString::number(line.Line);
    case 1:
        return FromCore(varimel::SkipReasonWords(line.Reason, CurrentLanguage()));
    default:
        return FromCore(varimel::DisplayText(line.Raw));
    }
}

QVariant TSkippedLinesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kHeaders[] = {QT_TR_NOOP("行"), QT_TR_NOOP("理由"), QT_TR_NOOP("内容"), QT_TR_NOOP("列")};
    return section >= 0 && section < columnCount() ? tr(kHeaders[section]) : QVariant();
}

TReportDialog::TReportDialog(QWidget* parent, const QString& path, const varimel::ImportOptions& options,
                             int validRecords, const varimel::SkippedLines& lines,
                             const std::vector<varimel::MissingValue>& missing, const QString& shape)
    : QDialog(parent), m_lines(lines), m_missing(missing)
{
    setObjectName(QStringLiteral("ReportDialog"));
    setWindowTitle(tr("読み込みレポート"));
    auto* layout = new QVBoxLayout(this);
    auto* file = new QLabel(tr("ファイル: ") + (path.isEmpty() ? tr("（なし）") : path), this);
    file->setObjectName(QStringLiteral("ReportFileLabel"));
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* how = new QLabel(tr("読み込み設定: ") + FromCore(varimel::DescribeOptions(options, CurrentLanguage())), this);
    how->setObjectName(QStringLiteral("ReportOptionsLabel"));
    // A mapping that is not the plain one says so.
    if (!shape.isEmpty())
        how->setText(how->text() + QLatin1Char('\n') + tr("マッピング: ") + shape);
    QString countText =
        tr("有効なレコード: %1　読み飛ばした行: %2").arg(validRecords).arg(static_cast<qulonglong>(lines.Count()));
    if (!m_missing.empty())
        countText += tr("　値のない列: %1").arg(static_cast<qulonglong>(m_missing.size()));
    auto* counts = new QLabel(countText, this);
    counts->setObjectName(QStringLiteral("ReportCountsLabel"));
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("ReportTable"));
    m_table->setModel(new TSkippedLinesModel(lines, m_missing, m_table));
    m_table->setAccessibleName(tr("読み飛ばした行"));
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
    QPushButton* copy = buttons->addButton(tr("表をコピー(&C)"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("CopyButton"));
    QPushButton* save = buttons->addButton(tr("TSVファイルに保存...(&S)"), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("SaveButton"));
    QPushButton* close = buttons->addButton(tr("閉じる"), QDialogButtonBox::RejectRole);
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
    QApplication::clipboard()->setText(FromCore(varimel::ReportTsv(m_lines, m_missing, true, CurrentLanguage())));
}

void TReportDialog::SaveTable()
{
    const QString path = seams::ChooseReportFile(this, tr("TSVファイル(*.tsv)"), QStringLiteral("tsv"));
    if (path.isEmpty())
        return;
    TReplaceGrant grant;
    if (!grant.Ask(path, this, tr("ファイルを保存できませんでした。")))
        return;
    const std::string tsv = varimel::ReportTsv(m_lines, m_missing, true, CurrentLanguage());
    std::string reason;
    if (!varimel::ReplaceFile(
            ToPath(path), [&tsv](const std::string& file) { return varimel::WriteWholeFile(file, tsv); }, &reason))
        ShowError(tr("ファイルを保存できませんでした。"), this, path + QStringLiteral(": ") + FromCore(reason));
}
