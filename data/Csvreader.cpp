// SPDX-License-Identifier: MIT
#include "Csvreader.h"

#include "Fields.h"
#include "Number.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace varimel {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr std::size_t kByteOrderMarkSize = 3;
constexpr unsigned char kCtrlZ = 26;

using fields::Field;
using fields::IsDigit;

// Splits fields until two have been found (later fields never change the
// outcome). Returns the number of fields found, at most two.
int SplitTwoFields(std::string_view line, Field (&fields)[2])
{
    return fields::SplitFields(line, ',', false, 2, fields);
}

// The digits of one plain number at p ("-12.5", "3", ".25") as an integer
// and the count of digits after the point; false for more than 15
// significant digits, which then go the general way. Leading zeros are not
// significant.
bool CountedDigits(const char*& p, const char* end, std::uint64_t& digits, int& fraction, bool& any)
{
    int significant = 0;
    const auto take = [&](char c) {
        any = true;
        if (digits == 0 && c == '0')
            return true;
        digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        return ++significant <= 15;
    };
    for (; p < end && IsDigit(*p); ++p)
        if (!take(*p))
            return false;
    if (p < end && *p == '.') {
        for (++p; p < end && IsDigit(*p); ++p, ++fraction)
            if (!take(*p))
                return false;
    }
    return true;
}

// Eight characters from p as one word, the first in the lowest byte, each
// less '0': a digit becomes its value, anything else a byte of 10 or more.
inline std::uint64_t EightLessZero(const char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word ^ 0x3030303030303030u;
}

// How many of those eight are digits before the first that is not.
inline int LeadingDigits(std::uint64_t lessZero)
{
    constexpr std::uint64_t kHigh = 0x8080808080808080u;
    // A byte is a digit when its top bit is clear and it is below 10, which
    // adding 0x76 to its low seven bits shows in that top bit (no carry
    // crosses into the next byte).
    const std::uint64_t other = (lessZero | ((lessZero & ~kHigh) + 0x7676767676767676u)) & kHigh;
    return other == 0 ? 8 : std::countr_zero(other) / 8;
}

// The value of the first count (1 to 8) digits of such a word: they are
// moved to its top, where the bytes below them are leading zeros, and
// joined pairwise, then in fours, then the two fours.
inline std::uint64_t DigitsValue(std::uint64_t lessZero, int count)
{
    std::uint64_t v = lessZero << (8 * (8 - count));
    v = (v * 10) + (v >> 8);
    v = (((v & 0x000000FF000000FFu) * (100 + (1000000ull << 32))) +
         (((v >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32)))) >>
        32;
    return v;
}

inline constexpr std::uint64_t kWholePowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};

// The common number, up to seven digits before the point and seven after,
// read eight bytes at a time: a number's digits vary in count from line to
// line (12.5, -3.25, 0.125), which a loop over them mispredicts at its end.
// False, with nothing taken, when the number is longer or too near the end
// of the bytes; the loop then reads it.
inline bool EightAtATime(const char*& at, const char* end, std::uint64_t& digits, int& count, int& fraction)
{
    if constexpr (std::endian::native != std::endian::little)
        return false;
    const char* p = at;
    if (end - p < 17)
        return false;
    const std::uint64_t whole = EightLessZero(p);
    const int wholeCount = LeadingDigits(whole);
    if (wholeCount == 8)
        return false;
    std::uint64_t value = wholeCount == 0 ? 0 : DigitsValue(whole, wholeCount);
    p += wholeCount;
    int fractionCount = 0;
    if (*p == '.') {
        ++p;
        const std::uint64_t part = EightLessZero(p);
        fractionCount = LeadingDigits(part);
        if (fractionCount == 8)
            return false;
        if (fractionCount > 0)
            value = value * kWholePowersOfTen[fractionCount] + DigitsValue(part, fractionCount);
        p += fractionCount;
    }
    at = p;
    digits = value;
    count = wholeCount + fractionCount;
    fraction = fractionCount;
    return true;
}

// One plain number at p, the way ReadNumber's short path reads it, ending at
// a blank, a comma or the end; false for anything else (quotes, exponents,
// more than 15 significant digits, other text), which then goes the general
// way.
[[gnu::always_inline]] inline bool QuickNumber(const char*& at, const char* end, double& out)
{
    // A pointer of its own: bytes read through the caller's might be the
    // caller's pointer itself, which would be stored and loaded for every
    // digit.
    const char* p = at;
    const auto done = [&](bool ok) {
        at = p;
        return ok;
    };
    // Signs come in no order a branch could learn (a series around zero):
    // taken and applied without one.
    const bool negative = p < end && *p == '-';
    p += p < end && (*p == '+' || *p == '-');
    // Up to 15 digits in all cannot hold more than 15 significant ones, so
    // the common number is read without counting; a longer one is read
    // again, counting.
    const char* const first = p;
    std::uint64_t digits = 0;
    int count = 0;
    int fraction = 0;
    if (!EightAtATime(p, end, digits, count, fraction)) {
        for (; p < end && IsDigit(*p); ++p, ++count)
            digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
        if (p < end && *p == '.') {
            for (++p; p < end && IsDigit(*p); ++p, ++count, ++fraction)
                digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
        }
    }
    bool any = count > 0;
    if (count > 15) {
        p = first;
        digits = 0;
        fraction = 0;
        if (!CountedDigits(p, end, digits, fraction, any))
            return done(false);
    }
    const bool endsWell = p == end || static_cast<unsigned char>(*p) <= 32 || *p == ',';
    if (!any || fraction > 22 || !endsWell)
        return done(false);
    const double value = static_cast<double>(digits) / kPowersOfTen[fraction];
    out = std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) | static_cast<std::uint64_t>(negative) << 63);
    return done(true);
}

// A blank inside a line: what the field splitter skips, less the bytes that
// end a line (which never reach it).
inline bool InLineBlank(unsigned char c) { return fields::IsBlank(c) && c != '\n' && c != '\r' && c != kCtrlZ; }

// The common line "x,y" (or "x y") read in one pass from p: the record and
// where the second number stopped, or nullptr. Whatever follows the second
// number is not looked at, as by the field splitter, which takes the first
// two fields.
[[gnu::always_inline]] inline const char* QuickRecord(const char* p, const char* end, XYData& record)
{
    const auto skipBlanks = [&] {
        while (p < end && InLineBlank(static_cast<unsigned char>(*p)))
            ++p;
    };
    skipBlanks();
    double x = 0.0, y = 0.0;
    if (!QuickNumber(p, end, x))
        return nullptr;
    skipBlanks();
    if (p < end && *p == ',') {
        ++p;
        skipBlanks();
    }
    if (p == end || !QuickNumber(p, end, y))
        return nullptr;
    record = XYData{x, y};
    return p;
}

bool QuickLine(std::string_view line, XYData& record)
{
    return QuickRecord(line.data(), line.data() + line.size(), record) != nullptr;
}

inline bool IsLineEnd(unsigned char c) { return c == '\n' || c == '\r' || c == kCtrlZ; }

} // namespace

bool ParseCsvLine(std::string_view line, XYData& record)
{
    if (QuickLine(line, record))
        return true;
    Field fields[2];
    if (SplitTwoFields(line, fields) < 2)
        return false;
    const auto x = ParseNumber(fields[0].text);
    if (!x)
        return false;
    const auto y = ParseNumber(fields[1].text);
    if (!y)
        return false;
    record = XYData{*x, *y};
    return true;
}

void CsvParser::Hold(const char* begin, const char* end)
{
    if (overlong_)
        return;
    if (pending_.size() + static_cast<std::size_t>(end - begin) > maxLine_) {
        overlong_ = true;
        std::string().swap(pending_);
        return;
    }
    pending_.append(begin, end);
}

void CsvParser::TakeLine(const char* begin, const char* end)
{
    ++line_;
    if (overlong_ || static_cast<std::size_t>(end - begin) > maxLine_) {
        overlong_ = false;
        Skip(SkipReason::TooLong, {});
        return;
    }
    // The line is a C string to the reader: a NUL byte ends it.
    if (const void* nul = std::memchr(begin, 0, static_cast<std::size_t>(end - begin)))
        end = static_cast<const char*>(nul);
    while (end > begin && static_cast<unsigned char>(end[-1]) <= 32)
        --end;
    const std::string_view line(begin, static_cast<std::size_t>(end - begin));
    if (rest_ != nullptr) {
        TakeColumns(line);
        return;
    }
    XYData record;
    if (plain_) {
        // The plain reading keeps its own fast path; only a refused line
        // pays for finding out why.
        if (ParseCsvLine(line, record)) {
            PutFirst(record);
            return;
        }
        Skip(ClassifyPlainLine(line), line);
        return;
    }
    if (const auto reason = ParseImportLine(line, line_, options_, record)) {
        Skip(*reason, line);
        return;
    }
    PutFirst(record);
}

namespace {

constexpr int kUnused = -1;
constexpr int kXField = -2;
constexpr int kRowField = -3; // a field the filters or the groups look at

} // namespace

void CsvParser::AlsoRead(SeriesRead& rest)
{
    rest_ = &rest;
    columns_ = options_.YColumns();
    stretches_.resize(columns_.size());
    rest = SeriesRead{};
    // Each further column has room for as many records as the first.
    for (std::size_t k = 1; k < columns_.size(); ++k) {
        rest.More.emplace_back();
        rest.More.back().Reserve(out_.Capacity());
    }
    rest.Names.resize(columns_.size());
    recorded_.assign(columns_.size(), 0);
    took_.assign(columns_.size(), 0);
    for (const int y : columns_)
        plainColumn_.push_back(options_.ForColumn(y).IsDefault() ? 1 : 0);
    verdicts_.resize(columns_.size());
    // The columns beside the notes: any number counts there.
    besideOptions_ = options_.ForValues(options_.YColumn);
    for (const auto& [column, read] :
         {std::pair{options_.VelocityColumn, &rest.Velocity}, std::pair{options_.DurationColumn, &rest.Duration}}) {
        if (column <= 0)
            continue;
        read->Column = column;
        read->Values.resize(columns_.size());
        for (std::vector<double>& values : read->Values)
            values.reserve(out_.Capacity());
        beside_.push_back(read);
        besideColumns_.push_back(column);
        plainBeside_.push_back(options_.ForValues(column).IsDefault() ? 1 : 0);
    }
    besideVerdicts_.resize(besideColumns_.size());
    values_.resize(columns_.size() + besideColumns_.size());
    rows_ = options_.ChoosesRows();
    std::vector<int> rowColumns;
    if (options_.SplitBy > 0)
        rowColumns.push_back(options_.SplitBy);
    for (const RowFilter& filter : options_.Where)
        rowColumns.push_back(filter.Column);
    for (const int c : rowColumns)
        rowWanted_ = std::max(rowWanted_, c);
    rowFields_.resize(static_cast<std::size_t>(rowWanted_));
    // Lines of plain numbers are read in one walk over their fields; the
    // walk reads a number as the field splitter and the number reader would,
    // and leaves anything else to them.
    quickColumns_ = !options_.XDate && !options_.DecimalComma && options_.Separator == FieldSeparator::Auto &&
                    options_.ColumnsDistinct();
    if (quickColumns_) {
        int last = options_.XColumn;
        for (const int y : columns_)
            last = std::max(last, y);
        for (const int b : besideColumns_)
            last = std::max(last, b);
        last = std::max(last, rowWanted_);
        roles_.assign(static_cast<std::size_t>(last) + 1, kUnused);
        if (options_.XColumn > 0)
            roles_[static_cast<std::size_t>(options_.XColumn)] = kXField;
        for (std::size_t k = 0; k < columns_.size(); ++k)
            roles_[static_cast<std::size_t>(columns_[k])] = static_cast<int>(k);
        // A column beside the notes may also be a Y column (or the other
        // one): its field is read once and its value copied.
        besideCopy_.assign(besideColumns_.size(), -1);
        for (std::size_t b = 0; b < besideColumns_.size(); ++b) {
            int& role = roles_[static_cast<std::size_t>(besideColumns_[b])];
            if (role == kXField)
                quickColumns_ = false;
            else if (role == kUnused)
                role = static_cast<int>(columns_.size() + b);
            else
                besideCopy_[b] = role;
        }
        // A field the rows are chosen by is read as text; one that is also
        // read as a number goes the general way.
        for (const int c : rowColumns) {
            int& role = roles_[static_cast<std::size_t>(c)];
            if (role != kUnused && role != kRowField)
                quickColumns_ = false;
            role = kRowField;
        }
    }
}

bool CsvParser::RowCounts(int count)
{
    if (KeepsRow(options_.Where, rowFields_, count))
        return true;
    ++rest_->Filtered;
    return false;
}

bool CsvParser::TakeGroup()
{
    const int group = GroupOf(rowFields_[static_cast<std::size_t>(options_.SplitBy - 1)].text);
    if (group >= 0)
        group_ = static_cast<std::uint8_t>(group);
    return group >= 0;
}

int CsvParser::GroupOf(std::string_view text)
{
    std::vector<std::string>& names = rest_->GroupNames;
    const auto found = std::find(names.begin(), names.end(), text);
    if (found != names.end())
        return static_cast<int>(found - names.begin());
    if (names.size() >= static_cast<std::size_t>(kMaxSeries)) {
        rest_->TooManyGroups = true;
        return -1;
    }
    names.emplace_back(text);
    return static_cast<int>(names.size() - 1);
}

void CsvParser::FillFirst(std::size_t k, XYData* begin, XYData* end)
{
    if (stretches_.size() <= k)
        stretches_.resize(k + 1);
    stretches_[k] = {begin, begin, end};
}

std::size_t CsvParser::Filled(std::size_t k) const
{
    return k < stretches_.size() ? static_cast<std::size_t>(stretches_[k].next - stretches_[k].begin) : 0;
}

void CsvParser::Take(std::size_t k, const XYData& record)
{
    Put(k, record);
    if (k == 0 && options_.SplitBy > 0)
        rest_->Groups.push_back(group_);
    recorded_[k] = 1;
    TakeBeside(k);
}

void CsvParser::TakeBeside(std::size_t k)
{
    for (std::size_t b = 0; b < beside_.size(); ++b)
        beside_[b]->Values[k].push_back(values_[columns_.size() + b]);
}

void CsvParser::Skip(SkipReason reason, std::string_view raw)
{
    skipped_ = true;
    skips_.Add(line_, reason, raw);
}

void CsvParser::Miss(std::size_t k, SkipReason reason, std::string_view raw)
{
    skipped_ = true;
    rest_->Missing.push_back({line_, columns_[k], reason});
    NameCandidate(k, raw);
}

void CsvParser::NameCandidate(std::size_t k, std::string_view raw)
{
    if (!recorded_[k] && !raw.empty())
        if (const std::string_view text = HeaderField(raw, columns_[k], options_, found_); !text.empty())
            rest_->Names[k] = text;
}

const char* CsvParser::QuickColumns(const char* p, const char* end, std::uint64_t lineNumber, double& x)
{
    const auto skipBlanks = [&] {
        while (p < end && InLineBlank(static_cast<unsigned char>(*p)))
            ++p;
    };
    skipBlanks();
    x = static_cast<double>(lineNumber);
    for (std::size_t f = 1; f < roles_.size(); ++f) {
        // A missing field (or the empty one after a closing comma) is for
        // the field splitter to judge. (A line end or NUL where a field
        // should start leaves every field after it empty, and the last
        // field is always a wanted number.)
        if (p == end)
            return nullptr;
        const int role = roles_[f];
        if (role == kUnused || role == kRowField) {
            if (*p == '"')
                return nullptr;
            const char* const start = p;
            while (p<end&& static_cast<unsigned char>(*p)> 32 && *p != ',')
                ++p;
            // An empty field may be the line's end: the splitter judges it.
            if (role == kRowField) {
                if (p == start)
                    return nullptr;
                rowFields_[f - 1].text = std::string_view(start, static_cast<std::size_t>(p - start));
            }
        } else if (!QuickNumber(p, end, role == kXField ? x : values_[static_cast<std::size_t>(role)])) {
            return nullptr;
        }
        if (f + 1 == roles_.size())
            break;
        skipBlanks();
        if (p < end && *p == ',') {
            ++p;
            skipBlanks();
        }
    }
    if (options_.PositiveY &&
        std::any_of(values_.begin(), values_.begin() + static_cast<std::ptrdiff_t>(columns_.size()),
                    [](double y) { return !(y > 0.0); }))
        return nullptr;
    for (std::size_t b = 0; b < besideCopy_.size(); ++b)
        if (besideCopy_[b] >= 0)
            values_[columns_.size() + b] = values_[static_cast<std::size_t>(besideCopy_[b])];
    return p;
}

void CsvParser::TakeColumns(double x)
{
    if (rows_) {
        if (!RowCounts(rowWanted_))
            return;
        if (options_.SplitBy > 0 && !TakeGroup())
            return;
    }
    for (std::size_t b = 0; b < beside_.size(); ++b)
        beside_[b]->Take(values_[columns_.size() + b]);
    for (std::size_t k = 0; k < columns_.size(); ++k)
        Take(k, XYData{x, values_[k]});
}

void CsvParser::ReadBeside(std::string_view line)
{
    if (beside_.empty())
        return;
    ParseImportColumns(line, line_, besideOptions_, besideColumns_, besideVerdicts_);
    for (std::size_t b = 0; b < beside_.size(); ++b) {
        // A column the plain reading takes is judged as that reading would.
        XYData record;
        double& value = values_[columns_.size() + b];
        if (plainBeside_[b] != 0)
            value = ParseCsvLine(line, record) ? record.Y : std::numeric_limits<double>::quiet_NaN();
        else
            value = besideVerdicts_[b].Reason ? std::numeric_limits<double>::quiet_NaN() : besideVerdicts_[b].Record.Y;
        if (!std::isnan(value))
            beside_[b]->Take(value);
    }
}

void CsvParser::TakeColumns(std::string_view line)
{
    double x = 0.0;
    if (quickColumns_ && QuickColumns(line.data(), line.data() + line.size(), line_, x)) {
        TakeColumns(x);
        return;
    }
    int rowFound = 0;
    if (rows_ && !line.empty()) {
        const Splitting split = SplittingOf(options_);
        rowFound = fields::SplitFields(line, split.Sep, options_.XDate, rowWanted_, rowFields_, split.Blanks);
        if (!RowCounts(rowFound)) {
            // A header above the rows kept still names their columns.
            for (std::size_t k = 0; k < columns_.size() && !rest_->More.empty(); ++k)
                NameCandidate(k, line);
            return;
        }
    }
    ParseImportColumns(line, line_, options_, columns_, verdicts_);
    bool any = false;
    for (std::size_t k = 0; k < columns_.size(); ++k) {
        // A column the plain reading takes is judged as that reading would.
        if (plainColumn_[k] != 0) {
            took_[k] = ParseCsvLine(line, verdicts_[k].Record) ? 1 : 0;
            if (!took_[k])
                verdicts_[k].Reason = ClassifyPlainLine(line);
        } else {
            took_[k] = verdicts_[k].Reason ? 0 : 1;
        }
        any = any || took_[k];
    }
    // A row of a group whose column is missing has no series to go to.
    if (any && options_.SplitBy > 0) {
        if (rowFound < options_.SplitBy) {
            Skip(SkipReason::MissingColumn, line);
            return;
        }
        if (!TakeGroup())
            return;
    }
    ReadBeside(line);
    if (!any) {
        // No series has a value here: a skipped line of the file, which may
        // still be a header.
        for (std::size_t k = 0; k < columns_.size() && !rest_->More.empty(); ++k)
            NameCandidate(k, line);
        Skip(*verdicts_[0].Reason, line);
        return;
    }
    for (std::size_t k = 0; k < columns_.size(); ++k)
        if (took_[k])
            Take(k, verdicts_[k].Record);
        else
            Miss(k, *verdicts_[k].Reason, line);
}

bool CsvParser::Feed(const char* data, std::size_t size)
{
    if (ended_)
        return false;
    if (atStart_) {
        // Hold back the first bytes until it is clear whether they are a
        // byte-order mark, however the stream is cut into pieces.
        while (size > 0 && bomProbe_.size() < kByteOrderMarkSize && *data == kByteOrderMark[bomProbe_.size()]) {
            bomProbe_.push_back(*data++);
            --size;
        }
        if (bomProbe_.size() == kByteOrderMarkSize) {
            atStart_ = false;
        } else if (size == 0) {
            return true; // still a possible mark
        } else {
            atStart_ = false;
            std::string held;
            held.swap(bomProbe_);
            if (!held.empty() && !Feed(held.data(), held.size()))
                return false;
        }
    }
    const char* p = data;
    const char* const end = data + size;
    if (afterCR_ && p < end) {
        afterCR_ = false;
        if (*p == '\n')
            ++p;
    }
    const char* lineStart = p;
    // A line that starts in this piece is first tried as the common "x,y":
    // read straight from the piece, it needs no search for its end first and
    // no copy. Anything else goes the general way from its start.
    // With further columns, the line of plain numbers in every wanted field.
    const bool quickLines = rest_ == nullptr ? plain_ : quickColumns_;
    bool quick = quickLines && pending_.empty() && !overlong_;
    bool taken = false; // the line before p already gave its record
    while (p < end) {
        if (quick) {
            quick = false;
            XYData record;
            const char* stop =
                rest_ == nullptr ? QuickRecord(p, end, record) : QuickColumns(p, end, line_ + 1, record.X);
            if (stop != nullptr && stop < end) {
                const char* lineEnd = stop;
                while (lineEnd < end && !IsLineEnd(static_cast<unsigned char>(*lineEnd)))
                    ++lineEnd;
                if (lineEnd < end && static_cast<std::size_t>(lineEnd - lineStart) <= maxLine_) {
                    ++line_;
                    if (rest_ == nullptr)
                        PutFirst(record);
                    else
                        TakeColumns(record.X);
                    p = lineEnd;
                    taken = true;
                }
            }
        }
        const unsigned char c = static_cast<unsigned char>(*p);
        if (!IsLineEnd(c)) {
            ++p;
            continue;
        }
        // Ctrl-Z right after a line end ends the data like the end of file:
        // it makes no empty line of its own.
        const bool lineHasBytes = !pending_.empty() || overlong_ || lineStart < p;
        if (!taken && (c != kCtrlZ || lineHasBytes)) {
            if (pending_.empty()) {
                TakeLine(lineStart, p);
            } else {
                Hold(lineStart, p);
                TakeLine(pending_.data(), pending_.data() + pending_.size());
                pending_.clear();
            }
        }
        taken = false;
        if (c == kCtrlZ) {
            ended_ = true;
            return false;
        }
        ++p;
        if (c == '\r') {
            if (p == end)
                afterCR_ = true;
            else if (*p == '\n')
                ++p;
        }
        lineStart = p;
        quick = quickLines;
    }
    Hold(lineStart, end);
    return true;
}

void CsvParser::Finish()
{
    if (atStart_ && !bomProbe_.empty()) {
        // The whole input was a prefix of a byte-order mark: it is a line.
        atStart_ = false;
        pending_ = bomProbe_;
        bomProbe_.clear();
    }
    if (ended_)
        return;
    if (!pending_.empty() || overlong_) {
        TakeLine(pending_.data(), pending_.data() + pending_.size());
        pending_.clear();
    }
    ended_ = true;
}

FileSample SampleFile(int fd, std::uint64_t size, const ImportOptions& options)
{
    constexpr std::uint64_t kPieces = 16;
    // A sixteenth of the file at most, in pieces of 4 to 16 KiB: a file of
    // a few megabytes is not read half again to guess its lines, and the
    // sample, read before the readers start, stays a small part of the time
    // of a large file (a quarter of a megabyte tells its lines as well).
    const auto kPiece = static_cast<std::size_t>(
        std::clamp<std::uint64_t>(size / (kPieces * 16), std::uint64_t{4} << 10, std::uint64_t{16} << 10));
    FileSample sample;
    std::unique_ptr<char[]> piece(new char[kPiece]);
    const std::uint64_t last = size > kPiece ? size - kPiece : 0;
    const bool plain = options.IsDefault() && !options.ReadsMore();
    const std::vector<int> columns = options.YColumns();
    std::vector<LineVerdict> verdicts(columns.size());
    std::vector<LineVerdict> beside(2);
    const std::vector<int> besideColumns = {options.VelocityColumn, options.DurationColumn};
    const auto judge = [&](std::string_view line) {
        if (plain) {
            XYData record;
            return ParseCsvLine(line, record);
        }
        ParseImportColumns(line, 1, options, columns, verdicts);
        const auto records = static_cast<std::uint64_t>(
            std::count_if(verdicts.begin(), verdicts.end(), [](const LineVerdict& v) { return !v.Reason; }));
        if (records == 0)
            return false;
        sample.moreRecords += records - (verdicts[0].Reason ? 0 : 1);
        sample.missing += columns.size() - records;
        for (const int column : besideColumns)
            sample.besides += column > 0 ? records : 0;
        return !verdicts[0].Reason || columns.size() > 1;
    };
    for (std::uint64_t k = 0; k < kPieces; ++k) {
        const std::uint64_t at = last * k / (kPieces - 1);
        const ssize_t got = pread(fd, piece.get(), kPiece, static_cast<off_t>(at));
        if (got <= 0)
            break;
        const std::string_view bytes(piece.get(), static_cast<std::size_t>(got));
        sample.bytes += bytes.size();
        // Whole lines only: from the first line end on (the piece's start
        // may be inside a line), unless the piece is the file's start.
        std::size_t from = at == 0 ? 0 : std::string_view::npos;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            // CR LF ends one line, at its LF.
            if ((bytes[i] != '\n' && bytes[i] != '\r') ||
                (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n'))
                continue;
            ++sample.lineEnds;
            if (from != std::string_view::npos && i > from) {
                const std::string_view line = bytes.substr(from, i - from);
                ++sample.lines;
                if (!judge(line)) {
                    ++sample.skipped;
                    sample.skippedKept += std::min(line.size(), kSkippedTextBytes);
                }
            }
            from = i + 1;
        }
    }
    return sample;
}

std::uint64_t MemoryNeeded(std::uint64_t fileBytes, const FileSample& sample, const LoadBudget& budget)
{
    if (sample.bytes == 0)
        return 0;
    // A record of each line, the second reader's share while both halves
    // are read, and the sort's buffer of half the records.
    constexpr long double kPerRecord = sizeof(XYData) * 2;
    // A skipped line keeps an entry and its text, in lists that may double.
    constexpr long double kPerSkip = 2 * 32;
    const long double scale = static_cast<long double>(fileBytes) / static_cast<long double>(sample.bytes);
    // Samples without any line end are one long line.
    const long double lines = std::max<long double>(1, sample.lineEnds * scale);
    const long double judged = std::max<long double>(1, static_cast<long double>(sample.lines));
    const long double skipShare = static_cast<long double>(sample.skipped) / judged;
    const long double keptPerSkip = sample.skipped ? static_cast<long double>(sample.skippedKept) / sample.skipped : 0;
    long double need = lines * (1 - skipShare) * kPerRecord + lines * skipShare * (kPerSkip + 2 * keptPerSkip);
    // Further columns keep records of their own and an entry (16 bytes, in a
    // list that may double) for each value they miss; a value beside the
    // notes is kept with its sorted copy.
    const long double perJudged = lines / judged;
    need += perJudged * (static_cast<long double>(sample.moreRecords) * kPerRecord +
                         static_cast<long double>(sample.missing) * 2 * 16 +
                         static_cast<long double>(sample.besides) * 2 * sizeof(double));
    if (budget.notesTable) {
        // The table's events and spans while it is made, then its text (a
        // row a little longer than its line, in a string that may double).
        const long double lineBytes = static_cast<long double>(fileBytes) / lines;
        need += lines * std::max<long double>(2 * 16 + 12, 12 + 2 * (lineBytes + 40));
    }
    return static_cast<std::uint64_t>(need);
}

} // namespace varimel
