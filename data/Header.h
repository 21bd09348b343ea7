// SPDX-License-Identifier: MIT
// A file's header: the names of its columns, so that a column can be
// chosen by its name as well as by its number.
#pragma once

#include "Importer.h"

#include <string>
#include <string_view>
#include <vector>

namespace varimel {

// The names on the first line of the sample (the start of a file) that is
// not blank, split as the options split lines and shown as text (UTF-8, a
// Shift_JIS name decoded); none when that line holds numbers only, so is
// no header.
std::vector<std::string> HeaderNames(std::string_view sample, const ImportOptions& options);

// The same for the start of the regular file at path (none for anything
// else, or a file that cannot be read).
std::vector<std::string> HeaderOfFile(const std::string& path, const ImportOptions& options);

// The number (from 1) of the column a choice names: a whole number as it
// is; else the header's name equal to it, or the one name equal to it when
// case is ignored. 0 when no column is named so.
int ColumnNamed(std::string_view choice, const std::vector<std::string>& header);

// A column for a list: "5: close", or "5" without a name.
std::string ColumnLabel(int column, const std::vector<std::string>& header);

} // namespace varimel
