// SPDX-License-Identifier: MIT
// Texts and paths between Qt and the core: the core speaks UTF-8 for texts
// and the file system's bytes for paths.
#pragma once

#include "sys/Paths.h"
#include "sys/Temporaries.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <cmath>
#include <string>
#include <string_view>

inline QString FromCore(std::string_view text) { return QString::fromUtf8(QByteArrayView(text)); }

inline std::string ToCore(const QString& text) { return text.toUtf8().toStdString(); }

// File names go to the core as the bytes the file system uses.
inline std::string ToPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

inline QString FromPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// Folder part of a path, as the window keeps it for the dialogs.
inline QString FolderOfPath(const QString& path) { return FromCore(varimel::FolderOf(ToCore(path))); }

// Where the window's own scratch files go: the private folder, never a
// shared one; empty when none can be had.
inline QString ScratchFolder() { return FromPath(varimel::PrivateFolder()); }

// m:ss of a number of seconds, rounded to the nearest.
inline QString MinutesSeconds(double seconds)
{
    const long long whole = std::llround(seconds);
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}
