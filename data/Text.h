// SPDX-License-Identifier: MIT
// The bytes of a file's line as text for people: UTF-8 as it is, anything
// else read as Shift_JIS.
#pragma once

#include <string>
#include <string_view>

namespace varimel {

// A skipped line's bytes for people: UTF-8 as it is, anything else decoded
// as Shift_JIS (code page 932), cut to 200 characters with "…".
std::string DisplayText(std::string_view raw);

} // namespace varimel
