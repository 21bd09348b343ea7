// SPDX-License-Identifier: MIT
// The files a run writes, and the guard that refuses an output which is one
// of the run's inputs or another output.
#pragma once

#include "Options.h"

#include <cstddef>
#include <string>

namespace varimel::cli {

// An output that exists and is no regular file (a device, a FIFO) is written
// in place and never destroyed, so it may coincide with anything.
bool WrittenInPlace(const std::string& path);

// The output name of an input in a batch: its file name without ".csv".
std::string StemOf(const std::string& input);

// Every file a run writes: for each input, its MIDI file, audio file and
// notes table (empty where there is none).
struct Outputs {
    std::string midi;
    std::string audio;
    std::string notes;
};

Outputs OutputsOf(const Options& o, std::size_t input);

// No output may be one of the run's inputs (the CSV file, the SoundFont, the
// settings file) or another output: writing it would destroy what the user
// did not ask to replace. Throws UsageError.
void GuardOutputs(const Options& o);

} // namespace varimel::cli
