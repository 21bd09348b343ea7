// SPDX-License-Identifier: MIT
// The window program's command line: a file to open at start, help,
// version and usage errors.
#include "Startup.h"
#include "Main.h"

#include "TestUtil.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct ProgramRun {
    int status = -1;
    std::string out, err;
};

// The real program, offscreen (or with no display at all), as a shell would
// start it.
ProgramRun Varimel(const testutil::TempDir& dir, const std::string& args, bool display = true)
{
    const std::string cmd = std::string(display ? "QT_QPA_PLATFORM=offscreen"
                                                : "env -u DISPLAY -u WAYLAND_DISPLAY "
                                                  "QT_QPA_PLATFORM=xcb") +
                            " XDG_RUNTIME_DIR='" + dir.Path() + "' XDG_CONFIG_HOME='" + dir / "config" +
                            "' '" VARIMEL_WINDOW "' " + args + " >'" + dir / "out.txt" + "' 2>'" + dir / "err.txt" +
                            "' </dev/null";
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testutil::ReadFile(dir / "out.txt"),
            testutil::ReadFile(dir / "err.txt")};
}

} // namespace

TEST(Startup, HelpVersionAndUsageErrors)
{
    testutil::TempDir dir;
    ProgramRun r = Varimel(dir, "--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Varimel 1.01\n");
    r = Varimel(dir, "--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Usage: varimel [FILE.csv]\n", 0), 0u) << r.out;
    struct Bad {
        std::string args;
        std::string err;
    };
    // Without a display too: the command line is judged before the toolkit
    // starts, which would abort for want of one. The toolkit's own options
    // are not the program's mistakes.
    for (const Bad& b :
         {Bad{"a.csv b.csv", "varimel: give at most one file (see varimel --help)\n"},
          Bad{"--bogus", "varimel: unknown option '--bogus' (see varimel --help)\n"},
          Bad{"-platform offscreen a.csv b.csv", "varimel: give at most one file (see varimel --help)\n"},
          Bad{"--style=fusion -x", "varimel: unknown option '-x' (see varimel --help)\n"},
          Bad{"--lang xx a.csv", "varimel: --lang takes ja or en, not 'xx' (see varimel --help)\n"},
          Bad{"--lang", "varimel: --lang needs ja or en (see varimel --help)\n"}}) {
        r = Varimel(dir, b.args, false);
        EXPECT_EQ(r.status, 2) << b.args;
        EXPECT_EQ(r.err, b.err) << b.args;
        EXPECT_FALSE(std::filesystem::exists(dir / "config/Korvath/Varimel/Varimel.ini"))
            << "no window was opened, so no settings were written";
    }
}

// What counts as a file and what as the toolkit's option and its value.
TEST(Startup, ArgumentErrors)
{
    const struct {
        std::vector<std::string> args;
        std::string error;
    } rows[] = {
        {{"-style", "a.csv", "b.csv"}, ""},
        {{"-style=fusion", "a.csv", "b.csv"}, "give at most one file"},
        {{"--platform", "offscreen", "a.csv"}, ""},
        {{"-reverse", "a.csv", "b.csv"}, "give at most one file"},
        {{"--", "-x.csv"}, ""},
        {{"--", "a.csv", "b.csv"}, "give at most one file"},
        {{"-", "a.csv"}, "give at most one file"},
        {{"-bogus", "a.csv"}, "unknown option '-bogus'"},
        {{"--lang", "en", "a.csv"}, ""},
        {{"--lang=ja", "a.csv", "b.csv"}, "give at most one file"},
        {{"--lang=", "a.csv"}, "--lang takes ja or en, not ''"},
        {{"--", "--lang", "en"}, "give at most one file"},
        {{}, ""},
    };
    for (const auto& r : rows) {
        std::vector<std::string> args = {"varimel"};
        args.insert(args.end(), r.args.begin(), r.args.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        EXPECT_EQ(ArgumentError(static_cast<int>(argv.size()), argv.data()), r.error) << args.size();
    }
}

// varimel FILE.csv starts with the file loaded, as if chosen in the dialog.
TEST(Startup, OpensTheFileGiven)
{
    testutil::TempDir dir;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    std::filesystem::create_directories(dir / "data");
    testutil::WriteFile(dir / "data/walk.csv", "0,1\n1,3\n2,2\n");
    std::string program = "varimel", file = dir / "data/walk.csv";
    char* argv[] = {program.data(), file.data(), nullptr};
    QString records, csvDir;
    const int status = RunVarimel(2, argv, [&](TMainForm& form) {
        records = form.findChild<QLabel*>(QStringLiteral("NumRecordLabel"))->text();
        csvDir = form.CsvDir();
        form.close();
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(records, QStringLiteral("レコード数 = 3"));
    EXPECT_EQ(testutil::ReadFile(dir / "config/Korvath/Varimel/Varimel.ini").find("[Window]"), std::string::npos);

    // --lang en: this run in English, the kept choice left alone.
    std::string lang = "--lang", en = "en";
    char* english[] = {program.data(), lang.data(), en.data(), file.data(), nullptr};
    QString stop;
    EXPECT_EQ(RunVarimel(4, english,
                         [&](TMainForm& form) {
                             records = form.findChild<QLabel*>(QStringLiteral("NumRecordLabel"))->text();
                             stop = form.findChild<QWidget*>(QStringLiteral("StopButton"))->property("text").toString();
                             form.close();
                         }),
              0);
    EXPECT_EQ(records, QStringLiteral("Records = 3"));
    EXPECT_EQ(stop, QStringLiteral("&Stop"));
    EXPECT_EQ(testutil::ReadFile(dir / "config/Korvath/Varimel/Varimel.ini").find("[Window]"), std::string::npos);
    EXPECT_EQ(csvDir, QString::fromStdString(dir / "data"));
    EXPECT_NE(testutil::ReadFile(dir / "config/Korvath/Varimel/Varimel.ini").find("CsvDir=" + dir / "data"),
              std::string::npos);
}
