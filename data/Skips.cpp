// SPDX-License-Identifier: MIT
#include "Skips.h"

#include "Text.h"

#include <algorithm>
#include <array>

namespace varimel {

namespace {

// Each reason's code (for files and scripts) and words (for the window), in
// the order of SkipReason.
struct ReasonNames {
    std::string_view code;
    std::string_view words;
    std::string_view english;
};
constexpr std::array<ReasonNames, 8> kReasonNames = {{
    {"empty", "空行", "Empty line"},
    {"missing-column", "列が足りません", "Too few columns"},
    {"x-not-number", "Xが数値ではありません", "X is not a number"},
    {"y-not-number", "Yが数値ではありません", "Y is not a number"},
    {"x-not-date", "Xが日付ではありません", "X is not a date"},
    {"out-of-range", "数値が大きすぎます", "Number too large"},
    {"too-long", "行が長すぎます", "Line too long"},
    {"y-not-positive", "Yが正の数ではありません", "Y is not positive"},
}};
static_assert(static_cast<std::size_t>(SkipReason::YNotPositive) + 1 == kReasonNames.size());

ReasonNames NamesOf(SkipReason reason)
{
    const auto i = static_cast<std::size_t>(reason);
    return i < kReasonNames.size() ? kReasonNames[i] : ReasonNames{};
}

} // namespace

std::string_view SkipReasonCode(SkipReason reason) { return NamesOf(reason).code; }

std::string_view SkipReasonWords(SkipReason reason, Language language)
{
    return InLanguage(language, NamesOf(reason).words, NamesOf(reason).english);
}

void SkippedLines::Add(std::uint64_t line, SkipReason reason, std::string_view raw)
{
    raw = raw.substr(0, kSkippedTextBytes);
    entries_.push_back({line, text_.size(), raw.size(), static_cast<std::uint8_t>(reason)});
    text_.append(raw);
}

SkippedLine SkippedLines::operator[](std::size_t i) const
{
    const Entry& e = entries_[i];
    return {e.line, static_cast<SkipReason>(e.reason),
            std::string_view(text_).substr(static_cast<std::size_t>(e.offset), static_cast<std::size_t>(e.length))};
}

void SkippedLines::Append(const SkippedLines& other, std::uint64_t lineOffset)
{
    for (std::size_t i = 0; i < other.Count(); ++i) {
        const SkippedLine s = other[i];
        Add(s.Line + lineOffset, s.Reason, s.Raw);
    }
}

std::string SkippedLinesTsv(const SkippedLines& lines, bool words, Language language)
{
    std::string out =
        !words ? "line\treason\ttext\n" : std::string(InLanguage(language, "行\t理由\t内容\n", "Line\tReason\tText\n"));
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        const SkippedLine s = lines[i];
        std::string text = DisplayText(s.Raw);
        std::replace_if(
            text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
        out += std::to_string(s.Line);
        out += '\t';
        out += words ? SkipReasonWords(s.Reason, language) : SkipReasonCode(s.Reason);
        out += '\t';
        out += text;
        out += '\n';
    }
    return out;
}

} // namespace varimel
