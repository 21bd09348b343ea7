// SPDX-License-Identifier: MIT
// The window's MIDI output with a real JACK server: the dialog lists the
// server's ports, the choice is kept in the settings file, previews go to
// the port and stop there, and a port that is missing at start or goes
// away mid-play is said beside the controls, never in a box.
#include "Outputdialog.h"

#include "GuiTestMain.h"
#include "JackUtil.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace testjack;
using namespace std::chrono_literals;

namespace {

class OutputWindow : public WindowTest {
protected:
    static void SetUpTestSuite() { problem_ = StartServer(server_); }
    static void TearDownTestSuite() { StopServer(server_); }
    void SetUp() override
    {
        WindowTest::SetUp();
        if (!problem_.empty())
            GTEST_SKIP() << problem_;
    }
    std::string Ini() const { return dir / "config/Korvath/Varimel/Varimel.ini"; }
    void Load(int rows)
    {
        std::string csv;
        for (int i = 0; i < rows; ++i)
            csv += std::to_string(i) + "," + std::to_string((i * 3) % 7) + "\n";
        testutil::WriteFile(dir / "d.csv", csv);
        form->OpenFile(QString::fromStdString(dir / "d.csv"));
    }
    std::string OutputLine() const
    {
        const auto* label = form->findChild<QLabel*>(QStringLiteral("OutputLabel"));
        return label && !label->isHidden() ? label->text().toStdString() : std::string();
    }
    static bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < end) {
            QApplication::processEvents();
            std::this_thread::sleep_for(5ms);
        }
        return done();
    }
    static int NoteOns(const Receiver& r)
    {
        int n = 0;
        for (const Got& g : r.Messages())
            n += (g.bytes[0] & 0xF0) == 0x90 && g.bytes[2] > 0;
        return n;
    }
    static pid_t server_;
    static std::string problem_;
};
pid_t OutputWindow::server_ = 0;
std::string OutputWindow::problem_;

} // namespace

// The dialog lists the built-in synthesizer, Varimel's own JACK port and the
// server's MIDI inputs, finds a new one on 更新, and the choice made is used
// and kept for the next start.
TEST_F(OutputWindow, ChosenFromTheServersPortsAndKept)
{
    Receiver receiver;
    Start();
    EXPECT_EQ(OutputLine(), "") << "nothing said with the built-in synthesizer";
    std::unique_ptr<Receiver> other;
    QStringList listed, refreshed;
    seams::SetDialogRunner([&](QDialog& d) {
        auto* list = d.findChild<QListWidget*>(QStringLiteral("OutputList"));
        for (int i = 0; i < list->count(); ++i)
            listed << list->item(i)->text();
        other = std::make_unique<Receiver>("other");
        d.findChild<QPushButton*>(QStringLiteral("RefreshButton"))->click();
        for (int i = 0; i < list->count(); ++i) {
            refreshed << list->item(i)->text();
            if (list->item(i)->text() == QStringLiteral("JACK: receiver:in"))
                list->setCurrentRow(i);
        }
        return static_cast<int>(QDialog::Accepted);
    });
    form->findChild<QAction*>(QStringLiteral("OutputAction"))->trigger();
    EXPECT_EQ(listed.mid(0, 1), QStringList{QStringLiteral("内蔵シンセサイザー")});
    EXPECT_TRUE(listed.contains(QStringLiteral("Varimel のポート (JACK、他のプログラムから接続)")))
        << listed.join('|').toStdString();
    EXPECT_TRUE(listed.contains(QStringLiteral("JACK: receiver:in")));
    EXPECT_FALSE(listed.contains(QStringLiteral("JACK: other:in")));
    EXPECT_TRUE(refreshed.contains(QStringLiteral("JACK: other:in")));
    EXPECT_EQ(OutputLine(), "MIDI出力先: JACK: receiver:in");

    // 試聴 goes to the port: every note, then the end of play.
    Load(6);
    Get<QPushButton>("PreviewButton")->click();
    ASSERT_TRUE(WaitUntil([&] { return !form->Playing(); }, 10s));
    EXPECT_EQ(NoteOns(receiver), 6);
    form->close();
    form.reset();
    EXPECT_NE(testutil::ReadFile(Ini()).find("[Playback]\nOutput=jack:receiver:in\n"), std::string::npos)
        << testutil::ReadFile(Ini());

    // Kept: the next start sends there again; 再生停止 silences the port.
    Start();
    EXPECT_EQ(OutputLine(), "MIDI出力先: JACK: receiver:in");
    Load(200);
    const int before = NoteOns(receiver);
    Get<QPushButton>("PreviewButton")->click();
    ASSERT_TRUE(WaitUntil([&] { return NoteOns(receiver) > before; }, 5s));
    EXPECT_TRUE(WaitUntil([&] { return form->PlayheadTick() > 0; }, 1s)) << "the playhead follows the port";
    Get<QPushButton>("StopButton")->click();
    ASSERT_TRUE(WaitUntil([&] { return !form->Playing(); }, 2s));
    // The silence's last message may reach the receiver a cycle later.
    WaitUntil(
        [&] {
            const std::vector<Got> got = receiver.Messages();
            return !got.empty() && got.back().bytes[0] == 0xBF && got.back().bytes[1] == 123;
        },
        2s);
    std::this_thread::sleep_for(30ms);
    const std::vector<Got> got = receiver.Messages();
    EXPECT_EQ(std::vector<int>(got.back().bytes, got.back().bytes + 3), (std::vector<int>{0xBF, 123, 0}));
    EXPECT_TRUE(boxes.shown.empty());
}

// A port missing at start: the built-in synthesizer for this run, said
// beside the controls in the window's language, the choice still kept.
TEST_F(OutputWindow, MissingPortFallsBack)
{
    testutil::WriteFile(Ini(), "[Playback]\nOutput=jack:gone:in\n");
    Start();
    EXPECT_EQ(OutputLine(), "MIDI出力先「JACK: gone:in」が見つからないため、内蔵シンセサイザーで試聴します。");
    form->SetWindowLanguage(varimel::Language::English);
    QApplication::processEvents();
    EXPECT_EQ(OutputLine(), "The MIDI output “JACK: gone:in” was not found; previews use the built-in synthesizer.");
    EXPECT_TRUE(boxes.shown.empty());
    form->close();
    form.reset();
    EXPECT_NE(testutil::ReadFile(Ini()).find("Output=jack:gone:in"), std::string::npos);
    // A value of no known form names no port: nothing said, the built-in
    // synthesizer.
    testutil::WriteFile(Ini(), "[Playback]\nOutput=midi-through\n");
    Start();
    EXPECT_EQ(OutputLine(), "");
}

// The receiver going away mid-play ends the preview with a line that says
// so, and the next preview goes to the built-in synthesizer's road again
// only when chosen.
TEST_F(OutputWindow, VanishedPortStopsThePreview)
{
    auto receiver = std::make_unique<Receiver>();
    testutil::WriteFile(Ini(), "[Playback]\nOutput=jack:receiver:in\n");
    Start();
    Load(200);
    Get<QPushButton>("PreviewButton")->click();
    ASSERT_TRUE(WaitUntil([&] { return NoteOns(*receiver) > 0; }, 5s));
    receiver.reset();
    ASSERT_TRUE(WaitUntil([&] { return !form->Playing(); }, 3s));
    EXPECT_EQ(OutputLine(), "MIDI出力先「JACK: receiver:in」との接続が切れたため、試聴を止めました。");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(Get<QPushButton>("PreviewButton")->isEnabled());
}

// Varimel's own port is there as soon as it is the output, before any
// preview, for a synthesizer to connect to; what it plays reaches whoever
// connected.
TEST_F(OutputWindow, OwnPortOfferedFromTheStart)
{
    testutil::WriteFile(Ini(), "[Playback]\nOutput=jack\n");
    Start();
    EXPECT_EQ(OutputLine(), "MIDI出力先: Varimel のポート (JACK、他のプログラムから接続)");
    Receiver receiver;
    jack_client_t* client = jack_client_open("connector", JackNoStartServer, nullptr);
    ASSERT_NE(client, nullptr);
    ASSERT_NE(jack_port_by_name(client, "Varimel:Varimel"), nullptr) << "no port before the first preview";
    ASSERT_EQ(jack_connect(client, "Varimel:Varimel", "receiver:in"), 0);
    jack_client_close(client);
    Load(4);
    Get<QPushButton>("PreviewButton")->click();
    ASSERT_TRUE(WaitUntil([&] { return !form->Playing(); }, 10s));
    EXPECT_EQ(NoteOns(receiver), 4);
}
