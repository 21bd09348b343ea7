// SPDX-License-Identifier: MIT
// The "MIDI出力先" dialog: where previews sound — the built-in synthesizer,
// Varimel's own MIDI port on the ALSA sequencer or JACK for other programs
// to connect to, or that port connected to one found now — with a button
// that looks for ports again.
#pragma once

#include "Portname.h"

#include <QDialog>
#include <QString>

class QLabel;
class QListWidget;

// A choice as the window names it: "内蔵シンセサイザー", "JACK: synth:midi_in".
QString OutputName(const varimel::PortChoice& choice);

// Whether the port a setting's text names is there now (the built-in
// synthesizer always is).
bool OutputThere(const QString& output);

class TOutputDialog : public QDialog {
    Q_OBJECT
public:
    // current: the setting's text ([Playback] Output).
    TOutputDialog(QWidget* parent, const QString& current);
    // The setting's text of the choice made.
    QString Chosen() const;
    // Looks for the ports again, keeping the choice where it still is.
    void Refresh();

private:
    QListWidget* m_list = nullptr;
    QLabel* m_found = nullptr;
    QString m_current;
};
