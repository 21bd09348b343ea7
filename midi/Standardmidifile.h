// SPDX-License-Identifier: MIT
// Writes Standard MIDI Files chunk by chunk, patching lengths afterwards.
#pragma once

#include "Sequencer.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace varimel {

inline constexpr std::uint16_t kDivision = TicksPerQuarter;
inline constexpr std::uint16_t kMaxTrackChunks = 17; // chunks one file may take
inline constexpr std::uint32_t kMaxVarLen = 0x0FFFFFFF;

// Puts the variable-length form of value (at most kMaxVarLen) at out, most
// significant group first; returns its length, 1 to 4 bytes.
inline std::size_t PutVarLen(std::uint8_t* out, std::uint32_t value)
{
    const std::size_t length = value < 0x80 ? 1 : value < 0x4000 ? 2 : value < 0x200000 ? 3 : 4;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint32_t group = value >> (7 * (length - 1 - i)) & 0x7F;
        out[i] = static_cast<std::uint8_t>(i + 1 < length ? group | 0x80 : group);
    }
    return length;
}

// Whether a track chunk of that many bytes can state its length.
constexpr bool TrackChunkFits(std::uint64_t length) { return length <= 0xFFFFFFFFu; }

class TSMFWrite {
public:
    TSMFWrite() = default;
    TSMFWrite(const TSMFWrite&) = delete;
    TSMFWrite& operator=(const TSMFWrite&) = delete;
    ~TSMFWrite();

    // Creates or truncates path and writes the header; a format of 2 or
    // more is written as 1. A file that was created stays open until Close
    // even when a header write failed.
    bool Open(const std::string& path, std::uint16_t format);
    // Writes the track count into the header and closes the file. Returns
    // false when any buffered byte could not be written or the close failed;
    // callers that keep what was written regardless may ignore it.
    bool Close();

    bool BeginTrack();
    bool EndTrack(std::uint32_t delta);
    bool WriteTrack(TMidiEventList& list);
    // Writes events of an open track in their order, with deltas from
    // previous (which follows them); end-of-track events are left out, as
    // EndTrack writes its own. The way WriteTrack writes a track in pieces.
    bool WriteEvents(const TMidiEvent* begin, const TMidiEvent* end, std::uint32_t& previous);
    bool WriteEvent(std::uint32_t delta, const std::uint8_t* bytes, std::uint32_t count);
    bool WriteSysEx(std::uint32_t delta, const std::uint8_t* bytes, std::uint32_t count);
    bool WriteTrackName(std::uint32_t delta, const std::string& text);
    bool WriteInstrumentName(std::uint32_t delta, const std::string& text);
    bool WriteVarLen(std::uint32_t value);
    // A delta time of any length: one too long for a variable-length
    // quantity is split by empty text events.
    bool WriteDelta(std::uint32_t delta);
    bool WriteByte(std::uint8_t value);
    bool WriteWord(std::uint16_t value);
    bool WriteDWord(std::uint32_t value);
    bool WriteBytes(const std::uint8_t* bytes, std::size_t count);

    bool IsOpen() const { return file_ != nullptr; }
    // A write failed because the piece exceeds what the file format can
    // state (a delta time or a chunk length), not because of the disk.
    bool TooLong() const { return tooLong_; }
    std::uint16_t TrackCount() const { return trackCount_; }

private:
    bool WriteText(std::uint32_t delta, std::uint8_t type, const std::string& text);
    // Data bytes plus status of a channel message; 0 for any other status.
    static std::uint32_t ChannelMessageLength(std::uint8_t status);
    // The common events written straight into the buffer; false (nothing
    // written) when the event must go the general way.
    bool WriteEventFast(std::uint32_t delta, const std::uint8_t* bytes, std::uint32_t count);
    long Tell() const;
    bool Seek(long offset);
    bool Flush();

    static constexpr std::size_t kBufferSize = std::size_t{1} << 16;
    std::FILE* file_ = nullptr;
    std::uint16_t trackCount_ = 0;
    long trackCountPos_ = 0;
    long trackLengthPos_ = 0;
    // Bytes not yet handed to the stream; writes of a few bytes each are
    // collected here so a long track costs a few large writes.
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(kBufferSize);
    std::size_t used_ = 0;
    long flushedPos_ = 0; // stream offset where buffer_ starts
    bool failed_ = false; // a buffered write could not be completed
    bool tooLong_ = false;
};

} // namespace varimel
