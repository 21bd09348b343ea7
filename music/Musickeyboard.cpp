// SPDX-License-Identifier: MIT
#include "Musickeyboard.h"

#include "Scale.h"

namespace varimel {

namespace {
constexpr int kWhiteKeys = 52;
constexpr int kFirstKey = kLowestTone;
constexpr int kLastKey = kHighestTone;

bool Listed(const std::int32_t* notes, int count, int note)
{
    for (int i = 0; i < count; ++i)
        if (notes[i] == note)
            return true;
    return false;
}
} // namespace

bool IsBlackKey(int note)
{
    switch (note % 12) {
    case 1:
    case 3:
    case 6:
    case 8:
    case 10:
        return true;
    default:
        return false;
    }
}

TMusicKeyboard::TMusicKeyboard(Canvas& canvas, int width, int height) : canvas_(canvas), width_(width), height_(height)
{
    canvas_.SetBrushColor(kColorGrey);
    canvas_.FillRect(0, 0, width_, height_);
}

TMusicKeyboard::Geometry TMusicKeyboard::GeometryFor(int width, int height)
{
    Geometry g{};
    g.w = width / kWhiteKeys;
    // The largest whole number below three fifths: 5 gives 2, 11 gives 6.
    g.bw = g.w >= 1 ? (3 * g.w - 1) / 5 : 0;
    g.bh = height >= 1 ? (3 * height - 1) / 5 : 0;
    g.margin = (width - kWhiteKeys * g.w) / 2;
    g.half = g.bw / 2;
    return g;
}

int TMusicKeyboard::KeyLeft(const Geometry& g, const std::array<std::int32_t, 12>& offsets, int note)
{
    return g.margin + 2 * g.w + 7 * g.w * (note / 12 - 2) + offsets[static_cast<std::size_t>(note % 12)];
}

void TMusicKeyboard::Draw(const std::int32_t* notes, int count, std::uint32_t highlight)
{
    Draw(notes, count, highlight, nullptr, 0, highlight);
}

void TMusicKeyboard::Draw(const std::int32_t* notes, int count, std::uint32_t highlight, const std::int32_t* sounding,
                          int soundingCount, std::uint32_t soundColor)
{
    const Geometry g = GeometryFor(width_, height_);
    const int w = g.w;
    const int h = g.half;
    keyOffset_ = {0, w - h, w, 2 * w - h, 2 * w, 3 * w, 4 * w - h, 4 * w, 5 * w - h, 5 * w, 6 * w - h, 6 * w};

    // White keys first so that the black ones lie on top.
    for (int pass = 0; pass < 2; ++pass) {
        const bool black = pass == 1;
        for (int note = kFirstKey; note <= kLastKey; ++note) {
            if (IsBlackKey(note) != black)
                continue;
            const std::uint32_t natural = black ? kColorBlack : kColorWhite;
            const int x = KeyLeft(g, keyOffset_, note);
            canvas_.SetPenColor(kColorBlack);
            canvas_.SetBrushColor(soundingCount > 0 && Listed(sounding, soundingCount, note) ? soundColor
                                  : Listed(notes, count, note)                               ? highlight
                                                                                             : natural);
            if (black)
                canvas_.Rectangle(x, 0, x + g.bw + 1, g.bh);
            else
                canvas_.Rectangle(x, 0, x + w + 1, height_);
        }
    }
}

void TMusicKeyboard::DrawBlank()
{
    const std::int32_t none[] = {-1};
    Draw(none, 1, kColorWhite);
}

} // namespace varimel
