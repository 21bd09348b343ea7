// SPDX-License-Identifier: MIT
// varimel-ports: the renderer's helper for MIDI ports.
//   varimel-ports --list              the ports, one per line
//   varimel-ports --send PORT FILE    plays the MIDI file to the port in real
//                                     time and ends with it
// Exits 0 when done, 1 when there is no such port, no sequencer or JACK
// server, the file cannot be read or the port goes away; ended by SIGINT,
// SIGTERM or SIGHUP it silences every channel first and exits 128 + the
// signal.
#include "Portlist.h"
#include "Portsender.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

using namespace varimel;

namespace {

constexpr char kWho[] = "varimel-render: ";
constexpr int kFailed = 1;
// How long a signal is waited for between looks at the piece's end; the
// port's clock, not this wait, times the events.
constexpr long kLookNanos = 20'000'000;

int Fail(const std::string& why)
{
    std::fprintf(stderr, "%s%s\n", kWho, why.c_str());
    return kFailed;
}

std::string Missing(const PortSurvey& survey)
{
    return !survey.Alsa && !survey.Jack ? "no ALSA sequencer (/dev/snd/seq) and no JACK server are available" : "";
}

int List()
{
    const PortSurvey survey = SurveyPorts();
    if (const std::string missing = Missing(survey); !missing.empty())
        return Fail(missing);
    for (const PortInfo& p : survey.Ports)
        std::printf("%s\n", PortLine(p).c_str());
    return std::fflush(stdout) == 0 ? 0 : kFailed;
}

int Send(const std::string& port, const std::string& file)
{
    // The signals are taken here, not by a handler: the piece is silenced
    // before the program ends. Threads the libraries start inherit this.
    sigset_t signals;
    sigemptyset(&signals);
    for (const int s : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::string why;
    std::optional<SmfTimeline> piece = ReadSmfTimelineFile(file, &why);
    if (!piece)
        return Fail(file + ": " + why);
    const PortSurvey survey = SurveyPorts();
    if (const std::string missing = Missing(survey); !missing.empty())
        return Fail(missing);
    const std::optional<PortChoice> choice = ResolvePort(port, survey);
    if (!choice)
        return Fail("no MIDI port '" + port + "' (varimel-render --list-ports lists them)");
    std::unique_ptr<PortSender> sender = OpenPortSender(*choice, why);
    if (!sender)
        return Fail(port + ": " + why);
    if (!sender->Start(std::make_shared<const SmfTimeline>(std::move(*piece)), 1.0, why))
        return Fail(port + ": " + why);
    const timespec look{0, kLookNanos};
    while (!sender->Done()) {
        siginfo_t info{};
        const int got = sigtimedwait(&signals, &info, &look);
        if (got > 0) {
            sender->Stop();
            for (int i = 0; i < 100 && !sender->Done(); ++i)
                nanosleep(&look, nullptr);
            sender.reset();
            return 128 + got;
        }
    }
    if (const std::string lost = sender->Lost(); !lost.empty())
        return Fail(port + ": " + lost);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0)
        return List();
    if (argc == 4 && std::strcmp(argv[1], "--send") == 0)
        return Send(argv[2], argv[3]);
    std::fprintf(stderr, "usage: varimel-ports --list | --send PORT FILE.mid\n");
    return 2;
}
