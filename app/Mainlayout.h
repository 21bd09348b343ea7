// SPDX-License-Identifier: MIT
// The main window's layout: every control at its pixel, from one table of
// kind, name, group, place, caption and hint; captions fitted to their room,
// the controls named for a screen reader, and the tab order.
#pragma once

#include <QString>

class QWidget;

// Makes every control of the main window in form, which takes the window's
// fixed size, title and font. homePage is the link's address. The window
// finds its controls by their names afterwards.
void BuildMainLayout(QWidget* form, const QString& homePage);
// Sets every caption, hint and screen-reader name of the layout in the
// window's language, each caption fitted to its room (the data texts and
// the edit boxes' values are left alone).
void TranslateMainLayout(QWidget* form, const QString& homePage);
