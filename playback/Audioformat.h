// SPDX-License-Identifier: MIT
// The audio formats Varimel writes (44.1 kHz, 16-bit stereo) and their
// names, for the window, the renderer and its audio helper alike. Header
// only: the renderer names formats without loading the synthesizer.
#pragma once

#include "sys/Paths.h"

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

} // namespace varimel
