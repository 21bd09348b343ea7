// SPDX-License-Identifier: MIT
// A small, independent Standard MIDI File reader for checking what the
// writer produced. It shares no code with the program.
#pragma once

#include <cstdint>
#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace smftest {

struct Event {
    std::uint32_t tick = 0;
    std::vector<std::uint8_t> bytes; // status first; meta as FF type len payload (len as one byte)
};

struct File {
    int format = -1;
    int trackCount = -1;
    int division = -1;
    std::vector<std::vector<Event>> tracks;
    std::string error; // empty when the file parsed cleanly
};

inline std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline File Parse(const std::vector<std::uint8_t>& b)
{
    File f;
    std::size_t p = 0;
    auto need = [&](std::size_t n) { return p + n <= b.size(); };
    auto u32 = [&] {
        std::uint32_t v =
            (std::uint32_t{b[p]} << 24) | (std::uint32_t{b[p + 1]} << 16) | (std::uint32_t{b[p + 2]} << 8) | b[p + 3];
        p += 4;
        return v;
    };
    auto u16 = [&] {
        std::uint32_t v = (std::uint32_t{b[p]} << 8) | b[p + 1];
        p += 2;
        return static_cast<int>(v);
    };
    if (!need(14) || std::string(b.begin(), b.begin() + 4) != "MThd") {
        f.error = "no header";
        return f;
    }
    p = 4;
    if (u32() != 6) {
        f.error = "header length";
        return f;
    }
    f.format = u16();
    f.trackCount = u16();
    f.division = u16();
    while (p < b.size()) {
        if (!need(8) || std::string(b.begin() + static_cast<long>(p), b.begin() + static_cast<long>(p) + 4) != "MTrk") {
            f.error = "bad chunk at " + std::to_string(p);
            return f;
        }
        p += 4;
        const std::uint32_t len = u32();
        if (!need(len)) {
            f.error = "chunk overruns file";
            return f;
        }
        const std::size_t end = p + len;
        std::vector<Event> track;
        std::uint32_t tick = 0;
        bool ended = false;
        while (p < end) {
            if (ended) {
                f.error = "event after end of track";
                return f;
            }
            std::uint32_t delta = 0;
            int groups = 0;
            for (;;) {
                if (p >= end || ++groups > 4) {
                    f.error = "bad delta";
                    return f;
                }
                const std::uint8_t c = b[p++];
                delta = (delta << 7) | (c & 0x7F);
                if (!(c & 0x80))
                    break;
            }
            tick += delta;
            Event e;
            e.tick = tick;
            const std::uint8_t s = b[p];
            std::size_t n = 0;
            if (s >= 0x80 && s <= 0xBF)
                n = 3;
            else if (s >= 0xC0 && s <= 0xDF)
                n = 2;
            else if (s >= 0xE0 && s <= 0xEF)
                n = 3;
            else if (s == 0xFF) {
                if (p + 2 >= end) {
                    f.error = "short meta";
                    return f;
                }
                n = 3 + b[p + 2]; // texts here are short enough for one length byte
                if (b[p + 1] == 0x2F)
                    ended = true;
            } else if (s == 0xF0) {
                std::size_t q = p + 1;
                std::uint32_t l = 0;
                while (q < end && (b[q] & 0x80))
                    l = (l << 7) | (b[q++] & 0x7F);
                l = (l << 7) | (b[q++] & 0x7F);
                n = (q - p) + l;
            } else {
                f.error = "running status or bad status";
                return f;
            }
            if (p + n > end) {
                f.error = "event overruns chunk";
                return f;
            }
            e.bytes.assign(b.begin() + static_cast<long>(p), b.begin() + static_cast<long>(p + n));
            p += n;
            track.push_back(std::move(e));
        }
        if (!ended) {
            f.error = "track without end";
            return f;
        }
        f.tracks.push_back(std::move(track));
    }
    if (static_cast<int>(f.tracks.size()) != f.trackCount)
        f.error = "track count mismatch";
    return f;
}

// One note of a track: a note-on and the first note-off (or note-on of
// velocity 0) of its key and channel after it, first in first out.
struct Note {
    std::uint32_t start = 0;
    std::uint32_t end = 0; // the note-on's tick when no note-off came
    int channel = 0;
    int key = 0;
    int velocity = 0;
    bool operator==(const Note&) const = default;
};

// A track's notes in the order of their note-ons.
inline std::vector<Note> Notes(const std::vector<Event>& track)
{
    std::vector<Note> notes;
    std::map<std::pair<int, int>, std::deque<std::size_t>> open; // (channel, key) -> waiting notes
    for (const Event& e : track) {
        const int kind = e.bytes[0] & 0xF0;
        if ((kind != 0x90 && kind != 0x80) || e.bytes.size() < 3)
            continue;
        const std::pair<int, int> at{e.bytes[0] & 0x0F, e.bytes[1]};
        if (kind == 0x90 && e.bytes[2] > 0) {
            open[at].push_back(notes.size());
            notes.push_back({e.tick, e.tick, at.first, at.second, e.bytes[2]});
        } else if (!open[at].empty()) {
            notes[open[at].front()].end = e.tick;
            open[at].pop_front();
        }
    }
    return notes;
}

} // namespace smftest
