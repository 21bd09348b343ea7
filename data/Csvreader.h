// SPDX-License-Identifier: MIT
// Reading a CSV file of X,Y pairs into a TXYDataList, and the texts that
// summarise the loaded data.
#pragma once

#include "Fields.h"
#include "Importer.h"
#include "Number.h"
#include "Series.h"
#include "Summary.h"
#include "Xydata.h"
#include "sys/Memory.h"
#include "sys/Paths.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varimel {

// Judges one line (line end already removed): returns true and the record
// when its first two fields are numbers.
bool ParseCsvLine(std::string_view line, XYData& record);

// Splits a byte stream into lines and collects the valid records. Bytes may
// be fed in pieces of any size; lines are taken whole whatever their length.
// A byte-order mark at the very start is skipped; CR LF, LF and a lone CR end
// a line; Ctrl-Z ends the data.
// Lines longer than this are invalid and never held in memory whole.
inline constexpr std::size_t kMaxLineBytes = std::size_t{64} << 20;

class CsvParser {
public:
    explicit CsvParser(TXYDataList& out, std::size_t maxLine = kMaxLineBytes, ImportOptions options = {})
        : out_(out), stretches_(1), maxLine_(maxLine), options_(options),
          plain_(options.ForColumn(options.YColumn).IsDefault())
    {}
    // Reads the options' further Y columns and the columns beside the notes
    // (velocity, length) in the same pass, into rest: each further column's
    // records as a reading of that column alone would have them, with room
    // for as many records as out has; the first column goes to out as
    // before. The skipped lines are then the lines no series has a value on,
    // with the first column's reasons; a value a series misses on a line
    // others have goes to rest's missing values. Call before the first Feed.
    void AlsoRead(SeriesRead& rest);
    // Returns false once Ctrl-Z has ended the data; later bytes are ignored.
    bool Feed(const char* data, std::size_t size);
    // Judges the last line when it had no line end.
    void Finish();
    bool Skipped() const { return skipped_; }
    // Every line that gave no record, with its number and reason.
    const SkippedLines& Skips() const { return skips_; }
    SkippedLines TakeSkips() { return std::move(skips_); }
    // The bytes come from the middle of a file, right after a line end: no
    // byte-order mark is looked for. Call before the first Feed.
    void StartsMidFile() { atStart_ = false; }
    // Lines judged so far.
    std::uint64_t LinesTaken() const { return line_; }
    // Bytes held for a line that continues in the next piece.
    std::size_t HeldBytes() const { return pending_.capacity(); }
    // A reader of part of a large file: series k's records (0 the first
    // column's, k the options' k-th further one) go straight into
    // [begin, end), storage no other reader writes, while it lasts, and then
    // to the end of the series' own list. Call after AlsoRead, before the
    // first Feed.
    void FillFirst(std::size_t k, XYData* begin, XYData* end);
    // How many records series k put into its stretch.
    std::size_t Filled(std::size_t k) const;

private:
    void TakeLine(const char* begin, const char* end);
    // A line for every column at once.
    void TakeColumns(std::string_view line);
    // The line of plain numbers at p, read in one walk: X and every
    // column's value, and where the walk stopped; nullptr for anything the
    // field splitter has to judge.
    const char* QuickColumns(const char* p, const char* end, std::uint64_t lineNumber, double& x);
    void TakeColumns(double x);
    void Take(std::size_t k, const XYData& record);
    // Series k's record into its stretch, or its list.
    void Put(std::size_t k, const XYData& record)
    {
        Stretch& s = stretches_[k];
        if (s.next != s.end)
            *s.next++ = record;
        else
            (k == 0 ? out_ : rest_->More[k - 1]).Add(record);
    }
    // The first column's, on the plain reading's path.
    [[gnu::always_inline]] void PutFirst(const XYData& record)
    {
        if (stretches_[0].next != stretches_[0].end)
            *stretches_[0].next++ = record;
        else
            out_.Add(record);
    }
    // Whether a row the filters keep, counting the others; the row's fields
    // are in rowFields_ (count of them found).
    bool RowCounts(int count);
    // The series of the row's group (found or added), or -1 past the limit.
    int GroupOf(std::string_view text);
    // The row's group from its field in rowFields_, as the group of the
    // records it gives; false past the limit.
    bool TakeGroup();
    // A line with no value for any series.
    void Skip(SkipReason reason, std::string_view raw);
    // A line that gave column k nothing while others may have a value.
    void Miss(std::size_t k, SkipReason reason, std::string_view raw);
    // The text above a column's first record may be its header.
    void NameCandidate(std::size_t k, std::string_view raw);
    // The value of each column beside the notes on the line, NaN for none.
    void ReadBeside(std::string_view line);
    void TakeBeside(std::size_t k);
    // Adds bytes to the line that continues, or drops it once it is too long.
    void Hold(const char* begin, const char* end);

    TXYDataList& out_;
    struct Stretch {
        XYData* begin = nullptr;
        XYData* next = nullptr;
        XYData* end = nullptr;
    };
    std::vector<Stretch> stretches_; // by series (the first always there), while FillFirst's room lasts
    std::size_t maxLine_;
    ImportOptions options_;
    bool plain_;             // the default reading: the first two fields as X and Y
    std::uint64_t line_ = 0; // number of the line being judged
    SkippedLines skips_;
    bool overlong_ = false; // the current line passed maxLine_ and was dropped
    std::string pending_;   // start of a line that continues in the next piece
    bool atStart_ = true;   // nothing fed yet: a byte-order mark may follow
    std::string bomProbe_;  // first bytes while deciding on a byte-order mark
    bool afterCR_ = false;  // last piece ended with CR: a leading LF belongs to it
    bool ended_ = false;    // Ctrl-Z seen
    bool skipped_ = false;
    // With further columns: where they go, every Y column (the first's
    // first), which of them the plain reading takes, and for the common line
    // of plain numbers what each field up to the last wanted one is. The
    // columns beside the notes come after the Y columns in values_.
    SeriesRead* rest_ = nullptr;
    std::vector<int> columns_;
    std::vector<char> plainColumn_;
    std::vector<int> roles_; // by field number: kUnused, kXField or the column's index
    bool quickColumns_ = false;
    std::vector<LineVerdict> verdicts_;
    std::vector<double> values_;
    std::vector<BesideColumn*> beside_;
    std::vector<int> besideColumns_;
    std::vector<char> plainBeside_;
    std::vector<int> besideCopy_; // a beside column that is also a Y column: that column's index, else -1
    std::vector<LineVerdict> besideVerdicts_;
    ImportOptions besideOptions_;
    std::vector<char> recorded_; // the column has a record
    std::vector<char> took_;     // the column took the line being judged
    std::vector<fields::Field> found_;
    // With filters or groups: the fields up to the last one they look at,
    // and the group of the row being taken.
    bool rows_ = false;
    int rowWanted_ = 0;
    std::vector<fields::Field> rowFields_;
    std::uint8_t group_ = 0;
};

// What the caller of a load will keep besides it, and with whom it shares
// the memory at hand.
struct LoadBudget {
    std::uint64_t shares = 1; // loads running at once (a batch's jobs), each with an equal part
    bool notesTable = false;  // the value-to-note table is made from the load
};

// What samples spread over a file tell about its lines.
struct FileSample {
    std::uint64_t bytes = 0;       // sampled
    std::uint64_t lineEnds = 0;    // in the samples
    std::uint64_t lines = 0;       // whole lines judged in the samples
    std::uint64_t skipped = 0;     // of those, lines that give no record
    std::uint64_t skippedKept = 0; // the bytes those keep for the report (at most 1 KiB each)
    // With further Y columns or columns beside the notes: their records,
    // the values a series misses on a line others have, and the values
    // kept beside the records, in the judged lines.
    std::uint64_t moreRecords = 0;
    std::uint64_t missing = 0;
    std::uint64_t besides = 0;
};

// Samples pieces spread evenly over the open file of size bytes (its start
// and end among them), judging their whole lines as options read them.
FileSample SampleFile(int fd, std::uint64_t size, const ImportOptions& options);

// Memory a load and its build take for a file of fileBytes, as the sample
// tells: per record (of every column) the record, the second reader's share
// and the sort's buffer; per skipped line its kept text and entry; per
// missing value its entry; per value beside the notes the value and its
// sorted copy; with a notes table, its events, spans and text.
std::uint64_t MemoryNeeded(std::uint64_t fileBytes, const FileSample& sample, const LoadBudget& budget = {});

} // namespace varimel
