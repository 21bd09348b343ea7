// SPDX-License-Identifier: MIT
// The settings file as the window sees it: the stored values in Qt's types.
// Where the file is, its keys and how they are read and written belong to
// config/Settingsfile, which the renderer shares.
#pragma once

#include "config/Settingsfile.h"

#include <QString>

namespace settings {

inline constexpr int kTextLimit = 2047;

// The settings as the window shows them: read at start (stored values or
// defaults), written at shut-down from the controls.
struct Values {
    QString CsvDir;
    QString SmfDir;
    int Scale = varimel::kDefaultScale;
    int Tonic = varimel::kDefaultTonic;
    int LowTone = varimel::kDefaultLowTone;
    int HighTone = varimel::kDefaultHighTone;
    int Tempo = varimel::kDefaultTempo;
    int Velocity = varimel::kDefaultVelocity;
    int Program = varimel::kDefaultProgram;
    QString DxPQN; // the number boxes' texts
    QString Duration;
    bool DisableProgChange = false;
    varimel::ImportOptions Import;
    QString SoundFont;   // [Playback], read only
    QString AudioDriver; // [Playback], read only
};

// The settings folder, the settings file in it, and the documents folder.
QString Folder();
QString FilePath();
QString DocumentsFolder();

// Reads every key; see ReadSettingsFile. Texts longer than kTextLimit
// characters are cut there.
Values Read(const QString& iniPath, const QString& documents);

using WriteOutcome = varimel::SettingsWrite;

// Writes the keys in their order; see WriteSettingsFile.
WriteOutcome Write(const QString& iniPath, const Values& values, QString* reason = nullptr);

} // namespace settings
