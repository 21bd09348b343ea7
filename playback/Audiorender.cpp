// SPDX-License-Identifier: MIT
#include "Audiorender.h"

#include "Fluid.h"
#include "config/Settingsfile.h"
#include "sys/Paths.h"
#include "sys/Replace.h"

#include <fluidsynth.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

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

// Renders the playing piece through synth into the raw scratch file (float
// stereo frames, interleaved) in blocks of the synthesizer's period, as its
// own file renderer does; the loudest sample's size comes back in peak.
bool RenderToScratch(fluid_synth_t* synth, fluid_player_t* player, int period, std::FILE* scratch, float& peak,
                     const RenderControl& control, std::string& error)
{
    std::vector<float> block(static_cast<std::size_t>(period) * 2);
    int total = 0;
    int blocks = 0;
    peak = 0.0f;
    while (!fluid::Finished(player, total) && fluid_player_get_status(player) == FLUID_PLAYER_PLAYING) {
        if (control.cancel && control.cancel->load()) {
            error = "cancelled";
            return false;
        }
        if (fluid_synth_write_float(synth, period, block.data(), 0, 2, block.data(), 1, 2) != FLUID_OK) {
            error = "rendering failed";
            return false;
        }
        for (const float v : block)
            peak = std::max(peak, std::fabs(v));
        if (std::fwrite(block.data(), sizeof(float), block.size(), scratch) != block.size()) {
            error = std::string("cannot hold the rendered audio: ") + std::strerror(errno);
            return false;
        }
        if (control.progress && total > 0 && ++blocks % 256 == 0)
            control.progress(0.9 * fluid_player_get_current_tick(player) / total);
    }
    return true;
}

// Writes the scratch file's frames, each sample times gain, to path in the
// format's encoding.
bool EncodeScratch(std::FILE* scratch, const std::string& path, AudioFormat format, double seconds, double gain,
                   std::string& error)
{
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = format == AudioFormat::Flac                         ? SF_FORMAT_FLAC | SF_FORMAT_PCM_16
                  : format == AudioFormat::Ogg                        ? SF_FORMAT_OGG | SF_FORMAT_VORBIS
                  : std::string_view(WaveFileType(seconds)) == "rf64" ? SF_FORMAT_RF64 | SF_FORMAT_PCM_16
                                                                      : SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* out = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!out) {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    sf_command(out, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::rewind(scratch);
    std::vector<float> frames(std::size_t{8192} * 2);
    bool ok = true;
    for (std::size_t got; ok && (got = std::fread(frames.data(), sizeof(float), frames.size(), scratch)) > 0;) {
        for (std::size_t i = 0; i < got; ++i)
            frames[i] = static_cast<float>(frames[i] * gain);
        const auto count = static_cast<sf_count_t>(got / 2);
        ok = sf_writef_float(out, frames.data(), count) == count;
    }
    if (!ok || std::ferror(scratch))
        error = "cannot write " + path + ": " + (ok ? std::strerror(EIO) : sf_strerror(out));
    return sf_close(out) == 0 && ok && !std::ferror(scratch);
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
                 const RenderControl& control, const AudioLevel& level)
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
        } else if (level.kind != AudioLevel::Kind::AsRendered) {
            // The whole piece first, to know its peak; then written at the
            // level asked for.
            std::unique_ptr<std::FILE, int (*)(std::FILE*)> scratch(std::tmpfile(), &std::fclose);
            int period = 64;
            fluid_settings_getint(settings, "audio.period-size", &period);
            float peak = 0.0f;
            if (!scratch)
                error = std::string("cannot hold the rendered audio: ") + std::strerror(errno);
            else if (fluid_player_play(player) == FLUID_OK &&
                     RenderToScratch(synth, player, period, scratch.get(), peak, control, error)) {
                const double gain = level.kind == AudioLevel::Kind::Gain ? std::pow(10.0, level.gainDb / 20.0)
                                    : peak > 0.0f                        ? std::pow(10.0, kNormalPeakDb / 20.0) / peak
                                                                         : 1.0;
                ok = EncodeScratch(scratch.get(), temporary, format, expectedSeconds, gain, error);
            } else if (error.empty()) {
                error = "rendering failed";
            }
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
