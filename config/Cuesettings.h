// SPDX-License-Identifier: MIT
// The sounds beside the notes as the settings file keeps them, in a [Cues]
// section written only once they are not the default.
#pragma once

#include "Inifile.h"
#include "music/Request.h"

#include <string>
#include <utility>
#include <vector>

namespace varimel {

inline constexpr char kSectionCues[] = "Cues";

// The cues of a settings file: none when the section is absent, or when any
// of its values does not read or is out of its range.
CueRequest ReadCues(const IniFile& ini);
// Every key of the section with its value, in order.
std::vector<std::pair<const char*, std::string>> CueEntries(const CueRequest& cues);

} // namespace varimel
