// SPDX-License-Identifier: MIT
// Where a preview or the renderer sends the piece: the built-in synthesizer,
// Varimel's own MIDI output port (on the ALSA sequencer or on JACK) for
// others to connect to, or that port connected to one the user picked. As
// the settings file keeps it: "", "alsa", "jack", "alsa:CLIENT:PORT" (names,
// or numbers as the sequencer shows them), "jack:CLIENT:PORT".
#pragma once

#include <string>
#include <string_view>

namespace varimel {

enum class PortSystem { BuiltIn, Alsa, Jack };

struct PortChoice {
    PortSystem System = PortSystem::BuiltIn;
    std::string Target; // empty: Varimel's own port only, connected by others
    bool operator==(const PortChoice&) const = default;
};

// The setting's text as a choice; text of no known form is the built-in
// synthesizer.
PortChoice PortChoiceOf(std::string_view text);
std::string PortChoiceText(const PortChoice& choice);

// The name Varimel's client and port take on either system.
inline constexpr char kPortName[] = "Varimel";

} // namespace varimel
