// SPDX-License-Identifier: MIT
#include "Parameters.h"

#include "Scale.h"
#include "data/Number.h"

#include <utility>

namespace varimel {

ParameterCheckResult CheckMappingParameters(const TXYDataList* data, int scaleIndex, int tonic, int lowToneIndex,
                                            int highToneIndex, std::string_view dxText, std::string_view durationText)
{
    ParameterCheckResult r;
    if (!data || data->Empty()) {
        r.Outcome = ParameterCheck::NoData;
        return r;
    }
    if (lowToneIndex < 0 || highToneIndex < 0 || lowToneIndex >= highToneIndex) {
        r.Outcome = ParameterCheck::ToneRange;
        return r;
    }
    const auto dx = ParseNumber(dxText);
    const auto duration = ParseNumber(durationText);
    if (!dx || !duration) {
        r.Outcome = ParameterCheck::NumberFormat;
        return r;
    }
    r.DxPQN = *dx;
    r.Duration = *duration;
    if (!(*dx > 0.0)) {
        r.Outcome = ParameterCheck::DxNotPositive;
        return r;
    }
    if (!(*duration > 0.0) || *duration > 1.0) {
        r.Outcome = ParameterCheck::DurationRange;
        return r;
    }
    // A range with no note of the scale would map every record onto note 0
    // or 127; refuse it instead.
    ScaleNoteSet probe;
    if (scaleIndex < 0 || scaleIndex >= kScaleCount || tonic < 0 || tonic > 11 ||
        BuildNoteSet(probe, scaleIndex, static_cast<std::uint8_t>(tonic),
                     static_cast<std::uint8_t>(lowToneIndex + kLowestTone),
                     static_cast<std::uint8_t>(highToneIndex + kLowestTone)) == 0) {
        r.Outcome = ParameterCheck::EmptyRange;
        return r;
    }
    return r;
}

std::string_view MessageIn(std::string_view message, Language language)
{
    static constexpr std::pair<std::string_view, std::string_view> kEnglish[] = {
        {kMsgCsvReadFailed, "Could not read the CSV file."},
        {kMsgLinesSkipped, "Invalid data was found and skipped."},
        {kMsgNoData, "No data is loaded. Please open a CSV file first."},
        {kMsgToneRange, "The highest note must be above the lowest note."},
        {kMsgNumberFormat, "The number is not written correctly."},
        {kMsgDxNotPositive, "X per quarter note must be greater than 0."},
        {kMsgDurationRange, "Duration must be between 0 and 1."},
        {kMsgEmptyRange, "The scale has no note between the lowest and the highest note."},
        {kMsgSmfFailed, "Could not create the Standard MIDI File."},
    };
    if (language == Language::English)
        for (const auto& [japanese, english] : kEnglish)
            if (japanese == message)
                return english;
    return message;
}

std::string NoValuesMessage(int column, Language language)
{
    return language == Language::English ? "Column " + std::to_string(column) + " has no numbers."
                                         : std::to_string(column) + "列目に数値がありません。";
}

ParameterCheckResult CheckRequest(const TXYDataList* data, MappingRequest& request, std::string_view dxText,
                                  std::string_view durationText)
{
    const ParameterCheckResult r = CheckMappingParameters(data, request.Scale, request.Tonic, request.LowTone,
                                                          request.HighTone, dxText, durationText);
    if (r.Outcome == ParameterCheck::Ok) {
        request.DxPQN = r.DxPQN;
        request.Duration = r.Duration;
    }
    return r;
}

std::string_view ParameterCheckMessage(ParameterCheck outcome)
{
    switch (outcome) {
    case ParameterCheck::Ok:
        return {};
    case ParameterCheck::NoData:
        return kMsgNoData;
    case ParameterCheck::ToneRange:
        return kMsgToneRange;
    case ParameterCheck::NumberFormat:
        return kMsgNumberFormat;
    case ParameterCheck::DxNotPositive:
        return kMsgDxNotPositive;
    case ParameterCheck::DurationRange:
        return kMsgDurationRange;
    case ParameterCheck::EmptyRange:
        return kMsgEmptyRange;
    }
    return {};
}

} // namespace varimel
