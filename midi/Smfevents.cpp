// SPDX-License-Identifier: MIT
#include "Smfevents.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace varimel {

namespace {

constexpr std::uint8_t kMetaStatus = 0xFF;
constexpr std::uint8_t kSysEx = 0xF0;
constexpr std::uint8_t kSysExEscape = 0xF7;
constexpr std::uint8_t kTempoType = 0x51;

struct Cursor {
    std::string_view b;
    std::size_t p = 0;
    bool Need(std::size_t n) const { return p + n <= b.size(); }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(b[p++]); }
    std::uint32_t Big(int n)
    {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | Byte();
        return v;
    }
    // A variable-length quantity of at most four bytes.
    std::optional<std::uint32_t> VarLen(std::size_t end)
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            if (p >= end)
                return std::nullopt;
            const std::uint8_t c = Byte();
            v = (v << 7) | (c & 0x7F);
            if (!(c & 0x80))
                return v;
        }
        return std::nullopt;
    }
};

// How many data bytes follow a channel status.
int DataBytes(std::uint8_t status)
{
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

struct Found {
    TimedEvent event;
    std::uint32_t track;
};

bool Fail(std::string* reason, const char* why)
{
    if (reason)
        *reason = why;
    return false;
}

// One track's events into found (with their track), its tempo changes into
// tempos, its end into end.
bool ReadTrack(Cursor& c, std::size_t end, std::uint32_t track, std::vector<Found>& found,
               std::vector<TempoPoint>& tempos, std::uint64_t& trackEnd, std::string* reason)
{
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    while (c.p < end) {
        const std::optional<std::uint32_t> delta = c.VarLen(end);
        if (!delta || c.p >= end)
            return Fail(reason, "a track ends inside an event");
        tick += *delta;
        std::uint8_t status = c.Byte();
        if (status == kMetaStatus) {
            if (c.p >= end)
                return Fail(reason, "a track ends inside an event");
            const std::uint8_t type = c.Byte();
            const std::optional<std::uint32_t> length = c.VarLen(end);
            if (!length || c.p + *length > end)
                return Fail(reason, "a meta event runs past its track");
            if (type == kTempoType && *length == 3) {
                const std::uint32_t micros = c.Big(3);
                if (micros > 0)
                    tempos.push_back({tick, 0.0, micros});
            } else {
                c.p += *length;
            }
            if (type == 0x2F) {
                trackEnd = tick;
                c.p = end;
            }
            running = 0;
            continue;
        }
        if (status == kSysEx || status == kSysExEscape) {
            const std::optional<std::uint32_t> length = c.VarLen(end);
            if (!length || c.p + *length > end)
                return Fail(reason, "a system exclusive message runs past its track");
            c.p += *length;
            running = 0;
            continue;
        }
        TimedEvent e;
        e.Tick = tick;
        if (status < 0x80) {
            // Running status: the byte read is the first data byte.
            if (!running)
                return Fail(reason, "a data byte without a status");
            --c.p;
            status = running;
        } else if (status >= 0xF0) {
            return Fail(reason, "a system message inside a track");
        }
        running = status;
        const int n = DataBytes(status);
        if (c.p + static_cast<std::size_t>(n) > end)
            return Fail(reason, "a track ends inside an event");
        e.Bytes[0] = status;
        for (int i = 0; i < n; ++i)
            e.Bytes[1 + i] = c.Byte() & 0x7F;
        e.Size = static_cast<std::uint8_t>(1 + n);
        found.push_back({e, track});
        trackEnd = tick;
    }
    return true;
}

} // namespace

double SmfTimeline::SecondsAt(std::uint64_t tick) const
{
    auto at = std::upper_bound(Tempos.begin(), Tempos.end(), tick,
                               [](std::uint64_t t, const TempoPoint& p) { return t < p.Tick; });
    const TempoPoint& p = at == Tempos.begin() ? Tempos.front() : *(at - 1);
    return p.Seconds + static_cast<double>(tick - std::min(tick, p.Tick)) * p.MicrosPerQuarter / 1e6 / Division;
}

std::uint64_t SmfTimeline::FrameOfTick(std::uint64_t tick, std::uint32_t sampleRate) const
{
    __extension__ typedef unsigned __int128 Wide;
    auto at = std::upper_bound(Tempos.begin(), Tempos.end(), tick,
                               [](std::uint64_t t, const TempoPoint& p) { return t < p.Tick; });
    const TempoPoint& p = at == Tempos.begin() ? Tempos.front() : *(at - 1);
    const Wide units = Wide{p.Units} + Wide{tick - std::min(tick, p.Tick)} * p.MicrosPerQuarter;
    const Wide whole = Wide{1000000} * static_cast<std::uint32_t>(Division);
    return static_cast<std::uint64_t>((units * sampleRate * 2 + whole) / (whole * 2));
}

std::uint64_t SmfTimeline::TickAt(double seconds) const
{
    if (seconds <= 0)
        return 0;
    auto at = std::upper_bound(Tempos.begin(), Tempos.end(), seconds,
                               [](double s, const TempoPoint& p) { return s < p.Seconds; });
    const TempoPoint& p = at == Tempos.begin() ? Tempos.front() : *(at - 1);
    return p.Tick +
           static_cast<std::uint64_t>(std::floor((seconds - p.Seconds) * 1e6 * Division / p.MicrosPerQuarter + 1e-9));
}

std::optional<SmfTimeline> ReadSmfTimeline(std::string_view bytes, std::string* reason)
{
    Cursor c{bytes};
    if (!c.Need(14) || bytes.substr(0, 4) != "MThd") {
        Fail(reason, "not a Standard MIDI File");
        return std::nullopt;
    }
    c.p = 4;
    const std::uint32_t headerLength = c.Big(4);
    if (headerLength < 6 || !c.Need(headerLength)) {
        Fail(reason, "a broken header");
        return std::nullopt;
    }
    c.Big(2); // the format: every track is merged alike
    const std::uint32_t tracks = c.Big(2);
    const std::uint32_t division = c.Big(2);
    if (division == 0 || (division & 0x8000)) {
        Fail(reason, "time in frames per second is not read");
        return std::nullopt;
    }
    c.p = 8 + headerLength;
    SmfTimeline line;
    line.Division = static_cast<int>(division);
    std::vector<Found> found;
    std::vector<TempoPoint> tempos;
    for (std::uint32_t t = 0; t < tracks && c.Need(8); ++t) {
        const std::string_view id = bytes.substr(c.p, 4);
        c.p += 4;
        const std::uint32_t length = c.Big(4);
        if (!c.Need(length)) {
            Fail(reason, "a track runs past the end of the file");
            return std::nullopt;
        }
        const std::size_t end = c.p + length;
        if (id == "MTrk") {
            std::uint64_t trackEnd = 0;
            if (!ReadTrack(c, end, t, found, tempos, trackEnd, reason))
                return std::nullopt;
            line.EndTick = std::max(line.EndTick, trackEnd);
        }
        c.p = end;
    }
    // Tempo changes in time (the earlier track first at one tick: the later
    // one holds), each with the time it starts at.
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoPoint& a, const TempoPoint& b) { return a.Tick < b.Tick; });
    if (tempos.empty() || tempos.front().Tick > 0)
        tempos.insert(tempos.begin(), TempoPoint{});
    for (std::size_t i = 0; i < tempos.size(); ++i) {
        if (i + 1 < tempos.size() && tempos[i + 1].Tick == tempos[i].Tick)
            continue;
        TempoPoint p = tempos[i];
        if (!line.Tempos.empty()) {
            const TempoPoint& q = line.Tempos.back();
            p.Seconds = q.Seconds + static_cast<double>(p.Tick - q.Tick) * q.MicrosPerQuarter / 1e6 / division;
            p.Units = q.Units + (p.Tick - q.Tick) * q.MicrosPerQuarter;
        }
        line.Tempos.push_back(p);
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.event.Tick != b.event.Tick ? a.event.Tick < b.event.Tick : a.track < b.track;
    });
    line.Events.reserve(found.size());
    for (Found& f : found) {
        f.event.Seconds = line.SecondsAt(f.event.Tick);
        line.Channels |= static_cast<std::uint16_t>(1u << f.event.Channel());
        line.Events.push_back(f.event);
    }
    line.EndSeconds = line.SecondsAt(line.EndTick);
    return line;
}

std::optional<SmfTimeline> ReadSmfTimelineFile(const std::string& path, std::string* reason)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Fail(reason, std::strerror(errno));
        return std::nullopt;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    return ReadSmfTimeline(bytes, reason);
}

} // namespace varimel
