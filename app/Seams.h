// SPDX-License-Identifier: MIT
// Where the window meets what a test cannot drive: the file dialogs, the
// dialogs' event loops, the desktop's shell. Each is the real thing unless
// a test has put a stand-in in its place; Reset puts every one back.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QDialog;
class QWidget;

namespace seams {

// The chooser gets the folder to start in and returns the chosen path, or an
// empty text for cancel.
using FileChooser = std::function<QString(QWidget* parent, const QString& folder)>;
void SetOpenFileChooser(FileChooser chooser);
void SetSaveFileChooser(FileChooser chooser);
// The audio save dialog also tells which of its filters was chosen
// ("WAVファイル(*.wav)", ...).
using AudioChooser = std::function<QString(QWidget* parent, const QString& folder, QString& filter)>;
void SetAudioFileChooser(AudioChooser chooser);
// The plot's picture save dialog ("PNG画像(*.png)", "SVG画像(*.svg)").
void SetImageFileChooser(AudioChooser chooser);
// The save dialog of the skipped-lines report.
using ReportChooser = std::function<QString(QWidget* parent)>;
void SetReportFileChooser(ReportChooser chooser);
// A URL or a program with its arguments.
using ShellOpener = std::function<void(const QString& target, const QStringList& arguments)>;
void SetShellOpener(ShellOpener opener);
// The runner gets the dialog, ready to show, and returns its result as
// exec() would.
using DialogRunner = std::function<int(QDialog& dialog)>;
void SetDialogRunner(DialogRunner runner);
// Follows the end of play and the shut-down steps in their order.
void SetShutdownTrace(std::function<void(const QString& step)> trace);
// Every seam back to the real thing.
void Reset();

// The open (save false) or save dialog with one filter, or the chooser in its
// place; suffix is added to a typed name without one.
// title: the dialog's own (empty: the toolkit's); the last one asked for is
// kept for tests.
QString ChooseFile(QWidget* parent, const QString& folder, bool save, const QString& filter, const QString& suffix,
                   const QString& title = {});
QString LastChooserTitle();
// The audio save dialog with its filters; filter receives the chosen one.
QString ChooseAudioFile(QWidget* parent, const QString& folder, const QStringList& filters, QString& filter,
                        const QString& title = {});
// The plot picture's save dialog with its filters; filter receives the chosen
// one.
QString ChooseImageFile(QWidget* parent, const QString& folder, const QStringList& filters, QString& filter);
// The report's save dialog.
QString ChooseReportFile(QWidget* parent, const QString& filter, const QString& suffix);
// Shows a dialog modally, or hands it to the runner.
int RunDialog(QDialog& dialog);
// Opens a web page or starts a program, without waiting and without
// reporting failure: there is nothing the user could do about it here.
void OpenWithShell(const QString& target, const QStringList& arguments = {});
// The volume control of the desktop, the first one installed (pavucontrol,
// pwvucontrol or GNOME's sound settings), and what it is started with; the
// program stays empty when none is.
void FindVolumeControl(QString& program, QStringList& arguments);
// A step of the end of play or the shut-down, for the trace.
void Trace(const char* step);

} // namespace seams
