// SPDX-License-Identifier: MIT
#include "Seams.h"

#include "Filedialog.h"

#include <QDesktopServices>
#include <QDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace seams {

namespace {

struct Standins {
    FileChooser open;
    FileChooser save;
    AudioChooser audio;
    AudioChooser image;
    QString title; // of the last file dialog asked for
    ReportChooser report;
    ShellOpener shell;
    DialogRunner runner;
    std::function<void(const QString&)> trace;
};

Standins& Current()
{
    static Standins standins;
    return standins;
}

} // namespace

void SetOpenFileChooser(FileChooser chooser) { Current().open = std::move(chooser); }
void SetSaveFileChooser(FileChooser chooser) { Current().save = std::move(chooser); }
void SetAudioFileChooser(AudioChooser chooser) { Current().audio = std::move(chooser); }
void SetImageFileChooser(AudioChooser chooser) { Current().image = std::move(chooser); }
void SetReportFileChooser(ReportChooser chooser) { Current().report = std::move(chooser); }
void SetShellOpener(ShellOpener opener) { Current().shell = std::move(opener); }
void SetDialogRunner(DialogRunner runner) { Current().runner = std::move(runner); }
void SetShutdownTrace(std::function<void(const QString&)> trace) { Current().trace = std::move(trace); }
void Reset() { Current() = Standins{}; }

QString ChooseFile(QWidget* parent, const QString& folder, bool save, const QString& filter, const QString& suffix,
                   const QString& title)
{
    Current().title = title;
    const FileChooser& chooser = save ? Current().save : Current().open;
    if (chooser)
        return chooser(parent, folder);
    return AskForFile(parent, folder, save, {filter}, suffix, nullptr, title);
}

QString LastChooserTitle() { return Current().title; }

QString ChooseAudioFile(QWidget* parent, const QString& folder, const QStringList& filters, QString& filter,
                        const QString& title)
{
    Current().title = title;
    if (Current().audio)
        return Current().audio(parent, folder, filter);
    return AskForFile(parent, folder, true, filters, {}, &filter, title);
}

QString ChooseImageFile(QWidget* parent, const QString& folder, const QStringList& filters, QString& filter)
{
    if (Current().image)
        return Current().image(parent, folder, filter);
    return AskForFile(parent, folder, true, filters, {}, &filter);
}

QString ChooseReportFile(QWidget* parent, const QString& filter, const QString& suffix)
{
    if (Current().report)
        return Current().report(parent);
    return AskForFile(parent, {}, true, {filter}, suffix);
}

int RunDialog(QDialog& dialog) { return Current().runner ? Current().runner(dialog) : dialog.exec(); }

void FindVolumeControl(QString& program, QStringList& arguments)
{
    const struct {
        const char* program;
        const char* argument;
    } mixers[] = {{"pavucontrol", nullptr}, {"pwvucontrol", nullptr}, {"gnome-control-center", "sound"}};
    for (const auto& mixer : mixers) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(mixer.program));
        if (found.isEmpty())
            continue;
        program = found;
        if (mixer.argument)
            arguments << QString::fromLatin1(mixer.argument);
        return;
    }
}

void OpenWithShell(const QString& target, const QStringList& arguments)
{
    if (Current().shell) {
        Current().shell(target, arguments);
        return;
    }
    if (target.contains(QLatin1String("://")))
        QDesktopServices::openUrl(QUrl(target));
    else if (!target.isEmpty())
        QProcess::startDetached(target, arguments);
}

void Trace(const char* step)
{
    if (Current().trace)
        Current().trace(QString::fromLatin1(step));
}

} // namespace seams
