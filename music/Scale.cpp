// SPDX-License-Identifier: MIT
#include "Scale.h"

#include "sys/Paths.h"

#include <algorithm>
#include <charconv>

namespace varimel {

namespace {
using I = std::array<std::uint8_t, 12>;
} // namespace

const std::array<TMusicalScale, kScaleCount> ScaleTable = {{
    {"クロマティックスケール", 12, KeyMode::None, false, I{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
     I{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
    {"メジャースケール", 7, KeyMode::Major, false, I{0, 2, 4, 5, 7, 9, 11}, I{0, 2, 4, 5, 7, 9, 11}},
    {"ナチュラルマイナースケール", 7, KeyMode::Minor, false, I{0, 2, 3, 5, 7, 8, 10}, I{0, 2, 3, 5, 7, 8, 10}},
    {"ハーモニックマイナースケール", 7, KeyMode::Minor, false, I{0, 2, 3, 5, 7, 8, 11}, I{0, 2, 3, 5, 7, 8, 11}},
    {"メロディックマイナースケール", 7, KeyMode::Minor, true, I{0, 2, 3, 5, 7, 9, 11}, I{0, 2, 3, 5, 7, 8, 10}},
    {"ドリアンスケール", 7, KeyMode::Minor, false, I{0, 2, 3, 5, 7, 9, 10}, I{0, 2, 3, 5, 7, 9, 10}},
    {"フリジアンスケール", 7, KeyMode::Minor, false, I{0, 1, 3, 5, 7, 8, 10}, I{0, 1, 3, 5, 7, 8, 10}},
    {"リディアンスケール", 7, KeyMode::Major, false, I{0, 2, 4, 6, 7, 9, 11}, I{0, 2, 4, 6, 7, 9, 11}},
    {"ミクソリディアンスケール", 7, KeyMode::Major, false, I{0, 2, 4, 5, 7, 9, 10}, I{0, 2, 4, 5, 7, 9, 10}},
    {"ロクリアンスケール", 7, KeyMode::Minor, false, I{0, 1, 3, 5, 6, 8, 10}, I{0, 1, 3, 5, 6, 8, 10}},
    {"メジャーペンタトニックスケール", 5, KeyMode::Major, false, I{0, 2, 4, 7, 9}, I{0, 2, 4, 7, 9}},
    {"マイナーペンタトニックスケール", 5, KeyMode::Minor, false, I{0, 3, 5, 7, 10}, I{0, 3, 5, 7, 10}},
    {"ブルーススケール", 6, KeyMode::Minor, false, I{0, 3, 5, 6, 7, 10}, I{0, 3, 5, 6, 7, 10}},
    {"ホールトーンスケール", 6, KeyMode::None, false, I{0, 2, 4, 6, 8, 10}, I{0, 2, 4, 6, 8, 10}},
    {"ディミニッシュスケール", 8, KeyMode::None, false, I{0, 2, 3, 5, 6, 8, 9, 11}, I{0, 2, 3, 5, 6, 8, 9, 11}},
    {"コンビネーションオブディミニッシュスケール", 8, KeyMode::None, false, I{0, 1, 3, 4, 6, 7, 9, 10},
     I{0, 1, 3, 4, 6, 7, 9, 10}},
    {"スパニッシュスケール", 8, KeyMode::Minor, false, I{0, 1, 3, 4, 5, 7, 8, 10}, I{0, 1, 3, 4, 5, 7, 8, 10}},
    {"オリエンタルスケール", 7, KeyMode::Minor, false, I{0, 2, 3, 6, 7, 8, 11}, I{0, 2, 3, 6, 7, 8, 11}},
    {"陽旋法", 5, KeyMode::Major, true, I{0, 2, 5, 7, 10}, I{0, 2, 5, 7, 9}},
    {"陰旋法", 5, KeyMode::Minor, true, I{0, 1, 5, 7, 10}, I{0, 1, 5, 7, 8}},
    {"ヨナ抜き短音階", 5, KeyMode::Minor, false, I{0, 2, 3, 7, 8}, I{0, 2, 3, 7, 8}},
    {"琉球音階", 5, KeyMode::Major, false, I{0, 4, 5, 7, 11}, I{0, 4, 5, 7, 11}},
}};

namespace {

constexpr std::array<std::string_view, kScaleCount> kEnglishScaleNames = {
    "Chromatic scale",
    "Major scale",
    "Natural minor scale",
    "Harmonic minor scale",
    "Melodic minor scale",
    "Dorian mode",
    "Phrygian mode",
    "Lydian mode",
    "Mixolydian mode",
    "Locrian mode",
    "Major pentatonic scale",
    "Minor pentatonic scale",
    "Blues scale",
    "Whole tone scale",
    "Diminished scale",
    "Combination of diminished",
    "Spanish scale",
    "Oriental scale",
    "Yo scale",
    "In scale",
    "Yonanuki minor scale",
    "Ryukyu scale",
};

} // namespace

std::string ScaleKeyword(int index)
{
    std::string word = AsciiLower(ScaleName(index, Language::English));
    for (const std::string_view suffix : {" scale", " mode"})
        if (word.size() > suffix.size() && word.compare(word.size() - suffix.size(), suffix.size(), suffix) == 0)
            word.resize(word.size() - suffix.size());
    std::replace(word.begin(), word.end(), ' ', '-');
    return word;
}

std::optional<int> ScaleNamed(std::string_view text)
{
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error == std::errc() && end == text.data() + text.size() && !text.empty())
        return number >= 0 && number < kScaleCount ? std::optional(number) : std::nullopt;
    const std::string lower = AsciiLower(text);
    for (int i = 0; i < kScaleCount; ++i)
        if (lower == ScaleKeyword(i) || lower == AsciiLower(ScaleName(i, Language::English)) ||
            text == ScaleName(i, Language::Japanese))
            return i;
    return std::nullopt;
}

std::string_view ScaleName(int index, Language language)
{
    if (index < 0 || index >= kScaleCount)
        return {};
    const auto i = static_cast<std::size_t>(index);
    return InLanguage(language, ScaleTable[i].Name, kEnglishScaleNames[i]);
}

const std::array<std::string_view, 12> ToneNames = {"C", "C#", "D", "E♭", "E", "F", "F#", "G", "A♭", "A", "B♭", "B"};

const std::array<std::int8_t, 12> KeySignatureTable = {0, -5, 2, -3, 4, -1, 6, 1, -4, 3, -2, 5};

std::string ToneLabel(int k)
{
    const int note = k + kLowestTone;
    return std::string(ToneNames[static_cast<std::size_t>(note % 12)]) + std::to_string(note / 12 - 1);
}

std::optional<int> ToneIndexOfLabel(std::string_view label)
{
    std::string wanted(label);
    if (wanted.size() >= 2 && wanted[1] == 'b')
        wanted.replace(1, 1, "♭");
    for (int k = 0; k < kToneCount; ++k)
        if (ToneLabel(k) == wanted)
            return k;
    return std::nullopt;
}

ScaleNoteSet::ScaleNoteSet()
{
    for (int i = 0; i < 128; ++i) {
        Ascending[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        Descending[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
}

std::uint8_t BuildNoteSet(ScaleNoteSet& set, int scaleIndex, std::uint8_t tonic, std::uint8_t lowTone,
                          std::uint8_t highTone)
{
    set.Count = 0;
    if (scaleIndex < 0 || scaleIndex >= kScaleCount)
        return 0;
    const TMusicalScale& s = ScaleTable[static_cast<std::size_t>(scaleIndex)];
    for (int k = 0; k < 10; ++k) {
        for (int j = 0; j < s.NoteCount; ++j) {
            const auto a =
                static_cast<std::uint8_t>(tonic + 12 * k + s.AscendingIntervals[static_cast<std::size_t>(j)]);
            std::uint8_t d = a;
            bool taken = false;
            if (s.HasDescending) {
                d = static_cast<std::uint8_t>(tonic + 12 * k + s.DescendingIntervals[static_cast<std::size_t>(j)]);
                taken = a >= lowTone && d >= lowTone && a <= highTone && d <= highTone;
            } else {
                taken = a >= lowTone && a <= highTone;
            }
            if (taken && set.Count < 128) {
                set.Ascending[set.Count] = a;
                set.Descending[set.Count] = d;
                ++set.Count;
            }
        }
    }
    return set.Count;
}

std::uint8_t NoteAt(const ScaleNoteSet& set, int position, bool hasDescending)
{
    if (position < 0)
        return 0;
    if (position >= set.Count)
        return 127;
    if (hasDescending && position < set.PreviousPosition)
        return set.Descending[static_cast<std::size_t>(position)];
    return set.Ascending[static_cast<std::size_t>(position)];
}

int ListNotes(const ScaleNoteSet& set, std::int32_t* out)
{
    int n = 0;
    for (int p = 0; p < set.Count && n < 128; ++p) {
        out[n++] = set.Ascending[static_cast<std::size_t>(p)];
        if (set.Ascending[static_cast<std::size_t>(p)] != set.Descending[static_cast<std::size_t>(p)] && n < 128)
            out[n++] = set.Descending[static_cast<std::size_t>(p)];
    }
    return n;
}

KeySignature KeySignatureOf(int scaleIndex, int tonic)
{
    if (scaleIndex < 0 || scaleIndex >= kScaleCount || tonic < 0 || tonic > 11)
        return {};
    switch (ScaleTable[static_cast<std::size_t>(scaleIndex)].Mode) {
    case KeyMode::Major:
        return {KeySignatureTable[static_cast<std::size_t>(tonic)], 0};
    case KeyMode::Minor:
        return {KeySignatureTable[static_cast<std::size_t>((tonic + 3) % 12)], 1};
    case KeyMode::None:
        break;
    }
    return {};
}

} // namespace varimel
