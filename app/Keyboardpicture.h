// SPDX-License-Identifier: MIT
// The keyboard picture of the window: the keys the scale, tonic and range
// allow, the keys sounding while a preview plays, drawn at the display's
// pixel ratio into its label, and what it shows told to a screen reader.
#pragma once

#include "music/Musickeyboard.h"
#include "music/Scale.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class ImageCanvas;
class QLabel;

class TKeyboardPicture {
public:
    // Draws into label, at its size, blank at first.
    explicit TKeyboardPicture(QLabel* label);
    ~TKeyboardPicture();
    // The keys a scale and tonic allow between two tone-list positions, none
    // sounding.
    void Allow(int scale, int tonic, int lowTone, int highTone);
    // The allowed keys with these keys sounding.
    void Sound(const std::vector<std::int32_t>& keys);
    // The allowed keys told again, in the language now in use.
    void Describe();
    const QImage& Picture() const;

private:
    void Show();

    QLabel* m_label;
    varimel::ScaleNoteSet m_set;
    std::array<std::int32_t, 128> m_notes{};
    std::unique_ptr<ImageCanvas> m_canvas;
    std::unique_ptr<varimel::TMusicKeyboard> m_keyboard;
};
