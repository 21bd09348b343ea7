// SPDX-License-Identifier: MIT
// The window in both languages: every text switches at once, nothing else
// does, and the choice is kept.
#include "Translations.h"
#include "GuiTestMain.h"
#include "Reportdialog.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

using varimel::Language;

namespace {

class Languages : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        Start();
    }
    // Chooses a language in the context menu, as a user does.
    void Choose(const char* action)
    {
        Get<QAction>(action)->trigger();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(); // the plot window's layout
    }
    // Every text the window shows or tells a screen reader, by object.
    QStringList Texts() const
    {
        QStringList all;
        for (const QObject* o : form->findChildren<QObject*>()) {
            QStringList t;
            if (const auto* w = qobject_cast<const QWidget*>(o)) {
                t << w->property("text").toString() << w->toolTip() << w->accessibleName()
                  << w->accessibleDescription();
                if (const auto* g = qobject_cast<const QGroupBox*>(w))
                    t << g->title();
                if (const auto* c = qobject_cast<const QComboBox*>(w))
                    for (int i = 0; i < c->count(); ++i)
                        t << c->itemText(i);
            } else if (const auto* a = qobject_cast<const QAction*>(o)) {
                t << a->text() << QString::number(a->isChecked());
            }
            all << o->objectName() + QLatin1Char('=') + t.join(QLatin1Char('|'));
        }
        return all;
    }
};

bool HasJapanese(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x3000; });
}

// Every text of a dialog: captions, names, hints, list entries, table
// headers and cells.
QStringList DialogTexts(const QWidget& dialog)
{
    QStringList all{dialog.windowTitle()};
    for (const QWidget* w : dialog.findChildren<QWidget*>()) {
        all << w->property("text").toString() << w->toolTip() << w->accessibleName() << w->accessibleDescription();
        if (const auto* c = qobject_cast<const QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                all << c->itemText(i);
        if (const auto* v = qobject_cast<const QAbstractItemView*>(w); v && v->model()) {
            const QAbstractItemModel* m = v->model();
            for (int c = 0; c < m->columnCount(); ++c) {
                all << m->headerData(c, Qt::Horizontal).toString();
                for (int r = 0; r < std::min(m->rowCount(), 5); ++r)
                    all << m->index(r, c).data().toString();
            }
        }
    }
    return all;
}

} // namespace

// Switching to English changes every text; back to Japanese restores every
// one byte for byte; the positions and sizes never change.
TEST_F(Languages, EveryTextSwitchesAndComesBack)
{
    form->ReadCsvFile(QString::fromStdString(dir / "none.csv")); // no data: the texts of no data
    boxes.shown.clear();
    testutil::WriteFile(dir / "d.csv", "0,1\n1,5\nx,2\n2,3\n");
    ASSERT_TRUE(form->ReadCsvFile(QString::fromStdString(dir / "d.csv")));
    Get<QAction>("PlotAction")->trigger(); // the plot window follows too
    const QStringList japanese = Texts();
    QStringList places;
    for (const QWidget* w : form->findChildren<QWidget*>())
        places << w->objectName() +
                      QStringLiteral(" %1,%2 %3x%4").arg(w->x()).arg(w->y()).arg(w->width()).arg(w->height());

    Choose("EnglishAction");
    EXPECT_EQ(CurrentLanguage(), Language::English);
    // A table of both languages, as a user reads them.
    const struct {
        const char* name;
        const char* japanese;
        const char* english;
    } captions[] = {
        {"LoadDataButton", "CSVファイル読込...(&I)", "&Import CSV File..."},
        {"PreviewButton", "試聴(&P)", "&Preview"},
        {"StopButton", "再生停止(&S)", "&Stop"},
        {"SaveSMFButton", "スタンダードMIDIファイルへ保存...(&E)", "Sav&e MIDI File..."},
        {"Label9", "4分音符あたりのXの増分", "X per quarter note"},
        {"Label8", "主音", "Root"},
        {"Label12", "音色", "Voice"},
        {"NumRecordLabel", "レコード数 = 3", "Records = 3"},
        {"XIntervalLabel", "Xの平均間隔 = 1", "Mean X step = 1"},
        {"CsvFileNameLabel", "データファイル: d.csv", "Data file: d.csv"},
    };
    for (const auto& c : captions)
        EXPECT_EQ(Get<QWidget>(c.name)->property("text").toString().trimmed(), QString::fromUtf8(c.english)) << c.name;
    EXPECT_EQ(Get<QGroupBox>("GroupBox2")->title(), "Scale Mapping");
    EXPECT_EQ(Get<QComboBox>("ScaleBox")->itemText(5), "Dorian mode");
    EXPECT_EQ(Get<QWidget>("DxPQNBox")->accessibleName(), "X per quarter note");
    EXPECT_EQ(Get<QWidget>("KeyboardImage")->accessibleDescription().left(15), "Notes allowed: ");
    EXPECT_EQ(Get<QAction>("PlotAction")->text(), "Plot...");
    EXPECT_EQ(Get<QWidget>("PlotWindow")->windowTitle(), "Plot - d.csv");
    EXPECT_EQ(Get<QPushButton>("ShowAllButton")->text(), "Show All");
    // Nothing Japanese is left but the language menu's own names.
    for (const QString& t : Texts())
        if (!t.startsWith(QLatin1String("LanguageMenu=")) && !t.startsWith(QLatin1String("JapaneseAction=")) &&
            !t.startsWith(QLatin1String("LanguageAction="))) {
            EXPECT_FALSE(HasJapanese(t)) << t.toStdString();
        }
    // Boxes and their titles speak English too, and so does the toolkit.
    Get<QPushButton>("PreviewButton")->setEnabled(true);
    form->ReadCsvFile(QString::fromStdString(dir / "none.csv"));
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back().text, "Could not read the CSV file.");
    EXPECT_EQ(MessageTitle(MessageKind::Warning), "Warning");
    QMessageBox box(QMessageBox::Warning, MessageTitle(MessageKind::Warning), QStringLiteral("text"));
    box.setDetailedText(QStringLiteral("details"));
    QStringList buttons;
    for (const QPushButton* b : box.findChildren<QPushButton*>())
        buttons << b->text();
    EXPECT_TRUE(buttons.contains(QStringLiteral("Show Details..."))) << buttons.join(' ').toStdString();

    Choose("JapaneseAction");
    const QStringList back = Texts();
    for (qsizetype i = 0; i < std::min(back.size(), japanese.size()); ++i)
        EXPECT_EQ(back[i].toStdString(), japanese[i].toStdString());
    EXPECT_EQ(back.size(), japanese.size());
    for (const auto& c : captions)
        EXPECT_EQ(Get<QWidget>(c.name)->property("text").toString().trimmed(), QString::fromUtf8(c.japanese)) << c.name;
    QStringList after;
    for (const QWidget* w : form->findChildren<QWidget*>())
        after << w->objectName() +
                     QStringLiteral(" %1,%2 %3x%4").arg(w->x()).arg(w->y()).arg(w->width()).arg(w->height());
    for (qsizetype i = 0; i < std::min(after.size(), places.size()); ++i)
        EXPECT_EQ(after[i].toStdString(), places[i].toStdString());
}

// The choice is kept in [Window] and read back; a window that never chose
// keeps its settings file without it, and an unknown value means Japanese.
TEST_F(Languages, ChoiceIsKept)
{
    const std::string ini = dir / "config/Korvath/Varimel/Varimel.ini";
    form.reset();
    EXPECT_EQ(testutil::ReadFile(ini).find("[Window]"), std::string::npos);
    Start();
    Choose("EnglishAction");
    form.reset();
    EXPECT_NE(testutil::ReadFile(ini).find("[Window]\nLanguage=en\n"), std::string::npos);
    Start();
    EXPECT_EQ(CurrentLanguage(), Language::English);
    EXPECT_TRUE(Get<QAction>("EnglishAction")->isChecked());
    EXPECT_EQ(Get<QPushButton>("StopButton")->text(), "&Stop");
    form.reset();
    // A run in another language leaves the kept choice alone.
    form = std::make_unique<TMainForm>(nullptr, Language::Japanese);
    EXPECT_EQ(Get<QPushButton>("StopButton")->text(), QStringLiteral("再生停止(&S)"));
    form.reset();
    EXPECT_NE(testutil::ReadFile(ini).find("Language=en"), std::string::npos);
    // Japanese chosen again is kept as such, not left as English.
    Start();
    Choose("JapaneseAction");
    form.reset();
    EXPECT_NE(testutil::ReadFile(ini).find("[Window]\nLanguage=ja\n"), std::string::npos);
    for (const char* value : {"xx", "EN", ""}) {
        testutil::WriteFile(ini, std::string("[Window]\nLanguage=") + value + "\n");
        Start();
        EXPECT_EQ(CurrentLanguage(), Language::Japanese) << value;
        form.reset();
    }
}

// The data, the mapping's settings and the report follow the language
// without being touched.
TEST_F(Languages, DataAndSettingsStay)
{
    testutil::WriteFile(dir / "d.csv", "0,1\n1,5\nbad\n2,3\n");
    ASSERT_TRUE(form->ReadCsvFile(QString::fromStdString(dir / "d.csv")));
    Get<QComboBox>("ScaleBox")->setCurrentIndex(3);
    Get<QLineEdit>("DurationBox")->setText(QStringLiteral("0.5"));
    Choose("EnglishAction");
    EXPECT_EQ(Get<QComboBox>("ScaleBox")->currentIndex(), 3);
    EXPECT_EQ(Get<QLineEdit>("DurationBox")->text(), "0.5");
    EXPECT_EQ(Get<QLabel>("YmaxLabel")->text().trimmed(), "5");
    QString title, reason;
    seams::SetDialogRunner([&](QDialog& d) {
        title = d.windowTitle();
        auto* table = d.findChild<QAbstractItemView*>(QStringLiteral("ReportTable"));
        reason = table->model()->index(0, 1).data().toString();
        return int(QDialog::Rejected);
    });
    Get<QAction>("ImportReportAction")->trigger();
    EXPECT_EQ(title, "Import Report");
    EXPECT_EQ(reason, "Too few columns");

    // Every dialog speaks English through and through.
    QStringList texts;
    seams::SetDialogRunner([&](QDialog& d) {
        texts = DialogTexts(d);
        return int(QDialog::Rejected);
    });
    for (const char* action : {"ImportSettingsAction", "ImportReportAction", "ShapeAction"}) {
        texts.clear();
        Get<QAction>(action)->trigger();
        ASSERT_FALSE(texts.isEmpty()) << action;
        for (const QString& t : texts)
            EXPECT_FALSE(HasJapanese(t)) << action << ": " << t.toStdString();
    }
}
