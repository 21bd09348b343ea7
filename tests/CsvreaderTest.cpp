// SPDX-License-Identifier: MIT
#include "data/Csvload.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <chrono>
#include <clocale>
#include <cmath>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace varimel;

namespace {

struct Rec {
    double x, y;
};

struct Parsed {
    std::vector<Rec> records;
    bool skipped = false;
};

// Parses bytes as a file would give them, in pieces of the given size.
Parsed ParseBytes(const std::string& bytes, std::size_t piece = 0)
{
    TXYDataList list;
    CsvParser parser(list);
    if (piece == 0)
        piece = bytes.size() + 1;
    for (std::size_t i = 0; i < bytes.size(); i += piece)
        if (!parser.Feed(bytes.data() + i, std::min(piece, bytes.size() - i)))
            break;
    parser.Finish();
    Parsed p;
    p.skipped = parser.Skipped();
    for (const XYData& r : list)
        p.records.push_back({r.X, r.Y});
    return p;
}

// A column's skipped lines as its own reading has them, from a reading of
// several: the lines no series has (with the first column's reasons, so
// compared for it alone) and the values it misses. With fileLines, the
// column's own reading is rendered the same way.
std::string ColumnSkips(const SkippedLines& skips, const std::vector<MissingValue>& missing, int column, bool first,
                        const std::set<std::uint64_t>* fileLines = nullptr)
{
    std::map<std::uint64_t, std::string> lines;
    for (std::size_t i = 0; i < skips.Count(); ++i) {
        const bool fileLine = !fileLines || fileLines->count(skips[i].Line);
        lines[skips[i].Line] = first || !fileLine ? std::string(SkipReasonCode(skips[i].Reason)) : "-";
    }
    for (const MissingValue& m : missing)
        if (m.Column == column)
            lines[m.Line] = SkipReasonCode(m.Reason);
    std::string out;
    for (const auto& [line, reason] : lines)
        out += std::to_string(line) + " " + reason + "\n";
    return out;
}

std::set<std::uint64_t> LinesOf(const SkippedLines& skips)
{
    std::set<std::uint64_t> lines;
    for (std::size_t i = 0; i < skips.Count(); ++i)
        lines.insert(skips[i].Line);
    return lines;
}

} // namespace

TEST(Csvreader, SingleLines)
{
    struct Case {
        const char* line;
        bool valid;
        double x, y;
    };
    // clang-format off
    const Case cases[] = {
        {"1,2", true, 1, 2},
        {"1, 2", true, 1, 2},
        {"1 2", true, 1, 2},
        {"1\t2", true, 1, 2},
        {"\"1\",\"2\"", true, 1, 2},
        {"1,2,3", true, 1, 2},
        {"1,2,", true, 1, 2},
        {"1,000,2", true, 1, 0},
        {"1e3,2E-1", true, 1000, 0.2},
        {".5,5.", true, 0.5, 5},
        {"+1,-1", true, 1, -1},
        {"  \t 7 ,\t8", true, 7, 8},
        {"\" 3 \",\"4\"", true, 3, 4},
        {"\"1\"\"\",2", false, 0, 0},   // the doubled quote is part of the value
        {"\"1,2", false, 0, 0},         // an unclosed quote takes the rest of the line
        {"1e,2", true, 1, 2},           // an exponent without digits counts as 0
        {".,2", true, 0, 2},            // the decimal point alone is a number
        {"1;2", false, 0, 0},
        {"1", false, 0, 0},
        {"1,,2", false, 0, 0},
        {",1,2", false, 0, 0},
        {"a,2", false, 0, 0},
        {"x,y", false, 0, 0},
        {"1.2.3,4", false, 0, 0},
        {"", false, 0, 0},
        {"1,", false, 0, 0},
        {"0x10,1", false, 0, 0},
        {"inf,1", false, 0, 0},
        {"nan,1", false, 0, 0},
        {"1,NaN", false, 0, 0},
        {"1,000", true, 1, 0},
        {"1e999,1", false, 0, 0},       // beyond the largest double
        {"-1e999,1", false, 0, 0},
        {"1e-999,1", true, 0, 1},       // too small reads as 0
        {"1,2e99999999999999999999", false, 0, 0},
        {"1,2e-99999999999999999999", true, 1, 0},
        {"1 000,2", true, 1, 0},        // a space ends an unquoted field
        {"e5,1", false, 0, 0},
        {"-,1", false, 0, 0},
        {"1,+", false, 0, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        XYData r;
        const bool valid = ParseCsvLine(c.line, r);
        EXPECT_EQ(valid, c.valid) << "line [" << c.line << "]";
        if (valid && c.valid) {
            EXPECT_DOUBLE_EQ(r.X, c.x) << c.line;
            EXPECT_DOUBLE_EQ(r.Y, c.y) << c.line;
        }
    }
}

// Numbers of every length before and after the point, with and without a
// sign, read from a whole buffer (where the common line is read straight
// from it) and one byte at a time (where every line goes the general way):
// the same bits both ways, and the double nearest the decimal text.
TEST(Csvreader, NumbersOfEveryLengthReadAlike)
{
    std::mt19937 random(5);
    const auto digits = [&](int count) {
        std::string out;
        for (int i = 0; i < count; ++i)
            out += static_cast<char>('0' + random() % 10);
        return out;
    };
    std::vector<std::string> numbers;
    for (const char* sign : {"", "-", "+"})
        for (int whole = 0; whole <= 17; ++whole)
            for (int fraction = -1; fraction <= 17; ++fraction) {
                if (whole == 0 && fraction <= 0)
                    continue;
                numbers.push_back(sign + digits(whole) + (fraction < 0 ? "" : "." + digits(fraction)));
            }
    const char* const ends[] = {"\n", "\r\n", " \n", ",\n", "\t,1\n"};
    std::string bytes;
    std::vector<std::pair<std::string, std::string>> lines;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::string& x = numbers[i];
        const std::string& y = numbers[(i * 7 + 3) % numbers.size()];
        lines.emplace_back(x, y);
        bytes += x + "," + y + ends[i % std::size(ends)];
    }
    const Parsed whole = ParseBytes(bytes);
    const Parsed bytewise = ParseBytes(bytes, 1);
    ASSERT_FALSE(whole.skipped);
    ASSERT_EQ(whole.records.size(), lines.size());
    ASSERT_EQ(bytewise.records.size(), lines.size());
    const auto nearest = [](const std::string& text) {
        const std::size_t from = text[0] == '+' ? 1 : 0;
        double value = 0;
        std::from_chars(text.data() + from, text.data() + text.size(), value);
        return value;
    };
    const auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i].first + "," + lines[i].second);
        EXPECT_EQ(bits(whole.records[i].x), bits(bytewise.records[i].x));
        EXPECT_EQ(bits(whole.records[i].y), bits(bytewise.records[i].y));
        EXPECT_EQ(bits(whole.records[i].x), bits(nearest(lines[i].first)));
        EXPECT_EQ(bits(whole.records[i].y), bits(nearest(lines[i].second)));
    }
}

TEST(Csvreader, LineEndsAndSpecialBytes)
{
    struct Case {
        std::string bytes;
        std::vector<Rec> records;
        bool skipped;
    };
    const std::string longValid = "1," + std::string(1019, '0') + "2"; // exactly 1023 bytes
    const std::string longer = "3," + std::string(3000, ' ') + "4";
    // clang-format off
    const Case cases[] = {
        {"3,1\n1,5\n2,2\n", {{1, 5}, {2, 2}, {3, 1}}, false},
        {"1,2\r\n3,4\r\n", {{1, 2}, {3, 4}}, false},
        {"1,2\r3,4\r", {{1, 2}, {3, 4}}, false},          // a lone CR ends a line too
        {"1,2\n\n3,4\n", {{1, 2}, {3, 4}}, true},         // the empty line is skipped
        {"1,2\n3,4", {{1, 2}, {3, 4}}, false},            // no final line end
        {"\xEF\xBB\xBF" "1,2\n", {{1, 2}}, false},        // byte-order mark
        {"\xEF\xBB" "1,2\n", {}, true},                   // half a mark is just bytes
        {"\xEF\xBB\xBF", {}, false},
        {"\xEF", {}, true},                                 // a file that is only part of a mark
        {"\xEF\xBB", {}, true},
        {"1,2\n\x1A" "3,4\n", {{1, 2}}, false},           // Ctrl-Z ends the data
        {"1,2\x1A" "3,4\n", {{1, 2}}, false},
        {"x,y\n1,2\n", {{1, 2}}, true},                    // header line
        {"", {}, false},
        {"\n", {}, true},
        {"1,2\x00garbage\n", {{1, 2}}, false},            // NUL ends the line's text
        {longValid + "\n", {{1, 2}}, false},               // whole however long
        {longer + "\n5,6\n", {{3, 4}, {5, 6}}, false},
        {"1,2   \t\x01\x02\n", {{1, 2}}, false},          // trailing controls are trimmed
    };
    // clang-format on
    for (const Case& c : cases) {
        for (std::size_t piece : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{7}}) {
            const Parsed p = ParseBytes(c.bytes, piece);
            ASSERT_EQ(p.records.size(), c.records.size()) << "[" << c.bytes << "] piece " << piece;
            EXPECT_EQ(p.skipped, c.skipped) << "[" << c.bytes << "] piece " << piece;
            // ParseBytes does not sort; compare as a set of first values in order.
            TXYDataList list;
            for (const Rec& r : p.records)
                list.Add({r.x, r.y});
            list.Sort();
            for (std::size_t i = 0; i < c.records.size(); ++i) {
                EXPECT_EQ(list[i].X, c.records[i].x);
                EXPECT_EQ(list[i].Y, c.records[i].y);
            }
        }
    }
}

TEST(Csvreader, SummaryTexts)
{
    struct Case {
        std::string bytes;
        CsvSummary summary;
    };
    // clang-format off
    const Case cases[] = {
        {"3,1\n1,5\n2,2\n",
         {"データファイル: data.csv", "レコード数 = 3", "           3", "           1", "           5",
          "           1", "Xの平均間隔 = 1       ", "1       "}},
        {"0,0\n1,0\n3,0\n",
         {"データファイル: data.csv", "レコード数 = 3", "           3", "           0", "           0",
          "           0", "Xの平均間隔 = 1.5     ", "1.5     "}},
        {"0,0\n1000000,-0.00001\n",
         {"データファイル: data.csv", "レコード数 = 2", "       1e+06", "           0", "           0",
          "      -1e-05", "Xの平均間隔 = 1e+06   ", "1e+06   "}},
        {"5,7\n",
         {"データファイル: data.csv", "レコード数 = 1", "           5", "           5", "           7",
          "           7", "Xの平均間隔 = 1       ", "1       "}},
        {"a,b\n",
         {"データファイル: data.csv", "レコード数 = 0", "           0", "           0", "           0",
          "           0", "Xの平均間隔 = 1       ", "1       "}},
        {"0,1.23456789\n0.333333333,123456789\n",
         {"データファイル: data.csv", "レコード数 = 2", "    0.333333", "           0", " 1.23457e+08",
          "     1.23457", "Xの平均間隔 = 0.333333", "0.333333"}},
    };
    // clang-format on
    testutil::TempDir dir;
    for (const Case& c : cases) {
        testutil::WriteFile(dir / "data.csv", c.bytes);
        const auto load = LoadCsv(dir / "data.csv");
        ASSERT_TRUE(load);
        const CsvSummary& s = load->Summary;
        EXPECT_EQ(s.FileName, c.summary.FileName);
        EXPECT_EQ(s.NumRecord, c.summary.NumRecord);
        EXPECT_EQ(s.Xmax, c.summary.Xmax);
        EXPECT_EQ(s.Xmin, c.summary.Xmin);
        EXPECT_EQ(s.Ymax, c.summary.Ymax);
        EXPECT_EQ(s.Ymin, c.summary.Ymin);
        EXPECT_EQ(s.XInterval, c.summary.XInterval);
        EXPECT_EQ(s.DxPQN, c.summary.DxPQN);
    }
}

TEST(Csvreader, FilesThatCannotBeRead)
{
    testutil::TempDir dir;
    EXPECT_FALSE(LoadCsv(dir / "missing.csv"));
    EXPECT_FALSE(LoadCsv(dir.Path()));
    EXPECT_FALSE(LoadCsv(""));
}

TEST(Csvreader, PathsWithJapaneseNames)
{
    testutil::TempDir dir;
    const std::string path = dir / "測定データ.csv";
    testutil::WriteFile(path, "1,2\n");
    const auto load = LoadCsv(path);
    ASSERT_TRUE(load);
    EXPECT_EQ(load->Summary.FileName, "データファイル: 測定データ.csv");
    EXPECT_EQ(FolderOf(path), dir.Path());
    EXPECT_EQ(FileNameOf("/a/b/c.csv"), "c.csv");
    EXPECT_EQ(FolderOf("/c.csv"), "/");
    EXPECT_EQ(FolderOf("c.csv"), "");
}

namespace {
// Runs a test under a locale with a decimal comma and puts the locale the
// test found back afterwards, whether the test passed, failed or skipped.
class CommaLocale : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* current = std::setlocale(LC_ALL, nullptr);
        previous_ = current ? current : "C";
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
            if (std::setlocale(LC_ALL, name) != nullptr)
                return;
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    void TearDown() override { std::setlocale(LC_ALL, previous_.c_str()); }

private:
    std::string previous_;
};
} // namespace

// The reader and the summary must not follow the process locale: a user
// with a comma as decimal separator still reads and sees "1.5".
TEST_F(CommaLocale, ReaderAndSummaryIgnoreIt)
{
    const Parsed p = ParseBytes("0,2.5\n3,1\n");
    ASSERT_EQ(p.records.size(), 2u);
    EXPECT_EQ(p.records[0].y, 2.5);
    EXPECT_EQ(FormatG(1.5, 8, true), "1.5     ");
}

// A line longer than the cap is an invalid line, dropped as it streams by,
// even when it starts as a good "x,y"; the lines around it are read as usual.
TEST(Csvreader, OverlongLinesAreSkippedWithoutBeingHeld)
{
    const std::string bytes =
        "1,2\n" + std::string(250, '7') + ",3\n5,6" + std::string(120, ' ') + "\n4,5\n" + std::string(101, '8');
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{64}, bytes.size()}) {
        TXYDataList list;
        CsvParser parser(list, 100);
        for (std::size_t i = 0; i < bytes.size(); i += piece)
            parser.Feed(bytes.data() + i, std::min(piece, bytes.size() - i));
        parser.Finish();
        EXPECT_TRUE(parser.Skipped()) << piece;
        ASSERT_EQ(list.Count(), 2) << piece;
        EXPECT_EQ(list[1].X, 4);
        // With several series an overlong line is the file's skipped line,
        // which no series has: no value is missing from any.
        TXYDataList first;
        SeriesRead rest;
        ImportOptions o;
        o.MoreYColumns = {1};
        o.XColumn = 0;
        CsvParser several(first, 100, o);
        several.AlsoRead(rest);
        for (std::size_t i = 0; i < bytes.size(); i += piece)
            several.Feed(bytes.data() + i, std::min(piece, bytes.size() - i));
        several.Finish();
        EXPECT_EQ(ColumnSkips(several.Skips(), rest.Missing, 2, true), "2 too-long\n3 too-long\n5 too-long\n") << piece;
        EXPECT_TRUE(rest.Missing.empty()) << piece;
        EXPECT_EQ(first.Count(), 2) << piece;
        EXPECT_EQ(rest.More[0].Count(), 2) << piece;
    }
    // The real cap, from a generator: 65 MiB of digits without a line end.
    TXYDataList list;
    CsvParser parser(list);
    const std::string chunk(1 << 20, '9');
    parser.Feed("1,1\n", 4);
    for (int i = 0; i < 65; ++i) {
        parser.Feed(chunk.data(), chunk.size());
        ASSERT_LE(parser.HeldBytes(), kMaxLineBytes) << "the long line is never held whole";
    }
    parser.Feed(",2\n3,4\n", 7);
    parser.Finish();
    EXPECT_TRUE(parser.Skipped());
    EXPECT_EQ(list.Count(), 2);
}

// A file cut short while it is read fails with that reason instead of
// passing part of its rows off as all of them (both the one-parser and the
// two-parser reading). When the cut comes before the reading starts, the
// shorter file is read whole; so the cut is tried at a few moments.
TEST(Csvreader, FileCutShortWhileReadIsRefused)
{
    testutil::TempDir dir;
    const std::string path = dir / "shrinking.csv";
    for (const std::size_t lines : {std::size_t{600000}, std::size_t{2000000}}) { // below and above the split size
        std::string csv;
        for (std::size_t i = 0; i < lines; ++i)
            csv += std::to_string(i) + "," + std::to_string(i % 97) + "\n";
        bool refused = false;
        for (int attempt = 0; attempt < 12 && !refused; ++attempt) {
            testutil::WriteFile(path, csv);
            std::string reason;
            std::optional<CsvLoad> load;
            std::thread reader([&] { load = LoadCsv(path, &reason); });
            std::this_thread::sleep_for(std::chrono::microseconds(500 * attempt));
            ASSERT_EQ(truncate(path.c_str(), 1000), 0);
            reader.join();
            if (!load) {
                EXPECT_EQ(reason, kReasonFileChanged);
                refused = true;
            } else {
                EXPECT_LT(load->Data.Count(), 200) << "read only once already cut";
            }
        }
        EXPECT_TRUE(refused) << lines;
    }
}

namespace {

// One column's reading as text: every record and every skipped line.
std::string Reading(const TXYDataList& data, const SkippedLines& skips)
{
    std::string out;
    for (const XYData& r : data) {
        char text[64];
        std::snprintf(text, sizeof text, "%a,%a\n", r.X, r.Y);
        out += text;
    }
    for (std::size_t i = 0; i < skips.Count(); ++i)
        out += std::to_string(skips[i].Line) + " " + std::string(SkipReasonCode(skips[i].Reason)) + " [" +
               std::string(skips[i].Raw) + "]\n";
    return out;
}

// Lines of every kind a column may meet: plain numbers, blanks, quotes,
// empty and missing fields, text, dates, decimal commas, NULs, line ends.
std::string MixedLines(std::mt19937& random, int count)
{
    const std::vector<std::string> fields = {"1",
                                             "-2.5",
                                             "0",
                                             "3e2",
                                             "\"4\"",
                                             "",
                                             " 7 ",
                                             "x",
                                             "nan",
                                             "1e999",
                                             ".5",
                                             "2,5",
                                             "2024-01-05",
                                             "\"a\"\"b\"",
                                             "1 2",
                                             "-0",
                                             "12345678901234567",
                                             "+.25",
                                             "\t9",
                                             "2024/1/5 13:00"};
    const std::vector<std::string> ends = {"\n", "\r\n", "\r", std::string("\0junk\n", 6), ",\n", "  \n"};
    std::string out;
    for (int i = 0; i < count; ++i) {
        const std::size_t n = random() % 7;
        for (std::size_t k = 0; k < n; ++k) {
            // Mostly the common line of numbers, so the quick walk is taken too.
            out += random() % 3 != 0
                       ? std::to_string(static_cast<int>(random() % 2001) - 1000) + "." + std::to_string(random() % 100)
                       : fields[random() % fields.size()];
            if (k + 1 < n)
                out += random() % 8 == 0 ? (random() % 2 ? " " : ";") : ",";
        }
        out += ends[random() % 8 < 5 ? 0 : random() % ends.size()];
    }
    return out;
}

} // namespace

// Every Y column read in one pass gives each column exactly what reading
// that column alone gives: the same records and the same skipped lines with
// the same reasons, whatever the options and however the bytes are cut.
TEST(Csvreader, SeveralColumnsInOnePassReadAsEachAlone)
{
    const auto options = [](int x, std::vector<int> ys, bool date, bool comma, bool positive) {
        ImportOptions o;
        o.XColumn = x;
        o.YColumn = ys.front();
        o.MoreYColumns.assign(ys.begin() + 1, ys.end());
        o.XDate = date;
        o.DecimalComma = comma;
        o.PositiveY = positive;
        return o;
    };
    const std::vector<ImportOptions> cases = {
        options(1, {2, 3, 4}, false, false, false), options(1, {4, 2}, false, false, false),
        options(0, {1, 3}, false, false, false),    options(3, {1, 2, 5}, false, false, false),
        options(1, {2, 3}, true, false, false),     options(1, {2, 3}, false, true, false),
        options(1, {2, 3, 4}, false, false, true),  options(2, {6, 1}, false, false, false),
    };
    std::mt19937 random(77);
    for (const ImportOptions& o : cases) {
        const std::string bytes = MixedLines(random, 3000);
        for (const std::size_t piece : {bytes.size() + 1, std::size_t{7}, std::size_t{1}}) {
            SCOPED_TRACE("X " + std::to_string(o.XColumn) + " Y " + std::to_string(o.YColumn) + " piece " +
                         std::to_string(piece));
            TXYDataList first;
            SeriesRead rest;
            CsvParser together(first, kMaxLineBytes, o);
            together.AlsoRead(rest);
            for (std::size_t i = 0; i < bytes.size(); i += piece)
                together.Feed(bytes.data() + i, std::min(piece, bytes.size() - i));
            together.Finish();
            const std::vector<int> columns = o.YColumns();
            ASSERT_EQ(rest.More.size() + 1, columns.size());
            const std::set<std::uint64_t> fileLines = LinesOf(together.Skips());
            for (std::size_t k = 0; k < columns.size(); ++k) {
                TXYDataList alone;
                CsvParser parser(alone, kMaxLineBytes, o.ForColumn(columns[k]));
                parser.Feed(bytes.data(), bytes.size());
                parser.Finish();
                ASSERT_TRUE(testutil::SameText(Reading(k == 0 ? first : rest.More[k - 1], {}), Reading(alone, {})))
                    << "column " << columns[k];
                ASSERT_EQ(ColumnSkips(together.Skips(), rest.Missing, columns[k], k == 0),
                          ColumnSkips(parser.Skips(), {}, columns[k], k == 0, &fileLines))
                    << "column " << columns[k];
            }
            // The lines no series has keep their text once.
            for (std::size_t i = 0; i < together.Skips().Count(); ++i)
                for (const MissingValue& m : rest.Missing)
                    ASSERT_NE(m.Line, together.Skips()[i].Line);
        }
    }
}

// A file large enough to be read by two threads gives every series what
// its own load gives, the second half's lines numbered on from the first.
TEST(Csvreader, SeveralColumnsOfALargeFile)
{
    testutil::TempDir dir;
    const std::string path = dir / "large.csv";
    std::mt19937 random(5);
    std::string bytes;
    while (bytes.size() < (std::size_t{3} << 19))
        bytes += MixedLines(random, 10000);
    testutil::WriteFile(path, bytes);
    ImportOptions o;
    o.MoreYColumns = {3, 4};
    const std::optional<CsvLoad> load = LoadCsv(path, nullptr, o);
    ASSERT_TRUE(load);
    ASSERT_EQ(load->More.size(), 2u);
    const std::set<std::uint64_t> fileLines = LinesOf(load->Skips);
    for (std::size_t k = 0; k < 3; ++k) {
        const int column = o.YColumns()[k];
        std::optional<CsvLoad> alone = LoadCsv(path, nullptr, o.ForColumn(column));
        ASSERT_TRUE(alone);
        const TXYDataList& got = k == 0 ? load->Data : load->More[k - 1];
        EXPECT_TRUE(testutil::SameText(Reading(got, {}), Reading(alone->Data, {}))) << "column " << column;
        EXPECT_TRUE(testutil::SameText(ColumnSkips(load->Skips, load->Missing, column, k == 0),
                                       ColumnSkips(alone->Skips, {}, column, k == 0, &fileLines)))
            << "column " << column;
    }
    EXPECT_GT(load->Missing.size(), 1000u);

    // A value missing in one series alone is still something to report.
    testutil::WriteFile(dir / "gap.csv", "0,1,2\n1,3,\n2,4,5\n");
    ImportOptions two;
    two.MoreYColumns = {3};
    const std::optional<CsvLoad> gap = LoadCsv(dir / "gap.csv", nullptr, two);
    ASSERT_TRUE(gap);
    EXPECT_TRUE(gap->Skips.Empty());
    ASSERT_EQ(gap->Missing.size(), 1u);
    EXPECT_EQ(gap->Missing[0].Line, 2u);
    EXPECT_TRUE(gap->Skipped);
}

// The two readers of a large file write into one list's room, each from
// its estimated share on: halves of very different line lengths outgrow
// their shares (the first's, the second's), and Ctrl-Z in the first half
// ends the data there. Every series still holds what one reader of the
// whole file gives, in file order.
TEST(Csvreader, UnevenHalvesOfALargeFile)
{
    testutil::TempDir dir;
    const auto lines = [](std::size_t bytes, bool longLines, std::size_t& i) {
        std::string out;
        while (out.size() < bytes) {
            out += std::to_string(i) + "," + std::to_string(i % 7) + "," + std::to_string(i % 5) + "," +
                   std::to_string(i % 3) + (longLines ? "," + std::string(120, 'w') : std::string()) + "\n";
            ++i;
        }
        return out;
    };
    const std::size_t half = std::size_t{3} << 18;
    const struct {
        const char* what;
        bool longFirst;
        bool ctrlZ;
    } cases[] = {
        {"short lines, then long ones: the first half outgrows its share", false, false},
        {"long lines, then short ones: the second half outgrows its share", true, false},
        {"Ctrl-Z in the first half", false, true},
    };
    for (const auto& c : cases) {
        std::size_t i = 0;
        std::string bytes = lines(half, c.longFirst, i);
        if (c.ctrlZ)
            bytes.insert(bytes.size() / 2, "\x1a");
        bytes += lines(half, !c.longFirst, i);
        const std::string path = dir / "uneven.csv";
        testutil::WriteFile(path, bytes);
        for (const std::vector<int>& more : {std::vector<int>{}, std::vector<int>{3, 4}}) {
            ImportOptions o;
            o.MoreYColumns = more;
            const std::optional<CsvLoad> load = LoadCsv(path, nullptr, o);
            ASSERT_TRUE(load) << c.what;
            ASSERT_EQ(load->More.size(), more.size()) << c.what;
            for (std::size_t k = 0; k <= more.size(); ++k) {
                TXYDataList alone;
                CsvParser parser(alone, kMaxLineBytes, o.ForColumn(o.YColumns()[k]));
                parser.Feed(bytes.data(), bytes.size());
                parser.Finish();
                const TXYDataList& got = k == 0 ? load->Data : load->More[k - 1];
                ASSERT_GT(got.Count(), 1000) << c.what;
                ASSERT_TRUE(std::equal(got.begin(), got.end(), alone.begin(), alone.end()))
                    << c.what << ", column " << o.YColumns()[k] << ": " << got.Count() << " records, " << alone.Count()
                    << " by one reader";
            }
        }
    }
}

// The columns beside the notes are read in the same pass: each record keeps
// the value of its own line (lines sharing an X are not paired by value), a
// line without a value there gives none, and the column's range counts every
// line whose X reads, with or without a record. A file read in two halves
// (past the first reader's blocks) keeps every value with its line.
TEST(Csvreader, ValuesBesideStayWithTheirLines)
{
    testutil::TempDir dir;
    const auto Number = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", v);
        return std::string(text);
    };
    const auto beside = [&](const CsvLoad& load) {
        std::string out;
        const auto value = [&](const BesideColumn& c, std::size_t k, std::size_t i) {
            return c.Values.empty() ? std::string("x") : std::isnan(c.Values[k][i]) ? "-" : Number(c.Values[k][i]);
        };
        for (std::size_t k = 0; k <= load.More.size(); ++k) {
            const TXYDataList& data = k == 0 ? load.Data : load.More[k - 1];
            for (std::size_t i = 0; i < static_cast<std::size_t>(data.Count()); ++i)
                out += Number(data[i].X) + "," + Number(data[i].Y) + ":" + value(load.Velocity, k, i) + "/" +
                       value(load.Duration, k, i) + " ";
            out += "| ";
        }
        return out + Number(load.Velocity.Low) + ".." + Number(load.Velocity.High);
    };
    const struct {
        const char* what;
        const char* csv;
        std::vector<int> more;
        int velocity, duration;
        const char* expected;
    } rows[] = {
        {"repeated X",
         "1,10,100\n1,20,5\n2,15,50\n3,12,1\n",
         {},
         3,
         0,
         "1,10:100/x 1,20:5/x 2,15:50/x 3,12:1/x | 1..100"},
        {"repeated X, both columns",
         "1,10,100,0.5\n1,20,5,1\n1,5,7,0.25\n",
         {},
         3,
         4,
         "1,5:7/0.25 1,10:100/0.5 1,20:5/1 | 5..100"},
        {"a value missing at a repeated X", "1,10,\n1,20,5\n1,30,9\n", {}, 3, 0, "1,10:-/x 1,20:5/x 1,30:9/x | 5..9"},
        {"a value on a line without a record", "1,a,200\n2,20,5\n2,10,9\n", {}, 3, 0, "2,10:9/x 2,20:5/x | 5..200"},
        {"X unread: no value", "x,20,500\n2,20,5\n", {}, 3, 0, "2,20:5/x | 5..5"},
        {"out of order", "3,1,30\n1,2,10\n2,3,20\n", {}, 3, 0, "1,2:10/x 2,3:20/x 3,1:30/x | 10..30"},
        {"several series",
         "1,10,,100\n1,,20,5\n2,15,16,50\n",
         {3},
         4,
         0,
         "1,10:100/x 2,15:50/x | 1,20:5/x 2,16:50/x | 5..100"},
        {"the velocity column is a Y column",
         "1,10,3\n1,20,1\n",
         {3},
         3,
         0,
         "1,10:3/x 1,20:1/x | 1,1:1/x 1,3:3/x | 1..3"},
        {"one column for both", "1,10,3\n1,20,1\n", {}, 3, 3, "1,10:3/3 1,20:1/1 | 1..3"},
    };
    for (const auto& r : rows) {
        testutil::WriteFile(dir / "v.csv", r.csv);
        ImportOptions o;
        o.MoreYColumns = r.more;
        o.VelocityColumn = r.velocity;
        o.DurationColumn = r.duration;
        const std::optional<CsvLoad> load = LoadCsv(dir / "v.csv", nullptr, o);
        ASSERT_TRUE(load) << r.what;
        EXPECT_EQ(beside(*load), r.expected) << r.what;
    }

    // Large enough for two readers, out of order, each X twice: the value
    // is the line's number, so every record can be checked.
    std::string bytes;
    for (int line = 1; line <= 100000; ++line)
        bytes +=
            std::to_string((100000 - line) / 2) + "," + std::to_string(line % 977) + "," + std::to_string(line) + "\n";
    testutil::WriteFile(dir / "large.csv", bytes);
    ImportOptions o;
    o.VelocityColumn = 3;
    const std::optional<CsvLoad> load = LoadCsv(dir / "large.csv", nullptr, o);
    ASSERT_TRUE(load);
    ASSERT_EQ(load->Data.Count(), 100000);
    for (std::size_t i = 0; i < 100000; ++i) {
        const double line = load->Velocity.Values[0][i];
        ASSERT_EQ(load->Data[i].X, std::floor((100000 - line) / 2)) << i;
        ASSERT_EQ(load->Data[i].Y, std::fmod(line, 977)) << i;
    }
    EXPECT_EQ(load->Velocity.Low, 1);
    EXPECT_EQ(load->Velocity.High, 100000);
}

// Each series' name: the nearest text in its column above its first record
// (a line no series has, or one that only it misses); none for a column
// without a header, and none for a column without any record, whatever
// text or value it holds.
TEST(Csvreader, SeriesNames)
{
    testutil::TempDir dir;
    const struct {
        const char* what;
        const char* csv;
        const char* names;
    } rows[] = {
        {"a header line", "x,a,b\n1,2,3\n", "a|b"},
        {"no header", "1,2,3\n2,3,4\n", "|"},
        {"a column without records", "x,a,b\n1,2,c\n2,3,d\n", "a|"},
        {"a column of numbers only on lines it misses", "x,a,b\n1,2,\n", "a|"},
        {"the header above a missing value", "x,a,b\n1,2,\n2,3,4\n", "a|b"},
        {"an empty field passes on to the text above", "x,a,b\n,,\n1,,5\n2,3,6\n", "a|b"},
        {"a quoted header", "x,\"a b\",\"c\"\"d\"\n1,2,3\n", "a b|c\"d"},
    };
    for (const auto& r : rows) {
        testutil::WriteFile(dir / "n.csv", r.csv);
        ImportOptions o;
        o.MoreYColumns = {3};
        const std::optional<CsvLoad> load = LoadCsv(dir / "n.csv", nullptr, o);
        ASSERT_TRUE(load) << r.what;
        ASSERT_EQ(load->Names.size(), 2u) << r.what;
        EXPECT_EQ(load->Names[0] + "|" + load->Names[1], r.names) << r.what;
    }
    // Read in two halves: a column whose first record comes in the second
    // half is named by the nearest text above it there.
    std::string bytes = "t,a,b\n";
    for (int i = 0; bytes.size() < (std::size_t{2} << 20); ++i)
        bytes += std::to_string(i) + ",1," +
                 (bytes.size() < (std::size_t{3} << 19) ? ""
                  : i % 2                               ? "later"
                                                        : "5") +
                 "\n";
    testutil::WriteFile(dir / "large.csv", bytes);
    ImportOptions o;
    o.MoreYColumns = {3};
    const std::optional<CsvLoad> load = LoadCsv(dir / "large.csv", nullptr, o);
    ASSERT_TRUE(load);
    ASSERT_EQ(load->Names.size(), 2u);
    EXPECT_EQ(load->Names[0] + "|" + load->Names[1], "a|later");
}
