// SPDX-License-Identifier: MIT
// The window's mapping controls as one value: found by their names, set from
// the stored settings, read back as a request (its numbers checked) or as
// settings to store, and locked while a preview plays.
#pragma once

#include "config/Settingsfile.h"
#include "data/Xydata.h"
#include "music/Parameters.h"
#include "music/Request.h"

#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QWidget;
class TSpinEdit;
class TToneBox;

struct TMappingControls {
    QComboBox* ScaleBox = nullptr;
    QComboBox* TonicBox = nullptr;
    TToneBox* LowToneBox = nullptr;
    TToneBox* HighToneBox = nullptr;
    QLineEdit* DxPQNBox = nullptr;
    QLineEdit* DurationBox = nullptr;
    TSpinEdit* TempoBox = nullptr;
    QComboBox* ProgramBox = nullptr;
    TSpinEdit* VelocityBox = nullptr;
    QCheckBox* DisableProgChangeBox = nullptr;
    // Where each tone box's list last opened.
    int SavedLowTone = 0;
    int SavedHighTone = 0;

    // The controls of the window's layout, by their names.
    void Bind(const QWidget* window);
    // The stored request and the stored texts of the two number boxes.
    void Show(const varimel::StoredSettings& stored);
    // What the controls say, to be stored.
    void Store(varimel::StoredSettings& stored) const;
    // The request as the controls say it, with the shape, the further
    // series' instruments and whether they share one range, and whether its
    // numbers are valid for data.
    std::pair<varimel::MappingRequest, varimel::ParameterCheckResult> Request(const varimel::TXYDataList* data,
                                                                              const varimel::MappingShape& shape,
                                                                              const std::vector<int>& morePrograms,
                                                                              bool sharedRange = false) const;
    void Enable(bool enable) const;
    // A tone box whose change put the lowest tone at or above the highest
    // goes back: to where its list opened when changed in the list, else to
    // where it was just before.
    void TakeBack(const QComboBox* sender) const;
};
