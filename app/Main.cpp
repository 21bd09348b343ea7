// SPDX-License-Identifier: MIT
#include "Main.h"

#include "Audiorender.h"
#include "Filedialog.h"
#include "Imagecanvas.h"
#include "Importdialog.h"
#include "Messagebox.h"
#include "Player.h"
#include "Reportdialog.h"
#include "Settings.h"
#include "data/Csvreader.h"
#include "music/Filebuild.h"
#include "music/Generalmidi.h"
#include "music/Parameters.h"
#include "sys/Paths.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QProgressDialog>
#include <QProxyStyle>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QStyleOptionButton>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace varimel;

namespace {

constexpr int kClientWidth = 626;
constexpr int kClientHeight = 426;
constexpr int kKeyboardWidth = 579;
constexpr int kKeyboardHeight = 65;
constexpr int kListHeight = 21;
constexpr int kEditHeight = 21;
constexpr int kSpinHeight = 22;
constexpr int kFontPixels = 11;
constexpr int kTitleFontPixels = 21;
constexpr int kHintDelayMs = 200;
constexpr int kHintDurationMs = 10000;
constexpr auto kPreviewFile = "VarimelPreview.mid";
constexpr auto kPreviewWave = "VarimelPreview.wav"; // written only by the "file" audio driver

QString FromCore(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
std::string ToCore(const QString& text) { return text.toUtf8().toStdString(); }
// File names go to the core as the bytes the file system uses.
std::string ToPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The application-wide hint timing: shown 200 ms after the pointer rests.
class HintStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return kHintDelayMs;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

TMainForm::FileChooser& OpenChooser()
{
    static TMainForm::FileChooser chooser;
    return chooser;
}

TMainForm::FileChooser& SaveChooser()
{
    static TMainForm::FileChooser chooser;
    return chooser;
}

TMainForm::AudioChooser& AudioChooserHook()
{
    static TMainForm::AudioChooser chooser;
    return chooser;
}

TMainForm::DialogRunner& Runner()
{
    static TMainForm::DialogRunner runner;
    return runner;
}

int RunDialog(QDialog& dialog) { return Runner() ? Runner()(dialog) : dialog.exec(); }

TMainForm::ShellOpener& Shell()
{
    static TMainForm::ShellOpener opener;
    return opener;
}

std::function<void(const QString&)>& ShutdownTrace()
{
    static std::function<void(const QString&)> trace;
    return trace;
}

void Trace(const char* step)
{
    if (ShutdownTrace())
        ShutdownTrace()(QString::fromLatin1(step));
}

// Opens a web page or starts a program, without waiting and without
// reporting failure: there is nothing the user could do about it here.
void OpenWithShell(const QString& target, const QStringList& arguments = {})
{
    if (Shell()) {
        Shell()(target, arguments);
        return;
    }
    if (target.contains(QLatin1String("://")))
        QDesktopServices::openUrl(QUrl(target));
    else if (!target.isEmpty())
        QProcess::startDetached(target, arguments);
}

// The open or save dialog, or the chooser a test put in its place.
QString ChooseFile(QWidget* parent, const QString& folder, const TMainForm::FileChooser& chooser, bool save,
                   const QString& filter, const QString& suffix)
{
    if (chooser)
        return chooser(parent, folder);
    return AskForFile(parent, folder, save, {filter}, suffix);
}

// Folder part of a path, as the window keeps it for the dialogs.
QString FolderOfPath(const QString& path) { return FromCore(FolderOf(ToCore(path))); }

QFont WindowFont()
{
    QFont font(QFontDatabase::hasFamily(QStringLiteral("Tahoma"))
                   ? QStringLiteral("Tahoma")
                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    font.setPixelSize(kFontPixels);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, int x, int y, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText); // data texts are never markup
    label->setContentsMargins(0, 0, 0, 0);
    label->setMargin(0);
    label->setIndent(0);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->move(x, y);
    label->adjustSize();
    // Labels lie beneath the other controls: a caption longer than its
    // space runs under the box next to it, not over it.
    label->lower();
    return label;
}

void SetLabel(QLabel* label, const QString& text)
{
    label->setText(text);
    label->adjustSize();
}

void SetHint(QWidget* widget, const QString& hint)
{
    widget->setToolTip(hint);
    widget->setToolTipDuration(kHintDurationMs);
    // A screen reader reads the hint as the control's description.
    widget->setAccessibleDescription(hint);
}

// A caption as a screen reader should say it: without its "(&X)" mnemonic.
QString WithoutMnemonic(QString text)
{
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)$"));
    text.remove(mnemonic);
    return text.remove(QLatin1Char('&'));
}

// A drop-down list as a screen reader meets it: named by its label, its
// current entry as its value. (Qt's own interface on Linux gives the current
// entry as the name too, so a list would be announced as "C4".)
class TAccessibleComboBox : public QAccessibleWidget {
public:
    explicit TAccessibleComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override
    {
        const auto* box = static_cast<const QComboBox*>(widget());
        switch (t) {
        case QAccessible::Name:
            return box->accessibleName();
        case QAccessible::Value:
            return box->currentText();
        default:
            return QAccessibleWidget::text(t);
        }
    }
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction()} << QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action == showMenuAction())
            static_cast<QComboBox*>(widget())->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* ComboBoxFactory(const QString& className, QObject* object)
{
    auto* box = qobject_cast<QComboBox*>(object);
    if (!box || !box->window() || box->window()->objectName() != QLatin1String("MainForm") ||
        (className != QLatin1String("QComboBox") && className != QLatin1String("TToneBox")))
        return nullptr;
    return new TAccessibleComboBox(box);
}

// The width a caption may take: a label up to the next control to its
// right in its row; a button its face inside the frame, less its icon; a
// check box its width less the indicator.
int CaptionRoom(const QWidget* w)
{
    QStyleOptionButton option;
    option.initFrom(w);
    const QStyle* style = w->style();
    if (const auto* button = qobject_cast<const QPushButton*>(w)) {
        // The style draws the caption inside the frame, centred.
        int room = w->width() - 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, w);
        if (!button->icon().isNull())
            room -= button->iconSize().width() + 4;
        return room;
    }
    if (qobject_cast<const QCheckBox*>(w))
        return w->width() - style->pixelMetric(QStyle::PM_IndicatorWidth, &option, w) -
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, w);
    if (w->objectName() == QLatin1String("UrlLabel"))
        return w->width();
    int right = w->parentWidget()->width();
    for (const QObject* o : w->parentWidget()->children()) {
        const auto* sibling = qobject_cast<const QWidget*>(o);
        if (!sibling || sibling == w || sibling->x() <= w->x())
            continue;
        if (sibling->y() < w->y() + w->height() && sibling->y() + sibling->height() > w->y())
            right = std::min(right, sibling->x());
    }
    return right - w->x();
}

// The caption's text as drawn (rich text and mnemonic markers removed).
QString ShownCaption(const QWidget* w)
{
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return label->textFormat() == Qt::RichText ? QTextDocumentFragment::fromHtml(label->text()).toPlainText()
                                                   : label->text();
    return w->property("text").toString().remove(QLatin1Char('&'));
}

// A caption wider than its room is drawn 1 px smaller (never below 10 px),
// then with letters moved closer, until it fits; one that fits keeps the
// window's font.
void FitCaption(QWidget* w)
{
    const QString text = ShownCaption(w);
    const int room = CaptionRoom(w);
    QFont font = w->font();
    if (QFontMetrics(font).horizontalAdvance(text) <= room)
        return;
    if (font.pixelSize() > 10)
        font.setPixelSize(font.pixelSize() - 1);
    for (double spacing = 0.0; spacing >= -1.5 && QFontMetricsF(font).horizontalAdvance(text) > room; spacing -= 0.25)
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    w->setFont(font);
    if (auto* label = qobject_cast<QLabel*>(w); label && label->textFormat() != Qt::RichText)
        label->adjustSize();
}

// The help glyph: a question mark, as help buttons carry it.
QIcon HelpGlyph()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 128));
    painter.drawEllipse(QRectF(1, 1, 14, 14));
    QFont font(QStringLiteral("sans-serif"));
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
    return QIcon(pixmap);
}

template <typename T> T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

// ---------------------------------------------------------------- TToneBox

void TToneBox::showPopup()
{
    emit dropDown();
    m_fromList = true;
    QComboBox::showPopup();
}

void TToneBox::keyPressEvent(QKeyEvent* event)
{
    m_fromList = false;
    m_before = currentIndex();
    QComboBox::keyPressEvent(event);
}

void TToneBox::wheelEvent(QWheelEvent* event)
{
    m_fromList = false;
    m_before = currentIndex();
    QComboBox::wheelEvent(event);
}

// ---------------------------------------------------------------- TSpinEdit

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setKeyboardTracking(false);
}

QValidator::State TSpinEdit::validate(QString& text, int&) const
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok && v >= minimum() && v <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

int TSpinEdit::Clamp(long long v) const
{
    return static_cast<int>(v < minimum() ? minimum() : (v > maximum() ? maximum() : v));
}

int TSpinEdit::valueFromText(const QString& text) const
{
    const std::string s = text.trimmed().toStdString();
    long long v = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ptr != s.data() + s.size())
        return minimum();
    if (ec == std::errc::result_out_of_range)
        return s.front() == '-' ? minimum() : maximum();
    return Clamp(v);
}

void TSpinEdit::fixup(QString& text) const { text = QString::number(valueFromText(text)); }

// ---------------------------------------------------------------- TMainForm

TMainForm::TMainForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("MainForm"));
    // Before any control exists: an accessible interface, once made, is
    // kept for the control's lifetime.
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(ComboBoxFactory);
        return true;
    }();
    (void)factoryInstalled;
    // The hint timing is application-wide and must be in place before the
    // controls are polished, or it would reset their colours.
    if (!dynamic_cast<HintStyle*>(QApplication::style()))
        QApplication::setStyle(new HintStyle);
    CreateControls();
    m_scaleNoteSet = ScaleNoteSet();
    m_csvDir.clear();
    FormCreate();
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
    setWindowTitle(QStringLiteral("Varimel"));
    setFont(WindowFont());
    setFixedSize(kClientWidth, kClientHeight);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - kClientWidth) / 2, area.y() + (area.height() - kClientHeight) / 2);
    }

    GroupBox1 = Named(new QGroupBox(QStringLiteral("データ"), this), "GroupBox1");
    GroupBox1->setGeometry(8, 8, 609, 89);
    LoadDataButton = Named(new QPushButton(QStringLiteral("CSVファイル読込...(&I)"), GroupBox1), "LoadDataButton");
    LoadDataButton->setGeometry(16, 25, 129, 25);
    SetHint(LoadDataButton, QStringLiteral("「ファイルを開く」ダイアログからCSVファイルを選択して開きます。"
                                           "ドラッグ＆ドロップで開くこともできます。"));
    NumRecordLabel = MakeLabel(GroupBox1, "NumRecordLabel", 179, 18, QStringLiteral("レコード数 = 0"));
    XIntervalLabel = MakeLabel(GroupBox1, "XIntervalLabel", 179, 37, QStringLiteral("Xの平均間隔 = 0"));
    CsvFileNameLabel = MakeLabel(GroupBox1, "CsvFileNameLabel", 16, 64, QStringLiteral("データファイル: "));
    XmaxLabel = MakeLabel(GroupBox1, "XmaxLabel", 424, 37, QStringLiteral("0"));
    XminLabel = MakeLabel(GroupBox1, "XminLabel", 424, 56, QStringLiteral("0"));
    YmaxLabel = MakeLabel(GroupBox1, "YmaxLabel", 511, 37, QStringLiteral("0"));
    YminLabel = MakeLabel(GroupBox1, "YminLabel", 511, 56, QStringLiteral("0"));
    MakeLabel(GroupBox1, "Label1", 458, 18, QStringLiteral("X"));
    MakeLabel(GroupBox1, "Label2", 545, 18, QStringLiteral("Y"));
    MakeLabel(GroupBox1, "Label3", 361, 37, QStringLiteral("最大値"));
    MakeLabel(GroupBox1, "Label4", 361, 56, QStringLiteral("最小値"));

    GroupBox2 = Named(new QGroupBox(QStringLiteral("スケールマッピングの設定"), this), "GroupBox2");
    GroupBox2->setGeometry(8, 103, 609, 266);
    KeyboardImage = Named(new QLabel(GroupBox2), "KeyboardImage");
    KeyboardImage->setGeometry(16, 24, kKeyboardWidth, kKeyboardHeight);
    KeyboardImage->setContentsMargins(0, 0, 0, 0);
    KeyboardImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    ScaleBox = Named(new QComboBox(GroupBox2), "ScaleBox");
    ScaleBox->setGeometry(54, 112, 214, kListHeight);
    SetHint(ScaleBox, QStringLiteral("適用するスケール（音階）を指定します。"));
    TonicBox = Named(new QComboBox(GroupBox2), "TonicBox");
    TonicBox->setGeometry(315, 112, 54, kListHeight);
    SetHint(TonicBox, QStringLiteral("スケールの主音（中心となる音）を指定します。"));
    LowToneBox = Named(new TToneBox(GroupBox2), "LowToneBox");
    LowToneBox->setGeometry(427, 112, 54, kListHeight);
    SetHint(LowToneBox, QStringLiteral("マッピング範囲の最低音を指定します。"));
    HighToneBox = Named(new TToneBox(GroupBox2), "HighToneBox");
    HighToneBox->setGeometry(541, 112, 54, kListHeight);
    SetHint(HighToneBox, QStringLiteral("マッピング範囲の最高音を指定します。"));
    for (QComboBox* box :
         {ScaleBox, TonicBox, static_cast<QComboBox*>(LowToneBox), static_cast<QComboBox*>(HighToneBox)})
        box->setMaxVisibleItems(16);

    DxPQNBox = Named(new QLineEdit(FromCore(kDefaultDxPQNText), GroupBox2), "DxPQNBox");
    DxPQNBox->setGeometry(136, 152, 70, kEditHeight);
    SetHint(DxPQNBox, QStringLiteral("4分音符の長さに相当するXの変化量を指定します。"));
    DurationBox = Named(new QLineEdit(FromCore(kDefaultDurationText), GroupBox2), "DurationBox");
    DurationBox->setGeometry(315, 152, 65, kEditHeight);
    SetHint(DurationBox, QStringLiteral("音符の長さに対する実際の発音時間を0～1の範囲で指定します。"));
    TempoBox = Named(new TSpinEdit(GroupBox2), "TempoBox");
    TempoBox->setRange(kMinTempo, kMaxTempo);
    TempoBox->setValue(kDefaultTempo);
    TempoBox->setGeometry(459, 151, 54, kSpinHeight);
    SetHint(TempoBox, QStringLiteral("演奏するテンポを1分間あたりの4分音符の数で指定します。"));
    ProgramBox = Named(new QComboBox(GroupBox2), "ProgramBox");
    ProgramBox->setGeometry(54, 188, 160, kListHeight);
    ProgramBox->setMaxVisibleItems(16);
    SetHint(ProgramBox, QStringLiteral("General MIDIで定義された128音色からプログラムを選択します。"));
    VelocityBox = Named(new TSpinEdit(GroupBox2), "VelocityBox");
    VelocityBox->setRange(kMinVelocity, kMaxVelocity);
    VelocityBox->setValue(kDefaultVelocity);
    VelocityBox->setGeometry(315, 187, 54, kSpinHeight);
    SetHint(VelocityBox, QStringLiteral("発音の強さ（ベロシティー）を1～127の範囲で指定します。"));
    DisableProgChangeBox =
        Named(new QCheckBox(QStringLiteral("プログラムチェンジを書き込まない"), GroupBox2), "DisableProgChangeBox");
    DisableProgChangeBox->setGeometry(424, 190, 171, 17);
    SetHint(DisableProgChangeBox, QStringLiteral("チェックするとSMFにプログラムチェンジを書き込みません。"));

    PreviewButton = Named(new QPushButton(QStringLiteral("試聴(&P)"), GroupBox2), "PreviewButton");
    PreviewButton->setGeometry(54, 223, 75, 25);
    SetHint(PreviewButton, QStringLiteral("現在の設定でスケールマッピングを行い、内蔵のシンセサイザー（FluidSynth）で"
                                          "演奏します。"));
    StopButton = Named(new QPushButton(QStringLiteral("再生停止(&S)"), GroupBox2), "StopButton");
    StopButton->setGeometry(135, 223, 75, 25);
    SetHint(StopButton, QStringLiteral("再生を中断します。"));
    VolumeCtrlButton = Named(new QPushButton(QStringLiteral("音量調整...(&V)"), GroupBox2), "VolumeCtrlButton");
    VolumeCtrlButton->setGeometry(264, 223, 89, 25);
    SetHint(VolumeCtrlButton, QStringLiteral("デスクトップの音量調整画面を開きます。"
                                             "音が出ない場合はシンセサイザーの音量をご確認下さい。"));
    SaveSMFButton =
        Named(new QPushButton(QStringLiteral("スタンダードMIDIファイルへ保存...(&E)"), GroupBox2), "SaveSMFButton");
    SaveSMFButton->setGeometry(408, 223, 187, 25);
    SetHint(SaveSMFButton,
            QStringLiteral("現在の設定でスケールマッピングを行い、スタンダードMIDIファイルに保存します。"));

    MakeLabel(GroupBox2, "Label5", 10, 116, QStringLiteral("スケール"));
    MakeLabel(GroupBox2, "Label8", 285, 116, QStringLiteral("主音"));
    MakeLabel(GroupBox2, "Label6", 385, 116, QStringLiteral("最低音"));
    MakeLabel(GroupBox2, "Label7", 499, 116, QStringLiteral("最高音"));
    MakeLabel(GroupBox2, "Label9", 14, 156, QStringLiteral("4分音符あたりのXの増分"));
    MakeLabel(GroupBox2, "Label14", 247, 156, QStringLiteral("デュレーション"));
    MakeLabel(GroupBox2, "Label10", 425, 156, QStringLiteral("テンポ"));
    MakeLabel(GroupBox2, "Label11", 519, 156, QStringLiteral("bpm"));
    MakeLabel(GroupBox2, "Label12", 24, 192, QStringLiteral("音色"));
    MakeLabel(GroupBox2, "Label13", 254, 192, QStringLiteral("ベロシティー"));

    QLabel* title = MakeLabel(this, "Label15", 16, 375, QStringLiteral("Varimel"));
    QFont titleFont(QStringLiteral("Times New Roman"));
    titleFont.setStyleHint(QFont::Serif);
    titleFont.setPixelSize(kTitleFontPixels);
    titleFont.setBold(true);
    titleFont.setItalic(true);
    title->setFont(titleFont);
    title->setStyleSheet(QStringLiteral("QLabel { color: #008000; }"));
    title->setGeometry(16, 375, 121, 24);
    MakeLabel(this, "Label16", 16, 406, QStringLiteral("Presented by Korvath"));
    VersionLabel = MakeLabel(this, "VersionLabel", 154, 381, QStringLiteral("Version"));

    UrlLabel = Named(new QLabel(this), "UrlLabel");
    UrlLabel->setTextFormat(Qt::RichText);
    const QString url = QString::fromLatin1(TMainForm::kHomePageUrl);
    UrlLabel->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(url.toHtmlEscaped()));
    UrlLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    UrlLabel->setFocusPolicy(Qt::TabFocus);
    UrlLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    UrlLabel->setContentsMargins(0, 0, 0, 0);
    UrlLabel->setGeometry(154, 404, 133, 17);

    HelpButton = Named(new QPushButton(QStringLiteral("ヘルプ(&H)"), this), "HelpButton");
    HelpButton->setIcon(HelpGlyph());
    HelpButton->setGeometry(528, 383, 75, 25);
    SetHint(HelpButton, QStringLiteral("オンラインマニュアルにジャンプします。インターネット接続が必要です。"));

    // Every caption whole at its place, and every control named for a
    // screen reader by the label beside it.
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->property("text").toString().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")) ||
            qobject_cast<QLineEdit*>(w) || w == title)
            continue;
        if (w == CsvFileNameLabel || w == NumRecordLabel || w == XIntervalLabel || w == XmaxLabel || w == XminLabel ||
            w == YmaxLabel || w == YminLabel || w == VersionLabel)
            continue; // the data texts change with every load
        FitCaption(w);
    }
    const struct {
        const char* label;
        QWidget* control;
    } named[] = {{"Label5", ScaleBox},    {"Label8", TonicBox},    {"Label6", LowToneBox},
                 {"Label7", HighToneBox}, {"Label9", DxPQNBox},    {"Label14", DurationBox},
                 {"Label10", TempoBox},   {"Label12", ProgramBox}, {"Label13", VelocityBox}};
    for (const auto& n : named) {
        auto* label = findChild<QLabel*>(QString::fromLatin1(n.label));
        label->setBuddy(n.control);
        n.control->setAccessibleName(label->text());
    }
    for (QPushButton* button : {LoadDataButton, PreviewButton, StopButton, VolumeCtrlButton, SaveSMFButton, HelpButton})
        button->setAccessibleName(WithoutMnemonic(button->text()));
    DisableProgChangeBox->setAccessibleName(DisableProgChangeBox->text());
    UrlLabel->setAccessibleName(url);
    KeyboardImage->setAccessibleName(QStringLiteral("鍵盤"));

    // Tab order: the data group, the mapping group in its own order, then
    // the link and the help button.
    const QList<QWidget*> order = {
        LoadDataButton, ScaleBox,   TonicBox,    LowToneBox,           HighToneBox,   DxPQNBox,   DurationBox,
        TempoBox,       ProgramBox, VelocityBox, DisableProgChangeBox, PreviewButton, StopButton, VolumeCtrlButton,
        SaveSMFButton,  UrlLabel,   HelpButton};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(LoadDataButton, &QPushButton::clicked, this, [this] { LoadDataButtonClick(); });
    for (QComboBox* box :
         {ScaleBox, TonicBox, static_cast<QComboBox*>(LowToneBox), static_cast<QComboBox*>(HighToneBox)})
        connect(box, &QComboBox::activated, this, [this, box] { ScaleBoxChange(box); });
    connect(PreviewButton, &QPushButton::clicked, this, [this] { PreviewButtonClick(); });
    connect(StopButton, &QPushButton::clicked, this, [this] { StopButtonClick(); });
    connect(SaveSMFButton, &QPushButton::clicked, this, [this] { SaveSMFButtonClick(); });
    connect(VolumeCtrlButton, &QPushButton::clicked, this, [this] { VolumeCtrlButtonClick(); });
    connect(HelpButton, &QPushButton::clicked, this, [this] { HelpButtonClick(); });
    connect(UrlLabel, &QLabel::linkActivated, this, [this](const QString& link) { UrlLabelLinkClick(link); });
    connect(LowToneBox, &TToneBox::dropDown, this, [this] { LowToneBoxDropDown(); });
    connect(HighToneBox, &TToneBox::dropDown, this, [this] { HighToneBoxDropDown(); });

    // The context menu: right button, the Menu key or Shift+F10 anywhere but
    // in the edit boxes; its shortcuts work everywhere in the window.
    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("ContextMenu"));
    const auto addCommand = [this](const char* name, const QString& text, const QKeySequence& keys,
                                   std::function<void()> run) {
        QAction* action = m_contextMenu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, std::move(run));
        return action;
    };
    addCommand("ImportSettingsAction", QStringLiteral("読み込み設定..."), QKeySequence(Qt::CTRL | Qt::Key_I),
               [this] { ImportSettingsClick(); });
    addCommand("ImportReportAction", QStringLiteral("読み込みレポート..."), QKeySequence(Qt::CTRL | Qt::Key_R),
               [this] { ImportReportClick(); });
    m_contextMenu->addSeparator();
    addCommand("AudioExportAction", QStringLiteral("オーディオファイルへ書き出す..."),
               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), [this] { AudioExportClick(); });

    // F5 and Esc play and stop from anywhere in the window, exactly as the
    // two buttons do (and not while a button is disabled).
    for (const auto& [keys, button] : {std::pair{Qt::Key_F5, PreviewButton}, std::pair{Qt::Key_Escape, StopButton}}) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(keys));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, [button = button] { button->click(); });
    }
}

void TMainForm::FormCreate()
{
    setAcceptDrops(true);

    m_dataList.reset();
    // Drawn at the display's pixel ratio, so the keys are sharp when the
    // desktop scales the window.
    m_canvas = std::make_unique<ImageCanvas>(KeyboardImage->width(), KeyboardImage->height(), devicePixelRatioF());
    m_keyboard = std::make_unique<TMusicKeyboard>(*m_canvas, KeyboardImage->width(), KeyboardImage->height());
    m_keyboard->DrawBlank();
    ShowKeyboard();

    for (const TMusicalScale& scale : ScaleTable)
        ScaleBox->addItem(FromCore(scale.Name));
    for (const std::string_view name : ToneNames)
        TonicBox->addItem(FromCore(name));
    for (int k = 0; k < kToneCount; ++k) {
        const QString label = FromCore(ToneLabel(k));
        LowToneBox->addItem(label);
        HighToneBox->addItem(label);
    }
    for (int program = 0; program < 128; ++program)
        ProgramBox->addItem(FromCore(ProgramEntry(program)));

    // The preview lives where no other user can block or redirect it.
    const QString privateFolder = QFile::decodeName(QByteArray::fromStdString(PrivateFolder()));
    m_previewFileName =
        (privateFolder.isEmpty() ? QDir::tempPath() : privateFolder) + QLatin1Char('/') + QLatin1String(kPreviewFile);
    QDir().mkpath(settings::Folder()); // a failure shows when the settings are written
    m_iniFileName = settings::FilePath();
    ApplySettings();

    RefreshKeyboard();
    NameValueLabels();
    SetLabel(VersionLabel, QStringLiteral("Version ") + QString::fromLatin1(kVersion));

    // The volume control of the desktop, the first one installed.
    const struct {
        const char* program;
        const char* argument;
    } mixers[] = {{"pavucontrol", nullptr}, {"pwvucontrol", nullptr}, {"gnome-control-center", "sound"}};
    for (const auto& mixer : mixers) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(mixer.program));
        if (found.isEmpty())
            continue;
        m_volumeCtrlProgram = found;
        if (mixer.argument)
            m_volumeCtrlArguments << QString::fromLatin1(mixer.argument);
        break;
    }
    m_playing = false;
    // The sounding keys follow the player about 33 times a second.
    m_playhead = new QTimer(this);
    m_playhead->setInterval(30);
    connect(m_playhead, &QTimer::timeout, this, [this] { DrawPlayhead(); });
}

void TMainForm::ApplySettings()
{
    const StoredSettings v = settings::Read(m_iniFileName, settings::DocumentsFolder());
    m_csvDir = FromCore(v.CsvDir);
    m_smfDir = FromCore(v.SmfDir);
    const MappingRequest r = StoredRequest(v);
    ScaleBox->setCurrentIndex(r.Scale);
    TonicBox->setCurrentIndex(r.Tonic);
    LowToneBox->setCurrentIndex(r.LowTone);
    HighToneBox->setCurrentIndex(r.HighTone);
    TempoBox->setValue(r.Tempo);
    VelocityBox->setValue(r.Velocity);
    ProgramBox->setCurrentIndex(r.Program);
    DxPQNBox->setText(FromCore(v.DxPQN));
    DurationBox->setText(FromCore(v.Duration));
    DisableProgChangeBox->setChecked(!r.WriteProgramChange);
    m_importOptions = v.Import;
    m_soundFont = FromCore(v.SoundFont);
    m_audioDriver = FromCore(v.AudioDriver);
}

void TMainForm::ShowKeyboard() { KeyboardImage->setPixmap(QPixmap::fromImage(m_canvas->Image())); }

const QImage& TMainForm::KeyboardPicture() const { return m_canvas->Image(); }

// ---------------------------------------------------------------- loading

bool TMainForm::ReadCsvFile(const QString& path)
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
        load = LoadCsv(file, &reason, m_importOptions);
    if (!load) {
        ShowError(FromCore(kMsgCsvReadFailed), this, path + QStringLiteral(": ") + FromCore(reason));
        return false;
    }
    m_dataList = std::make_unique<TXYDataList>(std::move(load->Data));
    m_csvPath = path;
    m_skips = std::move(load->Skips);
    const CsvSummary& s = load->Summary;
    SetLabel(CsvFileNameLabel, QString::fromLocal8Bit(s.FileName.data(), static_cast<qsizetype>(s.FileName.size())));
    SetLabel(NumRecordLabel, FromCore(s.NumRecord));
    SetLabel(XmaxLabel, FromCore(s.Xmax));
    SetLabel(XminLabel, FromCore(s.Xmin));
    SetLabel(YmaxLabel, FromCore(s.Ymax));
    SetLabel(YminLabel, FromCore(s.Ymin));
    NameValueLabels();
    SetLabel(XIntervalLabel, FromCore(s.XInterval));
    DxPQNBox->setText(FromCore(s.DxPQN));
    if (load->Skipped) {
        // The first skipped lines and where to find the rest, behind the
        // warning's details button.
        constexpr std::size_t kShown = 20;
        QStringList details;
        for (std::size_t i = 0; i < std::min(kShown, m_skips.Count()); ++i) {
            const SkippedLine line = m_skips[i];
            details << QStringLiteral("行 %1: %2: %3")
                           .arg(line.Line)
                           .arg(FromCore(SkipReasonWords(line.Reason)), FromCore(DisplayText(line.Raw)));
        }
        details << QStringLiteral("すべての行は「読み込みレポート」(Ctrl+R)で確認できます。");
        ShowWarning(FromCore(kMsgLinesSkipped), this, details.join(QLatin1Char('\n')));
    }
    return true;
}

void TMainForm::NameValueLabels()
{
    // A screen reader says what each value is, not only the number.
    const struct {
        QLabel* label;
        const char* what;
    } values[] = {
        {XmaxLabel, "Xの最大値"}, {XminLabel, "Xの最小値"}, {YmaxLabel, "Yの最大値"}, {YminLabel, "Yの最小値"}};
    for (const auto& v : values)
        v.label->setAccessibleName(QString::fromUtf8(v.what) + QLatin1Char(' ') + v.label->text().trimmed());
}

void TMainForm::LoadDataButtonClick()
{
    const QString path =
        ChooseFile(this, m_csvDir, OpenChooser(), false, QStringLiteral("CSVファイル(*.csv)"), QStringLiteral("csv"));
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

void TMainForm::ImportSettingsClick()
{
    // The preview shows the start of the loaded file.
    std::string start;
    if (!m_csvPath.isEmpty()) {
        QFile file(m_csvPath);
        if (file.open(QIODevice::ReadOnly))
            start = file.read(64 * 1024).toStdString();
    }
    TImportDialog dialog(this, m_importOptions, std::move(start));
    if (RunDialog(dialog) == QDialog::Accepted)
        SetImportOptions(dialog.Options());
}

void TMainForm::SetImportOptions(const ImportOptions& options)
{
    m_importOptions = options;
    if (!m_csvPath.isEmpty())
        ReadCsvFile(m_csvPath);
}

void TMainForm::AudioExportClick()
{
    const std::optional<MappingRequest> request = CheckedRequest();
    if (!request)
        return;
    static const QStringList filters = {QStringLiteral("WAVファイル(*.wav)"), QStringLiteral("FLACファイル(*.flac)"),
                                        QStringLiteral("Ogg Vorbisファイル(*.ogg)")};
    static const AudioFormat formats[] = {AudioFormat::Wav, AudioFormat::Flac, AudioFormat::Ogg};
    QString filter = filters.constFirst();
    QString path;
    if (AudioChooserHook()) {
        path = AudioChooserHook()(this, m_smfDir, filter);
    } else {
        path = AskForFile(this, m_smfDir, true, filters, {}, &filter);
    }
    if (path.isEmpty())
        return;
    const qsizetype chosen = std::max<qsizetype>(0, filters.indexOf(filter));
    AudioFormat format = formats[chosen];
    // A name typed without an extension gets the chosen filter's; a name
    // with a known extension is written in that format.
    if (path.lastIndexOf(QLatin1Char('.')) <= path.lastIndexOf(QLatin1Char('/')))
        path += QLatin1Char('.') + QLatin1String(AudioExtension(format));
    else if (const auto named = AudioFormatOfPath(ToPath(path)))
        format = *named;
    m_smfDir = FolderOfPath(path);

    const QString failed = QStringLiteral("オーディオファイルの作成に失敗しました。");
    // The piece goes to the synthesizer as a MIDI file of the program's own.
    std::string scratchPath = PrivateFolder();
    if (scratchPath.empty())
        scratchPath = QDir::tempPath().toStdString();
    scratchPath += "/VarimelExport-XXXXXX";
    const int fd = mkstemp(scratchPath.data());
    if (fd < 0) {
        ShowError(failed, this, FromCore(scratchPath + ": " + std::strerror(errno)));
        return;
    }
    ::close(fd);
    TemporaryFile scratch(scratchPath);
    std::string reason;
    ScaleNoteSet set;
    if (!BuildSmf(m_dataList.get(), *request, scratch.Path(), set, &reason)) {
        ShowError(failed, this, path + QStringLiteral(": ") + FromCore(reason));
        return;
    }
    const double seconds = static_cast<double>(PieceEndTick(*m_dataList, request->DxPQN).value_or(0)) /
                           TicksPerQuarter * 60.0 / request->Tempo;

    // The render runs beside the window's event loop; the dialog shows its
    // progress and can stop it.
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{0};
    std::atomic<bool> done{false};
    bool ok = false;
    std::string error;
    const std::string soundFont = ToPath(m_soundFont);
    const std::string target = ToPath(path);
    std::thread worker([&] {
        RenderControl control;
        control.cancel = &cancel;
        control.progress = [&permille](double share) { permille = static_cast<int>(share * 1000); };
        ok = RenderAudio(scratch.Path(), target, format, soundFont, error, seconds, control);
        done = true;
    });
    QProgressDialog progress(QStringLiteral("オーディオファイルを書き出しています..."), QStringLiteral("キャンセル"), 0,
                             1000, this);
    progress.setObjectName(QStringLiteral("AudioProgress"));
    progress.setWindowTitle(QStringLiteral("Varimel"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QTimer poll;
    poll.setInterval(50);
    connect(&poll, &QTimer::timeout, &progress, [&] {
        progress.setValue(permille.load());
        if (done)
            progress.done(QDialog::Accepted);
    });
    connect(&progress, &QProgressDialog::canceled, &progress, [&] {
        cancel = true;
        progress.done(QDialog::Rejected);
    });
    poll.start();
    if (!done)
        RunDialog(progress);
    poll.stop();
    if (!done)
        cancel = true; // the dialog went away some other way
    worker.join();
    if (!ok && !cancel)
        ShowError(failed, this, path + QStringLiteral(": ") + FromCore(error));
}

void TMainForm::ImportReportClick()
{
    TReportDialog dialog(this, m_csvPath, m_importOptions, m_dataList ? m_dataList->Count() : 0, m_skips);
    RunDialog(dialog);
}

void TMainForm::SetOpenFileChooser(FileChooser chooser) { OpenChooser() = std::move(chooser); }
void TMainForm::SetSaveFileChooser(FileChooser chooser) { SaveChooser() = std::move(chooser); }
void TMainForm::SetShellOpener(ShellOpener opener) { Shell() = std::move(opener); }
void TMainForm::SetDialogRunner(DialogRunner runner) { Runner() = std::move(runner); }
void TMainForm::SetAudioFileChooser(AudioChooser chooser) { AudioChooserHook() = std::move(chooser); }
void TMainForm::SetShutdownTrace(std::function<void(const QString&)> trace) { ShutdownTrace() = std::move(trace); }

void TMainForm::WMDropFiles(const QStringList& paths)
{
    if (paths.size() > 1) {
        ShowError(QStringLiteral("ファイルは１つしかドロップできません。"), this);
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

void TMainForm::LowToneBoxDropDown() { m_savedLowToneIndex = LowToneBox->currentIndex(); }
void TMainForm::HighToneBoxDropDown() { m_savedHighToneIndex = HighToneBox->currentIndex(); }

void TMainForm::RefreshKeyboard()
{
    BuildNoteSet(m_scaleNoteSet, ScaleBox->currentIndex(), static_cast<std::uint8_t>(TonicBox->currentIndex()),
                 MidiNoteOfTone(LowToneBox->currentIndex()), MidiNoteOfTone(HighToneBox->currentIndex()));
    const int n = ListNotes(m_scaleNoteSet, m_keyboardNotes.data());
    m_keyboard->Draw(m_keyboardNotes.data(), n, kKeyHighlight);
    ShowKeyboard();
    // What the picture shows, for a screen reader: the allowed keys in order.
    std::vector<int> notes(m_keyboardNotes.begin(), m_keyboardNotes.begin() + n);
    std::sort(notes.begin(), notes.end());
    notes.erase(std::unique(notes.begin(), notes.end()), notes.end());
    QStringList names;
    for (const int note : notes)
        if (note >= kLowestTone && note <= kHighestTone)
            names << FromCore(ToneLabel(ToneOfMidiNote(note)));
    KeyboardImage->setAccessibleDescription(QStringLiteral("使える音: ") + names.join(QLatin1Char(' ')));
}

void TMainForm::ScaleBoxChange(QComboBox* sender)
{
    if (LowToneBox->currentIndex() < HighToneBox->currentIndex()) {
        RefreshKeyboard();
        return;
    }
    ShowError(FromCore(kMsgToneRange), this);
    // A change made in the opened list goes back to where the list opened;
    // one made on the closed box goes back to where it was just before.
    if (sender == LowToneBox)
        LowToneBox->setCurrentIndex(LowToneBox->ChangedFromList() ? m_savedLowToneIndex
                                                                  : LowToneBox->IndexBeforeChange());
    else if (sender == HighToneBox)
        HighToneBox->setCurrentIndex(HighToneBox->ChangedFromList() ? m_savedHighToneIndex
                                                                    : HighToneBox->IndexBeforeChange());
}

bool TMainForm::CheckParameters() { return CheckedRequest().has_value(); }

std::optional<MappingRequest> TMainForm::CheckedRequest()
{
    MappingRequest request;
    request.Scale = ScaleBox->currentIndex();
    request.Tonic = TonicBox->currentIndex();
    request.LowTone = LowToneBox->currentIndex();
    request.HighTone = HighToneBox->currentIndex();
    request.Tempo = TempoBox->value();
    request.Velocity = VelocityBox->value();
    request.Program = ProgramBox->currentIndex();
    request.WriteProgramChange = !DisableProgChangeBox->isChecked();
    const ParameterCheckResult r =
        CheckMappingParameters(m_dataList.get(), request.Scale, request.Tonic, request.LowTone, request.HighTone,
                               ToCore(DxPQNBox->text()), ToCore(DurationBox->text()));
    const QString text = FromCore(ParameterCheckMessage(r.Outcome));
    switch (r.Outcome) {
    case ParameterCheck::Ok:
        request.DxPQN = r.DxPQN;
        request.Duration = r.Duration;
        return request;
    case ParameterCheck::NoData:
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
    for (QWidget* w :
         std::initializer_list<QWidget*>{ScaleBox, TonicBox, LowToneBox, HighToneBox, DxPQNBox, DurationBox, TempoBox,
                                         ProgramBox, VelocityBox, DisableProgChangeBox, PreviewButton})
        w->setEnabled(enable);
}

// ---------------------------------------------------------------- commands

bool TMainForm::CreateSMF(const QString& path, const MappingRequest& request)
{
    std::string reason;
    const bool ok = BuildSmf(m_dataList.get(), request, ToPath(path), m_scaleNoteSet, &reason);
    if (!ok)
        ShowError(FromCore(kMsgSmfFailed), this, path + QStringLiteral(": ") + FromCore(reason));
    return ok;
}

void TMainForm::PreviewButtonClick()
{
    const std::optional<MappingRequest> request = CheckedRequest();
    if (!request)
        return;
    if (m_playing) {
        // Ended without its end-of-play report, so the state is settled here.
        m_player->Stop();
        SettlePlayEnd();
    }
    // A failed build ends here: a stale or partial preview is never played.
    if (!CreateSMF(m_previewFileName, *request))
        return;
    // The synthesizer and the audio output are made once and kept, so every
    // later preview starts at once.
    if (!m_player) {
        PlayerOptions options;
        options.soundFont = ToPath(m_soundFont);
        options.audioDriver = ToCore(m_audioDriver);
        options.wavFile = ToPath(QDir::tempPath() + QLatin1Char('/') + QLatin1String(kPreviewWave));
        m_player = std::make_unique<MidiPlayer>(options);
    }
    if (!m_player->Open(ToPath(m_previewFileName))) {
        ShowError(QStringLiteral("MIDIデバイスをオープンできませんでした。"), this, FromCore(m_player->LastError()));
        return;
    }
    m_timeline = NoteTimeline(MappedNotes(m_dataList.get(), *request));
    m_playing = true;
    const unsigned generation = ++m_playGeneration;
    // The player reports from its own thread; the report is handled here,
    // between the window's other events.
    m_player->Play([this, generation] {
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == m_playGeneration)
                    EndOfPlay();
            },
            Qt::QueuedConnection);
    });
    EnableControls(false);
    m_playhead->start();
}

void TMainForm::StopButtonClick()
{
    if (m_player)
        m_player->Stop();
}

void TMainForm::SettlePlayEnd()
{
    m_playing = false;
    m_playhead->stop();
    m_playheadTick = -1;
    m_sounding.clear();
    RefreshKeyboard(); // the picture at rest again
    EnableControls(true);
}

void TMainForm::DrawPlayhead()
{
    if (!m_playing || !m_player)
        return;
    const int tick = m_player->CurrentTick();
    if (tick < 0)
        return;
    m_timeline.SoundingAt(static_cast<std::uint32_t>(tick), m_soundingNow);
    m_playheadTick = tick;
    if (m_soundingNow == m_sounding)
        return;
    m_sounding = m_soundingNow;
    const int n = ListNotes(m_scaleNoteSet, m_keyboardNotes.data());
    m_keyboard->Draw(m_keyboardNotes.data(), n, kKeyHighlight, m_sounding.data(), static_cast<int>(m_sounding.size()),
                     kKeySounding);
    ShowKeyboard();
}

void TMainForm::EndOfPlay()
{
    Trace("end of play");
    SettlePlayEnd();
}

void TMainForm::ClosePlayer()
{
    if (m_player) {
        m_player->Close();
        m_player.reset();
    }
}

void TMainForm::SaveSMFButtonClick()
{
    const std::optional<MappingRequest> request = CheckedRequest();
    if (!request)
        return;
    QString path = ChooseFile(this, m_smfDir, SaveChooser(), true, QStringLiteral("スタンダードMIDIファイル(*.mid)"),
                              QStringLiteral("mid"));
    if (path.isEmpty())
        return;
    // A name typed without an extension gets the default one.
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (path.lastIndexOf(QLatin1Char('.')) <= slash)
        path += QLatin1String(".mid");
    CreateSMF(path, *request);
    m_smfDir = FolderOfPath(path);
}

void TMainForm::HelpButtonClick() { OpenWithShell(QString::fromLatin1(kManualUrl)); }

void TMainForm::UrlLabelLinkClick(const QString& link) { OpenWithShell(link); }

void TMainForm::VolumeCtrlButtonClick()
{
    if (!m_volumeCtrlProgram.isEmpty())
        OpenWithShell(m_volumeCtrlProgram, m_volumeCtrlArguments);
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
    if (m_playing) {
        ClosePlayer();
        m_playing = false;
        m_playhead->stop();
        Trace("device closed");
    }
    ClosePlayer(); // the audio output kept between previews
    if (QFile::exists(m_previewFileName)) {
        QFile::remove(m_previewFileName);
        Trace("preview deleted");
    }
    WriteSettings();
    Trace("settings written");
}

void TMainForm::WriteSettings()
{
    StoredSettings c;
    c.CsvDir = ToCore(m_csvDir);
    c.SmfDir = ToCore(m_smfDir);
    c.Scale = ScaleBox->currentIndex();
    c.Tonic = TonicBox->currentIndex();
    c.LowTone = LowToneBox->currentIndex();
    c.HighTone = HighToneBox->currentIndex();
    c.Tempo = TempoBox->value();
    c.Velocity = VelocityBox->value();
    c.Program = ProgramBox->currentIndex();
    c.DxPQN = ToCore(DxPQNBox->text());
    c.Duration = ToCore(DurationBox->text());
    c.DisableProgChange = DisableProgChangeBox->isChecked();
    c.Import = m_importOptions;
    QString reason;
    switch (settings::Write(m_iniFileName, c, &reason)) {
    case settings::WriteOutcome::Written:
        break;
    case settings::WriteOutcome::FileFailed:
        ShowError(QString::fromLatin1(kSettingsFileName) +
                      QStringLiteral("が別のアプリケーションで開かれています。ファイルを閉じて下さい。"),
                  this, m_iniFileName + QStringLiteral(": ") + reason);
        break;
    case settings::WriteOutcome::NumberFailed:
        ShowError(FromCore(kMsgNumberFormat), nullptr);
        break;
    }
}
