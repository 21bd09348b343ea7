// SPDX-License-Identifier: MIT
// MIDI ports through the helper program varimel-ports, so that the renderer
// loads the sequencer's and JACK's libraries only when a port is asked for.
#pragma once

#include <string>

namespace varimel::cli {

// Prints the ports, one per line; the exit status to end with.
int ListPorts();
// Plays the MIDI file to the port in real time; the exit status to end
// with (128 + the signal when one ended it, after every channel was
// silenced).
int SendToPort(const std::string& port, const std::string& midi);

} // namespace varimel::cli
