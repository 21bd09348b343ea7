// SPDX-License-Identifier: MIT
// Shared by the window tests: a recorder for the message boxes and a
// main() that brings up the application offscreen.
#pragma once

#include "Messagebox.h"

#include <QString>
#include <QWidget>

#include <vector>

struct ShownMessage {
    MessageKind kind;
    QString text;
    QWidget* owner;
    QString details;
};

// Records every box instead of showing it, for as long as it lives.
class MessageRecorder {
public:
    MessageRecorder()
    {
        SetMessageHook([this](MessageKind k, const QString& t, QWidget* o, const QString& d) {
            shown.push_back({k, t, o, d});
        });
    }
    ~MessageRecorder() { SetMessageHook({}); }
    std::vector<ShownMessage> shown;
};
