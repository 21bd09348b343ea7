// SPDX-License-Identifier: MIT
#include "Contextmenu.h"

#include "Translations.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>

#include <tuple>

using namespace varimel;

TContextMenu::TContextMenu(QWidget* window, std::vector<Command> commands, std::function<void(Language)> chooseLanguage)
    : QMenu(window), m_context(window->metaObject()->className())
{
    setObjectName(QStringLiteral("ContextMenu"));
    for (Command& c : commands) {
        if (c.separatorBefore)
            addSeparator();
        QAction* action = addAction(QCoreApplication::translate(m_context, c.text));
        m_commands.emplace_back(action, c.text);
        action->setObjectName(QString::fromLatin1(c.name));
        action->setShortcut(c.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        window->addAction(action);
        connect(action, &QAction::triggered, window, std::move(c.run));
    }
    // Shift+F10 asks the focused control for its menu, as the Menu key
    // does: an edit box shows its own, anything else passes on to this one.
    auto* menuKey = new QAction(window);
    menuKey->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    menuKey->setShortcutContext(Qt::WindowShortcut);
    window->addAction(menuKey);
    connect(menuKey, &QAction::triggered, window, [window] {
        QWidget* target = QApplication::focusWidget();
        if (!target || target->window() != window)
            target = window;
        const QPoint at = target->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
    });
    // The languages, each named in its own words, the same in both.
    addSeparator();
    QMenu* languages = addMenu(QStringLiteral("Language / 言語"));
    languages->setObjectName(QStringLiteral("LanguageMenu"));
    languages->menuAction()->setObjectName(QStringLiteral("LanguageAction"));
    auto* oneOf = new QActionGroup(languages);
    for (const auto& [language, name, objectName] : {std::tuple{Language::Japanese, "日本語", "JapaneseAction"},
                                                     std::tuple{Language::English, "English", "EnglishAction"}}) {
        QAction* action = languages->addAction(QString::fromUtf8(name));
        action->setObjectName(QString::fromLatin1(objectName));
        action->setCheckable(true);
        action->setChecked(language == CurrentLanguage());
        oneOf->addAction(action);
        m_languages.emplace_back(action, language);
        connect(action, &QAction::triggered, window,
                [chooseLanguage, language = language] { chooseLanguage(language); });
    }
}

void TContextMenu::Retranslate()
{
    for (const auto& [action, text] : m_commands)
        action->setText(QCoreApplication::translate(m_context, text));
    for (const auto& [action, language] : m_languages)
        action->setChecked(language == CurrentLanguage());
}
