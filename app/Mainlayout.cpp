// SPDX-License-Identifier: MIT
#include "Mainlayout.h"

#include "Captions.h"
#include "Controls.h"
#include "music/Mapping.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <string_view>

using namespace varimel;

namespace {

constexpr int kClientWidth = 626;
constexpr int kClientHeight = 426;
constexpr int kKeyboardWidth = 579;
constexpr int kKeyboardHeight = 65;
constexpr int kListHeight = 21;
constexpr int kEditHeight = 21;
constexpr int kSpinHeight = 22;
constexpr int kTitleFontPixels = 21;

// The kinds of control the layout places.
enum class Kind { Group, Button, Label, List, ToneList, Edit, Number, Check, Picture, Link };

// One control of the layout: where it sits (in its group, or in the window
// when group is null), its caption or first text, and its hint. A label
// takes the width of its text; its width and height here are unused.
struct Place {
    Kind kind;
    const char* name;
    const char* group;
    int x, y, width, height;
    const char* text;
    const char* hint;
};

// The window in the order its controls are made (later controls lie above
// earlier ones; labels lie beneath all).
const Place kLayout[] = {
    {Kind::Group, "GroupBox1", nullptr, 8, 8, 609, 89, QT_TRANSLATE_NOOP("TMainForm", "データ"), nullptr},
    {Kind::Button, "LoadDataButton", "GroupBox1", 16, 25, 129, 25,
     QT_TRANSLATE_NOOP("TMainForm", "CSVファイル読込...(&I)"),
     QT_TRANSLATE_NOOP(
         "TMainForm",
         "「ファイルを開く」ダイアログからCSVファイルを選択して開きます。ドラッグ＆ドロップで開くこともできます。")},
    {Kind::Label, "NumRecordLabel", "GroupBox1", 179, 18, 0, 0, QT_TRANSLATE_NOOP("TMainForm", "レコード数 = 0"),
     nullptr},
    {Kind::Label, "XIntervalLabel", "GroupBox1", 179, 37, 0, 0, QT_TRANSLATE_NOOP("TMainForm", "Xの平均間隔 = 0"),
     nullptr},
    {Kind::Label, "CsvFileNameLabel", "GroupBox1", 16, 64, 0, 0, QT_TRANSLATE_NOOP("TMainForm", "データファイル: "),
     nullptr},
    {Kind::Label, "XmaxLabel", "GroupBox1", 424, 37, 0, 0, "0", nullptr},
    {Kind::Label, "XminLabel", "GroupBox1", 424, 56, 0, 0, "0", nullptr},
    {Kind::Label, "YmaxLabel", "GroupBox1", 511, 37, 0, 0, "0", nullptr},
    {Kind::Label, "YminLabel", "GroupBox1", 511, 56, 0, 0, "0", nullptr},
    {Kind::Label, "Label1", "GroupBox1", 458, 18, 0, 0, "X", nullptr},
    {Kind::Label, "Label2", "GroupBox1", 545, 18, 0, 0, "Y", nullptr},
    {Kind::Label, "Label3", "GroupBox1", 361, 37, 0, 0, QT_TRANSLATE_NOOP("TMainForm", "最大値"), nullptr},
    {Kind::Label, "Label4", "GroupBox1", 361, 56, 0, 0, QT_TRANSLATE_NOOP("TMainForm", "最小値"), nullptr},

    {Kind::Group, "GroupBox2", nullptr, 8, 103, 609, 266, QT_TRANSLATE_NOOP("TMainForm", "スケールマッピングの設定"),
     nullptr},
    {Kind::Picture, "KeyboardImage", "GroupBox2", 16, 24, kKeyboardWidth, kKeyboardHeight, nullptr, nullptr},
    {Kind::List, "ScaleBox", "GroupBox2", 54, 112, 214, kListHeight, nullptr,
     QT_TRANSLATE_NOOP("TMainForm", "適用するスケール（音階）を指定します。")},
    {Kind::List, "TonicBox", "GroupBox2", 315, 112, 54, kListHeight, nullptr,
     QT_TRANSLATE_NOOP("TMainForm", "スケールの主音（中心となる音）を指定します。")},
    {Kind::ToneList, "LowToneBox", "GroupBox2", 427, 112, 54, kListHeight, nullptr,
     QT_TRANSLATE_NOOP("TMainForm", "マッピング範囲の最低音を指定します。")},
    {Kind::ToneList, "HighToneBox", "GroupBox2", 541, 112, 54, kListHeight, nullptr,
     QT_TRANSLATE_NOOP("TMainForm", "マッピング範囲の最高音を指定します。")},
    {Kind::Edit, "DxPQNBox", "GroupBox2", 136, 152, 70, kEditHeight, kDefaultDxPQNText.data(),
     QT_TRANSLATE_NOOP("TMainForm", "4分音符の長さに相当するXの変化量を指定します。")},
    {Kind::Edit, "DurationBox", "GroupBox2", 315, 152, 65, kEditHeight, kDefaultDurationText.data(),
     QT_TRANSLATE_NOOP("TMainForm", "音符の長さに対する実際の発音時間を0～1の範囲で指定します。")},
    {Kind::Number, "TempoBox", "GroupBox2", 459, 151, 54, kSpinHeight, nullptr,
     QT_TRANSLATE_NOOP("TMainForm", "演奏するテンポを1分間あたりの4分音符の数で指定します。")},
    {Kind::List, "ProgramBox", "GroupBox2", 54, 188, 160, kListHeight, nullptr,
     QT_TRANSLATE_NOOP("TMainForm", "General MIDIで定義された128音色からプログラムを選択します。")},
    {Kind::Number, "VelocityBox", "GroupBox2", 315, 187, 54, kSpinHeight, nullptr,
     QT_TRANSLATE_NOOP("TMainForm", "発音の強さ（ベロシティー）を1～127の範囲で指定します。")},
    {Kind::Check, "DisableProgChangeBox", "GroupBox2", 424, 190, 171, 17,
     QT_TRANSLATE_NOOP("TMainForm", "プログラムチェンジを書き込まない"),
     QT_TRANSLATE_NOOP("TMainForm", "チェックするとSMFにプログラムチェンジを書き込みません。")},
    {Kind::Button, "PreviewButton", "GroupBox2", 54, 223, 75, 25, QT_TRANSLATE_NOOP("TMainForm", "試聴(&P)"),
     QT_TRANSLATE_NOOP("TMainForm",
                       "現在の設定でスケールマッピングを行い、内蔵のシンセサイザー（FluidSynth）で演奏します。")},
    {Kind::Button, "StopButton", "GroupBox2", 135, 223, 75, 25, QT_TRANSLATE_NOOP("TMainForm", "再生停止(&S)"),
     QT_TRANSLATE_NOOP("TMainForm", "再生を中断します。")},
    {Kind::Button, "VolumeCtrlButton", "GroupBox2", 264, 223, 89, 25, QT_TRANSLATE_NOOP("TMainForm", "音量調整...(&V)"),
     QT_TRANSLATE_NOOP("TMainForm",
                       "デスクトップの音量調整画面を開きます。音が出ない場合はシンセサイザーの音量をご確認下さい。")},
    {Kind::Button, "SaveSMFButton", "GroupBox2", 408, 223, 187, 25,
     QT_TRANSLATE_NOOP("TMainForm", "スタンダードMIDIファイルへ保存...(&E)"),
     QT_TRANSLATE_NOOP("TMainForm", "現在の設定でスケールマッピングを行い、スタンダードMIDIファイルに保存します。")},
    {Kind::Label, "Label5", "GroupBox2", 10, 116, 0, 0, QT_TRANSLATE_NOOP("TMainForm", "スケール"), nullptr},
    {Kind::Label, "Label8", "GroupBox2", 285, 116, 0, 0, QT_TRANSLATE_NOOP("TMainForm", "主音"), nullptr},
    {Kind::Label, "Label6", "GroupBox2", 385, 116, 0, 0, QT_TRANSLATE_NOOP("TMainForm", "最低音"), nullptr},
    {Kind::Label, "Label7", "GroupBox2", 499, 116, 0, 0, QT_TRANSLATE_NOOP("TMainForm", "最高音"), nullptr},
    {Kind::Label, "Label9", "GroupBox2", 14, 156, 0, 0, QT_TRANSLATE_NOOP("TMainForm", "4分音符あたりのXの増分"),
     nullptr},
    {Kind::Label, "Label14", "GroupBox2", 247, 156, 0, 0, QT_TRANSLATE_NOOP("TMainForm", "デュレーション"), nullptr},
    {Kind::Label, "Label10", "GroupBox2", 425, 156, 0, 0, QT_TRANSLATE_NOOP("TMainForm", "テンポ"), nullptr},
    {Kind::Label, "Label11", "GroupBox2", 519, 156, 0, 0, "bpm", nullptr},
    {Kind::Label, "Label12", "GroupBox2", 24, 192, 0, 0, QT_TRANSLATE_NOOP("TMainForm", "音色"), nullptr},
    {Kind::Label, "Label13", "GroupBox2", 254, 192, 0, 0, QT_TRANSLATE_NOOP("TMainForm", "ベロシティー"), nullptr},

    {Kind::Label, "Label15", nullptr, 16, 375, 0, 0, "Varimel", nullptr},
    {Kind::Label, "Label16", nullptr, 16, 406, 0, 0, "Presented by Korvath", nullptr},
    {Kind::Label, "VersionLabel", nullptr, 154, 381, 0, 0, "Version", nullptr},
    {Kind::Link, "UrlLabel", nullptr, 154, 404, 133, 17, nullptr, nullptr},
    {Kind::Button, "HelpButton", nullptr, 528, 383, 75, 25, QT_TRANSLATE_NOOP("TMainForm", "ヘルプ(&H)"),
     QT_TRANSLATE_NOOP("TMainForm", "オンラインマニュアルにジャンプします。インターネット接続が必要です。")},
};

// The table's words in the window's language.
QString Words(const char* text) { return QCoreApplication::translate("TMainForm", text ? text : ""); }

// The labels that show the data: their words come with each load.
bool ShowsData(const Place& p)
{
    static const std::string_view kData[] = {"CsvFileNameLabel", "NumRecordLabel", "XIntervalLabel", "XmaxLabel",
                                             "XminLabel",        "YmaxLabel",      "YminLabel",      "VersionLabel"};
    return std::find(std::begin(kData), std::end(kData), std::string_view(p.name)) != std::end(kData);
}

// Makes one control of the layout in parent.
QWidget* MakeControl(const Place& p, QWidget* parent)
{
    const QString text = p.kind == Kind::Edit ? QString::fromLatin1(p.text) : Words(p.text);
    QWidget* w = nullptr;
    switch (p.kind) {
    case Kind::Label:
        return MakeLabel(parent, p.name, p.x, p.y, text);
    case Kind::Group:
        w = new QGroupBox(text, parent);
        break;
    case Kind::Button:
        w = new QPushButton(text, parent);
        break;
    case Kind::List:
        w = new QComboBox(parent);
        break;
    case Kind::ToneList:
        w = new TToneBox(parent);
        break;
    case Kind::Edit:
        w = new QLineEdit(text, parent);
        break;
    case Kind::Number:
        w = new TSpinEdit(parent);
        break;
    case Kind::Check:
        w = new QCheckBox(text, parent);
        break;
    case Kind::Picture:
    case Kind::Link:
        w = new QLabel(parent);
        break;
    }
    w->setObjectName(QString::fromLatin1(p.name));
    w->setGeometry(p.x, p.y, p.width, p.height);
    return w;
}

} // namespace

void TranslateMainLayout(QWidget* form, const QString& homePage)
{
    const auto get = [form](const char* name) { return form->findChild<QWidget*>(QString::fromLatin1(name)); };
    QWidget* const title = get("Label15");
    for (const Place& p : kLayout) {
        QWidget* w = get(p.name);
        if (p.hint)
            SetHint(w, Words(p.hint));
        if (!p.text || p.kind == Kind::Edit || ShowsData(p) || w == title)
            continue;
        if (auto* group = qobject_cast<QGroupBox*>(w)) {
            group->setTitle(Words(p.text));
            continue;
        }
        // Every caption whole at its place, fitted afresh in the window's
        // font (the data texts change with every load and are left as they
        // are).
        w->setFont(QFont());
        if (auto* label = qobject_cast<QLabel*>(w))
            SetLabel(label, Words(p.text));
        else
            w->setProperty("text", Words(p.text));
        FitCaption(w);
    }
    FitCaption(get("UrlLabel"));
    // Every control named for a screen reader by the label beside it.
    const struct {
        const char* label;
        const char* control;
    } named[] = {{"Label5", "ScaleBox"},    {"Label8", "TonicBox"},    {"Label6", "LowToneBox"},
                 {"Label7", "HighToneBox"}, {"Label9", "DxPQNBox"},    {"Label14", "DurationBox"},
                 {"Label10", "TempoBox"},   {"Label12", "ProgramBox"}, {"Label13", "VelocityBox"}};
    for (const auto& n : named) {
        auto* label = static_cast<QLabel*>(get(n.label));
        label->setBuddy(get(n.control));
        get(n.control)->setAccessibleName(label->text());
    }
    for (const Place& p : kLayout)
        if (p.kind == Kind::Button)
            get(p.name)->setAccessibleName(WithoutMnemonic(get(p.name)->property("text").toString()));
    auto* check = static_cast<QCheckBox*>(get("DisableProgChangeBox"));
    check->setAccessibleName(check->text());
    get("UrlLabel")->setAccessibleName(homePage);
    get("KeyboardImage")->setAccessibleName(QCoreApplication::translate("TMainForm", "鍵盤"));
}

void BuildMainLayout(QWidget* form, const QString& homePage)
{
    form->setWindowTitle(QStringLiteral("Varimel"));
    form->setFont(WindowFont());
    form->setFixedSize(kClientWidth, kClientHeight);
    form->setBackgroundRole(QPalette::Button);
    form->setAutoFillBackground(true);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        form->move(area.x() + (area.width() - kClientWidth) / 2, area.y() + (area.height() - kClientHeight) / 2);
    }

    for (const Place& p : kLayout) {
        QWidget* parent = p.group ? form->findChild<QWidget*>(QString::fromLatin1(p.group)) : form;
        MakeControl(p, parent);
    }
    const auto get = [form](const char* name) { return form->findChild<QWidget*>(QString::fromLatin1(name)); };

    auto* keyboard = static_cast<QLabel*>(get("KeyboardImage"));
    keyboard->setContentsMargins(0, 0, 0, 0);
    keyboard->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (const char* name : {"ScaleBox", "TonicBox", "LowToneBox", "HighToneBox", "ProgramBox"})
        static_cast<QComboBox*>(get(name))->setMaxVisibleItems(16);
    auto* tempo = static_cast<QSpinBox*>(get("TempoBox"));
    tempo->setRange(kMinTempo, kMaxTempo);
    tempo->setValue(kDefaultTempo);
    auto* velocity = static_cast<QSpinBox*>(get("VelocityBox"));
    velocity->setRange(kMinVelocity, kMaxVelocity);
    velocity->setValue(kDefaultVelocity);

    QWidget* title = get("Label15");
    QFont titleFont(QStringLiteral("Times New Roman"));
    titleFont.setStyleHint(QFont::Serif);
    titleFont.setPixelSize(kTitleFontPixels);
    titleFont.setBold(true);
    titleFont.setItalic(true);
    title->setFont(titleFont);
    title->setStyleSheet(QStringLiteral("QLabel { color: #008000; }"));
    title->setGeometry(16, 375, 121, 24);

    auto* link = static_cast<QLabel*>(get("UrlLabel"));
    link->setTextFormat(Qt::RichText);
    link->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(homePage.toHtmlEscaped()));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setFocusPolicy(Qt::TabFocus);
    link->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    link->setContentsMargins(0, 0, 0, 0);
    static_cast<QPushButton*>(get("HelpButton"))->setIcon(HelpGlyph());

    TranslateMainLayout(form, homePage);

    // Tab order: the data group, the mapping group in its own order, then
    // the link and the help button.
    const char* const order[] = {"LoadDataButton",
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
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(get(order[i]), get(order[i + 1]));
}
