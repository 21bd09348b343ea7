// SPDX-License-Identifier: MIT
// Where the settings file lives, and where a SoundFont is found when the
// settings name none.
#pragma once

#include <string>
#include <vector>

namespace varimel {

inline constexpr char kSettingsFolderName[] = "Korvath/Varimel";
inline constexpr char kSettingsFileName[] = "Varimel.ini";

// The settings folder (Korvath/Varimel in $XDG_CONFIG_HOME, else in
// ~/.config) and the settings file in it; empty when there is no home.
std::string SettingsFolder();
std::string SettingsFilePath();

// Where SoundFonts are looked for when none is configured, in this order.
extern const std::vector<std::string> kDefaultSoundFonts;
// The configured SoundFont when given (it must be a readable file), else the
// first of the default list that is; empty when there is none.
std::string FindSoundFont(const std::string& configured);

} // namespace varimel
