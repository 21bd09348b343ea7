// SPDX-License-Identifier: MIT
#include "Cuesettings.h"

#include "data/Number.h"
#include "music/Cues.h"

#include <cmath>

namespace varimel {

namespace {

std::string Real(double v) { return FormatProfileReal(v); }

std::string List(const std::vector<double>& values)
{
    std::string text;
    for (const double v : values)
        text += (text.empty() ? "" : ",") + Real(v);
    return text;
}

} // namespace

std::vector<std::pair<const char*, std::string>> CueEntries(const CueRequest& c)
{
    return {
        {"TickStep", c.Unit == TickUnit::Number ? Real(c.TickStep) : std::string(TickUnitName(c.Unit))},
        {"MajorEvery", std::to_string(c.MajorEvery)},
        {"RefY", List(c.RefY)},
        {"RefMode", c.Ref == RefMode::Tick ? "tick" : "hold"},
        {"MarkY", c.MarkY ? Real(*c.MarkY) : std::string()},
        {"Ends", c.Ends ? "1" : "0"},
        {"Gaps", c.Gaps ? "1" : "0"},
        {"GapFactor", Real(c.GapFactor)},
        {"Pan", c.Pan == PanMode::X        ? "x"
                : c.Pan == PanMode::Series ? "series"
                                           : "none"},
        {"PanWidth", std::to_string(c.PanWidth)},
        {"Legend", c.Legend ? "1" : "0"},
    };
}

CueRequest ReadCues(const IniFile& ini)
{
    CueRequest c;
    if (!ini.HasSection(kSectionCues))
        return c;
    const auto text = [&ini](const char* key) { return ini.Read(kSectionCues, key).value_or(std::string()); };
    const auto number = [](const std::string& t) -> std::optional<double> {
        const std::optional<double> v = ParseNumber(t);
        return v && std::isfinite(*v) ? v : std::nullopt;
    };
    bool ok = true;
    const std::string step = text("TickStep");
    if (const std::optional<TickUnit> unit = TickUnitNamed(step)) {
        c.Unit = *unit;
    } else if (!step.empty()) {
        const std::optional<double> v = number(step);
        ok = ok && v && *v >= 0.0;
        c.TickStep = v.value_or(0.0);
    }
    if (const std::string t = text("MajorEvery"); !t.empty()) {
        const std::optional<int> v = ParseProfileInteger(t);
        ok = ok && v && *v >= 0 && *v <= 1000;
        c.MajorEvery = v.value_or(0);
    }
    if (const std::string t = text("RefY"); !t.empty()) {
        std::size_t start = 0;
        while (start <= t.size()) {
            const std::size_t comma = std::min(t.find(',', start), t.size());
            const std::optional<double> v = number(t.substr(start, comma - start));
            ok = ok && v;
            c.RefY.push_back(v.value_or(0.0));
            start = comma + 1;
        }
    }
    const std::string mode = text("RefMode");
    ok = ok && (mode.empty() || mode == "hold" || mode == "tick");
    c.Ref = mode == "tick" ? RefMode::Tick : RefMode::Hold;
    if (const std::string t = text("MarkY"); !t.empty()) {
        c.MarkY = number(t);
        ok = ok && c.MarkY;
    }
    c.Ends = text("Ends") == "1";
    c.Gaps = text("Gaps") == "1";
    c.Legend = text("Legend") == "1";
    if (const std::string t = text("GapFactor"); !t.empty()) {
        const std::optional<double> v = number(t);
        ok = ok && v && *v > 0.0;
        c.GapFactor = v.value_or(kDefaultGapFactor);
    }
    const std::string pan = text("Pan");
    ok = ok && (pan.empty() || pan == "none" || pan == "x" || pan == "series");
    c.Pan = pan == "x" ? PanMode::X : pan == "series" ? PanMode::Series : PanMode::None;
    if (const std::string t = text("PanWidth"); !t.empty()) {
        const std::optional<int> v = ParseProfileInteger(t);
        ok = ok && v && *v >= 0 && *v <= 100;
        c.PanWidth = v.value_or(100);
    }
    return ok ? c : CueRequest{};
}

} // namespace varimel
