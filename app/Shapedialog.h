// SPDX-License-Identifier: MIT
// The "マッピング詳細" dialog: the shape of the mapping (direction, scale of
// Y, outliers, a fixed range, velocity and length from other columns) with a
// one-line preview of what the loaded data gives.
#pragma once

#include "data/Xydata.h"
#include "music/Mapping.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class TColumnBox;

class TShapeDialog : public QDialog {
    Q_OBJECT
public:
    // data (may be null) and request (the main window's, with its shape) for
    // the preview; header: the names of the file's columns (may be none).
    TShapeDialog(QWidget* parent, const varimel::TXYDataList* data, const varimel::MappingRequest& request,
                 const std::vector<std::string>& header = {});

    // The shape as the controls say it; empty with a message naming the
    // field when one is out of its range.
    std::optional<varimel::MappingShape> Shape(QString* problem = nullptr) const;
    void SetShape(const varimel::MappingShape& shape);
    QString PreviewText() const;

protected:
    void accept() override;

private:
    void Refresh();

    const varimel::TXYDataList* m_data;
    varimel::MappingRequest m_request;
    QComboBox* m_direction = nullptr;
    QComboBox* m_scale = nullptr;
    QComboBox* m_clip = nullptr;
    QComboBox* m_range = nullptr;
    QLineEdit* m_rangeLow = nullptr;
    QLineEdit* m_rangeHigh = nullptr;
    QComboBox* m_velocity = nullptr;
    TColumnBox* m_velocityColumn = nullptr;
    QSpinBox* m_velocityLow = nullptr;
    QSpinBox* m_velocityHigh = nullptr;
    QComboBox* m_duration = nullptr;
    TColumnBox* m_durationColumn = nullptr;
    QLineEdit* m_durationLow = nullptr;
    QLineEdit* m_durationHigh = nullptr;
    QLineEdit* m_restBelow = nullptr; // thresholds of rests, one for all or one per series
    QLabel* m_preview = nullptr;
};
