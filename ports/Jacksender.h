// SPDX-License-Identifier: MIT
// Varimel's MIDI output port on a JACK server: the piece is written in the
// server's process callback at the frame each event falls on.
#pragma once

#include "Portsender.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct _jack_client;
struct _jack_port;

namespace varimel {

class JackSender : public PortSender {
public:
    // The client and its port, connected to target (a JACK port's full
    // name) if not empty. Never starts a server.
    static std::unique_ptr<JackSender> Open(const std::string& target, std::string& why);
    ~JackSender() override;
    JackSender(const JackSender&) = delete;
    JackSender& operator=(const JackSender&) = delete;

    bool Start(std::shared_ptr<const SmfTimeline> piece, double speed, std::string& why) override;
    void SetSpeed(double speed) override;
    void Stop() override;
    bool Done() const override;
    std::uint64_t Tick() const override;
    std::string Lost() const override;
    void SendNow(const std::uint8_t* bytes, int size) override;

    // The server's frame the piece's start fell on (valid once it started),
    // its sample rate, and the port's full name.
    std::uint32_t StartFrame() const { return startFrame_.load(); }
    std::uint32_t SampleRate() const { return rate_; }
    std::string PortName() const;

private:
    JackSender() = default;
    static int Process(std::uint32_t frames, void* self);
    static void Shutdown(void* self);
    static void Connected(std::uint32_t a, std::uint32_t b, int connect, void* self);
    void Cycle(std::uint32_t frames);
    void SetLost(const std::string& why);

    enum State : int { kIdle, kPlaying, kStopping, kDone };
    _jack_client* client_ = nullptr;
    _jack_port* port_ = nullptr;
    // Messages sent at once: written by the caller, read by the process
    // callback, with no lock between them.
    struct NowMessage {
        std::uint8_t Size = 0;
        std::uint8_t Bytes[3] = {};
    };
    std::array<NowMessage, 256> now_{};
    std::atomic<std::uint32_t> nowWritten_{0};
    std::atomic<std::uint32_t> nowRead_{0};
    std::string target_;
    std::uint32_t rate_ = 48000;

    // Set while idle, read by the process callback while playing.
    std::shared_ptr<const SmfTimeline> piece_;
    std::vector<std::uint64_t> frames_; // each event's frame in the piece's time
    std::uint64_t endFrame_ = 0;
    std::atomic<int> state_{kIdle};
    std::atomic<std::size_t> next_{0};
    std::atomic<double> position_{0.0}; // frames of the piece's time at the last cycle's start
    std::uint32_t cycleFrame_ = 0;      // the server's frame of that cycle (the callback's own)
    double cycleSpeed_ = 1.0;           // the speed it ran at
    std::atomic<double> speed_{1.0};
    std::atomic<bool> started_{false};
    std::atomic<std::uint32_t> startFrame_{0};
    std::atomic<bool> lost_{false};
    std::atomic<std::uint64_t> cycles_{0}; // process cycles run
    mutable std::mutex lostMutex_;
    std::string lostWhy_;
};

} // namespace varimel
