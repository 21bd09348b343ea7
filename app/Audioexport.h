// SPDX-License-Identifier: MIT
// The piece as an audio file: the save dialog with its formats, and the
// render in the background with a progress dialog that can cancel it.
#pragma once

#include "data/Xydata.h"
#include "music/Mapping.h"

#include <QString>

class QWidget;

// Asks for an audio file (WAV, FLAC or Ogg Vorbis, by the chosen filter or a
// typed extension) in folder and renders the piece of data as request says
// into it, with soundFont (empty: the system's). folder receives the chosen
// file's folder. A failure is shown to the user; a cancel is silent.
void ExportAudio(QWidget* parent, const varimel::TXYDataList& data, const varimel::MappingRequest& request,
                 const QString& soundFont, QString& folder);
