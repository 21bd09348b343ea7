// SPDX-License-Identifier: MIT
// The checks every preview and export passes before anything is built, and
// the texts that tell the user why one failed. The window and the renderer
// share them so that both refuse the same settings with the same words.
#pragma once

#include "Mapping.h"
#include "data/Language.h"
#include "data/Xydata.h"

#include <string>
#include <string_view>

namespace varimel {

inline constexpr std::string_view kMsgCsvReadFailed = "CSVファイルの読み込みに失敗しました。";
inline constexpr std::string_view kMsgLinesSkipped = "不正なデータを検出したため、読み飛ばされました。";
inline constexpr std::string_view kMsgNoData = "データが読み込まれていません。先にCSVファイルを読み込んで下さい。";
inline constexpr std::string_view kMsgToneRange = "最高音は最低音より高くなければなりません。";
inline constexpr std::string_view kMsgNumberFormat = "数値の形式が正しくありません。";
inline constexpr std::string_view kMsgDxNotPositive = "4分音符あたりのXの増分は0より大きくなければなりません。";
inline constexpr std::string_view kMsgDurationRange = "デュレーションは0～1の間でなければなりません。";
inline constexpr std::string_view kMsgEmptyRange = "最低音から最高音までの範囲にスケールの音がありません。";
inline constexpr std::string_view kMsgSmfFailed = "スタンダードMIDIファイルの作成に失敗しました。";

enum class ParameterCheck {
    Ok,
    NoData,       // information
    ToneRange,    // error, owned by the window
    NumberFormat, // error, no owner
    DxNotPositive,
    DurationRange,
    EmptyRange,
};

struct ParameterCheckResult {
    ParameterCheck Outcome = ParameterCheck::Ok;
    double DxPQN = 0.0;    // valid when Outcome is Ok
    double Duration = 0.0; // valid when Outcome is Ok
};

// Runs the checks in their fixed order and stops at the first that fails.
// Tone positions are list positions (MIDI note - 21); -1 stands for a list
// with nothing selected, which never passes the tone check.
ParameterCheckResult CheckMappingParameters(const TXYDataList* data, int scaleIndex, int tonic, int lowToneIndex,
                                            int highToneIndex, std::string_view dxText, std::string_view durationText);

// The same checks on a request whose X increment and duration are still
// texts, as the window's boxes and the renderer's options give them: when
// they pass, request takes both numbers.
ParameterCheckResult CheckRequest(const TXYDataList* data, MappingRequest& request, std::string_view dxText,
                                  std::string_view durationText);

std::string_view ParameterCheckMessage(ParameterCheck outcome);

// When the first of several series has no value while a further one has
// (the first Y column holds no number): names that column, "3列目に数値が
// ありません。" ("Column 3 has no numbers.").
std::string NoValuesMessage(int column, Language language = Language::Japanese);

// One of the messages above in the language (the message itself in
// Japanese, and for a text that is none of them).
std::string_view MessageIn(std::string_view message, Language language);

} // namespace varimel
