// SPDX-License-Identifier: MIT
// What varimel-render says about its own use.
#pragma once

#include <string>

namespace varimel::cli {

// The line that follows every usage error.
inline constexpr char kUsageLine[] = "Usage: varimel-render [options] INPUT.csv OUTPUT.mid (see varimel-render --help)";

// The help text; the defaults and ranges in it come from where they are set.
std::string Usage();

} // namespace varimel::cli
