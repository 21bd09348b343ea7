// SPDX-License-Identifier: MIT
#include "Portplayer.h"

#include <algorithm>
#include <chrono>

namespace varimel {

namespace {

// How often the end of play is looked for: the port keeps the time.
constexpr auto kWatchPeriod = std::chrono::milliseconds(10);

} // namespace

PortPlayer::PortPlayer(PortChoice choice) : choice_(std::move(choice)) {}

PortPlayer::~PortPlayer() { Close(); }

bool PortPlayer::Connect()
{
    if (sender_)
        return true;
    std::string why;
    sender_ = OpenPortSender(choice_, why);
    if (!sender_)
        error_ = kPortUnavailable + why;
    return sender_ != nullptr;
}

bool PortPlayer::Open(const std::string& midiPath)
{
    EndPlay();
    error_.clear();
    std::optional<SmfTimeline> line = ReadSmfTimelineFile(midiPath);
    if (!line) {
        error_ = "not a readable MIDI file: " + midiPath;
        return false;
    }
    piece_ = std::make_shared<const SmfTimeline>(std::move(*line));
    return Connect();
}

bool PortPlayer::Play(std::function<void()> onEnd)
{
    if (!piece_ || !sender_ || watcher_.joinable())
        return false;
    if (!sender_->Start(piece_, speed_, error_)) {
        error_ = kPortUnavailable + error_;
        return false;
    }
    silent_ = false;
    watcher_ = std::thread([this, onEnd = std::move(onEnd)] {
        while (!sender_->Done())
            std::this_thread::sleep_for(kWatchPeriod);
        if (const std::string lost = sender_->Lost(); !lost.empty())
            error_ = kPortLost + lost;
        if (!silent_ && onEnd)
            onEnd();
    });
    return true;
}

void PortPlayer::Stop()
{
    if (sender_)
        sender_->Stop();
}

void PortPlayer::EndPlay()
{
    if (watcher_.joinable()) {
        silent_ = true;
        sender_->Stop();
        watcher_.join();
    }
    // A port that went away is opened afresh next time.
    if (sender_ && !sender_->Lost().empty())
        sender_.reset();
}

void PortPlayer::Close()
{
    EndPlay();
    SilenceKeys();
    sender_.reset();
    piece_.reset();
}

bool PortPlayer::SoundKey(int key, int program, int velocity)
{
    if (watcher_.joinable()) {
        if (!sender_->Done())
            return false;
        watcher_.join();
    }
    error_.clear();
    if (!Connect())
        return false;
    SilenceKeys();
    const std::uint8_t change[2] = {static_cast<std::uint8_t>(0xC0 | kPortKeyChannel),
                                    static_cast<std::uint8_t>(program & 0x7F)};
    const std::uint8_t on[3] = {static_cast<std::uint8_t>(0x90 | kPortKeyChannel),
                                static_cast<std::uint8_t>(key & 0x7F), static_cast<std::uint8_t>(velocity & 0x7F)};
    sender_->SendNow(change, 2);
    sender_->SendNow(on, 3);
    key_ = key;
    return true;
}

void PortPlayer::SilenceKeys()
{
    if (!sender_ || key_ < 0)
        return;
    const std::uint8_t off[3] = {static_cast<std::uint8_t>(0x80 | kPortKeyChannel), static_cast<std::uint8_t>(key_), 0};
    sender_->SendNow(off, 3);
    key_ = -1;
}

int PortPlayer::CurrentTick() const
{
    return piece_ && sender_ ? static_cast<int>(std::min<std::uint64_t>(sender_->Tick(), 0x7FFFFFFF)) : -1;
}

void PortPlayer::SetSpeed(double speed)
{
    speed_ = speed;
    if (sender_)
        sender_->SetSpeed(speed);
}

} // namespace varimel
