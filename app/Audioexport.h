// SPDX-License-Identifier: MIT
// The piece as an audio file: the save dialog with its formats, and the
// render in the background with a progress dialog that can cancel it.
#pragma once

#include <QString>

#include <functional>
#include <string>

class QWidget;

// The piece to render: how to write it as a MIDI file, and how long it plays.
struct AudioPiece {
    std::function<bool(const std::string& path, std::string* reason)> Build;
    double Seconds = 0.0;
    QString Title; // the save dialog's (empty: the toolkit's)
};

// Asks for an audio file (WAV, FLAC or Ogg Vorbis, by the chosen filter or a
// typed extension) in folder and renders the piece into it, with soundFont
// (empty: the system's). folder receives the chosen file's folder. A failure
// is shown to the user; a cancel is silent.
void ExportAudio(QWidget* parent, const AudioPiece& piece, const QString& soundFont, QString& folder);
