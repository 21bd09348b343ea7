// SPDX-License-Identifier: MIT
// The window's own kinds of control: the tone lists, the whole-number boxes,
// drop-down lists as a screen reader should meet them, and the hint timing.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QComboBox>
#include <QSpinBox>
#include <QString>

// A drop-down list that reports when its list is about to open, and
// remembers how its last change was made.
class TToneBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;

    // The last change came from the opened list (not from keys or the wheel
    // on the closed box).
    bool ChangedFromList() const { return m_fromList; }
    // Position held just before the last change made on the closed box.
    int IndexBeforeChange() const { return m_before; }

signals:
    void dropDown();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool m_fromList = false;
    int m_before = 0;
};

// An integer box that takes any text while it is typed and settles it when
// it loses the focus: text that is not a whole number reads as the minimum,
// values outside the range go to the nearest bound.
class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* parent = nullptr);
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
    int valueFromText(const QString& text) const override;
    int Clamp(long long v) const;
};

// A box for a column's number that shows the column's name from the file's
// header beside it ("5: close") and takes the number or the name typed.
class TColumnBox : public QSpinBox {
    Q_OBJECT
public:
    explicit TColumnBox(QWidget* parent = nullptr);
    // The header's names (none: numbers alone); the box widens to the
    // longest.
    void SetHeader(const std::vector<std::string>& names);
    const std::vector<std::string>& Header() const { return m_names; }

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString& text) const override;
    QValidator::State validate(QString& text, int& pos) const override;

private:
    std::vector<std::string> m_names;
};

// Drop-down lists of the main window are named by their label for a screen
// reader, with their entry as the value. Once per process, before any list
// exists.
void InstallAccessibleComboBoxes();

// Hints shown 200 ms after the pointer rests, application-wide; before the
// controls are polished.
void InstallHintStyle();

class QDialog;
class QDialogButtonBox;
// OK (the default), キャンセル and a button that puts the dialog's defaults
// back (resetCaption, running reset), as the option dialogs have them.
QDialogButtonBox* DialogButtons(QDialog* dialog, const QString& resetCaption, std::function<void()> reset);
