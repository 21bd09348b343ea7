// SPDX-License-Identifier: MIT
// The MIDI ports a piece can be sent to: every writable ALSA sequencer port
// and every JACK MIDI input, found afresh each time they are asked for.
#pragma once

#include "Portname.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varimel {

struct PortInfo {
    PortSystem System = PortSystem::Alsa;
    std::string Address; // ALSA "14:0"; JACK the port's full name
    std::string Name;    // ALSA "Midi Through:Midi Through Port-0"; JACK as Address
    // The choice that sends to it, kept by name (client numbers change).
    PortChoice Choice() const { return {System, Name}; }
};

struct PortSurvey {
    std::vector<PortInfo> Ports;
    bool Alsa = false; // the sequencer could be opened
    bool Jack = false; // a JACK server answered
};

// Never starts a JACK server; Varimel's own ports are left out.
PortSurvey SurveyPorts();

// The port a renderer's or a setting's text names: "alsa" or "jack" (our
// own port only), "alsa:…" or "jack:…", an ALSA address "14:0", or a port's
// name or address on either system (ALSA first). None when nothing matches.
std::optional<PortChoice> ResolvePort(std::string_view text, const PortSurvey& survey);

// A line of the renderer's list: system, address and name, by tabs.
std::string PortLine(const PortInfo& port);

} // namespace varimel
