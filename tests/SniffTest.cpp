// SPDX-License-Identifier: MIT
// The reading proposed for a file the chosen reading makes little of: real
// table shapes, and the proposal read back.
#include "data/Sniff.h"

#include "data/Csvreader.h"

#include "DataUtil.h"

#include <gtest/gtest.h>

#include <string>

using namespace varimel;

namespace {

std::string Lines(const std::string& head, const std::string& row, int count)
{
    std::string out = head;
    for (int i = 0; i < count; ++i) {
        std::string line = row;
        for (std::size_t at; (at = line.find('#')) != std::string::npos;)
            line.replace(at, 1, std::to_string(i % 9 + 1));
        out += line + "\n";
    }
    return out;
}

} // namespace

TEST(Sniff, RealTableShapes)
{
    const struct {
        const char* what;
        std::string bytes;
        const char* options; // nullptr: no proposal
        std::size_t records;
        const char* question;
    } rows[] = {
        {"weather: a header, ISO dates, two values", Lines("日付,平均気温(℃),降水量(mm)\n", "2024-01-0#,2.#,0.0", 20),
         "--x-date", 20, "1列目は日付のようです。読み込み設定を開きますか？"},
        {"stocks: symbol, month-name date, price", Lines("symbol,date,price\n", "MSFT,Jan # 2000,39.8#", 30),
         "--separator comma --x-column 2 --x-date --y-column 3", 30,
         "2列目は日付のようです。読み込み設定を開きますか？"},
        {"stocks in long form: a series for each symbol", Lines("symbol,date,price\n", "S#,Jan # 2000,3#", 30),
         "--separator comma --x-column 2 --x-date --y-column 3 --split-by 1", 30,
         "2列目は日付のようです。1列目の値ごとに系列にできます。読み込み設定を開きますか？"},
        {"a word on every line while X never comes back: no groups", Lines("date,day,t\n", "2024-01-0#,Mon,#", 9),
         "--x-date --y-column 3", 9, nullptr},
        {"two words in turn while X never comes back: no groups",
         Lines("date,kind,t\n", "2024-01-0#,A,#", 9) + Lines("", "2024-02-0#,B,#", 9), "--x-date --y-column 3", 18,
         nullptr},
        {"a new word on nearly every line: no groups", Lines("s,d,p\n", "S#,2024-01-01,#", 10),
         "--x-column 2 --x-date --y-column 3", 10, nullptr},
        {"S&P: quoted dates with commas", Lines("Date,Close\n", "\"Jan #, 2001\",1320.2#", 10), "--x-date", 10,
         nullptr},
        {"CO2: blank-separated numbers with comments, read as they are",
         Lines("# decimal date, ppm\n# from a station\n", "1958.#  315.7#  -1", 25), nullptr, 0, nullptr},
        {"unemployment: tab-separated, day first", Lines("Period\tRate\n", "1#/03/2020\t3.#", 12),
         "--x-date --date-order dmy", 12, nullptr},
        {"day or month first cannot be told", Lines("d;v\n", "0#/0#/2020;#", 8),
         "--separator semicolon --x-date --date-order dmy", 8,
         "1列目は日付のようです（日が先かどうかは推測です）。読み込み設定を開きますか？"},
        {"semicolons and a decimal comma", Lines("x;y\n", "#,5;1#,25", 10), "--decimal-comma", 10, nullptr},
        {"Japanese header in Shift_JIS", testutil::ToShiftJis(Lines("日付,気温\n", "2024/1/#,#.5", 10)), "--x-date", 10,
         nullptr},
        {"one column of numbers", Lines("value\n", "#.5", 10), "--x-line --y-column 1", 10,
         "1列目は行の順に並んだ数値のようです。読み込み設定を開きますか？"},
        {"blank lines first", "\n\n" + Lines("t,a\n", "2024-01-0#,#", 10), "--x-date", 10, nullptr},
        {"a header only", "date,price\n", nullptr, 0, nullptr},
        {"text only", Lines("", "a,b,c", 10), nullptr, 0, nullptr},
        {"a file that loads: nothing proposed", Lines("x,y\n", "#,#", 10), nullptr, 0, nullptr},
    };
    for (const auto& r : rows) {
        const std::optional<ReadingProposal> p = ProposeReading(r.bytes, ImportOptions{});
        ASSERT_EQ(p.has_value(), r.options != nullptr) << r.what << (p ? ": " + ProposalOptions(*p) : "");
        if (!p)
            continue;
        EXPECT_EQ(ProposalOptions(*p), r.options) << r.what;
        EXPECT_EQ(p->Records, r.records) << r.what;
        if (r.question) {
            EXPECT_EQ(DescribeProposal(*p), r.question) << r.what;
        }
        // Read back: the proposal reads what it says.
        TXYDataList list;
        CsvParser parser(list, kMaxLineBytes, p->Options);
        parser.Feed(r.bytes.data(), r.bytes.size());
        parser.Finish();
        EXPECT_EQ(static_cast<std::size_t>(list.Count()), r.records) << r.what;
    }
    EXPECT_EQ(DescribeProposal(*ProposeReading(Lines("d,v\n", "2024-01-0#,#", 5), {}), Language::English),
              "Column 1 looks like dates. Open the import settings?");
}
