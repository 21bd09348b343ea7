// SPDX-License-Identifier: MIT
#include "Settingsfile.h"

#include "Cuesettings.h"

#include "config/Inifile.h"
#include "data/Number.h"
#include "data/Series.h"
#include "music/Shape.h"
#include "sys/Paths.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace varimel {

namespace {

int ReadInteger(const IniFile& ini, const char* section, const char* key, int fallback)
{
    const auto text = ini.Read(section, key);
    if (!text)
        return fallback;
    return ParseProfileInteger(*text).value_or(fallback);
}

// A stored real in its shortest form, or the default text.
std::string ReadReal(const IniFile& ini, const char* key, const std::string& fallback)
{
    const auto text = ini.Read(kSectionMappingParam, key);
    const auto value = text ? ParseNumber(*text) : std::nullopt;
    return value ? FormatProfileReal(*value) : fallback;
}

std::string ReadText(const IniFile& ini, const char* section, const char* key, const std::string& fallback)
{
    return ini.Read(section, key).value_or(fallback);
}

} // namespace

namespace {

StoredSettings ReadSettings(const IniFile& ini, const std::string& documents)
{
    StoredSettings v;
    v.CsvDir = ReadText(ini, kSectionDirectories, kKeyCsvDir, documents);
    v.SmfDir = ReadText(ini, kSectionDirectories, kKeySmfDir, documents);
    v.Scale = ReadInteger(ini, kSectionMappingParam, kKeyScale, v.Scale);
    v.Tonic = ReadInteger(ini, kSectionMappingParam, kKeyTonic, v.Tonic);
    v.LowTone = ReadInteger(ini, kSectionMappingParam, kKeyLowTone, v.LowTone);
    v.HighTone = ReadInteger(ini, kSectionMappingParam, kKeyHighTone, v.HighTone);
    v.Tempo = ReadInteger(ini, kSectionMappingParam, kKeyTempo, v.Tempo);
    v.Velocity = ReadInteger(ini, kSectionMappingParam, kKeyVelocity, v.Velocity);
    v.Program = ReadInteger(ini, kSectionMappingParam, kKeyProgram, v.Program);
    v.DxPQN = ReadReal(ini, kKeyDxPQN, v.DxPQN);
    v.Duration = ReadReal(ini, kKeyDuration, v.Duration);
    v.DisableProgChange = ReadInteger(ini, kSectionMappingParam, kKeyDisableProgChange, 0) != 0;
    // Import options: a value out of its range gives that option's default,
    // and a combination that cannot be read gives the default reading.
    ImportOptions& im = v.Import;
    const ImportOptions defaults;
    im.XColumn = ReadInteger(ini, kSectionImport, kKeyXColumn, defaults.XColumn);
    if (im.XColumn < 0 || im.XColumn > kMaxImportColumn)
        im.XColumn = defaults.XColumn;
    im.YColumn = ReadInteger(ini, kSectionImport, kKeyYColumn, defaults.YColumn);
    if (im.YColumn < 1 || im.YColumn > kMaxImportColumn)
        im.YColumn = defaults.YColumn;
    const int xDate = ReadInteger(ini, kSectionImport, kKeyXDate, 0);
    const int comma = ReadInteger(ini, kSectionImport, kKeyDecimalComma, 0);
    im.XDate = xDate == 1 && im.XColumn != 0;
    im.DecimalComma = comma == 1;
    // A separator by its name; anything else, or comma with the decimal
    // comma, is the plain reading's.
    im.Separator =
        SeparatorNamed(ini.Read(kSectionImport, kKeySeparator).value_or(std::string())).value_or(FieldSeparator::Auto);
    if (im.DecimalComma && im.Separator == FieldSeparator::Comma)
        im.Separator = FieldSeparator::Auto;
    im.Order = DateOrderNamed(ini.Read(kSectionImport, kKeyDateOrder).value_or(std::string())).value_or(DateOrder::YMD);
    if (im.XColumn == im.YColumn)
        im = defaults;
    // The rows kept by one column's value, and the column whose values make
    // the series: a column out of range stands for none.
    const auto column = [&ini](const char* key) {
        const int c = ReadInteger(ini, kSectionImport, key, 0);
        return c >= 1 && c <= kMaxImportColumn ? c : 0;
    };
    if (const int c = column(kKeyWhereColumn))
        im.Where.push_back({c, ini.Read(kSectionImport, kKeyWhereValue).value_or(std::string())});
    im.SplitBy = column(kKeySplitBy);
    // Further series, only as a whole: each column once, none of them X or Y,
    // an instrument for each.
    const auto list = [&ini](const char* key) {
        std::vector<int> values;
        const std::string text = ini.Read(kSectionImport, key).value_or(std::string());
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t comma = std::min(text.find(',', start), text.size());
            // Blanks around an item, as a person typing the list leaves them.
            std::string_view item = std::string_view(text).substr(start, comma - start);
            while (!item.empty() && (item.front() == ' ' || item.front() == '\t'))
                item.remove_prefix(1);
            while (!item.empty() && (item.back() == ' ' || item.back() == '\t'))
                item.remove_suffix(1);
            values.push_back(ParseProfileInteger(item).value_or(-1));
            start = comma + 1;
        }
        return values;
    };
    im.MoreYColumns = list(kKeyMoreYColumns);
    v.MorePrograms = list(kKeyMorePrograms);
    const bool seriesOk =
        im.MoreYColumns.size() < static_cast<std::size_t>(kMaxSeries) &&
        v.MorePrograms.size() == im.MoreYColumns.size() &&
        std::all_of(im.MoreYColumns.begin(), im.MoreYColumns.end(),
                    [](int c) { return c >= 1 && c <= kMaxImportColumn; }) &&
        std::all_of(v.MorePrograms.begin(), v.MorePrograms.end(), [](int p) { return p >= 0 && p < kProgramCount; }) &&
        im.ColumnsDistinct();
    if (!seriesOk) {
        v.SeriesUnusable = !im.MoreYColumns.empty();
        im.MoreYColumns.clear();
        v.MorePrograms.clear();
    }
    v.SharedRange = ReadInteger(ini, kSectionImport, kKeySharedRange, 0) == 1;
    // Groups make the series of one Y column alone.
    if (!im.MoreYColumns.empty())
        im.SplitBy = 0;
    v.SoundFont = ReadText(ini, kSectionPlayback, kKeySoundFont, {});
    v.AudioDriver = ReadText(ini, kSectionPlayback, kKeyAudioDriver, {});
    v.Output = ReadText(ini, kSectionPlayback, kKeyOutput, {});
    // The shape, only as a whole that makes sense.
    MappingShape& shape = v.Shape;
    const auto real = [&ini](const char* key, double fallback) {
        const auto text = ini.Read(kSectionShape, key);
        return text ? ParseNumber(*text).value_or(fallback) : fallback;
    };
    shape.Invert = ReadInteger(ini, kSectionShape, kKeyShapeInvert, 0) == 1;
    shape.LogY = ReadInteger(ini, kSectionShape, kKeyShapeLogY, 0) == 1;
    shape.Clip = real(kKeyShapeClip, 0.0);
    shape.FixedRange = ReadInteger(ini, kSectionShape, kKeyShapeFixedRange, 0) == 1;
    shape.RangeLow = real(kKeyShapeRangeLow, 0.0);
    shape.RangeHigh = real(kKeyShapeRangeHigh, 0.0);
    shape.VelocityColumn = ReadInteger(ini, kSectionShape, kKeyShapeVelocityColumn, 0);
    shape.VelocityLow = ReadInteger(ini, kSectionShape, kKeyShapeVelocityLow, kDefaultVelocityLow);
    shape.VelocityHigh = ReadInteger(ini, kSectionShape, kKeyShapeVelocityHigh, kDefaultVelocityHigh);
    shape.DurationColumn = ReadInteger(ini, kSectionShape, kKeyShapeDurationColumn, 0);
    shape.DurationLow = real(kKeyShapeDurationLow, kDefaultDurationLow);
    shape.DurationHigh = real(kKeyShapeDurationHigh, kDefaultDurationHigh);
    shape.RestBelow = RestBelowNamed(ini.Read(kSectionShape, kKeyShapeRestBelow).value_or(std::string()))
                          .value_or(std::vector<double>{});
    if (ShapeProblem(shape, kMaxImportColumn) != ShapeField::None)
        shape = MappingShape{};
    // The plot window's place, only when all of it is there and sensible.
    const StoredPlace place{ReadInteger(ini, kSectionPlot, kKeyLeft, kMaxPlaceOffset + 1),
                            ReadInteger(ini, kSectionPlot, kKeyTop, kMaxPlaceOffset + 1),
                            ReadInteger(ini, kSectionPlot, kKeyWidth, 0),
                            ReadInteger(ini, kSectionPlot, kKeyHeight, 0)};
    const auto offset = [](int v) { return v >= -kMaxPlaceOffset && v <= kMaxPlaceOffset; };
    const auto extent = [](int v) { return v >= kMinPlaceSize && v <= kMaxPlaceSize; };
    if (offset(place.Left) && offset(place.Top) && extent(place.Width) && extent(place.Height))
        v.Plot = place;
    v.Cues = ReadCues(ini);
    if (const auto speed = ini.Read(kSectionPlot, "Speed"))
        if (const std::optional<double> s = ParseNumber(*speed); s && *s >= 0.25 && *s <= 4.0)
            v.PlotSpeed = *s;
    if (ini.Read(kSectionWindow, kKeyLanguage).value_or(std::string()) == LanguageCode(Language::English))
        v.WindowLanguage = Language::English;
    return v;
}

} // namespace

bool SettingsFileTooLarge(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           static_cast<std::uint64_t>(info.st_size) > kMaxSettingsBytes;
}

StoredSettings ReadSettingsFile(const std::string& path, const std::string& documents)
{
    IniFile ini(path);
    if (!SettingsFileTooLarge(path))
        ini.Load();
    return ReadSettings(ini, documents);
}

std::optional<StoredSettings> ReadSettingsFrom(const std::string& path, std::string& reason)
{
    std::string text;
    if (!ReadFileUpTo(path, kMaxSettingsBytes, text, reason))
        return std::nullopt;
    IniFile ini(path);
    ini.LoadText(text);
    return ReadSettings(ini, {});
}

MappingRequest StoredRequest(const StoredSettings& s)
{
    MappingRequest r;
    r.Scale = StoredPosition(s.Scale, kScaleCount, kDefaultScale);
    r.Tonic = StoredPosition(s.Tonic, 12, kDefaultTonic);
    r.LowTone = StoredPosition(s.LowTone, kToneCount, kDefaultLowTone);
    r.HighTone = StoredPosition(s.HighTone, kToneCount, kDefaultHighTone);
    r.Tempo = ClampTo(s.Tempo, kMinTempo, kMaxTempo);
    r.Velocity = ClampTo(s.Velocity, kMinVelocity, kMaxVelocity);
    r.Program = StoredPosition(s.Program, kProgramCount, kDefaultProgram);
    r.WriteProgramChange = !s.DisableProgChange;
    r.Shape = s.Shape;
    r.MorePrograms = s.MorePrograms;
    r.SharedRange = s.SharedRange;
    r.Cues = s.Cues;
    return r;
}

std::string ConfiguredSoundFont()
{
    const std::string path = SettingsFilePath();
    if (path.empty())
        return {};
    IniFile ini(path);
    ini.Load();
    return ini.Read(kSectionPlayback, kKeySoundFont).value_or(std::string());
}

namespace {

std::string Joined(const std::vector<int>& values)
{
    std::string text;
    for (const int v : values)
        text += (text.empty() ? "" : ",") + std::to_string(v);
    return text;
}

} // namespace

SettingsWrite WriteSettingsFile(const std::string& path, const StoredSettings& c, std::string* reason)
{
    const auto number = [](int v) -> std::optional<std::string> { return std::to_string(v); };
    const auto real = [](const std::string& text) -> std::optional<std::string> {
        const auto v = ParseNumber(text);
        return v ? std::optional(FormatProfileReal(*v)) : std::nullopt;
    };
    struct Step {
        const char* section;
        const char* key;
        std::optional<std::string> value; // none: the text is not a number
    };
    const Step steps[] = {
        {kSectionDirectories, kKeyCsvDir, c.CsvDir},
        {kSectionDirectories, kKeySmfDir, c.SmfDir},
        {kSectionMappingParam, kKeyScale, number(c.Scale)},
        {kSectionMappingParam, kKeyTonic, number(c.Tonic)},
        {kSectionMappingParam, kKeyLowTone, number(c.LowTone)},
        {kSectionMappingParam, kKeyHighTone, number(c.HighTone)},
        {kSectionMappingParam, kKeyTempo, number(c.Tempo)},
        {kSectionMappingParam, kKeyVelocity, number(c.Velocity)},
        {kSectionMappingParam, kKeyProgram, number(c.Program)},
        {kSectionMappingParam, kKeyDxPQN, real(c.DxPQN)},
        {kSectionMappingParam, kKeyDuration, real(c.Duration)},
        {kSectionMappingParam, kKeyDisableProgChange, std::string(c.DisableProgChange ? "1" : "0")},
        {kSectionImport, kKeyXColumn, number(c.Import.XColumn)},
        {kSectionImport, kKeyYColumn, number(c.Import.YColumn)},
        {kSectionImport, kKeyXDate, std::string(c.Import.XDate ? "1" : "0")},
        {kSectionImport, kKeyDecimalComma, std::string(c.Import.DecimalComma ? "1" : "0")},
        {kSectionImport, kKeySeparator, std::string(SeparatorName(c.Import.Separator))},
        {kSectionImport, kKeyDateOrder, std::string(DateOrderName(c.Import.Order))},
        {kSectionImport, kKeyWhereColumn, number(c.Import.Where.empty() ? 0 : c.Import.Where.front().Column)},
        {kSectionImport, kKeyWhereValue, c.Import.Where.empty() ? std::string() : c.Import.Where.front().Value},
        {kSectionImport, kKeySplitBy, number(c.Import.SplitBy)},
        {kSectionImport, kKeyMoreYColumns, Joined(c.Import.MoreYColumns)},
        {kSectionImport, kKeyMorePrograms, Joined(c.MorePrograms)},
        {kSectionImport, kKeySharedRange, number(c.SharedRange ? 1 : 0)},
        {kSectionShape, kKeyShapeInvert, number(c.Shape.Invert ? 1 : 0)},
        {kSectionShape, kKeyShapeLogY, number(c.Shape.LogY ? 1 : 0)},
        {kSectionShape, kKeyShapeClip, FormatProfileReal(c.Shape.Clip)},
        {kSectionShape, kKeyShapeFixedRange, number(c.Shape.FixedRange ? 1 : 0)},
        {kSectionShape, kKeyShapeRangeLow, FormatProfileReal(c.Shape.RangeLow)},
        {kSectionShape, kKeyShapeRangeHigh, FormatProfileReal(c.Shape.RangeHigh)},
        {kSectionShape, kKeyShapeVelocityColumn, number(c.Shape.VelocityColumn)},
        {kSectionShape, kKeyShapeVelocityLow, number(c.Shape.VelocityLow)},
        {kSectionShape, kKeyShapeVelocityHigh, number(c.Shape.VelocityHigh)},
        {kSectionShape, kKeyShapeDurationColumn, number(c.Shape.DurationColumn)},
        {kSectionShape, kKeyShapeDurationLow, FormatProfileReal(c.Shape.DurationLow)},
        {kSectionShape, kKeyShapeDurationHigh, FormatProfileReal(c.Shape.DurationHigh)},
        {kSectionShape, kKeyShapeRestBelow, RestBelowText(c.Shape.RestBelow)},
        {kSectionPlot, kKeyLeft, c.Plot ? number(c.Plot->Left) : std::nullopt},
        {kSectionPlot, kKeyTop, c.Plot ? number(c.Plot->Top) : std::nullopt},
        {kSectionPlot, kKeyWidth, c.Plot ? number(c.Plot->Width) : std::nullopt},
        {kSectionPlot, kKeyHeight, c.Plot ? number(c.Plot->Height) : std::nullopt},
        {kSectionWindow, kKeyLanguage, std::string(LanguageCode(c.WindowLanguage))},
    };
    IniFile ini(path);
    ini.Load();
    // The import options go into the file once they differ from the default
    // reading; a file without them stays as it always was.
    const bool writeImport = !c.Import.Stored().IsDefault() || c.SharedRange || ini.HasSection(kSectionImport);
    for (const Step& step : steps) {
        if (!writeImport && step.section == kSectionImport)
            continue;
        // The further series only once there are some, or to clear them;
        // the separator once it is not the plain reading's.
        const std::string_view key = step.key;
        if (key == kKeySeparator && c.Import.Separator == FieldSeparator::Auto && !ini.Read(kSectionImport, step.key))
            continue;
        if (key == kKeyDateOrder && c.Import.Order == DateOrder::YMD && !ini.Read(kSectionImport, step.key))
            continue;
        // The rows chosen and the groups once there are any.
        if ((key == kKeyWhereColumn || key == kKeyWhereValue) && c.Import.Where.empty() &&
            !ini.Read(kSectionImport, step.key))
            continue;
        if (key == kKeySplitBy && c.Import.SplitBy == 0 && !ini.Read(kSectionImport, step.key))
            continue;
        if (key == kKeySharedRange && !c.SharedRange && !ini.Read(kSectionImport, step.key))
            continue;
        if ((key == kKeyMoreYColumns || key == kKeyMorePrograms) && c.Import.MoreYColumns.empty() &&
            !ini.Read(kSectionImport, step.key))
            continue;
        // The rests once there are some, or to clear them.
        if (key == kKeyShapeRestBelow && c.Shape.RestBelow.empty() && !ini.Read(kSectionShape, step.key))
            continue;
        // The shape once it is not the plain mapping, or to bring it back.
        if (step.section == kSectionShape && c.Shape.IsDefault() && !ini.HasSection(kSectionShape))
            continue;
        // The plot window's place only once it has one.
        if (!c.Plot && step.section == kSectionPlot)
            continue;
        // The language once another than the default was chosen.
        if (step.section == kSectionWindow && c.WindowLanguage == Language::Japanese &&
            !ini.Read(kSectionWindow, kKeyLanguage))
            continue;
        if (!step.value)
            return SettingsWrite::NumberFailed;
        ini.Set(step.section, step.key, *step.value);
        if (!ini.Save(reason))
            return SettingsWrite::FileFailed;
    }
    // A MIDI port for the preview once one was chosen, or to go back.
    if (!c.Output.empty() || ini.Read(kSectionPlayback, kKeyOutput)) {
        ini.Set(kSectionPlayback, kKeyOutput, c.Output);
        if (!ini.Save(reason))
            return SettingsWrite::FileFailed;
    }
    // The preview's speed once it is not the usual one.
    if (c.PlotSpeed != 1.0 || ini.Read(kSectionPlot, "Speed")) {
        ini.Set(kSectionPlot, "Speed", FormatProfileReal(c.PlotSpeed));
        if (!ini.Save(reason))
            return SettingsWrite::FileFailed;
    }
    // The cues once they are not the default, or to bring the default back.
    if (c.Cues != CueRequest{} || ini.HasSection(kSectionCues)) {
        for (const auto& [key, value] : CueEntries(c.Cues))
            ini.Set(kSectionCues, key, value);
        if (!ini.Save(reason))
            return SettingsWrite::FileFailed;
    }
    return SettingsWrite::Written;
}

} // namespace varimel
