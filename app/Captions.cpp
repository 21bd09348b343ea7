// SPDX-License-Identifier: MIT
#include "Captions.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocumentFragment>

#include <algorithm>

namespace {

constexpr int kFontPixels = 11;
constexpr int kHintDurationMs = 10000;

// The caption's text as drawn (rich text and mnemonic markers removed).
QString ShownCaption(const QWidget* w)
{
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return label->textFormat() == Qt::RichText ? QTextDocumentFragment::fromHtml(label->text()).toPlainText()
                                                   : label->text();
    return w->property("text").toString().remove(QLatin1Char('&'));
}

} // namespace

QFont WindowFont()
{
    QFont font(QFontDatabase::hasFamily(QStringLiteral("Tahoma"))
                   ? QStringLiteral("Tahoma")
                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    font.setPixelSize(kFontPixels);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, int x, int y, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText); // data texts are never markup
    label->setContentsMargins(0, 0, 0, 0);
    label->setMargin(0);
    label->setIndent(0);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->move(x, y);
    label->adjustSize();
    // Labels lie beneath the other controls: a caption longer than its
    // space runs under the box next to it, not over it.
    label->lower();
    return label;
}

void SetLabel(QLabel* label, const QString& text)
{
    label->setText(text);
    label->adjustSize();
}

void SetHint(QWidget* widget, const QString& hint)
{
    widget->setToolTip(hint);
    widget->setToolTipDuration(kHintDurationMs);
    // A screen reader reads the hint as the control's description.
    widget->setAccessibleDescription(hint);
}

// A caption as a screen reader should say it: without its "(&X)" mnemonic.
QString WithoutMnemonic(QString text)
{
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)$"));
    text.remove(mnemonic);
    return text.remove(QLatin1Char('&'));
}

// The width a caption may take: a label up to the next control to its
// right in its row; a button its face inside the frame, less its icon; a
// check box its width less the indicator.
int CaptionRoom(const QWidget* w)
{
    QStyleOptionButton option;
    option.initFrom(w);
    const QStyle* style = w->style();
    if (const auto* button = qobject_cast<const QPushButton*>(w)) {
        // The style draws the caption inside the frame, centred.
        int room = w->width() - 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, w);
        if (!button->icon().isNull())
            room -= button->iconSize().width() + 4;
        return room;
    }
    if (qobject_cast<const QCheckBox*>(w))
        return w->width() - style->pixelMetric(QStyle::PM_IndicatorWidth, &option, w) -
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, w);
    if (w->objectName() == QLatin1String("UrlLabel"))
        return w->width();
    int right = w->parentWidget()->width();
    for (const QObject* o : w->parentWidget()->children()) {
        const auto* sibling = qobject_cast<const QWidget*>(o);
        if (!sibling || sibling == w || sibling->x() <= w->x())
            continue;
        if (sibling->y() < w->y() + w->height() && sibling->y() + sibling->height() > w->y())
            right = std::min(right, sibling->x());
    }
    return right - w->x();
}

// A caption wider than its room is drawn 1 px smaller (never below 10 px),
// then with letters moved closer, until it fits; one that fits keeps the
// window's font.
void FitCaption(QWidget* w)
{
    const QString text = ShownCaption(w);
    const int room = CaptionRoom(w);
    QFont font = w->font();
    if (QFontMetrics(font).horizontalAdvance(text) <= room)
        return;
    if (font.pixelSize() > 10)
        font.setPixelSize(font.pixelSize() - 1);
    for (double spacing = 0.0; spacing >= -1.5 && QFontMetricsF(font).horizontalAdvance(text) > room; spacing -= 0.25)
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    w->setFont(font);
    if (auto* label = qobject_cast<QLabel*>(w); label && label->textFormat() != Qt::RichText)
        label->adjustSize();
}

// The help glyph: a question mark, as help buttons carry it.
QIcon HelpGlyph()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 128));
    painter.drawEllipse(QRectF(1, 1, 14, 14));
    QFont font(QStringLiteral("sans-serif"));
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
    return QIcon(pixmap);
}
