// SPDX-License-Identifier: MIT
// The window's context menu: its commands, whose shortcuts work everywhere
// in the window, and the choice of language, each language named in its own
// words.
#pragma once

#include "data/Language.h"

#include <QKeySequence>
#include <QMenu>

#include <functional>
#include <utility>
#include <vector>

class TContextMenu : public QMenu {
    Q_OBJECT
public:
    struct Command {
        const char* name; // the action's object name
        const char* text; // its words, translated in the window's context
        QKeySequence keys;
        std::function<void()> run;
        bool separatorBefore = false;
    };
    // window: where the shortcuts work and whose translation context holds
    // the commands' words.
    TContextMenu(QWidget* window, std::vector<Command> commands, std::function<void(varimel::Language)> chooseLanguage);
    // The commands' words in the language now in use, and its check mark.
    void Retranslate();

private:
    const char* m_context;
    std::vector<std::pair<QAction*, const char*>> m_commands;
    std::vector<std::pair<QAction*, varimel::Language>> m_languages;
};
