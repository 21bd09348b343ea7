// SPDX-License-Identifier: MIT
// The three message boxes through which every message reaches the user.
#pragma once

#include <QString>

#include <functional>

class QWidget;

enum class MessageKind { Error, Warning, Information };

// "エラー", "警告" or "情報".
QString MessageTitle(MessageKind kind);

// Each shows a box with one OK button and returns when it is closed. With an
// owner the box is modal to it; with none it has no owner and leaves the
// main window usable. Either way it comes to the front.
// details, when given, is shown behind the box's "details" button: the
// reason behind the message, in the system's words.
void ShowError(const QString& text, QWidget* owner, const QString& details = {});
void ShowWarning(const QString& text, QWidget* owner, const QString& details = {});
void ShowInformation(const QString& text, QWidget* owner, const QString& details = {});

// Asks a question with Yes and No buttons (or buttons of the texts given),
// modal to owner; true for Yes. No is the default, and Escape answers it.
bool AskYesNo(const QString& text, QWidget* owner, const QString& yes = {}, const QString& no = {});

// Tests replace the boxes with a recorder; an empty hook restores them.
using MessageHook = std::function<void(MessageKind kind, const QString& text, QWidget* owner, const QString& details)>;
void SetMessageHook(MessageHook hook);
// And the questions with an answerer.
using QuestionHook = std::function<bool(const QString& text, QWidget* owner)>;
void SetQuestionHook(QuestionHook hook);
