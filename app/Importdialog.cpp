// SPDX-License-Identifier: MIT
#include "Importdialog.h"

#include "Qtstrings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

using varimel::ImportOptions;

namespace {
constexpr int kPreviewRows = 20;
} // namespace

TImportDialog::TImportDialog(QWidget* parent, const ImportOptions& options, std::string bytes)
    : QDialog(parent), m_bytes(std::move(bytes))
{
    setObjectName(QStringLiteral("ImportDialog"));
    setWindowTitle(QStringLiteral("読み込み設定"));
    auto* form = new QFormLayout;
    m_xColumn = new QSpinBox(this);
    m_xColumn->setObjectName(QStringLiteral("XColumnBox"));
    m_xColumn->setRange(1, varimel::kMaxImportColumn);
    m_xLine = new QCheckBox(QStringLiteral("行番号をXにする(&L)"), this);
    m_xLine->setObjectName(QStringLiteral("XLineBox"));
    m_xDate = new QCheckBox(QStringLiteral("Xを日付として読む(&D)"), this);
    m_xDate->setObjectName(QStringLiteral("XDateBox"));
    m_yColumn = new QSpinBox(this);
    m_yColumn->setObjectName(QStringLiteral("YColumnBox"));
    m_yColumn->setRange(1, varimel::kMaxImportColumn);
    m_comma = new QCheckBox(QStringLiteral("小数点にカンマを使う（区切りはセミコロン）(&C)"), this);
    m_comma->setObjectName(QStringLiteral("DecimalCommaBox"));
    auto* xLabel = new QLabel(QStringLiteral("Xの列(&X)"), this);
    xLabel->setBuddy(m_xColumn);
    auto* yLabel = new QLabel(QStringLiteral("Yの列(&Y)"), this);
    yLabel->setBuddy(m_yColumn);
    form->addRow(xLabel, m_xColumn);
    form->addRow(QString(), m_xLine);
    form->addRow(QString(), m_xDate);
    form->addRow(yLabel, m_yColumn);
    form->addRow(QString(), m_comma);

    m_preview = new QTableWidget(this);
    m_preview->setObjectName(QStringLiteral("PreviewTable"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setAccessibleName(QStringLiteral("先頭20行のプレビュー"));
    m_preview->setMinimumSize(560, 300);
    auto* previewLabel = new QLabel(QStringLiteral("プレビュー（先頭20行）(&P)"), this);
    previewLabel->setBuddy(m_preview);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    QPushButton* reset = buttons->addButton(QStringLiteral("既定に戻す(&R)"), QDialogButtonBox::ResetRole);
    reset->setObjectName(QStringLiteral("DefaultsButton"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(reset, &QPushButton::clicked, this, [this] { SetOptions(ImportOptions{}); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(previewLabel);
    layout->addWidget(m_preview, 1);
    layout->addWidget(buttons);

    SetOptions(options);
    for (QSpinBox* box : {m_xColumn, m_yColumn})
        connect(box, &QSpinBox::valueChanged, this, [this] { Refresh(); });
    for (QCheckBox* box : {m_xLine, m_xDate, m_comma})
        connect(box, &QCheckBox::toggled, this, [this] { Refresh(); });
}

ImportOptions TImportDialog::Options() const
{
    ImportOptions o;
    o.XColumn = m_xLine->isChecked() ? 0 : m_xColumn->value();
    o.XDate = !m_xLine->isChecked() && m_xDate->isChecked();
    o.YColumn = m_yColumn->value();
    o.DecimalComma = m_comma->isChecked();
    return o;
}

void TImportDialog::SetOptions(const ImportOptions& o)
{
    const QSignalBlocker blocks[] = {QSignalBlocker(m_xColumn), QSignalBlocker(m_xLine), QSignalBlocker(m_xDate),
                                     QSignalBlocker(m_yColumn), QSignalBlocker(m_comma)};
    m_xLine->setChecked(o.XColumn == 0);
    m_xColumn->setValue(o.XColumn == 0 ? 1 : o.XColumn);
    m_xDate->setChecked(o.XDate);
    m_yColumn->setValue(o.YColumn);
    m_comma->setChecked(o.DecimalComma);
    Refresh();
}

void TImportDialog::Refresh()
{
    m_xColumn->setEnabled(!m_xLine->isChecked());
    m_xDate->setEnabled(!m_xLine->isChecked());
    const ImportOptions o = Options();
    const std::vector<varimel::PreviewRow> rows = varimel::PreviewLines(m_bytes, o, kPreviewRows);
    int columns = 0;
    for (const auto& row : rows)
        columns = std::max(columns, static_cast<int>(row.Fields.size()));
    m_preview->clear();
    m_preview->setRowCount(static_cast<int>(rows.size()));
    m_preview->setColumnCount(columns + 1);
    QStringList headers;
    headers << QStringLiteral("判定");
    for (int c = 1; c <= columns; ++c) {
        QString header = QString::number(c);
        if (c == o.XColumn)
            header += QStringLiteral(" (X)");
        if (c == o.YColumn)
            header += QStringLiteral(" (Y)");
        headers << header;
    }
    m_preview->setHorizontalHeaderLabels(headers);
    const QColor xColour(255, 236, 200), yColour(210, 230, 255);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const auto& row = rows[static_cast<std::size_t>(r)];
        m_preview->setVerticalHeaderItem(r, new QTableWidgetItem(QString::number(row.Line)));
        auto* verdict = new QTableWidgetItem(row.Verdict ? FromCore(varimel::SkipReasonWords(*row.Verdict))
                                                         : QStringLiteral("有効"));
        m_preview->setItem(r, 0, verdict);
        for (int c = 0; c < static_cast<int>(row.Fields.size()); ++c) {
            auto* item = new QTableWidgetItem(FromCore(row.Fields[static_cast<std::size_t>(c)]));
            if (c + 1 == o.XColumn)
                item->setBackground(xColour);
            else if (c + 1 == o.YColumn)
                item->setBackground(yColour);
            m_preview->setItem(r, c + 1, item);
        }
    }
    m_preview->resizeColumnsToContents();
}
