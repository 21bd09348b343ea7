// SPDX-License-Identifier: MIT
// Offline audio: a Standard MIDI File rendered through FluidSynth to a WAV,
// FLAC or Ogg Vorbis file faster than real time.
#pragma once

#include "Audioformat.h"

#include <atomic>
#include <functional>
#include <string>

namespace varimel {

// What an audio render may be told and tells while it runs: cancel is read
// between blocks, progress gets the share done (0..1).
struct RenderControl {
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(double)> progress;
};

// Renders midiPath to outPath in the given format as fast as the machine
// allows; the file is put in place only when complete (a cancelled or
// failed render leaves no trace). expectedSeconds is the piece's length: a
// WAV file that would pass 4 GiB is written as RF64. level: normalised to a
// peak of -1 dBFS, a fixed gain, or exactly as the synthesizer renders it.
bool RenderAudio(const std::string& midiPath, const std::string& outPath, AudioFormat format,
                 const std::string& soundFont, std::string& error, double expectedSeconds = 0.0,
                 const RenderControl& control = {}, const AudioLevel& level = {});

// Renders midiPath to wavPath as fast as the machine allows, normalised.
// The WAV file is written under a temporary name and put in place only when
// complete.
// expectedSeconds is the piece's length: a piece whose audio would pass the
// 4 GiB a WAV header can state is written as RF64 instead.
bool RenderWav(const std::string& midiPath, const std::string& wavPath, const std::string& soundFont,
               std::string& error, double expectedSeconds = 0.0);

// Why an audio file at outPath must not be written: it is the MIDI file
// itself or the SoundFont the render would use (the configured one, or the
// default one found when none is given). Empty when it may be.
std::string OutputClash(const std::string& outPath, const std::string& midiPath, const std::string& soundFont);

// "wav", or "rf64" for audio of that many seconds that a WAV header cannot
// state.
const char* WaveFileType(double seconds);

} // namespace varimel
