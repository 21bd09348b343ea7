// SPDX-License-Identifier: MIT
#include "Cueoptions.h"

#include "Values.h"
#include "data/Number.h"
#include "music/Cues.h"

#include <cmath>

namespace varimel::cli {

namespace {

double PositiveNumber(const std::string& name, const std::string& value)
{
    const std::optional<double> v = ParseNumber(value);
    if (!v || !std::isfinite(*v) || !(*v > 0.0))
        throw UsageError{name + " needs a number above 0, not '" + value + "'"};
    return *v;
}

double AnyNumber(const std::string& name, const std::string& value)
{
    const std::optional<double> v = ParseNumber(value);
    if (!v || !std::isfinite(*v))
        throw UsageError{name + " needs a number, not '" + value + "'"};
    return *v;
}

} // namespace

bool TakeCueFlag(Options& o, const std::string& arg)
{
    if (arg == "--cue-ends")
        o.request.Cues.Ends = true;
    else if (arg == "--cue-gaps")
        o.request.Cues.Gaps = true;
    else if (arg == "--legend")
        o.request.Cues.Legend = true;
    else
        return false;
    return true;
}

bool IsCueOption(const std::string& name)
{
    for (const char* option :
         {"--x-tick", "--x-tick-major", "--ref-y", "--ref-mode", "--mark-y", "--gap-factor", "--pan", "--pan-width"})
        if (name == option)
            return true;
    return false;
}

void TakeCueValue(Options& o, const std::string& n, const std::string& v)
{
    CueRequest& cues = o.request.Cues;
    if (n == "--x-tick") {
        if (const std::optional<TickUnit> unit = TickUnitNamed(v)) {
            cues.Unit = *unit;
            cues.TickStep = 0.0;
        } else {
            const std::optional<double> step = ParseNumber(v);
            if (!step || !std::isfinite(*step) || !(*step > 0.0))
                throw UsageError{n + " needs a step above 0 or day, week, month or year, not '" + v + "'"};
            cues.Unit = TickUnit::Number;
            cues.TickStep = *step;
        }
    } else if (n == "--x-tick-major") {
        cues.MajorEvery = IntegerIn(n, v, 1, 1000);
    } else if (n == "--ref-y") {
        cues.RefY.clear();
        for (const std::string& item : ListItems(n, v))
            cues.RefY.push_back(AnyNumber(n, item));
    } else if (n == "--ref-mode") {
        if (v != "tick" && v != "hold")
            throw UsageError{n + " needs tick or hold, not '" + v + "'"};
        cues.Ref = v == "tick" ? RefMode::Tick : RefMode::Hold;
    } else if (n == "--mark-y") {
        cues.MarkY = AnyNumber(n, v);
    } else if (n == "--gap-factor") {
        cues.GapFactor = PositiveNumber(n, v);
    } else if (n == "--pan") {
        if (v != "none" && v != "x" && v != "series")
            throw UsageError{n + " needs none, x or series, not '" + v + "'"};
        cues.Pan = v == "x" ? PanMode::X : v == "series" ? PanMode::Series : PanMode::None;
    } else if (n == "--pan-width") {
        cues.PanWidth = IntegerIn(n, v, 0, 100);
    }
}

void CheckCueOptions(const Options& o)
{
    const CueRequest& cues = o.request.Cues;
    if (cues.Unit != TickUnit::Number && !o.import.XDate)
        throw UsageError{"--x-tick " + std::string(TickUnitName(cues.Unit)) + " needs --x-date"};
    if (cues.MajorEvery > 0 && !cues.Ticks())
        throw UsageError{"--x-tick-major needs --x-tick"};
}

} // namespace varimel::cli
