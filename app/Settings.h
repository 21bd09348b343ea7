// The settings file: its place, its twelve keys with their defaults, and
// reading and writing them in their fixed order.
#pragma once

#include <QString>

namespace settings {

inline constexpr char kSectionDirectories[] = "Directories";
inline constexpr char kSectionMappingParam[] = "MappingParam";
inline constexpr char kSectionPlayback[] = "Playback"; // read if present, never written
inline constexpr char kKeyCsvDir[] = "CsvDir";
inline constexpr char kKeySmfDir[] = "SmfDir";
inline constexpr char kKeyScale[] = "Scale";
inline constexpr char kKeyTonic[] = "Tonic";
inline constexpr char kKeyLowTone[] = "LowTone";
inline constexpr char kKeyHighTone[] = "HighTone";
inline constexpr char kKeyTempo[] = "Tempo";
inline constexpr char kKeyVelocity[] = "Velocity";
inline constexpr char kKeyProgram[] = "Program";
inline constexpr char kKeyDxPQN[] = "DxPQN";
inline constexpr char kKeyDuration[] = "Duration";
inline constexpr char kKeyDisableProgChange[] = "DisableProgChange";
inline constexpr char kKeySoundFont[] = "SoundFont";
inline constexpr char kKeyAudioDriver[] = "AudioDriver";
inline constexpr char kFileName[] = "Varimel.ini";
inline constexpr int kTextLimit = 2047;

// The settings as the window shows them: read at start (stored values or
// defaults), written at shut-down from the controls.
struct Values {
    QString CsvDir;
    QString SmfDir;
    int Scale = 1;
    int Tonic = 0;
    int LowTone = 39;
    int HighTone = 63;
    int Tempo = 120;
    int Velocity = 96;
    int Program = 0;
    QString DxPQN = QStringLiteral("1");       // the edit boxes' texts
    QString Duration = QStringLiteral("0.875");
    bool DisableProgChange = false;
    QString SoundFont;   // [Playback], read only
    QString AudioDriver; // [Playback], read only
};

// The settings folder ("Korvath/Varimel" in the user's configuration
// folder), the settings file in it, and the documents folder.
QString Folder();
QString FilePath();
QString DocumentsFolder();

// Reads every key; a missing file or key, or a malformed value, gives the
// default. Directory keys default to documents; reals come back in their
// shortest form (a stored 1.50 reads as "1.5").
Values Read(const QString& iniPath, const QString& documents);

enum class WriteOutcome { Written, FileFailed, NumberFailed };

// Writes the keys one by one in their order, each replacing the file, and
// stops at the first that fails (the file cannot be written, or an edit
// box's text is not a number); keys written before it stay written.
WriteOutcome Write(const QString& iniPath, const Values& values);

} // namespace settings
