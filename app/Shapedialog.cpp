// SPDX-License-Identifier: MIT
#include "Shapedialog.h"

#include "Controls.h"
#include "Messagebox.h"
#include "Qtstrings.h"
#include "data/Importer.h"
#include "data/Number.h"
#include "music/Series.h"
#include "music/Shape.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace varimel;

namespace {

// The outlier choices and the percent each clips.
constexpr double kClips[] = {0.0, 1.0, 2.0, 5.0};

QString Real(double v) { return FromCore(FormatG(v, 0, false)); }

} // namespace

TShapeDialog::TShapeDialog(QWidget* parent, const TXYDataList* data, const MappingRequest& request,
                           const std::vector<std::string>& header)
    : QDialog(parent), m_data(data), m_request(request)
{
    setObjectName(QStringLiteral("ShapeDialog"));
    setWindowTitle(tr("マッピング詳細"));
    const auto combo = [this](const char* name, std::initializer_list<const char*> items) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(name));
        for (const char* item : items)
            box->addItem(tr(item));
        connect(box, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
        return box;
    };
    const auto edit = [this](const char* name, const char* accessible) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setAccessibleName(tr(accessible));
        box->setMaximumWidth(90);
        connect(box, &QLineEdit::textChanged, this, [this] { Refresh(); });
        return box;
    };
    const auto spin = [this](const char* name, const char* accessible, int low, int high) {
        auto* box = new QSpinBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setAccessibleName(tr(accessible));
        box->setRange(low, high);
        connect(box, &QSpinBox::valueChanged, this, [this] { Refresh(); });
        return box;
    };
    m_direction = combo("DirectionBox", {QT_TR_NOOP("高い値を高い音に"), QT_TR_NOOP("反転")});
    m_scale = combo("ScaleOfYBox", {QT_TR_NOOP("線形"), QT_TR_NOOP("対数")});
    m_clip = combo("ClipBox", {QT_TR_NOOP("そのまま"), QT_TR_NOOP("上下 1% を端の音に"),
                               QT_TR_NOOP("上下 2% を端の音に"), QT_TR_NOOP("上下 5% を端の音に")});
    m_range = combo("RangeBox", {QT_TR_NOOP("データの最小・最大"), QT_TR_NOOP("固定")});
    m_rangeLow = edit("RangeLowBox", QT_TR_NOOP("範囲の最小"));
    m_rangeHigh = edit("RangeHighBox", QT_TR_NOOP("範囲の最大"));
    m_velocity = combo("VelocityFromBox", {QT_TR_NOOP("一定"), QT_TR_NOOP("列から")});
    // The columns by number and header name.
    const auto column = [this, &header](const char* name, const char* accessible) {
        auto* box = new TColumnBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setAccessibleName(tr(accessible));
        box->SetHeader(header);
        connect(box, &QSpinBox::valueChanged, this, [this] { Refresh(); });
        return box;
    };
    m_velocityColumn = column("VelocityColumnBox", QT_TR_NOOP("音の強さの列"));
    m_velocityLow = spin("VelocityLowBox", QT_TR_NOOP("音の強さの最小"), kMinVelocity, kMaxVelocity);
    m_velocityHigh = spin("VelocityHighBox", QT_TR_NOOP("音の強さの最大"), kMinVelocity, kMaxVelocity);
    m_duration = combo("DurationFromBox", {QT_TR_NOOP("一定"), QT_TR_NOOP("列から")});
    m_durationColumn = column("DurationColumnBox", QT_TR_NOOP("音の長さの列"));
    m_durationLow = edit("DurationLowBox", QT_TR_NOOP("音の長さの最小"));
    m_durationHigh = edit("DurationHighBox", QT_TR_NOOP("音の長さの最大"));
    m_restBelow = edit("RestBelowBox", QT_TR_NOOP("休符にする値"));

    const auto row = [](std::initializer_list<QWidget*> widgets) {
        auto* line = new QHBoxLayout;
        for (QWidget* w : widgets)
            line->addWidget(w);
        line->addStretch(1);
        return line;
    };
    const auto label = [this](const char* text) { return new QLabel(tr(text), this); };
    auto* form = new QFormLayout;
    const auto add = [&](const char* text, QWidget* buddy, QLayout* line) {
        QLabel* l = label(text);
        l->setBuddy(buddy);
        form->addRow(l, line);
    };
    add(QT_TR_NOOP("向き(&D)"), m_direction, row({m_direction}));
    add(QT_TR_NOOP("尺度(&S)"), m_scale, row({m_scale}));
    add(QT_TR_NOOP("外れ値(&O)"), m_clip, row({m_clip}));
    add(QT_TR_NOOP("範囲(&R)"), m_range,
        row({m_range, label(QT_TR_NOOP("最小")), m_rangeLow, label(QT_TR_NOOP("最大")), m_rangeHigh}));
    add(QT_TR_NOOP("音の強さ(&V)"), m_velocity,
        row({m_velocity, label(QT_TR_NOOP("列")), m_velocityColumn, label(QT_TR_NOOP("範囲")), m_velocityLow,
             label(QT_TR_NOOP("〜")), m_velocityHigh}));
    add(QT_TR_NOOP("音の長さ(&L)"), m_duration,
        row({m_duration, label(QT_TR_NOOP("列")), m_durationColumn, label(QT_TR_NOOP("範囲")), m_durationLow,
             label(QT_TR_NOOP("〜")), m_durationHigh}));
    // A value at or below this is silent: one for every series, or one
    // each separated by commas ("-": none for that series).
    add(QT_TR_NOOP("休符(&T)"), m_restBelow,
        row({m_restBelow, label(QT_TR_NOOP("以下は鳴らさない（系列ごとにカンマ区切り、- はなし）"))}));

    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("ShapePreviewLabel"));
    m_preview->setAccessibleName(tr("プレビュー"));

    QDialogButtonBox* buttons = DialogButtons(this, tr("既定に戻す(&E)"), [this] { SetShape(MappingShape{}); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_preview);
    layout->addWidget(buttons);
    SetShape(request.Shape);
}

void TShapeDialog::SetShape(const MappingShape& s)
{
    m_direction->setCurrentIndex(s.Invert ? 1 : 0);
    m_scale->setCurrentIndex(s.LogY ? 1 : 0);
    int clip = 0;
    for (int i = 0; i < static_cast<int>(std::size(kClips)); ++i)
        if (kClips[i] == s.Clip)
            clip = i;
    m_clip->setCurrentIndex(clip);
    m_range->setCurrentIndex(s.FixedRange ? 1 : 0);
    m_rangeLow->setText(s.FixedRange ? Real(s.RangeLow) : QString());
    m_rangeHigh->setText(s.FixedRange ? Real(s.RangeHigh) : QString());
    m_velocity->setCurrentIndex(s.VelocityColumn > 0 ? 1 : 0);
    m_velocityColumn->setValue(std::max(1, s.VelocityColumn == 0 ? 3 : s.VelocityColumn));
    m_velocityLow->setValue(s.VelocityLow);
    m_velocityHigh->setValue(s.VelocityHigh);
    m_duration->setCurrentIndex(s.DurationColumn > 0 ? 1 : 0);
    m_durationColumn->setValue(std::max(1, s.DurationColumn == 0 ? 3 : s.DurationColumn));
    m_durationLow->setText(Real(s.DurationLow));
    m_durationHigh->setText(Real(s.DurationHigh));
    m_restBelow->setText(QString::fromStdString(RestBelowText(s.RestBelow)));
    Refresh();
}

std::optional<MappingShape> TShapeDialog::Shape(QString* problem) const
{
    const auto fail = [problem](const char* text) -> std::optional<MappingShape> {
        if (problem)
            *problem = tr(text);
        return std::nullopt;
    };
    MappingShape s;
    s.Invert = m_direction->currentIndex() == 1;
    s.LogY = m_scale->currentIndex() == 1;
    s.FixedRange = m_range->currentIndex() == 1;
    s.Clip = s.FixedRange ? 0.0 : kClips[std::max(0, m_clip->currentIndex())];
    const auto number = [](const QLineEdit* box) { return ParseNumber(ToCore(box->text().trimmed())); };
    if (s.FixedRange) {
        const auto low = number(m_rangeLow);
        const auto high = number(m_rangeHigh);
        if (!low || !high)
            return fail(QT_TR_NOOP("範囲の最小と最大には数値を入力して下さい。"));
        s.RangeLow = *low;
        s.RangeHigh = *high;
    }
    s.VelocityColumn = m_velocity->currentIndex() == 1 ? m_velocityColumn->value() : 0;
    s.VelocityLow = m_velocityLow->value();
    s.VelocityHigh = m_velocityHigh->value();
    s.DurationColumn = m_duration->currentIndex() == 1 ? m_durationColumn->value() : 0;
    const auto low = number(m_durationLow);
    const auto high = number(m_durationHigh);
    if (!low || !high)
        return fail(QT_TR_NOOP("音の長さの範囲には数値を入力して下さい。"));
    s.DurationLow = *low;
    s.DurationHigh = *high;
    const std::optional<std::vector<double>> rests = RestBelowNamed(ToCore(m_restBelow->text()));
    if (!rests)
        return fail(QT_TR_NOOP("休符にする値には数値（なしは -）をカンマで区切って15個まで入力して下さい。"));
    s.RestBelow = *rests;
    switch (ShapeProblem(s, kMaxImportColumn)) {
    case ShapeField::None:
        return s;
    case ShapeField::Range:
        return fail(s.LogY ? QT_TR_NOOP("範囲の最小は最大より小さく、対数では0より大きくして下さい。")
                           : QT_TR_NOOP("範囲の最小は最大より小さくして下さい。"));
    case ShapeField::VelocityRange:
        return fail(QT_TR_NOOP("音の強さの範囲は1〜127で、最小を最大以下にして下さい。"));
    case ShapeField::DurationRange:
        return fail(QT_TR_NOOP("音の長さの範囲は0より大きく1以下で、最小を最大以下にして下さい。"));
    default:
        return fail(QT_TR_NOOP("マッピング詳細の値が正しくありません。"));
    }
}

QString TShapeDialog::PreviewText() const { return m_preview->text(); }

void TShapeDialog::Refresh()
{
    const bool fixed = m_range->currentIndex() == 1;
    m_clip->setEnabled(!fixed);
    m_rangeLow->setEnabled(fixed);
    m_rangeHigh->setEnabled(fixed);
    for (QWidget* w : std::initializer_list<QWidget*>{m_velocityColumn, m_velocityLow, m_velocityHigh})
        w->setEnabled(m_velocity->currentIndex() == 1);
    for (QWidget* w : std::initializer_list<QWidget*>{m_durationColumn, m_durationLow, m_durationHigh})
        w->setEnabled(m_duration->currentIndex() == 1);
    // What the loaded data gives with these choices.
    const std::optional<MappingShape> shape = Shape();
    if (!m_data || m_data->Empty() || !shape) {
        m_preview->setText(tr("プレビュー: ―"));
        return;
    }
    MappingRequest request = m_request;
    request.Shape = *shape;
    request.Shape.VelocityColumn = 0; // the pitches do not depend on them
    request.Shape.DurationColumn = 0;
    const ShapePreview p = PreviewShape(*m_data, request);
    if (p.Notes == 0) {
        m_preview->setText(tr("プレビュー: ―"));
        return;
    }
    const auto name = [](int key) {
        return key >= kLowestTone && key <= kHighestTone ? FromCore(ToneLabel(ToneOfMidiNote(key))) : QString();
    };
    m_preview->setText(tr("%1〜%2, %3 音, うち端の音 %4")
                           .arg(name(p.LowKey), name(p.HighKey))
                           .arg(static_cast<qulonglong>(p.Notes))
                           .arg(static_cast<qulonglong>(p.AtEnds)));
}

void TShapeDialog::accept()
{
    QString problem;
    if (!Shape(&problem)) {
        ShowError(problem, this);
        return;
    }
    QDialog::accept();
}
