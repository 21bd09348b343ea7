// SPDX-License-Identifier: MIT
// The plot window on the real window offscreen: it follows the loads and the
// mapping, its cursor speaks, its part drives what is saved, its picture goes
// out as PNG or SVG, and its place is kept.
#include "Main.h"

#include "Plotpaint.h"
#include "Plotwindow.h"
#include "Seams.h"
#include "music/Scale.h"

#include "GuiTestMain.h"
#include "SmfReader.h"
#include "TestUtil.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <fstream>

namespace {

class PlotWindow : public WindowTest {
protected:
    std::string Ini() const { return dir / "config/Korvath/Varimel/Varimel.ini"; }
    // Starts with the settings text, loads csv as the file "d.csv" and opens
    // the plot through its menu entry.
    TPlotWindow* Open(const std::string& ini, const std::string& csv)
    {
        testutil::WriteFile(Ini(), ini);
        Start();
        if (!csv.empty()) {
            testutil::WriteFile(dir / "d.csv", csv);
            form->OpenFile(QString::fromStdString(dir / "d.csv"));
        }
        form->findChild<QAction*>(QStringLiteral("PlotAction"))->trigger();
        TPlotWindow* plot = form->PlotWindow();
        EXPECT_NE(plot, nullptr);
        QApplication::processEvents();
        return plot;
    }
    static QString Description(const TPlotWindow* plot) { return plot->View()->accessibleDescription(); }
    // The forty records 0,0 .. 39,6 of a numbered walk.
    static std::string Numbers()
    {
        std::string csv;
        for (int i = 0; i < 40; ++i)
            csv += std::to_string(i) + "," + std::to_string(i % 7) + "\n";
        return csv;
    }
    // The melody's keys of a saved file, with their ticks.
    static std::vector<std::pair<std::uint32_t, int>> Keys(const std::string& path)
    {
        std::vector<std::pair<std::uint32_t, int>> keys;
        const smftest::File file = smftest::Parse(smftest::ReadBytes(path));
        if (file.tracks.size() < 2)
            return keys;
        for (const smftest::Event& e : file.tracks[1])
            if (e.bytes[0] == 0x90)
                keys.emplace_back(e.tick, e.bytes[1]);
        return keys;
    }
};

constexpr const char* kDates = "[Import]\nXColumn=1\nYColumn=2\nXDate=1\n";

} // namespace

// With no data it says so; a load, a change of scale or of the X increment is
// drawn and described at once.
TEST_F(PlotWindow, FollowsTheMainWindow)
{
    TPlotWindow* plot = Open("", "");
    EXPECT_EQ(plot->windowTitle(), "グラフ");
    EXPECT_EQ(Description(plot), "データが読み込まれていません");
    EXPECT_EQ(plot->View()->accessibleName(), "グラフ");

    testutil::WriteFile(dir / "d.csv", "日付,値\n2024-01-01,0\n2024-01-02,5\n2024-01-03,10\n");
    varimel::ImportOptions dates;
    dates.XDate = true;
    form->SetImportOptions(dates);
    form->OpenFile(QString::fromStdString(dir / "d.csv"));
    plot->View()->grab();
    EXPECT_EQ(plot->windowTitle(), "グラフ - d.csv");
    EXPECT_EQ(Description(plot), "3点、X 2024-01-01〜2024-01-03、Y 0〜10、音 C4〜C6");
    EXPECT_EQ(plot->View()->BandLabels().join(' '), "C4 D4 E4 F4 G4 A4 B4 C5 D5 E5 F5 G5 A5 B5 C6");

    auto* scale = Get<QComboBox>("ScaleBox");
    const auto pentatonic =
        std::find_if(std::begin(varimel::ScaleTable), std::end(varimel::ScaleTable),
                     [](const varimel::TMusicalScale& s) { return s.Name == "メジャーペンタトニックスケール"; });
    ASSERT_NE(pentatonic, std::end(varimel::ScaleTable));
    scale->setCurrentIndex(static_cast<int>(pentatonic - std::begin(varimel::ScaleTable)));
    form->ScaleBoxChange(scale);
    plot->View()->grab();
    EXPECT_EQ(plot->View()->BandLabels().join(' '), "C4 D4 E4 G4 A4 C5 D5 E5 G5 A5 C6");

    // Numbers that are no numbers: the data and its bands, no melody.
    Get<QLineEdit>("DxPQNBox")->setText("x");
    EXPECT_EQ(Description(plot), "3点、X 2024-01-01〜2024-01-03、Y 0〜10");
    EXPECT_TRUE(plot->View()->Notes().empty());
}

// The cursor steps from point to point and says where it is, in the
// description and the status line; Shift makes a part, the status line tells
// it, Esc lets it go. A first step starts in the middle of the view (or in
// the part); a zoom brings the cursor into the view, never the view back to
// the cursor; Shift+arrow moves the nearer edge of a part made otherwise.
TEST_F(PlotWindow, CursorAndPartFromTheKeyboard)
{
    // At 90 bpm a bar lasts 2.67 s, shown rounded.
    TPlotWindow* plot = Open(std::string(kDates) + "[MappingParam]\nTempo=90\n",
                             "2024-01-01,0\n2024-01-02,5\n2024-01-03,10\n2024-01-05,12.3\n");
    TPlotView* view = plot->View();
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        const char* description;
        const char* part; // the status line after the point; empty: no part
    } steps[] = {
        {Qt::Key_Right, Qt::NoModifier, "X 2024-01-03, Y 10, A5", ""},
        {Qt::Key_Left, Qt::NoModifier, "X 2024-01-02, Y 5, B4", ""},
        {Qt::Key_End, Qt::NoModifier, "X 2024-01-05, Y 12.3, C6", ""},
        {Qt::Key_Left, Qt::ShiftModifier, "X 2024-01-03, Y 10, A5", "選択: X 2024-01-03 – 2024-01-05 · 2音 · 0:03"},
        {Qt::Key_Left, Qt::ShiftModifier, "X 2024-01-02, Y 5, B4", "選択: X 2024-01-02 – 2024-01-05 · 3音 · 0:03"},
    };
    for (const auto& s : steps) {
        QTest::keyClick(view, s.key, s.mods);
        const QString point = QString::fromUtf8(s.description);
        EXPECT_EQ(Description(plot), point) << s.description;
        EXPECT_EQ(plot->StatusLine()->text(), *s.part ? point + "  |  " + QString::fromUtf8(s.part) : point)
            << s.description;
    }
    const QString hint = QStringLiteral("ドラッグで範囲を選ぶと、その部分だけを試聴・保存します。");
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(Description(plot), QStringLiteral("4点、X 2024-01-01〜2024-01-05、Y 0〜12.3、音 C4〜C6"));
    EXPECT_EQ(plot->StatusLine()->text(), hint);
    EXPECT_FALSE(plot->Selection());
    // Without a cursor, either arrow starts at the point nearest the view's
    // middle (2024-01-02 12:00: the earlier at a tie) ...
    for (const Qt::Key key : {Qt::Key_Left, Qt::Key_Right}) {
        view->ClearSelectionAndCursor();
        view->SetViewRange(19723.5, 19725.5);
        QTest::keyClick(view, key);
        EXPECT_EQ(Description(plot), QStringLiteral("X 2024-01-02, Y 5, B4")) << key;
    }
    // ... and a zoom that leaves the cursor outside brings it in.
    QTest::keyClick(view, Qt::Key_End);
    const auto shown = std::pair{19722.5, 19725.2};
    view->SetViewRange(shown.first, shown.second);
    EXPECT_EQ(Description(plot), QStringLiteral("X 2024-01-03, Y 10, A5"));
    EXPECT_EQ(plot->StatusLine()->text(), QStringLiteral("X 2024-01-03, Y 10, A5"));
    // A part made otherwise: a first step starts inside it, Shift+arrow
    // moves its nearer edge and keeps the other.
    view->ClearSelectionAndCursor();
    view->ShowAll();
    view->SetSelection(varimel::XSelection{19724, 19725}); // 01-02 to 01-03
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(Description(plot), QStringLiteral("X 2024-01-02, Y 5, B4"));
    view->ClearSelectionAndCursor();
    view->SetSelection(varimel::XSelection{19724, 19725});
    QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
    ASSERT_TRUE(plot->Selection());
    EXPECT_EQ(plot->Selection()->From, 19724) << "the left edge stays";
    EXPECT_EQ(plot->Selection()->To, 19727) << "the right edge moves to 2024-01-05";
}

// The playhead in its colour at the tick's X, the part's edges, both at the
// display's pixel ratio; the playhead goes when play ends.
TEST_F(PlotWindow, PlayheadAndPartInThePicture)
{
    TPlotWindow* plot = Open("", Numbers());
    TPlotView* view = plot->View();
    view->SetSelection(varimel::XSelection{9.5, 20.2}); // its ends move onto records 10 and 20
    ASSERT_TRUE(plot->Selection());
    EXPECT_EQ(plot->Selection()->From, 10.0);
    EXPECT_EQ(plot->Selection()->To, 20.0);
    view->SetPlayhead(30 * 960); // X 30
    const QImage picture = view->grab().toImage();
    const double ratio = picture.devicePixelRatio();
    const int middle = static_cast<int>(view->height() / 2 * ratio);
    const auto at = [&](double x) { return QColor(picture.pixel(static_cast<int>(std::floor(x) * ratio), middle)); };
    EXPECT_EQ(at(view->XPixel(30)), plot::kPlayhead);
    EXPECT_EQ(at(view->XPixel(10)), plot::kSelectionEdge);
    EXPECT_EQ(at(view->XPixel(20)), plot::kSelectionEdge);
    EXPECT_NE(at(view->XPixel(25)), plot::kPlayhead);
    view->SetPlayhead(-1);
    EXPECT_NE(QColor(view->grab().toImage().pixel(static_cast<int>(std::floor(view->XPixel(30)) * ratio), middle)),
              plot::kPlayhead);
}

// The playhead stands where the music is: tick 0 at the first X of every
// series, also when the first series starts later than a further one.
TEST_F(PlotWindow, PlayheadStartsWhereThePieceStarts)
{
    const struct {
        const char* what;
        const char* ini;
        const char* csv;
        int tick;
        double x;
    } rows[] = {
        {"one series", "", "5,1\n6,2\n7,3\n", 0, 5.0},
        {"one series, a quarter on", "", "5,1\n6,2\n7,3\n", 960, 6.0},
        {"first series later", "[Import]\nMoreYColumns=3\nMorePrograms=0\n", "0,,1\n1,,2\n2,3,3\n3,4,4\n", 0, 0.0},
        {"first series later, on", "[Import]\nMoreYColumns=3\nMorePrograms=0\n", "0,,1\n1,,2\n2,3,3\n3,4,4\n", 2 * 960,
         2.0},
    };
    for (const auto& r : rows) {
        TPlotWindow* plot = Open(r.ini, r.csv);
        // A part may be chosen with several series too, and the hint says so.
        EXPECT_EQ(plot->StatusLine()->text(),
                  QStringLiteral("ドラッグで範囲を選ぶと、その部分だけを試聴・保存します。"))
            << r.what;
        plot->View()->SetPlayhead(r.tick);
        ASSERT_TRUE(plot->View()->PlayheadX()) << r.what;
        EXPECT_DOUBLE_EQ(*plot->View()->PlayheadX(), r.x) << r.what;
        form.reset();
    }
}

// A part chosen in the plot is what the MIDI file holds: the whole piece's
// notes of those records, from tick 0.
TEST_F(PlotWindow, PartIsWhatIsSaved)
{
    TPlotWindow* plot = Open("[MappingParam]\nTempo=240\n[Playback]\nSoundFont=/usr/share/sounds/sf2/TimGM6mb.sf2\n"
                             "AudioDriver=file\n",
                             Numbers());
    const std::string whole = dir / "whole.mid", part = dir / "part.mid";
    std::string target = whole;
    seams::SetSaveFileChooser([&](QWidget*, const QString&) { return QString::fromStdString(target); });
    form->SaveSMFButtonClick();
    plot->View()->SetSelection(varimel::XSelection{10, 19});
    target = part;
    form->SaveSMFButtonClick();
    ASSERT_TRUE(boxes.shown.empty());
    const auto all = Keys(whole);
    const auto some = Keys(part);
    ASSERT_EQ(all.size(), 40u);
    ASSERT_EQ(some.size(), 10u);
    for (std::size_t i = 0; i < some.size(); ++i) {
        EXPECT_EQ(some[i].second, all[10 + i].second);
        EXPECT_EQ(some[i].first, all[10 + i].first - all[10].first);
    }
    EXPECT_EQ(some.front().first, 0u);

    // Its preview's playhead runs inside the part, where the whole piece has
    // those notes.
    form->PreviewButtonClick();
    ASSERT_TRUE(form->Playing()) << (boxes.shown.empty() ? "" : boxes.shown[0].details.toStdString());
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 400)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(plot->View()->PlayheadX());
    EXPECT_GE(*plot->View()->PlayheadX(), 10.0);
    EXPECT_LT(*plot->View()->PlayheadX(), 13.0);
    form->StopButtonClick();
}

// The picture goes out as the filter or the typed name says, at the window's
// size; a place that cannot be written says so.
TEST_F(PlotWindow, PictureAsPngOrSvg)
{
    TPlotWindow* plot = Open("", Numbers());
    plot->resize(640, 360);
    const struct {
        const char* filter;
        const char* typed;
        const char* written;
        bool svg;
    } rows[] = {
        {"PNG画像(*.png)", "a", "a.png", false},
        {"SVG画像(*.svg)", "b", "b.svg", true},
        {"PNG画像(*.png)", "c.svg", "c.svg", true},
        {"SVG画像(*.svg)", "d.png", "d.png", false},
    };
    for (const auto& r : rows) {
        seams::SetImageFileChooser([&](QWidget*, const QString&, QString& filter) {
            filter = QString::fromUtf8(r.filter);
            return QString::fromStdString(dir / r.typed);
        });
        plot->SaveImageClick();
        const std::string bytes = testutil::ReadFile(dir / r.written);
        if (r.svg) {
            EXPECT_NE(bytes.find("<svg"), std::string::npos) << r.written;
            EXPECT_NE(bytes.find("width=\"640"), std::string::npos) << r.written;
        } else {
            const QImage image(QString::fromStdString(dir / r.written), "PNG");
            EXPECT_EQ(image.size(), QSize(640, 360)) << r.written;
        }
    }
    EXPECT_TRUE(boxes.shown.empty());
    seams::SetImageFileChooser(
        [&](QWidget*, const QString&, QString&) { return QStringLiteral("/no/such/dir/p.png"); });
    plot->SaveImageClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "画像を保存できませんでした。");
    EXPECT_TRUE(boxes.shown[0].details.startsWith("/no/such/dir/p.png: "));
}

// The window's place is kept under [Plot] once it has been opened, and only
// then; values that make no window give the default size.
TEST_F(PlotWindow, PlaceIsKept)
{
    const struct {
        const char* stored;
        bool open;
        QSize size; // empty: no [Plot] written
    } rows[] = {
        {"", false, {}},
        {"", true, {900, 460}},
        {"[Plot]\nLeft=10\nTop=20\nWidth=700\nHeight=300\n", true, {700, 300}},
        {"[Plot]\nLeft=10\nTop=20\nWidth=5\nHeight=300\n", true, {900, 460}},
        {"[Plot]\nLeft=10\nTop=20\nWidth=20000\nHeight=300\n", true, {900, 460}},
        {"[Plot]\nLeft=10\nTop=20\nWidth=700\n", true, {900, 460}},
    };
    for (const auto& r : rows) {
        testutil::WriteFile(Ini(), r.stored);
        Start();
        if (r.open) {
            form->PlotClick();
            EXPECT_EQ(form->PlotWindow()->size(), r.size.isEmpty() ? QSize(900, 460) : r.size) << r.stored;
        }
        form->FormDestroy();
        const std::string ini = testutil::ReadFile(Ini());
        if (r.size.isEmpty())
            EXPECT_EQ(ini.find("[Plot]"), std::string::npos) << ini;
        else
            EXPECT_NE(ini.find("Width=" + std::to_string(r.size.width()) +
                               "\nHeight=" + std::to_string(r.size.height()) + "\n"),
                      std::string::npos)
                << ini;
        form.reset();
    }
}

// Data at the edges of what a plot can show is drawn, stepped through, zoomed
// and played over without a fault.
TEST_F(PlotWindow, OddDataIsDrawnSafely)
{
    const struct {
        const char* csv;
        const char* summary;
    } rows[] = {
        {"5,7\n", "1点、X 5〜5、Y 7〜7、音 C5〜C5"},
        {"1,2\n1,3\n1,4\n", "3点、X 1〜1、Y 2〜4"}, // an X increment of 0: no melody
        {"0,-1e300\n1,1e300\n2,0\n", "3点、X 0〜2、Y -1e+300〜1e+300"},
        {"0,1\n1e300,2\n", "2点、X 0〜1e+300、Y 1〜2"},
    };
    for (const auto& r : rows) {
        // The keys play parts: through the small SoundFont, into a file.
        TPlotWindow* plot = Open("[Playback]\nSoundFont=/usr/share/sounds/sf2/TimGM6mb.sf2\nAudioDriver=file\n", r.csv);
        TPlotView* view = plot->View();
        EXPECT_TRUE(Description(plot).startsWith(QString::fromUtf8(r.summary)))
            << r.csv << " -> " << Description(plot).toStdString();
        view->grab();
        for (const Qt::Key key : {Qt::Key_Right, Qt::Key_End, Qt::Key_Home})
            QTest::keyClick(view, key, Qt::ShiftModifier);
        QWheelEvent wheel(QPointF(200, 100), view->mapToGlobal(QPointF(200, 100)), {}, {0, 720}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        view->SetPlayhead(0);
        view->grab();
        form->FormDestroy();
        form.reset();
    }
}

// A part typed in the plot's two boxes, read as the data's X is read (dates
// in date mode); the main window says it is in force until Esc or 全体に戻す
// lets it go, also after the plot window is closed; a text that does not
// read is refused in the status line and changes nothing.
TEST_F(PlotWindow, PartTypedShownAndReleased)
{
    std::string csv;
    for (int d = 1; d <= 20; ++d)
        csv += "2024-01-" + std::string(d < 10 ? "0" : "") + std::to_string(d) + "," + std::to_string(d % 6) + "\n";
    TPlotWindow* plot = Open(kDates, csv);
    auto* from = plot->findChild<QLineEdit*>(QStringLiteral("PartFromBox"));
    auto* to = plot->findChild<QLineEdit*>(QStringLiteral("PartToBox"));
    auto* line = form->findChild<QLabel*>(QStringLiteral("PartLabel"));
    ASSERT_TRUE(from && to && line);
    EXPECT_FALSE(line->isVisible());
    const struct {
        const char* from;
        const char* to;
        const char* status; // the status line's start after Enter
        const char* part;   // the main window's line; empty: none
    } rows[] = {
        {"2024-01-05", "2024-01-09", "選択: X 2024-01-05 – 2024-01-09",
         "選択範囲: 2024-01-05 – 2024-01-09 (グラフで解除)"},
        {"", "2024-01-03", "選択: X 2024-01-01 – 2024-01-03", "選択範囲: 2024-01-01 – 2024-01-03 (グラフで解除)"},
        {"2024-01-10", "2024-01-02", "部分の始まりは終わり以前にして下さい。",
         "選択範囲: 2024-01-01 – 2024-01-03 (グラフで解除)"},
        {"5", "9", "部分は 2024-01-05 のような日付で入力して下さい。",
         "選択範囲: 2024-01-01 – 2024-01-03 (グラフで解除)"},
        {"", "", "", ""},
    };
    for (const auto& r : rows) {
        from->setText(QString::fromUtf8(r.from));
        to->setText(QString::fromUtf8(r.to));
        plot->ApplyTypedPart();
        if (*r.status) {
            EXPECT_TRUE(plot->StatusLine()->text().startsWith(QString::fromUtf8(r.status)))
                << r.from << " " << plot->StatusLine()->text().toStdString();
        }
        EXPECT_EQ(line->isVisibleTo(form.get()), *r.part != '\0') << r.from;
        if (*r.part) {
            EXPECT_EQ(line->text(), QString::fromUtf8(r.part)) << r.from;
        }
    }
    // Closed, the plot's part stays with the line; Esc in the main window
    // lets it go, and so does 全体に戻す.
    from->setText(QStringLiteral("2024-01-02"));
    to->setText(QStringLiteral("2024-01-04"));
    plot->ApplyTypedPart();
    plot->close();
    EXPECT_TRUE(line->isVisibleTo(form.get()));
    EXPECT_TRUE(form->findChild<QAction*>(QStringLiteral("WholeAction"))->isEnabled());
    // The save and export dialogs name the part they write.
    seams::SetSaveFileChooser([](QWidget*, const QString&) { return QString(); });
    seams::SetAudioFileChooser([](QWidget*, const QString&, QString&) { return QString(); });
    const auto titles = [this] {
        form->SaveSMFButtonClick();
        QString both = seams::LastChooserTitle() + QStringLiteral(" | ");
        form->AudioExportClick();
        return (both + seams::LastChooserTitle()).toStdString();
    };
    EXPECT_EQ(titles(), "選択範囲 2024-01-02 – 2024-01-04 をスタンダードMIDIファイルへ保存 | "
                        "選択範囲 2024-01-02 – 2024-01-04 をオーディオファイルへ書き出す");
    form->show();
    QApplication::setActiveWindow(form.get());
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(line->isVisibleTo(form.get()));
    EXPECT_FALSE(form->findChild<QAction*>(QStringLiteral("WholeAction"))->isEnabled());
    EXPECT_TRUE(from->text().isEmpty()) << "the boxes follow the part";
    from->setText(QStringLiteral("2024-01-02"));
    plot->ApplyTypedPart();
    EXPECT_TRUE(line->isVisibleTo(form.get()));
    form->findChild<QAction*>(QStringLiteral("WholeAction"))->trigger();
    EXPECT_FALSE(line->isVisibleTo(form.get()));
    EXPECT_EQ(titles(), " | ") << "the whole piece: the toolkit's own titles";
}

// The main window's commands work from the plot window; its own Ctrl+S
// still saves the picture.
TEST_F(PlotWindow, MainWindowShortcutsWorkHere)
{
    TPlotWindow* plot = Open("", Numbers());
    plot->show();
    QApplication::setActiveWindow(plot);
    QString title;
    seams::SetDialogRunner([&](QDialog& d) {
        title = d.windowTitle();
        return int(QDialog::Rejected);
    });
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
        const char* title;
    } rows[] = {
        {Qt::Key_I, Qt::ControlModifier, "読み込み設定"},
        {Qt::Key_M, Qt::ControlModifier, "マッピング詳細"},
    };
    for (const auto& r : rows) {
        title.clear();
        QTest::keyClick(plot, static_cast<Qt::Key>(r.key), r.mods);
        EXPECT_EQ(title, QString::fromUtf8(r.title));
    }
    bool image = false;
    seams::SetImageFileChooser([&](QWidget*, const QString&, QString&) {
        image = true;
        return QString();
    });
    QTest::keyClick(plot, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(image);
}

// Series with their own ranges get a lane each, with their own axis and the
// bands they are heard in; one shared range puts them on one axis.
TEST_F(PlotWindow, SeriesInLanesOrOnOneAxis)
{
    std::string csv = "x,small,large\n";
    for (int i = 0; i < 30; ++i)
        csv += std::to_string(i) + "," + std::to_string(i % 7) + "," + std::to_string(100 + 20 * i) + "\n";
    const struct {
        const char* ini;
        std::size_t lanes;
        double laneTwoLow, laneTwoHigh; // the second series' range in its lane
    } rows[] = {
        {"[Import]\nMoreYColumns=3\nMorePrograms=0\n", 2, 100, 680},
        {"[Import]\nMoreYColumns=3\nMorePrograms=0\nSharedRange=1\n", 1, 0, 680},
    };
    for (const auto& r : rows) {
        TPlotWindow* plot = Open(r.ini, csv);
        ASSERT_NE(plot, nullptr);
        const plot::Scene& scene = plot->View()->Drawn();
        ASSERT_EQ(scene.Lanes.size(), r.lanes) << r.ini;
        const plot::SceneLane& lane = scene.Lanes.back();
        ASSERT_TRUE(lane.Bands) << r.ini;
        const std::vector<varimel::NoteBand>& bands = lane.Bands->Bands();
        EXPECT_DOUBLE_EQ(bands.front().Low, r.laneTwoLow) << r.ini;
        EXPECT_DOUBLE_EQ(bands.back().High, r.laneTwoHigh) << r.ini;
        // The view holds the lane's values with a little room.
        EXPECT_LT(lane.Y0, r.laneTwoLow) << r.ini;
        EXPECT_GT(lane.Y1, r.laneTwoHigh) << r.ini;
        EXPECT_LT(lane.Y1, r.laneTwoHigh * 1.1) << r.ini;
        // Every series' melody is drawn, each in its lane.
        std::size_t melodies = 0;
        for (const plot::SceneLane& l : scene.Lanes)
            for (const plot::SceneLine& line : l.Lines)
                melodies += line.Notes && line.Notes->size() == 30;
        EXPECT_EQ(melodies, 2u) << r.ini;
        plot->close();
        form.reset();
    }
}

// 音の目印: what the dialog chooses sounds in the file in tracks of their own
// and is drawn in the plot; a choice the data cannot take is refused by
// name; the choice is kept in [Cues] and comes back.
TEST_F(PlotWindow, CuesFromTheirDialog)
{
    std::string csv;
    for (int d = 1; d <= 20; ++d)
        csv += "2024-01-" + std::string(d < 10 ? "0" : "") + std::to_string(d) + "," + std::to_string(d % 6) + "\n";
    TPlotWindow* plot = Open(kDates, csv);
    ASSERT_NE(plot, nullptr);
    // Refusals: the field's own, then what the data cannot take.
    const struct {
        int tick;
        const char* step;
        const char* ref;
        const char* refusal;
    } refused[] = {
        {1, "0", "", "目盛りの間隔は0より大きい数で入力して下さい。"},
        {1, "x", "", "目盛りの間隔は0より大きい数で入力して下さい。"},
        {0, "", "1,a", "基準音の値は数で入力して下さい（複数はカンマ区切り）。"},
        {0, "", "9", "基準音の値 9 は対応付けの範囲 0〜5 の外です。"},
        {1, "0.01", "", "目盛りが1901個で、500個を超えます。間隔を0.05以上にして下さい。"},
    };
    for (const auto& r : refused) {
        boxes.shown.clear();
        seams::SetDialogRunner([&](QDialog& d) {
            d.findChild<QComboBox*>(QStringLiteral("TickBox"))->setCurrentIndex(r.tick);
            d.findChild<QLineEdit*>(QStringLiteral("TickStepField"))->setText(QString::fromUtf8(r.step));
            d.findChild<QLineEdit*>(QStringLiteral("RefField"))->setText(QString::fromUtf8(r.ref));
            d.accept();
            return d.result();
        });
        form->CueClick();
        ASSERT_EQ(boxes.shown.size(), 1u) << r.refusal;
        EXPECT_EQ(boxes.shown[0].text, QString::fromUtf8(r.refusal));
        EXPECT_FALSE(form->Cues().Any()) << r.refusal;
    }
    // Weekly ticks, a reference at 3 and a crossing value, told before OK.
    QString summary;
    seams::SetDialogRunner([&](QDialog& d) {
        d.findChild<QComboBox*>(QStringLiteral("TickBox"))->setCurrentIndex(3);
        d.findChild<QLineEdit*>(QStringLiteral("RefField"))->setText(QStringLiteral("3"));
        d.findChild<QLineEdit*>(QStringLiteral("MarkField"))->setText(QStringLiteral("2.5"));
        summary = d.findChild<QLabel*>(QStringLiteral("CueSummary"))->text();
        d.accept();
        return d.result();
    });
    form->CueClick();
    EXPECT_EQ(summary, "目盛り 3個 (週ごと)、基準音 E5 (Y=3)、交差 6回");
    const plot::Scene& scene = plot->View()->Drawn();
    std::vector<double> ticks;
    for (const auto& [x, major] : scene.Ticks)
        ticks.push_back(x);
    EXPECT_EQ(ticks, (std::vector<double>{19723, 19730, 19737})) << "Mondays from 2024-01-01";
    EXPECT_EQ(scene.RefY, std::vector<double>{3});
    EXPECT_EQ(scene.MarkY, std::optional<double>(2.5));
    // Saved: the notes, then the cues' tracks by their names.
    seams::SetSaveFileChooser([&](QWidget*, const QString&) { return QString::fromStdString(dir / "cues.mid"); });
    form->SaveSMFButtonClick();
    const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "cues.mid"));
    std::vector<std::string> names;
    for (const auto& track : f.tracks)
        for (const smftest::Event& e : track)
            if (e.bytes[0] == 0xFF && e.bytes[1] == 0x03)
                names.emplace_back(e.bytes.begin() + 3, e.bytes.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Varimel", "Melody", "目盛り", "基準音", "目印"}));
    // Kept and brought back.
    plot->close();
    form->close();
    const std::string ini = testutil::ReadFile(Ini());
    EXPECT_NE(ini.find("[Cues]\nTickStep=week\n"), std::string::npos) << ini;
    const varimel::CueRequest kept = form->Cues();
    form.reset();
    Start();
    EXPECT_EQ(form->Cues(), kept);
}

// The listening keys with real key events: jumps to the extremes (again for
// the next), a tenth of the points in view, the speed in steps, a summary.
TEST_F(PlotWindow, ListeningKeys)
{
    // Twenty days: the highest (9) on the 4th and the 15th, the lowest (0)
    // on the 1st, rising overall.
    std::string csv;
    const int ys[] = {0, 2, 5, 9, 3, 4, 4, 5, 6, 5, 6, 7, 7, 8, 9, 8, 7, 8, 8, 7};
    for (int d = 1; d <= 20; ++d)
        csv += "2024-01-" + std::string(d < 10 ? "0" : "") + std::to_string(d) + "," + std::to_string(ys[d - 1]) + "\n";
    // The keys sound notes and play parts: through the small SoundFont.
    TPlotWindow* plot =
        Open(std::string(kDates) + "[Playback]\nSoundFont=/usr/share/sounds/sf2/TimGM6mb.sf2\nAudioDriver=file\n", csv);
    plot->show();
    TPlotView* view = plot->View();
    view->setFocus();
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
        int cursor;       // -1: unchanged
        const char* said; // the description's start; empty: a point's
        double speed;
    } rows[] = {
        {Qt::Key_BracketRight, Qt::NoModifier, 3, "", 1.0},
        {Qt::Key_BracketRight, Qt::NoModifier, 14, "", 1.0},
        {Qt::Key_BracketRight, Qt::NoModifier, 3, "", 1.0},
        {Qt::Key_BracketLeft, Qt::NoModifier, 0, "", 1.0},
        {Qt::Key_Right, Qt::ControlModifier, 2, "", 1.0},
        {Qt::Key_Left, Qt::ControlModifier, 0, "", 1.0},
        {Qt::Key_E, Qt::NoModifier, -1, "速さ ×1.5", 1.5},
        {Qt::Key_E, Qt::NoModifier, -1, "速さ ×2", 2.0},
        {Qt::Key_Q, Qt::NoModifier, -1, "速さ ×1.5", 1.5},
        {Qt::Key_Down, Qt::ControlModifier, -1, "速さ ×1", 1.0},
        {Qt::Key_Down, Qt::ControlModifier, -1, "速さ ×0.75", 0.75},
        {Qt::Key_Space, Qt::NoModifier, 0, "", 0.75},
        {Qt::Key_S, Qt::NoModifier, -1,
         "20点、最小 0 (1月1日)、最大 9 (1月4日)、平均 5.9、全体として上昇、長さ 0:", 0.75},
    };
    for (const auto& r : rows) {
        QTest::keyClick(view, static_cast<Qt::Key>(r.key), r.mods);
        if (r.cursor >= 0) {
            EXPECT_EQ(view->Cursor(), r.cursor) << r.key;
        }
        const QString said = view->accessibleDescription();
        if (*r.said) {
            EXPECT_TRUE(said.startsWith(QString::fromUtf8(r.said))) << said.toStdString();
            EXPECT_EQ(plot->StatusLine()->text(), said);
        } else {
            EXPECT_TRUE(said.startsWith(QStringLiteral("X 2024-01-"))) << said.toStdString();
        }
        EXPECT_EQ(form->Speed(), r.speed) << r.key;
    }
    // The same from the plot's menu, each entry naming its key, in English
    // too.
    const auto choose = [view](const char* action, Qt::KeyboardModifiers mods, Qt::Key key) {
        QString seen;
        QTimer::singleShot(0, view, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_TRUE(menu);
            auto* entry = menu->findChild<QAction*>(QString::fromLatin1(action));
            ASSERT_TRUE(entry);
            seen = entry->text();
            entry->trigger();
            menu->close();
        });
        QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
        return seen.endsWith(QLatin1Char('\t') + QKeySequence(mods | key).toString(QKeySequence::NativeText))
                   ? seen.section(QLatin1Char('\t'), 0, 0)
                   : QStringLiteral("(wrong key) ") + seen;
    };
    EXPECT_EQ(choose("HighestAction", Qt::NoModifier, Qt::Key_BracketRight), QStringLiteral("最大値へ"));
    EXPECT_EQ(view->Cursor(), 3);
    EXPECT_EQ(choose("TenthOnAction", Qt::ControlModifier, Qt::Key_Right), QStringLiteral("10分の1進む"));
    EXPECT_EQ(view->Cursor(), 5);
    form->SetWindowLanguage(varimel::Language::English);
    EXPECT_EQ(choose("FasterAction", Qt::NoModifier, Qt::Key_E), QStringLiteral("Faster"));
    EXPECT_EQ(form->Speed(), 1.0);
    EXPECT_EQ(choose("LowestAction", Qt::NoModifier, Qt::Key_BracketLeft), QStringLiteral("To the lowest"));
    EXPECT_EQ(view->Cursor(), 0);
    EXPECT_EQ(choose("SlowerAction", Qt::NoModifier, Qt::Key_Q), QStringLiteral("Slower"));
    EXPECT_EQ(form->Speed(), 0.75);
    form->SetWindowLanguage(varimel::Language::Japanese);
    // The speed is kept for the next run.
    plot->close();
    form->close();
    EXPECT_NE(testutil::ReadFile(Ini()).find("Speed=0.75"), std::string::npos);
}

// PageDown and PageUp move the cursor to the next series with values (one
// missing a value at the cursor's X gets its nearest point), told by name;
// the summary follows that series.
TEST_F(PlotWindow, CursorFollowsAnotherSeries)
{
    const std::string csv = "x,temp,rain\n0,1,0\n1,2,5\n2,3,\n3,4,9\n4,5,1\n";
    TPlotWindow* plot = Open("[Import]\nMoreYColumns=3\nMorePrograms=73\n", csv);
    plot->show();
    TPlotView* view = plot->View();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_End);
    QTest::keyClick(view, Qt::Key_Left);
    QTest::keyClick(view, Qt::Key_Left);
    ASSERT_EQ(view->Cursor(), 2);
    const struct {
        int key;
        std::size_t series;
        int cursor;
        const char* said;
    } rows[] = {
        {Qt::Key_PageDown, 1, 1, "rain: X 1, Y 5, "}, // no value at X 2: the nearer earlier point
        {Qt::Key_PageDown, 1, 1, "rain: X 1, Y 5, "}, // no series beyond
        {Qt::Key_PageUp, 0, 1, "temp: X 1, Y 2, "},
        {Qt::Key_Right, 0, 2, "X 2, Y 3, "},
        {Qt::Key_Space, 0, 2, "temp: X 2, Y 3, C5 / rain: 値なし"},
        {Qt::Key_Right, 0, 3, "X 3, Y 4, "},
        {Qt::Key_Space, 0, 3, "temp: X 3, Y 4, G5 / rain: Y 9, C6"},
        {Qt::Key_PageDown, 1, 2, "rain: X 3, Y 9, "},
        {Qt::Key_Space, 1, 2, "rain: X 3, Y 9, C6 / temp: Y 4, G5"},
        {Qt::Key_Left, 1, 1, "X 1, Y 5, "},
        {Qt::Key_Right, 1, 2, "X 3, Y 9, "},
        {Qt::Key_S, 1, 2, "rain: 4点、最小 0 (X 0)、最大 9 (X 3)"},
        {Qt::Key_PageUp, 0, 3, "temp: X 3, Y 4, "},
    };
    for (const auto& r : rows) {
        QTest::keyClick(view, static_cast<Qt::Key>(r.key));
        EXPECT_EQ(view->Followed(), r.series) << r.said;
        EXPECT_EQ(view->Cursor(), r.cursor) << r.said;
        EXPECT_TRUE(view->accessibleDescription().startsWith(QString::fromUtf8(r.said)))
            << view->accessibleDescription().toStdString();
    }
}

// Every shape keeps note bands, drawn where its notes come from: upside
// down the lowest band plays the highest note.
TEST_F(PlotWindow, BandsFollowTheShape)
{
    const struct {
        const char* shape;
        const char* lowest;
        bool limits; // the range's ends drawn
        bool log;
    } rows[] = {
        {"RestBelow=2\n", "C4", false, false},
        {"VelocityColumn=2\n", "C4", false, false},
        {"DurationColumn=2\n", "C4", false, false},
        {"Invert=1\n", "C6", false, false},
        {"Clip=5\n", "C4", true, false},
        {"LogY=1\n", "C4", false, true},
        {"FixedRange=1\nRangeLow=0\nRangeHigh=10\nInvert=1\n", "C6", true, false},
        {"FixedRange=1\nRangeLow=0\nRangeHigh=5\n", "C4", true, false},
    };
    for (const auto& r : rows) {
        TPlotWindow* plot = Open(std::string("[Shape]\n") + r.shape, Numbers());
        plot->show();
        plot->View()->grab();
        ASSERT_FALSE(plot->View()->BandLabels().isEmpty()) << r.shape;
        EXPECT_EQ(plot->View()->BandLabels().front(), r.lowest) << r.shape;
        EXPECT_EQ(plot->View()->Drawn().Lanes.front().Limits, r.limits) << r.shape;
        EXPECT_EQ(plot->View()->Drawn().LogY, r.log) << r.shape;
        // The highest value (6, at X 6) beyond a fixed range of 0..5 is said so.
        if (std::string(r.shape).find("RangeHigh=5") != std::string::npos) {
            QTest::keyClick(plot->View(), Qt::Key_Right);
            QTest::keyClick(plot->View(), Qt::Key_Home);
            for (int k = 0; k < 6; ++k)
                QTest::keyClick(plot->View(), Qt::Key_Right);
            EXPECT_TRUE(plot->View()->accessibleDescription().endsWith(QStringLiteral("範囲より上")))
                << plot->View()->accessibleDescription().toStdString();
        }
        plot->close();
        form.reset();
    }
}
