// SPDX-License-Identifier: MIT
#include "Keyboardpicture.h"

#include "Imagecanvas.h"
#include "Qtstrings.h"
#include "music/Request.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPixmap>
#include <QStringList>

#include <algorithm>

using namespace varimel;

TKeyboardPicture::TKeyboardPicture(QLabel* label) : m_label(label)
{
    // Drawn at the display's pixel ratio, so the keys are sharp when the
    // desktop scales the window.
    m_canvas = std::make_unique<ImageCanvas>(label->width(), label->height(), label->devicePixelRatioF());
    m_keyboard = std::make_unique<TMusicKeyboard>(*m_canvas, label->width(), label->height());
    m_keyboard->DrawBlank();
    Show();
}

TKeyboardPicture::~TKeyboardPicture() = default;

void TKeyboardPicture::Allow(int scale, int tonic, int lowTone, int highTone)
{
    BuildNoteSet(m_set, scale, static_cast<std::uint8_t>(tonic), MidiNoteOfTone(lowTone), MidiNoteOfTone(highTone));
    Sound({});
    Describe();
}

void TKeyboardPicture::Sound(const std::vector<std::int32_t>& keys)
{
    const int n = ListNotes(m_set, m_notes.data());
    if (keys.empty())
        m_keyboard->Draw(m_notes.data(), n, kKeyHighlight);
    else
        m_keyboard->Draw(m_notes.data(), n, kKeyHighlight, keys.data(), static_cast<int>(keys.size()), kKeySounding);
    Show();
}

void TKeyboardPicture::Describe()
{
    // What the picture shows, for a screen reader: the allowed keys in order.
    const int n = ListNotes(m_set, m_notes.data());
    std::vector<int> notes(m_notes.begin(), m_notes.begin() + n);
    std::sort(notes.begin(), notes.end());
    notes.erase(std::unique(notes.begin(), notes.end()), notes.end());
    QStringList names;
    for (const int note : notes)
        if (note >= kLowestTone && note <= kHighestTone)
            names << FromCore(ToneLabel(ToneOfMidiNote(note)));
    m_label->setAccessibleDescription(QCoreApplication::translate("TMainForm", "使える音: ") +
                                      names.join(QLatin1Char(' ')));
}

const QImage& TKeyboardPicture::Picture() const { return m_canvas->Image(); }

void TKeyboardPicture::Show() { m_label->setPixmap(QPixmap::fromImage(m_canvas->Image())); }
