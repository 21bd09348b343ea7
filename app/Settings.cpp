#include "Settings.h"

#include "Inifile.h"
#include "data/Csvreader.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <optional>
#include <string>

using varimel::IniFile;

namespace settings {

namespace {

std::string Path(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString Text(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string Utf8(const QString& s) { return s.toUtf8().toStdString(); }

int ReadInteger(const IniFile& ini, const char* section, const char* key, int fallback)
{
    const auto text = ini.Read(section, key);
    if (!text)
        return fallback;
    return varimel::ParseProfileInteger(*text).value_or(fallback);
}

// A stored real in its shortest form, or the default text.
QString ReadReal(const IniFile& ini, const char* key, const QString& fallback)
{
    const auto text = ini.Read(kSectionMappingParam, key);
    const auto value = text ? varimel::ParseNumber(*text) : std::nullopt;
    return value ? Text(varimel::FormatProfileReal(*value)) : fallback;
}

QString ReadText(const IniFile& ini, const char* section, const char* key, const QString& fallback)
{
    const auto text = ini.Read(section, key);
    if (!text)
        return fallback;
    QString value = Text(*text);
    if (value.size() > kTextLimit)
        value.truncate(kTextLimit);
    return value;
}

} // namespace

QString Folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Korvath/Varimel");
}

QString FilePath() { return Folder() + QLatin1Char('/') + QLatin1String(kFileName); }

QString DocumentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

Values Read(const QString& iniPath, const QString& documents)
{
    IniFile ini(Path(iniPath));
    ini.Load();
    Values v;
    v.CsvDir = ReadText(ini, kSectionDirectories, kKeyCsvDir, documents);
    v.SmfDir = ReadText(ini, kSectionDirectories, kKeySmfDir, documents);
    v.Scale = ReadInteger(ini, kSectionMappingParam, kKeyScale, v.Scale);
    v.Tonic = ReadInteger(ini, kSectionMappingParam, kKeyTonic, v.Tonic);
    v.LowTone = ReadInteger(ini, kSectionMappingParam, kKeyLowTone, v.LowTone);
    v.HighTone = ReadInteger(ini, kSectionMappingParam, kKeyHighTone, v.HighTone);
    v.Tempo = ReadInteger(ini, kSectionMappingParam, kKeyTempo, v.Tempo);
    v.Velocity = ReadInteger(ini, kSectionMappingParam, kKeyVelocity, v.Velocity);
    v.Program = ReadInteger(ini, kSectionMappingParam, kKeyProgram, v.Program);
    v.DxPQN = ReadReal(ini, kKeyDxPQN, v.DxPQN);
    v.Duration = ReadReal(ini, kKeyDuration, v.Duration);
    v.DisableProgChange = ReadInteger(ini, kSectionMappingParam, kKeyDisableProgChange, 0) != 0;
    v.SoundFont = ReadText(ini, kSectionPlayback, kKeySoundFont, QString());
    v.AudioDriver = ReadText(ini, kSectionPlayback, kKeyAudioDriver, QString());
    return v;
}

WriteOutcome Write(const QString& iniPath, const Values& c)
{
    const auto number = [](int v) -> std::optional<std::string> { return std::to_string(v); };
    const auto real = [](const QString& text) -> std::optional<std::string> {
        const auto v = varimel::ParseNumber(Utf8(text));
        return v ? std::optional(varimel::FormatProfileReal(*v)) : std::nullopt;
    };
    struct Step {
        const char* section;
        const char* key;
        std::optional<std::string> value; // none: the text is not a number
    };
    const Step steps[] = {
        {kSectionDirectories, kKeyCsvDir, Utf8(c.CsvDir)},
        {kSectionDirectories, kKeySmfDir, Utf8(c.SmfDir)},
        {kSectionMappingParam, kKeyScale, number(c.Scale)},
        {kSectionMappingParam, kKeyTonic, number(c.Tonic)},
        {kSectionMappingParam, kKeyLowTone, number(c.LowTone)},
        {kSectionMappingParam, kKeyHighTone, number(c.HighTone)},
        {kSectionMappingParam, kKeyTempo, number(c.Tempo)},
        {kSectionMappingParam, kKeyVelocity, number(c.Velocity)},
        {kSectionMappingParam, kKeyProgram, number(c.Program)},
        {kSectionMappingParam, kKeyDxPQN, real(c.DxPQN)},
        {kSectionMappingParam, kKeyDuration, real(c.Duration)},
        {kSectionMappingParam, kKeyDisableProgChange, std::string(c.DisableProgChange ? "1" : "0")},
    };
    IniFile ini(Path(iniPath));
    ini.Load();
    for (const Step& step : steps) {
        if (!step.value)
            return WriteOutcome::NumberFailed;
        ini.Set(step.section, step.key, *step.value);
        if (!ini.Save())
            return WriteOutcome::FileFailed;
    }
    return WriteOutcome::Written;
}

} // namespace settings
