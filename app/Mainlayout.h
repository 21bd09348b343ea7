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
