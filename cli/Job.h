// SPDX-License-Identifier: MIT
// One input rendered: read, checked, built and written, with the value-to-note
// table and the JSON summary; and a batch of inputs rendered on a pool of
// threads.
#pragma once

#include "Exitcodes.h"
#include "Options.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace varimel::cli {

// What became of one input.
struct JobResult {
    int status = kExitWritten;
    int notes = 0;
    std::size_t skipped = 0;
    std::string stopped; // the message that stopped it, and its reason
};

// Reads one input and writes its files. Messages go to say(), which prints
// them at once for a single input and keeps them for the batch's line.
JobResult RenderJob(const Options& options, std::size_t index, const std::function<void(const std::string&)>& say);

// A line on standard error.
void Say(std::string_view text);

} // namespace varimel::cli
