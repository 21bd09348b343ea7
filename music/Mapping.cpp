// SPDX-License-Identifier: MIT
#include "Mapping.h"

#include "midi/Noteencoder.h"
#include "midi/Standardmidifile.h"
#include "midi/Streamwriter.h"
#include "sys/Memory.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <semaphore>
#include <thread>
#include <vector>

namespace varimel {

namespace {

// Ticks per unit of X, rounded to a double before use; the formulas run in
// extended precision so that products just below a whole tick truncate the
// same way on every run.
long double TicksPerX(double DxPQN)
{
    return static_cast<double>(static_cast<long double>(TicksPerQuarter) / static_cast<long double>(DxPQN));
}

} // namespace

double ScalePositionEdge(int position, double minY, double maxY, int n)
{
    if (position <= 0 || maxY == minY)
        return minY;
    if (position >= n)
        return maxY;
    const long double yRange = static_cast<long double>(maxY) - minY;
    const auto at = [&](double y) { return ScalePositionOf(y, minY, maxY, yRange, n); };
    // The formula's inverse comes within a few units of the last place; the
    // mapping's own rule then settles the exact edge.
    double edge = static_cast<double>(minY + yRange * position / n);
    while (edge < maxY && at(edge) < position)
        edge = std::nextafter(edge, maxY);
    while (edge > minY && at(std::nextafter(edge, minY)) >= position)
        edge = std::nextafter(edge, minY);
    return edge;
}

std::optional<std::uint32_t> TickOfX(double x, double originX, double DxPQN)
{
    return TruncTick((static_cast<long double>(x) - static_cast<long double>(originX)) * TicksPerX(DxPQN));
}

std::optional<std::uint32_t> PieceEndTick(const TXYDataList& data, double DxPQN)
{
    if (data.Empty() || DxPQN == 0.0)
        return std::nullopt;
    const long double span = static_cast<long double>(data.Last().X) - data.First().X;
    const auto rawEnd = TruncTick(span * TicksPerX(DxPQN) + static_cast<long double>(TicksPerQuarter));
    if (!rawEnd)
        return std::nullopt;
    std::uint64_t end = *rawEnd;
    if (end % TicksPerBar != 0)
        end = (end / TicksPerBar + 1) * TicksPerBar;
    if (end > kLastTick)
        return std::nullopt;
    return static_cast<std::uint32_t>(end);
}

namespace {

// What a record's note needs from the whole list.
struct MapInputs {
    const TXYDataList* data;
    std::size_t count;
    long double lscale; // ticks per unit of X
    long double x0;
    double Duration;
    std::uint32_t defaultLength; // of the last note
    int n;                       // positions in the scale
    double maxY;
    double minY;
    long double yRange;
    const std::vector<double>* lineXs; // with several series: every line's X
    const SeriesFrame* frame;          // a series among others or a shaped mapping
};

struct Mapped {
    std::uint32_t start;
    std::uint32_t length;
    std::int32_t position; // -1: a tick out of range
};

// A value of the formulas worked out in doubles, which a core does far
// faster than the extended precision the formulas are defined in, and taken
// only where the extended value is certain to truncate the same way: where
// both are exact (the same number), or where the double, within a few units
// of its last place of the extended value, lies far enough from a whole
// number. Everything else goes the extended way.
struct Doubles {
    // TruncTick of a double that equals the extended value.
    [[gnu::always_inline]] static std::optional<std::uint32_t> Exact(double v)
    {
        if (!(v > -1.0 && v < 4294967296.0))
            return std::nullopt;
        return static_cast<std::uint32_t>(static_cast<std::int64_t>(v));
    }
    // Whether v, within a relative 2^-50 of the extended value, settles its
    // truncation (then in whole).
    [[gnu::always_inline]] static bool Settled(double v, std::int64_t& whole)
    {
        if (!(v >= 0.0 && v < 4294967295.0))
            return false;
        whole = static_cast<std::int64_t>(v);
        const double fraction = v - static_cast<double>(whole);
        const double margin = v * 0x1p-46 + 0x1p-60;
        return fraction > margin && fraction < 1.0 - margin;
    }
};

// Start, length and scale position of the records [from, to); stops at the
// first record with a tick out of range (its position stays -1).
// Framed: a series among others (its own lines' X, a given Y range); the
// plain piece is compiled without those steps.
// Fast: the values Doubles settles are taken from it (a core with fused
// multiply-add, which tells an exact product).
template <bool Framed, bool Fast>
[[gnu::always_inline]] inline void MapRecords(const MapInputs& in, std::size_t from, std::size_t to, Mapped* out)
{
    const TXYDataList& data = *in.data;
    [[maybe_unused]] const auto x0 = static_cast<double>(in.x0); // a double's value
    [[maybe_unused]] const auto lscale = static_cast<double>(in.lscale);
    [[maybe_unused]] const auto yRange = static_cast<double>(in.yRange);
    [[maybe_unused]] const bool fastY = std::isfinite(yRange) && in.maxY != in.minY;
    std::size_t next = from; // first record with an X above the current one
    // With several series: the first line of any series with an X above the
    // current record's; records come in X order, so it only moves on.
    std::size_t nextLine = 0;
    if constexpr (Framed)
        if (in.lineXs && from < to)
            nextLine = static_cast<std::size_t>(std::upper_bound(in.lineXs->begin(), in.lineXs->end(), data[from].X) -
                                                in.lineXs->begin());
    for (std::size_t i = from; i < to; ++i) {
        Mapped& m = out[i - from];
        m.position = -1;
        const long double x = data[i].X;
        if (next <= i) {
            next = i + 1;
            while (next < in.count && data[next].X == data[i].X)
                ++next;
        }
        std::uint32_t length = in.defaultLength;
        double nextX = 0.0;
        bool hasNext = next < in.count;
        if (hasNext)
            nextX = data[next].X;
        if constexpr (Framed) {
            // The next line of any series: a series rests where it has no value.
            if (const std::vector<double>* lines = in.lineXs) {
                while (nextLine < lines->size() && (*lines)[nextLine] <= data[i].X)
                    ++nextLine;
                hasNext = nextLine < lines->size();
                nextX = hasNext ? (*lines)[nextLine] : 0.0;
            }
        }
        double share = in.Duration;
        if constexpr (Framed)
            if (in.frame->Shares) {
                share = (*in.frame->Shares)[i];
                if (!hasNext) {
                    const auto own = TruncTick(static_cast<long double>(TicksPerQuarter) * share + 0.5L);
                    if (!own)
                        return;
                    length = *own;
                }
            }
        if (hasNext) {
            std::int64_t whole = 0;
            if (Fast && Doubles::Settled((nextX - data[i].X) * lscale * share + 0.5, whole)) {
                length = static_cast<std::uint32_t>(whole);
            } else {
                const auto gap = TruncTick((static_cast<long double>(nextX) - x) * in.lscale * share + 0.5L);
                if (!gap)
                    return;
                length = *gap;
            }
        }
        if (length == 0)
            length = 1;
        std::optional<std::uint32_t> start;
        if constexpr (Fast) {
            // X's distance from the origin and its product with the ticks
            // per X, checked for exactness (two-sum; fused multiply-add):
            // evenly spaced X is exact, and often whole.
            const double a = data[i].X;
            const double d = a - x0;
            const double back = d - a;
            const bool exactD = (a - (d - back)) + (-x0 - back) == 0.0;
            const double product = d * lscale;
            std::int64_t whole = 0;
            if (exactD && __builtin_fma(d, lscale, -product) == 0.0)
                start = Doubles::Exact(product);
            else if (Doubles::Settled(product, whole))
                start = static_cast<std::uint32_t>(whole);
            else
                start = TruncTick((x - in.x0) * in.lscale);
        } else {
            start = TruncTick((x - in.x0) * in.lscale);
        }
        if (!start || static_cast<std::uint64_t>(*start) + length > kLastTick)
            return;
        // The scale position: the bottom of the range is position 0 in
        // either precision.
        const auto positionOf = [&](double y) {
            std::int64_t whole = 0;
            if (Fast && fastY) {
                if (y == in.minY)
                    return 0;
                if (Doubles::Settled((y - in.minY) / yRange * in.n, whole))
                    return whole == in.n ? in.n - 1 : static_cast<int>(whole);
            }
            return ScalePositionOf(y, in.minY, in.maxY, in.yRange, in.n);
        };
        int position = 0;
        if constexpr (Framed) {
            // A value outside a given range takes the nearest end note.
            if (in.frame->LogY) {
                const long double y = std::log10(static_cast<long double>(data[i].Y));
                const long double clamped = std::clamp<long double>(y, in.minY, in.maxY);
                position = ScalePositionOf(clamped, in.minY, in.maxY, in.yRange, in.n);
            } else {
                position = positionOf(std::clamp(data[i].Y, in.minY, in.maxY));
            }
            position = std::clamp(position, 0, in.n - 1);
            if (in.frame->Invert)
                position = in.n - 1 - position;
        } else {
            position = positionOf(data[i].Y);
        }
        m = {*start, length, position};
    }
}

// The same loop three times: where SSE3 is present, its copy truncates with
// one instruction; the other switches the x87 control word for each value;
// with fused multiply-add, doubles settle most values. All give the same
// integers.
void MapRecordsPlain(const MapInputs& in, std::size_t from, std::size_t to, Mapped* out)
{
    if (in.frame)
        MapRecords<true, false>(in, from, to, out);
    else
        MapRecords<false, false>(in, from, to, out);
}
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("sse3"))) void MapRecordsSse3(const MapInputs& in, std::size_t from, std::size_t to, Mapped* out)
{
    if (in.frame)
        MapRecords<true, false>(in, from, to, out);
    else
        MapRecords<false, false>(in, from, to, out);
}
__attribute__((target("sse3,fma"))) void MapRecordsFma(const MapInputs& in, std::size_t from, std::size_t to,
                                                       Mapped* out)
{
    if (in.frame)
        MapRecords<true, true>(in, from, to, out);
    else
        MapRecords<false, true>(in, from, to, out);
}
using MapKernel = void (*)(const MapInputs&, std::size_t, std::size_t, Mapped*);
const bool hasFma = [] {
    __builtin_cpu_init(); // this runs before main, perhaps before the library's own start-up
    return __builtin_cpu_supports("fma") && __builtin_cpu_supports("sse3");
}();
// The fastest kernel the processor runs; with shortcut false, none that
// settles values in doubles.
MapKernel KernelFor(bool shortcut)
{
    return shortcut && hasFma ? MapRecordsFma : __builtin_cpu_supports("sse3") ? MapRecordsSse3 : MapRecordsPlain;
}
MapKernel MapRange = KernelFor(true);
#else
auto MapRange = MapRecordsPlain;
constexpr bool hasFma = false;
#endif

} // namespace

bool UseMappingShortcut(bool on)
{
#if defined(__x86_64__) || defined(__i386__)
    MapRange = KernelFor(on);
#endif
    return on && hasFma;
}

namespace {

// Maps one block at a time ahead of the notes being added, on a thread of
// its own kept for the whole piece.
class AheadMapper {
public:
    explicit AheadMapper(const MapInputs& in) : in_(in), thread_([this] { Run(); }) {}
    // Waits for a block still being mapped, then for the thread.
    ~AheadMapper()
    {
        if (busy_)
            done_.acquire();
        stop_ = true;
        start_.release();
        thread_.join();
    }
    AheadMapper(const AheadMapper&) = delete;
    AheadMapper& operator=(const AheadMapper&) = delete;

    // Starts on the records [from, to), into out.
    void Begin(std::size_t from, std::size_t to, Mapped* out)
    {
        from_ = from;
        to_ = to;
        out_ = out;
        busy_ = true;
        start_.release();
    }
    // Waits until that block is mapped.
    void Wait()
    {
        done_.acquire();
        busy_ = false;
    }

private:
    void Run()
    {
        for (;;) {
            start_.acquire();
            if (stop_)
                return;
            MapRange(in_, from_, to_, out_);
            done_.release();
        }
    }

    const MapInputs& in_;
    std::size_t from_ = 0, to_ = 0;
    Mapped* out_ = nullptr;
    bool busy_ = false; // the caller's alone
    bool stop_ = false;
    std::binary_semaphore start_{0}, done_{0};
    std::thread thread_; // last: it starts with every member above in place
};

// Where MapNotes puts the notes: the melody's list, every one, its room
// faulted in beside the work.
struct ListSink {
    TMidiEventList& melody;

    void Prepare(std::size_t before, std::size_t count, std::size_t) { melody.Reserve(before + 2 * count + 3); }
    std::size_t PrefaultBytes(std::size_t count) const { return (2 * count + 3) * sizeof(TMidiEvent); }
    bool Begin() { return true; }
    void Note(std::uint32_t start, std::uint8_t key, std::uint8_t velocity, std::uint32_t length)
    {
        melody.AddNote(start, key, velocity, length);
    }
    bool Block(std::uint32_t) { return true; }
};

// ... or straight into an open track: the events already in the melody's
// list (its head) first, then the notes' bytes, handed over after each
// block and encoded and written on a second thread while the next block is
// mapped.
struct TrackSink {
    TMidiEventList& melody;
    TSMFWrite& writer;
    std::optional<TStreamWriter> stream;
    NoteBlock notes;
    bool written = true;

    void Prepare(std::size_t before, std::size_t count, std::size_t block)
    {
        melody.Reserve(before + 3);
        notes.reserve(std::min(count, block));
    }
    std::size_t PrefaultBytes(std::size_t) const { return 0; }
    bool Begin()
    {
        melody.SortByTime();
        std::uint32_t previous = 0;
        written = writer.WriteEvents(melody.begin(), melody.end(), previous);
        if (written)
            stream.emplace(writer, melody.Channel, previous);
        return written;
    }
    void Note(std::uint32_t start, std::uint8_t key, std::uint8_t velocity, std::uint32_t length)
    {
        notes.push_back({start, length, key, velocity});
    }
    bool Block(std::uint32_t limit)
    {
        written = stream->Give(std::move(notes), limit);
        notes = stream->Spare();
        return written;
    }
    // The rest, once every note is in; the time of the last event written.
    std::optional<std::uint32_t> End()
    {
        written = stream->Give(std::move(notes), 0);
        const std::optional<std::uint32_t> previous = stream->Finish();
        written = written && previous;
        return previous;
    }
};

// Maps the records a block at a time into sink; the piece's end tick, or 0.
template <class Sink> std::uint32_t MapNotes(ScaleNoteSet& set, const TXYDataList* dataList, TMidiEventList& melody,
                                             int scaleIndex, std::uint8_t tonic, std::uint8_t lowTone,
                                             std::uint8_t highTone, double DxPQN, std::uint8_t Velocity,
                                             double Duration, bool writeProgramChange, std::uint8_t Program, Sink& sink,
                                             const SeriesFrame* frame)
{
    if (!dataList || dataList->Empty() || DxPQN == 0.0)
        return 0;
    if (scaleIndex < 0 || scaleIndex >= kScaleCount || tonic > 11)
        return 0;
    const TXYDataList& data = *dataList;
    const std::size_t count = static_cast<std::size_t>(data.Count());

    constexpr long double quarter = TicksPerQuarter;
    const long double lscale = TicksPerX(DxPQN);
    const long double x0 = frame ? frame->OriginX : data.First().X;
    const auto pieceEnd = frame ? std::optional(frame->End) : PieceEndTick(data, DxPQN);
    if (!pieceEnd || *pieceEnd == 0)
        return 0;
    const std::uint32_t end = *pieceEnd;

    set.PreviousPosition = 0;
    const int n = BuildNoteSet(set, scaleIndex, tonic, lowTone, highTone);
    const bool hasDescending = ScaleTable[static_cast<std::size_t>(scaleIndex)].HasDescending;
    const auto [minY, maxY] = frame ? std::pair(frame->MinY, frame->MaxY) : data.YBounds();
    const long double yRange = static_cast<long double>(maxY) - minY;
    const auto defaultLength = TruncTick(quarter * Duration + 0.5L);
    if (!defaultLength)
        return 0;

    // A tick out of range takes back what this call added, so the melody is
    // left as it was given.
    const std::size_t before = static_cast<std::size_t>(melody.Count());
    const auto fail = [&] {
        melody.Truncate(before);
        return 0u;
    };
    constexpr std::size_t kBlock = std::size_t{1} << 15;
    sink.Prepare(before, count, kBlock);
    const Prefault prefault(const_cast<TMidiEvent*>(melody.end()), sink.PrefaultBytes(count));
    if (writeProgramChange)
        melody.AddProgramChange(0, Program);
    const KeySignature key = KeySignatureOf(scaleIndex, tonic);
    melody.AddKeySignature(0, key.SharpsFlats, key.Minor);
    if (!sink.Begin())
        return fail();

    // Each record's start, length and scale position depend only on the
    // data, so a large list has them worked out a block ahead on a second
    // thread while this one adds the notes of the block before (in order:
    // the descending forms depend on the position before) and hands them on.
    const std::vector<std::uint8_t>* velocities = frame ? frame->Velocities : nullptr;
    const MapInputs inputs{
        &data, count, lscale, x0, Duration, *defaultLength, n, maxY, minY, yRange, frame ? frame->LineXs : nullptr,
        frame};
    const bool ahead = count >= 2 * kBlock && std::thread::hardware_concurrency() >= 2;
    std::vector<Mapped> block(std::min(count, kBlock));
    std::vector<Mapped> next(ahead ? block.size() : 0);
    std::optional<AheadMapper> mapper; // after what it uses: stopped on every way out first
    if (ahead)
        mapper.emplace(inputs);
    MapRange(inputs, 0, std::min(count, kBlock), block.data());
    for (std::size_t from = 0; from < count; from += kBlock) {
        const std::size_t to = std::min(count, from + kBlock);
        if (ahead && to < count)
            mapper->Begin(to, std::min(count, to + kBlock), next.data());
        for (std::size_t i = from; i < to; ++i) {
            const Mapped& m = block[i - from];
            if (m.position < 0)
                return fail();
            // A velocity of 0 is a rest: no note, and the melody goes on
            // from the note before it.
            if (velocities && (*velocities)[i] == 0)
                continue;
            const std::uint8_t note = NoteAt(set, m.position, hasDescending);
            sink.Note(m.start, note, velocities ? (*velocities)[i] : Velocity, m.length);
            set.PreviousPosition = static_cast<std::uint8_t>(m.position);
        }
        // Notes start in X order, so nothing still to come lies before the
        // next block's first start.
        if (to < count && !sink.Block(TruncTick((data[to].X - x0) * lscale).value_or(0)))
            return fail();
        if (to >= count)
            break;
        if (ahead) {
            mapper->Wait();
            block.swap(next);
        } else {
            MapRange(inputs, to, std::min(count, to + kBlock), block.data());
        }
    }
    melody.AddEndOfTrack(static_cast<std::uint32_t>(end));
    return static_cast<std::uint32_t>(end);
}

} // namespace

std::uint32_t MapIntoTrack(ScaleNoteSet& set, const TXYDataList* dataList, TMidiEventList& melody, TSMFWrite& writer,
                           std::uint32_t& previous, bool& written, int scaleIndex, std::uint8_t tonic,
                           std::uint8_t lowTone, std::uint8_t highTone, double DxPQN, std::uint8_t Velocity,
                           double Duration, bool writeProgramChange, std::uint8_t Program, const SeriesFrame* frame)
{
    TrackSink sink{melody, writer, std::nullopt, {}, true};
    std::uint32_t end = MapNotes(set, dataList, melody, scaleIndex, tonic, lowTone, highTone, DxPQN, Velocity, Duration,
                                 writeProgramChange, Program, sink, frame);
    previous = 0;
    if (end != 0) {
        if (const std::optional<std::uint32_t> last = sink.End())
            previous = *last;
        else
            end = 0;
    }
    // A mapping that stopped early still waits for what was handed on.
    if (sink.stream && !sink.stream->Finish())
        sink.written = false;
    written = sink.written;
    return end;
}

std::uint32_t MapDataToNotes(ScaleNoteSet& set, const TXYDataList* dataList, TMidiEventList& melody, int scaleIndex,
                             std::uint8_t tonic, std::uint8_t lowTone, std::uint8_t highTone, double DxPQN,
                             std::uint8_t Velocity, double Duration, bool writeProgramChange, std::uint8_t Program,
                             const SeriesFrame* frame)
{
    ListSink sink{melody};
    return MapNotes(set, dataList, melody, scaleIndex, tonic, lowTone, highTone, DxPQN, Velocity, Duration,
                    writeProgramChange, Program, sink, frame);
}

std::vector<NoteSpan> MappedNotes(const TXYDataList* data, const MappingRequest& r, const SeriesFrame* frame)
{
    std::vector<NoteSpan> notes;
    if (!data || !RequestInRange(r, false))
        return notes;
    ScaleNoteSet set;
    TMidiEventList melody(0, "", "");
    if (MapDataToNotes(set, data, melody, r.Scale, static_cast<std::uint8_t>(r.Tonic), MidiNoteOfTone(r.LowTone),
                       MidiNoteOfTone(r.HighTone), r.DxPQN,
                       static_cast<std::uint8_t>(ClampTo(r.Velocity, kMinVelocity, kMaxVelocity)), r.Duration, false, 0,
                       frame) == 0)
        return notes;
    notes.reserve(static_cast<std::size_t>(data->Count()));
    // Each note was added as its note-on followed by its note-off; a rest
    // (velocity 0) keeps its record's place as a note of no length and no
    // velocity at the record's start.
    const std::vector<std::uint8_t>* velocities = frame ? frame->Velocities : nullptr;
    const long double lscale = TicksPerX(r.DxPQN);
    std::size_t record = 0;
    const auto rests = [&] {
        for (; velocities && record < velocities->size() && (*velocities)[record] == 0; ++record) {
            const std::uint32_t at = TruncTick(((*data)[record].X - frame->OriginX) * lscale).value_or(0);
            notes.push_back({at, at, 0, 0});
        }
    };
    for (std::size_t i = 0; i + 1 < static_cast<std::size_t>(melody.Count()); ++i) {
        const TMidiEvent& on = melody[i];
        if ((on.Data()[0] & 0xF0) != kNoteOn)
            continue;
        rests();
        notes.push_back({on.Time, melody[i + 1].Time, on.Data()[1], on.Data()[2]});
        ++record;
        ++i;
    }
    rests();
    return notes;
}

NoteTimeline::NoteTimeline(std::vector<NoteSpan> notes) : notes_(std::move(notes))
{
    std::erase_if(notes_, IsRest);
    std::stable_sort(notes_.begin(), notes_.end(),
                     [](const NoteSpan& a, const NoteSpan& b) { return a.Start < b.Start; });
    for (const NoteSpan& n : notes_)
        longest_ = std::max(longest_, n.End - n.Start);
}

void NoteTimeline::SoundingAt(std::uint32_t tick, std::vector<std::int32_t>& keys) const
{
    keys.clear();
    // Only notes that started at most the longest length ago can still sound.
    auto it = std::upper_bound(notes_.begin(), notes_.end(), tick,
                               [](std::uint32_t t, const NoteSpan& n) { return t < n.Start; });
    while (it != notes_.begin()) {
        --it;
        if (tick - it->Start >= longest_)
            break;
        if (tick < it->End)
            keys.push_back(it->Key);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
}

} // namespace varimel
