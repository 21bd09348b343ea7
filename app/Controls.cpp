// SPDX-License-Identifier: MIT
#include "Controls.h"

#include "data/Header.h"
#include "data/Importer.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProxyStyle>
#include <QWheelEvent>

#include <algorithm>
#include <charconv>
#include <string>

namespace {

constexpr int kHintDelayMs = 200;

// The application-wide hint timing: shown 200 ms after the pointer rests.
class HintStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return kHintDelayMs;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// A drop-down list as a screen reader meets it: named by its label, its
// current entry as its value. (Qt's own interface on Linux gives the current
// entry as the name too, so a list would be announced as "C4".)
class TAccessibleComboBox : public QAccessibleWidget {
public:
    explicit TAccessibleComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override
    {
        const auto* box = static_cast<const QComboBox*>(widget());
        switch (t) {
        case QAccessible::Name:
            return box->accessibleName();
        case QAccessible::Value:
            return box->currentText();
        default:
            return QAccessibleWidget::text(t);
        }
    }
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction()} << QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action == showMenuAction())
            static_cast<QComboBox*>(widget())->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* ComboBoxFactory(const QString& className, QObject* object)
{
    auto* box = qobject_cast<QComboBox*>(object);
    if (!box || !box->window() || box->window()->objectName() != QLatin1String("MainForm") ||
        (className != QLatin1String("QComboBox") && className != QLatin1String("TToneBox")))
        return nullptr;
    return new TAccessibleComboBox(box);
}

} // namespace

void InstallAccessibleComboBoxes()
{
    // An accessible interface, once made, is kept for the control's
    // lifetime: the factory must be in place before any list exists.
    static const bool installed = [] {
        QAccessible::installFactory(ComboBoxFactory);
        return true;
    }();
    (void)installed;
}

void InstallHintStyle()
{
    if (!dynamic_cast<HintStyle*>(QApplication::style()))
        QApplication::setStyle(new HintStyle);
}

// ---------------------------------------------------------------- TToneBox

void TToneBox::showPopup()
{
    emit dropDown();
    m_fromList = true;
    QComboBox::showPopup();
}

void TToneBox::keyPressEvent(QKeyEvent* event)
{
    m_fromList = false;
    m_before = currentIndex();
    QComboBox::keyPressEvent(event);
}

void TToneBox::wheelEvent(QWheelEvent* event)
{
    m_fromList = false;
    m_before = currentIndex();
    QComboBox::wheelEvent(event);
}

// ---------------------------------------------------------------- TSpinEdit

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setKeyboardTracking(false);
}

QValidator::State TSpinEdit::validate(QString& text, int&) const
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok && v >= minimum() && v <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

int TSpinEdit::Clamp(long long v) const
{
    return static_cast<int>(v < minimum() ? minimum() : (v > maximum() ? maximum() : v));
}

int TSpinEdit::valueFromText(const QString& text) const
{
    const std::string s = text.trimmed().toStdString();
    long long v = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ptr != s.data() + s.size())
        return minimum();
    if (ec == std::errc::result_out_of_range)
        return s.front() == '-' ? minimum() : maximum();
    return Clamp(v);
}

void TSpinEdit::fixup(QString& text) const { text = QString::number(valueFromText(text)); }

TColumnBox::TColumnBox(QWidget* parent) : QSpinBox(parent) { setRange(1, varimel::kMaxImportColumn); }

void TColumnBox::SetHeader(const std::vector<std::string>& names)
{
    if (names == m_names)
        return;
    m_names = names;
    int widest = 0;
    for (int c = 1; c <= static_cast<int>(m_names.size()); ++c)
        widest = std::max(widest, fontMetrics().horizontalAdvance(textFromValue(c)));
    // Room for the arrows and the frame beside the text.
    setMinimumWidth(widest > 0 ? widest + 48 : 0);
    lineEdit()->setText(textFromValue(value()));
}

QString TColumnBox::textFromValue(int value) const
{
    return QString::fromStdString(varimel::ColumnLabel(value, m_names));
}

int TColumnBox::valueFromText(const QString& text) const
{
    const std::string typed = text.trimmed().toStdString();
    // "5: close" is column 5; a name alone is its column.
    const std::size_t colon = typed.find(':');
    const int column = varimel::ColumnNamed(colon == std::string::npos ? typed : typed.substr(0, colon), m_names);
    return column > 0 ? column : value();
}

QValidator::State TColumnBox::validate(QString& text, int&) const
{
    const std::string typed = text.trimmed().toStdString();
    if (typed.empty())
        return QValidator::Intermediate;
    const std::size_t colon = typed.find(':');
    const int column = varimel::ColumnNamed(colon == std::string::npos ? typed : typed.substr(0, colon), m_names);
    return column >= minimum() && column <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

QDialogButtonBox* DialogButtons(QDialog* dialog, const QString& resetCaption, std::function<void()> reset)
{
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QCoreApplication::translate("Controls", "キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    QPushButton* defaults = buttons->addButton(resetCaption, QDialogButtonBox::ResetRole);
    defaults->setObjectName(QStringLiteral("DefaultsButton"));
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    QObject::connect(defaults, &QPushButton::clicked, dialog, std::move(reset));
    return buttons;
}
