// SPDX-License-Identifier: MIT
#include "Preview.h"

#include "Player.h"
#include "Portplayer.h"
#include "Qtstrings.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <string_view>

using namespace varimel;

namespace {

constexpr auto kPreviewWave = "VarimelPreview.wav"; // written only by the "file" audio driver

} // namespace

TPreview::TPreview(QObject* parent, QString soundFont, QString audioDriver)
    : QObject(parent), m_soundFont(std::move(soundFont)), m_audioDriver(std::move(audioDriver))
{
    m_playhead = new QTimer(this);
    m_playhead->setInterval(30);
    connect(m_playhead, &QTimer::timeout, this, [this] { Step(); });
    m_keyRelease = new QTimer(this);
    m_keyRelease->setSingleShot(true);
    m_keyRelease->setInterval(300);
    connect(m_keyRelease, &QTimer::timeout, this, [this] {
        if (m_player)
            m_player->SilenceKeys();
    });
}

TPreview::~TPreview() { Close(); }

void TPreview::Keep()
{
    // The synthesizer and the audio output are made once and kept, so every
    // later preview starts at once.
    if (!m_player && !m_output.isEmpty()) {
        m_player = std::make_unique<PortPlayer>(PortChoiceOf(ToCore(m_output)));
    } else if (!m_player) {
        PlayerOptions options;
        options.soundFont = ToPath(m_soundFont);
        options.audioDriver = ToCore(m_audioDriver);
        options.wavFile = ToPath(QDir::tempPath() + QLatin1Char('/') + QLatin1String(kPreviewWave));
        m_player = std::make_unique<MidiPlayer>(options);
    }
}

void TPreview::SetOutput(const QString& output)
{
    if (output == m_output)
        return;
    Close();
    m_output = output;
    m_keysSilent = false;
    // Varimel's port is there from the choice on, for other programs to
    // connect to before the first preview.
    if (!m_output.isEmpty()) {
        Keep();
        m_player->Prepare();
    }
}

const MidiPlayer* TPreview::Player() const { return dynamic_cast<const MidiPlayer*>(m_player.get()); }

bool TPreview::PortLost() const { return m_player && m_player->LastError().rfind(kPortLost, 0) == 0; }

QString PreviewFailureWords(const std::string& error)
{
    const auto startsWith = [&error](const char* start) { return error.rfind(start, 0) == 0; };
    if (startsWith(kPortUnavailable))
        return QCoreApplication::translate(
            "TPreview", "MIDI出力先を開けませんでした。ほかのプログラムのポートが終了していないか確か"
                        "めるか、MIDI出力先... で選び直して下さい。");
    const QString listen = QCoreApplication::translate("TPreview", "オーディオファイルへ書き出す... で聴けます。");
    if (startsWith(kPlayerNoSoundFont))
        return QCoreApplication::translate("TPreview",
                                           "音色ファイル（SoundFont）が見つかりません。fluid-soundfont-gm "
                                           "を入れるか、設定ファイルの [Playback] SoundFont に指定して下さい。");
    if (startsWith(kPlayerSoundFontFailed))
        return QCoreApplication::translate("TPreview", "音色ファイル（SoundFont）を読み込めませんでした: %1")
            .arg(QString::fromStdString(error.substr(std::string_view(kPlayerSoundFontFailed).size())));
    if (startsWith(kPlayerNoAudioOutput))
        return QCoreApplication::translate("TPreview",
                                           "音声の出力先を開けませんでした。サウンドの設定を確かめて下さい。") +
               listen;
    return QCoreApplication::translate("TPreview", "シンセサイザーを準備できませんでした。") + listen;
}

bool TPreview::Play(const std::string& path, std::vector<NoteSpan> notes, std::uint32_t offset, std::string& error)
{
    m_keysSilent = false;
    Keep();
    if (!m_player->Open(path)) {
        error = m_player->LastError();
        return false;
    }
    m_offset = offset;
    m_timeline = NoteTimeline(std::move(notes));
    m_playing = true;
    const unsigned generation = ++m_generation;
    // The player reports from its own thread; the report is handled here,
    // between the window's other events.
    m_player->SetSpeed(m_speed);
    m_player->Play([this, generation] {
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == m_generation && onEnd)
                    onEnd();
            },
            Qt::QueuedConnection);
    });
    m_playhead->start();
    return true;
}

void TPreview::Stop()
{
    if (m_player)
        m_player->Stop();
}

void TPreview::Halt()
{
    if (!m_playing)
        return;
    m_player->Stop();
    Settle();
}

void TPreview::Settle()
{
    m_playing = false;
    m_playhead->stop();
    m_tick = -1;
    m_sounding.clear();
}

bool TPreview::Close()
{
    const bool playing = m_playing;
    if (playing) {
        m_playing = false;
        m_playhead->stop();
    }
    if (m_player) {
        m_player->Close();
        m_player.reset();
    }
    return playing;
}

void TPreview::Step()
{
    if (!m_playing || !m_player)
        return;
    const int tick = m_player->CurrentTick();
    if (tick < 0)
        return;
    m_timeline.SoundingAt(static_cast<std::uint32_t>(tick), m_soundingNow);
    m_tick = tick;
    const bool changed = m_soundingNow != m_sounding;
    if (changed)
        m_sounding = m_soundingNow;
    if (onStep)
        onStep(static_cast<std::int64_t>(tick) + m_offset, changed);
}

void TPreview::SoundKey(int key, int program, int velocity)
{
    if (m_playing || m_keysSilent)
        return;
    Keep();
    if (m_player->SoundKey(key, program, velocity))
        m_keyRelease->start();
    else
        m_keysSilent = true;
}

void TPreview::SetSpeed(double speed)
{
    m_speed = speed;
    if (m_player)
        m_player->SetSpeed(speed);
}
