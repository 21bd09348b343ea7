// SPDX-License-Identifier: MIT
// Paints the keyboard picture into a QImage, pixel for pixel as the
// keyboard asks: a rectangle's outline and fill cover exactly the columns
// left..right-1 and rows top..bottom-1.
#pragma once

#include "music/Musickeyboard.h"

#include <QImage>

class ImageCanvas : public varimel::Canvas {
public:
    // A picture of width x height in the window's units, drawn at scale
    // device pixels per unit (the display's pixel ratio), so it is sharp on
    // scaled displays; at scale 1 a unit is a pixel.
    ImageCanvas(int width, int height, double scale = 1.0);

    void SetPenColor(std::uint32_t color) override { m_pen = color; }
    void SetBrushColor(std::uint32_t color) override { m_brush = color; }
    void Rectangle(int left, int top, int right, int bottom) override;
    void FillRect(int left, int top, int right, int bottom) override;

    const QImage& Image() const { return m_image; }
    // 0x00BBGGRR to a Qt colour and back.
    static QRgb ToRgb(std::uint32_t bgr);
    static std::uint32_t ToBgr(QRgb rgb);

private:
    void Fill(int left, int top, int right, int bottom, std::uint32_t color);
    int Device(int units) const;

    QImage m_image;
    double m_scale = 1.0;
    std::uint32_t m_pen = 0;
    std::uint32_t m_brush = 0xFFFFFF;
};
