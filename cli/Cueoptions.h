// SPDX-License-Identifier: MIT
// The renderer's options for the sounds beside the notes: ticks on X,
// reference tones, crossing figures, the end chime and gap tones, stereo.
#pragma once

#include "Options.h"

#include <string>

namespace varimel::cli {

// Takes a cue option without a value (--cue-ends); false for any other.
bool TakeCueFlag(Options& o, const std::string& arg);
// Whether name is a cue option that takes a value, and takes it.
bool IsCueOption(const std::string& name);
void TakeCueValue(Options& o, const std::string& name, const std::string& value);
// What goes together among them, once every option is read.
void CheckCueOptions(const Options& o);

} // namespace varimel::cli
