// SPDX-License-Identifier: MIT
#include "Columns.h"

#include "data/Header.h"
#include "music/Shape.h"

#include <algorithm>
#include <vector>

namespace varimel::cli {

void CheckColumns(const Options& o)
{
    if (const std::vector<int> ys = o.import.YColumns(); std::count(ys.begin(), ys.end(), o.import.XColumn) > 0)
        throw UsageError{"X and Y cannot be read from the same column"};
    if (!o.import.ColumnsDistinct())
        throw UsageError{"--y-column names a column twice"};
}

Options ForInput(const Options& options, std::string_view sample, const std::string& path)
{
    Options o = options;
    const std::vector<std::string> header = HeaderNames(sample, o.import);
    const auto find = [&](const std::string& name) {
        if (const int column = ColumnNamed(name, header))
            return column;
        std::string columns;
        for (std::size_t i = 0; i < header.size() && i < 20; ++i)
            columns += (i ? ", " : "") + ColumnLabel(static_cast<int>(i) + 1, header);
        throw UsageError{path + ": no column named '" + name + "'" +
                         (header.empty() ? " (its first line is no header)" : " (its columns: " + columns + ")")};
    };
    if (o.named.x)
        o.import.XColumn = find(*o.named.x);
    for (const auto& [place, name] : o.named.y)
        (place == 0 ? o.import.YColumn : o.import.MoreYColumns[place - 1]) = find(name);
    if (o.named.velocity)
        o.request.Shape.VelocityColumn = find(*o.named.velocity);
    if (o.named.duration)
        o.request.Shape.DurationColumn = find(*o.named.duration);
    if (o.named.splitBy)
        o.import.SplitBy = find(*o.named.splitBy);
    for (const auto& [place, name] : o.named.where)
        o.import.Where[place].Column = find(name);
    o.named = {};
    // Rows are chosen by columns the file has: one beyond its header would
    // leave every row out.
    const auto beyond = [&](const char* option, int column) {
        if (!header.empty() && column > static_cast<int>(header.size()))
            throw UsageError{path + ": " + option + " column " + std::to_string(column) + " is beyond its " +
                             std::to_string(header.size()) + " columns"};
    };
    for (const RowFilter& filter : o.import.Where)
        beyond("--where", filter.Column);
    if (o.import.SplitBy > 0)
        beyond("--split-by", o.import.SplitBy);
    CheckColumns(o);
    o.import = ReadingFor(o.import, o.request.Shape);
    return o;
}

} // namespace varimel::cli
