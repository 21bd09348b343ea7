// SPDX-License-Identifier: MIT
#include "Cues.h"

#include "Series.h"
#include "data/Dates.h"
#include "data/Number.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace varimel {

namespace {

// The sounds chosen: General MIDI wood blocks for ticks (light for minor,
// lower and louder for major), a warm pad held (or a vibraphone struck) for
// reference tones, a glockenspiel for the figures, chime and gap tones.
constexpr std::uint8_t kPercussionChannel = 9;
constexpr std::uint8_t kMinorTickKey = 76; // Hi Wood Block
constexpr std::uint8_t kMajorTickKey = 77; // Low Wood Block
constexpr std::uint8_t kMinorTickVelocity = 48;
constexpr std::uint8_t kMajorTickVelocity = 72;
constexpr std::uint32_t kTickLength = TicksPerQuarter / 8;
constexpr int kHeldRefProgram = 89;   // Pad 2 (warm)
constexpr int kStruckRefProgram = 11; // Vibraphone
constexpr std::uint8_t kRefVelocity = 40;
constexpr int kMarkProgram = 9; // Glockenspiel
constexpr std::uint8_t kMarkLow = 84;
constexpr std::uint8_t kMarkHigh = 91;
constexpr std::uint8_t kMarkVelocity = 90;
constexpr std::uint32_t kMarkStep = TicksPerQuarter / 4;
constexpr std::uint8_t kChimeKey = 96;
constexpr std::uint8_t kChimeVelocity = 64;
constexpr std::uint8_t kGapKey = 48;
constexpr std::uint8_t kGapVelocity = 50;
constexpr int kDefaultMajorEvery = 5;
constexpr std::uint8_t kPanController = 10;

CueRefusal Refusal(CueRefusal::Kind kind)
{
    CueRefusal r;
    r.What = kind;
    return r;
}

std::string DateLabel(double x, TickUnit unit)
{
    std::string text = FormatDate(std::floor(x), false);
    if (unit == TickUnit::Month)
        return text.substr(0, 7);
    if (unit == TickUnit::Year)
        return text.substr(0, 4);
    return text;
}

// A round step (1, 2 or 5 times a power of ten) at least raw.
double RoundUp(double raw)
{
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw)
            return m * power;
    return 10.0 * power;
}

// The calendar ticks of a date unit from x0 to x1 (whole days).
std::vector<double> CalendarTicks(TickUnit unit, double x0, double x1)
{
    std::vector<double> days;
    const long first = static_cast<long>(std::ceil(x0));
    const long last = static_cast<long>(std::floor(x1));
    if (first > last)
        return days;
    const auto add = [&](long d) {
        if (d >= first && d <= last)
            days.push_back(static_cast<double>(d));
        return days.size() <= kMaxTicks;
    };
    long y = 0;
    int m = 0, d = 0;
    CivilFromDays(first, y, m, d);
    switch (unit) {
    case TickUnit::Day:
        for (long day = first; day <= last && add(day); ++day) {
        }
        break;
    case TickUnit::Week: {
        // Mondays: 1970-01-05 was one.
        long monday = first + ((4 - first) % 7 + 7) % 7;
        for (; monday <= last && add(monday); monday += 7) {
        }
        break;
    }
    case TickUnit::Month:
        for (long day = d == 1 ? first : DaysFromCivil(m == 12 ? y + 1 : y, m == 12 ? 1 : m + 1, 1); day <= last;) {
            if (!add(day))
                break;
            CivilFromDays(day, y, m, d);
            day = DaysFromCivil(m == 12 ? y + 1 : y, m == 12 ? 1 : m + 1, 1);
        }
        break;
    case TickUnit::Year:
        for (long year = (m == 1 && d == 1) ? y : y + 1;; ++year) {
            const long day = DaysFromCivil(year, 1, 1);
            if (day > last || !add(day))
                break;
        }
        break;
    case TickUnit::Number:
        break;
    }
    return days;
}

// Whether a calendar tick starts the natural larger unit: a month for days
// and weeks, a year for months, a decade for years.
bool NaturalMajor(TickUnit unit, double x)
{
    long y = 0;
    int m = 0, d = 0;
    CivilFromDays(static_cast<long>(x), y, m, d);
    switch (unit) {
    case TickUnit::Day:
        return d == 1;
    case TickUnit::Week:
        return d <= 7;
    case TickUnit::Month:
        return m == 1;
    case TickUnit::Year:
        return y % 10 == 0;
    case TickUnit::Number:
        break;
    }
    return false;
}

std::string_view NextUnit(TickUnit unit)
{
    switch (unit) {
    case TickUnit::Day:
        return "week";
    case TickUnit::Week:
        return "month";
    default:
        return "year";
    }
}

} // namespace

std::string_view CueKindName(CueKind kind)
{
    static constexpr std::string_view kNames[] = {"tick", "ref", "mark", "end", "gap", "legend"};
    return kNames[static_cast<std::size_t>(kind)];
}

std::optional<TickUnit> TickUnitNamed(std::string_view name)
{
    if (name == "day")
        return TickUnit::Day;
    if (name == "week")
        return TickUnit::Week;
    if (name == "month")
        return TickUnit::Month;
    if (name == "year")
        return TickUnit::Year;
    return std::nullopt;
}

std::string_view TickUnitName(TickUnit unit)
{
    static constexpr std::string_view kNames[] = {"", "day", "week", "month", "year"};
    return kNames[static_cast<std::size_t>(unit)];
}

std::string CueRefusalText(const CueRefusal& r, Language language)
{
    const bool en = language == Language::English;
    const std::string low = FormatG(r.Low, 0, false);
    const std::string high = FormatG(r.High, 0, false);
    switch (r.What) {
    case CueRefusal::Kind::DateUnitWithoutDates:
        return en ? "A tick step of days, weeks, months or years needs X read as dates."
                  : "日・週・月・年ごとの目盛りには、Xを日付として読む必要があります。";
    case CueRefusal::Kind::TooManyTicks:
        return en ? std::to_string(r.Count) + " ticks are more than " + std::to_string(kMaxTicks) + "; try a step of " +
                        r.Suggest + "."
                  : "目盛りが" + std::to_string(r.Count) + "個で、" + std::to_string(kMaxTicks) +
                        "個を超えます。間隔を" + r.Suggest + "以上にして下さい。";
    case CueRefusal::Kind::RefOutside:
        return en ? "The reference value " + FormatG(r.Value, 0, false) + " is outside the mapped range " + low +
                        " to " + high + "."
                  : "基準音の値 " + FormatG(r.Value, 0, false) + " は対応付けの範囲 " + low + "〜" + high +
                        " の外です。";
    case CueRefusal::Kind::NoChannel:
        return en ? "No MIDI channel is left for the cues: use fewer series."
                  : "目印に使えるMIDIチャンネルが残っていません。系列を減らして下さい。";
    case CueRefusal::Kind::None:
        break;
    }
    return {};
}

std::vector<XTick> TicksOf(const CueRequest& cues, bool dates, double x0, double x1, CueRefusal* refusal)
{
    std::vector<XTick> ticks;
    if (!cues.Ticks() || !(x1 >= x0))
        return ticks;
    const auto refuse = [&](CueRefusal r) {
        if (refusal)
            *refusal = std::move(r);
        return std::vector<XTick>{};
    };
    if (cues.Unit != TickUnit::Number) {
        if (!dates)
            return refuse(Refusal(CueRefusal::Kind::DateUnitWithoutDates));
        const std::vector<double> days = CalendarTicks(cues.Unit, x0, x1);
        if (days.size() > kMaxTicks) {
            CueRefusal r = Refusal(CueRefusal::Kind::TooManyTicks);
            // How many there would be: the span over the unit's length.
            const double unitDays[] = {1, 1, 7, 30.44, 365.25};
            r.Count = static_cast<std::size_t>((x1 - x0) / unitDays[static_cast<std::size_t>(cues.Unit)]) + 1;
            r.Suggest = std::string(NextUnit(cues.Unit));
            return refuse(r);
        }
        for (std::size_t k = 0; k < days.size(); ++k) {
            const bool major = cues.MajorEvery > 0 ? k % static_cast<std::size_t>(cues.MajorEvery) == 0
                                                   : NaturalMajor(cues.Unit, days[k]);
            ticks.push_back({days[k], major, DateLabel(days[k], cues.Unit)});
        }
        return ticks;
    }
    // A step that divides the range (0.001 into 1) counts its last tick too,
    // whatever the last place of the division says.
    const long double count = std::floor((static_cast<long double>(x1) - x0) / cues.TickStep * (1 + 1e-12L)) + 1;
    if (count > static_cast<long double>(kMaxTicks)) {
        CueRefusal r = Refusal(CueRefusal::Kind::TooManyTicks);
        r.Count = count < 1e18L ? static_cast<std::size_t>(count) : static_cast<std::size_t>(-1);
        r.Suggest = FormatG(RoundUp((x1 - x0) / static_cast<double>(kMaxTicks - 1)), 0, false);
        return refuse(r);
    }
    const int every = cues.MajorEvery > 0 ? cues.MajorEvery : kDefaultMajorEvery;
    for (std::size_t k = 0; k < static_cast<std::size_t>(count); ++k) {
        const double x = static_cast<double>(x0 + static_cast<long double>(k) * cues.TickStep);
        ticks.push_back({x, k % static_cast<std::size_t>(every) == 0,
                         dates ? FormatDate(x, x != std::floor(x)) : FormatG(x, 0, false)});
    }
    return ticks;
}

std::uint8_t PanValue(double position, int width)
{
    const double spread = 63.0 * std::clamp(width, 0, 100) / 100.0;
    return static_cast<std::uint8_t>(std::lround(64.0 + (std::clamp(position, 0.0, 1.0) * 2.0 - 1.0) * spread));
}

std::uint8_t PanAlongX(double share, int width)
{
    return PanValue(0.5 - 0.5 * std::cos(std::numbers::pi * std::clamp(share, 0.0, 1.0)), width);
}

std::uint8_t SeriesPan(std::size_t index, std::size_t count, int width)
{
    return PanValue(count > 1 ? static_cast<double>(index) / static_cast<double>(count - 1) : 0.5, width);
}

TMidiEvent PanEvent(std::uint32_t at, std::uint8_t channel, std::uint8_t value)
{
    return TMidiEvent(at, static_cast<std::uint8_t>(0xB0 | channel), kPanController, value);
}

std::optional<std::vector<CueTrack>> CueTracks(const CueRequest& cues, const CueInputs& in, CueRefusal* refusal)
{
    std::vector<CueTrack> tracks;
    if (!in.First || in.First->Empty())
        return tracks;
    const bool en = in.Words == Language::English;
    if (cues.Legend) {
        // Each series' instrument once at the middle note, a beat each, on
        // its own channel (its program is set at the start of its track).
        CueTrack legend{en ? "Legend" : "凡例", 0, -1, {}};
        for (std::size_t k = 0; k < in.SeriesCount; ++k) {
            const std::uint8_t ch = SeriesChannel(k);
            legend.Notes.push_back({static_cast<std::uint32_t>(k * TicksPerQuarter), TicksPerQuarter * 7 / 8, ch,
                                    in.MiddleKey, kMarkVelocity, CueKind::Legend, in.FirstX,
                                    k < in.Names.size() ? in.Names[k] : std::string(), false});
        }
        tracks.push_back(std::move(legend));
    }
    const auto tickAt = [&](double x) { return TickOfX(x, in.OriginX, in.DxPQN); };
    const auto refuse = [&](CueRefusal r) {
        if (refusal)
            *refusal = std::move(r);
        return std::nullopt;
    };
    // The X of the piece: from its origin to the last X of the first series
    // or of any line.
    double lastX = in.First->Last().X;
    if (in.LineXs && !in.LineXs->empty())
        lastX = std::max(lastX, in.LineXs->back());
    CueRefusal tickRefusal;
    const std::vector<XTick> ticks = TicksOf(cues, in.Dates, in.FirstX, lastX, &tickRefusal);
    if (tickRefusal.What != CueRefusal::Kind::None)
        return refuse(tickRefusal);
    if (!ticks.empty()) {
        // Every calendar tick is named ("2024-07"), a number step's major ones.
        CueTrack track{en ? "Ticks" : "目盛り", kPercussionChannel, -1, {}};
        for (const XTick& t : ticks)
            if (const auto at = tickAt(t.X))
                track.Notes.push_back({*at, kTickLength, kPercussionChannel, t.Major ? kMajorTickKey : kMinorTickKey,
                                       t.Major ? kMajorTickVelocity : kMinorTickVelocity, CueKind::Tick, t.X,
                                       t.Major || cues.Unit != TickUnit::Number ? t.Label : std::string(), false});
        tracks.push_back(std::move(track));
    }
    // The channels after the series' own.
    std::size_t nextChannel = in.SeriesCount;
    const auto channel = [&]() -> std::optional<std::uint8_t> {
        if (nextChannel >= static_cast<std::size_t>(kMaxSeries))
            return std::nullopt;
        return SeriesChannel(nextChannel++);
    };
    if (!cues.RefY.empty()) {
        const std::optional<std::uint8_t> ch = channel();
        if (!ch)
            return refuse(Refusal(CueRefusal::Kind::NoChannel));
        const bool held = cues.Ref == RefMode::Hold;
        CueTrack track{en ? "Reference" : "基準音", *ch, held ? kHeldRefProgram : kStruckRefProgram, {}};
        for (const double v : cues.RefY) {
            const std::vector<NoteBand>* bands = in.Bands ? &in.Bands->Bands() : nullptr;
            const double low = bands && !bands->empty() ? bands->front().Low : 0.0;
            const double high = bands && !bands->empty() ? bands->back().High : 0.0;
            if (!bands || bands->empty() || !(v >= low && v <= high)) {
                CueRefusal r = Refusal(CueRefusal::Kind::RefOutside);
                r.Value = v;
                r.Low = low;
                r.High = high;
                return refuse(r);
            }
            const std::uint8_t key = (*bands)[static_cast<std::size_t>(in.Bands->BandOf(v))].Key;
            if (held) {
                // From the piece's first X (after a legend) to its end.
                const std::uint32_t from = std::min(tickAt(in.FirstX).value_or(0), in.End);
                track.Notes.push_back({from,
                                       std::max<std::uint32_t>(in.End - from, 1),
                                       *ch,
                                       key,
                                       kRefVelocity,
                                       CueKind::Ref,
                                       in.FirstX,
                                       {},
                                       true});
                continue;
            }
            // Struck at every tick, or at every bar without ticks.
            if (!ticks.empty()) {
                for (const XTick& t : ticks)
                    if (const auto at = tickAt(t.X))
                        track.Notes.push_back(
                            {*at, TicksPerQuarter / 2, *ch, key, kRefVelocity, CueKind::Ref, t.X, {}, false});
            } else {
                for (std::uint32_t at = tickAt(in.FirstX).value_or(0); at < in.End; at += TicksPerBar)
                    track.Notes.push_back({at,
                                           TicksPerQuarter / 2,
                                           *ch,
                                           key,
                                           kRefVelocity,
                                           CueKind::Ref,
                                           XOfTick(in.OriginX, in.DxPQN, at),
                                           {},
                                           false});
            }
        }
        std::stable_sort(track.Notes.begin(), track.Notes.end(),
                         [](const CueNote& a, const CueNote& b) { return a.Start < b.Start; });
        tracks.push_back(std::move(track));
    }
    if (cues.MarkY || cues.Ends || cues.Gaps) {
        const std::optional<std::uint8_t> ch = channel();
        if (!ch)
            return refuse(Refusal(CueRefusal::Kind::NoChannel));
        CueTrack track{en ? "Marks" : "目印", *ch, kMarkProgram, {}};
        const TXYDataList& data = *in.First;
        const auto figure = [&](std::uint32_t at, bool rising, double x) {
            track.Notes.push_back(
                {at, kMarkStep, *ch, rising ? kMarkLow : kMarkHigh, kMarkVelocity, CueKind::Mark, x, {}, false});
            track.Notes.push_back({at + kMarkStep,
                                   kMarkStep,
                                   *ch,
                                   rising ? kMarkHigh : kMarkLow,
                                   kMarkVelocity,
                                   CueKind::Mark,
                                   x,
                                   {},
                                   false});
        };
        if (cues.MarkY) {
            // Where the series goes from at or below the value to above it,
            // or back; a missing value is no record, so it never counts.
            for (std::size_t i = 1; i < static_cast<std::size_t>(data.Count()); ++i) {
                const bool above = data[i].Y > *cues.MarkY;
                if (above != (data[i - 1].Y > *cues.MarkY))
                    if (const auto at = tickAt(data[i].X))
                        figure(*at, above, data[i].X);
            }
        }
        if (cues.Gaps) {
            // A line where the series has no value, and a step in X far
            // longer than its mean one.
            const auto gap = [&](double x) {
                if (const auto at = tickAt(x))
                    track.Notes.push_back(
                        {*at, TicksPerQuarter / 2, *ch, kGapKey, kGapVelocity, CueKind::Gap, x, {}, false});
            };
            if (in.LineXs)
                for (const double x : *in.LineXs)
                    if (!std::binary_search(data.begin(), data.end(), XYData{x, 0.0},
                                            [](const XYData& a, const XYData& b) { return a.X < b.X; }))
                        gap(x);
            const std::size_t n = static_cast<std::size_t>(data.Count());
            if (n > 1) {
                const double mean = (data.Last().X - data.First().X) / static_cast<double>(n - 1);
                for (std::size_t i = 1; i < n; ++i)
                    if (mean > 0 && data[i].X - data[i - 1].X > cues.GapFactor * mean)
                        gap(data[i - 1].X + mean);
            }
        }
        std::stable_sort(track.Notes.begin(), track.Notes.end(),
                         [](const CueNote& a, const CueNote& b) { return a.Start < b.Start; });
        tracks.push_back(std::move(track));
        if (cues.Ends && in.Notes && !in.Notes->empty()) {
            // After the last note of the series.
            std::uint32_t last = 0;
            for (const NoteSpan& n : *in.Notes)
                last = std::max(last, n.End);
            AddEndChime(tracks, last, XOfTick(in.OriginX, in.DxPQN, last));
        }
    }
    return tracks;
}

void AddEndChime(std::vector<CueTrack>& tracks, std::uint32_t at, double x)
{
    for (CueTrack& t : tracks)
        if (t.Program == kMarkProgram)
            t.Notes.push_back({at, TicksPerQuarter, t.Channel, kChimeKey, kChimeVelocity, CueKind::End, x, {}, false});
}

std::vector<TMidiEventList> CueEventLists(const std::vector<CueTrack>& tracks, bool pan, std::uint32_t shift,
                                          std::uint32_t end)
{
    std::vector<TMidiEventList> lists;
    const std::uint64_t stop = static_cast<std::uint64_t>(shift) + end;
    for (const CueTrack& track : tracks) {
        TMidiEventList list(track.Channel, track.Name, std::string());
        if (track.Program >= 0)
            list.AddProgramChange(0, static_cast<std::uint8_t>(track.Program));
        // With stereo, cues stay in the middle.
        // The legend plays on the series' own channels, placed as they are.
        const bool legend = !track.Notes.empty() && track.Notes.front().Kind == CueKind::Legend;
        if (pan && !legend)
            list.Add(PanEvent(0, track.Channel, 64));
        for (const CueNote& n : track.Notes) {
            std::uint64_t from = n.Start;
            std::uint64_t to = static_cast<std::uint64_t>(n.Start) + n.Length;
            // A held note sounds through the part; the others belong to it
            // when they start inside it; the legend comes first whatever
            // the part.
            if (legend) {
                from += shift;
                to += shift;
            } else if (n.Held) {
                from = std::max<std::uint64_t>(from, shift);
                to = std::min(to, stop);
                if (from >= to)
                    continue;
            } else if (from < shift || from >= stop) {
                continue;
            }
            const auto at = static_cast<std::uint32_t>(from - shift);
            if (!n.Marker.empty()) {
                std::vector<std::uint8_t> bytes{kMeta, 0x06};
                std::uint32_t length = static_cast<std::uint32_t>(n.Marker.size());
                // The text's length as a variable-length quantity.
                std::vector<std::uint8_t> vlq{static_cast<std::uint8_t>(length & 0x7F)};
                while (length >>= 7)
                    vlq.insert(vlq.begin(), static_cast<std::uint8_t>(0x80 | (length & 0x7F)));
                bytes.insert(bytes.end(), vlq.begin(), vlq.end());
                bytes.insert(bytes.end(), n.Marker.begin(), n.Marker.end());
                list.Add(TMidiEvent(at, bytes.data(), static_cast<std::uint32_t>(bytes.size())));
            }
            list.Add(TMidiEvent(at, static_cast<std::uint8_t>(kNoteOn | n.Channel), n.Key, n.Velocity));
            list.Add(TMidiEvent(static_cast<std::uint32_t>(to - shift), static_cast<std::uint8_t>(kNoteOff | n.Channel),
                                n.Key, 0));
        }
        list.AddEndOfTrack(end);
        list.SortByTime();
        lists.push_back(std::move(list));
    }
    return lists;
}

} // namespace varimel
