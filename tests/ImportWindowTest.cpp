// SPDX-License-Identifier: MIT
// The window's import options and report: the context menu, both dialogs,
// the reload, the warning's details and the [Import] keys.
#include "Importdialog.h"
#include "Main.h"
#include "Plotwindow.h"
#include "Reportdialog.h"
#include "Shapedialog.h"
#include "music/Shape.h"

#include "GuiTestMain.h"
#include "SmfReader.h"
#include "TestUtil.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ImportWindow : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        Start();
    }
    QString Label(const char* name) const { return form->findChild<QLabel*>(QString::fromLatin1(name))->text(); }
    QString Write(const std::string& name, const std::string& bytes) const
    {
        testutil::WriteFile(dir / name, bytes);
        return QString::fromStdString(dir / name);
    }
};

} // namespace

TEST_F(ImportWindow, ContextMenuAndShortcuts)
{
    QMenu* menu = form->ContextMenu();
    ASSERT_NE(menu, nullptr);
    QList<QAction*> actions;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            actions << a;
    const struct {
        const char* text;
        const char* keys;
    } entries[] = {{"読み込み設定...", "Ctrl+I"}, {"読み込みレポート...", "Ctrl+R"},
                   {"グラフ...", "Ctrl+G"},       {"マッピング詳細...", "Ctrl+M"},
                   {"音の目印...", "Ctrl+K"},     {"オーディオファイルへ書き出す...", "Ctrl+Shift+E"},
                   {"MIDI出力先...", ""},         {"全体に戻す", ""},
                   {"Language / 言語", ""}};
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(std::size(entries)));
    for (qsizetype i = 0; i < actions.size(); ++i) {
        EXPECT_EQ(actions[i]->text(), QString::fromUtf8(entries[i].text));
        EXPECT_EQ(actions[i]->shortcut(), QKeySequence(QString::fromLatin1(entries[i].keys)));
    }
    EXPECT_TRUE(form->actions().contains(actions[0])) << "the shortcut works anywhere in the window";

    // The right button on the window opens it; the layout does not change.
    const QRect before = form->geometry();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(300, 400), form->mapToGlobal(QPoint(300, 400)));
    QApplication::sendEvent(form.get(), &event);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    EXPECT_EQ(form->geometry(), before);
    // Shift+F10 on a button opens it too; an edit box keeps its own menu.
    form->show();
    QApplication::setActiveWindow(form.get());
    auto* button = form->findChild<QWidget*>(QStringLiteral("PreviewButton"));
    button->setFocus();
    QTest::keyClick(button, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    auto* edit = form->findChild<QWidget*>(QStringLiteral("DurationBox"));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_FALSE(menu->isVisible());
    for (QWidget* popup = QApplication::activePopupWidget(); popup; popup = QApplication::activePopupWidget())
        popup->close();
    // Ctrl+S saves the MIDI file, as its button does.
    bool asked = false;
    seams::SetSaveFileChooser([&](QWidget*, const QString&) {
        asked = true;
        return QString();
    });
    const std::size_t shown = boxes.shown.size();
    QTest::keyClick(edit, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(asked || boxes.shown.size() > shown) << "the save ran (or said why it could not)";

    // Ctrl+I runs the import dialog.
    QString title;
    seams::SetDialogRunner([&](QDialog& d) {
        title = d.windowTitle();
        return int(QDialog::Rejected);
    });
    actions[0]->trigger();
    EXPECT_EQ(title, QStringLiteral("読み込み設定"));
}

TEST_F(ImportWindow, OptionsReloadTheFileAndPersist)
{
    const QString path = Write("jma.csv", "stamp\n\ndate,t,q\n2024/1/5,12.3,8\n2024/1/6,10.1,8\n2024/1/8,9,8\n");
    form->OpenFile(path);
    EXPECT_EQ(Label("NumRecordLabel"), QStringLiteral("レコード数 = 0")) << "dates are not numbers";
    boxes.shown.clear();

    // In the dialog: X as a date, Y from column 2; the preview follows.
    seams::SetDialogRunner([&](QDialog& d) {
        d.findChild<QCheckBox*>(QStringLiteral("XDateBox"))->setChecked(true);
        d.findChild<QSpinBox*>(QStringLiteral("YColumnBox"))->setValue(2);
        auto* preview = d.findChild<QTableWidget*>(QStringLiteral("PreviewTable"));
        EXPECT_EQ(preview->rowCount(), 6);
        EXPECT_EQ(preview->item(3, 0)->text(), QStringLiteral("有効"));
        EXPECT_EQ(preview->item(1, 0)->text(), QStringLiteral("空行"));
        EXPECT_EQ(preview->item(2, 0)->text(), QStringLiteral("Xが日付ではありません"));
        EXPECT_EQ(preview->horizontalHeaderItem(1)->text(), QStringLiteral("1 (X)"));
        EXPECT_EQ(preview->horizontalHeaderItem(2)->text(), QStringLiteral("2 (Y)"));
        return int(QDialog::Accepted);
    });
    form->ImportSettingsClick();
    EXPECT_TRUE(form->ImportOptionsInUse().XDate);
    EXPECT_EQ(Label("NumRecordLabel"), QStringLiteral("レコード数 = 3"));
    EXPECT_EQ(Label("XmaxLabel"), QStringLiteral("  2024-01-08"));
    EXPECT_EQ(Label("XminLabel"), QStringLiteral("  2024-01-05"));
    EXPECT_EQ(form->findChild<QLineEdit*>(QStringLiteral("DxPQNBox"))->text(), QStringLiteral("1.5     "));

    // The warning keeps its text and gains the skipped lines as details.
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("不正なデータを検出したため、読み飛ばされました。"));
    EXPECT_EQ(boxes.shown[0].owner, form.get());
    EXPECT_EQ(boxes.shown[0].details, QStringLiteral("行 1: 列が足りません: stamp\n行 2: 空行: \n"
                                                     "行 3: Xが日付ではありません: date,t,q\n"
                                                     "すべての行は「読み込みレポート」(Ctrl+R)で確認できます。"));

    // Remembered across runs; the defaults button brings the plain reading back.
    form.reset();
    const std::string ini = testutil::ReadFile(dir / "config/Korvath/Varimel/Varimel.ini");
    EXPECT_NE(ini.find("[Import]\nXColumn=1\nYColumn=2\nXDate=1\nDecimalComma=0\n"), std::string::npos) << ini;
    form = std::make_unique<TMainForm>();
    EXPECT_TRUE(form->ImportOptionsInUse().XDate);
    seams::SetDialogRunner([&](QDialog& d) {
        d.findChild<QPushButton*>(QStringLiteral("DefaultsButton"))->click();
        EXPECT_FALSE(d.findChild<QCheckBox*>(QStringLiteral("XDateBox"))->isChecked());
        return int(QDialog::Accepted);
    });
    form->ImportSettingsClick();
    EXPECT_TRUE(form->ImportOptionsInUse().IsDefault());
}

TEST_F(ImportWindow, LineNumbersAndDecimalCommaFromTheDialog)
{
    form->OpenFile(Write("eu.csv", "1,5;2,25\n2,5;3\n1 234,5;4\n"));
    seams::SetDialogRunner([&](QDialog& d) {
        d.findChild<QCheckBox*>(QStringLiteral("DecimalCommaBox"))->setChecked(true);
        // The preview splits as the decimal comma reads: a grouped number is one cell.
        auto* preview = d.findChild<QTableWidget*>(QStringLiteral("PreviewTable"));
        const char* const cells[][2] = {{"1,5", "2,25"}, {"2,5", "3"}, {"1 234,5", "4"}};
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ(preview->item(row, 0)->text(), QStringLiteral("有効")) << row;
            for (int column = 0; column < 2; ++column)
                EXPECT_EQ(preview->item(row, column + 1)->text(), QString::fromUtf8(cells[row][column])) << row;
        }
        return int(QDialog::Accepted);
    });
    form->ImportSettingsClick();
    EXPECT_EQ(Label("NumRecordLabel"), QStringLiteral("レコード数 = 3"));
    EXPECT_EQ(Label("XmaxLabel"), QStringLiteral("      1234.5"));
    seams::SetDialogRunner([&](QDialog& d) {
        d.findChild<QCheckBox*>(QStringLiteral("DecimalCommaBox"))->setChecked(false);
        d.findChild<QCheckBox*>(QStringLiteral("XDateBox"))->setChecked(true);
        d.findChild<QCheckBox*>(QStringLiteral("XLineBox"))->setChecked(true);
        EXPECT_FALSE(d.findChild<QSpinBox*>(QStringLiteral("XColumnBox"))->isEnabled());
        EXPECT_FALSE(d.findChild<QCheckBox*>(QStringLiteral("XDateBox"))->isEnabled()) << "a line number is no date";
        d.findChild<QSpinBox*>(QStringLiteral("YColumnBox"))->setValue(1);
        return int(QDialog::Accepted);
    });
    form->OpenFile(Write("series.csv", "5\n7\n\n6\n"));
    form->ImportSettingsClick();
    EXPECT_EQ(form->ImportOptionsInUse().XColumn, 0);
    EXPECT_FALSE(form->ImportOptionsInUse().XDate);
    EXPECT_EQ(Label("NumRecordLabel"), QStringLiteral("レコード数 = 3"));
    EXPECT_EQ(Label("XmaxLabel"), QStringLiteral("           4")) << "the fourth line";

    // Commas alone: a date with blanks stays one cell; comma with the
    // decimal comma is refused by name.
    form->OpenFile(Write("blanks.csv", "Jan,1\n2024-01-05 12:00 , 3\n"));
    seams::SetDialogRunner([&](QDialog& d) {
        d.findChild<QCheckBox*>(QStringLiteral("XLineBox"))->setChecked(false);
        d.findChild<QCheckBox*>(QStringLiteral("XDateBox"))->setChecked(true);
        d.findChild<QSpinBox*>(QStringLiteral("YColumnBox"))->setValue(2);
        d.findChild<QComboBox*>(QStringLiteral("SeparatorBox"))->setCurrentIndex(1);
        auto* preview = d.findChild<QTableWidget*>(QStringLiteral("PreviewTable"));
        EXPECT_EQ(preview->item(1, 1)->text(), QStringLiteral("2024-01-05 12:00"));
        EXPECT_EQ(preview->item(1, 0)->text(), QStringLiteral("有効"));
        d.findChild<QCheckBox*>(QStringLiteral("DecimalCommaBox"))->setChecked(true);
        QMetaObject::invokeMethod(&d, "accept");
        EXPECT_EQ(boxes.shown.back().text, QStringLiteral("小数点にカンマを使うときは、区切りにカンマを選べません。"));
        d.findChild<QCheckBox*>(QStringLiteral("DecimalCommaBox"))->setChecked(false);
        return int(QDialog::Accepted);
    });
    form->ImportSettingsClick();
    EXPECT_EQ(form->ImportOptionsInUse().Separator, varimel::FieldSeparator::Comma);
    EXPECT_EQ(Label("NumRecordLabel"), QStringLiteral("レコード数 = 1"));
}

// A file the reading makes nothing of: after the warning, a reading that
// works is offered; taken, the dialog opens with it and its preview, and OK
// reads the file so. Declined, nothing more happens.
TEST_F(ImportWindow, AReadingThatWorksIsOffered)
{
    const QString path = Write("weather.csv", "日付,平均気温(℃),降水量(mm)\n2024-01-01,2.5,0.0\n"
                                              "2024-01-02,5.3,0.0\n2024-01-03,5.4,1.5\n");
    boxes.answer = false;
    form->OpenFile(path);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("不正なデータを検出したため、読み飛ばされました。"));
    EXPECT_EQ(boxes.asked, std::vector<QString>{QStringLiteral("1列目は日付のようです。読み込み設定を開きますか？")});
    EXPECT_EQ(Label("NumRecordLabel"), QStringLiteral("レコード数 = 0"));

    boxes.answer = true;
    bool opened = false;
    seams::SetDialogRunner([&](QDialog& d) {
        opened = true;
        EXPECT_TRUE(d.findChild<QCheckBox*>(QStringLiteral("XDateBox"))->isChecked());
        auto* preview = d.findChild<QTableWidget*>(QStringLiteral("PreviewTable"));
        EXPECT_EQ(preview->item(1, 0)->text(), QStringLiteral("有効"));
        return int(QDialog::Accepted);
    });
    form->OpenFile(path);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(form->ImportOptionsInUse().XDate);
    EXPECT_EQ(Label("NumRecordLabel"), QStringLiteral("レコード数 = 3"));
    EXPECT_EQ(boxes.asked.size(), 2u) << "the reading that works asks nothing more";
}

// Rows of several stocks one after another: the offered reading makes each
// stock a series (the dialog naming the columns by their header), and a
// filter keeps one stock, its other rows left out without a warning.
TEST_F(ImportWindow, StocksBecomeSeriesFromTheOfferedReading)
{
    const QString path = Write("stocks.csv", "symbol,date,price\nMSFT,Jan 3 2000,58.28\nIBM,Jan 3 2000,116\n"
                                             "AAPL,Jan 3 2000,3.9\nMSFT,Jan 4 2000,56.31\nIBM,Jan 4 2000,112.06\n"
                                             "AAPL,Jan 4 2000,3.6\nMSFT,Jan 5 2000,56.7\n");
    boxes.answer = true;
    seams::SetDialogRunner([&](QDialog& d) {
        EXPECT_TRUE(d.findChild<QCheckBox*>(QStringLiteral("SplitBox"))->isChecked());
        EXPECT_EQ(d.findChild<QSpinBox*>(QStringLiteral("SplitColumnBox"))->text(), QStringLiteral("1: symbol"));
        EXPECT_EQ(d.findChild<QSpinBox*>(QStringLiteral("YColumnBox"))->text(), QStringLiteral("3: price"));
        auto* preview = d.findChild<QTableWidget*>(QStringLiteral("PreviewTable"));
        EXPECT_EQ(preview->horizontalHeaderItem(1)->text(), QStringLiteral("1 (グループ)"));
        return int(QDialog::Accepted);
    });
    form->OpenFile(path);
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0],
              QStringLiteral("2列目は日付のようです。1列目の値ごとに系列にできます。読み込み設定を開きますか？"));
    EXPECT_EQ(form->ImportOptionsInUse().SplitBy, 1);
    ASSERT_EQ(form->MoreSeries().size(), 2u);
    EXPECT_EQ(form->DataList()->Count(), 3) << "MSFT";
    EXPECT_EQ(form->MoreSeries()[1].Count(), 2) << "AAPL";

    // One stock alone: its rows, and no warning for the others.
    seams::SetDialogRunner([&](QDialog& d) {
        d.findChild<QCheckBox*>(QStringLiteral("SplitBox"))->setChecked(false);
        d.findChild<QCheckBox*>(QStringLiteral("WhereBox"))->setChecked(true);
        d.findChild<QSpinBox*>(QStringLiteral("WhereColumnBox"))->setValue(1);
        d.findChild<QLineEdit*>(QStringLiteral("WhereValueBox"))->setText(QStringLiteral("IBM"));
        auto* preview = d.findChild<QTableWidget*>(QStringLiteral("PreviewTable"));
        EXPECT_EQ(preview->item(1, 0)->text(), QStringLiteral("絞り込みで除外"));
        EXPECT_EQ(preview->item(2, 0)->text(), QStringLiteral("有効"));
        return int(QDialog::Accepted);
    });
    const std::size_t shown = boxes.shown.size();
    form->ImportSettingsClick();
    EXPECT_EQ(boxes.shown.size(), shown);
    EXPECT_TRUE(form->MoreSeries().empty());
    EXPECT_EQ(Label("NumRecordLabel"), QStringLiteral("レコード数 = 2"));
}

// Read again for a shape that takes another column, the file keeps the
// plot's view and does not repeat the warning it gave; opened again, or with
// lines skipped for other reasons, it warns again. The column box names the
// header's columns.
TEST_F(ImportWindow, ReadAgainWithoutRepeatingItself)
{
    std::string csv = "x,y,volume\n";
    for (int i = 0; i < 40; ++i)
        csv += std::to_string(i) + "," + std::to_string(i % 7) + "," + std::to_string(i % 5) + "\n";
    const QString path = Write("v.csv", csv);
    form->OpenFile(path);
    ASSERT_EQ(boxes.shown.size(), 1u) << "the header is skipped";
    form->PlotClick();
    ASSERT_NE(form->PlotWindow(), nullptr);
    form->PlotWindow()->View()->SetViewRange(10, 20);
    const auto view = form->PlotWindow()->View()->ViewRange();
    const auto velocityFrom = [&](int choice) {
        seams::SetDialogRunner([choice](QDialog& d) {
            d.findChild<QComboBox*>(QStringLiteral("VelocityFromBox"))->setCurrentIndex(choice);
            auto* column = d.findChild<QSpinBox*>(QStringLiteral("VelocityColumnBox"));
            column->setValue(3);
            EXPECT_EQ(column->text(), QStringLiteral("3: volume"));
            return int(QDialog::Accepted);
        });
        form->ShapeClick();
    };
    velocityFrom(1);
    EXPECT_EQ(form->Shape().VelocityColumn, 3);
    EXPECT_EQ(boxes.shown.size(), 1u) << "the same skipped line: not told twice";
    EXPECT_EQ(form->PlotWindow()->View()->ViewRange(), view);
    velocityFrom(0);
    EXPECT_EQ(boxes.shown.size(), 1u);
    // Rests need no other column: nothing is read again; a list that does
    // not read is refused by the dialog.
    bool refused = false;
    seams::SetDialogRunner([&](QDialog& d) {
        auto* rests = d.findChild<QLineEdit*>(QStringLiteral("RestBelowBox"));
        rests->setText(QStringLiteral("1,x"));
        d.accept();
        refused = d.result() != QDialog::Accepted && boxes.shown.size() == 2;
        rests->setText(QStringLiteral("1"));
        return int(QDialog::Accepted);
    });
    form->ShapeClick();
    EXPECT_TRUE(refused);
    EXPECT_EQ(form->Shape().RestBelow, std::vector<double>{1.0});
    EXPECT_EQ(boxes.shown.size(), 2u);
    form->OpenFile(path);
    EXPECT_EQ(boxes.shown.size(), 3u) << "opened again: told again";
    form->PlotWindow()->close();
}

TEST_F(ImportWindow, ReportListsEveryLine)
{
    std::string bytes = "x,y\n";
    for (int i = 0; i < 500; ++i)
        bytes += i % 2 ? std::to_string(i) + ",1\n" : "bad\n";
    form->OpenFile(Write("many.csv", bytes));
    ASSERT_EQ(form->SkippedLinesOfLoad().Count(), 251u);
    bool checked = false;
    seams::SetDialogRunner([&](QDialog& d) {
        auto* table = d.findChild<QTableView*>(QStringLiteral("ReportTable"));
        EXPECT_EQ(table->model()->rowCount(), 251);
        EXPECT_EQ(table->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("理由"));
        EXPECT_EQ(table->model()->index(1, 0).data().toString(), QStringLiteral("2"));
        EXPECT_EQ(table->model()->index(1, 1).data().toString(), QStringLiteral("列が足りません"));
        EXPECT_EQ(table->model()->index(1, 2).data().toString(), QStringLiteral("bad"));
        EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("ReportCountsLabel"))->text(),
                  QStringLiteral("有効なレコード: 250　読み飛ばした行: 251"));
        EXPECT_TRUE(
            d.findChild<QLabel*>(QStringLiteral("ReportFileLabel"))->text().endsWith(QStringLiteral("many.csv")));
        d.findChild<QPushButton*>(QStringLiteral("CopyButton"))->click();
        const QString copied = QApplication::clipboard()->text();
        EXPECT_TRUE(copied.startsWith(
            QStringLiteral("行\t理由\t内容\n1\tXが数値ではありません\tx,y\n2\t列が足りません\tbad\n")));
        seams::SetReportFileChooser([&](QWidget*) { return QString::fromStdString(dir / "report.tsv"); });
        d.findChild<QPushButton*>(QStringLiteral("SaveButton"))->click();
        checked = true;
        return int(QDialog::Rejected);
    });
    form->ImportReportClick();
    EXPECT_TRUE(checked);
    const std::string saved = testutil::ReadFile(dir / "report.tsv");
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 252);
}

// Further columns from the dialog: each a track with its instrument in the
// saved file, both heard in the preview, the report naming what a series
// misses, the columns kept in [Import]; a column twice is refused.
TEST_F(ImportWindow, SeveralSeriesFromTheDialog)
{
    testutil::WriteFile(dir / "config/Korvath/Varimel/Varimel.ini",
                        "[Playback]\nSoundFont=/usr/share/sounds/sf2/TimGM6mb.sf2\nAudioDriver=file\n");
    form = std::make_unique<TMainForm>();
    std::string csv = "x,low,high\n";
    for (int i = 0; i < 8; ++i)
        csv += std::to_string(i) + "," + (i == 3 ? "" : std::to_string(i % 2)) + "," +
               std::to_string(10 + (i + 1) % 2) + "\n";
    form->OpenFile(Write("two.csv", csv));
    boxes.shown.clear();

    bool refused = false;
    seams::SetDialogRunner([&](QDialog& d) {
        auto& dialog = static_cast<TImportDialog&>(d);
        dialog.AddSeries(2, 5); // column 2 is already Y
        d.accept();
        refused = d.result() != QDialog::Accepted && boxes.shown.size() == 1;
        boxes.shown.clear();
        dialog.findChild<QPushButton*>(QStringLiteral("RemoveSeriesButton"))->click();
        dialog.AddSeries(3, 73);
        EXPECT_EQ(d.findChild<QTableWidget*>(QStringLiteral("PreviewTable"))->horizontalHeaderItem(3)->text(),
                  QStringLiteral("3 (Y2)"));
        return int(QDialog::Accepted);
    });
    form->ImportSettingsClick();
    EXPECT_TRUE(refused) << "a column twice is refused with a message";
    EXPECT_EQ(form->ImportOptionsInUse().MoreYColumns, std::vector<int>{3});
    EXPECT_EQ(form->MorePrograms(), std::vector<int>{73});
    ASSERT_EQ(form->MoreSeries().size(), 1u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].details.contains(QStringLiteral("行 5: 2列目: Yが数値ではありません")))
        << boxes.shown[0].details.toStdString();

    // Saved: the conductor and one track per series, named by the headers.
    seams::SetSaveFileChooser([&](QWidget*, const QString&) { return QString::fromStdString(dir / "two.mid"); });
    form->SaveSMFButtonClick();
    const smftest::File f = smftest::Parse(smftest::ReadBytes(dir / "two.mid"));
    ASSERT_EQ(f.tracks.size(), 3u);
    const auto name = [&](std::size_t t) {
        for (const smftest::Event& e : f.tracks[t])
            if (e.bytes[0] == 0xFF && e.bytes[1] == 0x03)
                return std::string(e.bytes.begin() + 3, e.bytes.end());
        return std::string();
    };
    EXPECT_EQ(name(1), "low");
    EXPECT_EQ(name(2), "high");

    // A part chosen in the plot holds both series' notes there.
    form->PlotClick();
    form->PlotWindow()->View()->SetSelection(varimel::XSelection{2, 5});
    seams::SetSaveFileChooser([&](QWidget*, const QString&) { return QString::fromStdString(dir / "part.mid"); });
    form->SaveSMFButtonClick();
    const smftest::File p = smftest::Parse(smftest::ReadBytes(dir / "part.mid"));
    ASSERT_EQ(p.tracks.size(), 3u);
    const auto notes = [&](std::size_t t) {
        return std::count_if(p.tracks[t].begin(), p.tracks[t].end(),
                             [](const smftest::Event& e) { return (e.bytes[0] & 0xF0) == 0x90; });
    };
    EXPECT_EQ(notes(1), 3) << "X 2, 4 and 5: the low series has no value at 3";
    EXPECT_EQ(notes(2), 4);
    // Its preview's playhead runs inside the part.
    form->PreviewButtonClick();
    ASSERT_TRUE(form->Playing());
    QElapsedTimer partTimer;
    partTimer.start();
    while (partTimer.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(form->PlotWindow()->View()->PlayheadX());
    EXPECT_GE(*form->PlotWindow()->View()->PlayheadX(), 2.0);
    form->StopButtonClick();
    while (form->Playing() && partTimer.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    form->PlotWindow()->View()->SetSelection(std::nullopt);

    // The report lists the missing value with its column.
    seams::SetDialogRunner([&](QDialog& d) {
        auto* table = d.findChild<QTableView*>(QStringLiteral("ReportTable"));
        EXPECT_EQ(table->model()->columnCount(), 4);
        EXPECT_EQ(table->model()->rowCount(), 2);
        EXPECT_EQ(table->model()->index(1, 0).data().toString(), QStringLiteral("5"));
        EXPECT_EQ(table->model()->index(1, 3).data().toString(), QStringLiteral("2"));
        return int(QDialog::Rejected);
    });
    form->ImportReportClick();

    // The preview sounds keys of both series at once.
    form->PreviewButtonClick();
    ASSERT_TRUE(form->Playing());
    std::size_t most = 0;
    QElapsedTimer timer;
    timer.start();
    while (form->Playing() && timer.elapsed() < 1500) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        most = std::max(most, form->SoundingKeys().size());
    }
    form->StopButtonClick();
    EXPECT_EQ(most, 2u);

    // Kept for the next run.
    form.reset();
    const std::string ini = testutil::ReadFile(dir / "config/Korvath/Varimel/Varimel.ini");
    EXPECT_NE(ini.find("MoreYColumns=3\nMorePrograms=73\n"), std::string::npos) << ini;
    form = std::make_unique<TMainForm>();
    EXPECT_EQ(form->ImportOptionsInUse().MoreYColumns, std::vector<int>{3});

    // A stored list the program cannot use is told, not dropped in silence.
    form.reset();
    testutil::WriteFile(dir / "config/Korvath/Varimel/Varimel.ini", "[Import]\nMoreYColumns=3,3\nMorePrograms=1,2\n");
    boxes.shown.clear();
    form = std::make_unique<TMainForm>();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("設定ファイルの追加のY列（MoreYColumns）は使えない値のため、使いません。"));
    EXPECT_TRUE(form->ImportOptionsInUse().MoreYColumns.empty());
}

// Each series' rest value from the dialog: one value for every series is
// kept as one, none as none, anything but a number refused by name; the
// dialog shows them again as kept.
TEST_F(ImportWindow, RestsFromTheDialog)
{
    form = std::make_unique<TMainForm>();
    form->OpenFile(Write("r.csv", "x,a,b\n0,0,1\n1,2,0\n2,3,4\n"));
    boxes.shown.clear();
    const struct {
        const char* first;
        const char* second;
        const char* kept; // as the settings file writes it; "!": refused
    } rows[] = {
        {"", "", ""},          {"0", "0", "0"},  {"", " 0 ", "-,0"}, {"0", "-", "0,-"},
        {"0.5", "1", "0.5,1"}, {"abc", "", "!"}, {"", "0,1", "!"},
    };
    for (const auto& r : rows) {
        bool accepted = false;
        QString shownFirst, shownSecond;
        seams::SetDialogRunner([&](QDialog& d) {
            auto& dialog = static_cast<TImportDialog&>(d);
            auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("MoreSeriesTable"));
            while (table->rowCount() > 0)
                dialog.findChild<QPushButton*>(QStringLiteral("RemoveSeriesButton"))->click();
            dialog.AddSeries(3, 0, QString::fromUtf8(r.second));
            dialog.findChild<QLineEdit*>(QStringLiteral("RestBelowField"))->setText(QString::fromUtf8(r.first));
            d.accept();
            accepted = d.result() == QDialog::Accepted;
            return accepted ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        const std::vector<double> before = form->Shape().RestBelow;
        boxes.shown.clear();
        form->ImportSettingsClick();
        if (std::string(r.kept) == "!") {
            EXPECT_FALSE(accepted) << r.first << "|" << r.second;
            ASSERT_EQ(boxes.shown.size(), 1u) << r.first << "|" << r.second;
            EXPECT_EQ(boxes.shown[0].text, QStringLiteral("休符の値は数で入力して下さい（空欄で休符なし）。"));
            EXPECT_EQ(form->Shape().RestBelow, before);
            continue;
        }
        EXPECT_TRUE(accepted) << r.first << "|" << r.second;
        EXPECT_EQ(varimel::RestBelowText(form->Shape().RestBelow), r.kept) << r.first << "|" << r.second;
        // Opened again, the boxes show what is kept.
        seams::SetDialogRunner([&](QDialog& d) {
            shownFirst = d.findChild<QLineEdit*>(QStringLiteral("RestBelowField"))->text();
            auto* table = d.findChild<QTableWidget*>(QStringLiteral("MoreSeriesTable"));
            shownSecond = table->rowCount() ? static_cast<QLineEdit*>(table->cellWidget(0, 2))->text() : QString();
            return int(QDialog::Rejected);
        });
        form->ImportSettingsClick();
        EXPECT_EQ(shownFirst + "|" + shownSecond, QString::fromUtf8(r.first).trimmed().remove('-') + "|" +
                                                      QString::fromUtf8(r.second).trimmed().remove('-'))
            << r.first << "|" << r.second;
    }
}

// The mapping's shape from its dialog: a refusal names the field, the preview
// tells what the data gives, the save follows the choice, the settings keep it.
TEST_F(ImportWindow, ShapeFromItsDialog)
{
    form->OpenFile(Write("rise.csv", "0,0\n1,1\n2,2\n3,3\n4,100\n"));
    boxes.shown.clear();
    seams::SetSaveFileChooser([&](QWidget*, const QString&) { return QString::fromStdString(dir / "s.mid"); });
    const auto keys = [&] {
        form->SaveSMFButtonClick();
        std::vector<int> out;
        const smftest::File file = smftest::Parse(smftest::ReadBytes(dir / "s.mid"));
        for (const smftest::Event& e : file.tracks.at(1))
            if ((e.bytes[0] & 0xF0) == 0x90)
                out.push_back(e.bytes[1]);
        return out;
    };
    EXPECT_EQ(keys(), (std::vector<int>{60, 60, 60, 60, 84}));

    QString preview;
    seams::SetDialogRunner([&](QDialog& d) {
        auto& dialog = static_cast<TShapeDialog&>(d);
        d.findChild<QComboBox*>(QStringLiteral("RangeBox"))->setCurrentIndex(1);
        d.findChild<QLineEdit*>(QStringLiteral("RangeLowBox"))->setText(QStringLiteral("5"));
        d.findChild<QLineEdit*>(QStringLiteral("RangeHighBox"))->setText(QStringLiteral("5"));
        d.accept();
        EXPECT_NE(d.result(), QDialog::Accepted);
        d.findChild<QLineEdit*>(QStringLiteral("RangeLowBox"))->setText(QStringLiteral("0"));
        d.findChild<QLineEdit*>(QStringLiteral("RangeHighBox"))->setText(QStringLiteral("4"));
        d.findChild<QComboBox*>(QStringLiteral("DirectionBox"))->setCurrentIndex(1);
        preview = dialog.PreviewText();
        return int(QDialog::Accepted);
    });
    form->ShapeClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("範囲の最小は最大より小さくして下さい。"));
    // 0..4 inverted: 0 -> C6, 1 -> 15/4 = 3.75 -> 3 -> 11 G5, 2 -> 7 -> 7 C5,
    // 3 -> 11.25 -> 11 -> 3 F4, 100 beyond the range -> C4.
    EXPECT_EQ(preview, QStringLiteral("C4〜C6, 5 音, うち端の音 1"));
    EXPECT_EQ(keys(), (std::vector<int>{84, 79, 72, 65, 60}));
    EXPECT_EQ(form->Shape().Invert, true);

    form.reset();
    const std::string ini = testutil::ReadFile(dir / "config/Korvath/Varimel/Varimel.ini");
    EXPECT_NE(ini.find("[Shape]\nInvert=1\nLogY=0\nClip=0\nFixedRange=1\nRangeLow=0\nRangeHigh=4\n"), std::string::npos)
        << ini;
    form = std::make_unique<TMainForm>();
    EXPECT_TRUE(form->Shape().FixedRange);
    EXPECT_EQ(form->Shape().RangeHigh, 4.0);
}
