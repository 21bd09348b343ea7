// SPDX-License-Identifier: MIT
// Reading real-world files: chosen columns, line numbers and dates as X,
// decimal commas, and the reason for every skipped line.
#include "data/Importer.h"
#include "data/Csvreader.h"
#include "data/Text.h"

#include "DataUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace varimel;

namespace {

struct Read {
    std::vector<XYData> records;
    std::vector<std::pair<std::uint64_t, SkipReason>> skips;
};

Read Parse(const std::string& bytes, const ImportOptions& options)
{
    TXYDataList list;
    CsvParser parser(list, kMaxLineBytes, options);
    parser.Feed(bytes.data(), bytes.size());
    parser.Finish();
    Read r;
    r.records.assign(list.begin(), list.end());
    for (std::size_t i = 0; i < parser.Skips().Count(); ++i)
        r.skips.emplace_back(parser.Skips()[i].Line, parser.Skips()[i].Reason);
    return r;
}

ImportOptions Options(int x, int y, bool date = false, bool comma = false,
                      FieldSeparator separator = FieldSeparator::Auto)
{
    ImportOptions o;
    o.XColumn = x;
    o.YColumn = y;
    o.XDate = date;
    o.DecimalComma = comma;
    o.Separator = separator;
    return o;
}

using R = SkipReason;

} // namespace

TEST(Importer, OptionsAndReasons)
{
    struct Case {
        const char* what;
        std::string bytes;
        ImportOptions options;
        std::vector<XYData> records;
        std::vector<std::pair<std::uint64_t, SkipReason>> skips;
    };
    // clang-format off
    const Case cases[] = {
        {"plain, with every reason", "x,y\n\n1\n1,y\n1e999,2\n1,2\n3,4,5\n", {},
         {{1, 2}, {3, 4}}, {{1, R::XNotNumber}, {2, R::Empty}, {3, R::MissingColumn}, {4, R::YNotNumber}, {5, R::OutOfRange}}},
        {"both bad: X's reason", "a,b\n", {}, {}, {{1, R::XNotNumber}}},
        {"Y beyond the range", "1,-2e400\n", {}, {}, {{1, R::OutOfRange}}},
        {"later columns", "t,a,b,c\n0,5,6,7\n1,8,9\n2,1\n", Options(1, 4),
         {{0, 7}}, {{1, R::XNotNumber}, {3, R::MissingColumn}, {4, R::MissingColumn}}},
        {"X from column 3, Y from 1", "9,x,1\n8,x,2\n", Options(3, 1), {{1, 9}, {2, 8}}, {}},
        {"line numbers as X", "h\n5\n7\n\n9\n", Options(0, 1),
         {{2, 5}, {3, 7}, {5, 9}}, {{1, R::YNotNumber}, {4, R::Empty}}},
        {"line numbers count every line end", "1\r\n2\r3\n", Options(0, 1), {{1, 1}, {2, 2}, {3, 3}}, {}},
        {"decimal comma", "1,5;2,25\n2;3,5\n1.5;2\n", Options(1, 2, false, true),
         {{1.5, 2.25}, {2, 3.5}}, {{3, R::XNotNumber}}},
        {"decimal comma: thousands grouped in threes by one mark",
         "1 234,5;2,5\n1.234.567,8;1\n1\xC2\xA0" "234,5;1\xE2\x80\xAF" "000\n-1 234;2\n1,5\t2,5\n",
         Options(1, 2, false, true), {{1234.5, 2.5}, {1234567.8, 1}, {1234.5, 1000}, {-1234, 2}, {1.5, 2.5}}, {}},
        {"decimal comma: any other blank or point in a number is no number",
         "1 23,5;2\n1234.567;2\n1.234 567;2\n.234;1\n1;2 5\n1,5 2,5\n1 234,5 6;1\n4;1 23\n4;1.2\n"
         "1.2345,6;1\n1 2345;1\n4;1.234.5678\n",
         Options(1, 2, false, true), {},
         {{1, R::XNotNumber}, {2, R::XNotNumber}, {3, R::XNotNumber}, {4, R::XNotNumber}, {5, R::YNotNumber},
          {6, R::MissingColumn}, {7, R::XNotNumber}, {8, R::YNotNumber}, {9, R::YNotNumber}, {10, R::XNotNumber},
          {11, R::XNotNumber}, {12, R::YNotNumber}}},
        {"the default reading: a blank still separates", "1 234,5\n", {}, {{1, 234}}, {}},
        // A chosen separator alone separates: blanks belong to the field
        // (dropped at its ends), and a tab or blank between separators is
        // an empty field.
        {"comma alone", "\"x\", 1 ,2\n 3\t, 4 \n5 6,7\n8,,9\n", Options(2, 3, false, false, FieldSeparator::Comma),
         {{1, 2}}, {{2, R::MissingColumn}, {3, R::MissingColumn}, {4, R::XNotNumber}}},
        {"comma alone keeps a date with blanks whole", "2000-01-05 10:00 ,1\n2000/1/6\t,2\n",
         Options(1, 2, true, false, FieldSeparator::Comma), {{10961 + 10.0 / 24, 1}, {10962, 2}}, {}},
        {"semicolon alone", "1 ;2,5\n3;4\n", Options(1, 2, false, false, FieldSeparator::Semicolon), {{3, 4}},
         {{1, R::YNotNumber}}},
        {"semicolon with the decimal comma", "1 234,5 ; 2,5\n", Options(1, 2, false, true, FieldSeparator::Semicolon),
         {{1234.5, 2.5}}, {}},
        {"tab alone", "1\t\t2\n3 \t 4\n", Options(1, 3, false, false, FieldSeparator::Tab), {{1, 2}},
         {{2, R::MissingColumn}}},
        {"blanks alone", "1,5 2,5\n3  4\n", Options(1, 2, false, true, FieldSeparator::Space), {{1.5, 2.5}, {3, 4}}, {}},
        {"blanks alone: a comma is no separator", "1,2 3\n", Options(1, 2, false, false, FieldSeparator::Space), {},
         {{1, R::XNotNumber}}},
        {"dates", "2024-01-05,1\n2024/1/6,2\n2024-02,3\n2023-02-30,4\n", Options(1, 2, true),
         {{19727, 1}, {19728, 2}, {19754, 3}}, {{4, R::XNotDate}}},
        {"date and time are one field", "2024/1/5 12:00,7\n2024-01-05T18:00Z,8\n", Options(1, 2, true),
         {{19727.5, 7}, {19727.75, 8}}, {}},
        {"not a date", "1,2\n", Options(1, 2, true), {}, {{1, R::XNotDate}}},
        {"a date X with a bad Y", "2024-01-05,x\n", Options(1, 2, true), {}, {{1, R::YNotNumber}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        const Read r = Parse(c.bytes, c.options);
        ASSERT_EQ(r.records.size(), c.records.size()) << c.what;
        for (std::size_t i = 0; i < c.records.size(); ++i) {
            EXPECT_DOUBLE_EQ(r.records[i].X, c.records[i].X) << c.what << " " << i;
            EXPECT_DOUBLE_EQ(r.records[i].Y, c.records[i].Y) << c.what << " " << i;
        }
        EXPECT_EQ(r.skips, c.skips) << c.what;
    }
}

TEST(Importer, Dates)
{
    struct Case {
        const char* text;
        std::optional<double> days;
        DateOrder order = DateOrder::YMD;
    };
    const DateOrder dmy = DateOrder::DMY, mdy = DateOrder::MDY;
    // clang-format off
    const Case cases[] = {
        // Month names, in any case and either order of day and month;
        // 年月日; day and month first only in a chosen order.
        {"Jan 1 2000", 10957}, {"January 1, 2000", 10957}, {"1 Jan 2000", 10957}, {"01-Jan-2000", 10957},
        {"jan. 1, 2000", 10957}, {"DECEMBER 31 1999", 10956}, {"Feb 29 2000", 11016}, {"Feb 30 2000", std::nullopt},
        {"Feb 29 1900", std::nullopt}, {"Sept 1 2000", std::nullopt}, {"Janu 1 2000", std::nullopt},
        {"Jan 1 00", std::nullopt}, {"Jan 32 2000", std::nullopt}, {"Jan 1 2000 12:00", 10957.5},
        {"2000年1月1日", 10957}, {"2000年2月", 10988}, {"2000年2月30日", std::nullopt}, {"2000年1月1", std::nullopt},
        {"01/02/2000", std::nullopt}, {"01/02/2000", 10988, dmy}, {"01/02/2000", 10958, mdy},
        {"31.12.1999", 10956, dmy}, {"31.12.1999", std::nullopt, mdy}, {"2/29/2000 06:00", 11016.25, mdy},
        {"1/2-2000", std::nullopt, dmy}, {"2000-01-02", 10958, dmy},
        {"1970-01-01", 0}, {"1969-12-31", -1}, {"2000-02-29", 11016}, {"1900-02-29", std::nullopt},
        {"2023-02-29", std::nullopt}, {"2024-02-29", 19782}, {"2024-12-31", 20088}, {"2025-01-01", 20089},
        {"2024/1/5", 19727}, {"2024/01/05", 19727}, {"2024-1-5", 19727}, {"2024/13/01", std::nullopt},
        {"2024-04-31", std::nullopt}, {"2024-01-00", std::nullopt}, {"2024-01", 19723}, {"2024/3", 19783},
        {"2024-01-05 06:00", 19727.25}, {"2024-01-05T06:00:00", 19727.25}, {"2024-01-05 6:00", 19727.25},
        {"2024-01-05 24:00", 19728}, {"2024-01-05 24:01", std::nullopt}, {"2024-01-05 25:00", std::nullopt},
        {"2024-01-05 12:60", std::nullopt}, {"2024-01-05 00:00:00.5", 19727 + 0.5 / 86400},
        {"2024-01-05 09:00+09:00", 19727}, {"2024-01-05 00:00-03:00", 19727.125},
        {"2024-01-05 00:00Z", 19727}, {"2024-01-05 00:00+9", std::nullopt}, {"24-01-05", std::nullopt},
        {"2024-01-05x", std::nullopt}, {"", std::nullopt}, {"2024", std::nullopt},
        {"2024-01-05 05:30+05:30", 19727}, {"2024-01-05 00:00-09:30", 19727 + 9.5 / 24},
        {"2024-01-05 00:00+00:30", 19727 - 0.5 / 24}, {"2024-01-05 24:00:00", 19728},
        {"2024-01-05 24:00:30", std::nullopt}, {"2024-01-05 23:59:59", 19727 + 86399.0 / 86400},
    };
    // clang-format on
    for (const Case& c : cases) {
        const auto days = ParseDate(c.text, c.order);
        ASSERT_EQ(days.has_value(), c.days.has_value()) << c.text << " " << DateOrderName(c.order);
        if (days) {
            EXPECT_NEAR(*days, *c.days, 1e-9) << c.text;
        }
    }
    // Every month's last day is a date and the day after it is not, in a
    // leap year and in a common one.
    for (const int year : {2023, 2024}) {
        const int last[] = {31, year == 2024 ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        for (int month = 1; month <= 12; ++month) {
            char end[32], after[32];
            std::snprintf(end, sizeof end, "%d-%02d-%02d", year, month, last[month - 1]);
            std::snprintf(after, sizeof after, "%d-%02d-%02d", year, month, last[month - 1] + 1);
            const auto first = ParseDate(std::to_string(year) + "-" + (month < 10 ? "0" : "") + std::to_string(month));
            ASSERT_TRUE(ParseDate(end) && first) << end;
            EXPECT_DOUBLE_EQ(*ParseDate(end), *first + last[month - 1] - 1) << end;
            EXPECT_FALSE(ParseDate(after)) << after;
        }
    }
    EXPECT_EQ(FormatDate(19727, false), "2024-01-05");
    EXPECT_EQ(FormatDate(19727.5, true), "2024-01-05 12:00");
    EXPECT_EQ(FormatDate(19727.9999999, true), "2024-01-06 00:00");
    EXPECT_EQ(FormatDate(-1, false), "1969-12-31");
}

// A weather-agency download: a time stamp line, an empty line, three header
// lines, then dates and several columns, all in Shift_JIS.
TEST(Importer, WeatherAgencyShape)
{
    const std::string bytes = testutil::ToShiftJis("ダウンロードした時刻：2024/01/10 10:00:00\r\n\r\n"
                                                   ",東京,東京,東京\r\n年月日,平均気温(℃),平均気温(℃),平均気温(℃)\r\n"
                                                   ",,品質情報,均質番号\r\n2024/1/5,12.3,8,1\r\n2024/1/6,10.1,8,1\r\n"
                                                   "2024/1/7,,8,1\r\n");
    TXYDataList list;
    CsvParser parser(list, kMaxLineBytes, Options(1, 2, true));
    parser.Feed(bytes.data(), bytes.size());
    parser.Finish();
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].X, 19727);
    EXPECT_EQ(list[0].Y, 12.3);
    EXPECT_EQ(list[1].X, 19728);
    const SkippedLines& skips = parser.Skips();
    ASSERT_EQ(skips.Count(), 6u);
    EXPECT_EQ(skips[0].Reason, R::XNotDate);
    EXPECT_EQ(DisplayText(skips[0].Raw), "ダウンロードした時刻：2024/01/10 10:00:00") << "decoded from Shift_JIS";
    EXPECT_EQ(skips[1].Reason, R::Empty);
    EXPECT_EQ(skips[3].Line, 4u);
    EXPECT_EQ(DisplayText(skips[3].Raw), "年月日,平均気温(℃),平均気温(℃),平均気温(℃)");
    EXPECT_EQ(skips[5].Line, 8u);
    EXPECT_EQ(skips[5].Reason, R::YNotNumber);
    const CsvSummary s = Summarize(list, "jma.csv", true);
    EXPECT_EQ(s.Xmin, "  2024-01-05");
    EXPECT_EQ(s.Xmax, "  2024-01-06");
}

TEST(Importer, TextsForPeople)
{
    EXPECT_EQ(DisplayText("abc"), "abc");
    EXPECT_EQ(DisplayText("日本語"), "日本語");
    const std::string longLine(250, 'a');
    EXPECT_EQ(DisplayText(longLine), std::string(200, 'a') + "…");
    std::string japanese;
    for (int i = 0; i < 201; ++i)
        japanese += "あ";
    const std::string shown = DisplayText(japanese);
    EXPECT_EQ(shown.size(), 200u * 3 + 3) << "200 characters, not bytes";
    EXPECT_EQ(DisplayText(testutil::ToShiftJis("テスト")), "テスト");
    SkippedLines lines;
    lines.Add(3, R::MissingColumn, "a\tb");
    EXPECT_EQ(SkippedLinesTsv(lines, false), "line\treason\ttext\n3\tmissing-column\ta b\n");
    EXPECT_EQ(SkippedLinesTsv(lines, true), "行\t理由\t内容\n3\t列が足りません\ta b\n");
}

// The default reading is the plain one, and a file read with the default
// options gives the same records, flag and summary as before.
TEST(Importer, DefaultsChangeNothing)
{
    const std::string bytes = "x,y\n1,2\n 3 4 \n\"5\",\"6\",7\n8,\n";
    TXYDataList plain;
    CsvParser a(plain);
    a.Feed(bytes.data(), bytes.size());
    a.Finish();
    TXYDataList general;
    ImportOptions almost = Options(1, 2);
    EXPECT_TRUE(almost.IsDefault());
    CsvParser b(general, kMaxLineBytes, almost);
    b.Feed(bytes.data(), bytes.size());
    b.Finish();
    ASSERT_EQ(plain.Count(), 3);
    ASSERT_EQ(general.Count(), plain.Count());
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(plain[i], general[i]);
    EXPECT_EQ(a.Skips().Count(), 2u);
    EXPECT_EQ(a.Skips()[1].Reason, R::YNotNumber);
}

// The plain reading's one-pass path for "x,y" lines gives exactly what the
// general splitter and number reader give, on many generated lines.
TEST(Importer, QuickPathAgreesWithTheGeneralOne)
{
    std::mt19937 random(2024);
    const std::string alphabet = "0123456789000.-+eE,, \t\"x";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1), length(0, 14);
    std::uniform_int_distribution<int> digit(0, 9);
    int agreedValid = 0;
    // The edges of the one-pass path: 22 fraction digits and more, 15 and 16
    // significant digits, leading zeros before them.
    const std::vector<std::string> edges = {"0.0000000000000000000001,1",
                                            "0.00000000000000000000001,1",
                                            "1,0.000000000000000000000000000007",
                                            "123456789012345,1",
                                            "1234567890123456,1",
                                            "0.000123456789012345,2",
                                            "-0,-.5",
                                            "5.,+.25",
                                            "000000000000000000007,1"};
    for (int i = 0; i < 300000 + static_cast<int>(edges.size()); ++i) {
        std::string line;
        if (i >= 300000) {
            line = edges[static_cast<std::size_t>(i - 300000)];
        } else if (i % 2 == 0) {
            // Mostly numbers: the common shape with variations.
            const auto number = [&] {
                std::string n = random() % 5 == 0 ? "-" : "";
                for (std::size_t k = 1 + random() % 17; k > 0; --k)
                    n += static_cast<char>('0' + digit(random));
                if (random() % 2)
                    n.insert(random() % (n.size() + 1), ".");
                return n;
            };
            line = number() + (random() % 4 == 0 ? " " : ",") + number();
        } else {
            for (std::size_t k = length(random); k > 0; --k)
                line += alphabet[pick(random)];
        }
        XYData quick{}, general{};
        const bool a = ParseCsvLine(line, quick);
        const bool b = !ParseImportLine(line, 1, ImportOptions{}, general).has_value();
        ASSERT_EQ(a, b) << "[" << line << "]";
        if (a) {
            ++agreedValid;
            ASSERT_EQ(std::memcmp(&quick, &general, sizeof quick), 0) << "[" << line << "]";
        }
    }
    EXPECT_GT(agreedValid, 100000);
}
