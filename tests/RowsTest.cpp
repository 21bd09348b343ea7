// SPDX-License-Identifier: MIT
// Rows kept by a column's value and rows grouped into series, and columns
// found by their header's name.
#include "DataUtil.h"
#include "TestUtil.h"
#include "data/Csvload.h"
#include "data/Header.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace varimel;

namespace {

// A load in short: each series as "name:count" (the name empty without
// groups of several series), the rows left out and the skipped lines.
std::string Described(const CsvLoad& load)
{
    std::string out;
    for (std::size_t k = 0; k <= load.More.size(); ++k) {
        const TXYDataList& data = k == 0 ? load.Data : load.More[k - 1];
        out += (k ? " " : "") + (k < load.Names.size() ? load.Names[k] : std::string()) + ":" +
               std::to_string(data.Count());
    }
    out += " filtered=" + std::to_string(load.Filtered) + " skipped=";
    for (std::size_t i = 0; i < load.Skips.Count(); ++i)
        out += (i ? "," : "") + std::to_string(load.Skips[i].Line);
    return out;
}

} // namespace

TEST(Rows, FiltersAndGroups)
{
    testutil::TempDir dir;
    const std::string stocks = "symbol,date,price\nMSFT,1,10\nIBM,1,20\nMSFT,2,11\nAAPL,1,5\nIBM,2,21\n";
    const struct {
        const char* what;
        std::string csv;
        std::vector<RowFilter> where;
        int split;
        const char* expected;
    } rows[] = {
        {"groups in order of first appearance, the header skipped",
         stocks,
         {},
         1,
         "MSFT:2 IBM:2 AAPL:1 filtered=0 skipped=1"},
        {"one value kept: the header is left out, not skipped", stocks, {{1, "IBM"}}, 0, ":2 filtered=4 skipped="},
        {"two values of one column: either", stocks, {{1, "IBM"}, {1, "AAPL"}}, 0, ":3 filtered=3 skipped="},
        {"two columns: both", stocks, {{1, "IBM"}, {2, "2"}}, 0, ":1 filtered=5 skipped="},
        {"a filter and groups", stocks, {{1, "MSFT"}, {1, "AAPL"}}, 1, "MSFT:2 AAPL:1 filtered=3 skipped="},
        {"a column no line has: every row left out", "1,2\n2,3\n", {{3, "x"}}, 0, ":0 filtered=2 skipped="},
        {"the text of the field, not its number", "1,2,5\n2,3,5.0\n3,4,5\n", {{3, "5"}}, 0, ":2 filtered=1 skipped="},
        {"a filter on the Y column", "1,2,5\n2,3,6\n3,3,5\n", {{2, "3"}}, 0, ":2 filtered=1 skipped="},
        {"a blank line is skipped as before", "1,2,a\n\n2,3,a\n", {{3, "a"}}, 0, ":2 filtered=0 skipped=2"},
        {"a row without the group's column has no series",
         "1,2,a\n2,3\n3,4,b\n",
         {},
         3,
         "a:1 b:1 filtered=0 skipped=2"},
        {"a group is made by a record only", "1,2,a\n2,x,b\n3,4,c\n", {}, 3, "a:1 c:1 filtered=0 skipped=2"},
        {"quoted values and one group: one plain series",
         "1,2,\"a b\"\n2,3,\"a b\"\n",
         {},
         3,
         ":2 filtered=0 skipped="},
        {"an empty value is a group of its own", "1,2,\n2,3,b\n3,4,\n", {}, 3, ":2 b:1 filtered=0 skipped="},
        {"Shift_JIS values match the filter's words",
         testutil::ToShiftJis("1,2,東京\n2,3,大阪\n3,4,東京\n"),
         {{3, "東京"}},
         0,
         ":2 filtered=1 skipped="},
    };
    for (const auto& r : rows) {
        testutil::WriteFile(dir / "rows.csv", r.csv);
        ImportOptions o;
        if (r.csv == stocks) {
            o.XColumn = 2;
            o.YColumn = 3;
        }
        o.Where = r.where;
        o.SplitBy = r.split;
        const std::optional<CsvLoad> load = LoadCsv(dir / "rows.csv", nullptr, o);
        ASSERT_TRUE(load) << r.what;
        EXPECT_EQ(Described(*load), r.expected) << r.what;
    }
}

// Each group's records keep their values beside the notes, and more groups
// than a piece holds series is refused by name.
TEST(Rows, GroupsKeepTheirValuesAndTheirLimit)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "v.csv", "3,30,a,1\n1,10,a,100\n2,20,b,50\n");
    ImportOptions o;
    o.SplitBy = 3;
    o.VelocityColumn = 4;
    std::optional<CsvLoad> load = LoadCsv(dir / "v.csv", nullptr, o);
    ASSERT_TRUE(load);
    ASSERT_EQ(load->More.size(), 1u);
    ASSERT_EQ(load->Velocity.Values.size(), 2u);
    // Sorted by X within the group, each value with its line.
    EXPECT_EQ(load->Velocity.Values[0], (std::vector<double>{100, 1}));
    EXPECT_EQ(load->Velocity.Values[1], (std::vector<double>{50}));
    EXPECT_EQ(load->ColumnOf(1), 2);

    for (const int groups : {15, 16}) {
        std::string csv;
        for (int g = 0; g < groups; ++g)
            csv += std::to_string(g) + ",1,g" + std::to_string(g) + "\n";
        testutil::WriteFile(dir / "g.csv", csv);
        std::string reason;
        o.VelocityColumn = 0;
        load = LoadCsv(dir / "g.csv", &reason, o);
        EXPECT_EQ(load.has_value(), groups == 15) << groups;
        EXPECT_EQ(reason, groups == 15 ? "" : kReasonTooManyGroups);
    }
}

// A file read in two halves: groups first met in the second half come after
// the first half's (in the order of their first lines), every record in its group, as counted while it was made.
TEST(Rows, GroupsOfALargeFile)
{
    testutil::TempDir dir;
    std::string bytes = "x,y,g\n";
    std::map<std::string, int> counts;
    std::size_t filtered = 1; // the header
    for (int i = 0; bytes.size() < (std::size_t{2} << 20); ++i) {
        const bool second = bytes.size() > (std::size_t{5} << 18);
        const char* group = !second ? (i % 3 ? "a" : "b") : (i % 4 == 0 ? "c" : i % 4 == 1 ? "a" : "skip");
        bytes += std::to_string(i) + "," + std::to_string(i % 7) + "," + group + "\n";
        if (std::string(group) == "skip")
            ++filtered;
        else
            ++counts[group];
    }
    testutil::WriteFile(dir / "large.csv", bytes);
    ImportOptions o;
    o.SplitBy = 3;
    o.Where = {{3, "a"}, {3, "b"}, {3, "c"}};
    const std::optional<CsvLoad> load = LoadCsv(dir / "large.csv", nullptr, o);
    ASSERT_TRUE(load);
    EXPECT_EQ(Described(*load), "b:" + std::to_string(counts["b"]) + " a:" + std::to_string(counts["a"]) +
                                    " c:" + std::to_string(counts["c"]) + " filtered=" + std::to_string(filtered) +
                                    " skipped=");
    for (const TXYDataList* data : {&load->Data, &load->More[0], &load->More[1]})
        EXPECT_TRUE(data->IsSorted());
}

TEST(Rows, ColumnsByName)
{
    const std::vector<std::string> header = HeaderNames("\xEF\xBB\xBF\n  \nDate,Close,close,Volume\n1,2,3,4\n", {});
    EXPECT_EQ(header, (std::vector<std::string>{"Date", "Close", "close", "Volume"}));
    const struct {
        const char* choice;
        int column;
    } rows[] = {
        {"4", 4},     {"9", 9},     {"0", 0},      {"Date", 1}, {"date", 1},
        {"close", 3}, {"CLOSE", 0}, {"volume", 4}, {"Open", 0}, {"", 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ColumnNamed(r.choice, header), r.column) << r.choice;
    EXPECT_EQ(ColumnLabel(2, header), "2: Close");
    EXPECT_EQ(ColumnLabel(7, header), "7");
    // A first line of numbers is no header; a Shift_JIS one is read as text.
    EXPECT_TRUE(HeaderNames("1,2\n", {}).empty());
    ImportOptions semicolons;
    semicolons.Separator = FieldSeparator::Semicolon;
    EXPECT_EQ(HeaderNames(testutil::ToShiftJis("日付;終値\n"), semicolons), (std::vector<std::string>{"日付", "終値"}));
}
