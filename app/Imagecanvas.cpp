// SPDX-License-Identifier: MIT
#include "Imagecanvas.h"

#include <algorithm>
#include <cmath>

ImageCanvas::ImageCanvas(int width, int height, double scale)
    : m_image(static_cast<int>(std::lround(width * scale)), static_cast<int>(std::lround(height * scale)),
              QImage::Format_RGB32),
      m_scale(scale)
{
    m_image.setDevicePixelRatio(scale);
    m_image.fill(Qt::white);
}

int ImageCanvas::Device(int units) const
{
    return m_scale == 1.0 ? units : static_cast<int>(std::lround(units * m_scale));
}

QRgb ImageCanvas::ToRgb(std::uint32_t bgr) { return qRgb(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

std::uint32_t ImageCanvas::ToBgr(QRgb rgb)
{
    return static_cast<std::uint32_t>(qRed(rgb)) | static_cast<std::uint32_t>(qGreen(rgb)) << 8 |
           static_cast<std::uint32_t>(qBlue(rgb)) << 16;
}

void ImageCanvas::Fill(int left, int top, int right, int bottom, std::uint32_t color)
{
    left = Device(left);
    top = Device(top);
    right = Device(right);
    bottom = Device(bottom);
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, m_image.width());
    bottom = std::min(bottom, m_image.height());
    const QRgb rgb = ToRgb(color);
    for (int y = top; y < bottom; ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        std::fill(line + left, line + std::max(left, right), rgb);
    }
}

void ImageCanvas::Rectangle(int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top)
        return;
    Fill(left, top, right, bottom, m_pen);
    Fill(left + 1, top + 1, right - 1, bottom - 1, m_brush);
}

void ImageCanvas::FillRect(int left, int top, int right, int bottom) { Fill(left, top, right, bottom, m_brush); }
