// SPDX-License-Identifier: MIT
// The window's language: its own words (Japanese in the sources, English
// from the catalogue built with the program) and the toolkit's own words
// (the message boxes' buttons, the file dialogs, the edit boxes' menus) from
// the toolkit's catalogues. Switching sends every widget a language change.
#pragma once

#include "data/Language.h"

#include <QString>

#include <optional>
#include <string_view>

// Installs the catalogues of the language, in place of those of the one
// before. A missing toolkit catalogue leaves those words in the toolkit's
// English, and says nothing.
void UseLanguage(varimel::Language language);
// The language in use (Japanese until another is chosen).
varimel::Language CurrentLanguage();
// Whether the toolkit's Japanese catalogue is installed now.
bool ToolkitWordsInJapanese();
// One of the messages the window shares with the renderer, in the language.
QString MessageWords(std::string_view message);
// "ja" or "en"; nothing for any other text.
std::optional<varimel::Language> LanguageOfCode(const QString& code);
