// SPDX-License-Identifier: MIT
#include "Audioexport.h"

#include "Audiorender.h"
#include "Messagebox.h"
#include "Qtstrings.h"
#include "Replacing.h"
#include "Seams.h"

#include <QCoreApplication>
#include <QDir>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>

using namespace varimel;

void ExportAudio(QWidget* parent, const AudioPiece& piece, const QString& soundFontPath, QString& folder)
{
    const QStringList filters = {QCoreApplication::translate("Audioexport", "WAVファイル(*.wav)"),
                                 QCoreApplication::translate("Audioexport", "FLACファイル(*.flac)"),
                                 QCoreApplication::translate("Audioexport", "Ogg Vorbisファイル(*.ogg)")};
    static const AudioFormat formats[] = {AudioFormat::Wav, AudioFormat::Flac, AudioFormat::Ogg};
    QString filter = filters.constFirst();
    QString path = seams::ChooseAudioFile(parent, folder, filters, filter, piece.Title);
    if (path.isEmpty())
        return;
    const qsizetype chosen = std::max<qsizetype>(0, filters.indexOf(filter));
    AudioFormat format = formats[chosen];
    // A name typed without an extension gets the chosen filter's; a name
    // with a known extension is written in that format.
    if (path.lastIndexOf(QLatin1Char('.')) <= path.lastIndexOf(QLatin1Char('/')))
        path += QLatin1Char('.') + QLatin1String(AudioExtension(format));
    else if (const auto named = AudioFormatOfPath(ToPath(path)))
        format = *named;
    folder = FolderOfPath(path);

    const QString failed = QCoreApplication::translate("Audioexport", "オーディオファイルの作成に失敗しました。");
    TReplaceGrant grant;
    if (!grant.Ask(path, parent, failed))
        return;
    // The piece goes to the synthesizer as a MIDI file of the program's own.
    const QString scratchFolder = ScratchFolder();
    if (scratchFolder.isEmpty()) {
        ShowError(failed, parent, QDir::tempPath() + QStringLiteral(": ") + QString::fromLatin1(kNoPrivateFolder));
        return;
    }
    std::string scratchPath = ToPath(scratchFolder) + "/VarimelExport-XXXXXX";
    const std::unique_ptr<TemporaryFile> scratch = NewTemporaryFile(scratchPath);
    if (!scratch) {
        ShowError(failed, parent, FromCore(scratchPath + ": " + std::strerror(errno)));
        return;
    }
    std::string reason;
    if (!piece.Build(scratch->Path(), &reason)) {
        ShowError(failed, parent, path + QStringLiteral(": ") + FromCore(reason));
        return;
    }
    const double seconds = piece.Seconds;

    // The render runs beside the window's event loop; the dialog shows its
    // progress and can stop it.
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{0};
    std::atomic<bool> done{false};
    bool ok = false;
    std::string error;
    const std::string soundFont = ToPath(soundFontPath);
    const std::string target = ToPath(path);
    std::thread worker([&] {
        RenderControl control;
        control.cancel = &cancel;
        control.progress = [&permille](double share) { permille = static_cast<int>(share * 1000); };
        ok = RenderAudio(scratch->Path(), target, format, soundFont, error, seconds, control);
        done = true;
    });
    QProgressDialog progress(QCoreApplication::translate("Audioexport", "オーディオファイルを書き出しています..."),
                             QCoreApplication::translate("Audioexport", "キャンセル"), 0, 1000, parent);
    progress.setObjectName(QStringLiteral("AudioProgress"));
    progress.setWindowTitle(QStringLiteral("Varimel"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &progress, [&] {
        progress.setValue(permille.load());
        if (done)
            progress.done(QDialog::Accepted);
    });
    QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&] {
        cancel = true;
        progress.done(QDialog::Rejected);
    });
    poll.start();
    if (!done)
        seams::RunDialog(progress);
    poll.stop();
    if (!done)
        cancel = true; // the dialog went away some other way
    worker.join();
    if (!ok && !cancel)
        ShowError(failed, parent, path + QStringLiteral(": ") + FromCore(error));
}
