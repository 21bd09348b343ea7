// SPDX-License-Identifier: MIT
// The 88-key piano picture with the keys of the current scale marked.
#pragma once

#include <array>
#include <cstdint>

namespace varimel {

// Colours are 0x00BBGGRR.
inline constexpr std::uint32_t kColorWhite = 0xFFFFFF;
inline constexpr std::uint32_t kColorBlack = 0x000000;
inline constexpr std::uint32_t kColorGrey = 0x808080;
inline constexpr std::uint32_t kKeyHighlight = 0xDFB08A; // red 138, green 176, blue 223
inline constexpr std::uint32_t kKeySounding = 0x008CFF;  // red 255, green 140, blue 0

// Where the keyboard draws. A rectangle (left, top, right, bottom) is
// outlined with the pen colour and filled with the brush colour over the
// columns left..right-1 and rows top..bottom-1.
class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void SetPenColor(std::uint32_t color) = 0;
    virtual void SetBrushColor(std::uint32_t color) = 0;
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    // Fills without an outline (the background).
    virtual void FillRect(int left, int top, int right, int bottom) = 0;
};

class TMusicKeyboard {
public:
    // Paints the whole picture grey; keys come with Draw.
    TMusicKeyboard(Canvas& canvas, int width, int height);

    // Paints all 88 keys, those whose note is among the first count entries
    // of notes in highlight, the others in their own colour.
    void Draw(const std::int32_t* notes, int count, std::uint32_t highlight);
    // The same, with the keys among the first soundingCount entries of
    // sounding painted in soundColor over everything else.
    void Draw(const std::int32_t* notes, int count, std::uint32_t highlight, const std::int32_t* sounding,
              int soundingCount, std::uint32_t soundColor);
    void DrawBlank();

    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::array<std::int32_t, 12>& KeyOffset() const { return keyOffset_; }

    struct Geometry {
        int w, bw, bh, margin, half;
    };
    static Geometry GeometryFor(int width, int height);
    // Left edge of note n for the given geometry and offsets.
    static int KeyLeft(const Geometry& g, const std::array<std::int32_t, 12>& offsets, int note);

private:
    Canvas& canvas_;
    int width_;
    int height_;
    std::array<std::int32_t, 12> keyOffset_{};
};

bool IsBlackKey(int note);

} // namespace varimel
