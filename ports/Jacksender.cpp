// SPDX-License-Identifier: MIT
#include "Jacksender.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace varimel {

namespace {

constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kAllSoundOff = 120;
constexpr std::uint8_t kAllNotesOff = 123;

// The library's own messages would land on the terminal of every program
// that lists ports; the reasons that matter are told by this program.
void Quiet(const char*) {}

} // namespace

std::unique_ptr<JackSender> JackSender::Open(const std::string& target, std::string& why)
{
    jack_set_error_function(Quiet);
    jack_set_info_function(Quiet);
    std::unique_ptr<JackSender> s(new JackSender);
    s->target_ = target;
    jack_status_t status{};
    s->client_ = jack_client_open(kPortName, JackNoStartServer, &status);
    if (!s->client_) {
        why = "no JACK server is running";
        return nullptr;
    }
    s->rate_ = jack_get_sample_rate(s->client_);
    s->port_ = jack_port_register(s->client_, kPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!s->port_) {
        why = "the JACK port could not be made";
        return nullptr;
    }
    jack_set_process_callback(s->client_, Process, s.get());
    jack_on_shutdown(s->client_, Shutdown, s.get());
    jack_set_port_connect_callback(s->client_, Connected, s.get());
    if (jack_activate(s->client_) != 0) {
        why = "the JACK client could not be started";
        return nullptr;
    }
    if (!target.empty()) {
        jack_port_t* other = jack_port_by_name(s->client_, target.c_str());
        if (!other || !(jack_port_flags(other) & JackPortIsInput) ||
            std::strcmp(jack_port_type(other), JACK_DEFAULT_MIDI_TYPE) != 0) {
            why = "no JACK MIDI input " + target;
            return nullptr;
        }
        const int connected = jack_connect(s->client_, jack_port_name(s->port_), target.c_str());
        if (connected != 0 && connected != EEXIST) {
            why = "the port could not be connected to " + target;
            return nullptr;
        }
        // The server wires a new connection in at a later cycle: the piece
        // starts once it is in, so that its first events are not lost.
        const std::uint64_t from = s->cycles_.load();
        for (int i = 0; i < 250 && s->cycles_.load() < from + 2; ++i)
            usleep(2000);
    }
    return s;
}

JackSender::~JackSender()
{
    if (client_) {
        // Whatever still sounds is silenced before the port goes.
        if (state_.load() == kPlaying) {
            Stop();
            for (int i = 0; i < 100 && !Done(); ++i)
                usleep(2000);
        }
        jack_deactivate(client_);
        jack_client_close(client_);
    }
}

std::string JackSender::PortName() const { return port_ ? jack_port_name(port_) : std::string(); }

bool JackSender::Start(std::shared_ptr<const SmfTimeline> piece, double speed, std::string& why)
{
    const int state = state_.load();
    if (state == kPlaying || state == kStopping) {
        why = "a piece is playing";
        return false;
    }
    if (lost_.load()) {
        why = Lost();
        return false;
    }
    // The callback reads none of this until the state says it plays.
    piece_ = std::move(piece);
    frames_.clear();
    frames_.reserve(piece_->Events.size());
    for (const TimedEvent& e : piece_->Events)
        frames_.push_back(piece_->FrameOfTick(e.Tick, rate_));
    endFrame_ = piece_->FrameOfTick(piece_->EndTick, rate_);
    next_.store(0);
    position_.store(0.0);
    speed_.store(speed > 0 ? speed : 1.0);
    started_.store(false);
    state_.store(kPlaying, std::memory_order_release);
    return true;
}

void JackSender::SetSpeed(double speed)
{
    if (speed > 0)
        speed_.store(speed);
}

void JackSender::Stop()
{
    int playing = kPlaying;
    state_.compare_exchange_strong(playing, kStopping);
}

bool JackSender::Done() const { return state_.load() == kDone || state_.load() == kIdle || lost_.load(); }

std::uint64_t JackSender::Tick() const
{
    const std::shared_ptr<const SmfTimeline> piece = state_.load(std::memory_order_acquire) == kIdle ? nullptr : piece_;
    return piece ? piece->TickAt(position_.load() / rate_) : 0;
}

std::string JackSender::Lost() const
{
    std::lock_guard lock(lostMutex_);
    return lostWhy_;
}

void JackSender::SetLost(const std::string& why)
{
    {
        std::lock_guard lock(lostMutex_);
        if (!lostWhy_.empty())
            return;
        lostWhy_ = why;
    }
    lost_.store(true);
}

void JackSender::SendNow(const std::uint8_t* bytes, int size)
{
    const std::uint32_t written = nowWritten_.load(std::memory_order_relaxed);
    if (size < 1 || size > 3 || written - nowRead_.load(std::memory_order_acquire) >= now_.size())
        return;
    NowMessage& m = now_[written % now_.size()];
    m.Size = static_cast<std::uint8_t>(size);
    std::memcpy(m.Bytes, bytes, static_cast<std::size_t>(size));
    nowWritten_.store(written + 1, std::memory_order_release);
}

int JackSender::Process(std::uint32_t frames, void* self)
{
    static_cast<JackSender*>(self)->Cycle(frames);
    return 0;
}

void JackSender::Cycle(std::uint32_t frames)
{
    cycles_.fetch_add(1, std::memory_order_relaxed);
    void* buffer = jack_port_get_buffer(port_, frames);
    jack_midi_clear_buffer(buffer);
    const std::uint32_t written = nowWritten_.load(std::memory_order_acquire);
    for (std::uint32_t read = nowRead_.load(std::memory_order_relaxed); read != written; ++read) {
        const NowMessage& m = now_[read % now_.size()];
        jack_midi_event_write(buffer, 0, m.Bytes, m.Size);
        nowRead_.store(read + 1, std::memory_order_release);
    }
    const int state = state_.load(std::memory_order_acquire);
    if (state == kStopping) {
        // Silence at the cycle's first frame: within one period of the stop.
        for (int channel = 0; channel < 16; ++channel)
            if ((piece_->Channels | (1u << kPortKeyChannel)) & (1u << channel))
                for (const std::uint8_t control : {kAllSoundOff, kAllNotesOff}) {
                    const std::uint8_t off[3] = {static_cast<std::uint8_t>(kControlChange | channel), control, 0};
                    jack_midi_event_write(buffer, 0, off, 3);
                }
        state_.store(kDone);
        return;
    }
    if (state != kPlaying)
        return;
    // The server's frame clock is the piece's: a cycle the server left out
    // (an overrun) moves the piece on as much, its events written late at
    // the next cycle's start rather than everything after them late.
    const std::uint32_t now = jack_last_frame_time(client_);
    if (!started_.load()) {
        startFrame_.store(now);
        cycleFrame_ = now;
        started_.store(true);
    }
    const double speed = speed_.load();
    const double position = position_.load() + static_cast<std::uint32_t>(now - cycleFrame_) * cycleSpeed_;
    cycleFrame_ = now;
    cycleSpeed_ = speed;
    // The piece's time runs at the speed: this cycle covers its frames from
    // position to position + frames × speed, each event written at the
    // server frame its piece frame falls on.
    const double end = position + frames * speed;
    std::size_t i = next_.load();
    const TimedEvent* events = piece_->Events.data();
    for (; i < frames_.size() && static_cast<double>(frames_[i]) < end; ++i) {
        const double at = std::floor((static_cast<double>(frames_[i]) - position) / speed + 1e-9);
        const auto offset = static_cast<std::uint32_t>(std::clamp(at, 0.0, static_cast<double>(frames - 1)));
        // A full buffer keeps the rest for the next cycle, a little late.
        if (jack_midi_event_write(buffer, offset, events[i].Bytes, events[i].Size) != 0)
            break;
    }
    next_.store(i);
    position_.store(position);
    if (i >= frames_.size() && end >= static_cast<double>(endFrame_))
        state_.store(kDone);
}

void JackSender::Shutdown(void* self) { static_cast<JackSender*>(self)->SetLost("the JACK server stopped"); }

void JackSender::Connected(std::uint32_t a, std::uint32_t b, int connect, void* self)
{
    auto* s = static_cast<JackSender*>(self);
    if (connect || s->target_.empty())
        return;
    // Our port let go of the one chosen: the receiver quit or was unplugged.
    (void)a;
    (void)b;
    if (!jack_port_connected_to(s->port_, s->target_.c_str()))
        s->SetLost("the MIDI port " + s->target_ + " went away");
}

} // namespace varimel
