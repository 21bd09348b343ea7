// SPDX-License-Identifier: MIT
#include "Audiorender.h"

#include "Fluid.h"
#include "config/Settingsfile.h"
#include "sys/Paths.h"
#include "sys/Replace.h"

#include <fluidsynth.h>
#include <sys/stat.h>

#include <utility>

namespace varimel {

const char* WaveFileType(double seconds)
{
    // What the synthesizer writes per second, with room for its release
    // tail and the header.
    constexpr double kBytesPerSecond = 44100.0 * 2 * 2;
    constexpr double kTailSeconds = 30.0;
    constexpr double kLimit = 4294967295.0 - 4096.0;
    return (seconds + kTailSeconds) * kBytesPerSecond > kLimit ? "rf64" : "wav";
}

namespace {

// Whether two paths name one file: the same file if both exist, else the
// same path once links are followed.
bool SameFile(const std::string& a, const std::string& b)
{
    struct stat x {
    }, y{};
    if (stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0)
        return x.st_dev == y.st_dev && x.st_ino == y.st_ino;
    return ResolveLinks(a) == ResolveLinks(b);
}

} // namespace

std::string OutputClash(const std::string& outPath, const std::string& midiPath, const std::string& soundFontWanted)
{
    if (SameFile(outPath, midiPath))
        return outPath + " is the same file as the MIDI file " + midiPath;
    const std::string soundFont = FindSoundFont(soundFontWanted);
    if (!soundFont.empty() && SameFile(outPath, soundFont))
        return outPath + " is the same file as the SoundFont " + soundFont;
    return {};
}

bool RenderWav(const std::string& midiPath, const std::string& wavPath, const std::string& soundFontWanted,
               std::string& error, double expectedSeconds)
{
    return RenderAudio(midiPath, wavPath, AudioFormat::Wav, soundFontWanted, error, expectedSeconds);
}

bool RenderAudio(const std::string& midiPath, const std::string& outPath, AudioFormat format,
                 const std::string& soundFontWanted, std::string& error, double expectedSeconds,
                 const RenderControl& control)
{
    fluid::InstallLog();
    const std::string soundFont = FindSoundFont(soundFontWanted);
    if (soundFont.empty()) {
        error = soundFontWanted.empty() ? "no SoundFont found" : "SoundFont not readable: " + soundFontWanted;
        return false;
    }
    // The output replaces what it names: never the piece or the SoundFont.
    if (std::string clash = OutputClash(outPath, midiPath, soundFontWanted); !clash.empty()) {
        error = std::move(clash);
        return false;
    }
    if (!IsReadableFile(midiPath) || !fluid_is_midifile(midiPath.c_str())) {
        error = "not a readable MIDI file: " + midiPath;
        return false;
    }
    // The synthesizer names Ogg Vorbis "oga"; the file keeps its own name.
    const char* type = format == AudioFormat::Flac  ? "flac"
                       : format == AudioFormat::Ogg ? "oga"
                                                    : WaveFileType(expectedSeconds);
    // The synthesizer writes the whole file under the temporary name; it is
    // put in place only once rendering has finished.
    const auto render = [&](const std::string& temporary) {
        fluid_settings_t* settings = new_fluid_settings();
        if (!settings) {
            error = "out of memory";
            return false;
        }
        fluid_settings_setstr(settings, "audio.file.name", temporary.c_str());
        fluid_settings_setstr(settings, "audio.file.type", type);
        fluid_settings_setstr(settings, "audio.file.format", "s16");
        fluid_settings_setnum(settings, "synth.sample-rate", 44100.0);
        fluid_settings_setstr(settings, "player.timing-source", "sample");
        fluid_settings_setint(settings, "synth.lock-memory", 0);
        fluid_synth_t* synth = new_fluid_synth(settings);
        fluid_player_t* player = nullptr;
        fluid_file_renderer_t* renderer = nullptr;
        bool ok = false;
        if (!synth || fluid_synth_sfload(synth, soundFont.c_str(), 1) == FLUID_FAILED) {
            error = "the SoundFont could not be loaded: " + soundFont;
        } else if (!(player = new_fluid_player(synth)) || fluid_player_add(player, midiPath.c_str()) != FLUID_OK) {
            error = "the player could not take the file";
        } else if (!(renderer = new_fluid_file_renderer(synth))) {
            error = "cannot write " + outPath;
        } else {
            ok = fluid_player_play(player) == FLUID_OK;
            int total = 0;
            int blocks = 0;
            while (ok && !fluid::Finished(player, total) && fluid_player_get_status(player) == FLUID_PLAYER_PLAYING) {
                if (control.cancel && control.cancel->load()) {
                    error = "cancelled";
                    ok = false;
                    break;
                }
                ok = fluid_file_renderer_process_block(renderer) == FLUID_OK;
                if (control.progress && total > 0 && ++blocks % 256 == 0)
                    control.progress(static_cast<double>(fluid_player_get_current_tick(player)) / total);
            }
            if (!ok && error.empty())
                error = "rendering failed";
        }
        if (renderer)
            delete_fluid_file_renderer(renderer); // closes the audio file
        if (player) {
            fluid_player_stop(player);
            delete_fluid_player(player);
        }
        if (synth)
            delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        return ok;
    };
    std::string reason;
    if (ReplaceFile(outPath, render, &reason)) {
        if (control.progress)
            control.progress(1.0);
        return true;
    }
    if (error.empty())
        error = "cannot write " + outPath + ": " + reason;
    return false;
}

} // namespace varimel
