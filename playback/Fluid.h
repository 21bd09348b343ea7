// SPDX-License-Identifier: MIT
// What the live player and the offline renderer share of FluidSynth: its
// log kept quiet, and the end of a piece told promptly.
#pragma once

#include <fluidsynth.h>

namespace varimel::fluid {

// Sends FluidSynth's errors to stderr and its chatter nowhere; once per
// process.
void InstallLog();

// Whether the player has played its piece to the end (see Fluid.cpp); total
// keeps the piece's length once known, starting from 0.
bool Finished(fluid_player_t* player, int& total);

} // namespace varimel::fluid
