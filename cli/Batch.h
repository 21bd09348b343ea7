// SPDX-License-Identifier: MIT
// A batch: every input of -o DIR rendered, a few at a time.
#pragma once

#include "Options.h"

namespace varimel::cli {

// Renders every input of a batch, `jobs` at a time; one line per file on
// standard error in argument order, and a progress line on a terminal.
int RunBatch(const Options& options);

} // namespace varimel::cli
