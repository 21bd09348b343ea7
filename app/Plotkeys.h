// SPDX-License-Identifier: MIT
// The plot's listening keys as a menu: each with its words and its key, so
// that they can be found without the manual; choosing one does what the key
// does.
#pragma once

#include <QKeyEvent>
#include <QPoint>

#include <functional>

class QWidget;

// Shows the menu at a global position over plot; press runs the chosen
// key's event.
void ShowListeningKeys(QWidget* plot, QPoint at, const std::function<void(QKeyEvent&)>& press);
