// SPDX-License-Identifier: MIT
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <string>

namespace settings {

namespace {

std::string Path(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString FromPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
std::string Utf8(const QString& s) { return s.toUtf8().toStdString(); }

QString Text(const std::string& s)
{
    QString value = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    if (value.size() > kTextLimit)
        value.truncate(kTextLimit);
    return value;
}

} // namespace

QString Folder() { return FromPath(varimel::SettingsFolder()); }

QString FilePath() { return FromPath(varimel::SettingsFilePath()); }

QString DocumentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

Values Read(const QString& iniPath, const QString& documents)
{
    const varimel::StoredSettings s = varimel::ReadSettingsFile(Path(iniPath), Utf8(documents));
    Values v;
    v.CsvDir = Text(s.CsvDir);
    v.SmfDir = Text(s.SmfDir);
    v.Scale = s.Scale;
    v.Tonic = s.Tonic;
    v.LowTone = s.LowTone;
    v.HighTone = s.HighTone;
    v.Tempo = s.Tempo;
    v.Velocity = s.Velocity;
    v.Program = s.Program;
    v.DxPQN = Text(s.DxPQN);
    v.Duration = Text(s.Duration);
    v.DisableProgChange = s.DisableProgChange;
    v.Import = s.Import;
    v.SoundFont = Text(s.SoundFont);
    v.AudioDriver = Text(s.AudioDriver);
    return v;
}

WriteOutcome Write(const QString& iniPath, const Values& c, QString* reason)
{
    varimel::StoredSettings s;
    s.CsvDir = Utf8(c.CsvDir);
    s.SmfDir = Utf8(c.SmfDir);
    s.Scale = c.Scale;
    s.Tonic = c.Tonic;
    s.LowTone = c.LowTone;
    s.HighTone = c.HighTone;
    s.Tempo = c.Tempo;
    s.Velocity = c.Velocity;
    s.Program = c.Program;
    s.DxPQN = Utf8(c.DxPQN);
    s.Duration = Utf8(c.Duration);
    s.DisableProgChange = c.DisableProgChange;
    s.Import = c.Import;
    std::string why;
    const WriteOutcome outcome = varimel::WriteSettingsFile(Path(iniPath), s, &why);
    if (reason)
        *reason = QString::fromStdString(why);
    return outcome;
}

} // namespace settings
