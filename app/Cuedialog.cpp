// SPDX-License-Identifier: MIT
#include "Cuedialog.h"

#include "Controls.h"
#include "Messagebox.h"
#include "Qtstrings.h"
#include "data/Number.h"
#include "music/Cues.h"
#include "music/Piece.h"
#include "music/Scale.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

using namespace varimel;

namespace {

// The tick choices in the box's order: none, a step of X, then the units.
constexpr TickUnit kUnits[] = {TickUnit::Day, TickUnit::Week, TickUnit::Month, TickUnit::Year};

QString Real(double v) { return FromCore(FormatG(v, 0, false)); }

std::optional<double> Number(const QString& text)
{
    const std::optional<double> v = ParseNumber(ToCore(text.trimmed()));
    return v && std::isfinite(*v) ? v : std::nullopt;
}

} // namespace

TCueDialog::TCueDialog(QWidget* parent, const CsvLoad* load, const MappingRequest& request)
    : QDialog(parent), m_load(load), m_request(request)
{
    setObjectName(QStringLiteral("CueDialog"));
    setWindowTitle(tr("音の目印"));
    const auto named = [](QWidget* w, const char* name, const QString& accessible) {
        w->setObjectName(QString::fromLatin1(name));
        w->setAccessibleName(accessible);
    };
    m_tick = new QComboBox(this);
    named(m_tick, "TickBox", tr("目盛り"));
    m_tick->addItems({tr("なし"), tr("Xの間隔ごと"), tr("日ごと"), tr("週ごと"), tr("月ごと"), tr("年ごと")});
    m_step = new QLineEdit(this);
    named(m_step, "TickStepField", tr("目盛りの間隔"));
    m_step->setMaximumWidth(90);
    m_major = new QSpinBox(this);
    named(m_major, "MajorEveryBox", tr("大きな目盛りの間隔"));
    m_major->setRange(0, 1000);
    m_major->setSpecialValueText(tr("自動"));
    m_ref = new QLineEdit(this);
    named(m_ref, "RefField", tr("基準音のYの値"));
    m_refMode = new QComboBox(this);
    named(m_refMode, "RefModeBox", tr("基準音の鳴らし方"));
    m_refMode->addItems({tr("鳴らし続ける"), tr("目盛りごと")});
    m_mark = new QLineEdit(this);
    named(m_mark, "MarkField", tr("交差の目印のYの値"));
    m_mark->setMaximumWidth(90);
    m_ends = new QCheckBox(tr("終わりの合図(&N)"), this);
    m_ends->setObjectName(QStringLiteral("EndsBox"));
    m_legend = new QCheckBox(tr("凡例を先に鳴らす(&L)"), this);
    m_legend->setObjectName(QStringLiteral("LegendBox"));
    m_gaps = new QCheckBox(tr("欠測と間隔の空きの合図(&G)"), this);
    m_gaps->setObjectName(QStringLiteral("GapsBox"));
    m_gapFactor = new QLineEdit(this);
    named(m_gapFactor, "GapFactorField", tr("空きとみなす平均間隔の倍数"));
    m_gapFactor->setMaximumWidth(60);
    m_pan = new QComboBox(this);
    named(m_pan, "PanBox", tr("ステレオ"));
    m_pan->addItems({tr("なし（中央）"), tr("Xに沿って左から右へ"), tr("系列ごとに")});
    m_panWidth = new QSpinBox(this);
    named(m_panWidth, "PanWidthBox", tr("ステレオの幅"));
    m_panWidth->setRange(0, 100);
    m_panWidth->setSuffix(QStringLiteral(" %"));
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("CueSummary"));
    m_summary->setWordWrap(true);
    m_summary->setMinimumWidth(420);

    auto* form = new QFormLayout;
    const auto row = [&](const QString& caption, QWidget* buddy, std::initializer_list<QWidget*> widgets) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(buddy);
        auto* line = new QHBoxLayout;
        for (QWidget* w : widgets)
            line->addWidget(w);
        line->addStretch(1);
        form->addRow(label, line);
    };
    row(tr("目盛り(&T)"), m_tick, {m_tick, new QLabel(tr("間隔"), this), m_step});
    row(tr("大きな目盛り(&J)"), m_major, {m_major, new QLabel(tr("目盛りごと"), this)});
    row(tr("基準音(&F)"), m_ref, {m_ref, m_refMode});
    row(tr("交差の目印(&C)"), m_mark, {m_mark, new QLabel(tr("を上下に横切るところ"), this)});
    form->addRow(QString(), m_ends);
    form->addRow(QString(), m_legend);
    auto* gapLine = new QHBoxLayout;
    gapLine->addWidget(m_gaps);
    gapLine->addWidget(m_gapFactor);
    gapLine->addWidget(new QLabel(tr("倍の空き"), this));
    gapLine->addStretch(1);
    form->addRow(QString(), gapLine);
    row(tr("ステレオ(&S)"), m_pan, {m_pan, new QLabel(tr("幅"), this), m_panWidth});

    QDialogButtonBox* buttons = DialogButtons(this, tr("既定に戻す(&R)"), [this] { SetCues(CueRequest{}); });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_summary);
    layout->addWidget(buttons);

    SetCues(request.Cues);
    for (QLineEdit* box : {m_step, m_ref, m_mark, m_gapFactor})
        connect(box, &QLineEdit::textChanged, this, [this] { Refresh(); });
    for (QComboBox* box : {m_tick, m_refMode, m_pan})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
    for (QSpinBox* box : {m_major, m_panWidth})
        connect(box, &QSpinBox::valueChanged, this, [this] { Refresh(); });
    for (QCheckBox* box : {m_ends, m_gaps, m_legend})
        connect(box, &QCheckBox::toggled, this, [this] { Refresh(); });
}

void TCueDialog::SetCues(const CueRequest& c)
{
    const QSignalBlocker blocks[] = {QSignalBlocker(m_tick), QSignalBlocker(m_step),     QSignalBlocker(m_major),
                                     QSignalBlocker(m_ref),  QSignalBlocker(m_refMode),  QSignalBlocker(m_mark),
                                     QSignalBlocker(m_ends), QSignalBlocker(m_gaps),     QSignalBlocker(m_gapFactor),
                                     QSignalBlocker(m_pan),  QSignalBlocker(m_panWidth), QSignalBlocker(m_legend)};
    int tick = 0;
    if (c.Unit != TickUnit::Number)
        tick = 2 + static_cast<int>(std::find(std::begin(kUnits), std::end(kUnits), c.Unit) - std::begin(kUnits));
    else if (c.TickStep > 0)
        tick = 1;
    m_tick->setCurrentIndex(tick);
    m_step->setText(c.TickStep > 0 ? Real(c.TickStep) : QString());
    m_major->setValue(c.MajorEvery);
    QStringList refs;
    for (const double v : c.RefY)
        refs << Real(v);
    m_ref->setText(refs.join(QLatin1Char(',')));
    m_refMode->setCurrentIndex(c.Ref == RefMode::Tick ? 1 : 0);
    m_mark->setText(c.MarkY ? Real(*c.MarkY) : QString());
    m_ends->setChecked(c.Ends);
    m_legend->setChecked(c.Legend);
    m_gaps->setChecked(c.Gaps);
    m_gapFactor->setText(Real(c.GapFactor));
    m_pan->setCurrentIndex(static_cast<int>(c.Pan));
    m_panWidth->setValue(c.PanWidth);
    Refresh();
}

std::optional<CueRequest> TCueDialog::Cues(QString* problem) const
{
    const auto refuse = [problem](const QString& text) {
        if (problem)
            *problem = text;
        return std::nullopt;
    };
    CueRequest c;
    const int tick = m_tick->currentIndex();
    if (tick == 1) {
        const std::optional<double> step = Number(m_step->text());
        if (!step || !(*step > 0))
            return refuse(tr("目盛りの間隔は0より大きい数で入力して下さい。"));
        c.TickStep = *step;
    } else if (tick >= 2) {
        c.Unit = kUnits[tick - 2];
        if (!m_request.Cues.Dates) {
            CueRefusal noDates;
            noDates.What = CueRefusal::Kind::DateUnitWithoutDates;
            return refuse(RefusalWords(noDates));
        }
    }
    c.MajorEvery = tick > 0 ? m_major->value() : 0;
    if (!m_ref->text().trimmed().isEmpty())
        for (const QString& item : m_ref->text().split(QLatin1Char(','))) {
            const std::optional<double> v = Number(item);
            if (!v)
                return refuse(tr("基準音の値は数で入力して下さい（複数はカンマ区切り）。"));
            c.RefY.push_back(*v);
        }
    c.Ref = m_refMode->currentIndex() == 1 ? RefMode::Tick : RefMode::Hold;
    if (!m_mark->text().trimmed().isEmpty()) {
        c.MarkY = Number(m_mark->text());
        if (!c.MarkY)
            return refuse(tr("交差の目印の値は数で入力して下さい。"));
    }
    c.Ends = m_ends->isChecked();
    c.Legend = m_legend->isChecked();
    c.Gaps = m_gaps->isChecked();
    const std::optional<double> factor = Number(m_gapFactor->text());
    if (c.Gaps && (!factor || !(*factor > 0)))
        return refuse(tr("空きの倍数は0より大きい数で入力して下さい。"));
    c.GapFactor = factor && *factor > 0 ? *factor : kDefaultGapFactor;
    c.Pan = static_cast<PanMode>(m_pan->currentIndex());
    c.PanWidth = m_panWidth->value();
    return c;
}

QString TCueDialog::SummaryText() const
{
    QString problem;
    const std::optional<CueRequest> cues = Cues(&problem);
    if (!cues)
        return problem;
    if (!cues->Any())
        return tr("音の目印はありません。");
    if (!m_load || m_load->Data.Empty())
        return tr("データを読み込むと、何が鳴るかをここに示します。");
    const TPiece piece = PieceWith(*cues);
    if (piece.CueProblem())
        return RefusalWords(*piece.CueProblem());
    QStringList parts;
    std::size_t ticks = 0, crossings = 0;
    QStringList refs;
    for (const CueTrack& t : piece.Cues())
        for (const CueNote& n : t.Notes) {
            ticks += n.Kind == CueKind::Tick;
            crossings += n.Kind == CueKind::Mark;
        }
    if (cues->Ticks()) {
        const QString unit =
            cues->Unit == TickUnit::Number ? tr("%1ごと").arg(Real(cues->TickStep)) : m_tick->currentText();
        parts << tr("目盛り %1個 (%2)").arg(ticks).arg(unit);
    }
    for (const CueTrack& t : piece.Cues())
        for (const CueNote& n : t.Notes)
            if (n.Kind == CueKind::Ref && (n.Held || n.Start == t.Notes.front().Start))
                refs << FromCore(ToneLabel(ToneOfMidiNote(n.Key)));
    for (qsizetype k = 0; k < refs.size() && k < static_cast<qsizetype>(cues->RefY.size()); ++k)
        parts << tr("基準音 %1 (Y=%2)").arg(refs[k], Real(cues->RefY[static_cast<std::size_t>(k)]));
    if (cues->MarkY)
        parts << tr("交差 %1回").arg(crossings / 2);
    if (cues->Ends)
        parts << tr("終わりの合図");
    if (cues->Gaps)
        parts << tr("空きの合図");
    if (cues->Legend)
        parts << tr("凡例");
    if (cues->Pan != PanMode::None)
        parts << tr("ステレオ %1").arg(m_pan->currentText());
    return parts.join(tr("、"));
}

void TCueDialog::Refresh()
{
    const int tick = m_tick->currentIndex();
    m_step->setEnabled(tick == 1);
    m_major->setEnabled(tick > 0);
    m_refMode->setEnabled(!m_ref->text().trimmed().isEmpty());
    m_gapFactor->setEnabled(m_gaps->isChecked());
    m_panWidth->setEnabled(m_pan->currentIndex() != 0);
    m_summary->setText(SummaryText());
    m_summary->setAccessibleName(m_summary->text());
}

void TCueDialog::accept()
{
    QString problem;
    const std::optional<CueRequest> cues = Cues(&problem);
    if (!cues) {
        ShowError(problem, this);
        return;
    }
    // What the data cannot take (a reference outside its range, too many
    // ticks) is refused by name as well.
    if (m_load && !m_load->Data.Empty() && cues->Any()) {
        const TPiece piece = PieceWith(*cues);
        if (piece.CueProblem()) {
            ShowError(RefusalWords(*piece.CueProblem()), this);
            return;
        }
    }
    QDialog::accept();
}

TPiece TCueDialog::PieceWith(const CueRequest& cues) const
{
    // The window's reading and language stay with the cues.
    MappingRequest request = m_request;
    request.Cues = cues;
    request.Cues.Dates = m_request.Cues.Dates;
    request.Cues.English = m_request.Cues.English;
    return TPiece::Of(*m_load, request, std::nullopt);
}

QString TCueDialog::RefusalWords(const CueRefusal& refusal) const
{
    return FromCore(CueRefusalText(refusal, m_request.Cues.English ? Language::English : Language::Japanese));
}
