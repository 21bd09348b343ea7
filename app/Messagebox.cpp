// SPDX-License-Identifier: MIT
#include "Messagebox.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {

MessageHook& Hook()
{
    static MessageHook hook;
    return hook;
}

QuestionHook& Asker()
{
    static QuestionHook hook;
    return hook;
}

void Show(MessageKind kind, const QString& text, QWidget* owner, const QString& details)
{
    if (Hook()) {
        Hook()(kind, text, owner, details);
        return;
    }
    const QMessageBox::Icon icon = kind == MessageKind::Error     ? QMessageBox::Critical
                                   : kind == MessageKind::Warning ? QMessageBox::Warning
                                                                  : QMessageBox::Information;
    QPointer<QMessageBox> box = new QMessageBox(icon, MessageTitle(kind), text, QMessageBox::Ok, owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    box->setEscapeButton(QMessageBox::Ok);
    if (!details.isEmpty())
        box->setDetailedText(details);
    // Without an owner the box blocks the caller but not the main window.
    box->setWindowModality(owner ? Qt::WindowModal : Qt::NonModal);
    box->show();
    box->raise();
    box->activateWindow();
    QEventLoop loop;
    QObject::connect(box.data(), &QDialog::finished, &loop, &QEventLoop::quit);
    QObject::connect(box.data(), &QObject::destroyed, &loop, &QEventLoop::quit);
    if (box && box->isVisible())
        loop.exec(QEventLoop::DialogExec);
}

} // namespace

QString MessageTitle(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Error:
        return QCoreApplication::translate("Messagebox", "エラー");
    case MessageKind::Warning:
        return QCoreApplication::translate("Messagebox", "警告");
    case MessageKind::Information:
        return QCoreApplication::translate("Messagebox", "情報");
    }
    return {};
}

void ShowError(const QString& text, QWidget* owner, const QString& details)
{
    Show(MessageKind::Error, text, owner, details);
}
void ShowWarning(const QString& text, QWidget* owner, const QString& details)
{
    Show(MessageKind::Warning, text, owner, details);
}
void ShowInformation(const QString& text, QWidget* owner, const QString& details)
{
    Show(MessageKind::Information, text, owner, details);
}

void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

bool AskYesNo(const QString& text, QWidget* owner, const QString& yes, const QString& no)
{
    if (Asker())
        return Asker()(text, owner);
    QMessageBox box(QMessageBox::Question, QCoreApplication::translate("Messagebox", "確認"), text,
                    QMessageBox::Yes | QMessageBox::No, owner);
    if (!yes.isEmpty())
        box.button(QMessageBox::Yes)->setText(yes);
    if (!no.isEmpty())
        box.button(QMessageBox::No)->setText(no);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void SetQuestionHook(QuestionHook hook) { Asker() = std::move(hook); }
