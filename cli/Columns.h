// SPDX-License-Identifier: MIT
// The columns of one input: every column given by its header's name found
// in the file, and the columns checked against each other.
#pragma once

#include "Options.h"

#include <string>
#include <string_view>

namespace varimel::cli {

// X, the Y columns and the further ones each a different column; throws
// UsageError.
void CheckColumns(const Options& o);

// The options for one input: every column given by name found in the
// header at the file's start (sample), and the columns checked against
// each other and the file's columns; throws UsageError.
Options ForInput(const Options& options, std::string_view sample, const std::string& path);

} // namespace varimel::cli
