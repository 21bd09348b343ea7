// SPDX-License-Identifier: MIT
#include "Player.h"

#include "Fluid.h"
#include "sys/Paths.h"

#include <fluidsynth.h>

#include <chrono>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace varimel {

namespace {

constexpr auto kWatchPeriod = std::chrono::milliseconds(10);
// The channel single keys sound on: the last one, which no piece uses.
constexpr int kKeyChannel = 15;
// No audio output: the synthesizer renders only when asked (RenderFrames),
// so that its clock is the caller's.
constexpr char kNoAudioDriver[] = "none";
// Desktop audio outputs tried in turn when none is configured.
const char* const kDesktopDrivers[] = {"pulseaudio", "alsa", "jack", "sdl2", "oss"};

} // namespace

MidiPlayer::MidiPlayer(PlayerOptions options) : options_(std::move(options)) { fluid::InstallLog(); }

MidiPlayer::~MidiPlayer() { Close(); }

bool MidiPlayer::Open(const std::string& midiPath)
{
    EndPlay();
    error_.clear();
    if (!IsReadableFile(midiPath) || !fluid_is_midifile(midiPath.c_str())) {
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
        return fail(kPlayerNoSoundFont);

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
        return fail(kPlayerSoundFontFailed + soundFont);

    if (options_.audioDriver == kNoAudioDriver)
        return true;
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
        return fail(kPlayerNoAudioOutput);
    return true;
}

bool MidiPlayer::SoundKey(int key, int program, int velocity)
{
    if (watcher_.joinable() && !stopRequested_)
        return false;
    error_.clear();
    if (!synth_ && !OpenSynth())
        return false;
    SilenceKeys();
    fluid_synth_program_change(synth_, kKeyChannel, program);
    return fluid_synth_noteon(synth_, kKeyChannel, key, velocity) == FLUID_OK;
}

void MidiPlayer::SilenceKeys()
{
    if (synth_)
        fluid_synth_all_notes_off(synth_, kKeyChannel);
}

int MidiPlayer::CurrentTick() const { return player_ ? fluid_player_get_current_tick(player_) : -1; }

void MidiPlayer::SetSpeed(double speed)
{
    speed_ = speed;
    if (player_)
        fluid_player_set_tempo(player_, FLUID_PLAYER_TEMPO_INTERNAL, speed_);
}

bool MidiPlayer::RenderFrames(int frames)
{
    if (!synth_ || driver_ || frames <= 0)
        return false;
    scratch_.resize(static_cast<std::size_t>(frames) * 2);
    return fluid_synth_write_float(synth_, frames, scratch_.data(), 0, 2, scratch_.data(), 1, 2) == FLUID_OK;
}

bool MidiPlayer::Play(std::function<void()> onEnd)
{
    if (!player_ || watcher_.joinable())
        return false;
    stopRequested_ = false;
    silent_ = false;
    fluid_player_set_tempo(player_, FLUID_PLAYER_TEMPO_INTERNAL, speed_);
    if (fluid_player_play(player_) != FLUID_OK)
        return false;
    watcher_ = std::thread([this, onEnd = std::move(onEnd)] { Watch(onEnd); });
    return true;
}

void MidiPlayer::Watch(std::function<void()> onEnd)
{
    int total = 0;
    while (!stopRequested_ && !fluid::Finished(player_, total))
        std::this_thread::sleep_for(kWatchPeriod);
    fluid_player_stop(player_);
    // Silence what is still sounding so that a stop is heard at once.
    fluid_synth_all_sounds_off(synth_, -1);
    if (!silent_ && onEnd)
        onEnd();
}

void MidiPlayer::Stop() { stopRequested_ = true; }

void MidiPlayer::StopWatcher()
{
    if (watcher_.joinable()) {
        // A play still running ends without its report.
        silent_ = true;
        stopRequested_ = true;
        watcher_.join();
    }
}

void MidiPlayer::DeletePlayer()
{
    if (player_) {
        fluid_player_stop(player_);
        delete_fluid_player(player_);
        player_ = nullptr;
    }
}

void MidiPlayer::EndPlay()
{
    StopWatcher();
    DeletePlayer();
    if (synth_)
        fluid_synth_all_sounds_off(synth_, -1);
}

void MidiPlayer::Close()
{
    StopWatcher();
    // The audio thread goes first, so that nothing renders while the player
    // and the synthesizer are taken down.
    if (driver_) {
        delete_fluid_audio_driver(driver_);
        driver_ = nullptr;
    }
    DeletePlayer();
    if (synth_) {
        delete_fluid_synth(synth_);
        synth_ = nullptr;
    }
    if (settings_) {
        delete_fluid_settings(settings_);
        settings_ = nullptr;
    }
}

} // namespace varimel
