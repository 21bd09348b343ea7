// SPDX-License-Identifier: MIT
#include "Player.h"

#include "sys/Paths.h"

#include <fluidsynth.h>

#include <chrono>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace varimel {

namespace {

constexpr auto kWatchPeriod = std::chrono::milliseconds(10);
// Desktop audio outputs tried in turn when none is configured.
const char* const kDesktopDrivers[] = {"pulseaudio", "alsa", "jack", "sdl2", "oss"};

bool Readable(const std::string& path)
{
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), R_OK) == 0;
}

// FluidSynth reports through its log; errors go to stderr, chatter nowhere.
void QuietLog(int level, const char* message, void*)
{
    if (level <= FLUID_ERR)
        std::fprintf(stderr, "fluidsynth: %s\n", message);
}

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

} // namespace

MidiPlayer::MidiPlayer(PlayerOptions options) : options_(std::move(options)) { InstallLog(); }

MidiPlayer::~MidiPlayer() { Close(); }

bool MidiPlayer::Open(const std::string& midiPath)
{
    EndPlay();
    error_.clear();
    if (!Readable(midiPath) || !fluid_is_midifile(midiPath.c_str())) {
        error_ = "not a readable MIDI file: " + midiPath;
        return false;
    }
    // The synthesizer, its SoundFont and the audio output stay from one
    // preview to the next; only the player is new. When the kept output has
    // gone away, everything is made afresh once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!synth_ && !OpenSynth())
            return false;
        player_ = new_fluid_player(synth_);
        if (player_ && fluid_player_add(player_, midiPath.c_str()) == FLUID_OK)
            return true;
        error_ = "the player could not take the file";
        Close();
    }
    return false;
}

bool MidiPlayer::OpenSynth()
{
    const auto fail = [this](std::string why) {
        error_ = std::move(why);
        Close();
        return false;
    };
    const std::string soundFont = FindSoundFont(options_.soundFont);
    if (soundFont.empty())
        return fail("no SoundFont found");

    settings_ = new_fluid_settings();
    if (!settings_)
        return fail("out of memory");
    if (!options_.wavFile.empty())
        fluid_settings_setstr(settings_, "audio.file.name", options_.wavFile.c_str());
    synth_ = new_fluid_synth(settings_);
    if (!synth_)
        return fail("the synthesizer could not be created");
    ++soundFontLoads_;
    if (fluid_synth_sfload(synth_, soundFont.c_str(), 1) == FLUID_FAILED)
        return fail("the SoundFont could not be loaded: " + soundFont);

    if (!options_.audioDriver.empty()) {
        fluid_settings_setstr(settings_, "audio.driver", options_.audioDriver.c_str());
        driver_ = new_fluid_audio_driver(settings_, synth_);
    } else {
        for (const char* name : kDesktopDrivers) {
            if (fluid_settings_setstr(settings_, "audio.driver", name) != FLUID_OK)
                continue;
            if ((driver_ = new_fluid_audio_driver(settings_, synth_)) != nullptr)
                break;
        }
    }
    if (!driver_)
        return fail("no audio output could be opened");
    return true;
}

int MidiPlayer::CurrentTick() const { return player_ ? fluid_player_get_current_tick(player_) : -1; }

bool MidiPlayer::Play(std::function<void()> onEnd)
{
    if (!player_ || watcher_.joinable())
        return false;
    stopRequested_ = false;
    silent_ = false;
    if (fluid_player_play(player_) != FLUID_OK)
        return false;
    watcher_ = std::thread([this, onEnd = std::move(onEnd)] { Watch(onEnd); });
    return true;
}

void MidiPlayer::Watch(std::function<void()> onEnd)
{
    int total = 0;
    while (!stopRequested_ && !Finished(player_, total))
        std::this_thread::sleep_for(kWatchPeriod);
    fluid_player_stop(player_);
    // Silence what is still sounding so that a stop is heard at once.
    fluid_synth_all_sounds_off(synth_, -1);
    if (!silent_ && onEnd)
        onEnd();
}

void MidiPlayer::Stop() { stopRequested_ = true; }

void MidiPlayer::EndPlay()
{
    if (watcher_.joinable()) {
        // A play still running ends without its report.
        silent_ = true;
        stopRequested_ = true;
        watcher_.join();
    }
    if (player_) {
        fluid_player_stop(player_);
        delete_fluid_player(player_);
        player_ = nullptr;
    }
    if (synth_)
        fluid_synth_all_sounds_off(synth_, -1);
}

void MidiPlayer::Close()
{
    if (watcher_.joinable()) {
        silent_ = true;
        stopRequested_ = true;
        watcher_.join();
    }
    // The audio thread goes first, so that nothing renders while the player
    // and the synthesizer are taken down.
    if (driver_) {
        delete_fluid_audio_driver(driver_);
        driver_ = nullptr;
    }
    if (player_) {
        fluid_player_stop(player_);
        delete_fluid_player(player_);
        player_ = nullptr;
    }
    if (synth_) {
        delete_fluid_synth(synth_);
        synth_ = nullptr;
    }
    if (settings_) {
        delete_fluid_settings(settings_);
        settings_ = nullptr;
    }
}

const char* WaveFileType(double seconds)
{
    // What the synthesizer writes per second, with room for its release
    // tail and the header.
    constexpr double kBytesPerSecond = 44100.0 * 2 * 2;
    constexpr double kTailSeconds = 30.0;
    constexpr double kLimit = 4294967295.0 - 4096.0;
    return (seconds + kTailSeconds) * kBytesPerSecond > kLimit ? "rf64" : "wav";
}

std::optional<AudioFormat> AudioFormatOfPath(const std::string& path)
{
    const std::string extension = ExtensionOf(path);
    if (extension == "wav")
        return AudioFormat::Wav;
    if (extension == "flac")
        return AudioFormat::Flac;
    if (extension == "ogg")
        return AudioFormat::Ogg;
    return std::nullopt;
}

const char* AudioExtension(AudioFormat format)
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

bool RenderWav(const std::string& midiPath, const std::string& wavPath, const std::string& soundFontWanted,
               std::string& error, double expectedSeconds)
{
    return RenderAudio(midiPath, wavPath, AudioFormat::Wav, soundFontWanted, error, expectedSeconds);
}

bool RenderAudio(const std::string& midiPath, const std::string& outPath, AudioFormat format,
                 const std::string& soundFontWanted, std::string& error, double expectedSeconds,
                 const RenderControl& control)
{
    InstallLog();
    const std::string soundFont = FindSoundFont(soundFontWanted);
    if (soundFont.empty()) {
        error = soundFontWanted.empty() ? "no SoundFont found" : "SoundFont not readable: " + soundFontWanted;
        return false;
    }
    if (!Readable(midiPath) || !fluid_is_midifile(midiPath.c_str())) {
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
            while (ok && !Finished(player, total) && fluid_player_get_status(player) == FLUID_PLAYER_PLAYING) {
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
