// SPDX-License-Identifier: MIT
#include "Helperpath.h"

#include "sys/Paths.h"

#include <cstdlib>
#include <string_view>
#include <unistd.h>

namespace varimel::cli {

std::string HelperProgram(const char* name, const char* variable)
{
    if (const char* given = std::getenv(variable); given && *given)
        return given;
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return name;
    const std::string folder = FolderOf(std::string_view(self, static_cast<std::size_t>(n)));
    const std::string installed = folder + "/../libexec/varimel/" + name;
    for (const std::string& candidate : {folder + "/" + name, installed})
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
    return installed;
}

} // namespace varimel::cli
