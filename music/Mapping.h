// SPDX-License-Identifier: MIT
// The mapping of data onto notes: the ticks of a piece, the mapping kernel
// that works a large list in blocks, and the notes it gives.
#pragma once

#include "Request.h"
#include "Scale.h"
#include "data/Xydata.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace varimel {

class TSMFWrite;

inline constexpr std::uint32_t kLastTick = 0xFFFFFFFFu;

// A tick formula's result truncated toward zero, or nothing when it does not
// fit an unsigned 32-bit tick (negative, too large or not a number). Always
// inlined, so that in the mapping's SSE3 copy the truncation is one
// truncating store instead of a switch of the x87 control word and back.
[[gnu::always_inline]] inline std::optional<std::uint32_t> TruncTick(long double value)
{
    if (!(value > -1.0L && value < 4294967296.0L))
        return std::nullopt;
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(value));
}

// The scale position (0..n-1) a value y takes among n positions when the
// data's Y runs from minY to maxY (yRange = maxY - minY, in extended
// precision): the range cut into n equal bands, the top value in the top
// band; every value the middle position when the range is empty. The one
// rule the mapping and the plot's note bands share.
[[gnu::always_inline]] inline int ScalePositionOf(long double y, double minY, double maxY, long double yRange, int n)
{
    if (maxY == minY)
        return n / 2;
    const long double scaled = (y - minY) / yRange * n;
    const int position = static_cast<int>(static_cast<std::int64_t>(scaled));
    return position == n ? n - 1 : position;
}

// The tick an X stands at in a piece whose tick 0 is originX: the rule the
// notes' starts follow, for anything placed beside them. None when it does
// not fit 32 bits.
std::optional<std::uint32_t> TickOfX(double x, double originX, double DxPQN);

// The lowest double that ScalePositionOf places at position or above (minY
// for position 0): the lower edge of that position's band.
double ScalePositionEdge(int position, double minY, double maxY, int n);

// The tick at which the piece of a sorted list ends: a quarter note after the
// last record, rounded up to a whole bar. Empty when it does not fit 32 bits.
std::optional<std::uint32_t> PieceEndTick(const TXYDataList& data, double DxPQN);

// How one series of several sits in the piece: the X its ticks count from,
// the X of every line that gives any series a value (ascending, each once: a
// note lasts its share of the gap to the next of them, so a series rests on
// a line it has no value for), the piece's end tick, and the Y range it is
// mapped over (values outside take the end notes).
struct SeriesFrame {
    double OriginX = 0.0;
    const std::vector<double>* LineXs = nullptr;
    std::uint32_t End = 0;
    double MinY = 0.0; // in the scale of Y the mapping uses (log10 with LogY)
    double MaxY = 0.0;
    bool LogY = false;
    bool Invert = false;
    // One value per record, when given: its velocity, its share of the gap.
    const std::vector<std::uint8_t>* Velocities = nullptr;
    const std::vector<double>* Shares = nullptr;
};

// Maps every record onto a note of the set into melody. Returns the end tick
// of the piece, or 0 when nothing was produced (no data, an X increment of 0,
// or a tick that would not fit 32 bits).
std::uint32_t MapDataToNotes(ScaleNoteSet& set, const TXYDataList* dataList, TMidiEventList& melody, int scaleIndex,
                             std::uint8_t tonic, std::uint8_t lowTone, std::uint8_t highTone, double DxPQN,
                             std::uint8_t Velocity, double Duration, bool writeProgramChange, std::uint8_t Program,
                             const SeriesFrame* frame = nullptr);

// The mapping works most values out in doubles where the processor has
// fused multiply-add (the same integers, faster); off, every value goes the
// extended way, for comparing the two. Whether the shortcut is now in use.
bool UseMappingShortcut(bool on);

// MapDataToNotes straight into the open track of writer: the events already
// in melody (its head: a pan, say) and the program change and key the
// mapping adds, then the notes' events, encoded and written a block at a
// time without a list of them (the same bytes the sorted list would give).
// The end tick, or 0 when a tick is out of range or a write failed
// (written false); previous: the time of the last event written.
std::uint32_t MapIntoTrack(ScaleNoteSet& set, const TXYDataList* dataList, TMidiEventList& melody, TSMFWrite& writer,
                           std::uint32_t& previous, bool& written, int scaleIndex, std::uint8_t tonic,
                           std::uint8_t lowTone, std::uint8_t highTone, double DxPQN, std::uint8_t Velocity,
                           double Duration, bool writeProgramChange, std::uint8_t Program,
                           const SeriesFrame* frame = nullptr);

// One note of a mapped piece: the ticks it sounds and its key.
struct NoteSpan {
    std::uint32_t Start = 0;
    std::uint32_t End = 0;
    std::uint8_t Key = 0;
    std::uint8_t Velocity = 0;
};
// A record that stays silent keeps its place among the notes as a note of
// velocity 0, which is never written or sounded.
constexpr bool IsRest(const NoteSpan& note) { return note.Velocity == 0; }

// The notes the request makes of the list, in time order (what BuildSmf
// writes into the melody track); empty when nothing would be built.
std::vector<NoteSpan> MappedNotes(const TXYDataList* data, const MappingRequest& request,
                                  const SeriesFrame* frame = nullptr);

// The notes of a piece, asked which sound at a tick.
class NoteTimeline {
public:
    explicit NoteTimeline(std::vector<NoteSpan> notes = {});
    // The keys sounding at tick (Start <= tick < End), in ascending order
    // without repeats.
    void SoundingAt(std::uint32_t tick, std::vector<std::int32_t>& keys) const;
    bool Empty() const { return notes_.empty(); }

private:
    std::vector<NoteSpan> notes_;
    std::uint32_t longest_ = 0;
};

} // namespace varimel
