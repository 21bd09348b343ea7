// SPDX-License-Identifier: MIT
// Audio through the helper program varimel-audio, so that the renderer
// loads the synthesizer's libraries only when audio is asked for.
#pragma once

#include "playback/Audioformat.h"

#include <string>

namespace varimel::cli {

// Renders the MIDI file to audio at the level asked for in the helper
// program; false with the reason when it could not.
bool RenderAudioFile(const std::string& midi, const std::string& out, const std::string& format,
                     const std::string& soundFont, double seconds, const AudioLevel& level, std::string& error);

} // namespace varimel::cli
