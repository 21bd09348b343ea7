// SPDX-License-Identifier: MIT
// A preview through a MIDI port: the file written for the preview is read
// back as its time line and sent by the port's clock; the end of play is
// told once, as the built-in synthesizer tells it.
#pragma once

#include "Portsender.h"
#include "playback/Output.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace varimel {

// Why a port could not be had, or went away during play, at the start of
// LastError (the system's reason follows), so that the window can say it
// in its words.
inline constexpr char kPortUnavailable[] = "the MIDI port could not be opened: ";
inline constexpr char kPortLost[] = "the MIDI port went away: ";

class PortPlayer : public SoundOutput {
public:
    explicit PortPlayer(PortChoice choice);
    ~PortPlayer() override;
    PortPlayer(const PortPlayer&) = delete;
    PortPlayer& operator=(const PortPlayer&) = delete;

    bool Prepare() override { return Connect(); }
    bool Open(const std::string& midiPath) override;
    bool Play(std::function<void()> onEnd) override;
    void Stop() override;
    void Close() override;
    bool SoundKey(int key, int program, int velocity) override;
    void SilenceKeys() override;
    int CurrentTick() const override;
    void SetSpeed(double speed) override;
    const std::string& LastError() const override { return error_; }
    // The port the piece goes out of (for tests: the JACK client's frames).
    PortSender* Sender() const { return sender_.get(); }

private:
    bool Connect();
    void EndPlay();

    PortChoice choice_;
    std::unique_ptr<PortSender> sender_;
    std::shared_ptr<const SmfTimeline> piece_;
    std::thread watcher_;
    std::atomic<bool> silent_{false};
    double speed_ = 1.0;
    int key_ = -1; // the key SoundKey sounds
    std::string error_;
};

} // namespace varimel
