// SPDX-License-Identifier: MIT
// varimel-audio: renders a MIDI file to an audio file through the
// synthesizer, for varimel-render. Kept apart so that the renderer loads
// the synthesizer's libraries only when audio is asked for.
// Usage: varimel-audio MIDI OUT wav|flac|ogg SOUNDFONT SECONDS
#include "Audiorender.h"
#include "sys/Paths.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    varimel::RemoveTemporariesOnSignals();
    if (argc != 6) {
        std::fputs("usage: varimel-audio MIDI OUT wav|flac|ogg SOUNDFONT SECONDS\n", stderr);
        return 2;
    }
    const auto format = varimel::AudioFormatNamed(argv[3]);
    if (!format) {
        std::fprintf(stderr, "unknown audio format '%s'\n", argv[3]);
        return 2;
    }
    std::string error;
    if (!varimel::RenderAudio(argv[1], argv[2], *format, argv[4], error, std::strtod(argv[5], nullptr))) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
