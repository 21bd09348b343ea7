// SPDX-License-Identifier: MIT
// A JACK server of the tests' own (its dummy backend needs no sound card),
// and a client that receives what is sent to its MIDI input "receiver:in".
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace testjack {

constexpr int kRate = 48000;
constexpr int kPeriod = 256;

// One message a receiver got, at the server frame it fell on.
struct Got {
    std::uint64_t frame = 0;
    std::uint8_t bytes[3] = {};
    std::uint8_t size = 0;
};

// A JACK client with one MIDI input, "receiver:in", keeping what arrives.
class Receiver {
public:
    explicit Receiver(const char* name = "receiver")
    {
        got_.resize(200000);
        client_ = jack_client_open(name, JackNoStartServer, nullptr);
        if (!client_)
            return;
        port_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, Process, this);
        jack_set_xrun_callback(
            client_,
            [](void* self) {
                ++static_cast<Receiver*>(self)->xruns_;
                return 0;
            },
            this);
        jack_activate(client_);
    }
    ~Receiver() { Close(); }
    void Close()
    {
        if (client_)
            jack_client_close(client_);
        client_ = nullptr;
    }
    bool Ok() const { return client_ && port_; }
    std::vector<Got> Messages() const { return {got_.begin(), got_.begin() + static_cast<long>(count_.load())}; }
    std::uint64_t Now() const { return jack_frame_time(client_); }
    // Cycles the server could not finish in time while this client was in.
    int Overruns() const { return xruns_.load(); }

private:
    static int Process(jack_nframes_t frames, void* self)
    {
        auto* r = static_cast<Receiver*>(self);
        void* buffer = jack_port_get_buffer(r->port_, frames);
        const std::uint32_t start = jack_last_frame_time(r->client_);
        const std::uint32_t n = jack_midi_get_event_count(buffer);
        std::size_t at = r->count_.load();
        for (std::uint32_t i = 0; i < n && at < r->got_.size(); ++i) {
            jack_midi_event_t e;
            if (jack_midi_event_get(&e, buffer, i) != 0 || e.size > 3)
                continue;
            Got& g = r->got_[at++];
            g.frame = start + e.time;
            g.size = static_cast<std::uint8_t>(e.size);
            std::copy(e.buffer, e.buffer + e.size, g.bytes);
        }
        r->count_.store(at);
        return 0;
    }
    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::vector<Got> got_;
    std::atomic<std::size_t> count_{0};
    std::atomic<int> xruns_{0};
};

// Starts jackd with the dummy backend under a name of this process's own,
// which this process's clients then use; the reason when it cannot.
inline std::string StartServer(pid_t& server)
{
    using namespace std::chrono_literals;
    if (access("/usr/bin/jackd", X_OK) != 0)
        return "jackd is not installed (jackd2)";
    const std::string name = "varimel-test-" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    // Synchronous: every client's cycle is waited for, so a busy machine
    // makes the server late, never a client's cycle lost.
    std::vector<std::string> args = {
        "/usr/bin/jackd", "-S", "-n", name, "-d", "dummy", "-r", std::to_string(kRate), "-p", std::to_string(kPeriod)};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // The server ends with this process, however it ends (a crash, a
    // sanitizer's halt): no server of a dead test is left running.
    server = fork();
    if (server == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (server < 0)
        return "jackd could not be started";
    for (int i = 0; i < 100; ++i) {
        if (jack_client_t* c = jack_client_open("probe", JackNoStartServer, nullptr)) {
            jack_client_close(c);
            return {};
        }
        std::this_thread::sleep_for(50ms);
    }
    return "the JACK server did not answer";
}

inline void StopServer(pid_t server)
{
    if (server > 0) {
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
    }
}

} // namespace testjack
