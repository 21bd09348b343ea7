// SPDX-License-Identifier: MIT
// The languages the window and the renderer speak. The words the core makes
// for people (the reasons a line was skipped, the summaries, the scale names,
// the messages the window and the renderer share) come in both; files and
// codes stay as they are.
#pragma once

#include <cstdint>
#include <string_view>

namespace varimel {

enum class Language : std::uint8_t { Japanese, English };

// The language's code in the settings file: "ja" or "en".
constexpr std::string_view LanguageCode(Language language) { return language == Language::English ? "en" : "ja"; }

// The word in the language: Japanese first, English second.
constexpr std::string_view InLanguage(Language language, std::string_view japanese, std::string_view english)
{
    return language == Language::English ? english : japanese;
}

} // namespace varimel
