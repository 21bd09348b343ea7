// SPDX-License-Identifier: MIT
// Varimel's MIDI output port on the ALSA sequencer: the piece is scheduled
// on a sequencer queue at its ticks and tempo, fed ahead of time by a
// thread that waits only for room in the sequencer's pool.
#pragma once

#include "Portsender.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct _snd_seq;

namespace varimel {

class AlsaSender : public PortSender {
public:
    // The client and its port, connected to target ("CLIENT:PORT" by number
    // or name) if not empty.
    static std::unique_ptr<AlsaSender> Open(const std::string& target, std::string& why);
    ~AlsaSender() override;
    AlsaSender(const AlsaSender&) = delete;
    AlsaSender& operator=(const AlsaSender&) = delete;

    bool Start(std::shared_ptr<const SmfTimeline> piece, double speed, std::string& why) override;
    void SetSpeed(double speed) override;
    void Stop() override;
    bool Done() const override { return done_.load(); }
    std::uint64_t Tick() const override;
    std::string Lost() const override;
    void SendNow(const std::uint8_t* bytes, int size) override;

private:
    AlsaSender() = default;
    void Feed();
    void Silence();
    bool TargetThere() const;
    void SetTempo(std::uint32_t micros);

    _snd_seq* seq_ = nullptr;
    int port_ = -1;
    int queue_ = -1;
    int targetClient_ = -1;
    int targetPort_ = -1;
    std::shared_ptr<const SmfTimeline> piece_;
    std::thread feeder_;
    mutable std::mutex seqMutex_; // the sequencer handle is used by the feeder and the caller
    std::atomic<double> speed_{1.0};
    std::atomic<std::uint32_t> tempo_{500000};
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{true};
    std::atomic<bool> lost_{false};
    std::string lostWhy_;
};

} // namespace varimel
