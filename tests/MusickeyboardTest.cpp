// SPDX-License-Identifier: MIT
#include "music/Musickeyboard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace varimel;

namespace {

// Records the rectangles and colours the keyboard asks for.
struct Recorder : Canvas {
    struct Rect {
        int l, t, r, b;
        std::uint32_t pen, brush;
        bool outlined;
    };
    std::uint32_t pen = 0, brush = 0;
    std::vector<Rect> rects;
    void SetPenColor(std::uint32_t c) override { pen = c; }
    void SetBrushColor(std::uint32_t c) override { brush = c; }
    void Rectangle(int l, int t, int r, int b) override { rects.push_back({l, t, r, b, pen, brush, true}); }
    void FillRect(int l, int t, int r, int b) override { rects.push_back({l, t, r, b, pen, brush, false}); }
};

// Rectangle drawn for a note in the last Draw: notes 21..108, white keys
// first, then black keys.
const Recorder::Rect& RectOf(const Recorder& rec, int note)
{
    std::vector<int> order;
    for (int pass = 0; pass < 2; ++pass)
        for (int n = 21; n <= 108; ++n)
            if (IsBlackKey(n) == (pass == 1))
                order.push_back(n);
    const std::size_t first = rec.rects.size() - 88;
    for (std::size_t i = 0; i < order.size(); ++i)
        if (order[i] == note)
            return rec.rects[first + i];
    return rec.rects.front();
}

} // namespace

TEST(Musickeyboard, WindowGeometry)
{
    Recorder rec;
    TMusicKeyboard kb(rec, 579, 65);
    ASSERT_EQ(rec.rects.size(), 1u);
    EXPECT_EQ(rec.rects[0].brush, kColorGrey);
    EXPECT_FALSE(rec.rects[0].outlined);
    kb.DrawBlank();
    ASSERT_EQ(rec.rects.size(), 89u);
    struct Case {
        int note, l, t, r, b;
        std::uint32_t brush;
    };
    for (const Case& c : {Case{21, 3, 0, 15, 65, kColorWhite}, Case{22, 11, 0, 18, 38, kColorBlack},
                          Case{60, 256, 0, 268, 65, kColorWhite}, Case{108, 564, 0, 576, 65, kColorWhite}}) {
        const auto& r = RectOf(rec, c.note);
        EXPECT_EQ(r.l, c.l) << c.note;
        EXPECT_EQ(r.t, c.t) << c.note;
        EXPECT_EQ(r.r, c.r) << c.note;
        EXPECT_EQ(r.b, c.b) << c.note;
        EXPECT_EQ(r.brush, c.brush) << c.note;
        EXPECT_EQ(r.pen, kColorBlack) << c.note;
    }
}

TEST(Musickeyboard, Highlighting)
{
    struct Case {
        std::vector<std::int32_t> notes;
        std::vector<int> lit;
    };
    // clang-format off
    const Case cases[] = {
        {{}, {}},
        {{60, 62, 64}, {60, 62, 64}},
        {{20, 109, -1}, {}},
        {{61, 61}, {61}},
        {{21, 108, 22}, {21, 22, 108}},
    };
    // clang-format on
    for (const Case& c : cases) {
        Recorder rec;
        TMusicKeyboard kb(rec, 579, 65);
        kb.Draw(c.notes.data(), static_cast<int>(c.notes.size()), kKeyHighlight);
        for (int n = 21; n <= 108; ++n) {
            const bool lit = std::find(c.lit.begin(), c.lit.end(), n) != c.lit.end();
            const std::uint32_t natural = IsBlackKey(n) ? kColorBlack : kColorWhite;
            EXPECT_EQ(RectOf(rec, n).brush, lit ? kKeyHighlight : natural) << "note " << n;
        }
    }
}

TEST(Musickeyboard, OtherSizes)
{
    struct Case {
        int width, height, w, bw, bh, margin;
    };
    for (const Case& c : {Case{579, 65, 11, 6, 38, 3}, Case{520, 40, 10, 5, 23, 0}, Case{52, 10, 1, 0, 5, 0},
                          Case{260, 65, 5, 2, 38, 0}, Case{30, 5, 0, 0, 2, 15}}) {
        const auto g = TMusicKeyboard::GeometryFor(c.width, c.height);
        EXPECT_EQ(g.w, c.w) << c.width;
        EXPECT_EQ(g.bw, c.bw) << c.width;
        EXPECT_EQ(g.bh, c.bh) << c.width;
        EXPECT_EQ(g.margin, c.margin) << c.width;
    }
    Recorder rec;
    TMusicKeyboard kb(rec, 52, 10);
    kb.DrawBlank();
    const auto& b = RectOf(rec, 22); // A#0 on a one-pixel keyboard
    EXPECT_EQ(b.r - b.l, 1);
    EXPECT_EQ(b.b, 5);
}
