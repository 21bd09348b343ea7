// SPDX-License-Identifier: MIT
// The "音の目印" dialog: ticks on X, reference tones, a crossing value, the
// end chime and gap tones, stereo, with a line that says what will sound
// for the loaded data.
#pragma once

#include "data/Csvload.h"
#include "music/Piece.h"
#include "music/Request.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

class TCueDialog : public QDialog {
    Q_OBJECT
public:
    // load (may be null) and request (the main window's, with its cues, X
    // as dates and language) for the line of what will sound.
    TCueDialog(QWidget* parent, const varimel::CsvLoad* load, const varimel::MappingRequest& request);

    // The cues as the fields say them; none, with the refusal naming the
    // field, when one does not read.
    std::optional<varimel::CueRequest> Cues(QString* problem = nullptr) const;
    void SetCues(const varimel::CueRequest& cues);
    // "目盛り 12個 (月ごと), 基準音 C5 (Y=0), 交差 2回", or why it cannot be.
    QString SummaryText() const;

protected:
    void accept() override;

private:
    void Refresh();
    // The loaded data's piece with these cues (m_load must be set), and a
    // refusal in the window's language.
    varimel::TPiece PieceWith(const varimel::CueRequest& cues) const;
    QString RefusalWords(const varimel::CueRefusal& refusal) const;

    const varimel::CsvLoad* m_load;
    varimel::MappingRequest m_request;
    QComboBox* m_tick = nullptr; // none, a step of X, day, week, month, year
    QLineEdit* m_step = nullptr;
    QSpinBox* m_major = nullptr;
    QLineEdit* m_ref = nullptr;
    QComboBox* m_refMode = nullptr;
    QLineEdit* m_mark = nullptr;
    QCheckBox* m_ends = nullptr;
    QCheckBox* m_legend = nullptr;
    QCheckBox* m_gaps = nullptr;
    QLineEdit* m_gapFactor = nullptr;
    QComboBox* m_pan = nullptr;
    QSpinBox* m_panWidth = nullptr;
    QLabel* m_summary = nullptr;
};
