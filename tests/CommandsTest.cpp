// SPDX-License-Identifier: MIT
// Preview, stop, export, the launchers and the settings file, on the real
// window offscreen with the real FluidSynth player (the "file" audio driver
// stands in for a sound card).
#include "Main.h"

#include "Imagecanvas.h"
#include "Player.h"
#include "Plotwindow.h"
#include "music/Musickeyboard.h"

#include "GuiTestMain.h"
#include "SmfReader.h"
#include "TestUtil.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include <memory>

namespace {

constexpr const char* kSmallFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

class Commands : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        seams::SetShutdownTrace([this](const QString& step) { trace << step; });
        seams::SetShellOpener([this](const QString& target, const QStringList& args) {
            opened << (args.isEmpty() ? target : target + " " + args.join(' '));
        });
    }

    std::string Ini() const { return dir / "config/Korvath/Varimel/Varimel.ini"; }
    void WriteIni(const std::string& text) const { testutil::WriteFile(Ini(), text); }
    // Starts with the test SoundFont and the file driver, and a loaded piece
    // of `quarters` quarter notes at 240 bpm.
    void StartWithPiece(int quarters, const std::string& playback = "")
    {
        WriteIni("[MappingParam]\nTempo=240\n[Playback]\n" +
                 (playback.empty() ? std::string("SoundFont=") + kSmallFont + "\nAudioDriver=file\n" : playback));
        Start();
        std::string csv;
        for (int i = 0; i < quarters; ++i)
            csv += std::to_string(i) + "," + std::to_string(i % 7) + "\n";
        testutil::WriteFile(dir / "piece.csv", csv);
        form->WMDropFiles({QString::fromStdString(dir / "piece.csv")});
    }
    bool MappingEnabled() const
    {
        return Get<QWidget>("ScaleBox")->isEnabled() && Get<QWidget>("PreviewButton")->isEnabled();
    }
    // Runs the event loop until the preview has ended, at most `ms`.
    bool WaitForEnd(int ms)
    {
        QElapsedTimer timer;
        timer.start();
        while (form->Playing() && timer.elapsed() < ms)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return !form->Playing();
    }
    void Settle(int ms)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    QStringList trace;
    QStringList opened;
};

} // namespace

TEST_F(Commands, PreviewPlaysToTheEndByItself)
{
    StartWithPiece(4); // one bar at 240 bpm: one second
    form->PreviewButtonClick();
    ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
    EXPECT_TRUE(form->Playing());
    EXPECT_FALSE(MappingEnabled());
    EXPECT_TRUE(Get<QWidget>("StopButton")->isEnabled());
    EXPECT_TRUE(Get<QWidget>("SaveSMFButton")->isEnabled());
    ASSERT_TRUE(WaitForEnd(10000));
    Settle(200);
    EXPECT_TRUE(MappingEnabled());
    EXPECT_EQ(trace.count("end of play"), 1);
    EXPECT_TRUE(std::filesystem::exists(form->PreviewFileName().toStdString()));
    EXPECT_GT(std::filesystem::file_size(dir / "VarimelPreview.wav"), 44u * 1000);
}

TEST_F(Commands, StopEndsThePreview)
{
    StartWithPiece(64);      // sixteen seconds
    form->StopButtonClick(); // nothing plays: nothing happens
    form->PreviewButtonClick();
    ASSERT_TRUE(form->Playing());
    Settle(100);
    form->StopButtonClick();
    ASSERT_TRUE(WaitForEnd(2000));
    Settle(100);
    EXPECT_TRUE(MappingEnabled());
    form->StopButtonClick(); // again: nothing visible
    Settle(100);
    EXPECT_EQ(trace.count("end of play"), 1);
    EXPECT_TRUE(boxes.shown.empty());
}

// A change of language while a preview plays leaves it playing, the
// controls as they were; the stop button, now in English, still stops it.
TEST_F(Commands, LanguageChangeKeepsThePreviewPlaying)
{
    StartWithPiece(64);
    form->PreviewButtonClick();
    ASSERT_TRUE(form->Playing());
    Settle(100);
    form->SetWindowLanguage(varimel::Language::English);
    Settle(100);
    EXPECT_TRUE(form->Playing());
    EXPECT_FALSE(MappingEnabled());
    auto* stop = Get<QPushButton>("StopButton");
    EXPECT_EQ(stop->text(), "&Stop");
    stop->click();
    EXPECT_TRUE(WaitForEnd(2000));
    EXPECT_TRUE(boxes.shown.empty());
}

// The details say why in the window's words and what to do next.
TEST_F(Commands, OpenFailureShowsTheDeviceError)
{
    const struct {
        const char* settings;
        bool english;
        const char* details;
    } rows[] = {
        {"SoundFont=/no/such/font.sf2\nAudioDriver=file\n", false,
         "音色ファイル（SoundFont）が見つかりません。fluid-soundfont-gm を入れるか、設定ファイルの [Playback] "
         "SoundFont に指定して下さい。"},
        {"SoundFont=/usr/share/sounds/sf2/TimGM6mb.sf2\nAudioDriver=nosuch\n", false,
         "音声の出力先を開けませんでした。サウンドの設定を確かめて下さい。オーディオファイルへ書き出す... "
         "で聴けます。"},
        {"SoundFont=/usr/share/sounds/sf2/TimGM6mb.sf2\nAudioDriver=nosuch\n", true,
         "No audio output could be opened. Please check the sound settings. You can listen through Export Audio "
         "File...."},
    };
    for (const auto& r : rows) {
        boxes.shown.clear();
        StartWithPiece(4, r.settings);
        if (r.english)
            form->SetWindowLanguage(varimel::Language::English);
        form->PreviewButtonClick();
        ASSERT_EQ(boxes.shown.size(), 1u) << r.details;
        EXPECT_EQ(boxes.shown[0].kind, MessageKind::Error);
        EXPECT_EQ(boxes.shown[0].text,
                  r.english ? "Could not open the MIDI device." : "MIDIデバイスをオープンできませんでした。");
        EXPECT_EQ(boxes.shown[0].owner, form.get());
        EXPECT_EQ(boxes.shown[0].details, QString::fromUtf8(r.details));
        EXPECT_FALSE(form->Playing());
        EXPECT_TRUE(MappingEnabled());
        form->SetWindowLanguage(varimel::Language::Japanese);
    }
}

TEST_F(Commands, FailedBuildPlaysNothing)
{
    WriteIni(std::string("[Playback]\nSoundFont=") + kSmallFont + "\nAudioDriver=file\n");
    Start();
    testutil::WriteFile(dir / "far.csv", "0,1\n10000000,2\n");
    form->WMDropFiles({QString::fromStdString(dir / "far.csv")});
    Get<QLineEdit>("DxPQNBox")->setText("1");
    // A stale preview from an earlier run must not be played either.
    testutil::WriteFile(form->PreviewFileName().toStdString(), "stale");
    form->PreviewButtonClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "スタンダードMIDIファイルの作成に失敗しました。");
    EXPECT_FALSE(form->Playing());
    EXPECT_EQ(testutil::ReadFile(form->PreviewFileName().toStdString()), "stale");
}

TEST_F(Commands, ClosingDuringPreviewClosesTheDeviceFirst)
{
    StartWithPiece(64);
    form->PreviewButtonClick();
    ASSERT_TRUE(form->Playing());
    const std::string preview = form->PreviewFileName().toStdString();
    ASSERT_TRUE(std::filesystem::exists(preview));
    form->close();
    EXPECT_EQ(trace, (QStringList{"device closed", "preview deleted", "settings written"}));
    EXPECT_FALSE(std::filesystem::exists(preview));
    form.reset(); // destruction after the close does it all only once
    EXPECT_EQ(trace.size(), 3);
}

TEST_F(Commands, Export)
{
    StartWithPiece(8);
    const QString documents = QString::fromStdString(dir / "Documents");
    EXPECT_EQ(form->SmfDir(), documents);
    QString offered;
    QString answer;
    seams::SetSaveFileChooser([&](QWidget*, const QString& folder) {
        offered = folder;
        return answer;
    });
    form->SaveSMFButtonClick(); // cancelled
    EXPECT_EQ(offered, documents);
    EXPECT_EQ(form->SmfDir(), documents);

    std::filesystem::create_directory(dir / "out");
    answer = QString::fromStdString(dir / "out/曲"); // no extension
    form->SaveSMFButtonClick();
    EXPECT_TRUE(boxes.shown.empty());
    const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "out/曲.mid"));
    EXPECT_EQ(f.error, "");
    EXPECT_EQ(f.tracks.size(), 2u);
    EXPECT_EQ(form->SmfDir(), QString::fromStdString(dir / "out"));

    answer = QString::fromStdString(dir / "missing/x.mid");
    form->SaveSMFButtonClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "スタンダードMIDIファイルの作成に失敗しました。");
    EXPECT_EQ(boxes.shown[0].owner, form.get());
    EXPECT_EQ(form->SmfDir(), QString::fromStdString(dir / "missing"));

    // The checks come before the dialog.
    boxes.shown.clear();
    offered.clear();
    Get<QLineEdit>("DurationBox")->setText("2");
    form->SaveSMFButtonClick();
    EXPECT_TRUE(offered.isEmpty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "デュレーションは0～1の間でなければなりません。");
}

// The window's saves onto a name it should not simply replace: a FIFO is
// refused at once (the window would wait for a reader), a read-only file is
// replaced only when the user says so, and is read-only again after.
TEST_F(Commands, SavesOntoFifosAndReadOnlyFiles)
{
    StartWithPiece(4);
    form->PlotClick();
    QString target;
    seams::SetSaveFileChooser([&](QWidget*, const QString&) { return target; });
    seams::SetAudioFileChooser([&](QWidget*, const QString&, QString& filter) {
        filter = QStringLiteral("WAVファイル(*.wav)");
        return target;
    });
    seams::SetImageFileChooser([&](QWidget*, const QString&, QString& filter) {
        filter = QStringLiteral("PNG画像(*.png)");
        return target;
    });
    seams::SetDialogRunner([](QDialog& d) { return d.exec(); });
    const struct {
        const char* what;
        const char* file;
        std::function<void()> save;
        const char* failed;
    } savers[] = {
        {"MIDI", "s.mid", [&] { form->SaveSMFButtonClick(); }, "スタンダードMIDIファイルの作成に失敗しました。"},
        {"audio", "s.wav", [&] { form->AudioExportClick(); }, "オーディオファイルの作成に失敗しました。"},
        {"plot image", "s.png", [&] { form->PlotWindow()->SaveImageClick(); }, "画像を保存できませんでした。"},
    };
    const QString question = QStringLiteral("読み取り専用のファイルです。置き換えますか？");
    for (const auto& s : savers) {
        SCOPED_TRACE(s.what);
        const std::string path = dir / s.file;
        target = QString::fromStdString(path);
        // A FIFO: refused at once, nothing asked.
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        boxes.shown.clear();
        boxes.asked.clear();
        QElapsedTimer timer;
        timer.start();
        s.save();
        EXPECT_LT(timer.elapsed(), 3000);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, QString::fromUtf8(s.failed));
        EXPECT_EQ(boxes.shown[0].details, target + ": not a regular file");
        EXPECT_TRUE(boxes.asked.empty());
        std::filesystem::remove(path);

        // Read-only, answered No: kept, nothing else said.
        testutil::WriteFile(path, "precious");
        std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
        boxes.shown.clear();
        boxes.answer = false;
        s.save();
        EXPECT_EQ(boxes.asked, std::vector<QString>{question});
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_EQ(testutil::ReadFile(path), "precious");

        // Answered Yes: replaced, and read-only as it was.
        boxes.answer = true;
        s.save();
        EXPECT_TRUE(boxes.shown.empty()) << (boxes.shown.empty() ? "" : boxes.shown[0].details.toStdString());
        EXPECT_NE(testutil::ReadFile(path), "precious");
        EXPECT_EQ(std::filesystem::status(path).permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
        EXPECT_EQ(boxes.asked.size(), 2u);
    }
    seams::SetDialogRunner({});
}

TEST_F(Commands, Launchers)
{
    Start();
    form->HelpButtonClick();
    form->UrlLabelLinkClick(QString::fromLatin1(TMainForm::kHomePageUrl));
    form->VolumeCtrlButtonClick();
    ASSERT_GE(opened.size(), 2);
    EXPECT_EQ(opened[0], "https://korvath.example/varimel/manual/");
    EXPECT_EQ(opened[1], "https://korvath.example/");
    EXPECT_EQ(opened.size(), form->VolumeCtrlProgram().isEmpty() ? 2 : 3);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Commands, SettingsDefaultsAndRoundTrip)
{
    Start();
    EXPECT_EQ(form->IniFileName(), QString::fromStdString(Ini()));
    EXPECT_EQ(form->CsvDir(), QString::fromStdString(dir / "Documents"));
    EXPECT_EQ(Get<QComboBox>("ScaleBox")->currentIndex(), 1);
    EXPECT_EQ(Get<QLineEdit>("DxPQNBox")->text(), "1");
    form.reset();
    EXPECT_TRUE(boxes.shown.empty());
    const std::string docs = dir / "Documents";
    EXPECT_EQ(testutil::ReadFile(Ini()), "[Directories]\nCsvDir=" + docs + "\nSmfDir=" + docs +
                                             "\n\n[MappingParam]\nScale=1\nTonic=0\nLowTone=39\nHighTone=63\n"
                                             "Tempo=120\nVelocity=96\nProgram=0\nDxPQN=1\nDuration=0.875\n"
                                             "DisableProgChange=0\n");

    // Changed values survive a restart.
    Start();
    Get<QComboBox>("ScaleBox")->setCurrentIndex(18);
    Get<QComboBox>("TonicBox")->setCurrentIndex(2);
    Get<QComboBox>("ProgramBox")->setCurrentIndex(127);
    Get<QSpinBox>("TempoBox")->setValue(77);
    Get<QLineEdit>("DurationBox")->setText("0.50");
    Get<QCheckBox>("DisableProgChangeBox")->setChecked(true);
    form.reset();
    Start();
    EXPECT_EQ(Get<QComboBox>("ScaleBox")->currentIndex(), 18);
    EXPECT_EQ(Get<QComboBox>("TonicBox")->currentIndex(), 2);
    EXPECT_EQ(Get<QComboBox>("ProgramBox")->currentIndex(), 127);
    EXPECT_EQ(Get<QSpinBox>("TempoBox")->value(), 77);
    EXPECT_EQ(Get<QLineEdit>("DurationBox")->text(), "0.5");
    EXPECT_TRUE(Get<QCheckBox>("DisableProgChangeBox")->isChecked());
}

TEST_F(Commands, StoredValuesAreReadWithTheirRules)
{
    struct Case {
        const char* stored;
        const char* box;
        int value;        // position, spin value or check state
        const char* text; // for the edit boxes
    };
    // clang-format off
    const Case cases[] = {
        {"Tempo=500", "TempoBox", 240, nullptr},
        {"Velocity=0", "VelocityBox", 1, nullptr},
        {"Tempo=fast", "TempoBox", 120, nullptr},
        {"LowTone=200", "LowToneBox", 39, nullptr},
        {"HighTone=-1", "HighToneBox", 63, nullptr},
        {"Program=128", "ProgramBox", 0, nullptr},
        {"Scale=0x2", "ScaleBox", 2, nullptr},
        {"Scale=2.0", "ScaleBox", 1, nullptr},
        {"Tonic= 11 ", "TonicBox", 11, nullptr},
        {"DisableProgChange=2", "DisableProgChangeBox", 1, nullptr},
        {"DisableProgChange=x", "DisableProgChangeBox", 0, nullptr},
        {"DxPQN=1.50", "DxPQNBox", 0, "1.5"},
        {"DxPQN=-3", "DxPQNBox", 0, "-3"},
        {"DxPQN=abc", "DxPQNBox", 0, "1"},
        {"Duration=", "DurationBox", 0, "0.875"},
    };
    // clang-format on
    for (const Case& c : cases) {
        WriteIni(std::string("[MappingParam]\n") + c.stored + "\n");
        Start();
        QWidget* w = Get<QWidget>(c.box);
        if (auto* box = qobject_cast<QComboBox*>(w)) {
            EXPECT_EQ(box->currentIndex(), c.value) << c.stored;
        } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
            EXPECT_EQ(spin->value(), c.value) << c.stored;
        } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
            EXPECT_EQ(check->isChecked(), c.value != 0) << c.stored;
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            EXPECT_EQ(edit->text(), c.text) << c.stored;
        }
        form.reset();
    }
    // A stored 2 for the check box is written back as 1.
    WriteIni("[MappingParam]\nDisableProgChange=2\n");
    Start();
    form.reset();
    EXPECT_NE(testutil::ReadFile(Ini()).find("DisableProgChange=1\n"), std::string::npos);
}

TEST_F(Commands, LettersInDurationStopTheWriteAfterDxPQN)
{
    WriteIni("[Directories]\nCsvDir=/old\n[MappingParam]\nDuration=0.25\nDisableProgChange=1\nExtra=kept\n"
             "[Playback]\nAudioDriver=file\n");
    Start();
    Get<QLineEdit>("DxPQNBox")->setText("2.5");
    Get<QLineEdit>("DurationBox")->setText("abc");
    form.reset();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "数値の形式が正しくありません。");
    EXPECT_EQ(boxes.shown[0].owner, nullptr);
    const std::string ini = testutil::ReadFile(Ini());
    EXPECT_NE(ini.find("DxPQN=2.5\n"), std::string::npos);
    EXPECT_NE(ini.find("Duration=0.25\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("DisableProgChange=1\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Extra=kept\n"), std::string::npos);
    EXPECT_NE(ini.find("[Playback]\nAudioDriver=file\n"), std::string::npos);
    EXPECT_NE(ini.find("[Directories]\nCsvDir=/old\nSmfDir="), std::string::npos) << ini;
}

TEST_F(Commands, UnwritableSettingsFile)
{
    std::filesystem::create_directory(Ini()); // a folder where the file should be
    Start();
    form.reset();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::Error);
    EXPECT_EQ(boxes.shown[0].text, "Varimel.iniが別のアプリケーションで開かれています。ファイルを閉じて下さい。");
    EXPECT_NE(boxes.shown[0].owner, nullptr);
    EXPECT_EQ(boxes.shown[0].details, QString::fromStdString(Ini()) + ": Is a directory");
}

// A settings file over 1 MiB is no settings file of ours: the window says
// so, starts with the defaults and leaves the file as it was.
TEST_F(Commands, OversizedSettingsFileIsNeitherReadNorWritten)
{
    const std::string huge = "[MappingParam]\nTempo=60\n" + std::string(1 << 20, ';') + "\n";
    WriteIni(huge);
    Start();
    EXPECT_EQ(Get<QSpinBox>("TempoBox")->value(), 120);
    form.reset();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(boxes.shown[0].text, "設定ファイルが大きすぎるため読み込みませんでした。既定の設定を使います。");
    EXPECT_EQ(boxes.shown[0].details, QString::fromStdString(Ini()) + ": larger than 1 MiB");
    EXPECT_TRUE(testutil::SameText(testutil::ReadFile(Ini()), huge));
}

TEST_F(Commands, SettingsFolderThatCannotBeCreated)
{
    std::filesystem::remove_all(dir / "config");
    testutil::WriteFile(dir / "config", "a file, not a folder");
    Start(); // nothing shown at start, defaults used
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(Get<QSpinBox>("TempoBox")->value(), 120);
    form.reset();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Varimel.iniが別のアプリケーションで開かれています。ファイルを閉じて下さい。");
}

// The synthesizer, its SoundFont and the audio output are made once and
// kept: three previews load the SoundFont once, and each starts at once.
TEST_F(Commands, PlayerIsKeptBetweenPreviews)
{
    StartWithPiece(4);
    for (int i = 0; i < 3; ++i) {
        form->PreviewButtonClick();
        ASSERT_TRUE(form->Playing()) << i;
        if (i == 1) {
            form->StopButtonClick();
            ASSERT_TRUE(WaitForEnd(2000));
        } else {
            ASSERT_TRUE(WaitForEnd(5000));
        }
        EXPECT_TRUE(MappingEnabled());
    }
    ASSERT_NE(form->Player(), nullptr);
    EXPECT_EQ(form->Player()->SoundFontLoads(), 1);
    EXPECT_EQ(trace.count("end of play"), 3);
    EXPECT_TRUE(boxes.shown.empty());
}

// While a preview plays, the keys sounding at the player's tick are orange
// over the allowed-key drawing; afterwards the picture is as at rest.
TEST_F(Commands, SoundingKeysFollowThePlayer)
{
    StartWithPiece(8); // two seconds: note i starts at tick 960 i and lasts 840
    const QImage atRest = form->KeyboardPicture().copy();
    // The major scale on C over C4..C6 and the walk 0..6 of the piece: key
    // of y as its position among the 15 notes (y / 6 * 15, the top one capped).
    const int keys[7] = {60, 64, 69, 72, 77, 81, 84};
    const int scale[15] = {60, 62, 64, 65, 67, 69, 71, 72, 74, 76, 77, 79, 81, 83, 84};
    ImageCanvas probe(579, 65);
    varimel::TMusicKeyboard geometry(probe, 579, 65);
    geometry.DrawBlank();
    const auto g = varimel::TMusicKeyboard::GeometryFor(579, 65);
    const auto centre = [&](int note) {
        const int x = varimel::TMusicKeyboard::KeyLeft(g, geometry.KeyOffset(), note);
        return varimel::IsBlackKey(note) ? QPoint(x + g.bw / 2, g.bh / 2) : QPoint(x + g.w / 2, 55);
    };
    form->PreviewButtonClick();
    ASSERT_TRUE(form->Playing());
    int samples = 0, withSound = 0, lastTick = -1;
    QElapsedTimer timer;
    timer.start();
    while (form->Playing() && timer.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        const int tick = form->PlayheadTick();
        if (tick < 0 || tick == lastTick)
            continue;
        lastTick = tick;
        const QImage picture = form->KeyboardPicture().copy();
        if (form->PlayheadTick() != tick)
            continue; // redrawn meanwhile
        ++samples;
        const int note = tick / 960;
        const int sounding = note < 8 && tick % 960 < 840 ? keys[note % 7] : -1;
        withSound += sounding >= 0;
        for (const int key : scale) {
            const QRgb pixel = picture.pixel(centre(key)) & 0xFFFFFF;
            EXPECT_EQ(pixel == 0xFF8C00, key == sounding) << "tick " << tick << " key " << key;
        }
    }
    ASSERT_TRUE(WaitForEnd(5000));
    EXPECT_GE(samples, 25) << "at least 25 pictures a second";
    EXPECT_GE(withSound, 10);
    EXPECT_EQ(form->KeyboardPicture(), atRest);

    // Stopped in its third note, then played again: the second preview's
    // first picture with a sounding key shows its own first note.
    form->PreviewButtonClick();
    while (form->Playing() && form->PlayheadTick() < 2 * 960 && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    form->StopButtonClick();
    ASSERT_TRUE(WaitForEnd(5000));
    form->PreviewButtonClick();
    bool seen = false;
    while (!seen && form->Playing() && timer.elapsed() < 15000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        const int tick = form->PlayheadTick();
        const QImage picture = form->KeyboardPicture().copy();
        if (tick < 0 || tick >= 840 || form->PlayheadTick() != tick)
            continue;
        seen = true;
        for (const int key : scale)
            EXPECT_EQ((picture.pixel(centre(key)) & 0xFFFFFF) == 0xFF8C00, key == keys[0]) << "key " << key;
    }
    EXPECT_TRUE(seen);
    form->StopButtonClick();
    ASSERT_TRUE(WaitForEnd(5000));
}

namespace {
struct Decoded {
    sf_count_t frames = 0;
    int rate = 0, channels = 0, format = 0;
    bool sound = false;
};
// Reads an audio file back with libsndfile, as another program would.
Decoded Decode(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    Decoded d;
    if (!file)
        return d;
    d.frames = info.frames;
    d.rate = info.samplerate;
    d.channels = info.channels;
    d.format = info.format & SF_FORMAT_TYPEMASK;
    std::vector<short> samples(static_cast<std::size_t>(info.frames * info.channels));
    sf_read_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
    d.sound = std::any_of(samples.begin(), samples.end(), [](short s) { return std::abs(s) > 100; });
    return d;
}
} // namespace

// The window writes the piece as WAV, FLAC or Ogg Vorbis through the save
// dialog's filter; the files decode to the piece's length and are not silent.
TEST_F(Commands, AudioExportInEachFormat)
{
    StartWithPiece(8); // two seconds at 240 bpm
    struct Case {
        const char* name;
        const char* filter;
        const char* file;
        int format;
    };
    const Case cases[] = {
        {"song", "WAVファイル(*.wav)", "song.wav", SF_FORMAT_WAV},
        {"song", "FLACファイル(*.flac)", "song.flac", SF_FORMAT_FLAC},
        {"song", "Ogg Vorbisファイル(*.ogg)", "song.ogg", SF_FORMAT_OGG},
        {"named.flac", "WAVファイル(*.wav)", "named.flac", SF_FORMAT_FLAC},
        {"song.FLAC", "Ogg Vorbisファイル(*.ogg)", "song.FLAC", SF_FORMAT_FLAC},
    };
    for (const Case& c : cases) {
        QString folder;
        seams::SetAudioFileChooser([&](QWidget* parent, const QString& start, QString& filter) {
            EXPECT_EQ(parent, form.get());
            folder = start;
            filter = QString::fromUtf8(c.filter);
            return QString::fromStdString(dir / c.name);
        });
        bool progressShown = false;
        seams::SetDialogRunner([&](QDialog& d) {
            progressShown = d.objectName() == QLatin1String("AudioProgress");
            return d.exec();
        });
        form->AudioExportClick();
        EXPECT_TRUE(boxes.shown.empty()) << c.file << (boxes.shown.empty() ? "" : boxes.shown[0].details.toStdString());
        const Decoded d = Decode(dir / c.file);
        EXPECT_EQ(d.format, c.format) << c.file;
        EXPECT_EQ(d.rate, 44100) << c.file;
        EXPECT_EQ(d.channels, 2) << c.file;
        EXPECT_NEAR(static_cast<double>(d.frames) / 44100.0, 2.0, 0.05) << c.file;
        EXPECT_TRUE(d.sound) << c.file;
    }
    EXPECT_EQ(form->SmfDir(), QString::fromStdString(dir.Path()));
    seams::SetAudioFileChooser({});
    seams::SetDialogRunner({});
}

// Cancel and failure leave an existing file as it was and no temporary.
TEST_F(Commands, AudioExportCancelAndFailure)
{
    StartWithPiece(400); // a long piece, so the render is still running when cancelled
    testutil::WriteFile(dir / "keep.wav", "precious");
    seams::SetAudioFileChooser([&](QWidget*, const QString&, QString& filter) {
        filter = QStringLiteral("WAVファイル(*.wav)");
        return QString::fromStdString(dir / "keep.wav");
    });
    seams::SetDialogRunner([](QDialog& d) {
        QTimer::singleShot(100, &d, [&d] { static_cast<QProgressDialog&>(d).cancel(); });
        return d.exec();
    });
    const std::size_t before = testutil::CountEntries(dir.Path());
    form->AudioExportClick();
    EXPECT_EQ(testutil::ReadFile(dir / "keep.wav"), "precious");
    EXPECT_EQ(testutil::CountEntries(dir.Path()), before) << "no temporary left";
    EXPECT_TRUE(boxes.shown.empty()) << "a cancel is no error";

    // A folder that does not exist: the error box, owned by the window.
    seams::SetAudioFileChooser([&](QWidget*, const QString&, QString& filter) {
        filter = QStringLiteral("FLACファイル(*.flac)");
        return QString::fromStdString(dir / "no/such/song");
    });
    seams::SetDialogRunner([](QDialog& d) { return d.exec(); });
    form->AudioExportClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::Error);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("オーディオファイルの作成に失敗しました。"));
    EXPECT_EQ(boxes.shown[0].owner, form.get());
    EXPECT_TRUE(boxes.shown[0].details.startsWith(QString::fromStdString(dir / "no/such/song.flac")));
    seams::SetAudioFileChooser({});
    seams::SetDialogRunner({});
}
