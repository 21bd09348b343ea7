// SPDX-License-Identifier: MIT
// Sends a piece's time line to a MIDI port in real time, timed by the
// port's own clock, never by a thread sleeping between events.
#pragma once

#include "Portname.h"
#include "midi/Smfevents.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace varimel {

// The channel single keys sound on: the last one, which no piece uses.
inline constexpr int kPortKeyChannel = 15;

class PortSender {
public:
    virtual ~PortSender() = default;
    // Starts the piece from its beginning at speed times its tempo (one
    // piece at a time); false, with why, when it cannot.
    virtual bool Start(std::shared_ptr<const SmfTimeline> piece, double speed, std::string& why) = 0;
    virtual void SetSpeed(double speed) = 0;
    // Ends the piece: every channel it used (and the keys' channel) gets All
    // Notes Off and All Sound Off; Done follows.
    virtual void Stop() = 0;
    // Played to the end, stopped, or the port went away.
    virtual bool Done() const = 0;
    // The piece's tick reached.
    virtual std::uint64_t Tick() const = 0;
    // Why the port went away during play; empty while it is there.
    virtual std::string Lost() const = 0;
    // One message now, beside the piece (the plot cursor's keys).
    virtual void SendNow(const std::uint8_t* bytes, int size) = 0;
};

// Varimel's port on the chosen system, connected to the choice's target if
// it names one; none, with why, when the system or the target is not there.
std::unique_ptr<PortSender> OpenPortSender(const PortChoice& choice, std::string& why);

// The messages that silence a channel: All Sound Off, then All Notes Off.
std::vector<std::vector<std::uint8_t>> SilenceMessages(std::uint16_t channels);

} // namespace varimel
