// SPDX-License-Identifier: MIT
// The open and save dialogs of the window and its dialogs, in one place.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Shows the open (save false) or save dialog in folder with the given name
// filters; empty for cancel. suffix, when given, is added to a typed name
// without one; chosenFilter, when given, receives the filter in use; title,
// when given, is the dialog's own instead of the toolkit's.
QString AskForFile(QWidget* parent, const QString& folder, bool save, const QStringList& filters,
                   const QString& suffix = {}, QString* chosenFilter = nullptr, const QString& title = {});
