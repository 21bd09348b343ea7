// SPDX-License-Identifier: MIT
// The plot window beside the main window: the plot, a status line telling
// the chosen part, and the commands to show everything and to save the
// picture. It keeps no data of its own; the main window hands it the piece.
#pragma once

#include "Plotview.h"
#include "config/Settingsfile.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

using PlotPlace = varimel::StoredPlace;

class TPlotWindow : public QWidget {
    Q_OBJECT
public:
    TPlotWindow(QWidget* owner, const std::optional<PlotPlace>& place);

    // The piece and the name of its file (empty: nothing loaded).
    void SetPiece(const PlotPiece& piece, const QString& fileName, bool sameData);
    TPlotView* View() const { return m_view; }
    const std::optional<varimel::XSelection>& Selection() const { return m_view->Selection(); }
    PlotPlace Place() const;
    // The picture as PNG or SVG, by the dialog's filter or the typed name.
    void SaveImageClick();
    QLabel* StatusLine() const { return m_status; }

    std::function<void()> onPlay;        // F5
    std::function<bool()> onStop;        // Esc: true when it stopped a preview
    std::function<void()> onPartChanged; // a part was chosen or let go
    // Takes the part typed in the two boxes (both empty: none).
    void ApplyTypedPart();
    QString imageFolder;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ShowStatus();
    // The status line: the cursor's point, then the rest.
    void ShowCursor();
    void ShowTitle();
    // The boxes' words in the language in use, and the part in the boxes.
    void Retranslate();
    void ShowPart();

    TPlotView* m_view = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_allButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QLabel* m_partLabel = nullptr;
    QLineEdit* m_fromBox = nullptr; // the part typed, read as --x-from and --x-to are
    QLineEdit* m_toBox = nullptr;
    QLabel* m_toLabel = nullptr;
    QString m_statusText;        // the status line without the cursor's point
    bool m_statusIsHint = false; // ... which is only the hint on dragging
    PlotPiece m_piece;
    QString m_fileName;
    bool m_pending = false; // a piece came while hidden: it is worked out when shown
    bool m_pendingSame = true;
};
