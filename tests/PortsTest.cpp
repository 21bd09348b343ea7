// SPDX-License-Identifier: MIT
// The piece sent to a MIDI port, received by another JACK client in this
// process: a real JACK server with its dummy backend (no sound card), started
// for the tests. Tests of the ALSA sequencer are skipped, with the reason,
// where the machine has none.
#include "Jacksender.h"
#include "Portlist.h"
#include "Portplayer.h"
#include "music/Filebuild.h"

#include "JackUtil.h"
#include "SmfReader.h"
#include "TestUtil.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace varimel;
using namespace std::chrono_literals;

namespace {

using namespace testjack;

// The tests of the port road, each with a JACK server of its own.
class JackServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { problem_ = StartServer(server_); }
    static void TearDownTestSuite() { StopServer(server_); }
    void SetUp() override
    {
        if (!problem_.empty())
            GTEST_SKIP() << problem_;
    }

    // A piece of `notes` notes, `perQuarter` to a quarter at 240 bpm.
    static std::string Piece(const testutil::TempDir& dir, int notes, double perQuarter)
    {
        TXYDataList data;
        for (int i = 0; i < notes; ++i)
            data.Add({static_cast<double>(i), static_cast<double>((i * 37) % 23)});
        ScaleNoteSet set;
        const std::string path = dir / "piece.mid";
        EXPECT_TRUE(WriteMappedSmf(set, &data, path, 1, 0, 60, 84, perQuarter, 240, 96, 0.875, 4, 2, true, 0));
        return path;
    }

    static bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(5ms);
        return done();
    }

    static pid_t server_;
    static std::string problem_;
};
pid_t JackServer::server_ = 0;
std::string JackServer::problem_;

std::shared_ptr<const SmfTimeline> TimelineOf(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = smftest::ReadBytes(path);
    std::optional<SmfTimeline> line =
        ReadSmfTimeline(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return line ? std::make_shared<const SmfTimeline>(std::move(*line)) : nullptr;
}

} // namespace

// Every event of the file, read by the test suite's own reader, arrives in
// order at the frame its time falls on: at ×1 exactly its frame after the
// start, at a whole speed s the frame divided by s.
TEST_F(JackServer, EveryEventAtItsFrame)
{
    const struct {
        int notes;
        double perQuarter;
        double speed;
    } rows[] = {{100, 16, 1.0}, {1000, 64, 4.0}, {300, 32, 3.0}};
    for (const auto& r : rows) {
        testutil::TempDir dir;
        const std::string path = Piece(dir, r.notes, r.perQuarter);
        Receiver receiver;
        ASSERT_TRUE(receiver.Ok());
        std::string why;
        std::unique_ptr<JackSender> sender = JackSender::Open("receiver:in", why);
        ASSERT_TRUE(sender) << why;
        ASSERT_TRUE(sender->Start(TimelineOf(path), r.speed, why)) << why;
        ASSERT_TRUE(WaitUntil([&] { return sender->Done(); }, 20s)) << r.notes;
        EXPECT_TRUE(sender->Lost().empty());
        // The file's channel messages in time, from the independent reader.
        const smftest::File file = smftest::Parse(smftest::ReadBytes(path));
        std::vector<smftest::Event> expected;
        for (const auto& track : file.tracks)
            for (const smftest::Event& e : track)
                if (e.bytes[0] >= 0x80 && e.bytes[0] < 0xF0)
                    expected.push_back(e);
        std::stable_sort(expected.begin(), expected.end(),
                         [](const smftest::Event& a, const smftest::Event& b) { return a.tick < b.tick; });
        // The last cycle's messages reach the receiver after the sender is
        // done, later still on a busy machine or under the sanitizers; a
        // little more time then shows any message too many.
        WaitUntil([&] { return receiver.Messages().size() >= expected.size(); }, 2s);
        std::this_thread::sleep_for(20ms);
        const std::vector<Got> got = receiver.Messages();
        ASSERT_EQ(got.size(), expected.size()) << r.notes;
        // At 240 bpm a tick is 250000 / 960 µs: the frame to the nearest,
        // a half up, in whole numbers.
        const std::uint64_t whole = 1000000ull * 960;
        std::size_t late = 0;
        for (std::size_t i = 0; i < got.size(); ++i) {
            ASSERT_EQ(std::vector<std::uint8_t>(got[i].bytes, got[i].bytes + got[i].size), expected[i].bytes)
                << "message " << i;
            const std::uint64_t frame = (expected[i].tick * 250000ull * kRate * 2 + whole) / (whole * 2);
            const std::uint64_t at = got[i].frame - sender->StartFrame();
            const auto exact = static_cast<std::uint64_t>(std::floor(static_cast<double>(frame) / r.speed + 1e-9));
            // A cycle the server could not finish (an overrun of a busy
            // machine) is left out: its events come at the next cycle's
            // first frame, late, and the rest on time again.
            if (at != exact) {
                ASSERT_GT(receiver.Overruns(), 0)
                    << "message " << i << " at ×" << r.speed << ": " << at << " not " << exact;
                ASSERT_GT(at, exact) << "message " << i << " early";
                ASSERT_EQ(at % kPeriod, 0u) << "message " << i << " late but not at a cycle's start";
                ++late;
            }
        }
        EXPECT_LT(late, got.size() / 10) << "most events on their frames";
        EXPECT_GE(sender->Tick(), 960u * static_cast<std::uint64_t>(r.notes / r.perQuarter) - 960);
    }
}

// A stop silences every channel the piece uses, and the keys' channel, in
// the first cycle after it, and nothing sounds after that.
TEST_F(JackServer, StopSilencesWithinOnePeriod)
{
    testutil::TempDir dir;
    const std::string path = Piece(dir, 400, 8);
    Receiver receiver;
    std::string why;
    std::unique_ptr<JackSender> sender = JackSender::Open("receiver:in", why);
    ASSERT_TRUE(sender) << why;
    ASSERT_TRUE(sender->Start(TimelineOf(path), 1.0, why));
    std::this_thread::sleep_for(300ms);
    const std::uint64_t stoppedAt = receiver.Now();
    sender->Stop();
    ASSERT_TRUE(WaitUntil([&] { return sender->Done(); }, 1s));
    // The silence's last message may reach the receiver a cycle later.
    WaitUntil(
        [&] {
            const std::vector<Got> got = receiver.Messages();
            return !got.empty() && got.back().bytes[0] == 0xBF && got.back().bytes[1] == 123;
        },
        2s);
    std::this_thread::sleep_for(30ms);
    const std::vector<Got> got = receiver.Messages();
    std::vector<std::string> silence;
    std::uint64_t firstSilence = 0;
    for (const Got& g : got)
        if ((g.bytes[0] & 0xF0) == 0xB0 && (g.bytes[1] == 120 || g.bytes[1] == 123)) {
            silence.push_back(std::to_string(g.bytes[0] & 0x0F) + ":" + std::to_string(g.bytes[1]));
            firstSilence = firstSilence ? firstSilence : g.frame;
        }
    EXPECT_EQ(silence, (std::vector<std::string>{"0:120", "0:123", "15:120", "15:123"}));
    EXPECT_LE(firstSilence, stoppedAt + 2 * kPeriod) << "silenced more than a period after the stop";
    EXPECT_EQ((got.back().bytes[0] & 0xF0), 0xB0) << "nothing after the silence";
}

// The receiver going away mid-play ends the play with the reason, once.
TEST_F(JackServer, VanishedReceiverEndsThePlay)
{
    testutil::TempDir dir;
    const std::string path = Piece(dir, 400, 1); // 100 s
    auto receiver = std::make_unique<Receiver>();
    PortPlayer player(PortChoice{PortSystem::Jack, "receiver:in"});
    ASSERT_TRUE(player.Open(path)) << player.LastError();
    std::atomic<int> ends{0};
    ASSERT_TRUE(player.Play([&] { ++ends; }));
    std::this_thread::sleep_for(200ms);
    EXPECT_GT(player.CurrentTick(), 0);
    receiver.reset();
    ASSERT_TRUE(WaitUntil([&] { return ends.load() == 1; }, 2s));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ends.load(), 1);
    EXPECT_EQ(player.LastError().rfind(kPortLost, 0), 0u) << player.LastError();
    // A port that is not there is refused when opened.
    PortPlayer gone(PortChoice{PortSystem::Jack, "receiver:in"});
    EXPECT_FALSE(gone.Open(path));
    EXPECT_EQ(gone.LastError().rfind(kPortUnavailable, 0), 0u) << gone.LastError();
}

// Through the window's road: a play to its end told once, the tick rising
// to the piece's end, the cursor's keys on their own channel.
TEST_F(JackServer, PlayerPlaysToTheEndAndSoundsKeys)
{
    testutil::TempDir dir;
    const std::string path = Piece(dir, 16, 16); // a second
    Receiver receiver;
    PortPlayer player(PortChoice{PortSystem::Jack, "receiver:in"});
    ASSERT_TRUE(player.Open(path)) << player.LastError();
    std::atomic<int> ends{0};
    ASSERT_TRUE(player.Play([&] { ++ends; }));
    ASSERT_TRUE(WaitUntil([&] { return ends.load() == 1; }, 3s));
    EXPECT_TRUE(player.LastError().empty()) << player.LastError();
    EXPECT_GE(player.CurrentTick(), 960 - 60);
    const std::size_t before = receiver.Messages().size();
    ASSERT_TRUE(player.SoundKey(64, 11, 90));
    player.SilenceKeys();
    ASSERT_TRUE(WaitUntil([&] { return receiver.Messages().size() >= before + 3; }, 1s));
    const std::vector<Got> got = receiver.Messages();
    const auto bytes = [&](std::size_t i) { return std::vector<int>(got[i].bytes, got[i].bytes + got[i].size); };
    EXPECT_EQ(bytes(before), (std::vector<int>{0xCF, 11}));
    EXPECT_EQ(bytes(before + 1), (std::vector<int>{0x9F, 64, 90}));
    EXPECT_EQ(bytes(before + 2), (std::vector<int>{0x8F, 64, 0}));
}

// The survey finds the receiver (and not Varimel's own port); names resolve
// as the renderer and the settings file give them.
TEST_F(JackServer, PortsFoundAndNamed)
{
    Receiver receiver;
    std::string why;
    std::unique_ptr<JackSender> own = JackSender::Open("", why);
    ASSERT_TRUE(own) << why;
    const PortSurvey survey = SurveyPorts();
    EXPECT_TRUE(survey.Jack);
    std::vector<std::string> lines;
    for (const PortInfo& p : survey.Ports)
        if (p.System == PortSystem::Jack)
            lines.push_back(PortLine(p));
    EXPECT_EQ(lines, (std::vector<std::string>{"jack\treceiver:in\treceiver:in"}));
    const struct {
        const char* text;
        std::optional<PortChoice> choice;
    } rows[] = {
        {"receiver:in", PortChoice{PortSystem::Jack, "receiver:in"}},
        {"jack:receiver:in", PortChoice{PortSystem::Jack, "receiver:in"}},
        {"jack", PortChoice{PortSystem::Jack, ""}},
        {"alsa", survey.Alsa ? std::optional(PortChoice{PortSystem::Alsa, ""}) : std::nullopt},
        {"jack:nobody:in", std::nullopt},
        {"alsa:receiver:in", std::nullopt},
        {"nobody", std::nullopt},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ResolvePort(r.text, survey), r.choice) << r.text;
    for (const char* text : {"", "alsa", "jack", "alsa:14:0", "jack:a:b"})
        EXPECT_EQ(PortChoiceText(PortChoiceOf(text)), text);
    EXPECT_EQ(PortChoiceOf("midi:x").System, PortSystem::BuiltIn);
}

// The ALSA sequencer where the machine has one: Varimel's port is made and
// plays a short piece to its end.
TEST(AlsaSequencer, OwnPortPlays)
{
    if (access("/dev/snd/seq", R_OK | W_OK) != 0)
        GTEST_SKIP() << "no ALSA sequencer on this machine (/dev/snd/seq is missing)";
    testutil::TempDir dir;
    TXYDataList data;
    for (int i = 0; i < 8; ++i)
        data.Add({static_cast<double>(i), static_cast<double>(i)});
    ScaleNoteSet set;
    const std::string path = dir / "piece.mid";
    ASSERT_TRUE(WriteMappedSmf(set, &data, path, 1, 0, 60, 84, 8, 240, 96, 0.875, 4, 2, true, 0));
    PortPlayer player(PortChoice{PortSystem::Alsa, ""});
    ASSERT_TRUE(player.Open(path)) << player.LastError();
    std::atomic<int> ends{0};
    ASSERT_TRUE(player.Play([&] { ++ends; }));
    for (int i = 0; i < 300 && ends.load() == 0; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(ends.load(), 1);
    EXPECT_TRUE(player.LastError().empty()) << player.LastError();
}

namespace {

struct RenderRun {
    int status = -1;
    std::string out, err;
};

// The renderer with its arguments (quoted by the caller where need be),
// environment assignments in front.
RenderRun Render(const testutil::TempDir& dir, const std::string& env, const std::string& args)
{
    const std::string out = dir / "out.txt", err = dir / "err.txt";
    const std::string cmd = env + " " + VARIMEL_RENDER + " " + args + " >" + out + " 2>" + err;
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testutil::ReadFile(out), testutil::ReadFile(err)};
}

std::string Csv(const testutil::TempDir& dir, int rows)
{
    std::string csv;
    for (int i = 0; i < rows; ++i)
        csv += std::to_string(i) + "," + std::to_string((i * 5) % 9) + "\n";
    const std::string path = dir / "in.csv";
    testutil::WriteFile(path, csv);
    return path;
}

} // namespace

// varimel-render --list-ports and --send: the port listed, the piece played
// to it to the end, unknown ports and wrong command lines refused, and a
// signal mid-play silencing the port before the renderer ends with 128 + it.
TEST_F(JackServer, RendererListsAndSends)
{
    testutil::TempDir dir;
    Receiver receiver;
    const RenderRun list = Render(dir, "", "--list-ports");
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out, "jack\treceiver:in\treceiver:in\n");

    const std::string csv = Csv(dir, 8);
    const RenderRun sent = Render(dir, "", "--dx 8 --send receiver:in " + csv);
    EXPECT_EQ(sent.status, 0) << sent.err;
    int notes = 0;
    for (const Got& g : receiver.Messages())
        notes += (g.bytes[0] & 0xF0) == 0x90 && g.bytes[2] > 0;
    EXPECT_EQ(notes, 8);

    const struct {
        const char* args;
        int status;
        const char* said;
    } refused[] = {
        {"--send nobody ", 1, "varimel-render: no MIDI port 'nobody' (varimel-render --list-ports lists them)\n"},
        {"--send jack:nobody:in ", 1, "varimel-render: no MIDI port 'jack:nobody:in'"},
        {"--list-ports ", 2, "varimel-render: --list-ports takes no files and no other output\n"},
        {"--send '' ", 2, "varimel-render: --send needs a port (--list-ports lists them)\n"},
    };
    for (const auto& r : refused) {
        const RenderRun run = Render(dir, "", r.args + csv);
        EXPECT_EQ(run.status, r.status) << r.args;
        EXPECT_EQ(run.err.rfind(r.said, 0), 0u) << run.err;
    }

    // The renderer, and its helper on its own (as a signal to the whole
    // process group reaches it too).
    const std::string render = VARIMEL_RENDER;
    const std::string helper = render.substr(0, render.rfind('/')) + "/varimel-ports";
    const std::string longCsv = Csv(dir, 400);
    const std::string longMid = dir / "long.mid";
    ASSERT_EQ(Render(dir, "", longCsv + " " + longMid).status, 0);
    for (const auto& [signal, direct] :
         {std::pair{SIGINT, false}, std::pair{SIGTERM, false}, std::pair{SIGINT, true}, std::pair{SIGTERM, true}}) {
        const pid_t child = fork();
        if (child == 0) {
            if (direct)
                execl(helper.c_str(), helper.c_str(), "--send", "receiver:in", longMid.c_str(),
                      static_cast<char*>(nullptr));
            else
                execl(render.c_str(), render.c_str(), "--send", "receiver:in", longCsv.c_str(),
                      static_cast<char*>(nullptr));
            _exit(127);
        }
        std::this_thread::sleep_for(700ms);
        const std::size_t before = receiver.Messages().size();
        kill(child, signal);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << signal;
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal) << (direct ? "the helper" : "the renderer");
        const std::vector<Got> got = receiver.Messages();
        ASSERT_GT(got.size(), before);
        EXPECT_EQ(std::vector<int>(got.back().bytes, got.back().bytes + 3), (std::vector<int>{0xBF, 123, 0}))
            << "the keys' channel silenced last";
        EXPECT_EQ(testutil::CountEntries(dir.Path()), 4u) << "the inputs and the outputs only";
    }
    if (access("/dev/snd/seq", F_OK) != 0) {
        const RenderRun none = Render(dir, "JACK_DEFAULT_SERVER=nobody-runs-this", "--list-ports");
        EXPECT_EQ(none.status, 1);
        EXPECT_EQ(none.err, "varimel-render: no ALSA sequencer (/dev/snd/seq) and no JACK server are available\n");
    }
}
