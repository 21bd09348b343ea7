// SPDX-License-Identifier: MIT
#include "Scale.h"

#include "Generalmidi.h"
#include "midi/Standardmidifile.h"
#include "sys/Memory.h"
#include "sys/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <new>
#include <thread>
#include <utility>
#include <vector>

namespace varimel {

namespace {
using I = std::array<std::uint8_t, 12>;
constexpr std::uint32_t kLastTick = 0xFFFFFFFFu;
} // namespace

const std::array<TMusicalScale, kScaleCount> ScaleTable = {{
    {"クロマティックスケール", 12, KeyMode::None, false, I{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
     I{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
    {"メジャースケール", 7, KeyMode::Major, false, I{0, 2, 4, 5, 7, 9, 11}, I{0, 2, 4, 5, 7, 9, 11}},
    {"ナチュラルマイナースケール", 7, KeyMode::Minor, false, I{0, 2, 3, 5, 7, 8, 10}, I{0, 2, 3, 5, 7, 8, 10}},
    {"ハーモニックマイナースケール", 7, KeyMode::Minor, false, I{0, 2, 3, 5, 7, 8, 11}, I{0, 2, 3, 5, 7, 8, 11}},
    {"メロディックマイナースケール", 7, KeyMode::Minor, true, I{0, 2, 3, 5, 7, 9, 11}, I{0, 2, 3, 5, 7, 8, 10}},
    {"ドリアンスケール", 7, KeyMode::Minor, false, I{0, 2, 3, 5, 7, 9, 10}, I{0, 2, 3, 5, 7, 9, 10}},
    {"フリジアンスケール", 7, KeyMode::Minor, false, I{0, 1, 3, 5, 7, 8, 10}, I{0, 1, 3, 5, 7, 8, 10}},
    {"リディアンスケール", 7, KeyMode::Major, false, I{0, 2, 4, 6, 7, 9, 11}, I{0, 2, 4, 6, 7, 9, 11}},
    {"ミクソリディアンスケール", 7, KeyMode::Major, false, I{0, 2, 4, 5, 7, 9, 10}, I{0, 2, 4, 5, 7, 9, 10}},
    {"ロクリアンスケール", 7, KeyMode::Minor, false, I{0, 1, 3, 5, 6, 8, 10}, I{0, 1, 3, 5, 6, 8, 10}},
    {"メジャーペンタトニックスケール", 5, KeyMode::Major, false, I{0, 2, 4, 7, 9}, I{0, 2, 4, 7, 9}},
    {"マイナーペンタトニックスケール", 5, KeyMode::Minor, false, I{0, 3, 5, 7, 10}, I{0, 3, 5, 7, 10}},
    {"ブルーススケール", 6, KeyMode::Minor, false, I{0, 3, 5, 6, 7, 10}, I{0, 3, 5, 6, 7, 10}},
    {"ホールトーンスケール", 6, KeyMode::None, false, I{0, 2, 4, 6, 8, 10}, I{0, 2, 4, 6, 8, 10}},
    {"ディミニッシュスケール", 8, KeyMode::None, false, I{0, 2, 3, 5, 6, 8, 9, 11}, I{0, 2, 3, 5, 6, 8, 9, 11}},
    {"コンビネーションオブディミニッシュスケール", 8, KeyMode::None, false, I{0, 1, 3, 4, 6, 7, 9, 10},
     I{0, 1, 3, 4, 6, 7, 9, 10}},
    {"スパニッシュスケール", 8, KeyMode::Minor, false, I{0, 1, 3, 4, 5, 7, 8, 10}, I{0, 1, 3, 4, 5, 7, 8, 10}},
    {"オリエンタルスケール", 7, KeyMode::Minor, false, I{0, 2, 3, 6, 7, 8, 11}, I{0, 2, 3, 6, 7, 8, 11}},
    {"陽旋法", 5, KeyMode::Major, true, I{0, 2, 5, 7, 10}, I{0, 2, 5, 7, 9}},
    {"陰旋法", 5, KeyMode::Minor, true, I{0, 1, 5, 7, 10}, I{0, 1, 5, 7, 8}},
    {"ヨナ抜き短音階", 5, KeyMode::Minor, false, I{0, 2, 3, 7, 8}, I{0, 2, 3, 7, 8}},
    {"琉球音階", 5, KeyMode::Major, false, I{0, 4, 5, 7, 11}, I{0, 4, 5, 7, 11}},
}};

const std::array<std::string_view, 12> ToneNames = {"C", "C#", "D", "E♭", "E", "F", "F#", "G", "A♭", "A", "B♭", "B"};

const std::array<std::int8_t, 12> KeySignatureTable = {0, -5, 2, -3, 4, -1, 6, 1, -4, 3, -2, 5};

std::string ToneLabel(int k)
{
    const int note = k + kLowestTone;
    return std::string(ToneNames[static_cast<std::size_t>(note % 12)]) + std::to_string(note / 12 - 1);
}

std::optional<int> ToneIndexOfLabel(std::string_view label)
{
    std::string wanted(label);
    if (wanted.size() >= 2 && wanted[1] == 'b')
        wanted.replace(1, 1, "♭");
    for (int k = 0; k < kToneCount; ++k)
        if (ToneLabel(k) == wanted)
            return k;
    return std::nullopt;
}

ScaleNoteSet::ScaleNoteSet()
{
    for (int i = 0; i < 128; ++i) {
        Ascending[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        Descending[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
}

std::uint8_t BuildNoteSet(ScaleNoteSet& set, int scaleIndex, std::uint8_t tonic, std::uint8_t lowTone,
                          std::uint8_t highTone)
{
    set.Count = 0;
    if (scaleIndex < 0 || scaleIndex >= kScaleCount)
        return 0;
    const TMusicalScale& s = ScaleTable[static_cast<std::size_t>(scaleIndex)];
    for (int k = 0; k < 10; ++k) {
        for (int j = 0; j < s.NoteCount; ++j) {
            const auto a =
                static_cast<std::uint8_t>(tonic + 12 * k + s.AscendingIntervals[static_cast<std::size_t>(j)]);
            std::uint8_t d = a;
            bool taken = false;
            if (s.HasDescending) {
                d = static_cast<std::uint8_t>(tonic + 12 * k + s.DescendingIntervals[static_cast<std::size_t>(j)]);
                taken = a >= lowTone && d >= lowTone && a <= highTone && d <= highTone;
            } else {
                taken = a >= lowTone && a <= highTone;
            }
            if (taken && set.Count < 128) {
                set.Ascending[set.Count] = a;
                set.Descending[set.Count] = d;
                ++set.Count;
            }
        }
    }
    return set.Count;
}

std::uint8_t NoteAt(const ScaleNoteSet& set, int position, bool hasDescending)
{
    if (position < 0)
        return 0;
    if (position >= set.Count)
        return 127;
    if (hasDescending && position < set.PreviousPosition)
        return set.Descending[static_cast<std::size_t>(position)];
    return set.Ascending[static_cast<std::size_t>(position)];
}

int ListNotes(const ScaleNoteSet& set, std::int32_t* out)
{
    int n = 0;
    for (int p = 0; p < set.Count && n < 128; ++p) {
        out[n++] = set.Ascending[static_cast<std::size_t>(p)];
        if (set.Ascending[static_cast<std::size_t>(p)] != set.Descending[static_cast<std::size_t>(p)] && n < 128)
            out[n++] = set.Descending[static_cast<std::size_t>(p)];
    }
    return n;
}

KeySignature KeySignatureOf(int scaleIndex, int tonic)
{
    if (scaleIndex < 0 || scaleIndex >= kScaleCount || tonic < 0 || tonic > 11)
        return {};
    switch (ScaleTable[static_cast<std::size_t>(scaleIndex)].Mode) {
    case KeyMode::Major:
        return {KeySignatureTable[static_cast<std::size_t>(tonic)], 0};
    case KeyMode::Minor:
        return {KeySignatureTable[static_cast<std::size_t>((tonic + 3) % 12)], 1};
    case KeyMode::None:
        break;
    }
    return {};
}

namespace {

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

// Ticks per unit of X, rounded to a double before use; the formulas run in
// extended precision so that products just below a whole tick truncate the
// same way on every run.
long double TicksPerX(double DxPQN)
{
    return static_cast<double>(static_cast<long double>(TicksPerQuarter) / static_cast<long double>(DxPQN));
}

} // namespace

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

// Called after each block of notes with the start tick of the next block's
// first note: every event before it is final and may leave the list.
using BlockFlush = std::function<bool(TMidiEventList& melody, std::uint32_t limit)>;

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
};

struct Mapped {
    std::uint32_t start;
    std::uint32_t length;
    std::int32_t position; // -1: a tick out of range
};

// Start, length and scale position of the records [from, to); stops at the
// first record with a tick out of range (its position stays -1).
[[gnu::always_inline]] inline void MapRecords(const MapInputs& in, std::size_t from, std::size_t to, Mapped* out)
{
    const TXYDataList& data = *in.data;
    std::size_t next = from; // first record with an X above the current one
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
        if (next < in.count) {
            const auto gap = TruncTick((static_cast<long double>(data[next].X) - x) * in.lscale * in.Duration + 0.5L);
            if (!gap)
                return;
            length = *gap;
        }
        if (length == 0)
            length = 1;
        const auto start = TruncTick((x - in.x0) * in.lscale);
        if (!start || static_cast<std::uint64_t>(*start) + length > kLastTick)
            return;
        int position = in.n / 2;
        if (in.maxY != in.minY) {
            const long double scaled = (static_cast<long double>(data[i].Y) - in.minY) / in.yRange * in.n;
            position = static_cast<int>(static_cast<std::int64_t>(scaled));
            if (position == in.n)
                position = in.n - 1;
        }
        m = {*start, length, position};
    }
}

// The same loop twice: where SSE3 is present, its copy truncates with one
// instruction; the other switches the x87 control word for each value. Both
// give the same integers.
void MapRecordsPlain(const MapInputs& in, std::size_t from, std::size_t to, Mapped* out)
{
    MapRecords(in, from, to, out);
}
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("sse3"))) void MapRecordsSse3(const MapInputs& in, std::size_t from, std::size_t to, Mapped* out)
{
    MapRecords(in, from, to, out);
}
const auto MapRange = [] {
    __builtin_cpu_init(); // this runs before main, perhaps before the library's own start-up
    return __builtin_cpu_supports("sse3") ? MapRecordsSse3 : MapRecordsPlain;
}();
#else
constexpr auto MapRange = MapRecordsPlain;
#endif

std::uint32_t MapInBlocks(ScaleNoteSet& set, const TXYDataList* dataList, TMidiEventList& melody, int scaleIndex,
                          std::uint8_t tonic, std::uint8_t lowTone, std::uint8_t highTone, double DxPQN,
                          std::uint8_t Velocity, double Duration, bool writeProgramChange, std::uint8_t Program,
                          const BlockFlush& flush)
{
    if (!dataList || dataList->Empty() || DxPQN == 0.0)
        return 0;
    if (scaleIndex < 0 || scaleIndex >= kScaleCount || tonic > 11)
        return 0;
    const TXYDataList& data = *dataList;
    const std::size_t count = static_cast<std::size_t>(data.Count());

    constexpr long double quarter = TicksPerQuarter;
    const long double lscale = TicksPerX(DxPQN);
    const long double x0 = data.First().X;
    const auto pieceEnd = PieceEndTick(data, DxPQN);
    if (!pieceEnd)
        return 0;
    const std::uint32_t end = *pieceEnd;

    set.PreviousPosition = 0;
    const int n = BuildNoteSet(set, scaleIndex, tonic, lowTone, highTone);
    const bool hasDescending = ScaleTable[static_cast<std::size_t>(scaleIndex)].HasDescending;
    const auto [minY, maxY] = data.YBounds();
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
    // Without a flush every note stays in the list: room for all at once,
    // faulted in beside the work. With one, a block's worth.
    melody.Reserve(before + 2 * (flush ? std::min(count, kBlock) : count) + 3);
    const Prefault prefault(const_cast<TMidiEvent*>(melody.end()), flush ? 0 : (2 * count + 3) * sizeof(TMidiEvent));
    if (writeProgramChange)
        melody.AddProgramChange(0, Program);
    const KeySignature key = KeySignatureOf(scaleIndex, tonic);
    melody.AddKeySignature(0, key.SharpsFlats, key.Minor);

    // Each record's start, length and scale position depend only on the
    // data, so a large list has them worked out a block ahead on a second
    // thread while this one adds the notes of the block before (in order:
    // the descending forms depend on the position before) and hands them on.
    const MapInputs inputs{&data, count, lscale, x0, Duration, *defaultLength, n, maxY, minY, yRange};
    const bool ahead = count >= 2 * kBlock && std::thread::hardware_concurrency() >= 2;
    std::vector<Mapped> block(std::min(count, kBlock));
    std::vector<Mapped> next(ahead ? block.size() : 0);
    MapRange(inputs, 0, std::min(count, kBlock), block.data());
    for (std::size_t from = 0; from < count; from += kBlock) {
        const std::size_t to = std::min(count, from + kBlock);
        std::jthread mapper; // joined on every way out
        if (ahead && to < count)
            mapper = std::jthread(MapRange, std::cref(inputs), to, std::min(count, to + kBlock), next.data());
        for (std::size_t i = from; i < to; ++i) {
            const Mapped& m = block[i - from];
            if (m.position < 0)
                return fail();
            const std::uint8_t note = NoteAt(set, m.position, hasDescending);
            melody.AddNote(m.start, note, Velocity, m.length);
            set.PreviousPosition = static_cast<std::uint8_t>(m.position);
        }
        // Notes start in X order, so nothing still to come lies before the
        // next block's first start.
        if (flush && to < count && !flush(melody, TruncTick((data[to].X - x0) * lscale).value_or(0)))
            return fail();
        if (to >= count)
            break;
        if (ahead) {
            mapper.join();
            block.swap(next);
        } else {
            MapRange(inputs, to, std::min(count, to + kBlock), block.data());
        }
    }
    melody.AddEndOfTrack(static_cast<std::uint32_t>(end));
    return static_cast<std::uint32_t>(end);
}

} // namespace

std::uint32_t MapDataToNotes(ScaleNoteSet& set, const TXYDataList* dataList, TMidiEventList& melody, int scaleIndex,
                             std::uint8_t tonic, std::uint8_t lowTone, std::uint8_t highTone, double DxPQN,
                             std::uint8_t Velocity, double Duration, bool writeProgramChange, std::uint8_t Program)
{
    return MapInBlocks(set, dataList, melody, scaleIndex, tonic, lowTone, highTone, DxPQN, Velocity, Duration,
                       writeProgramChange, Program, {});
}

namespace {

// Closes the writer after its tracks; false when they or the close failed,
// with errno telling the first failure's cause, not the close's.
bool CloseWriter(TSMFWrite& writer, bool ok, bool& tooLong)
{
    const int error = errno;
    tooLong = writer.TooLong();
    ok = writer.Close() && ok;
    if (!ok && error)
        errno = error;
    return ok;
}

bool WriteTracks(const std::string& path, TMidiEventList& conductor, TMidiEventList& melody, bool& tooLong)
{
    TSMFWrite writer;
    const bool ok = writer.Open(path, 1) && writer.WriteTrack(conductor) && writer.WriteTrack(melody);
    return CloseWriter(writer, ok, tooLong);
}

// Writes finished runs of a track's events on a thread of its own, in the
// order they are given, while the next block is mapped and sorted.
class BackgroundWriter {
public:
    BackgroundWriter(TSMFWrite& writer, std::uint32_t previous)
        : writer_(writer), previous_(previous), thread_([this] { Run(); })
    {}
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;
    ~BackgroundWriter() { Finish(); }

    // Hands a run over; false once a write has failed. Waits while two runs
    // are still waiting, so memory stays bounded when the disk is slow.
    bool Give(TMidiEventList&& run)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return queue_.size() < 2 || failed_; });
        if (failed_)
            return false;
        queue_.push_back(std::move(run));
        changed_.notify_all();
        return true;
    }

    // An empty list to fill next: one already written, or a new one with
    // room for n events.
    TMidiEventList Spare(std::size_t n)
    {
        {
            std::lock_guard lock(mutex_);
            if (!spare_.empty()) {
                TMidiEventList list = std::move(spare_.back());
                spare_.pop_back();
                return list;
            }
        }
        TMidiEventList list(0, "", "");
        list.Reserve(n);
        return list;
    }

    // Waits until every run is written; the time of the last event written,
    // or nothing (with errno telling why) when a write failed.
    std::optional<std::uint32_t> Finish()
    {
        if (thread_.joinable()) {
            {
                std::lock_guard lock(mutex_);
                done_ = true;
            }
            changed_.notify_all();
            thread_.join();
        }
        if (failed_) {
            errno = error_;
            return std::nullopt;
        }
        return previous_;
    }

private:
    void Run()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return !queue_.empty() || done_; });
            if (queue_.empty())
                return;
            TMidiEventList run = std::move(queue_.front());
            queue_.pop_front();
            const bool skip = failed_;
            // A copy of its own, updated for every event: the shared one
            // shares a cache line with the mapping thread's data.
            std::uint32_t previous = previous_;
            lock.unlock();
            const bool ok = skip || writer_.WriteEvents(run.begin(), run.end(), previous);
            const int error = errno;
            run.Clear();
            lock.lock();
            previous_ = previous;
            if (!ok) {
                failed_ = true;
                error_ = error;
            }
            try {
                spare_.push_back(std::move(run));
            } catch (const std::bad_alloc&) {
                // Not kept for reuse: the next run gets a new list.
            }
            changed_.notify_all();
        }
    }

    TSMFWrite& writer_;
    std::uint32_t previous_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TMidiEventList> queue_;
    std::vector<TMidiEventList> spare_;
    bool done_ = false;
    bool failed_ = false;
    int error_ = 0;
    std::thread thread_; // last: it starts with every member above in place
};

// A large melody is mapped and written a block at a time, so its events
// never all sit in memory: every event before the next block's first start
// is final, and what is written is the same as the whole list sorted. The
// final events of one block are written on a second thread while the next
// block is mapped.
bool WriteStreamed(const std::string& path, TMidiEventList& conductor, ScaleNoteSet& set, const TXYDataList* data,
                   int scaleIndex, std::uint8_t tonic, std::uint8_t lowTone, std::uint8_t highTone, double DxPQN,
                   std::uint8_t Velocity, double Duration, bool writeProgramChange, std::uint8_t Program,
                   std::uint32_t& end, bool& tooLong)
{
    TSMFWrite writer;
    bool ok = writer.Open(path, 1) && writer.WriteTrack(conductor) && writer.BeginTrack() &&
              writer.WriteTrackName(0, "Melody") && writer.WriteInstrumentName(0, std::string(GMProgramNames[Program]));
    TMidiEventList melody(0, "", "");
    std::optional<std::uint32_t> previous = 0;
    if (ok) {
        BackgroundWriter background(writer, 0);
        std::uint32_t lastLimit = 0;
        const auto flush = [&](TMidiEventList& list, std::uint32_t limit) {
            // Every event kept back is at or after the last limit: with no
            // progress there is nothing to write (and no list to sort again,
            // which on long runs of one X would cost more and more).
            if (limit <= lastLimit)
                return true;
            lastLimit = limit;
            list.SortByTime();
            const TMidiEvent* cut =
                std::partition_point(list.begin(), list.end(), [limit](const TMidiEvent& e) { return e.Time < limit; });
            // The few events at or after the limit move to a fresh list; the
            // rest of this one goes to the writer as it is.
            const auto keep = static_cast<std::size_t>(cut - list.begin());
            TMidiEventList rest = background.Spare(static_cast<std::size_t>(list.Count()));
            for (const TMidiEvent* e = cut; e != list.end(); ++e)
                rest.Add(*e);
            list.Truncate(keep);
            std::swap(list, rest);
            return background.Give(std::move(rest));
        };
        const std::uint32_t pieceEnd = end;
        end = MapInBlocks(set, data, melody, scaleIndex, tonic, lowTone, highTone, DxPQN, Velocity, Duration,
                          writeProgramChange, Program, flush);
        ok = end != 0;
        previous = background.Finish();
        if (!previous) {
            // The mapping stopped because a write failed, not because of
            // its ticks: the caller reports the write's own cause.
            ok = false;
            end = pieceEnd;
        }
    }
    if (ok) {
        melody.SortByTime();
        ok = writer.WriteEvents(melody.begin(), melody.end(), *previous) && writer.EndTrack(end - *previous);
    }
    return CloseWriter(writer, ok, tooLong);
}

bool WriteMappedSmfFile(ScaleNoteSet& set, const TXYDataList* dataList, const std::string& fileName, int scaleIndex,
                        std::uint8_t tonic, std::uint8_t lowTone, std::uint8_t highTone, double DxPQN, int Tempo,
                        std::uint8_t Velocity, double Duration, std::uint8_t numerator, std::uint8_t denominatorPower,
                        bool writeProgramChange, std::uint8_t Program, std::string& reason)
{
    if (fileName.empty() || Program > 127) {
        reason = "no file name";
        return false;
    }
    const auto conductorFor = [&](std::uint32_t end) {
        TMidiEventList conductor(0, "Varimel", std::string());
        conductor.AddTimeSignature(0, numerator, denominatorPower, kClocksPerClick);
        conductor.AddTempo(0, Tempo > 0 ? static_cast<std::uint32_t>(Tempo) : 0u);
        conductor.AddEndOfTrack(end);
        return conductor;
    };
    bool tooLong = false;
    bool ok = false;
    // A large list is mapped while it is written (its ticks were checked
    // first, so a refusal still comes before any file is made).
    constexpr int kStreamRecords = 1 << 16;
    const auto pieceEnd =
        dataList && !dataList->Empty() && DxPQN != 0.0 ? PieceEndTick(*dataList, DxPQN) : std::nullopt;
    if (pieceEnd && dataList->Count() >= kStreamRecords && scaleIndex >= 0 && scaleIndex < kScaleCount && tonic <= 11 &&
        TruncTick(static_cast<long double>(TicksPerQuarter) * Duration + 0.5L)) {
        TMidiEventList conductor = conductorFor(*pieceEnd);
        bool mapped = true;
        ok = ReplaceFile(
            fileName,
            [&](const std::string& path) {
                std::uint32_t end = *pieceEnd; // stays so unless the mapping itself fails
                const bool written =
                    WriteStreamed(path, conductor, set, dataList, scaleIndex, tonic, lowTone, highTone, DxPQN, Velocity,
                                  Duration, writeProgramChange, Program, end, tooLong);
                mapped = end != 0;
                return written;
            },
            &reason);
        if (!mapped)
            reason = kReasonTooLong;
    } else {
        TMidiEventList melody(0, "Melody", std::string(GMProgramNames[Program]));
        const std::uint32_t end = MapDataToNotes(set, dataList, melody, scaleIndex, tonic, lowTone, highTone, DxPQN,
                                                 Velocity, Duration, writeProgramChange, Program);
        if (end == 0) {
            reason = !dataList || dataList->Empty() ? "no data" : kReasonTooLong;
            return false;
        }
        TMidiEventList conductor = conductorFor(end);
        ok = ReplaceFile(
            fileName, [&](const std::string& path) { return WriteTracks(path, conductor, melody, tooLong); }, &reason);
    }
    if (tooLong)
        reason = kReasonTooLong;
    return ok;
}

} // namespace

bool WriteMappedSmf(ScaleNoteSet& set, const TXYDataList* dataList, const std::string& fileName, int scaleIndex,
                    std::uint8_t tonic, std::uint8_t lowTone, std::uint8_t highTone, double DxPQN, int Tempo,
                    std::uint8_t Velocity, double Duration, std::uint8_t numerator, std::uint8_t denominatorPower,
                    bool writeProgramChange, std::uint8_t Program, std::string* reason)
{
    // The event lists of a huge file may not fit in memory: that is a failed
    // build like any other, and the target is left alone.
    std::string why;
    bool ok = false;
    try {
        ok = WriteMappedSmfFile(set, dataList, fileName, scaleIndex, tonic, lowTone, highTone, DxPQN, Tempo, Velocity,
                                Duration, numerator, denominatorPower, writeProgramChange, Program, why);
    } catch (const std::bad_alloc&) {
        why = kReasonNoMemory;
    }
    if (!ok && reason)
        *reason = why;
    return ok;
}

} // namespace varimel
