// SPDX-License-Identifier: MIT
// The settings file as the window reaches it: its place in Qt's terms, and
// the stored values read and written through config/Settingsfile, which the
// renderer shares.
#pragma once

#include "config/Settingsfile.h"

#include <QString>

namespace settings {

// Stored texts longer than this many characters are cut when read.
inline constexpr int kTextLimit = 2047;

// The settings folder, the settings file in it, and the documents folder.
QString Folder();
QString FilePath();
QString DocumentsFolder();

// Reads every key; see ReadSettingsFile. Texts longer than kTextLimit
// characters are cut.
varimel::StoredSettings Read(const QString& iniPath, const QString& documents);

using WriteOutcome = varimel::SettingsWrite;

// Writes the keys in their order; see WriteSettingsFile.
WriteOutcome Write(const QString& iniPath, const varimel::StoredSettings& values, QString* reason = nullptr);

} // namespace settings
