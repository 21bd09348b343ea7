// SPDX-License-Identifier: MIT
#include "config/Inifile.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

using namespace varimel;

TEST(Inifile, SetKeepsEveryOtherLine)
{
    testutil::TempDir dir;
    const std::string path = dir / "a.ini";
    testutil::WriteFile(path, "; written by hand\n[directories]\n  csvdir = /old \nOther=keep me\n\n"
                              "[Playback]\nSoundFont=\"/sf/My Font.sf2\"\n");
    IniFile ini(path);
    ini.Load();
    EXPECT_EQ(ini.Read("Directories", "CsvDir"), "/old");
    EXPECT_EQ(ini.Read("PLAYBACK", "soundfont"), "/sf/My Font.sf2");
    EXPECT_FALSE(ini.Read("Directories", "SmfDir"));
    EXPECT_FALSE(ini.Read("Other", "Other"));
    ini.Set("Directories", "CsvDir", "/new/フォルダ");
    ini.Set("Directories", "SmfDir", "/smf");
    ini.Set("MappingParam", "Scale", "3");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(testutil::ReadFile(path), "; written by hand\n[directories]\nCsvDir=/new/フォルダ\nOther=keep me\n"
                                        "SmfDir=/smf\n\n[Playback]\nSoundFont=\"/sf/My Font.sf2\"\n\n"
                                        "[MappingParam]\nScale=3\n");
    IniFile again(path);
    again.Load();
    EXPECT_EQ(again.Read("MappingParam", "Scale"), "3");
    EXPECT_EQ(again.Read("Directories", "CsvDir"), "/new/フォルダ");
}

TEST(Inifile, KeysAndValuesAsPeopleWriteThem)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "a.ini", "[S]\n\tTabbed=1\n Spaced = 2 \nEmpty=\"\"\nQuote=\"\nHalf=\"x\n;Hidden=3\n"
                                       "Inner=a \"b\" c\n");
    IniFile ini(dir / "a.ini");
    ini.Load();
    EXPECT_EQ(ini.Read("S", "Tabbed"), "1");
    EXPECT_EQ(ini.Read("S", "Spaced"), "2");
    EXPECT_EQ(ini.Read("S", "Empty"), "");
    EXPECT_EQ(ini.Read("S", "Quote"), "\"");
    EXPECT_EQ(ini.Read("S", "Half"), "\"x");
    EXPECT_FALSE(ini.Read("S", "Hidden"));
    EXPECT_EQ(ini.Read("S", "Inner"), "a \"b\" c");
    // Setting a tab-indented key replaces its line instead of adding another.
    ini.Set("S", "Tabbed", "9");
    ASSERT_TRUE(ini.Save());
    IniFile again(dir / "a.ini");
    again.Load();
    EXPECT_EQ(again.Read("S", "Tabbed"), "9");
    EXPECT_EQ(testutil::ReadFile(dir / "a.ini").find("\tTabbed"), std::string::npos);
}

TEST(Inifile, ByteOrderMarkIsNotPartOfTheFirstSection)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "bom.ini", "\xEF\xBB\xBF[MappingParam]\nTempo=99\n");
    IniFile ini(dir / "bom.ini");
    ini.Load();
    EXPECT_EQ(ini.Read("MappingParam", "Tempo"), "99");
    ini.Set("MappingParam", "Scale", "3");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(testutil::ReadFile(dir / "bom.ini"), "\xEF\xBB\xBF[MappingParam]\nTempo=99\nScale=3\n");
}

TEST(Inifile, SaveFailsWithoutHarm)
{
    testutil::TempDir dir;
    IniFile missingFolder(dir / "no/such/folder.ini");
    missingFolder.Set("A", "B", "C");
    EXPECT_FALSE(missingFolder.Save());
    std::filesystem::create_directory(dir / "is-a-folder.ini");
    IniFile folder(dir / "is-a-folder.ini");
    folder.Load(); // reads as empty
    EXPECT_TRUE(folder.Lines().empty());
    folder.Set("A", "B", "C");
    EXPECT_FALSE(folder.Save());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "is-a-folder.ini"));
    EXPECT_EQ(testutil::CountEntries(dir.Path()), 1u) << "no temporary file left behind";
    // Windows line ends stay Windows line ends.
    testutil::WriteFile(dir / "crlf.ini", "[A]\r\nB=1\r\n");
    IniFile crlf(dir / "crlf.ini");
    crlf.Load();
    crlf.Set("A", "B", "2");
    ASSERT_TRUE(crlf.Save());
    EXPECT_EQ(testutil::ReadFile(dir / "crlf.ini"), "[A]\r\nB=2\r\n");
}

TEST(Inifile, ProfileIntegers)
{
    struct Case {
        const char* text;
        std::optional<int> value;
    };
    for (const Case& c : {Case{"2", 2}, Case{"-7", -7}, Case{"+4", 4}, Case{"0x2", 2}, Case{"0X1f", 31},
                          Case{"0x", std::nullopt}, Case{"0xg", std::nullopt}, Case{"2.0", std::nullopt},
                          Case{"", std::nullopt}, Case{"abc", std::nullopt}, Case{"99999999999", std::nullopt},
                          Case{"0xFFFFFFFF", -1}, Case{"0x100000000", std::nullopt}, Case{"1 2", std::nullopt}})
        EXPECT_EQ(ParseProfileInteger(c.text), c.value) << c.text;
}

TEST(Inifile, ProfileReals)
{
    struct Case {
        double value;
        const char* text;
    };
    for (const Case& c :
         {Case{1, "1"}, Case{0.875, "0.875"}, Case{2.50, "2.5"}, Case{0.1, "0.1"}, Case{1.0 / 3, "0.333333333333333"},
          Case{1e20, "1e+20"}, Case{-0.0001, "-0.0001"}, Case{123456789012345678.0, "1.23456789012346e+17"}})
        EXPECT_EQ(FormatProfileReal(c.value), c.text);
}

// A settings file kept elsewhere and linked in (dotfiles managed by a link):
// the file behind the link is written, the link stays.
TEST(Inifile, SavedThroughALink)
{
    testutil::TempDir dir;
    std::filesystem::create_directory(dir / "dotfiles");
    testutil::WriteFile(dir / "dotfiles/Varimel.ini", "[A]\nB=1\n");
    std::filesystem::create_symlink(dir / "dotfiles/Varimel.ini", dir / "Varimel.ini");
    IniFile ini(dir / "Varimel.ini");
    ini.Load();
    ini.Set("A", "B", "2");
    ASSERT_TRUE(ini.Save());
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "Varimel.ini"));
    EXPECT_EQ(testutil::ReadFile(dir / "dotfiles/Varimel.ini"), "[A]\nB=2\n");
}
