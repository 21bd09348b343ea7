// SPDX-License-Identifier: MIT
#include "Startup.h"

#include "Main.h"
#include "Translations.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

namespace {

constexpr const char* kAppId = "example.korvath.Varimel";
constexpr const char* kUsage = "Usage: varimel [FILE.csv]\n"
                               "Opens the Varimel window; with FILE.csv, the window starts with that file loaded.\n"
                               "Its context menu has グラフ... (Ctrl+G): the data in its note bands with the melody,\n"
                               "a playhead during 試聴, and a part of X to play, save and export alone;\n"
                               "and マッピング詳細... (Ctrl+M): direction, logarithm, outliers, a fixed range,\n"
                               "velocity and length from other columns; and 音の目印... (Ctrl+K): ticks on X,\n"
                               "reference tones, crossing figures, an end chime, gap tones and stereo.\n"
                               "\n"
                               "  --lang ja|en  the window's language for this run (the context menu's\n"
                               "                Language / 言語 switches it and keeps the choice; default ja)\n"
                               "  --help        show this help and exit\n"
                               "  --version     show the version and exit\n"
                               "\n"
                               "Settings: ~/.config/Korvath/Varimel/Varimel.ini ($XDG_CONFIG_HOME is honoured).\n";

void ShowException(const QString& text) { QMessageBox::critical(nullptr, QApplication::applicationName(), text); }

// An error that escapes a command is shown, and the window carries on.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            ShowException(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            ShowException(QString());
        }
        return false;
    }
};

int UsageError(const char* what)
{
    std::fprintf(stderr, "varimel: %s (see varimel --help)\n", what);
    return 2;
}

// The toolkit's own options, which it takes before the program sees its
// arguments, and whether each is followed by a value.
struct ToolkitOption {
    const char* name;
    bool takesValue;
};
constexpr ToolkitOption kToolkitOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},
    {"qwindowtitle", true},    {"session", true},
    {"display", true},         {"name", true},
    {"title", true},           {"geometry", true},
    {"style", true},           {"stylesheet", true},
    {"qmljsdebugger", false},  {"reverse", false},
    {"widgetcount", false},    {"nograb", false},
    {"dograb", false},         {"sync", false},
};

// The language of --lang CODE or --lang=CODE at argv[i] (i moved past the
// value), an error for a missing or unknown one; nothing when argv[i] is
// another argument.
std::optional<std::string> LanguageOption(int argc, char** argv, int& i, std::optional<varimel::Language>& language)
{
    const std::string arg = argv[i];
    std::string code;
    if (arg == "--lang") {
        if (i + 1 >= argc)
            return std::string("--lang needs ja or en");
        code = argv[++i];
    } else if (arg.rfind("--lang=", 0) == 0) {
        code = arg.substr(7);
    } else {
        return std::nullopt;
    }
    language = LanguageOfCode(QString::fromLocal8Bit(code.c_str()));
    if (!language)
        return "--lang takes ja or en, not '" + code + "'";
    return std::string();
}

} // namespace

std::string ArgumentError(int argc, char** argv, std::optional<varimel::Language>* language)
{
    int files = 0;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded) {
            std::optional<varimel::Language> chosen;
            if (const std::optional<std::string> error = LanguageOption(argc, argv, i, chosen)) {
                if (!error->empty())
                    return *error;
                if (language)
                    *language = chosen;
                continue;
            }
        }
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            ++files;
            continue;
        }
        // The toolkit reads its options with one dash or two, the value after
        // '=' or as the next argument.
        std::string name = arg.substr(arg[1] == '-' ? 2 : 1);
        const bool valueGiven = name.find('=') != std::string::npos;
        name = name.substr(0, name.find('='));
        const ToolkitOption* known = nullptr;
        for (const ToolkitOption& option : kToolkitOptions)
            if (name == option.name)
                known = &option;
        if (!known)
            return "unknown option '" + arg + "'";
        if (known->takesValue && !valueGiven)
            ++i;
    }
    return files > 1 ? "give at most one file" : std::string();
}

int RunVarimel(int argc, char** argv, const std::function<void(TMainForm&)>& started)
{
    // Help and version need no display: answered before the toolkit starts.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Varimel %s\n", TMainForm::kVersion);
            return 0;
        }
    }
    std::optional<varimel::Language> language;
    if (const std::string error = ArgumentError(argc, argv, &language); !error.empty())
        return UsageError(error.c_str());
    try {
        TApplication app(argc, argv);
        // What is left once the toolkit has taken its own options.
        QStringList files;
        bool optionsEnded = false;
        const QStringList arguments = QApplication::arguments();
        for (qsizetype i = 1; i < arguments.size(); ++i) {
            const QString& arg = arguments[i];
            if (!optionsEnded && arg == QLatin1String("--")) {
                optionsEnded = true;
                continue;
            }
            // --lang was taken before the toolkit started.
            if (!optionsEnded && arg == QLatin1String("--lang")) {
                ++i;
                continue;
            }
            if (!optionsEnded && arg.startsWith(QLatin1String("--lang=")))
                continue;
            if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1)
                return UsageError(("unknown option '" + arg.toLocal8Bit() + "'").constData());
            files << arg;
        }
        if (files.size() > 1)
            return UsageError("give at most one file");

        QApplication::setApplicationName(QStringLiteral("Varimel"));
        QApplication::setOrganizationName(QStringLiteral("Korvath"));
        // The desktop matches the window to its menu entry and icon by this
        // name (Wayland compositors in particular).
        QGuiApplication::setDesktopFileName(QString::fromLatin1(kAppId));
        QApplication::setWindowIcon(TMainForm::ApplicationIcon());
        TMainForm form(nullptr, language);
        form.show();
        if (!files.isEmpty()) {
            const QString path = QFileInfo(files.constFirst()).absoluteFilePath();
            QTimer::singleShot(0, &form, [&form, path] { form.OpenFile(path); });
        }
        if (started)
            QTimer::singleShot(0, &form, [&form, &started] { started(form); });
        QApplication::exec();
    } catch (const std::exception& e) {
        if (QApplication::instance())
            ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        if (QApplication::instance())
            ShowException(QString());
    }
    return 0;
}
