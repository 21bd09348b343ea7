// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the CSV reader, cut into pieces at a place the
// input chooses, and checks that the cut makes no difference.
#include "data/Csvreader.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace varimel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    TXYDataList whole;
    CsvParser a(whole);
    a.Feed(bytes, size);
    a.Finish();

    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    TXYDataList pieces;
    CsvParser b(pieces);
    if (b.Feed(bytes, cut))
        b.Feed(bytes + cut, size - cut);
    b.Finish();

    if (whole.Count() != pieces.Count() || a.Skipped() != b.Skipped())
        std::abort();
    for (int i = 0; i < whole.Count(); ++i) {
        const XYData& r = whole[static_cast<std::size_t>(i)];
        if (!std::isfinite(r.X) || !std::isfinite(r.Y) || !(r == pieces[static_cast<std::size_t>(i)]))
            std::abort();
    }
    whole.Sort();
    const CsvSummary s = Summarize(whole, "fuzz.csv");
    // Whatever the data, the box text reads back as a number.
    if (whole.Count() > 0 && !ParseNumber(s.DxPQN) && std::isfinite(MeanXInterval(whole)))
        std::abort();
    return 0;
}
