// SPDX-License-Identifier: MIT
#include "Fluid.h"

#include <cstdio>
#include <initializer_list>

namespace varimel::fluid {

namespace {

// FluidSynth reports through its log; errors go to stderr, chatter nowhere.
void QuietLog(int level, const char* message, void*)
{
    if (level <= FLUID_ERR)
        std::fprintf(stderr, "fluidsynth: %s\n", message);
}

} // namespace

void InstallLog()
{
    static const bool installed = [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, QuietLog, nullptr);
        return true;
    }();
    (void)installed;
}

// The piece has played once every event up to its last tick is out; the
// player itself would keep "playing" for a grace period after that. The
// player counts every event of the file to tell its length, so the length is
// asked once (it is known once the file is loaded) and kept in total.
bool Finished(fluid_player_t* player, int& total)
{
    const int status = fluid_player_get_status(player);
    if (status == FLUID_PLAYER_DONE)
        return true;
    if (status != FLUID_PLAYER_PLAYING)
        return false;
    if (total <= 0)
        total = fluid_player_get_total_ticks(player);
    return total > 0 && fluid_player_get_current_tick(player) >= total;
}

} // namespace varimel::fluid
