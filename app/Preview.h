// SPDX-License-Identifier: MIT
// The preview behind 試聴: the synthesizer kept between previews, the play
// of one piece with its playhead about 33 times a second (the whole piece's
// tick and the keys sounding), the end of play reported once, and the short
// notes the plot's cursor sounds.
#pragma once

#include "music/Mapping.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace varimel {
class MidiPlayer;
class SoundOutput;
} // namespace varimel
class QTimer;

// Why a preview could not start, in the window's words, with what to do
// next (the player's own reason, error, is in English).
QString PreviewFailureWords(const std::string& error);

class TPreview : public QObject {
    Q_OBJECT
public:
    // soundFont and audioDriver: the settings file's, empty for the defaults.
    TPreview(QObject* parent, QString soundFont, QString audioDriver);
    // Where previews sound from the next one on: a MIDI port's setting text,
    // empty for the built-in synthesizer. What plays now ends first.
    void SetOutput(const QString& output);
    const QString& Output() const { return m_output; }
    ~TPreview() override;

    // Plays the MIDI file at path, whose notes are notes; offset is the whole
    // piece's tick the file starts at (a part's). False, with the player's
    // reason in error, when it cannot be opened.
    bool Play(const std::string& path, std::vector<varimel::NoteSpan> notes, std::uint32_t offset, std::string& error);
    // Asks the player to stop; the end of play is reported as ever.
    void Stop();
    // Ends a play that will not report its end (a new preview replaces it).
    void Halt();
    // Back at rest: no playhead, no sounding keys.
    void Settle();
    // Lets go of the synthesizer and its output; whether a preview was playing.
    bool Close();
    // Sounds a key briefly with the instrument and velocity, never over a
    // preview; once no synthesizer or output opens, the keys stay silent
    // until the next preview.
    void SoundKey(int key, int program, int velocity);

    bool Playing() const { return m_playing; }
    // The speed of play (a multiple of the piece's tempo): at once while a
    // preview plays, and for the next ones; the file is not touched.
    void SetSpeed(double speed);
    double Speed() const { return m_speed; }
    // The player's tick the keys were last shown for (-1 when not playing),
    // the keys sounding then, and the player.
    int Tick() const { return m_tick; }
    const std::vector<std::int32_t>& Sounding() const { return m_sounding; }
    // The built-in synthesizer's player, when that is the output in use.
    const varimel::MidiPlayer* Player() const;
    // The last play ended early as its MIDI port went away.
    bool PortLost() const;

    // Each step of the playhead: the whole piece's tick, and whether the
    // sounding keys changed.
    std::function<void(std::int64_t tick, bool keysChanged)> onStep;
    // The end of the current play (played out, stopped or failed), once.
    std::function<void()> onEnd;

private:
    void Keep();
    void Step();

    QString m_soundFont;
    QString m_audioDriver;
    QString m_output; // empty: the built-in synthesizer
    std::unique_ptr<varimel::SoundOutput> m_player;
    bool m_playing = false;
    unsigned m_generation = 0; // tells a stale end-of-play report from the current one
    QTimer* m_playhead = nullptr;
    varimel::NoteTimeline m_timeline; // the notes of the piece being previewed
    std::vector<std::int32_t> m_sounding;
    std::vector<std::int32_t> m_soundingNow;
    int m_tick = -1;
    double m_speed = 1.0;
    std::uint32_t m_offset = 0; // the whole piece's tick the preview started at
    QTimer* m_keyRelease = nullptr;
    bool m_keysSilent = false;
};
