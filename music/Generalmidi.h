// SPDX-License-Identifier: MIT
// The 128 General MIDI program names, in the short forms the program shows.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace varimel {

extern const std::array<std::string_view, 128> GMProgramNames;

// "%03d: %s" with program + 1 and its name: one entry of the program list.
std::string ProgramEntry(int program);

} // namespace varimel
