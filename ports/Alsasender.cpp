// SPDX-License-Identifier: MIT
#include "Alsasender.h"

#include <alsa/asoundlib.h>

#include <chrono>

namespace varimel {

namespace {

// How often the feeder looks whether the piece has played out or the port
// it sends to is still there: supervision only, the queue keeps the time.
constexpr auto kWatchPeriod = std::chrono::milliseconds(10);

// An event for the port's subscribers from a channel message.
bool EventOf(const std::uint8_t* b, int size, snd_seq_event_t& ev)
{
    const int channel = b[0] & 0x0F;
    switch (b[0] & 0xF0) {
    case 0x80:
        snd_seq_ev_set_noteoff(&ev, channel, b[1], b[2]);
        return size == 3;
    case 0x90:
        snd_seq_ev_set_noteon(&ev, channel, b[1], b[2]);
        return size == 3;
    case 0xA0:
        snd_seq_ev_set_keypress(&ev, channel, b[1], b[2]);
        return size == 3;
    case 0xB0:
        snd_seq_ev_set_controller(&ev, channel, b[1], b[2]);
        return size == 3;
    case 0xC0:
        snd_seq_ev_set_pgmchange(&ev, channel, b[1]);
        return size == 2;
    case 0xD0:
        snd_seq_ev_set_chanpress(&ev, channel, b[1]);
        return size == 2;
    case 0xE0:
        snd_seq_ev_set_pitchbend(&ev, channel, ((b[2] << 7) | b[1]) - 8192);
        return size == 3;
    default:
        return false;
    }
}

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

} // namespace

std::unique_ptr<AlsaSender> AlsaSender::Open(const std::string& target, std::string& why)
{
    snd_lib_error_set_handler(QuietAlsa);
    std::unique_ptr<AlsaSender> s(new AlsaSender);
    if (snd_seq_open(&s->seq_, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) {
        s->seq_ = nullptr;
        why = "no ALSA sequencer (/dev/snd/seq)";
        return nullptr;
    }
    snd_seq_set_client_name(s->seq_, kPortName);
    s->port_ = snd_seq_create_simple_port(s->seq_, kPortName, SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                          SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    s->queue_ = snd_seq_alloc_named_queue(s->seq_, kPortName);
    if (s->port_ < 0 || s->queue_ < 0) {
        why = "the ALSA sequencer port could not be made";
        return nullptr;
    }
    if (!target.empty()) {
        snd_seq_addr_t address{};
        if (snd_seq_parse_address(s->seq_, &address, target.c_str()) < 0) {
            why = "no ALSA sequencer port " + target;
            return nullptr;
        }
        if (snd_seq_connect_to(s->seq_, s->port_, address.client, address.port) < 0) {
            why = "the port could not be connected to " + target;
            return nullptr;
        }
        s->targetClient_ = address.client;
        s->targetPort_ = address.port;
    }
    return s;
}

AlsaSender::~AlsaSender()
{
    if (feeder_.joinable()) {
        Stop();
        feeder_.join();
    }
    if (seq_)
        snd_seq_close(seq_);
}

bool AlsaSender::TargetThere() const
{
    if (targetClient_ < 0)
        return true;
    snd_seq_port_info_t* info = nullptr;
    snd_seq_port_info_alloca(&info);
    return snd_seq_get_any_port_info(seq_, targetClient_, targetPort_, info) == 0;
}

void AlsaSender::SetTempo(std::uint32_t micros)
{
    snd_seq_queue_tempo_t* tempo = nullptr;
    snd_seq_queue_tempo_alloca(&tempo);
    snd_seq_queue_tempo_set_tempo(tempo, static_cast<unsigned>(micros / speed_.load()));
    snd_seq_queue_tempo_set_ppq(tempo, piece_ ? piece_->Division : 960);
    snd_seq_set_queue_tempo(seq_, queue_, tempo);
}

bool AlsaSender::Start(std::shared_ptr<const SmfTimeline> piece, double speed, std::string& why)
{
    if (feeder_.joinable()) {
        if (!done_.load()) {
            why = "a piece is playing";
            return false;
        }
        feeder_.join();
    }
    if (lost_.load()) {
        why = Lost();
        return false;
    }
    piece_ = std::move(piece);
    speed_.store(speed > 0 ? speed : 1.0);
    stop_.store(false);
    done_.store(false);
    {
        std::lock_guard lock(seqMutex_);
        tempo_.store(piece_->Tempos.front().MicrosPerQuarter);
        SetTempo(tempo_.load());
        snd_seq_start_queue(seq_, queue_, nullptr);
        snd_seq_drain_output(seq_);
    }
    feeder_ = std::thread([this] { Feed(); });
    return true;
}

void AlsaSender::Feed()
{
    const std::vector<TimedEvent>& events = piece_->Events;
    std::size_t tempo = 1; // the next tempo change
    for (std::size_t i = 0; i < events.size() && !stop_.load(); ++i) {
        std::lock_guard lock(seqMutex_);
        // A change of tempo goes to the queue's timer at its tick.
        while (tempo < piece_->Tempos.size() && piece_->Tempos[tempo].Tick <= events[i].Tick) {
            snd_seq_event_t ev;
            snd_seq_ev_clear(&ev);
            snd_seq_ev_set_queue_tempo(&ev, queue_,
                                       static_cast<unsigned>(piece_->Tempos[tempo].MicrosPerQuarter / speed_.load()));
            snd_seq_ev_schedule_tick(&ev, queue_, 0, static_cast<snd_seq_tick_time_t>(piece_->Tempos[tempo].Tick));
            snd_seq_event_output(seq_, &ev);
            ++tempo;
        }
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        if (!EventOf(events[i].Bytes, events[i].Size, ev))
            continue;
        snd_seq_ev_set_source(&ev, port_);
        snd_seq_ev_set_subs(&ev);
        snd_seq_ev_schedule_tick(&ev, queue_, 0, static_cast<snd_seq_tick_time_t>(events[i].Tick));
        // Blocks only while the sequencer's pool is full, which the queue
        // empties as the piece plays.
        if (snd_seq_event_output(seq_, &ev) < 0)
            break;
        if (i % 64 == 63)
            snd_seq_drain_output(seq_);
    }
    {
        std::lock_guard lock(seqMutex_);
        snd_seq_drain_output(seq_);
    }
    // Until the queue has played the piece out, or a stop.
    while (!stop_.load()) {
        if (!TargetThere()) {
            {
                std::lock_guard lock(seqMutex_);
                lostWhy_ = "the MIDI port went away";
            }
            lost_.store(true);
            break;
        }
        if (Tick() >= piece_->EndTick)
            break;
        std::this_thread::sleep_for(kWatchPeriod);
    }
    Silence();
    done_.store(true);
}

void AlsaSender::Silence()
{
    std::lock_guard lock(seqMutex_);
    snd_seq_drop_output(seq_);
    snd_seq_remove_events_t* remove = nullptr;
    snd_seq_remove_events_alloca(&remove);
    snd_seq_remove_events_set_condition(remove, SND_SEQ_REMOVE_OUTPUT);
    snd_seq_remove_events_set_queue(remove, queue_);
    snd_seq_remove_events(seq_, remove);
    snd_seq_stop_queue(seq_, queue_, nullptr);
    for (const std::vector<std::uint8_t>& m :
         SilenceMessages(static_cast<std::uint16_t>(piece_->Channels | (1u << kPortKeyChannel)))) {
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        EventOf(m.data(), static_cast<int>(m.size()), ev);
        snd_seq_ev_set_source(&ev, port_);
        snd_seq_ev_set_subs(&ev);
        snd_seq_ev_set_direct(&ev);
        snd_seq_event_output(seq_, &ev);
    }
    snd_seq_drain_output(seq_);
}

void AlsaSender::SetSpeed(double speed)
{
    if (speed <= 0)
        return;
    speed_.store(speed);
    if (!done_.load()) {
        std::lock_guard lock(seqMutex_);
        snd_seq_change_queue_tempo(seq_, queue_, static_cast<int>(tempo_.load() / speed), nullptr);
        snd_seq_drain_output(seq_);
    }
}

void AlsaSender::Stop() { stop_.store(true); }

std::uint64_t AlsaSender::Tick() const
{
    if (!piece_)
        return 0;
    snd_seq_queue_status_t* status = nullptr;
    snd_seq_queue_status_alloca(&status);
    std::lock_guard lock(seqMutex_);
    if (snd_seq_get_queue_status(seq_, queue_, status) < 0)
        return 0;
    return snd_seq_queue_status_get_tick_time(status);
}

std::string AlsaSender::Lost() const { return lost_.load() ? lostWhy_ : std::string(); }

void AlsaSender::SendNow(const std::uint8_t* bytes, int size)
{
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    if (!EventOf(bytes, size, ev))
        return;
    std::lock_guard lock(seqMutex_);
    snd_seq_ev_set_source(&ev, port_);
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    snd_seq_event_output(seq_, &ev);
    snd_seq_drain_output(seq_);
}

} // namespace varimel
