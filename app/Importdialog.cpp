// SPDX-License-Identifier: MIT
#include "Importdialog.h"

#include "Controls.h"
#include "Messagebox.h"
#include "Qtstrings.h"
#include "Translations.h"
#include "data/Header.h"
#include "data/Series.h"
#include "music/Generalmidi.h"
#include "music/Mapping.h"
#include "music/Shape.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using varimel::ImportOptions;

namespace {
constexpr int kPreviewRows = 20;
} // namespace

TImportDialog::TImportDialog(QWidget* parent, const ImportOptions& options, const SeriesChoice& series,
                             std::string bytes)
    : QDialog(parent), m_bytes(std::move(bytes))
{
    setObjectName(QStringLiteral("ImportDialog"));
    setWindowTitle(tr("読み込み設定"));
    auto* form = new QFormLayout;
    m_xColumn = new TColumnBox(this);
    m_xColumn->setObjectName(QStringLiteral("XColumnBox"));
    m_xLine = new QCheckBox(tr("行番号をXにする(&L)"), this);
    m_xLine->setObjectName(QStringLiteral("XLineBox"));
    m_xDate = new QCheckBox(tr("Xを日付として読む(&D)"), this);
    m_xDate->setObjectName(QStringLiteral("XDateBox"));
    m_yColumn = new TColumnBox(this);
    m_yColumn->setObjectName(QStringLiteral("YColumnBox"));
    m_comma = new QCheckBox(tr("小数点にカンマを使う（区切りはセミコロン）(&C)"), this);
    m_comma->setObjectName(QStringLiteral("DecimalCommaBox"));
    // What separates fields, in the order of FieldSeparator.
    m_separator = new QComboBox(this);
    m_separator->setObjectName(QStringLiteral("SeparatorBox"));
    m_separator->addItems({tr("自動（カンマ・空白）"), tr("カンマ"), tr("セミコロン"), tr("タブ"), tr("空白")});
    auto* separatorLabel = new QLabel(tr("区切り(&S)"), this);
    separatorLabel->setBuddy(m_separator);
    // The order of a date that does not start with the year, in the order
    // of DateOrder.
    m_order = new QComboBox(this);
    m_order->setObjectName(QStringLiteral("DateOrderBox"));
    m_order->addItems({tr("年/月/日のみ"), tr("日/月/年"), tr("月/日/年")});
    auto* orderLabel = new QLabel(tr("日付の順序(&M)"), this);
    orderLabel->setBuddy(m_order);
    auto* xLabel = new QLabel(tr("Xの列(&X)"), this);
    xLabel->setBuddy(m_xColumn);
    auto* yLabel = new QLabel(tr("Yの列(&Y)"), this);
    yLabel->setBuddy(m_yColumn);
    form->addRow(xLabel, m_xColumn);
    form->addRow(QString(), m_xLine);
    form->addRow(QString(), m_xDate);
    form->addRow(orderLabel, m_order);
    // A series rests where its value is at or below its rest value, as rain
    // on a dry day.
    m_rest = new QLineEdit(this);
    m_rest->setObjectName(QStringLiteral("RestBelowField"));
    m_rest->setMaximumWidth(80);
    m_rest->setAccessibleName(tr("Yの列の休符"));
    auto* restLabel = new QLabel(tr("休符(&B)"), this);
    restLabel->setBuddy(m_rest);
    auto* yRow = new QHBoxLayout;
    yRow->addWidget(m_yColumn);
    yRow->addSpacing(12);
    yRow->addWidget(restLabel);
    yRow->addWidget(m_rest);
    yRow->addWidget(new QLabel(tr("以下 (空欄: なし)"), this));
    yRow->addStretch(1);
    form->addRow(yLabel, yRow);
    form->addRow(QString(), m_comma);
    form->addRow(separatorLabel, m_separator);

    // Rows kept by the value in one column, and rows grouped into series by
    // the values of one column.
    m_whereOn = new QCheckBox(tr("行の絞り込み(&W)"), this);
    m_whereOn->setObjectName(QStringLiteral("WhereBox"));
    m_whereColumn = new TColumnBox(this);
    m_whereColumn->setObjectName(QStringLiteral("WhereColumnBox"));
    m_whereColumn->setAccessibleName(tr("絞り込む列"));
    m_whereValue = new QLineEdit(this);
    m_whereValue->setObjectName(QStringLiteral("WhereValueBox"));
    m_whereValue->setAccessibleName(tr("絞り込む値"));
    auto* whereRow = new QHBoxLayout;
    whereRow->addWidget(m_whereOn);
    whereRow->addWidget(new QLabel(tr("列"), this));
    whereRow->addWidget(m_whereColumn);
    whereRow->addWidget(new QLabel(tr("の値が"), this));
    whereRow->addWidget(m_whereValue, 1);
    m_splitOn = new QCheckBox(tr("グループごとに系列にする(&G)"), this);
    m_splitOn->setObjectName(QStringLiteral("SplitBox"));
    m_splitColumn = new TColumnBox(this);
    m_splitColumn->setObjectName(QStringLiteral("SplitColumnBox"));
    m_splitColumn->setAccessibleName(tr("グループの列"));
    auto* splitRow = new QHBoxLayout;
    splitRow->addWidget(m_splitOn);
    splitRow->addWidget(new QLabel(tr("列"), this));
    splitRow->addWidget(m_splitColumn);
    splitRow->addStretch(1);
    form->addRow(QString(), whereRow);
    form->addRow(QString(), splitRow);

    // Further Y columns, each a series with its own instrument.
    m_more = new QTableWidget(0, 3, this);
    m_more->setObjectName(QStringLiteral("MoreSeriesTable"));
    m_more->setHorizontalHeaderLabels({tr("列"), tr("音色"), tr("休符(以下)")});
    m_more->setAccessibleName(tr("重ねる列"));
    m_more->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_more->verticalHeader()->setVisible(false);
    m_more->setMinimumHeight(110);
    m_more->setMaximumHeight(140);
    auto* moreLabel = new QLabel(tr("重ねる列(&O)"), this);
    moreLabel->setBuddy(m_more);
    auto* addMore = new QPushButton(tr("列を追加(&A)"), this);
    addMore->setObjectName(QStringLiteral("AddSeriesButton"));
    auto* removeMore = new QPushButton(tr("列を削除(&E)"), this);
    removeMore->setObjectName(QStringLiteral("RemoveSeriesButton"));
    connect(addMore, &QPushButton::clicked, this,
            [this] { AddSeries(std::max(m_yColumn->value(), m_xColumn->value()) + m_more->rowCount() + 1, 0); });
    connect(removeMore, &QPushButton::clicked, this, [this] {
        if (m_more->rowCount() > 0) {
            m_more->removeRow(m_more->currentRow() >= 0 ? m_more->currentRow() : m_more->rowCount() - 1);
            Refresh();
        }
    });
    m_shared = new QCheckBox(tr("全系列を共通の範囲で音にする(&H)"), this);
    m_shared->setObjectName(QStringLiteral("SharedRangeBox"));
    auto* moreButtons = new QHBoxLayout;
    moreButtons->addWidget(addMore);
    moreButtons->addWidget(removeMore);
    moreButtons->addStretch(1);
    moreButtons->addWidget(m_shared);

    m_preview = new QTableWidget(this);
    m_preview->setObjectName(QStringLiteral("PreviewTable"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setAccessibleName(tr("先頭20行のプレビュー"));
    m_preview->setMinimumSize(560, 300);
    auto* previewLabel = new QLabel(tr("プレビュー（先頭20行）(&P)"), this);
    previewLabel->setBuddy(m_preview);

    QDialogButtonBox* buttons = DialogButtons(this, tr("既定に戻す(&R)"), [this] { SetOptions(ImportOptions{}, {}); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(moreLabel);
    layout->addWidget(m_more);
    layout->addLayout(moreButtons);
    layout->addWidget(previewLabel);
    layout->addWidget(m_preview, 1);
    layout->addWidget(buttons);

    SetOptions(options, series);
    for (QSpinBox* box : {m_xColumn, m_yColumn, m_whereColumn, m_splitColumn})
        connect(box, &QSpinBox::valueChanged, this, [this] { Refresh(); });
    connect(m_whereValue, &QLineEdit::textChanged, this, [this] { Refresh(); });
    for (QCheckBox* box : {m_xLine, m_xDate, m_comma, m_whereOn, m_splitOn})
        connect(box, &QCheckBox::toggled, this, [this] { Refresh(); });
    for (QComboBox* box : {m_separator, m_order})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
}

ImportOptions TImportDialog::Options() const
{
    ImportOptions o;
    o.XColumn = m_xLine->isChecked() ? 0 : m_xColumn->value();
    o.XDate = !m_xLine->isChecked() && m_xDate->isChecked();
    o.YColumn = m_yColumn->value();
    o.DecimalComma = m_comma->isChecked();
    o.Separator = static_cast<varimel::FieldSeparator>(std::max(0, m_separator->currentIndex()));
    o.Order = o.XDate ? static_cast<varimel::DateOrder>(std::max(0, m_order->currentIndex())) : varimel::DateOrder::YMD;
    for (int r = 0; r < m_more->rowCount(); ++r)
        o.MoreYColumns.push_back(static_cast<QSpinBox*>(m_more->cellWidget(r, 0))->value());
    if (m_whereOn->isChecked())
        o.Where.push_back({m_whereColumn->value(), m_whereValue->text().toStdString()});
    o.SplitBy = m_splitOn->isChecked() ? m_splitColumn->value() : 0;
    return o;
}

std::vector<QLineEdit*> TImportDialog::RestBoxes() const
{
    std::vector<QLineEdit*> boxes{m_rest};
    for (int r = 0; r < m_more->rowCount(); ++r)
        boxes.push_back(static_cast<QLineEdit*>(m_more->cellWidget(r, 2)));
    return boxes;
}

SeriesChoice TImportDialog::Series() const
{
    SeriesChoice series;
    for (int r = 0; r < m_more->rowCount(); ++r)
        series.Programs.push_back(static_cast<QComboBox*>(m_more->cellWidget(r, 1))->currentIndex());
    series.SharedRange = m_shared->isChecked();
    // One value for every series is kept as one; none at all as none.
    QStringList texts;
    for (const QLineEdit* box : RestBoxes())
        texts << (box->text().trimmed().isEmpty() ? QStringLiteral("-") : box->text().trimmed());
    if (texts.count(QStringLiteral("-")) == texts.size())
        return series;
    if (texts.count(texts.front()) == texts.size())
        texts = QStringList{texts.front()};
    series.RestBelow = varimel::RestBelowNamed(ToCore(texts.join(QLatin1Char(',')))).value_or(std::vector<double>{});
    return series;
}

void TImportDialog::AddSeries(int column, int program, const QString& rest)
{
    if (m_more->rowCount() >= varimel::kMaxSeries - 1)
        return;
    const int row = m_more->rowCount();
    m_more->insertRow(row);
    auto* columnBox = new TColumnBox(m_more);
    columnBox->SetHeader(m_yColumn->Header());
    columnBox->setValue(std::clamp(column, 1, varimel::kMaxImportColumn));
    columnBox->setAccessibleName(tr("重ねる列 %1").arg(row + 1));
    auto* programBox = new QComboBox(m_more);
    for (int p = 0; p < varimel::kProgramCount; ++p)
        programBox->addItem(FromCore(varimel::ProgramEntry(p)));
    programBox->setCurrentIndex(std::clamp(program, 0, varimel::kProgramCount - 1));
    programBox->setAccessibleName(tr("重ねる列 %1 の音色").arg(row + 1));
    auto* restBox = new QLineEdit(rest, m_more);
    restBox->setAccessibleName(tr("重ねる列 %1 の休符").arg(row + 1));
    m_more->setCellWidget(row, 0, columnBox);
    m_more->setCellWidget(row, 1, programBox);
    m_more->setCellWidget(row, 2, restBox);
    connect(columnBox, &QSpinBox::valueChanged, this, [this] { Refresh(); });
    Refresh();
}

void TImportDialog::accept()
{
    // Every column once: a further column that is X, Y or another one's
    // would be heard twice or not at all.
    if (!Options().ColumnsDistinct()) {
        ShowError(tr("同じ列が2回指定されています。XとYと重ねる列には別々の列を指定して下さい。"), this);
        return;
    }
    if (Options().DecimalComma && Options().Separator == varimel::FieldSeparator::Comma) {
        ShowError(tr("小数点にカンマを使うときは、区切りにカンマを選べません。"), this);
        return;
    }
    if (Options().SplitBy > 0 && !Options().MoreYColumns.empty()) {
        ShowError(tr("グループごとに系列にするときは、重ねる列を使えません。"), this);
        return;
    }
    for (QLineEdit* box : RestBoxes()) {
        const QString text = box->text().trimmed();
        if (!text.isEmpty() && text != QStringLiteral("-") &&
            varimel::RestBelowNamed(ToCore(text)).value_or(std::vector<double>{}).size() != 1) {
            ShowError(tr("休符の値は数で入力して下さい（空欄で休符なし）。"), this);
            box->setFocus();
            box->selectAll();
            return;
        }
    }
    QDialog::accept();
}

void TImportDialog::SetOptions(const ImportOptions& o, const SeriesChoice& series)
{
    m_shared->setChecked(series.SharedRange);
    // A series' rest value as its box shows it: empty for none.
    varimel::MappingShape rests;
    rests.RestBelow = series.RestBelow;
    const auto restText = [&rests](std::size_t k) {
        const double v = rests.RestBelowOf(k);
        return std::isinf(v) ? QString() : FromCore(varimel::RestBelowText({v}));
    };
    m_rest->setText(restText(0));
    const QSignalBlocker blocks[] = {
        QSignalBlocker(m_xColumn),    QSignalBlocker(m_xLine),   QSignalBlocker(m_xDate),
        QSignalBlocker(m_yColumn),    QSignalBlocker(m_comma),   QSignalBlocker(m_separator),
        QSignalBlocker(m_order),      QSignalBlocker(m_whereOn), QSignalBlocker(m_whereColumn),
        QSignalBlocker(m_whereValue), QSignalBlocker(m_splitOn), QSignalBlocker(m_splitColumn)};
    m_xLine->setChecked(o.XColumn == 0);
    m_xColumn->setValue(o.XColumn == 0 ? 1 : o.XColumn);
    m_xDate->setChecked(o.XDate);
    m_yColumn->setValue(o.YColumn);
    m_comma->setChecked(o.DecimalComma);
    m_separator->setCurrentIndex(static_cast<int>(o.Separator));
    m_order->setCurrentIndex(static_cast<int>(o.Order));
    m_whereOn->setChecked(!o.Where.empty());
    m_whereColumn->setValue(o.Where.empty() ? 1 : o.Where.front().Column);
    m_whereValue->setText(o.Where.empty() ? QString() : QString::fromStdString(o.Where.front().Value));
    m_splitOn->setChecked(o.SplitBy > 0);
    m_splitColumn->setValue(o.SplitBy > 0 ? o.SplitBy : 1);
    m_more->setRowCount(0);
    for (std::size_t k = 0; k < o.MoreYColumns.size(); ++k)
        AddSeries(o.MoreYColumns[k], k < series.Programs.size() ? series.Programs[k] : 0, restText(k + 1));
    Refresh();
}

void TImportDialog::Refresh()
{
    m_xColumn->setEnabled(!m_xLine->isChecked());
    m_xDate->setEnabled(!m_xLine->isChecked());
    m_order->setEnabled(!m_xLine->isChecked() && m_xDate->isChecked());
    m_whereColumn->setEnabled(m_whereOn->isChecked());
    m_whereValue->setEnabled(m_whereOn->isChecked());
    m_splitColumn->setEnabled(m_splitOn->isChecked());
    // One range or each its own only matters with several series.
    m_shared->setEnabled(m_more->rowCount() > 0 || m_splitOn->isChecked());
    const ImportOptions o = Options();
    // The column boxes name the columns of the file's header as the
    // options split it.
    const std::vector<std::string> header = varimel::HeaderNames(m_bytes, o);
    for (TColumnBox* box : {m_xColumn, m_yColumn, m_whereColumn, m_splitColumn})
        box->SetHeader(header);
    for (int r = 0; r < m_more->rowCount(); ++r)
        static_cast<TColumnBox*>(m_more->cellWidget(r, 0))->SetHeader(header);
    const std::vector<varimel::PreviewRow> rows = varimel::PreviewLines(m_bytes, o, kPreviewRows);
    int columns = 0;
    for (const auto& row : rows)
        columns = std::max(columns, static_cast<int>(row.Fields.size()));
    m_preview->clear();
    m_preview->setRowCount(static_cast<int>(rows.size()));
    m_preview->setColumnCount(columns + 1);
    QStringList headers;
    headers << tr("判定");
    for (int c = 1; c <= columns; ++c) {
        QString header = QString::number(c);
        if (c == o.XColumn)
            header += QStringLiteral(" (X)");
        if (c == o.YColumn)
            header += QStringLiteral(" (Y)");
        for (std::size_t k = 0; k < o.MoreYColumns.size(); ++k)
            if (c == o.MoreYColumns[k])
                header += QStringLiteral(" (Y%1)").arg(k + 2);
        if (c == o.SplitBy)
            header += tr(" (グループ)");
        headers << header;
    }
    m_preview->setHorizontalHeaderLabels(headers);
    const QColor xColour(255, 236, 200), yColour(210, 230, 255);
    const std::vector<int> ys = o.YColumns();
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const auto& row = rows[static_cast<std::size_t>(r)];
        m_preview->setVerticalHeaderItem(r, new QTableWidgetItem(QString::number(row.Line)));
        auto* verdict =
            new QTableWidgetItem(row.Filtered  ? tr("絞り込みで除外")
                                 : row.Verdict ? FromCore(varimel::SkipReasonWords(*row.Verdict, CurrentLanguage()))
                                               : tr("有効"));
        m_preview->setItem(r, 0, verdict);
        for (int c = 0; c < static_cast<int>(row.Fields.size()); ++c) {
            auto* item = new QTableWidgetItem(FromCore(row.Fields[static_cast<std::size_t>(c)]));
            if (c + 1 == o.XColumn)
                item->setBackground(xColour);
            else if (std::count(ys.begin(), ys.end(), c + 1) > 0)
                item->setBackground(yColour);
            m_preview->setItem(r, c + 1, item);
        }
    }
    m_preview->resizeColumnsToContents();
}
