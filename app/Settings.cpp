// SPDX-License-Identifier: MIT
#include "Settings.h"

#include "Qtstrings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <string>

namespace settings {

namespace {

// A stored text cut to kTextLimit characters (never inside a character).
void Cut(std::string& s)
{
    QString value = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    if (value.size() <= kTextLimit)
        return;
    value.truncate(kTextLimit);
    s = value.toUtf8().toStdString();
}

} // namespace

QString Folder() { return FromPath(varimel::SettingsFolder()); }

QString FilePath() { return FromPath(varimel::SettingsFilePath()); }

QString DocumentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

varimel::StoredSettings Read(const QString& iniPath, const QString& documents)
{
    varimel::StoredSettings s = varimel::ReadSettingsFile(ToPath(iniPath), documents.toUtf8().toStdString());
    for (std::string* text : {&s.CsvDir, &s.SmfDir, &s.DxPQN, &s.Duration, &s.SoundFont, &s.AudioDriver})
        Cut(*text);
    return s;
}

WriteOutcome Write(const QString& iniPath, const varimel::StoredSettings& values, QString* reason)
{
    std::string why;
    const WriteOutcome outcome = varimel::WriteSettingsFile(ToPath(iniPath), values, &why);
    if (reason)
        *reason = QString::fromStdString(why);
    return outcome;
}

} // namespace settings
