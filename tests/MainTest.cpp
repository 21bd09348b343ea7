// SPDX-License-Identifier: MIT
// The real window, offscreen: controls found by name, boxes recorded.
#include "Main.h"

#include "GuiTestMain.h"
#include "Imagecanvas.h"
#include "TestUtil.h"
#include "Translations.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTranslator>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

#include <QAccessible>

#include <QStyleOptionButton>

namespace {

class Window : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        Start();
    }

    QString Text(const char* name) const { return Get<QLabel>(name)->text(); }
    QComboBox* Box(const char* name) const { return Get<QComboBox>(name); }
    QString Csv(const std::string& name, const std::string& bytes) const
    {
        testutil::WriteFile(dir / name, bytes);
        return QString::fromStdString(dir / name);
    }
    // Picks a position in the opened list of a box, as a mouse user does.
    void PickFromList(const char* name, int index)
    {
        QComboBox* box = Box(name);
        box->showPopup();
        box->hidePopup();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
};

QRgb Pixel(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kBlack = 0x000000;
constexpr QRgb kGrey = 0x808080;
constexpr QRgb kLit = 0x8AB0DF; // red 138, green 176, blue 223

} // namespace

TEST_F(Window, InitialTexts)
{
    EXPECT_EQ(form->windowTitle(), "Varimel");
    EXPECT_EQ(form->size(), QSize(626, 426));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    struct Case {
        const char* name;
        const char* text;
    };
    for (const Case& c :
         {Case{"NumRecordLabel", "レコード数 = 0"}, Case{"XIntervalLabel", "Xの平均間隔 = 0"},
          Case{"CsvFileNameLabel", "データファイル: "}, Case{"XmaxLabel", "0"}, Case{"XminLabel", "0"},
          Case{"YmaxLabel", "0"}, Case{"YminLabel", "0"}, Case{"VersionLabel", "Version 1.01"},
          Case{"Label15", "Varimel"}, Case{"Label16", "Presented by Korvath"}, Case{"Label9", "4分音符あたりのXの増分"},
          Case{"Label11", "bpm"}, Case{"Label13", "ベロシティー"}})
        EXPECT_EQ(Text(c.name), QString::fromUtf8(c.text)) << c.name;
    EXPECT_EQ(Get<QLineEdit>("DxPQNBox")->text(), "1");
    EXPECT_EQ(Get<QLineEdit>("DurationBox")->text(), "0.875");
    EXPECT_EQ(Get<QSpinBox>("TempoBox")->value(), 120);
    EXPECT_EQ(Get<QSpinBox>("VelocityBox")->value(), 96);
    EXPECT_FALSE(Get<QCheckBox>("DisableProgChangeBox")->isChecked());
    EXPECT_EQ(Get<QGroupBox>("GroupBox1")->title(), "データ");
    EXPECT_EQ(Get<QGroupBox>("GroupBox2")->title(), "スケールマッピングの設定");
    EXPECT_EQ(Get<QPushButton>("SaveSMFButton")->text(), "スタンダードMIDIファイルへ保存...(&E)");
    EXPECT_EQ(Get<QPushButton>("HelpButton")->toolTip(),
              "オンラインマニュアルにジャンプします。インターネット接続が必要です。");
    const QFont title = Get<QLabel>("Label15")->font();
    EXPECT_TRUE(title.bold() && title.italic());
    EXPECT_EQ(title.pixelSize(), 21);
}

TEST_F(Window, CaptionsAndHints)
{
    struct Case {
        const char* name;
        const char* caption; // nullptr: none to check
        const char* hint;
    };
    // clang-format off
    const Case cases[] = {
        {"LoadDataButton", "CSVファイル読込...(&I)",
         "「ファイルを開く」ダイアログからCSVファイルを選択して開きます。ドラッグ＆ドロップで開くこともできます。"},
        {"ScaleBox", nullptr, "適用するスケール（音階）を指定します。"},
        {"TonicBox", nullptr, "スケールの主音（中心となる音）を指定します。"},
        {"LowToneBox", nullptr, "マッピング範囲の最低音を指定します。"},
        {"HighToneBox", nullptr, "マッピング範囲の最高音を指定します。"},
        {"DxPQNBox", nullptr, "4分音符の長さに相当するXの変化量を指定します。"},
        {"DurationBox", nullptr, "音符の長さに対する実際の発音時間を0～1の範囲で指定します。"},
        {"TempoBox", nullptr, "演奏するテンポを1分間あたりの4分音符の数で指定します。"},
        {"ProgramBox", nullptr, "General MIDIで定義された128音色からプログラムを選択します。"},
        {"VelocityBox", nullptr, "発音の強さ（ベロシティー）を1～127の範囲で指定します。"},
        {"DisableProgChangeBox", "プログラムチェンジを書き込まない", "チェックするとSMFにプログラムチェンジを書き込みません。"},
        {"PreviewButton", "試聴(&P)", "現在の設定でスケールマッピングを行い、内蔵のシンセサイザー（FluidSynth）で演奏します。"},
        {"StopButton", "再生停止(&S)", "再生を中断します。"},
        {"VolumeCtrlButton", "音量調整...(&V)",
         "デスクトップの音量調整画面を開きます。音が出ない場合はシンセサイザーの音量をご確認下さい。"},
        {"SaveSMFButton", "スタンダードMIDIファイルへ保存...(&E)",
         "現在の設定でスケールマッピングを行い、スタンダードMIDIファイルに保存します。"},
        {"HelpButton", "ヘルプ(&H)", "オンラインマニュアルにジャンプします。インターネット接続が必要です。"},
    };
    // clang-format on
    for (const Case& c : cases) {
        QWidget* w = Get<QWidget>(c.name);
        EXPECT_EQ(w->toolTip(), QString::fromUtf8(c.hint)) << c.name;
        EXPECT_EQ(w->toolTipDuration(), 10000) << c.name;
        if (c.caption) {
            EXPECT_EQ(w->property("text").toString(), QString::fromUtf8(c.caption)) << c.name;
        }
    }
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 200);
    struct Static {
        const char* name;
        const char* caption;
    };
    for (const Static& c : {Static{"Label1", "X"}, Static{"Label2", "Y"}, Static{"Label3", "最大値"},
                            Static{"Label4", "最小値"}, Static{"Label5", "スケール"}, Static{"Label8", "主音"},
                            Static{"Label6", "最低音"}, Static{"Label7", "最高音"}, Static{"Label14", "デュレーション"},
                            Static{"Label10", "テンポ"}, Static{"Label12", "音色"}})
        EXPECT_EQ(Text(c.name), QString::fromUtf8(c.caption)) << c.name;
    EXPECT_TRUE(Get<QLabel>("UrlLabel")->text().contains("https://korvath.example/"));
}

TEST_F(Window, ControlsSitWhereTheLayoutPutsThem)
{
    struct Case {
        const char* name;
        int x, y, w, h; // w or h of -1: not fixed by the layout
    };
    // clang-format off
    const Case cases[] = {
        {"GroupBox1", 8, 8, 609, 89},       {"LoadDataButton", 16, 25, 129, 25}, {"NumRecordLabel", 179, 18, -1, -1},
        {"CsvFileNameLabel", 16, 64, -1, -1}, {"XmaxLabel", 424, 37, -1, -1},  {"YminLabel", 511, 56, -1, -1},
        {"GroupBox2", 8, 103, 609, 266},    {"KeyboardImage", 16, 24, 579, 65}, {"ScaleBox", 54, 112, 214, -1},
        {"TonicBox", 315, 112, 54, -1},     {"LowToneBox", 427, 112, 54, -1}, {"HighToneBox", 541, 112, 54, -1},
        {"DxPQNBox", 136, 152, 70, -1},     {"DurationBox", 315, 152, 65, -1}, {"TempoBox", 459, 151, 54, -1},
        {"ProgramBox", 54, 188, 160, -1},   {"VelocityBox", 315, 187, 54, -1},
        {"DisableProgChangeBox", 424, 190, 171, 17}, {"PreviewButton", 54, 223, 75, 25},
        {"StopButton", 135, 223, 75, 25},   {"VolumeCtrlButton", 264, 223, 89, 25},
        {"SaveSMFButton", 408, 223, 187, 25}, {"VersionLabel", 154, 381, -1, -1}, {"UrlLabel", 154, 404, 133, 17},
        {"HelpButton", 528, 383, 75, 25},   {"Label15", 16, 375, 121, 24},    {"Label7", 499, 116, -1, -1},
    };
    // clang-format on
    for (const Case& c : cases) {
        const QWidget* w = Get<QWidget>(c.name);
        EXPECT_EQ(w->x(), c.x) << c.name;
        EXPECT_EQ(w->y(), c.y) << c.name;
        if (c.w >= 0) {
            EXPECT_EQ(w->width(), c.w) << c.name;
        }
        if (c.h >= 0) {
            EXPECT_EQ(w->height(), c.h) << c.name;
        }
    }
    // The tab order runs through the data group, the mapping group, the link
    // and the help button.
    const char* order[] = {"LoadDataButton",
                           "ScaleBox",
                           "TonicBox",
                           "LowToneBox",
                           "HighToneBox",
                           "DxPQNBox",
                           "DurationBox",
                           "TempoBox",
                           "ProgramBox",
                           "VelocityBox",
                           "DisableProgChangeBox",
                           "PreviewButton",
                           "StopButton",
                           "VolumeCtrlButton",
                           "SaveSMFButton",
                           "UrlLabel",
                           "HelpButton"};
    QWidget* w = Get<QWidget>(order[0]);
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget* next = w->nextInFocusChain();
        while (next != w && next->focusPolicy() == Qt::NoFocus)
            next = next->nextInFocusChain();
        // Spin boxes and combo boxes may hold inner widgets; skip to the named one.
        while (next->objectName().isEmpty() || next->parentWidget() == Get<QWidget>(order[i - 1]))
            next = next->nextInFocusChain();
        EXPECT_EQ(next->objectName(), order[i]);
        w = Get<QWidget>(order[i]);
    }
}

TEST_F(Window, ListsAreFilled)
{
    struct Case {
        const char* name;
        int count, current;
        const char* first;
        const char* last;
    };
    for (const Case& c :
         {Case{"ScaleBox", 22, 1, "クロマティックスケール", "琉球音階"}, Case{"TonicBox", 12, 0, "C", "B"},
          Case{"LowToneBox", 88, 39, "A0", "C8"}, Case{"HighToneBox", 88, 63, "A0", "C8"},
          Case{"ProgramBox", 128, 0, "001: Piano 1", "128: Gun Shot"}}) {
        QComboBox* box = Box(c.name);
        EXPECT_EQ(box->count(), c.count) << c.name;
        EXPECT_EQ(box->currentIndex(), c.current) << c.name;
        EXPECT_EQ(box->itemText(0), QString::fromUtf8(c.first)) << c.name;
        EXPECT_EQ(box->itemText(box->count() - 1), QString::fromUtf8(c.last)) << c.name;
        EXPECT_FALSE(box->isEditable()) << c.name;
    }
    EXPECT_EQ(Box("LowToneBox")->itemText(1), "B♭0");
    EXPECT_EQ(Box("TonicBox")->itemText(3), "E♭");
    EXPECT_EQ(Box("ProgramBox")->itemText(87), "088: Bass & Lead");
}

TEST_F(Window, LoadingAFileShowsItsSummary)
{
    form->WMDropFiles({Csv("data.csv", "3,1\n1,5\n2,2\n")});
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(Text("CsvFileNameLabel"), "データファイル: data.csv");
    EXPECT_EQ(Text("NumRecordLabel"), "レコード数 = 3");
    EXPECT_EQ(Text("XmaxLabel"), "           3");
    EXPECT_EQ(Text("XminLabel"), "           1");
    EXPECT_EQ(Text("YmaxLabel"), "           5");
    EXPECT_EQ(Text("YminLabel"), "           1");
    EXPECT_EQ(Text("XIntervalLabel"), "Xの平均間隔 = 1       ");
    EXPECT_EQ(Get<QLineEdit>("DxPQNBox")->text(), "1       ");
    ASSERT_NE(form->DataList(), nullptr);
    EXPECT_EQ(form->DataList()->Count(), 3);
    EXPECT_EQ(form->CsvDir(), QString::fromStdString(dir.Path()));

    // Skipped lines: the summary of the valid ones, then one warning.
    form->WMDropFiles({Csv("mixed.csv", "x,y\n0,1\n\n1000000,2\n")});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(boxes.shown[0].text, "不正なデータを検出したため、読み飛ばされました。");
    EXPECT_EQ(boxes.shown[0].owner, form.get());
    EXPECT_EQ(Text("XIntervalLabel"), "Xの平均間隔 = 1e+06   ");
    EXPECT_EQ(Text("CsvFileNameLabel"), "データファイル: mixed.csv");

    // A file name with markup and Japanese is shown as it is.
    form->WMDropFiles({Csv("<i>測定 & x.csv", "1,1\n")});
    EXPECT_EQ(Text("CsvFileNameLabel"), "データファイル: <i>測定 & x.csv");
}

TEST_F(Window, DropRules)
{
    const QString good = Csv("DATA.CSV", "0,1\n1,2\n");
    const QString other = Csv("data.txt", "0,1\n");
    const QString backup = Csv("data.csv.bak", "0,1\n");
    struct Case {
        QStringList paths;
        int records; // -1: no data list
        int boxes;
    };
    // clang-format off
    const Case cases[] = {
        {{other}, -1, 0},
        {{backup}, -1, 0},
        {{good, good}, -1, 1},
        {{good}, 2, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        boxes.shown.clear();
        form->WMDropFiles(c.paths);
        EXPECT_EQ(static_cast<int>(boxes.shown.size()), c.boxes);
        EXPECT_EQ(form->DataList() ? form->DataList()->Count() : -1, c.records);
    }
    boxes.shown.clear();
    form->WMDropFiles({good, other});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "ファイルは１つしかドロップできません。");
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::Error);

    // A CSV file that is gone: the error, the old data stays, the folder moves.
    boxes.shown.clear();
    const std::string elsewhere = dir / "elsewhere";
    std::filesystem::create_directory(elsewhere);
    form->WMDropFiles({QString::fromStdString(elsewhere + "/gone.csv")});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "CSVファイルの読み込みに失敗しました。");
    EXPECT_EQ(boxes.shown[0].owner, form.get());
    EXPECT_EQ(form->DataList()->Count(), 2);
    EXPECT_EQ(Text("NumRecordLabel"), "レコード数 = 2");
    EXPECT_EQ(form->CsvDir(), QString::fromStdString(elsewhere));

    // A second file replaces the first even when it has no valid line.
    form->WMDropFiles({Csv("none.csv", "a,b\n")});
    EXPECT_EQ(form->DataList()->Count(), 0);
    EXPECT_EQ(Text("XIntervalLabel"), "Xの平均間隔 = 1       ");
}

TEST_F(Window, LoadButtonUsesTheDialogFolder)
{
    QString offered;
    QString answer;
    seams::SetOpenFileChooser([&](QWidget*, const QString& folder) {
        offered = folder;
        return answer;
    });
    const QString before = form->CsvDir();
    form->LoadDataButtonClick(); // cancelled
    EXPECT_EQ(form->DataList(), nullptr);
    EXPECT_EQ(form->CsvDir(), before);
    EXPECT_EQ(offered, before);
    answer = Csv("picked.csv", "0,0\n2,4\n");
    form->LoadDataButtonClick();
    ASSERT_NE(form->DataList(), nullptr);
    EXPECT_EQ(Text("XIntervalLabel"), "Xの平均間隔 = 2       ");
    form->LoadDataButtonClick();
    EXPECT_EQ(offered, QString::fromStdString(dir.Path()));
}

TEST_F(Window, ToneRangeRule)
{
    // Picking a highest tone equal to the lowest is refused; the box goes
    // back to where its list opened.
    PickFromList("HighToneBox", 39);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "最高音は最低音より高くなければなりません。");
    EXPECT_EQ(boxes.shown[0].owner, form.get());
    EXPECT_EQ(Box("HighToneBox")->currentIndex(), 63);
    EXPECT_EQ(form->SavedHighToneIndex(), 63);

    PickFromList("LowToneBox", 70);
    EXPECT_EQ(Box("LowToneBox")->currentIndex(), 39);
    EXPECT_EQ(boxes.shown.size(), 2u);

    // A good change is kept and redraws the keyboard.
    PickFromList("LowToneBox", 40);
    EXPECT_EQ(Box("LowToneBox")->currentIndex(), 40);
    EXPECT_EQ(boxes.shown.size(), 2u);

    // On the closed box, a key press that breaks the rule goes back to the
    // position just before it, not to where the list last opened.
    Box("HighToneBox")->setCurrentIndex(41);
    Box("HighToneBox")->setFocus();
    QTest::keyClick(Box("HighToneBox"), Qt::Key_Up);
    EXPECT_EQ(Box("HighToneBox")->currentIndex(), 41);
    EXPECT_EQ(boxes.shown.size(), 3u);
    QTest::keyClick(Box("HighToneBox"), Qt::Key_Down);
    EXPECT_EQ(Box("HighToneBox")->currentIndex(), 42);
    EXPECT_EQ(boxes.shown.size(), 3u);
}

TEST_F(Window, ToneRangeOutOfOrderFromScaleBox)
{
    Box("LowToneBox")->setCurrentIndex(70); // as stored settings may leave it
    PickFromList("ScaleBox", 2);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(Box("ScaleBox")->currentIndex(), 2) << "nothing is set back";
    EXPECT_EQ(Box("LowToneBox")->currentIndex(), 70);
}

TEST_F(Window, CheckParametersInOrder)
{
    struct Case {
        const char* what;
        std::string csv; // empty: no file loaded; with three fields, columns 2 and 3 as series
        int low, high;
        const char* dx;
        const char* duration;
        int scale;
        MessageKind kind;
        bool owned;
        const char* text; // nullptr: passes
    };
    // clang-format off
    const Case cases[] = {
        {"no data", "", 39, 63, "1", "0.875", 1, MessageKind::Information, true,
         "データが読み込まれていません。先にCSVファイルを読み込んで下さい。"},
        {"empty data before a bad duration", "a,b\n", 39, 63, "1", "x", 1, MessageKind::Information, true,
         "データが読み込まれていません。先にCSVファイルを読み込んで下さい。"},
        {"a first series without values", "x,a,b\n1,,2\n", 39, 63, "1", "x", 1, MessageKind::Information, true,
         "2列目に数値がありません。"},
        {"equal tones", "0,1\n", 50, 50, "1", "0.875", 1, MessageKind::Error, true,
         "最高音は最低音より高くなければなりません。"},
        {"letters in duration with dx 0", "0,1\n", 39, 63, "0", "abc", 1, MessageKind::Error, false,
         "数値の形式が正しくありません。"},
        {"empty dx", "0,1\n", 39, 63, "", "1", 1, MessageKind::Error, false, "数値の形式が正しくありません。"},
        {"dx 0", "0,1\n", 39, 63, "0", "0.875", 1, MessageKind::Error, true,
         "4分音符あたりのXの増分は0より大きくなければなりません。"},
        {"duration 0", "0,1\n", 39, 63, "1", "0", 1, MessageKind::Error, true,
         "デュレーションは0～1の間でなければなりません。"},
        {"duration 1.0001", "0,1\n", 39, 63, "1", "1.0001", 1, MessageKind::Error, true,
         "デュレーションは0～1の間でなければなりません。"},
        {"no note in range", "0,1\n", 0, 1, "1", "1", 3, MessageKind::Error, true,
         "最低音から最高音までの範囲にスケールの音がありません。"},
        {"duration 1 and dx 0.0001 pass", "0,1\n", 39, 63, "0.0001", "1", 1, MessageKind::Error, true, nullptr},
        {"trailing spaces pass", "0,1\n", 39, 63, "1       ", " 0.5 ", 1, MessageKind::Error, true, nullptr},
    };
    // clang-format on
    for (const Case& c : cases) {
        form = std::make_unique<TMainForm>();
        if (c.csv.find(",,") != std::string::npos) {
            varimel::ImportOptions two;
            two.MoreYColumns = {3};
            form->SetImportOptions(two);
        }
        if (!c.csv.empty())
            form->WMDropFiles({Csv("c.csv", c.csv)});
        Box("ScaleBox")->setCurrentIndex(c.scale);
        Box("LowToneBox")->setCurrentIndex(c.low);
        Box("HighToneBox")->setCurrentIndex(c.high);
        Get<QLineEdit>("DxPQNBox")->setText(QString::fromUtf8(c.dx));
        Get<QLineEdit>("DurationBox")->setText(QString::fromUtf8(c.duration));
        boxes.shown.clear();
        const bool ok = form->CheckParameters();
        EXPECT_EQ(ok, c.text == nullptr) << c.what;
        if (c.text) {
            ASSERT_EQ(boxes.shown.size(), 1u) << c.what;
            EXPECT_EQ(boxes.shown[0].kind, c.kind) << c.what;
            EXPECT_EQ(boxes.shown[0].text, QString::fromUtf8(c.text)) << c.what;
            EXPECT_EQ(boxes.shown[0].owner, c.owned ? form.get() : nullptr) << c.what;
        } else {
            EXPECT_TRUE(boxes.shown.empty()) << c.what;
        }
    }
}

TEST_F(Window, EnableControls)
{
    const char* together[] = {"ScaleBox",     "TonicBox", "LowToneBox", "HighToneBox", "DxPQNBox",
                              "DurationBox",  "TempoBox", "ProgramBox", "VelocityBox", "DisableProgChangeBox",
                              "PreviewButton"};
    const char* untouched[] = {"LoadDataButton",   "StopButton", "SaveSMFButton",
                               "VolumeCtrlButton", "HelpButton", "UrlLabel"};
    for (const bool enable : {false, true}) {
        form->EnableControls(enable);
        for (const char* name : together)
            EXPECT_EQ(Get<QWidget>(name)->isEnabled(), enable) << name;
        for (const char* name : untouched)
            EXPECT_TRUE(Get<QWidget>(name)->isEnabled()) << name;
    }
}

TEST_F(Window, SpinBoxesSettleWhenLeft)
{
    form->show();
    struct Case {
        const char* box;
        const char* typed;
        int value;
    };
    for (const Case& c : {Case{"TempoBox", "300", 240}, Case{"TempoBox", "abc", 20}, Case{"TempoBox", "5", 20},
                          Case{"TempoBox", "99", 99}, Case{"VelocityBox", "0", 1}, Case{"VelocityBox", "200", 127}}) {
        auto* box = Get<QSpinBox>(c.box);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, QString::fromUtf8(c.typed));
        QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(box, &leave);
        EXPECT_EQ(box->value(), c.value) << c.box << " " << c.typed;
        EXPECT_EQ(box->text(), QString::number(c.value)) << c.box << " " << c.typed;
    }
}

TEST_F(Window, KeyboardPicture)
{
    const QImage& image = form->KeyboardPicture();
    ASSERT_EQ(image.size(), QSize(579, 65));
    struct Case {
        int x, y;
        QRgb color;
    };
    // Major scale on C over C4..C6 at start.
    // clang-format off
    const Case cases[] = {
        {0, 0, kGrey},     {2, 64, kGrey},   {577, 10, kGrey}, {578, 64, kGrey}, // margins
        {3, 50, kBlack},   {4, 50, kWhite},  {13, 50, kWhite}, {14, 50, kBlack}, // A0 (3,0,15,65)
        {11, 10, kBlack},  {17, 37, kBlack}, {12, 38, kWhite},                     // A#0 (11,0,18,38)
        {256, 50, kBlack}, {257, 50, kLit},  {266, 50, kLit},  {267, 50, kBlack}, // C4 lit
        {257, 0, kBlack},  {257, 64, kBlack},
        {265, 10, kBlack}, {266, 20, kBlack},                                     // C#4 stays black
        {564, 50, kBlack}, {565, 50, kWhite}, {575, 50, kBlack},                  // C8 (564,0,576,65)
    };
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(Pixel(image, c.x, c.y), c.color) << c.x << "," << c.y;
    // The same picture reaches the screen.
    const QImage shown = Get<QLabel>("KeyboardImage")->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, image.convertToFormat(QImage::Format_RGB32));

    // Tones out of order highlight nothing.
    Box("LowToneBox")->setCurrentIndex(70);
    form->RefreshKeyboard();
    EXPECT_EQ(Pixel(form->KeyboardPicture(), 257, 50), kWhite);
    // The chromatic scale over the whole keyboard lights the black keys too.
    Box("ScaleBox")->setCurrentIndex(0);
    Box("LowToneBox")->setCurrentIndex(0);
    Box("HighToneBox")->setCurrentIndex(87);
    form->RefreshKeyboard();
    EXPECT_EQ(Pixel(form->KeyboardPicture(), 14, 20), kLit);
    EXPECT_EQ(Pixel(form->KeyboardPicture(), 4, 50), kLit);
}

// A FIFO, a device or a folder is no CSV file: the window says so at once,
// with the reason behind the box, and never waits for bytes that may not come.
TEST_F(Window, PathsThatAreNoRegularFile)
{
    ASSERT_EQ(mkfifo((dir / "pipe.csv").c_str(), 0600), 0);
    std::filesystem::create_directory(dir / "folder.csv");
    Csv("good.csv", "0,1\n1,2\n");
    form->WMDropFiles({QString::fromStdString(dir / "good.csv")});
    struct Case {
        std::string path;
        const char* reason;
    };
    const std::string device = testutil::MakeNullDevice(dir);
    for (const Case& c : {Case{dir / "pipe.csv", "not a regular file"},
                          Case{device.empty() ? "/dev/null" : device, "not a regular file"},
                          Case{dir / "folder.csv", "Is a directory"}, Case{dir / "gone.csv", "No such file"}}) {
        boxes.shown.clear();
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(form->ReadCsvFile(QString::fromStdString(c.path))) << c.path;
        EXPECT_LT(timer.elapsed(), 1000) << c.path;
        ASSERT_EQ(boxes.shown.size(), 1u) << c.path;
        EXPECT_EQ(boxes.shown[0].kind, MessageKind::Error);
        EXPECT_EQ(boxes.shown[0].text, QStringLiteral("CSVファイルの読み込みに失敗しました。"));
        EXPECT_EQ(boxes.shown[0].owner, form.get());
        EXPECT_TRUE(boxes.shown[0].details.startsWith(QString::fromStdString(c.path))) << c.path;
        EXPECT_TRUE(boxes.shown[0].details.contains(QString::fromLatin1(c.reason)))
            << boxes.shown[0].details.toStdString();
        EXPECT_EQ(form->DataList()->Count(), 2) << "the loaded data stays";
    }
    // The loaded file replaced by a FIFO: 読み込み設定 opens at once, with
    // nothing to preview.
    std::filesystem::remove(dir / "good.csv");
    ASSERT_EQ(mkfifo((dir / "good.csv").c_str(), 0600), 0);
    seams::SetDialogRunner([](QDialog&) { return int(QDialog::Rejected); });
    QElapsedTimer timer;
    timer.start();
    form->ImportSettingsClick();
    EXPECT_LT(timer.elapsed(), 1000);
    // The preview file sits in a folder only this user may enter.
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(QFileInfo(form->PreviewFileName()).path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u);
    EXPECT_EQ(info.st_uid, getuid());
}

// Every caption is drawn whole inside its own place: its advance width in the
// font it is drawn with is compared with the room up to the next control
// (labels) or inside the face (buttons, check box), taken from the layout.
TEST_F(Window, CaptionsFitTheirPlaces)
{
    struct Case {
        const char* name;
        int room; // from the fixed layout: next control's x less the label's x, or the face's inner width
    };
    QStyleOptionButton option;
    const QStyle* style = form->style();
    const int buttonFrame = 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option);
    const int indicator = style->pixelMetric(QStyle::PM_IndicatorWidth, &option) +
                          style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option);
    // clang-format off
    const Case cases[] = {
        {"Label5", 54 - 10}, {"Label8", 315 - 285}, {"Label6", 427 - 385}, {"Label7", 541 - 499},
        {"Label9", 136 - 14}, {"Label14", 315 - 247}, {"Label10", 459 - 425}, {"Label12", 54 - 24},
        {"Label13", 315 - 254}, {"Label1", 511 - 458}, {"Label3", 424 - 361}, {"Label4", 424 - 361},
        {"Label16", 154 - 16}, {"LoadDataButton", 129 - buttonFrame}, {"PreviewButton", 75 - buttonFrame},
        {"StopButton", 75 - buttonFrame}, {"VolumeCtrlButton", 89 - buttonFrame},
        {"SaveSMFButton", 187 - buttonFrame}, {"HelpButton", 75 - buttonFrame - 16 - 4},
        {"DisableProgChangeBox", 171 - indicator}, {"UrlLabel", 133},
    };
    // clang-format on
    // In each language, and in Japanese again after English.
    const struct {
        const char* action;
        std::vector<const char*> keepFont; // captions that fit as they are keep the window's font
    } languages[] = {
        {nullptr, {"Label5", "StopButton", "LoadDataButton", "HelpButton", "Label10"}},
        {"EnglishAction", {"Label5", "Label8", "Label12", "StopButton", "LoadDataButton", "HelpButton"}},
        {"JapaneseAction", {"Label5", "StopButton", "LoadDataButton", "HelpButton", "Label10"}},
    };
    for (const auto& language : languages) {
        if (language.action) {
            Get<QAction>(language.action)->trigger();
            QCoreApplication::sendPostedEvents();
        }
        for (const Case& c : cases) {
            QWidget* w = Get<QWidget>(c.name);
            QString text = w->property("text").toString().remove('&');
            if (auto* label = qobject_cast<QLabel*>(w); label && label->textFormat() == Qt::RichText)
                text = QStringLiteral("https://korvath.example/");
            const qreal width = QFontMetricsF(w->font()).horizontalAdvance(text);
            EXPECT_LE(width, c.room) << c.name << " (" << w->font().pixelSize() << " px)";
            EXPECT_GE(w->font().pixelSize(), 10) << c.name;
            // A label is as large as its caption, at its place.
            if (qobject_cast<QLabel*>(w) && c.name != std::string("UrlLabel")) {
                EXPECT_EQ(w->width(), w->sizeHint().width()) << c.name;
            }
        }
        for (const char* name : language.keepFont) {
            EXPECT_EQ(Get<QWidget>(name)->font().pixelSize(), form->font().pixelSize()) << name;
            EXPECT_EQ(Get<QWidget>(name)->font().letterSpacing(), 0.0) << name;
        }
    }
}

// What a screen reader is told, through Qt's accessibility interfaces.
TEST_F(Window, ScreenReaderNames)
{
    QAccessible::setActive(true);
    const auto name = [&](const char* object) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(Get<QWidget>(object));
        return a ? a->text(QAccessible::Name) : QString();
    };
    const auto description = [&](const char* object) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(Get<QWidget>(object));
        return a ? a->text(QAccessible::Description) : QString();
    };
    struct Case {
        const char* object;
        const char* name;
    };
    // clang-format off
    const Case cases[] = {
        {"LoadDataButton", "CSVファイル読込..."}, {"ScaleBox", "スケール"}, {"TonicBox", "主音"},
        {"LowToneBox", "最低音"}, {"HighToneBox", "最高音"}, {"DxPQNBox", "4分音符あたりのXの増分"},
        {"DurationBox", "デュレーション"}, {"TempoBox", "テンポ"}, {"ProgramBox", "音色"},
        {"VelocityBox", "ベロシティー"}, {"DisableProgChangeBox", "プログラムチェンジを書き込まない"},
        {"PreviewButton", "試聴"}, {"StopButton", "再生停止"}, {"VolumeCtrlButton", "音量調整..."},
        {"SaveSMFButton", "スタンダードMIDIファイルへ保存..."}, {"UrlLabel", "https://korvath.example/"},
        {"HelpButton", "ヘルプ"},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(name(c.object), QString::fromUtf8(c.name)) << c.object;
        if (std::string(c.object) != "UrlLabel") {
            EXPECT_EQ(description(c.object), Get<QWidget>(c.object)->toolTip()) << c.object;
        }
    }
    // The keyboard picture names the allowed keys and follows every change.
    EXPECT_EQ(name("KeyboardImage"), QStringLiteral("鍵盤"));
    EXPECT_EQ(description("KeyboardImage"), QStringLiteral("使える音: C4 D4 E4 F4 G4 A4 B4 C5 D5 E5 F5 G5 A5 B5 C6"));
    PickFromList("ScaleBox", 10);    // major pentatonic
    PickFromList("HighToneBox", 51); // C5
    EXPECT_EQ(description("KeyboardImage"), QStringLiteral("使える音: C4 D4 E4 G4 A4 C5"));
    // The summary values say what they are.
    form->ReadCsvFile(Csv("v.csv", "0,-3\n747,5\n"));
    const std::pair<const char*, const char*> values[] = {{"XmaxLabel", "Xの最大値 747"},
                                                          {"XminLabel", "Xの最小値 0"},
                                                          {"YmaxLabel", "Yの最大値 5"},
                                                          {"YminLabel", "Yの最小値 -3"}};
    for (const auto& [object, words] : values)
        EXPECT_EQ(name(object), QString::fromUtf8(words)) << object;
}

// F5 plays and Esc stops from anywhere, as the buttons do.
TEST_F(Window, PlayAndStopKeys)
{
    form->show();
    QApplication::setActiveWindow(form.get());
    Get<QWidget>("DurationBox")->setFocus();
    QTest::keyClick(Get<QWidget>("DurationBox"), Qt::Key_F5);
    ASSERT_EQ(boxes.shown.size(), 1u) << "the preview's first check ran";
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("データが読み込まれていません。先にCSVファイルを読み込んで下さい。"));
    QTest::keyClick(Get<QWidget>("ScaleBox"), Qt::Key_Escape);
    EXPECT_EQ(boxes.shown.size(), 1u) << "stopping with nothing playing says nothing";
}

// On a display scaled by 2 the keyboard is drawn with twice the pixels, not
// blown up: every device pixel shows what its unit shows at scale 1, and
// the picture keeps its size in the window's units.
TEST(KeyboardScale, DrawnAtDeviceResolution)
{
    const std::int32_t notes[] = {60, 61, 62, 64, 108};
    ImageCanvas one(579, 65, 1.0), two(579, 65, 2.0), odd(579, 65, 1.5);
    varimel::TMusicKeyboard k1(one, 579, 65), k2(two, 579, 65), k3(odd, 579, 65);
    for (varimel::TMusicKeyboard* k : {&k1, &k2, &k3}) {
        k->DrawBlank();
        k->Draw(notes, 5, varimel::kKeyHighlight);
    }
    ASSERT_EQ(two.Image().size(), QSize(1158, 130));
    EXPECT_EQ(two.Image().devicePixelRatio(), 2.0);
    EXPECT_EQ(two.Image().deviceIndependentSize(), QSizeF(579, 65));
    int differing = 0;
    for (int y = 0; y < 65; ++y)
        for (int x = 0; x < 579; ++x)
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    differing += one.Image().pixel(x, y) != two.Image().pixel(2 * x + dx, 2 * y + dy);
    EXPECT_EQ(differing, 0);
    // A fractional ratio rounds the device size; the picture still covers
    // its place.
    EXPECT_EQ(odd.Image().size(), QSize(869, 98));
}

// With the toolkit's Japanese catalogue present, the toolkit's own words are
// Japanese too: the warning's details button and the file dialog's labels.
TEST_F(Window, ToolkitWordsInJapanese)
{
    if (!ToolkitWordsInJapanese())
        GTEST_SKIP() << "the toolkit's Japanese catalogue is not installed";
    QMessageBox box(QMessageBox::Warning, QStringLiteral("警告"), QStringLiteral("text"));
    box.setDetailedText(QStringLiteral("details"));
    QStringList buttons;
    for (const QPushButton* b : box.findChildren<QPushButton*>())
        buttons << b->text();
    EXPECT_TRUE(buttons.contains(QStringLiteral("詳細を表示..."))) << buttons.join(' ').toStdString();
    QFileDialog dialog(form.get());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const struct {
        const char* name;
        const char* text;
    } labels[] = {
        {"lookInLabel", "アドレス:"}, {"fileNameLabel", "ファイル名(&N):"}, {"fileTypeLabel", "ファイルの種類:"}};
    for (const auto& l : labels) {
        const auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(l.name));
        ASSERT_NE(label, nullptr) << l.name;
        EXPECT_EQ(label->text(), QString::fromUtf8(l.text)) << l.name;
    }
}
