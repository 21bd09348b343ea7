// SPDX-License-Identifier: MIT
#include "Main.h"

#include "Audioexport.h"
#include "Captions.h"
#include "Contextmenu.h"
#include "Cuedialog.h"
#include "Datalabels.h"
#include "Importdialog.h"
#include "Keyboardpicture.h"
#include "Mainlayout.h"
#include "Messagebox.h"
#include "Outputdialog.h"
#include "Player.h"
#include "Plotwindow.h"
#include "Preview.h"
#include "Qtstrings.h"
#include "Replacing.h"
#include "Reportdialog.h"
#include "Seams.h"
#include "Settings.h"
#include "Shapedialog.h"
#include "Translations.h"
#include "data/Csvload.h"
#include "data/Header.h"
#include "data/Sniff.h"
#include "data/Text.h"
#include "music/Filebuild.h"
#include "music/Generalmidi.h"
#include "music/Parameters.h"
#include "music/Shape.h"
#include "sys/Paths.h"
#include "sys/Temporaries.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <type_traits>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

using namespace varimel;

namespace {

constexpr auto kPreviewFile = "VarimelPreview.mid";

} // namespace

// ---------------------------------------------------------------- TMainForm

TMainForm::TMainForm(QWidget* parent, std::optional<Language> language)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("MainForm"));
    // The settings are read once, first: the language is in place before
    // the first caption is made. A file that large is no settings file of
    // ours: it is neither read nor written over at shut-down.
    m_iniFileName = settings::FilePath();
    m_settingsRefused = SettingsFileTooLarge(ToPath(m_iniFileName));
    const StoredSettings stored = settings::Read(m_iniFileName, settings::DocumentsFolder());
    m_storedLanguage = stored.WindowLanguage;
    UseLanguage(language.value_or(m_storedLanguage));
    m_textsLanguage = CurrentLanguage();
    InstallAccessibleComboBoxes();
    // The hint timing is application-wide and must be in place before the
    // controls are polished, or it would reset their colours.
    InstallHintStyle();
    CreateControls();
    m_csvDir.clear();
    FormCreate(stored);
}

const char* const TMainForm::kManualUrl = "https://korvath.example/varimel/manual/";
const char* const TMainForm::kHomePageUrl = "https://korvath.example/";
const char* const TMainForm::kVersion = VARIMEL_VERSION;

QIcon TMainForm::ApplicationIcon()
{
    // The icons live in this library's resources, which a static library
    // must register itself.
    Q_INIT_RESOURCE(icons);
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    return icon;
}

TMainForm::~TMainForm() { FormDestroy(); }

void TMainForm::CreateControls()
{
    BuildMainLayout(this, QString::fromLatin1(kHomePageUrl));
    const auto bind = [this](auto*& member, const char* name) {
        member = findChild<std::remove_reference_t<decltype(member)>>(QString::fromLatin1(name));
    };
    bind(GroupBox1, "GroupBox1");
    bind(GroupBox2, "GroupBox2");
    bind(LoadDataButton, "LoadDataButton");
    m_labels.Bind(this);
    bind(KeyboardImage, "KeyboardImage");
    m_mapping.Bind(this);
    bind(PreviewButton, "PreviewButton");
    bind(StopButton, "StopButton");
    bind(VolumeCtrlButton, "VolumeCtrlButton");
    bind(SaveSMFButton, "SaveSMFButton");
    bind(VersionLabel, "VersionLabel");
    bind(UrlLabel, "UrlLabel");
    bind(HelpButton, "HelpButton");

    connect(LoadDataButton, &QPushButton::clicked, this, [this] { LoadDataButtonClick(); });
    for (QComboBox* box : {m_mapping.ScaleBox, m_mapping.TonicBox, static_cast<QComboBox*>(m_mapping.LowToneBox),
                           static_cast<QComboBox*>(m_mapping.HighToneBox)})
        connect(box, &QComboBox::activated, this, [this, box] { ScaleBoxChange(box); });
    connect(PreviewButton, &QPushButton::clicked, this, [this] { PreviewButtonClick(); });
    connect(StopButton, &QPushButton::clicked, this, [this] { StopButtonClick(); });
    connect(SaveSMFButton, &QPushButton::clicked, this, [this] { SaveSMFButtonClick(); });
    connect(VolumeCtrlButton, &QPushButton::clicked, this, [this] { VolumeCtrlButtonClick(); });
    connect(HelpButton, &QPushButton::clicked, this, [this] { HelpButtonClick(); });
    connect(UrlLabel, &QLabel::linkActivated, this, [this](const QString& link) { UrlLabelLinkClick(link); });
    connect(m_mapping.LowToneBox, &TToneBox::dropDown, this, [this] { LowToneBoxDropDown(); });
    // The plot follows the numbers as they are typed.
    for (QLineEdit* box : {m_mapping.DxPQNBox, m_mapping.DurationBox})
        connect(box, &QLineEdit::textChanged, this, [this] { UpdatePlot(true); });
    connect(m_mapping.TempoBox, &QSpinBox::valueChanged, this, [this] { UpdatePlot(true); });
    connect(m_mapping.HighToneBox, &TToneBox::dropDown, this, [this] { HighToneBoxDropDown(); });

    // The context menu: right button, the Menu key or Shift+F10 anywhere but
    // in the edit boxes; its shortcuts work everywhere in the window.
    m_contextMenu = new TContextMenu(
        this,
        {{"ImportSettingsAction", QT_TR_NOOP("読み込み設定..."), QKeySequence(Qt::CTRL | Qt::Key_I),
          [this] { ImportSettingsClick(); }},
         {"ImportReportAction", QT_TR_NOOP("読み込みレポート..."), QKeySequence(Qt::CTRL | Qt::Key_R),
          [this] { ImportReportClick(); }},
         {"PlotAction", QT_TR_NOOP("グラフ..."), QKeySequence(Qt::CTRL | Qt::Key_G), [this] { PlotClick(); }},
         {"ShapeAction", QT_TR_NOOP("マッピング詳細..."), QKeySequence(Qt::CTRL | Qt::Key_M), [this] { ShapeClick(); }},
         {"CueAction", QT_TR_NOOP("音の目印..."), QKeySequence(Qt::CTRL | Qt::Key_K), [this] { CueClick(); }},
         {"AudioExportAction", QT_TR_NOOP("オーディオファイルへ書き出す..."),
          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), [this] { AudioExportClick(); }, true},
         {"OutputAction", QT_TR_NOOP("MIDI出力先..."), QKeySequence(), [this] { OutputClick(); }},
         {"WholeAction", QT_TR_NOOP("全体に戻す"), QKeySequence(), [this] { ReleasePart(); }}},
        [this](Language language) { SetWindowLanguage(language); });

    // F5, Esc and Ctrl+S play, stop and save from anywhere in the window,
    // exactly as the buttons do (and not while a button is disabled); Esc
    // with nothing playing lets a part chosen in the plot go.
    for (const auto& [keys, button] :
         {std::pair{QKeySequence(Qt::Key_F5), PreviewButton}, std::pair{QKeySequence(Qt::Key_Escape), StopButton},
          std::pair{QKeySequence(Qt::CTRL | Qt::Key_S), SaveSMFButton}}) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, [this, button = button] {
            if (button == StopButton && !m_preview->Playing() && PlotSelection())
                ReleasePart();
            else
                button->click();
        });
    }
    // While a part chosen in the plot is in force, the data group says so.
    m_partLabel = new QLabel(GroupBox1);
    m_partLabel->setObjectName(QStringLiteral("PartLabel"));
    m_partLabel->move(179, 56);
    m_partLabel->hide();
    // Where previews go, when not to the built-in synthesizer: beside the
    // version, where nothing else stands.
    m_outputLabel = new QLabel(this);
    m_outputLabel->setObjectName(QStringLiteral("OutputLabel"));
    m_outputLabel->setGeometry(300, 381, 220, 40);
    m_outputLabel->setWordWrap(true);
    m_outputLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_outputLabel->hide();
    ShowPart();
}

void TMainForm::ReleasePart()
{
    if (m_plot)
        m_plot->View()->SetSelection(std::nullopt);
}

QString TMainForm::PartText(const XSelection& part) const
{
    const auto show = [this](double x) {
        return FromCore(m_importOptions.XDate ? FormatDate(x, x != std::floor(x)) : FormatG(x, 0, false));
    };
    return show(part.From) + QStringLiteral(" – ") + show(part.To);
}

QString TMainForm::PartDialogTitle(bool audio) const
{
    const std::optional<XSelection> part = PlotSelection();
    if (!part)
        return {};
    return audio ? tr("選択範囲 %1 をオーディオファイルへ書き出す").arg(PartText(*part))
                 : tr("選択範囲 %1 をスタンダードMIDIファイルへ保存").arg(PartText(*part));
}

void TMainForm::ShowPart()
{
    const std::optional<XSelection> part = PlotSelection();
    if (auto* whole = findChild<QAction*>(QStringLiteral("WholeAction")))
        whole->setEnabled(part.has_value());
    if (!part) {
        m_partLabel->hide();
        return;
    }
    m_partLabel->setText(tr("選択範囲: %1 (グラフで解除)").arg(PartText(*part)));
    m_partLabel->adjustSize();
    m_partLabel->show();
}

void TMainForm::FormCreate(const StoredSettings& stored)
{
    setAcceptDrops(true);

    m_keys = std::make_unique<TKeyboardPicture>(KeyboardImage);

    for (int i = 0; i < kScaleCount; ++i)
        m_mapping.ScaleBox->addItem(FromCore(ScaleName(i, CurrentLanguage())));
    for (const std::string_view name : ToneNames)
        m_mapping.TonicBox->addItem(FromCore(name));
    for (int k = 0; k < kToneCount; ++k) {
        const QString label = FromCore(ToneLabel(k));
        m_mapping.LowToneBox->addItem(label);
        m_mapping.HighToneBox->addItem(label);
    }
    for (int program = 0; program < 128; ++program)
        m_mapping.ProgramBox->addItem(FromCore(ProgramEntry(program)));

    // The preview lives where no other user can block or redirect it.
    if (const QString folder = ScratchFolder(); !folder.isEmpty())
        m_previewFileName = folder + QLatin1Char('/') + QLatin1String(kPreviewFile);
    QDir().mkpath(settings::Folder()); // a failure shows when the settings are written
    ApplySettings(stored);

    RefreshKeyboard();
    m_labels.NameValues();
    SetLabel(VersionLabel, QStringLiteral("Version ") + QString::fromLatin1(kVersion));

    seams::FindVolumeControl(m_volumeCtrlProgram, m_volumeCtrlArguments);
    // The sounding keys and the plot's playhead follow the preview.
    m_preview = new TPreview(this, m_soundFont, m_audioDriver);
    m_preview->SetSpeed(m_speed);
    m_preview->onStep = [this](std::int64_t tick, bool keysChanged) { DrawPlayhead(tick, keysChanged); };
    m_preview->onEnd = [this] { EndOfPlay(); };
    // A port chosen before that is not there now: the built-in synthesizer
    // for this run, said beside the controls; the choice stays stored.
    if (!m_output.isEmpty()) {
        const bool there = OutputThere(m_output);
        if (there)
            m_preview->SetOutput(m_output);
        ShowOutput(there ? OutputLine::Using : OutputLine::Missing);
    }
}

void TMainForm::ShowOutput(OutputLine line)
{
    m_outputLine = line;
    const QString name = OutputName(PortChoiceOf(ToCore(m_output)));
    QString text;
    switch (line) {
    case OutputLine::None:
        break;
    case OutputLine::Using:
        text = tr("MIDI出力先: %1").arg(name);
        break;
    case OutputLine::Missing:
        text = tr("MIDI出力先「%1」が見つからないため、内蔵シンセサイザーで試聴します。").arg(name);
        break;
    case OutputLine::Lost:
        text = tr("MIDI出力先「%1」との接続が切れたため、試聴を止めました。").arg(name);
        break;
    }
    m_outputLabel->setText(text);
    m_outputLabel->setVisible(!text.isEmpty());
}

void TMainForm::OutputClick()
{
    TOutputDialog dialog(this, m_preview->Output().isEmpty() ? m_output : m_preview->Output());
    if (seams::RunDialog(dialog) != QDialog::Accepted)
        return;
    const QString chosen = dialog.Chosen();
    if (m_preview->Playing()) {
        m_preview->Halt();
        SettlePlayEnd();
    }
    m_output = chosen;
    m_preview->SetOutput(chosen);
    ShowOutput(chosen.isEmpty() ? OutputLine::None : OutputLine::Using);
}

void TMainForm::ApplySettings(const StoredSettings& v)
{
    if (m_settingsRefused)
        ShowWarning(tr("設定ファイルが大きすぎるため読み込みませんでした。既定の設定を使います。"), this,
                    m_iniFileName + QStringLiteral(": larger than 1 MiB"));
    if (v.SeriesUnusable)
        ShowWarning(tr("設定ファイルの追加のY列（MoreYColumns）は使えない値のため、使いません。"), this,
                    m_iniFileName + QStringLiteral(": [Import] MoreYColumns, MorePrograms"));
    m_csvDir = FromCore(v.CsvDir);
    m_smfDir = FromCore(v.SmfDir);
    m_mapping.Show(v);
    m_importOptions = v.Import;
    m_morePrograms = v.MorePrograms;
    m_sharedRange = v.SharedRange;
    m_soundFont = FromCore(v.SoundFont);
    m_audioDriver = FromCore(v.AudioDriver);
    // Text of no known form names no port: the built-in synthesizer.
    m_output = PortChoiceOf(v.Output).System == PortSystem::BuiltIn ? QString() : FromCore(v.Output);
    m_plotPlace = v.Plot;
    m_shape = StoredRequest(v).Shape;
    m_cues = v.Cues;
    m_speed = v.PlotSpeed;
    if (m_preview)
        m_preview->SetSpeed(m_speed);
}

const QImage& TMainForm::KeyboardPicture() const { return m_keys->Picture(); }

// ---------------------------------------------------------------- loading

bool TMainForm::ReadCsvFile(const QString& path, bool again)
{
    // Only a regular file is read: a FIFO or a device could keep the window
    // waiting for ever.
    const std::string file = ToPath(path);
    std::string reason;
    struct stat info {};
    std::optional<CsvLoad> load;
    if (stat(file.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        reason = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
    else
        load = LoadCsv(file, &reason, LoadOptions());
    if (!load) {
        ShowError(reason == kReasonTooManyGroups ? tr("グループが15を超えています。系列は15までです。")
                                                 : MessageWords(kMsgCsvReadFailed),
                  this, path + QStringLiteral(": ") + FromCore(reason));
        return false;
    }
    again = again && path == m_csvPath;
    m_load = std::move(load);
    m_csvPath = path;
    const CsvSummary& s = m_load->Summary;
    ShowSummary();
    m_labels.ShowRanges(s);
    m_labels.NameValues();
    m_mapping.DxPQNBox->setText(FromCore(s.DxPQN));
    const std::optional<std::pair<double, double>> view =
        again && m_plot ? std::optional(m_plot->View()->ViewRange()) : std::nullopt;
    UpdatePlot(false);
    if (view)
        m_plot->View()->SetViewRange(view->first, view->second);
    // Read again for other options, the file does not repeat the very
    // warning it gave last (the same lines for the same reasons).
    std::uint64_t digest = 1469598103934665603u;
    const auto mix = [&digest](std::uint64_t v) { digest = (digest ^ v) * 1099511628211u; };
    for (std::size_t i = 0; i < m_load->Skips.Count(); ++i) {
        mix(m_load->Skips[i].Line);
        mix(static_cast<std::uint64_t>(m_load->Skips[i].Reason));
    }
    for (const MissingValue& m : m_load->Missing) {
        mix(m.Line);
        mix(static_cast<std::uint64_t>(m.Column) << 8 | static_cast<std::uint64_t>(m.Reason));
    }
    const bool told = again && path == m_warnedPath && digest == m_warnedDigest;
    if (m_load->Skipped && !told) {
        m_warnedPath = path;
        m_warnedDigest = digest;
        // The first skipped lines and where to find the rest, behind the
        // warning's details button.
        ShowWarning(MessageWords(kMsgLinesSkipped), this, SkippedDetails(m_load->Skips, m_load->Missing));
        // A file the reading of one series makes little of: a reading that
        // works, found in its first lines, is offered after the warning.
        if (m_load->More.empty() &&
            (m_load->Data.Empty() || m_load->Skips.Count() > static_cast<std::size_t>(m_load->Data.Count())))
            if (const std::optional<ReadingProposal> p = ProposeReadingOfFile(file, m_importOptions))
                if (AskYesNo(FromCore(DescribeProposal(*p, CurrentLanguage())), this, tr("読み込み設定を開く"),
                             tr("閉じる")))
                    OpenImportSettings(p->Options);
    }
    return true;
}

const CsvLoad& TMainForm::Loaded() const
{
    static const CsvLoad none;
    return m_load ? *m_load : none;
}

const SkippedLines& TMainForm::SkippedLinesOfLoad() const { return Loaded().Skips; }

const std::vector<TXYDataList>& TMainForm::MoreSeries() const { return Loaded().More; }

void TMainForm::ShowSummary()
{
    m_labels.ShowSummary(m_load ? &*m_load : nullptr, ToPath(m_csvPath), m_importOptions.XDate);
}

void TMainForm::SetWindowLanguage(Language language)
{
    m_storedLanguage = language;
    UseLanguage(language);
}

void TMainForm::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QWidget::changeEvent(event);
}

void TMainForm::Retranslate()
{
    // Each change of catalogue tells the window; the texts are made again
    // only when their language is another.
    if (m_textsLanguage == CurrentLanguage())
        return;
    m_textsLanguage = CurrentLanguage();
    TranslateMainLayout(this, QString::fromLatin1(kHomePageUrl));
    m_contextMenu->Retranslate();
    for (int i = 0; i < m_mapping.ScaleBox->count(); ++i)
        m_mapping.ScaleBox->setItemText(i, FromCore(ScaleName(i, CurrentLanguage())));
    ShowSummary();
    m_labels.NameValues();
    m_keys->Describe();
    ShowOutput(m_outputLine);
    UpdatePlot(true);
}

void TMainForm::LoadDataButtonClick()
{
    const QString path = seams::ChooseFile(this, m_csvDir, false, tr("CSVファイル(*.csv)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    OpenFile(path);
}

void TMainForm::OpenFile(const QString& path)
{
    ReadCsvFile(path);
    m_csvDir = FolderOfPath(path);
}

void TMainForm::contextMenuEvent(QContextMenuEvent* event)
{
    // The edit boxes keep their own menus; everywhere else this one.
    m_contextMenu->popup(event->globalPos());
    event->accept();
}

void TMainForm::ImportSettingsClick() { OpenImportSettings(m_importOptions); }

void TMainForm::OpenImportSettings(const ImportOptions& start)
{
    // The preview shows the start of the loaded file.
    std::string bytes;
    if (!m_csvPath.isEmpty())
        bytes = ReadStartOfFile(ToPath(m_csvPath), 64 * 1024).value_or(std::string());
    TImportDialog dialog(this, start, {m_morePrograms, m_sharedRange, m_shape.RestBelow}, std::move(bytes));
    if (seams::RunDialog(dialog) == QDialog::Accepted) {
        const SeriesChoice series = dialog.Series();
        m_morePrograms = series.Programs;
        m_sharedRange = series.SharedRange;
        m_shape.RestBelow = series.RestBelow;
        SetImportOptions(dialog.Options());
    }
}

void TMainForm::SetImportOptions(const ImportOptions& options)
{
    m_importOptions = options;
    if (!m_csvPath.isEmpty())
        ReadCsvFile(m_csvPath, true);
}

void TMainForm::AudioExportClick()
{
    const std::optional<MappingRequest> request = CheckedRequest();
    if (!request)
        return;
    auto piece = std::make_shared<TPiece>(PieceFor(*request));
    AudioPiece audio;
    audio.Build = [piece](const std::string& path, std::string* reason) { return piece->Write(path, reason); };
    audio.Seconds = piece->Seconds();
    audio.Title = PartDialogTitle(true);
    ExportAudio(this, audio, m_soundFont, m_smfDir);
}

void TMainForm::PlotClick()
{
    if (!m_plot) {
        m_plot = new TPlotWindow(this, m_plotPlace);
        m_plot->imageFolder = m_smfDir;
        m_plot->onPlay = [this] {
            if (PreviewButton->isEnabled())
                PreviewButton->click();
        };
        m_plot->onStop = [this] {
            if (!m_preview->Playing())
                return false;
            StopButtonClick();
            return true;
        };
        m_plot->onPartChanged = [this] { ShowPart(); };
        // The main window's commands work from the plot window too (its own
        // Ctrl+S saves the picture).
        for (const char* name :
             {"ImportSettingsAction", "ImportReportAction", "ShapeAction", "CueAction", "AudioExportAction"}) {
            QAction* command = findChild<QAction*>(QString::fromLatin1(name));
            auto* mirror = new QAction(m_plot);
            mirror->setShortcut(command->shortcut());
            mirror->setShortcutContext(Qt::WindowShortcut);
            m_plot->addAction(mirror);
            connect(mirror, &QAction::triggered, command, &QAction::trigger);
        }
        // The listening keys: the speed of a preview (kept for the next),
        // the part Shift+End or Shift+Home chose played, summaries said.
        m_plot->View()->onSpeed = [this](int step) { StepSpeed(step); };
        m_plot->View()->onPlayPart = [this] { PreviewButtonClick(); };
        m_plot->View()->onAnnounce = [this](const QString& text) { m_plot->StatusLine()->setText(text); };
        // A step of the plot's cursor sounds its note briefly.
        m_plot->View()->onCursorKey = [this](int key) {
            // In the instrument of the series the cursor follows.
            const std::size_t series = m_plot->View()->Followed();
            const int program = series > 0 && series <= m_morePrograms.size() ? m_morePrograms[series - 1]
                                                                              : m_mapping.ProgramBox->currentIndex();
            // After the words: the first step also starts the synthesizer
            // (a fifth of a second), which should not hold up the screen reader.
            QTimer::singleShot(
                0, this, [this, key, program] { m_preview->SoundKey(key, program, m_mapping.VelocityBox->value()); });
        };
        UpdatePlot(false);
    }
    m_plot->show();
    m_plot->raise();
    m_plot->activateWindow();
}

void TMainForm::UpdatePlot(bool sameData)
{
    if (!m_plot)
        return;
    const auto [request, check] = ControlsRequest();
    PlotPiece piece;
    piece.Load = m_load ? &*m_load : nullptr;
    piece.XDates = m_importOptions.XDate;
    piece.Request = request;
    piece.Melody = check.Outcome == ParameterCheck::Ok;
    if (m_load && !m_load->More.empty()) {
        // Each series by its header, else by its column.
        for (std::size_t k = 0; k <= m_load->More.size(); ++k)
            piece.Names << (k < m_load->Names.size() && !m_load->Names[k].empty()
                                ? FromCore(m_load->Names[k])
                                : tr("%1列目").arg(m_load->ColumnOf(k)));
    }
    m_plot->SetPiece(piece, m_load ? QFileInfo(m_csvPath).fileName() : QString(), sameData);
    ShowPart();
}

TPiece TMainForm::PieceFor(const MappingRequest& request) const
{
    return TPiece::Of(Loaded(), request, PlotSelection());
}

ImportOptions TMainForm::LoadOptions() const { return ReadingFor(m_importOptions, m_shape); }

void TMainForm::ShapeClick()
{
    const auto [request, check] = ControlsRequest();
    TShapeDialog dialog(this, DataList(), request, HeaderOfFile(ToPath(m_csvPath), m_importOptions));
    if (seams::RunDialog(dialog) != QDialog::Accepted)
        return;
    const std::optional<MappingShape> shape = dialog.Shape();
    if (!shape || *shape == m_shape)
        return;
    const ImportOptions before = LoadOptions();
    m_shape = *shape;
    // What is read depends on the logarithm and the columns beside the notes.
    if (!m_csvPath.isEmpty() && LoadOptions() != before)
        ReadCsvFile(m_csvPath, true);
    UpdatePlot(true);
}

std::optional<XSelection> TMainForm::PlotSelection() const
{
    // A part keeps each note as the whole piece has it; values from columns
    // beside the notes are matched over the whole piece only, so with them
    // the piece plays whole.
    return m_plot ? m_plot->Selection() : std::nullopt;
}

void TMainForm::ImportReportClick()
{
    const CsvLoad& load = Loaded();
    TReportDialog dialog(this, m_csvPath, m_importOptions, load.Data.Count(), load.Skips, load.Missing,
                         FromCore(DescribeShape(m_shape, CurrentLanguage())));
    seams::RunDialog(dialog);
}

void TMainForm::WMDropFiles(const QStringList& paths)
{
    if (paths.size() > 1) {
        ShowError(tr("ファイルは１つしかドロップできません。"), this);
        return;
    }
    if (paths.isEmpty())
        return;
    const QString& path = paths.constFirst();
    if (ExtensionOf(ToPath(path)) != "csv")
        return;
    ReadCsvFile(path);
    m_csvDir = FolderOfPath(path);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    event->acceptProposedAction();
    WMDropFiles(paths);
}

// ---------------------------------------------------------------- mapping controls

void TMainForm::LowToneBoxDropDown() { m_mapping.SavedLowTone = m_mapping.LowToneBox->currentIndex(); }
void TMainForm::HighToneBoxDropDown() { m_mapping.SavedHighTone = m_mapping.HighToneBox->currentIndex(); }

void TMainForm::RefreshKeyboard()
{
    m_keys->Allow(m_mapping.ScaleBox->currentIndex(), m_mapping.TonicBox->currentIndex(),
                  m_mapping.LowToneBox->currentIndex(), m_mapping.HighToneBox->currentIndex());
}

void TMainForm::ScaleBoxChange(QComboBox* sender)
{
    if (m_mapping.LowToneBox->currentIndex() < m_mapping.HighToneBox->currentIndex()) {
        RefreshKeyboard();
        UpdatePlot(true);
        return;
    }
    ShowError(MessageWords(kMsgToneRange), this);
    m_mapping.TakeBack(sender);
}

bool TMainForm::CheckParameters() { return CheckedRequest().has_value(); }

std::pair<MappingRequest, ParameterCheckResult> TMainForm::ControlsRequest() const
{
    auto result = m_mapping.Request(DataList(), m_shape, m_morePrograms, m_sharedRange);
    // The cues read X as the load does and name their tracks in the
    // window's language.
    result.first.Cues = m_cues;
    result.first.Cues.Dates = m_importOptions.XDate;
    result.first.Cues.English = CurrentLanguage() == Language::English;
    return result;
}

void TMainForm::StepSpeed(int step)
{
    static constexpr double kSpeeds[] = {0.25, 0.5, 0.75, 1.0, 1.5, 2.0, 3.0, 4.0};
    const auto at = std::find(std::begin(kSpeeds), std::end(kSpeeds), m_preview->Speed());
    const auto index = std::clamp<std::ptrdiff_t>((at == std::end(kSpeeds) ? 3 : at - std::begin(kSpeeds)) + step, 0,
                                                  static_cast<std::ptrdiff_t>(std::size(kSpeeds)) - 1);
    m_preview->SetSpeed(kSpeeds[index]);
    m_speed = kSpeeds[index];
    if (m_plot)
        m_plot->View()->Announce(tr("速さ ×%1").arg(QString::number(kSpeeds[index])));
}

void TMainForm::CueClick()
{
    TCueDialog dialog(this, m_load ? &*m_load : nullptr, ControlsRequest().first);
    if (seams::RunDialog(dialog) != QDialog::Accepted)
        return;
    const std::optional<CueRequest> cues = dialog.Cues();
    if (!cues || *cues == m_cues)
        return;
    m_cues = *cues;
    UpdatePlot(true);
}

std::optional<MappingRequest> TMainForm::CheckedRequest()
{
    const auto [request, r] = ControlsRequest();
    const QString text = MessageWords(ParameterCheckMessage(r.Outcome));
    switch (r.Outcome) {
    case ParameterCheck::Ok:
        return request;
    case ParameterCheck::NoData:
        // Further series with values beside an empty first one: the first
        // column is named.
        if (m_load && std::any_of(m_load->More.begin(), m_load->More.end(),
                                  [](const TXYDataList& more) { return !more.Empty(); }))
            ShowInformation(FromCore(NoValuesMessage(m_load->Options.YColumn, CurrentLanguage())), this);
        else
            ShowInformation(text, this);
        return std::nullopt;
    case ParameterCheck::NumberFormat:
        ShowError(text, nullptr);
        return std::nullopt;
    default:
        ShowError(text, this);
        return std::nullopt;
    }
}

void TMainForm::EnableControls(bool enable)
{
    m_mapping.Enable(enable);
    PreviewButton->setEnabled(enable);
}

// ---------------------------------------------------------------- commands

bool TMainForm::CreateSMF(const QString& path, const MappingRequest& request)
{
    return WritePiece(PieceFor(request), path);
}

bool TMainForm::WritePiece(const TPiece& piece, const QString& path)
{
    std::string reason;
    const bool ok = piece.Write(ToPath(path), &reason);
    if (!ok)
        ShowError(MessageWords(kMsgSmfFailed), this, path + QStringLiteral(": ") + FromCore(reason));
    return ok;
}

void TMainForm::PreviewButtonClick()
{
    const std::optional<MappingRequest> request = CheckedRequest();
    if (!request)
        return;
    if (m_preview->Playing()) {
        // Ended without its end-of-play report, so the state is settled here.
        m_preview->Halt();
        SettlePlayEnd();
    }
    // Never in a shared folder, where another user could redirect it.
    if (m_previewFileName.isEmpty()) {
        ShowError(MessageWords(kMsgSmfFailed), this,
                  QDir::tempPath() + QStringLiteral(": ") + QString::fromLatin1(kNoPrivateFolder));
        return;
    }
    // A failed build ends here: a stale or partial preview is never played.
    const TPiece piece = PieceFor(*request);
    if (!WritePiece(piece, m_previewFileName))
        return;
    // Every series' keys light up; a part's ticks count from its start.
    std::string error;
    if (!m_preview->Play(ToPath(m_previewFileName), piece.AllNotes(), piece.Shift(), error)) {
        ShowError(tr("MIDIデバイスをオープンできませんでした。"), this, PreviewFailureWords(error));
        return;
    }
    EnableControls(false);
}

void TMainForm::StopButtonClick() { m_preview->Stop(); }

bool TMainForm::Playing() const { return m_preview->Playing(); }
int TMainForm::PlayheadTick() const { return m_preview->Tick(); }
const std::vector<std::int32_t>& TMainForm::SoundingKeys() const { return m_preview->Sounding(); }
const MidiPlayer* TMainForm::Player() const { return m_preview->Player(); }

void TMainForm::SettlePlayEnd()
{
    m_preview->Settle();
    if (m_plot)
        m_plot->View()->SetPlayhead(-1);
    RefreshKeyboard(); // the picture at rest again
    EnableControls(true);
}

void TMainForm::DrawPlayhead(std::int64_t tick, bool keysChanged)
{
    if (m_plot && m_plot->isVisible())
        m_plot->View()->SetPlayhead(static_cast<int>(std::min<std::int64_t>(tick, std::numeric_limits<int>::max())));
    if (!keysChanged)
        return;
    m_keys->Sound(m_preview->Sounding());
}

void TMainForm::EndOfPlay()
{
    seams::Trace("end of play");
    SettlePlayEnd();
    // A port that went away mid-play: said, without a box in the way.
    if (m_preview->PortLost())
        ShowOutput(OutputLine::Lost);
}

void TMainForm::SaveSMFButtonClick()
{
    const std::optional<MappingRequest> request = CheckedRequest();
    if (!request)
        return;
    QString path = seams::ChooseFile(this, m_smfDir, true, tr("スタンダードMIDIファイル(*.mid)"), QStringLiteral("mid"),
                                     PartDialogTitle(false));
    if (path.isEmpty())
        return;
    // A name typed without an extension gets the default one.
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (path.lastIndexOf(QLatin1Char('.')) <= slash)
        path += QLatin1String(".mid");
    TReplaceGrant grant;
    if (!grant.Ask(path, this, MessageWords(kMsgSmfFailed)))
        return;
    CreateSMF(path, *request);
    m_smfDir = FolderOfPath(path);
}

void TMainForm::HelpButtonClick() { seams::OpenWithShell(QString::fromLatin1(kManualUrl)); }

void TMainForm::UrlLabelLinkClick(const QString& link) { seams::OpenWithShell(link); }

void TMainForm::VolumeCtrlButtonClick()
{
    if (!m_volumeCtrlProgram.isEmpty())
        seams::OpenWithShell(m_volumeCtrlProgram, m_volumeCtrlArguments);
}

// ---------------------------------------------------------------- shut-down

void TMainForm::closeEvent(QCloseEvent* event)
{
    FormDestroy();
    event->accept();
}

void TMainForm::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    // The audio output kept between previews goes too.
    if (m_preview && m_preview->Close())
        seams::Trace("device closed");
    if (QFile::exists(m_previewFileName)) {
        QFile::remove(m_previewFileName);
        seams::Trace("preview deleted");
    }
    WriteSettings();
    seams::Trace("settings written");
}

void TMainForm::WriteSettings()
{
    if (m_settingsRefused)
        return;
    StoredSettings c;
    c.CsvDir = ToCore(m_csvDir);
    c.SmfDir = ToCore(m_smfDir);
    m_mapping.Store(c);
    c.Import = m_importOptions;
    c.MorePrograms = m_morePrograms;
    c.SharedRange = m_sharedRange;
    c.Shape = m_shape;
    c.Cues = m_cues;
    c.PlotSpeed = m_speed;
    c.Output = ToCore(m_output);
    if (m_plot)
        m_plotPlace = m_plot->Place();
    c.Plot = m_plotPlace;
    c.WindowLanguage = m_storedLanguage;
    QString reason;
    switch (settings::Write(m_iniFileName, c, &reason)) {
    case settings::WriteOutcome::Written:
        break;
    case settings::WriteOutcome::FileFailed:
        ShowError(tr("%1が別のアプリケーションで開かれています。ファイルを閉じて下さい。")
                      .arg(QString::fromLatin1(kSettingsFileName)),
                  this, m_iniFileName + QStringLiteral(": ") + reason);
        break;
    case settings::WriteOutcome::NumberFailed:
        ShowError(MessageWords(kMsgNumberFormat), nullptr);
        break;
    }
}
