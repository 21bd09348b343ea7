// SPDX-License-Identifier: MIT
// Where a preview sounds: the built-in synthesizer or a MIDI port. The
// window plays through this alone, whichever it is.
#pragma once

#include <functional>
#include <string>

namespace varimel {

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Makes the output ready before anything plays: a MIDI port appears
    // now, for other programs to connect to. False, with LastError, when it
    // cannot be had.
    virtual bool Prepare() { return true; }
    // Ends a previous play and takes a new Standard MIDI File; false, with
    // LastError, when it or the output cannot be had.
    virtual bool Open(const std::string& midiPath) = 0;
    // Plays without blocking; onEnd runs exactly once when play ends for any
    // reason, on a thread of the output's own. A play that ended because the
    // output went away leaves its reason in LastError.
    virtual bool Play(std::function<void()> onEnd) = 0;
    // Ends play; the end callback follows. Does nothing when nothing plays.
    virtual void Stop() = 0;
    // Releases everything; a play still running ends without its callback.
    virtual void Close() = 0;
    // Sounds one key on a channel no piece uses until SilenceKeys; false,
    // with LastError, when the output cannot be had. Not while a file plays.
    virtual bool SoundKey(int key, int program, int velocity) = 0;
    virtual void SilenceKeys() = 0;
    // The tick the play has reached (of the file's ticks per quarter); -1
    // without a file.
    virtual int CurrentTick() const = 0;
    // Plays at speed times the file's tempo, from now and for the next
    // files, without a restart.
    virtual void SetSpeed(double speed) = 0;
    virtual const std::string& LastError() const = 0;
};

} // namespace varimel
