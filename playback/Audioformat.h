// SPDX-License-Identifier: MIT
// The audio formats Varimel writes (44.1 kHz, 16-bit stereo) and their
// names, for the window, the renderer and its audio helper alike. Header
// only: the renderer names formats without loading the synthesizer.
#pragma once

#include "sys/Paths.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace varimel {

enum class AudioFormat { Wav, Flac, Ogg };

// How the options and messages list the formats.
inline constexpr char kAudioFormatNames[] = "wav, flac or ogg";

// "wav", "flac", "ogg": the format's name and its file extension.
constexpr const char* AudioExtension(AudioFormat format)
{
    switch (format) {
    case AudioFormat::Wav:
        return "wav";
    case AudioFormat::Flac:
        return "flac";
    case AudioFormat::Ogg:
        return "ogg";
    }
    return "wav";
}

// The format of a name ("wav", "flac", "ogg", in lower case); none for
// anything else.
inline std::optional<AudioFormat> AudioFormatNamed(std::string_view name)
{
    for (const AudioFormat format : {AudioFormat::Wav, AudioFormat::Flac, AudioFormat::Ogg})
        if (name == AudioExtension(format))
            return format;
    return std::nullopt;
}

// By the file name's extension (.wav, .flac, .ogg, in any case); none for
// anything else.
inline std::optional<AudioFormat> AudioFormatOfPath(const std::string& path)
{
    return AudioFormatNamed(ExtensionOf(path));
}

// The level of an exported piece: its loudest sample brought to -1 dBFS
// (the default, as audio tools export), a fixed gain in dB, or the
// synthesizer's own level as it renders.
struct AudioLevel {
    enum class Kind { Normalize, Gain, AsRendered } kind = Kind::Normalize;
    double gainDb = 0.0;
    bool operator==(const AudioLevel&) const = default;
};

// The peak a normalised export reaches, in dBFS.
inline constexpr double kNormalPeakDb = -1.0;

// How the audio helper is told the level: "normalize", "as-rendered" or
// "gain:DB"; and back (none for anything else).
inline std::string AudioLevelName(const AudioLevel& level)
{
    switch (level.kind) {
    case AudioLevel::Kind::Normalize:
        return "normalize";
    case AudioLevel::Kind::AsRendered:
        return "as-rendered";
    case AudioLevel::Kind::Gain:
        break;
    }
    char text[48];
    std::snprintf(text, sizeof text, "gain:%.17g", level.gainDb);
    return text;
}
inline std::optional<AudioLevel> AudioLevelNamed(std::string_view name)
{
    if (name == "normalize")
        return AudioLevel{};
    if (name == "as-rendered")
        return AudioLevel{AudioLevel::Kind::AsRendered, 0.0};
    if (name.substr(0, 5) != "gain:")
        return std::nullopt;
    const std::string number(name.substr(5));
    char* end = nullptr;
    const double db = std::strtod(number.c_str(), &end);
    if (number.empty() || *end != '\0' || !(db >= -60.0 && db <= 60.0))
        return std::nullopt;
    return AudioLevel{AudioLevel::Kind::Gain, db};
}

} // namespace varimel
