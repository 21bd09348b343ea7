// SPDX-License-Identifier: MIT
#include "Csvload.h"

#include "sys/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace varimel {

namespace {

// Bytes read at a time: small enough that the piece is still in the
// processor's cache when it is parsed, and that parsing starts soon.
constexpr std::size_t kReadPiece = std::size_t{128} << 10;

// Files above this size are sampled first, to size the load and to refuse
// one that would not fit.
constexpr std::uint64_t kSampledAbove = std::uint64_t{1} << 20;

// Files from this size on are read by two threads, each taking one half.
constexpr std::uint64_t kParallelBytes = std::uint64_t{1} << 20;

// Where a large file is cut for two readers: right after a line end near its
// middle, or 0 to read it in one piece (a small file, one processor, line
// numbers as X, which need the lines before them counted first).
std::uint64_t SplitPoint(int fd, const struct stat& info, const ImportOptions& options)
{
    if (!S_ISREG(info.st_mode) || static_cast<std::uint64_t>(info.st_size) < kParallelBytes || options.XColumn == 0 ||
        std::thread::hardware_concurrency() < 2)
        return 0;
    const auto size = static_cast<std::uint64_t>(info.st_size);
    const std::uint64_t middle = size / 2;
    char window[64 * 1024];
    const ssize_t got = pread(fd, window, sizeof window, static_cast<off_t>(middle));
    if (got <= 0)
        return 0;
    const void* end = std::memchr(window, '\n', static_cast<std::size_t>(got));
    if (!end)
        return 0;
    const std::uint64_t split = middle + static_cast<std::uint64_t>(static_cast<const char*>(end) - window) + 1;
    return split < size ? split : 0;
}

// Feeds the bytes [from, to) of the file to parser; false with errno on a
// read error. ended tells whether Ctrl-Z ended the data.
bool FeedRange(int fd, std::uint64_t from, std::uint64_t to, CsvParser& parser, bool& ended, bool& shrunk)
{
    std::unique_ptr<char[]> buffer(new char[kReadPiece]);
    ended = false;
    shrunk = false;
    while (from < to) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kReadPiece, to - from));
        const ssize_t got = pread(fd, buffer.get(), want, static_cast<off_t>(from));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0) {
            shrunk = true; // the file became shorter while it was read
            break;
        }
        from += static_cast<std::uint64_t>(got);
        if (!parser.Feed(buffer.get(), static_cast<std::size_t>(got))) {
            ended = true;
            break;
        }
    }
    return true;
}

// Adds what a file's second half read beside its series to what the first
// half read, the lines numbered on by lineOffset. firstHas tells which
// columns have a record in the first half: a header found in the second
// half counts only for the others.
void AppendRest(SeriesRead& to, SeriesRead& tail, std::uint64_t lineOffset, const std::vector<char>& firstHas)
{
    for (MissingValue m : tail.Missing) {
        m.Line += lineOffset;
        to.Missing.push_back(m);
    }
    for (std::size_t k = 0; k < to.Names.size(); ++k)
        if (!firstHas[k] && !tail.Names[k].empty())
            to.Names[k] = std::move(tail.Names[k]);
    for (const auto& [into, from] :
         {std::pair{&to.Velocity, &tail.Velocity}, std::pair{&to.Duration, &tail.Duration}}) {
        for (std::size_t k = 0; k < into->Values.size(); ++k)
            into->Values[k].insert(into->Values[k].end(), from->Values[k].begin(), from->Values[k].end());
        if (!std::isnan(from->Low)) {
            into->Take(from->Low);
            into->Take(from->High);
        }
    }
    // The second half's groups are numbered on after the first's, a group
    // both have keeping the first's number.
    std::vector<std::uint8_t> renumbered;
    for (std::string& name : tail.GroupNames) {
        const auto found = std::find(to.GroupNames.begin(), to.GroupNames.end(), name);
        renumbered.push_back(static_cast<std::uint8_t>(found - to.GroupNames.begin()));
        if (found == to.GroupNames.end())
            to.GroupNames.push_back(std::move(name));
    }
    to.TooManyGroups = to.TooManyGroups || tail.TooManyGroups || to.GroupNames.size() > kMaxSeries;
    for (const std::uint8_t group : tail.Groups)
        to.Groups.push_back(renumbered[group]);
    to.Filtered += tail.Filtered;
}

// One series read in two halves into room's storage: the first half's
// records at its start (n1, then those that did not fit, in over1), the
// second's from index at (n2, then over2). They become room's records in
// file order; with a second half that does not count (ended before it),
// only the first's.
void JoinHalves(TXYDataList& room, std::size_t n1, const TXYDataList& over1, std::size_t at, std::size_t n2,
                const TXYDataList& over2, bool withSecond)
{
    XYData* const base = room.Storage();
    if (!withSecond) {
        room.Keep(n1);
        room.Append(over1);
        return;
    }
    if (over1.Empty()) {
        // The usual case: the second half moves down behind the first, in
        // memory already written.
        std::memmove(base + n1, base + at, n2 * sizeof(XYData));
        room.Keep(n1 + n2);
    } else {
        // The first half outgrew its share: the second's records move out
        // of the way first.
        TXYDataList second;
        second.Reserve(n2);
        for (std::size_t i = 0; i < n2; ++i)
            second.Add(base[at + i]);
        room.Keep(n1);
        room.Append(over1);
        room.Append(second);
    }
    room.Append(over2);
}

// Rows grouped into series: the first column's records (and their values
// beside the notes), read in file order, dealt out to their groups' series.
void DealGroups(TXYDataList& data, SeriesRead& rest)
{
    const std::size_t n = rest.GroupNames.size();
    if (n < 2)
        return;
    std::vector<std::size_t> counts(n);
    for (const std::uint8_t group : rest.Groups)
        ++counts[group];
    std::vector<TXYDataList> parts(n);
    for (std::size_t g = 0; g < n; ++g)
        parts[g].Reserve(counts[g]);
    for (std::size_t i = 0; i < rest.Groups.size(); ++i)
        parts[rest.Groups[i]].Add(data[i]);
    for (BesideColumn* column : {&rest.Velocity, &rest.Duration}) {
        if (column->Values.empty())
            continue;
        std::vector<std::vector<double>> values(n);
        for (std::size_t g = 0; g < n; ++g)
            values[g].reserve(counts[g]);
        for (std::size_t i = 0; i < rest.Groups.size(); ++i)
            values[rest.Groups[i]].push_back(column->Values[0][i]);
        column->Values = std::move(values);
    }
    data = std::move(parts[0]);
    rest.More.assign(std::make_move_iterator(parts.begin() + 1), std::make_move_iterator(parts.end()));
    rest.Names = rest.GroupNames;
    std::vector<std::uint8_t>().swap(rest.Groups);
}

// Reads a large file with two parsers at once, one per half, and joins
// their records, skipped lines and line numbers as one parser would have.
// Both write each series' records straight into one list's room, the first
// half's from its start and the second's from about where the first's will
// end, so joining them moves the second half down instead of copying it
// into fresh memory.
bool ParseInTwo(int fd, std::uint64_t size, std::uint64_t split, const ImportOptions& options, CsvLoad& load,
                SeriesRead* rest, std::string& reason)
{
    // An eighth more room than the lines guessed: an untouched page costs
    // nothing, while a half that outgrows its share is copied once more.
    load.Data.Reserve(load.Data.Capacity() + load.Data.Capacity() / 8);
    const std::size_t room = load.Data.Capacity();
    const auto at = static_cast<std::size_t>(static_cast<long double>(room) * split / size);
    TXYDataList over1, over2;
    CsvParser first(over1, kMaxLineBytes, options);
    CsvParser second(over2, kMaxLineBytes, options);
    SeriesRead restTail;
    if (rest) {
        first.AlsoRead(*rest);
        second.AlsoRead(restTail);
    }
    // Every series' room: the first column's in the load, each further
    // one's a list of the same size.
    const std::size_t series = rest ? 1 + rest->More.size() : 1;
    std::vector<TXYDataList> rooms(series - 1);
    const auto roomOf = [&](std::size_t k) -> TXYDataList& { return k == 0 ? load.Data : rooms[k - 1]; };
    for (std::size_t k = 0; k < series; ++k) {
        TXYDataList& list = roomOf(k);
        list.Reserve(room);
        first.FillFirst(k, list.Storage(), list.Storage() + at);
        second.FillFirst(k, list.Storage() + at, list.Storage() + room);
    }
    second.StartsMidFile();
    bool firstEnded = false, secondEnded = false, secondOk = true, firstShrunk = false, secondShrunk = false;
    int secondError = 0;
    std::thread other([&] {
        secondOk = FeedRange(fd, split, size, second, secondEnded, secondShrunk);
        secondError = errno;
    });
    const bool firstOk = FeedRange(fd, 0, split, first, firstEnded, firstShrunk);
    const int firstError = errno;
    other.join();
    if (!firstOk || !secondOk) {
        reason = std::strerror(!firstOk ? firstError : secondError); // the old data stays
        return false;
    }
    if (firstShrunk || (secondShrunk && !firstEnded)) {
        reason = kReasonFileChanged;
        return false;
    }
    first.Finish();
    // Ctrl-Z in the first half ends the data there: the second half is not
    // part of it.
    if (!firstEnded)
        second.Finish();
    std::vector<char> firstHas{first.Filled(0) > 0 || !over1.Empty()};
    for (std::size_t k = 1; k < series; ++k)
        firstHas.push_back(first.Filled(k) > 0 || !rest->More[k - 1].Empty());
    for (std::size_t k = 0; k < series; ++k)
        JoinHalves(roomOf(k), first.Filled(k), k == 0 ? over1 : rest->More[k - 1], at, second.Filled(k),
                   k == 0 ? over2 : restTail.More[k - 1], !firstEnded);
    if (rest)
        for (std::size_t k = 1; k < series; ++k)
            rest->More[k - 1] = std::move(rooms[k - 1]);
    load.Skipped = first.Skipped();
    load.Skips = first.TakeSkips();
    if (!firstEnded) {
        if (rest)
            AppendRest(*rest, restTail, first.LinesTaken(), firstHas);
        load.Skipped = load.Skipped || second.Skipped();
        load.Skips.Append(second.Skips(), first.LinesTaken());
    }
    return true;
}

// Sorts a series' records with their values beside the notes, so that
// each value stays with its record, and surveys them once for all that
// asks for their order and Y range later.
void SortSeries(TXYDataList& data, std::initializer_list<std::vector<double>*> beside)
{
    data.Survey();
    if (data.IsSorted())
        return;
    if (std::all_of(beside.begin(), beside.end(), [](const std::vector<double>* v) { return v == nullptr; })) {
        data.Sort();
    } else {
        const std::vector<std::uint32_t> order = data.SortOrder();
        data.Reorder(order);
        for (std::vector<double>* values : beside)
            if (values) {
                std::vector<double> sorted(values->size());
                for (std::size_t i = 0; i < order.size(); ++i)
                    sorted[i] = (*values)[order[i]];
                values->swap(sorted);
            }
    }
    data.Survey();
}

// The series of one pass, sorted, into the load: a column without a record
// has no header (its name would be a stray value or text).
void TakeSeries(CsvLoad& load, SeriesRead& rest)
{
    if (load.Options.SplitBy > 0)
        DealGroups(load.Data, rest);
    const auto values = [](BesideColumn& column, std::size_t k) {
        return column.Values.empty() ? nullptr : &column.Values[k];
    };
    SortSeries(load.Data, {values(rest.Velocity, 0), values(rest.Duration, 0)});
    for (std::size_t k = 0; k < rest.More.size(); ++k)
        SortSeries(rest.More[k], {values(rest.Velocity, k + 1), values(rest.Duration, k + 1)});
    if (rest.More.empty()) {
        rest.Names.clear();
    } else {
        for (std::size_t k = 0; k < rest.Names.size(); ++k)
            if ((k == 0 ? load.Data : rest.More[k - 1]).Empty())
                rest.Names[k].clear();
    }
    load.More = std::move(rest.More);
    load.Missing = std::move(rest.Missing);
    load.Names = std::move(rest.Names);
    load.Velocity = std::move(rest.Velocity);
    load.Duration = std::move(rest.Duration);
    load.Filtered = rest.Filtered;
}

// Reads the file with the options: every Y column and the columns beside
// the notes in one pass.
std::optional<CsvLoad> LoadCsvFile(const std::string& path, std::string& reason, const ImportOptions& options,
                                   const LoadBudget& budget)
{
    const auto fail = [&reason](std::string why) -> std::optional<CsvLoad> {
        reason = std::move(why);
        return std::nullopt;
    };
    if (path.empty())
        return fail(std::strerror(ENOENT));
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return fail(std::strerror(errno));
    struct stat info {};
    if (fstat(fileno(file.get()), &info) != 0)
        return fail(std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return fail(std::strerror(EISDIR));
    // Being stopped by the system for lack of memory tells the user nothing;
    // a file that will not fit is refused before it is read. Samples spread
    // over the file also tell how many records to make room for.
    std::uint64_t expected = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) / 16 : 0;
    if (S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) > kSampledAbove) {
        const auto size = static_cast<std::uint64_t>(info.st_size);
        const FileSample sample = SampleFile(fileno(file.get()), size, options);
        if (sample.bytes > 0) {
            const std::optional<std::uint64_t> available = AvailableMemory();
            const std::uint64_t shares = std::max<std::uint64_t>(1, budget.shares);
            if (!FitsInMemory(MemoryNeeded(size, sample, budget), available ? *available / shares : available))
                return fail(kReasonNoMemory);
            if (sample.lineEnds > 0) {
                const std::uint64_t lines = static_cast<std::uint64_t>(
                    static_cast<long double>(size) * sample.lineEnds / static_cast<long double>(sample.bytes));
                expected = lines + lines / 16 + 16;
            }
        }
    }

    CsvLoad load;
    if (expected > 0)
        load.Data.Reserve(static_cast<std::size_t>(expected));
    load.Options = options;
    SeriesRead rest;
    SeriesRead* const more = options.ReadsMore() ? &rest : nullptr;
    const auto sorted = [&]() -> std::optional<CsvLoad> {
        if (rest.TooManyGroups)
            return fail(kReasonTooManyGroups);
        if (more)
            TakeSeries(load, rest);
        else
            SortSeries(load.Data, {});
        load.Summary = Summarize(load.Data, FileNameOf(path), options.XDate);
        return std::optional<CsvLoad>(std::move(load));
    };
    if (const std::uint64_t split = SplitPoint(fileno(file.get()), info, options)) {
        if (!ParseInTwo(fileno(file.get()), static_cast<std::uint64_t>(info.st_size), split, options, load, more,
                        reason))
            return std::nullopt;
        return sorted();
    }
    CsvParser parser(load.Data, kMaxLineBytes, options);
    if (more)
        parser.AlsoRead(rest);
    std::unique_ptr<char[]> buffer(new char[kReadPiece]);
    std::uint64_t taken = 0;
    bool ended = false;
    for (;;) {
        const std::size_t got = std::fread(buffer.get(), 1, kReadPiece, file.get());
        taken += got;
        if (got > 0 && !parser.Feed(buffer.get(), got)) {
            ended = true;
            break;
        }
        if (got < kReadPiece) {
            if (std::ferror(file.get()))
                return fail(std::strerror(errno ? errno : EIO)); // the old data stays
            break;
        }
    }
    // A regular file that gave fewer bytes than it had was cut short while
    // it was read: part of its rows would pass for all of them.
    if (!ended && S_ISREG(info.st_mode) && taken < static_cast<std::uint64_t>(info.st_size))
        return fail(kReasonFileChanged);
    parser.Finish();
    load.Skipped = parser.Skipped();
    load.Skips = parser.TakeSkips();
    return sorted();
}

} // namespace

std::optional<CsvLoad> LoadCsv(const std::string& path, std::string* reason, const ImportOptions& options,
                               const LoadBudget& budget)
{
    // A file too large for the memory at hand cannot be read either; what
    // was loaded before stays.
    std::string why;
    std::optional<CsvLoad> load;
    try {
        load = LoadCsvFile(path, why, options, budget);
    } catch (const std::bad_alloc&) {
        load.reset();
        why = kReasonNoMemory;
    }
    if (!load && reason)
        *reason = why;
    return load;
}

} // namespace varimel
