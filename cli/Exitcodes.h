// SPDX-License-Identifier: MIT
// What varimel-render tells its caller by its exit status.
#pragma once

namespace varimel::cli {

inline constexpr int kExitWritten = 0; // every file written (skipped lines included)
inline constexpr int kExitFailed = 1;  // a file could not be read, built or written
inline constexpr int kExitUsage = 2;   // the command line is wrong
inline constexpr int kExitCheck = 3;   // a setting was refused by the window's checks

} // namespace varimel::cli
