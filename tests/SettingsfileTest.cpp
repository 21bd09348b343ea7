// SPDX-License-Identifier: MIT
// The settings file's keys, read and written by the unit the window and the
// renderer share.
#include "config/Settingsfile.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

using namespace varimel;

TEST(Settingsfile, EveryKeyFromItsOwnLine)
{
    testutil::TempDir dir;
    const std::string path = dir / "Varimel.ini";
    // Every value differs from its default and from the others, so a key read
    // from the wrong line shows.
    testutil::WriteFile(path, "[Directories]\nCsvDir=/csv\nSmfDir=/smf\n[MappingParam]\nScale=5\nTonic=7\n"
                              "LowTone=30\nHighTone=70\nTempo=99\nVelocity=55\nProgram=42\nDxPQN=2.50\n"
                              "Duration=0.5\nDisableProgChange=1\n[Playback]\nSoundFont=/a.sf2\nAudioDriver=alsa\n");
    const StoredSettings s = ReadSettingsFile(path, "/docs");
    EXPECT_EQ(s.CsvDir, "/csv");
    EXPECT_EQ(s.SmfDir, "/smf");
    EXPECT_EQ(s.Scale, 5);
    EXPECT_EQ(s.Tonic, 7);
    EXPECT_EQ(s.LowTone, 30);
    EXPECT_EQ(s.HighTone, 70);
    EXPECT_EQ(s.Tempo, 99);
    EXPECT_EQ(s.Velocity, 55);
    EXPECT_EQ(s.Program, 42);
    EXPECT_EQ(s.DxPQN, "2.5");
    EXPECT_EQ(s.Duration, "0.5");
    EXPECT_TRUE(s.DisableProgChange);
    EXPECT_EQ(s.SoundFont, "/a.sf2");
    EXPECT_EQ(s.AudioDriver, "alsa");

    // Written back and read again, nothing moves.
    const std::string copy = dir / "copy.ini";
    ASSERT_EQ(WriteSettingsFile(copy, s), SettingsWrite::Written);
    const StoredSettings t = ReadSettingsFile(copy, "/elsewhere");
    EXPECT_EQ(t.CsvDir, s.CsvDir);
    EXPECT_EQ(t.LowTone, 30);
    EXPECT_EQ(t.HighTone, 70);
    EXPECT_EQ(t.Tempo, 99);
    EXPECT_EQ(t.Velocity, 55);
    EXPECT_EQ(t.DxPQN, "2.5");
    EXPECT_TRUE(t.SoundFont.empty()) << "[Playback] is never written";
}

TEST(Settingsfile, MissingAndMalformedGiveDefaults)
{
    testutil::TempDir dir;
    const StoredSettings none = ReadSettingsFile(dir / "none.ini", "/docs");
    const MappingRequest defaults;
    EXPECT_EQ(none.CsvDir, "/docs");
    EXPECT_EQ(none.SmfDir, "/docs");
    EXPECT_EQ(none.Scale, defaults.Scale);
    EXPECT_EQ(none.LowTone, defaults.LowTone);
    EXPECT_EQ(none.HighTone, defaults.HighTone);
    EXPECT_EQ(none.Tempo, defaults.Tempo);
    EXPECT_EQ(none.Velocity, defaults.Velocity);
    EXPECT_EQ(none.DxPQN, "1");
    EXPECT_EQ(none.Duration, "0.875");
    testutil::WriteFile(dir / "bad.ini", "[MappingParam]\nTempo=fast\nHighTone=0x\nDuration=1,5\n");
    const StoredSettings bad = ReadSettingsFile(dir / "bad.ini", "/docs");
    EXPECT_EQ(bad.Tempo, defaults.Tempo);
    EXPECT_EQ(bad.HighTone, defaults.HighTone);
    EXPECT_EQ(bad.Duration, "0.875");
}

TEST(Settingsfile, WhereTheFileLives)
{
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string xdg = savedXdg ? savedXdg : "", home = savedHome ? savedHome : "";
    setenv("HOME", "/home/u", 1);
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(SettingsFilePath(), "/cfg/Korvath/Varimel/Varimel.ini");
    setenv("XDG_CONFIG_HOME", "relative", 1); // not absolute: ignored
    EXPECT_EQ(SettingsFilePath(), "/home/u/.config/Korvath/Varimel/Varimel.ini");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsFolder(), "/home/u/.config/Korvath/Varimel");
    savedXdg ? setenv("XDG_CONFIG_HOME", xdg.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    savedHome ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
}

// Further series are taken only as a whole: each column once and apart from
// X and Y, one instrument each; anything else reads as none, and is told.
TEST(Settingsfile, FurtherSeriesAsAWhole)
{
    testutil::TempDir dir;
    const struct {
        const char* keys;
        std::vector<int> columns, programs;
        bool unusable = true;
    } rows[] = {
        {"MoreYColumns=3,5\nMorePrograms=73,40\n", {3, 5}, {73, 40}, false},
        {"MoreYColumns= 3 , 5\nMorePrograms=73,\t40 \n", {3, 5}, {73, 40}, false},
        {"MoreYColumns=\nMorePrograms=\n", {}, {}, false},
        {"MoreYColumns=\nMorePrograms=5\n", {}, {}, false},
        {"MoreYColumns=3,5\nMorePrograms=73\n", {}, {}},
        {"MoreYColumns=3, ,5\nMorePrograms=1,2,3\n", {}, {}},
        {"MoreYColumns=3,3\nMorePrograms=1,2\n", {}, {}},
        {"MoreYColumns=2\nMorePrograms=1\n", {}, {}},
        {"MoreYColumns=1\nMorePrograms=1\n", {}, {}},
        {"MoreYColumns=3\nMorePrograms=128\n", {}, {}},
        {"MoreYColumns=0\nMorePrograms=1\n", {}, {}},
        {"MoreYColumns=3,x\nMorePrograms=1,2\n", {}, {}},
        {"MoreYColumns=3,4,5,6,7,8,9,10,11,12,13,14,15,16\nMorePrograms=0,0,0,0,0,0,0,0,0,0,0,0,0,0\n",
         {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         false},
        {"MoreYColumns=3,4,5,6,7,8,9,10,11,12,13,14,15,16,17\nMorePrograms=0,0,0,0,0,0,0,0,0,0,0,0,0,0,0\n", {}, {}},
    };
    for (const auto& r : rows) {
        testutil::WriteFile(dir / "s.ini", std::string("[Import]\nXColumn=1\nYColumn=2\n") + r.keys);
        const StoredSettings s = ReadSettingsFile(dir / "s.ini", "/docs");
        EXPECT_EQ(s.Import.MoreYColumns, r.columns) << r.keys;
        EXPECT_EQ(s.MorePrograms, r.programs) << r.keys;
        EXPECT_EQ(s.SeriesUnusable, r.unusable) << r.keys;
    }
}

// The field separator by its name; anything else, or comma with the
// decimal comma, is the plain reading's. It is written only once it is not
// the plain reading's, after the decimal comma.
// The rows kept, the grouping and the shared range: read back as written, a
// column out of range (or groups beside further Y columns) standing for
// none, nothing written while there are none.
TEST(Settingsfile, RowsChosen)
{
    testutil::TempDir dir;
    const struct {
        const char* keys;
        const char* rows; // "column=value" of the filter, then "/split"
    } rows[] = {
        {"WhereColumn=1\nWhereValue=東京 駅\nSplitBy=3\n", "1=東京 駅/3"},
        {"WhereColumn=2\n", "2=/0"},
        {"WhereColumn=0\nWhereValue=x\nSplitBy=100001\n", "/0"},
        {"WhereColumn=-1\nSplitBy=x\n", "/0"},
        {"SplitBy=4\nMoreYColumns=3\nMorePrograms=0\n", "/0"},
    };
    for (const auto& r : rows) {
        testutil::WriteFile(dir / "r.ini", std::string("[Import]\nXColumn=1\nYColumn=2\n") + r.keys);
        const ImportOptions o = ReadSettingsFile(dir / "r.ini", "/docs").Import;
        const std::string got = (o.Where.empty() ? "" : std::to_string(o.Where[0].Column) + "=" + o.Where[0].Value) +
                                "/" + std::to_string(o.SplitBy);
        EXPECT_EQ(got, r.rows) << r.keys;
    }
    StoredSettings s = ReadSettingsFile(dir / "none.ini", "/docs");
    s.Import.XDate = true;
    ASSERT_EQ(WriteSettingsFile(dir / "plain.ini", s), SettingsWrite::Written);
    EXPECT_EQ(testutil::ReadFile(dir / "plain.ini").find("Where"), std::string::npos);
    EXPECT_EQ(testutil::ReadFile(dir / "plain.ini").find("SplitBy"), std::string::npos);
    EXPECT_EQ(testutil::ReadFile(dir / "plain.ini").find("SharedRange"), std::string::npos);
    s.Import.Where = {{4, "a b"}};
    s.Import.SplitBy = 5;
    s.SharedRange = true;
    ASSERT_EQ(WriteSettingsFile(dir / "rows.ini", s), SettingsWrite::Written);
    const StoredSettings back = ReadSettingsFile(dir / "rows.ini", "/docs");
    EXPECT_EQ(back.Import, s.Import);
    EXPECT_TRUE(back.SharedRange);
    EXPECT_TRUE(StoredRequest(back).SharedRange);
}

// The rests' thresholds: read back as written ("-" for none), a list that
// does not read standing for none, nothing written while there are none.
TEST(Settingsfile, RestsKept)
{
    testutil::TempDir dir;
    const double none = -std::numeric_limits<double>::infinity();
    const struct {
        const char* value;
        std::vector<double> rests;
    } rows[] = {
        {"0", {0.0}}, {"0, -, 2.5", {0.0, none, 2.5}}, {"x", {}}, {"1,,2", {}}, {"", {}},
    };
    for (const auto& r : rows) {
        testutil::WriteFile(dir / "s.ini", std::string("[Shape]\nInvert=1\nRestBelow=") + r.value + "\n");
        const MappingShape shape = ReadSettingsFile(dir / "s.ini", "/docs").Shape;
        EXPECT_EQ(shape.RestBelow, r.rests) << r.value;
        EXPECT_TRUE(shape.Invert) << r.value;
    }
    StoredSettings s = ReadSettingsFile(dir / "none.ini", "/docs");
    s.Shape.Invert = true;
    ASSERT_EQ(WriteSettingsFile(dir / "plain.ini", s), SettingsWrite::Written);
    EXPECT_EQ(testutil::ReadFile(dir / "plain.ini").find("RestBelow"), std::string::npos);
    s.Shape.RestBelow = {0.1, none};
    ASSERT_EQ(WriteSettingsFile(dir / "rests.ini", s), SettingsWrite::Written);
    EXPECT_NE(testutil::ReadFile(dir / "rests.ini").find("RestBelow=0.1,-\n"), std::string::npos);
    EXPECT_EQ(ReadSettingsFile(dir / "rests.ini", "/docs").Shape, s.Shape);
}

TEST(Settingsfile, SeparatorByName)
{
    testutil::TempDir dir;
    const struct {
        const char* keys;
        FieldSeparator separator;
    } rows[] = {
        {"Separator=tab\n", FieldSeparator::Tab},
        {"Separator=semicolon\n", FieldSeparator::Semicolon},
        {"Separator=space\n", FieldSeparator::Space},
        {"Separator=comma\n", FieldSeparator::Comma},
        {"Separator=Tab\n", FieldSeparator::Auto},
        {"Separator=\n", FieldSeparator::Auto},
        {"DecimalComma=1\nSeparator=comma\n", FieldSeparator::Auto},
        {"DecimalComma=1\nSeparator=semicolon\n", FieldSeparator::Semicolon},
    };
    for (const auto& r : rows) {
        testutil::WriteFile(dir / "s.ini", std::string("[Import]\nXColumn=1\nYColumn=2\n") + r.keys);
        EXPECT_EQ(ReadSettingsFile(dir / "s.ini", "/docs").Import.Separator, r.separator) << r.keys;
    }
    for (const auto& [keys, order] :
         {std::pair{"DateOrder=dmy\n", DateOrder::DMY}, std::pair{"DateOrder=mdy\n", DateOrder::MDY},
          std::pair{"DateOrder=DMY\n", DateOrder::YMD}}) {
        testutil::WriteFile(dir / "d.ini", std::string("[Import]\nXDate=1\n") + keys);
        EXPECT_EQ(ReadSettingsFile(dir / "d.ini", "/docs").Import.Order, order) << keys;
    }
    StoredSettings s = ReadSettingsFile(dir / "none.ini", "/docs");
    s.Import.XDate = true;
    ASSERT_EQ(WriteSettingsFile(dir / "auto.ini", s), SettingsWrite::Written);
    EXPECT_EQ(testutil::ReadFile(dir / "auto.ini").find("Separator"), std::string::npos);
    EXPECT_EQ(testutil::ReadFile(dir / "auto.ini").find("DateOrder"), std::string::npos);
    s.Import.Separator = FieldSeparator::Tab;
    s.Import.Order = DateOrder::MDY;
    ASSERT_EQ(WriteSettingsFile(dir / "tab.ini", s), SettingsWrite::Written);
    EXPECT_NE(testutil::ReadFile(dir / "tab.ini").find("DecimalComma=0\nSeparator=tab\nDateOrder=mdy\n"),
              std::string::npos);
}
