// SPDX-License-Identifier: MIT
#include "Translations.h"

#include "Qtstrings.h"
#include "music/Parameters.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <functional>
#include <memory>

namespace {

struct Installed {
    varimel::Language language = varimel::Language::Japanese;
    std::unique_ptr<QTranslator> toolkit; // qtbase_ja, when Japanese
    std::unique_ptr<QTranslator> window;  // the window's English catalogue
};

Installed& State()
{
    static Installed state;
    return state;
}

bool Remove(std::unique_ptr<QTranslator>& translator)
{
    if (!translator)
        return false;
    QCoreApplication::removeTranslator(translator.get());
    translator.reset();
    return true;
}

// A catalogue loaded and installed, or none.
std::unique_ptr<QTranslator> Install(const std::function<bool(QTranslator&)>& load)
{
    auto translator = std::make_unique<QTranslator>();
    if (!load(*translator) || !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

} // namespace

void UseLanguage(varimel::Language language)
{
    Installed& s = State();
    const bool removedToolkit = Remove(s.toolkit);
    const bool removed = Remove(s.window) || removedToolkit;
    s.language = language;
    if (language == varimel::Language::Japanese) {
        // The toolkit speaks English by itself; in Japanese its own words
        // come from its catalogue.
        s.toolkit = Install([](QTranslator& t) {
            return t.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        });
    } else {
        s.window = Install([](QTranslator& t) { return t.load(QStringLiteral(":/i18n/varimel_en.qm")); });
    }
    // Each catalogue put in or taken out tells every window; with none, the
    // core's words (which follow the language too) still change.
    if (!removed && !s.toolkit && !s.window && QCoreApplication::instance()) {
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(QCoreApplication::instance(), &change);
    }
}

varimel::Language CurrentLanguage() { return State().language; }

QString MessageWords(std::string_view message) { return FromCore(varimel::MessageIn(message, State().language)); }

bool ToolkitWordsInJapanese() { return State().toolkit != nullptr; }

std::optional<varimel::Language> LanguageOfCode(const QString& code)
{
    if (code == QLatin1String("ja"))
        return varimel::Language::Japanese;
    if (code == QLatin1String("en"))
        return varimel::Language::English;
    return std::nullopt;
}
