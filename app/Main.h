// SPDX-License-Identifier: MIT
// The main window: every control of the layout, the data loading, the
// mapping controls with their checks, and the commands.
#pragma once

#include "config/Settingsfile.h"
#include "data/Csvload.h"
#include "music/Parameters.h"
#include "music/Piece.h"
#include "music/Selection.h"

#include "Contextmenu.h"
#include "Controls.h"
#include "Datalabels.h"
#include "Mappingcontrols.h"

#include <QComboBox>
#include <QIcon>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

namespace varimel {
class MidiPlayer;
}
class QMenu;
class QGroupBox;
class QLabel;
class QPushButton;
class TKeyboardPicture;
class TPlotWindow;
class TPreview;

class TMainForm : public QWidget {
    Q_OBJECT
public:
    // language: this run's, in place of the stored one (which stays stored).
    explicit TMainForm(QWidget* parent = nullptr, std::optional<varimel::Language> language = std::nullopt);
    ~TMainForm() override;

    // Loading
    // again: the file read once more for changed options, keeping the
    // plot's view and without repeating a warning already given for it.
    bool ReadCsvFile(const QString& path, bool again = false);
    void LoadDataButtonClick();
    // Loads a file as if it had been chosen in the open dialog: the data,
    // the messages and the CSV folder.
    void OpenFile(const QString& path);

    // Import options and the report of skipped lines (context menu).
    void ImportSettingsClick();
    // The language chosen in the context menu: every text changes at once,
    // the data, the mapping and a playing preview stay, and the choice is
    // kept in the settings.
    void SetWindowLanguage(varimel::Language language);
    void ImportReportClick();
    // The shape of the mapping (context menu): its dialog; a change that the
    // reading depends on reads the file again.
    void ShapeClick();
    // "音の目印...": the sounds beside the notes.
    void CueClick();
    // "MIDI出力先...": where previews sound.
    void OutputClick();
    // One step slower (-1) or faster (+1) among ×0.25 … ×4, at once.
    void StepSpeed(int step);
    double Speed() const { return m_speed; }
    const varimel::CueRequest& Cues() const { return m_cues; }
    const varimel::MappingShape& Shape() const { return m_shape; }
    // The piece as an audio file (WAV, FLAC or Ogg Vorbis), rendered in the
    // background with a progress dialog that can cancel it.
    void AudioExportClick();
    const varimel::ImportOptions& ImportOptionsInUse() const { return m_importOptions; }
    const std::vector<int>& MorePrograms() const { return m_morePrograms; }
    // Keeps the options and reads the loaded file again with them.
    void SetImportOptions(const varimel::ImportOptions& options);
    const varimel::SkippedLines& SkippedLinesOfLoad() const;
    const QString& CsvPath() const { return m_csvPath; }
    QMenu* ContextMenu() const { return m_contextMenu; }
    void WMDropFiles(const QStringList& paths);

    // The plot window (context menu, Ctrl+G): made at its first opening and
    // kept; it follows every load and change of the mapping.
    void PlotClick();
    // Lets go of the part chosen in the plot; the data group's line about
    // it follows the part.
    void ReleasePart();
    void ShowPart();
    TPlotWindow* PlotWindow() const { return m_plot; }

    // Mapping controls
    void ScaleBoxChange(QComboBox* sender);
    void LowToneBoxDropDown();
    void HighToneBoxDropDown();
    void RefreshKeyboard();
    bool CheckParameters();
    // Runs the checks with their messages; when they pass, the request as
    // the controls say it now (each number box parsed once).
    std::optional<varimel::MappingRequest> CheckedRequest();
    void EnableControls(bool enable);

    // Commands
    void PreviewButtonClick();
    void StopButtonClick();
    void SaveSMFButtonClick();
    // Writes the piece (or the part chosen in the plot) as a MIDI file.
    bool CreateSMF(const QString& path, const varimel::MappingRequest& request);
    void HelpButtonClick();
    void UrlLabelLinkClick(const QString& link);
    void VolumeCtrlButtonClick();
    // What the window does when the player reports the end of play.
    void EndOfPlay();
    // Shut-down: close the player, delete the preview file, write the
    // settings. Runs once, when the window closes or is destroyed.
    void FormDestroy();

    // State, for the commands and the tests.
    const varimel::TXYDataList* DataList() const { return m_load ? &m_load->Data : nullptr; }
    const std::vector<varimel::TXYDataList>& MoreSeries() const;
    const QString& CsvDir() const { return m_csvDir; }
    const QString& SmfDir() const { return m_smfDir; }
    const QString& PreviewFileName() const { return m_previewFileName; }
    const QString& IniFileName() const { return m_iniFileName; }
    const QString& VolumeCtrlProgram() const { return m_volumeCtrlProgram; }
    bool Playing() const;
    // The player's tick the keyboard picture last showed sounding keys for
    // (-1 when not playing), and the player, for the tests.
    int PlayheadTick() const;
    const std::vector<std::int32_t>& SoundingKeys() const;
    const varimel::MidiPlayer* Player() const;
    const QImage& KeyboardPicture() const;
    int SavedLowToneIndex() const { return m_mapping.SavedLowTone; }
    int SavedHighToneIndex() const { return m_mapping.SavedHighTone; }

    static const char* const kManualUrl;
    static const char* const kHomePageUrl;
    static const char* const kVersion;
    // Varimel's icon in every size it is drawn at.
    static QIcon ApplicationIcon();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The import dialog, starting from the options given.
    void OpenImportSettings(const varimel::ImportOptions& start);
    // Every text of the window in the language now in use.
    void Retranslate();
    // The data's summary texts (or those of no data) in the language.
    void ShowSummary();
    void CreateControls();
    void FormCreate(const varimel::StoredSettings& stored);
    // Back to rest after a play: controls, the picture without sounding keys.
    void SettlePlayEnd();
    // A step of the preview's playhead: the plot's, and the keys when they changed.
    void DrawPlayhead(std::int64_t tick, bool keysChanged);
    void ApplySettings(const varimel::StoredSettings& v);
    void WriteSettings();
    // The request as the controls say it, without a message, and whether its
    // numbers are valid.
    std::pair<varimel::MappingRequest, varimel::ParameterCheckResult> ControlsRequest() const;
    void UpdatePlot(bool sameData);
    // What a command writes and plays: the loaded file's piece, or the part
    // chosen in the plot, of every series; and that written to path, a
    // failure shown.
    varimel::TPiece PieceFor(const varimel::MappingRequest& request) const;
    bool WritePiece(const varimel::TPiece& piece, const QString& path);
    // The part chosen in the plot window, if any.
    std::optional<varimel::XSelection> PlotSelection() const;
    // A part as the main window names it, "2013-01-01 – 2013-12-31".
    QString PartText(const varimel::XSelection& part) const;
    // The save (audio false) or export dialog's title naming the part in
    // force; empty without one.
    QString PartDialogTitle(bool audio) const;
    // The load, or an empty one before the first.
    const varimel::CsvLoad& Loaded() const;
    // The import options with what the shape asks of the reading.
    varimel::ImportOptions LoadOptions() const;

    // Controls, named as the user and the tests know them.
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QPushButton* LoadDataButton = nullptr;
    QLabel* KeyboardImage = nullptr;
    QPushButton* PreviewButton = nullptr;
    QPushButton* StopButton = nullptr;
    QPushButton* VolumeCtrlButton = nullptr;
    QPushButton* SaveSMFButton = nullptr;
    QLabel* VersionLabel = nullptr;
    QLabel* UrlLabel = nullptr;
    QPushButton* HelpButton = nullptr;
    TMappingControls m_mapping;
    TDataLabels m_labels;

    // The loaded file as read: every series, its headers, the values it
    // misses, the skipped lines, the summary (in Japanese) and the shape's
    // columns. None before the first load.
    std::optional<varimel::CsvLoad> m_load;
    QString m_csvPath; // the loaded file, read again when the import options change
    // What the last warning about skipped lines told (a digest of every
    // line with its reason), for the file it was about.
    QString m_warnedPath;
    std::uint64_t m_warnedDigest = 0;
    varimel::ImportOptions m_importOptions;
    std::vector<int> m_morePrograms; // the further columns' instruments
    bool m_sharedRange = false;      // every series over one Y range
    double m_speed = 1.0;            // of the preview, kept in [Plot]
    varimel::CueRequest m_cues;      // the sounds beside the notes (as stored: no reading, no language)
    varimel::MappingShape m_shape;
    TContextMenu* m_contextMenu = nullptr;
    QLabel* m_partLabel = nullptr;   // the part chosen in the plot, while there is one
    QLabel* m_outputLabel = nullptr; // the MIDI port previews go to, or why not; hidden without one
    // The line beside the version saying where previews go: to the port
    // chosen, not to it as it is missing, or no more as it went away;
    // hidden with the built-in synthesizer.
    enum class OutputLine { None, Using, Missing, Lost };
    OutputLine m_outputLine = OutputLine::None;
    void ShowOutput(OutputLine line);
    std::unique_ptr<TKeyboardPicture> m_keys;
    QString m_csvDir;
    QString m_smfDir;
    QString m_previewFileName;
    QString m_iniFileName;
    QString m_volumeCtrlProgram;
    QStringList m_volumeCtrlArguments;
    QString m_soundFont;            // from the settings file, if given
    QString m_audioDriver;          // from the settings file, if given
    QString m_output;               // [Playback] Output: a MIDI port, empty for the built-in synthesizer
    bool m_settingsRefused = false; // the settings file was too large to be ours
    bool m_destroyed = false;
    varimel::Language m_storedLanguage = varimel::Language::Japanese; // as the settings keep it
    varimel::Language m_textsLanguage = varimel::Language::Japanese;  // of the texts shown now
    TPreview* m_preview = nullptr;                                    // the kept synthesizer and the play of 試聴
    TPlotWindow* m_plot = nullptr;
    std::optional<varimel::StoredPlace> m_plotPlace; // from the settings, until the window is made
};
