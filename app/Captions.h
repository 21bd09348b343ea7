// SPDX-License-Identifier: MIT
// Captions and hints: the window's font, labels placed at their pixel, hints
// that a screen reader reads too, and captions fitted to their room.
#pragma once

#include <QFont>
#include <QIcon>
#include <QString>

class QLabel;
class QWidget;

// The window's font: Tahoma where installed, else the desktop's, 11 px.
QFont WindowFont();
// A plain-text label at (x, y), as wide as its text, beneath the controls.
QLabel* MakeLabel(QWidget* parent, const char* name, int x, int y, const QString& text);
// New text for a label, which takes the width of it.
void SetLabel(QLabel* label, const QString& text);
// The control's hint, shown for 10 s and read by a screen reader as its
// description.
void SetHint(QWidget* widget, const QString& hint);
// A caption as a screen reader should say it: without its "(&X)" mnemonic.
QString WithoutMnemonic(QString text);
// The width a caption may take in its control.
int CaptionRoom(const QWidget* w);
// A caption wider than its room is drawn smaller, then narrower, until it fits.
void FitCaption(QWidget* w);
// The help glyph: a question mark, as help buttons carry it.
QIcon HelpGlyph();

template <typename T> T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}
