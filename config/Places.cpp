// SPDX-License-Identifier: MIT
#include "Places.h"

#include "sys/Paths.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace varimel {

const std::vector<std::string> kDefaultSoundFonts = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
};

std::string FindSoundFont(const std::string& configured)
{
    if (!configured.empty())
        return IsReadableFile(configured) ? configured : std::string();
    for (const std::string& candidate : kDefaultSoundFonts)
        if (IsReadableFile(candidate))
            return candidate;
    return std::string();
}

std::string SettingsFolder()
{
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* user = getpwuid(getuid());
            home = user ? user->pw_dir : nullptr;
        }
        if (!home || !*home)
            return {};
        base = std::string(home) + "/.config";
    }
    return base + "/" + kSettingsFolderName;
}

std::string SettingsFilePath()
{
    const std::string folder = SettingsFolder();
    return folder.empty() ? folder : folder + "/" + kSettingsFileName;
}

} // namespace varimel
