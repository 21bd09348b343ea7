// SPDX-License-Identifier: MIT
#include "Plotkeys.h"

#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>

namespace {

struct ListeningKey {
    const char* name; // the action's object name
    const char* text; // its words, in the plot's translation context
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    bool separatorBefore;
};

const ListeningKey kKeys[] = {
    {"SlowerAction", QT_TRANSLATE_NOOP("TPlotView", "遅くする"), Qt::Key_Q, Qt::NoModifier, false},
    {"FasterAction", QT_TRANSLATE_NOOP("TPlotView", "速くする"), Qt::Key_E, Qt::NoModifier, false},
    {"PlayToEndAction", QT_TRANSLATE_NOOP("TPlotView", "カーソルから終わりまで再生"), Qt::Key_End, Qt::ShiftModifier,
     true},
    {"PlayFromStartAction", QT_TRANSLATE_NOOP("TPlotView", "始めからカーソルまで再生"), Qt::Key_Home, Qt::ShiftModifier,
     false},
    {"SoundAgainAction", QT_TRANSLATE_NOOP("TPlotView", "カーソルの音をもう一度"), Qt::Key_Space, Qt::NoModifier,
     false},
    {"LowestAction", QT_TRANSLATE_NOOP("TPlotView", "最小値へ"), Qt::Key_BracketLeft, Qt::NoModifier, true},
    {"HighestAction", QT_TRANSLATE_NOOP("TPlotView", "最大値へ"), Qt::Key_BracketRight, Qt::NoModifier, false},
    {"TenthBackAction", QT_TRANSLATE_NOOP("TPlotView", "10分の1戻る"), Qt::Key_Left, Qt::ControlModifier, false},
    {"TenthOnAction", QT_TRANSLATE_NOOP("TPlotView", "10分の1進む"), Qt::Key_Right, Qt::ControlModifier, false},
    {"PreviousSeriesAction", QT_TRANSLATE_NOOP("TPlotView", "前の系列"), Qt::Key_PageUp, Qt::NoModifier, false},
    {"NextSeriesAction", QT_TRANSLATE_NOOP("TPlotView", "次の系列"), Qt::Key_PageDown, Qt::NoModifier, false},
    {"SummaryAction", QT_TRANSLATE_NOOP("TPlotView", "この系列の要約"), Qt::Key_S, Qt::NoModifier, true},
    {"AllSummariesAction", QT_TRANSLATE_NOOP("TPlotView", "全系列の要約"), Qt::Key_A, Qt::NoModifier, false},
};

} // namespace

void ShowListeningKeys(QWidget* plot, QPoint at, const std::function<void(QKeyEvent&)>& press)
{
    QMenu menu(plot);
    menu.setObjectName(QStringLiteral("PlotMenu"));
    for (const ListeningKey& k : kKeys) {
        if (k.separatorBefore)
            menu.addSeparator();
        // The key stands in the menu's shortcut column; it is not made a
        // shortcut, since the plot takes these keys itself.
        const QString keys = QKeySequence(k.mods | k.key).toString(QKeySequence::NativeText);
        QAction* action = menu.addAction(QCoreApplication::translate("TPlotView", k.text) + QLatin1Char('\t') + keys);
        action->setObjectName(QString::fromLatin1(k.name));
        QObject::connect(action, &QAction::triggered, plot, [&press, &k] {
            QKeyEvent event(QEvent::KeyPress, k.key, k.mods);
            press(event);
        });
    }
    menu.exec(at);
}
