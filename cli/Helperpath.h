// SPDX-License-Identifier: MIT
// Where one of the renderer's helper programs is: named by an environment
// variable, else beside the renderer in the build tree, else in
// libexec/varimel once installed.
#pragma once

#include <string>

namespace varimel::cli {

std::string HelperProgram(const char* name, const char* variable);

} // namespace varimel::cli
