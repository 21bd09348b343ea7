// SPDX-License-Identifier: MIT
#include "Standardmidifile.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>

namespace varimel {

namespace {
constexpr std::uint8_t kHeaderId[] = {'M', 'T', 'h', 'd'};
constexpr std::uint8_t kTrackId[] = {'M', 'T', 'r', 'k'};
constexpr std::uint32_t kHeaderLength = 6;
} // namespace

TSMFWrite::~TSMFWrite() { Close(); }

long TSMFWrite::Tell() const { return flushedPos_ + static_cast<long>(used_); }

bool TSMFWrite::Flush()
{
    if (!file_)
        return false;
    if (used_ == 0)
        return !failed_;
    const std::size_t written = std::fwrite(buffer_.data(), 1, used_, file_);
    if (written != used_)
        failed_ = true;
    flushedPos_ += static_cast<long>(written);
    used_ = 0;
    return !failed_;
}

bool TSMFWrite::Seek(long offset)
{
    if (!Flush())
        return false;
    if (std::fseek(file_, offset, SEEK_SET) != 0)
        return false;
    flushedPos_ = offset;
    return true;
}

bool TSMFWrite::WriteBytes(const std::uint8_t* bytes, std::size_t count)
{
    if (!file_ || failed_)
        return false;
    // A large block (a track's encoded notes) goes to the stream as it is.
    if (count >= kBufferSize) {
        if (!Flush())
            return false;
        const std::size_t written = std::fwrite(bytes, 1, count, file_);
        failed_ = written != count || std::fflush(file_) != 0;
#if defined(__linux__)
        // The disk starts on these bytes now, beside the work on the next
        // ones, rather than all at once when the finished file is synced.
        // Only a hint: where it does not apply (a pipe), nothing changes.
        if (!failed_)
            sync_file_range(fileno(file_), flushedPos_, static_cast<off_t>(count), SYNC_FILE_RANGE_WRITE);
#endif
        flushedPos_ += static_cast<long>(written);
        return !failed_;
    }
    while (count > 0) {
        if (used_ == kBufferSize && !Flush())
            return false;
        const std::size_t n = std::min(count, kBufferSize - used_);
        std::memcpy(buffer_.data() + used_, bytes, n);
        used_ += n;
        bytes += n;
        count -= n;
    }
    return true;
}

bool TSMFWrite::WriteByte(std::uint8_t value) { return WriteBytes(&value, 1); }

bool TSMFWrite::WriteWord(std::uint16_t value)
{
    const std::uint8_t b[] = {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    return WriteBytes(b, sizeof b);
}

bool TSMFWrite::WriteDWord(std::uint32_t value)
{
    const std::uint8_t b[] = {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                              static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    return WriteBytes(b, sizeof b);
}

bool TSMFWrite::WriteDelta(std::uint32_t delta)
{
    // A delta too long for one variable-length quantity is split: the most
    // one can hold, then an empty text event, which no player acts on,
    // until the rest fits.
    static constexpr std::uint8_t kNothing[] = {kMeta, kMetaText, 0x00};
    while (delta > kMaxVarLen) {
        if (!WriteVarLen(kMaxVarLen) || !WriteBytes(kNothing, sizeof kNothing))
            return false;
        delta -= kMaxVarLen;
    }
    return WriteVarLen(delta);
}

bool TSMFWrite::WriteVarLen(std::uint32_t value)
{
    if (value > kMaxVarLen) {
        tooLong_ = true;
        return false;
    }
    std::uint8_t b[4];
    return WriteBytes(b, PutVarLen(b, value));
}

bool TSMFWrite::Open(const std::string& path, std::uint16_t format)
{
    if (format >= 2)
        format = 1;
    if (file_)
        Close();
    trackCount_ = 0;
    trackCountPos_ = 0;
    trackLengthPos_ = 0;
    used_ = 0;
    flushedPos_ = 0;
    failed_ = false;
    tooLong_ = false;
    if (path.empty())
        return false;
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_)
        return false;
    if (!WriteBytes(kHeaderId, sizeof kHeaderId) || !WriteDWord(kHeaderLength) || !WriteWord(format))
        return false;
    trackCountPos_ = Tell();
    return WriteWord(0) && WriteWord(kDivision);
}

bool TSMFWrite::Close()
{
    if (!file_)
        return true;
    bool ok = true;
    if (trackCountPos_ != 0) {
        const long end = Tell();
        ok = Seek(trackCountPos_) && WriteWord(trackCount_) && Seek(end);
    }
    ok = Flush() && ok;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    used_ = 0;
    return ok;
}

bool TSMFWrite::BeginTrack()
{
    if (!file_ || trackCount_ >= kMaxTrackChunks)
        return false;
    if (!WriteBytes(kTrackId, sizeof kTrackId))
        return false;
    trackLengthPos_ = Tell();
    if (!WriteDWord(0))
        return false;
    ++trackCount_;
    return true;
}

bool TSMFWrite::EndTrack(std::uint32_t delta)
{
    if (trackLengthPos_ == 0)
        return false;
    static constexpr std::uint8_t kEnd[] = {kMeta, kMetaEndOfTrack, 0x00};
    if (!WriteDelta(delta) || !WriteBytes(kEnd, sizeof kEnd))
        return false;
    const long end = Tell();
    const auto length = static_cast<std::uint64_t>(end - trackLengthPos_ - 4);
    if (!TrackChunkFits(length)) {
        tooLong_ = true;
        return false;
    }
    if (!Seek(trackLengthPos_) || !WriteDWord(static_cast<std::uint32_t>(length)))
        return false;
    if (!Seek(end))
        return false;
    trackLengthPos_ = 0;
    return true;
}

bool TSMFWrite::WriteSysEx(std::uint32_t delta, const std::uint8_t* bytes, std::uint32_t count)
{
    if (count < 2 || bytes[0] != kSysEx || bytes[count - 1] != kSysExEnd)
        return false;
    return WriteDelta(delta) && WriteByte(kSysEx) && WriteVarLen(count - 1) && WriteBytes(bytes + 1, count - 1);
}

bool TSMFWrite::WriteEvent(std::uint32_t delta, const std::uint8_t* bytes, std::uint32_t count)
{
    const std::uint8_t status = bytes[0];
    std::uint32_t n = ChannelMessageLength(status);
    if (n == 0) {
        if (status == kSysEx)
            return WriteSysEx(delta, bytes, count);
        if (status != kMeta)
            return false; // running status or a system message: not ours to write
        n = count;
    }
    if (n > count)
        return false;
    return WriteDelta(delta) && WriteBytes(bytes, n);
}

std::uint32_t TSMFWrite::ChannelMessageLength(std::uint8_t status)
{
    if (status >= kNoteOff && status <= kLastTwoByteStatus)
        return 3;
    if (status >= kFirstOneByteStatus && status <= kLastOneByteStatus)
        return 2;
    if (status >= kPitchBend && status <= kLastChannelStatus)
        return 3;
    return 0;
}

bool TSMFWrite::WriteEventFast(std::uint32_t delta, const std::uint8_t* bytes, std::uint32_t count)
{
    // Channel messages and short meta events, the bulk of every track, are
    // put straight into the buffer; everything else (and every failure) goes
    // the general way, which writes the same bytes.
    const std::uint8_t status = bytes[0];
    const std::uint32_t n = status == kMeta ? count : ChannelMessageLength(status);
    if (n == 0 || n > count || n > 16 || delta > kMaxVarLen || !file_ || failed_)
        return false;
    if (kBufferSize - used_ < 4 + n && !Flush())
        return false;
    std::uint8_t* out = buffer_.data() + used_;
    const std::size_t length = PutVarLen(out, delta);
    std::memcpy(out + length, bytes, n);
    used_ += length + n;
    return true;
}

bool TSMFWrite::WriteText(std::uint32_t delta, std::uint8_t type, const std::string& text)
{
    const std::size_t len = std::strlen(text.c_str()); // the text ends at its first NUL
    if (len > kMaxVarLen)
        return false;
    return WriteDelta(delta) && WriteWord(static_cast<std::uint16_t>(kMeta << 8 | type)) &&
           WriteVarLen(static_cast<std::uint32_t>(len)) &&
           WriteBytes(reinterpret_cast<const std::uint8_t*>(text.data()), len);
}

bool TSMFWrite::WriteTrackName(std::uint32_t delta, const std::string& text)
{
    return WriteText(delta, kMetaTrackName, text);
}

bool TSMFWrite::WriteInstrumentName(std::uint32_t delta, const std::string& text)
{
    return WriteText(delta, kMetaInstrumentName, text);
}

bool TSMFWrite::WriteEvents(const TMidiEvent* begin, const TMidiEvent* end, std::uint32_t& previous)
{
    for (const TMidiEvent* e = begin; e != end; ++e) {
        if (e->IsEndOfTrack())
            continue;
        const std::uint32_t delta = e->Time - previous;
        previous = e->Time;
        // Notes, the bulk of every melody, go straight into the buffer: the
        // event's bytes sit inside it, so a fixed-size copy of them (only
        // the first three count) needs no call.
        const std::uint8_t* bytes = e->Data();
        const std::uint8_t status = bytes[0];
        if (status >= kNoteOff && status <= kLastTwoByteStatus && e->Length() <= TMidiEvent::kInline &&
            delta <= kMaxVarLen && kBufferSize - used_ >= 4 + TMidiEvent::kInline && file_ && !failed_) {
            std::uint8_t* out = buffer_.data() + used_;
            const std::size_t length = PutVarLen(out, delta);
            std::memcpy(out + length, bytes, TMidiEvent::kInline);
            used_ += length + 3;
            continue;
        }
        if (!WriteEventFast(delta, bytes, e->Length()) && !WriteEvent(delta, bytes, e->Length()))
            return false;
    }
    return true;
}

bool TSMFWrite::WriteTrack(TMidiEventList& list)
{
    // A list without its end-of-track event would leave a chunk that can
    // never be closed; refuse it before anything is written.
    // (It is usually the last event, so the search starts there.)
    bool hasEnd = false;
    for (const TMidiEvent* e = list.end(); e != list.begin() && !hasEnd;)
        hasEnd = (--e)->IsEndOfTrack();
    if (!hasEnd)
        return false;

    if (!BeginTrack())
        return false;
    if (!list.TrackName.empty() && !WriteTrackName(0, list.TrackName))
        return false;
    if (!list.InstrumentName.empty() && !WriteInstrumentName(0, list.InstrumentName))
        return false;
    list.SortByTime();
    // The last end-of-track event in time order ends the track; it is
    // written last, from the writer's own bytes.
    std::uint32_t endTime = 0;
    for (const TMidiEvent* e = list.end(); e != list.begin();)
        if ((--e)->IsEndOfTrack()) {
            endTime = e->Time;
            break;
        }
    std::uint32_t previous = 0;
    if (!WriteEvents(list.begin(), list.end(), previous)) {
        EndTrack(0);
        return false;
    }
    return EndTrack(endTime - previous);
}

} // namespace varimel
