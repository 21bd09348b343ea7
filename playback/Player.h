// SPDX-License-Identifier: MIT
// Plays a Standard MIDI File through FluidSynth with a General MIDI
// SoundFont on the desktop's audio output, for the window's preview.
#pragma once

#include "Output.h"
#include "config/Settingsfile.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;
struct _fluid_player_t;

namespace varimel {

struct PlayerOptions {
    std::string soundFont;   // empty: the default list
    std::string audioDriver; // empty: the first of the usual desktop drivers that opens;
                             // "none": no output, the caller renders (RenderFrames)
    std::string wavFile;     // output of the "file" driver
};

// Why a player could not start, at the start of LastError (a SoundFont's
// path follows the second), so that the window can say it in its words.
inline constexpr char kPlayerNoSoundFont[] = "no SoundFont found";
inline constexpr char kPlayerSoundFontFailed[] = "the SoundFont could not be loaded: ";
inline constexpr char kPlayerNoAudioOutput[] = "no audio output could be opened";

// The sequencer device: open a file, play it without blocking, stop, close.
// When play ends for any reason (played to the end, stopped, failed) the
// end callback runs exactly once, on the player's own thread. The
// synthesizer, its SoundFont and the audio output are made at the first
// Open and kept until Close, so later files start at once.
class MidiPlayer : public SoundOutput {
public:
    explicit MidiPlayer(PlayerOptions options);
    ~MidiPlayer() override;
    MidiPlayer(const MidiPlayer&) = delete;
    MidiPlayer& operator=(const MidiPlayer&) = delete;

    // Ends a previous play and takes a new file. Fails cleanly when there is
    // no SoundFont, no audio output, or the file is not a readable Standard
    // MIDI File.
    bool Open(const std::string& midiPath) override;
    bool Play(std::function<void()> onEnd) override;
    // Ends play; the end callback follows. Does nothing when nothing plays.
    void Stop() override;
    // Releases everything; a play still running ends without its callback.
    void Close() override;

    // Sounds one key on a channel no piece uses, with program and velocity,
    // until SilenceKeys (the synthesizer and its output made if need be);
    // false, with LastError, when they cannot be. Not while a file plays.
    bool SoundKey(int key, int program, int velocity) override;
    void SilenceKeys() override;

    bool IsOpen() const { return player_ != nullptr; }
    // The tick the player has reached (of 960 per quarter note); -1 without
    // a file.
    int CurrentTick() const override;
    // Plays at speed times the file's tempo, from now and for the next
    // files, without a restart (the file is left as it is).
    void SetSpeed(double speed) override;
    // Without an audio output ("none"): renders frames of sound and returns
    // false when there is no synthesizer or it renders on its own.
    bool RenderFrames(int frames);
    // How often a SoundFont was loaded since the player was made.
    int SoundFontLoads() const { return soundFontLoads_; }
    const std::string& LastError() const override { return error_; }

private:
    void Watch(std::function<void()> onEnd);
    bool OpenSynth();
    // Ends the current play (silently) and lets go of its file only.
    void EndPlay();
    // Waits for the watching thread; a play still running ends silently.
    void StopWatcher();
    void DeletePlayer();

    PlayerOptions options_;
    _fluid_hashtable_t* settings_ = nullptr;
    _fluid_synth_t* synth_ = nullptr;
    _fluid_audio_driver_t* driver_ = nullptr;
    _fluid_player_t* player_ = nullptr;
    std::thread watcher_;
    double speed_ = 1.0;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> silent_{false};
    std::string error_;
    std::vector<float> scratch_; // what RenderFrames renders, unheard
    int soundFontLoads_ = 0;
};

} // namespace varimel
