// SPDX-License-Identifier: MIT
// varimel-audio: renders a MIDI file to an audio file through the
// synthesizer, for varimel-render. Kept apart so that the renderer loads
// the synthesizer's libraries only when audio is asked for.
// Usage: varimel-audio MIDI OUT wav|flac|ogg SOUNDFONT SECONDS [LEVEL]
// (LEVEL: normalize, the default, as-rendered or gain:DB)
#include "Audiorender.h"
#include "sys/Temporaries.h"

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

int Refuse(const std::string& why)
{
    std::fprintf(stderr, "varimel-audio: %s\n", why.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // Run by a renderer, the helper ends with it: a renderer ended before it
    // could pass a signal on leaves no helper behind to put a file in place.
    if (const char* parent = std::getenv("VARIMEL_RENDERER_PID"); parent && *parent) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != static_cast<pid_t>(std::atol(parent)))
            return 1;
    }
    varimel::RemoveTemporariesOnSignals();
    if (argc != 6 && argc != 7) {
        std::fputs("usage: varimel-audio MIDI OUT wav|flac|ogg SOUNDFONT SECONDS [LEVEL]\n", stderr);
        return 2;
    }
    const std::optional<varimel::AudioLevel> level =
        argc == 7 ? varimel::AudioLevelNamed(argv[6]) : std::optional(varimel::AudioLevel{});
    if (!level)
        return Refuse("the level must be normalize, as-rendered or gain:DB, not '" + std::string(argv[6]) + "'");
    const std::string midi = argv[1], out = argv[2], soundFont = argv[4];
    const auto format = varimel::AudioFormatNamed(argv[3]);
    if (!format)
        return Refuse("unknown audio format '" + std::string(argv[3]) + "'");
    // The output replaces what it names: never the piece or the SoundFont,
    // the default one included when none is named.
    if (const std::string clash = varimel::OutputClash(out, midi, soundFont); !clash.empty())
        return Refuse(clash);
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(argv[5], &end);
    if (end == argv[5] || *end != '\0' || errno == ERANGE || !std::isfinite(seconds) || seconds < 0)
        return Refuse("the length must be a number of seconds, 0 or more, not '" + std::string(argv[5]) + "'");
    std::string error;
    if (!varimel::RenderAudio(midi, out, *format, soundFont, error, seconds, {}, *level)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
