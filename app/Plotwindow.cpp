// SPDX-License-Identifier: MIT
#include "Plotwindow.h"

#include "Messagebox.h"
#include "Qtstrings.h"
#include "Replacing.h"
#include "Seams.h"
#include "Translations.h"
#include "data/Importer.h"
#include "data/Number.h"
#include "midi/Sequencer.h"
#include "music/Piece.h"
#include "music/Series.h"
#include "music/Shape.h"
#include "sys/Replace.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSvgGenerator>
#include <QVBoxLayout>

#include <cmath>

using namespace varimel;

namespace {

constexpr int kDefaultWidth = 900;
constexpr int kDefaultHeight = 460;

} // namespace

TPlotWindow::TPlotWindow(QWidget* owner, const std::optional<PlotPlace>& place) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("PlotWindow"));
    setWindowTitle(tr("グラフ"));
    m_view = new TPlotView(this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("PlotStatus"));
    // A narrow window wraps the status line rather than growing.
    m_status->setWordWrap(true);
    m_allButton = new QPushButton(tr("全体表示"), this);
    m_allButton->setObjectName(QStringLiteral("ShowAllButton"));
    m_saveButton = new QPushButton(tr("画像として保存..."), this);
    m_saveButton->setObjectName(QStringLiteral("SaveImageButton"));
    // A part typed: from and to, as the data's X reads (dates with dates).
    m_fromBox = new QLineEdit(this);
    m_fromBox->setObjectName(QStringLiteral("PartFromBox"));
    m_toBox = new QLineEdit(this);
    m_toBox->setObjectName(QStringLiteral("PartToBox"));
    for (QLineEdit* box : {m_fromBox, m_toBox}) {
        box->setMaximumWidth(84);
        connect(box, &QLineEdit::returnPressed, this, [this] { ApplyTypedPart(); });
    }
    m_partLabel = new QLabel(this);
    m_partLabel->setBuddy(m_fromBox);
    m_toLabel = new QLabel(this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_partLabel);
    buttons->addWidget(m_fromBox);
    buttons->addWidget(m_toLabel);
    buttons->addWidget(m_toBox);
    buttons->addWidget(m_allButton);
    buttons->addWidget(m_saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);
    setTabOrder(m_view, m_fromBox);
    setTabOrder(m_fromBox, m_toBox);
    setTabOrder(m_toBox, m_allButton);
    setTabOrder(m_allButton, m_saveButton);
    Retranslate();

    connect(m_allButton, &QPushButton::clicked, this, [this] { m_view->ShowAll(); });
    connect(m_saveButton, &QPushButton::clicked, this, [this] { SaveImageClick(); });
    m_view->onCursorMoved = [this] { ShowCursor(); };
    m_view->onSelectionChanged = [this] {
        ShowStatus();
        ShowPart();
        if (onPartChanged)
            onPartChanged();
    };

    const auto addShortcut = [this](const QKeySequence& keys, std::function<void()> run) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, std::move(run));
    };
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { SaveImageClick(); });
    addShortcut(QKeySequence(Qt::Key_Home), [this] { m_view->ShowAll(); });
    addShortcut(QKeySequence(Qt::Key_F5), [this] {
        if (onPlay)
            onPlay();
    });
    // Esc stops a preview as in the main window; with nothing playing it
    // lets the part and the cursor go.
    addShortcut(QKeySequence(Qt::Key_Escape), [this] {
        if (!onStop || !onStop())
            m_view->ClearSelectionAndCursor();
    });

    // A stored place is used only when it is on a screen now.
    resize(kDefaultWidth, kDefaultHeight);
    if (place && place->Width >= minimumSizeHint().width() && place->Height >= minimumSizeHint().height()) {
        const QRect rect(place->Left, place->Top, place->Width, place->Height);
        for (const QScreen* screen : QGuiApplication::screens())
            if (screen->availableGeometry().intersects(rect)) {
                resize(rect.size());
                move(rect.topLeft());
                break;
            }
    }
    ShowStatus();
}

PlotPlace TPlotWindow::Place() const
{
    const QRect frame = frameGeometry();
    return {frame.left(), frame.top(), width(), height()};
}

void TPlotWindow::SetPiece(const PlotPiece& piece, const QString& fileName, bool sameData)
{
    m_fileName = fileName;
    ShowTitle();
    m_piece = piece;
    m_pendingSame = m_pending ? m_pendingSame && sameData : sameData;
    m_pending = true;
    // Worked out now only when seen; a hidden window catches up when shown.
    if (isVisible()) {
        m_pending = false;
        m_view->SetPiece(m_piece, m_pendingSame);
        ShowStatus();
        ShowPart();
    }
}

void TPlotWindow::ShowTitle() { setWindowTitle(m_fileName.isEmpty() ? tr("グラフ") : tr("グラフ - ") + m_fileName); }

void TPlotWindow::Retranslate()
{
    m_status->setAccessibleName(tr("選択"));
    m_allButton->setText(tr("全体表示"));
    m_saveButton->setText(tr("画像として保存..."));
    m_partLabel->setText(tr("部分(&P)"));
    m_toLabel->setText(tr("〜"));
    m_fromBox->setAccessibleName(tr("部分の始まり"));
    m_toBox->setAccessibleName(tr("部分の終わり"));
    m_fromBox->setToolTip(
        tr("始まりと終わりを入力して Enter で、その部分を選びます。両方を空にすると全体に戻ります。"));
    m_toBox->setToolTip(m_fromBox->toolTip());
}

void TPlotWindow::ShowPart()
{
    const std::optional<XSelection>& selection = m_view->Selection();
    const auto show = [this](double x) {
        return FromCore(m_piece.XDates ? FormatDate(x, x != std::floor(x)) : FormatG(x, 0, false));
    };
    m_fromBox->setText(selection ? show(selection->From) : QString());
    m_toBox->setText(selection ? show(selection->To) : QString());
}

void TPlotWindow::ApplyTypedPart()
{
    const QString from = m_fromBox->text().trimmed(), to = m_toBox->text().trimmed();
    if (from.isEmpty() && to.isEmpty()) {
        m_view->SetSelection(std::nullopt);
        return;
    }
    const std::optional<XSelection> span = m_piece.Load ? XSpanOf(*m_piece.Load) : std::nullopt;
    if (!span)
        return;
    const auto read = [this](const QString& text, double fallback) -> std::optional<double> {
        return text.isEmpty() ? std::optional(fallback) : ParseX(ToCore(text), m_piece.Load->Options);
    };
    const std::optional<double> a = read(from, span->From), b = read(to, span->To);
    if (!a || !b) {
        m_status->setText(m_piece.XDates ? tr("部分は 2024-01-05 のような日付で入力して下さい。")
                                         : tr("部分は数値で入力して下さい。"));
        return;
    }
    if (*a > *b) {
        m_status->setText(tr("部分の始まりは終わり以前にして下さい。"));
        return;
    }
    m_view->SetSelection(XSelection{*a, *b});
}

void TPlotWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        ShowTitle();
        Retranslate();
        ShowStatus();
    }
    QWidget::changeEvent(event);
}

void TPlotWindow::showEvent(QShowEvent* event)
{
    if (m_pending) {
        m_pending = false;
        m_view->SetPiece(m_piece, m_pendingSame);
        ShowStatus();
        ShowPart();
    }
    QWidget::showEvent(event);
}

void TPlotWindow::ShowStatus()
{
    const std::optional<XSelection>& selection = m_view->Selection();
    // A mapping that is not the plain one says so, first.
    const std::string shape = DescribeShape(m_piece.Request.Shape, CurrentLanguage());
    const QString shapeText = shape.empty() ? QString() : tr("マッピング: ") + FromCore(shape);
    m_statusIsHint = false;
    if (!shapeText.isEmpty() && (!selection || !m_piece.Load)) {
        m_statusText = shapeText;
    } else if (!selection || !m_piece.Load) {
        // A part may be chosen with one series or several alike.
        m_statusText = tr("ドラッグで範囲を選ぶと、その部分だけを試聴・保存します。");
        m_statusIsHint = true;
    } else {
        const auto show = [this](double x) {
            return FromCore(m_piece.XDates ? FormatDate(x, x != std::floor(x)) : FormatG(x, 0, false));
        };
        QString text = tr("選択: X %1 – %2").arg(show(selection->From), show(selection->To));
        // Every series' notes in the part, on their one time line.
        const std::optional<TPiece> chosen = m_piece.Melody ? std::optional(m_view->Piece(*selection)) : std::nullopt;
        if (chosen && chosen->Count() > 0) {
            text += tr(" · %1音 · %2").arg(chosen->Count()).arg(MinutesSeconds(chosen->Seconds()));
        } else {
            const auto [first, last] = RecordsIn(m_piece.Load->Data, *selection);
            text += tr(" · %1点").arg(last - first);
        }
        m_statusText = shapeText.isEmpty() ? text : shapeText + QStringLiteral(" · ") + text;
    }
    ShowCursor();
}

void TPlotWindow::ShowCursor()
{
    // Where the cursor is comes first (the hint gives way to it); the rest
    // is kept from the last change of part or piece.
    const QString cursor = m_view->CursorText();
    m_status->setText(cursor.isEmpty() ? m_statusText
                      : m_statusIsHint ? cursor
                                       : cursor + QStringLiteral("  |  ") + m_statusText);
}

void TPlotWindow::SaveImageClick()
{
    const QStringList filters = {tr("PNG画像(*.png)"), tr("SVG画像(*.svg)")};
    QString filter = filters.constFirst();
    QString path = seams::ChooseImageFile(this, imageFolder, filters, filter);
    if (path.isEmpty())
        return;
    // A typed name without an extension gets the filter's; a name ending in
    // .png or .svg is written as that.
    bool svg = filter == filters.at(1);
    const std::string extension = ExtensionOf(ToPath(path));
    if (path.lastIndexOf(QLatin1Char('.')) <= path.lastIndexOf(QLatin1Char('/')))
        path += svg ? QStringLiteral(".svg") : QStringLiteral(".png");
    else if (extension == "svg" || extension == "png")
        svg = extension == "svg";
    imageFolder = FolderOfPath(path);

    TReplaceGrant grant;
    if (!grant.Ask(path, this, tr("画像を保存できませんでした。")))
        return;
    const QSize size = this->size();
    std::string reason;
    const bool ok = ReplaceFile(
        ToPath(path),
        [&](const std::string& file) {
            if (svg) {
                QSvgGenerator generator;
                generator.setFileName(FromPath(file));
                generator.setSize(size);
                generator.setViewBox(QRect(QPoint(0, 0), size));
                generator.setTitle(windowTitle());
                QPainter painter;
                if (!painter.begin(&generator))
                    return false;
                painter.setFont(m_view->font());
                m_view->PaintTo(painter, QSizeF(size));
                return painter.end();
            }
            return m_view->Picture(size).save(FromPath(file), "PNG");
        },
        &reason);
    if (!ok)
        ShowError(tr("画像を保存できませんでした。"), this,
                  path + QStringLiteral(": ") + FromCore(reason.empty() ? "the picture could not be written" : reason));
}
