// SPDX-License-Identifier: MIT
#include "Outputdialog.h"

#include "Controls.h"
#include "Portlist.h"
#include "Qtstrings.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace varimel;

QString OutputName(const PortChoice& choice)
{
    const QString system = choice.System == PortSystem::Jack ? QStringLiteral("JACK") : QStringLiteral("ALSA");
    if (choice.System == PortSystem::BuiltIn)
        return TOutputDialog::tr("内蔵シンセサイザー");
    if (choice.Target.empty())
        return TOutputDialog::tr("Varimel のポート (%1、他のプログラムから接続)").arg(system);
    return system + QStringLiteral(": ") + FromCore(choice.Target);
}

bool OutputThere(const QString& output)
{
    return output.isEmpty() || ResolvePort(ToCore(output), SurveyPorts()).has_value();
}

TOutputDialog::TOutputDialog(QWidget* parent, const QString& current) : QDialog(parent), m_current(current)
{
    setObjectName(QStringLiteral("OutputDialog"));
    setWindowTitle(tr("MIDI出力先"));
    auto* label = new QLabel(tr("試聴の送り先(&O):"), this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("OutputList"));
    m_list->setAccessibleName(tr("試聴の送り先"));
    m_list->setMinimumWidth(420);
    label->setBuddy(m_list);
    m_found = new QLabel(this);
    m_found->setObjectName(QStringLiteral("OutputFound"));
    m_found->setWordWrap(true);
    QDialogButtonBox* buttons = DialogButtons(this, tr("更新(&R)"), [this] { Refresh(); });
    for (QAbstractButton* b : buttons->buttons())
        if (buttons->buttonRole(b) == QDialogButtonBox::ResetRole)
            b->setObjectName(QStringLiteral("RefreshButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_found);
    layout->addWidget(buttons);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    Refresh();
}

void TOutputDialog::Refresh()
{
    if (m_list->currentItem())
        m_current = m_list->currentItem()->data(Qt::UserRole).toString();
    m_list->clear();
    const PortSurvey survey = SurveyPorts();
    std::vector<PortChoice> choices = {{}};
    if (survey.Alsa)
        choices.push_back({PortSystem::Alsa, {}});
    if (survey.Jack)
        choices.push_back({PortSystem::Jack, {}});
    for (const PortInfo& p : survey.Ports)
        choices.push_back(p.Choice());
    const PortChoice current = PortChoiceOf(ToCore(m_current));
    const bool there = std::find(choices.begin(), choices.end(), current) != choices.end();
    for (const PortChoice& c : choices) {
        auto* item = new QListWidgetItem(OutputName(c), m_list);
        item->setData(Qt::UserRole, FromCore(PortChoiceText(c)));
        if (c == current)
            m_list->setCurrentItem(item);
    }
    // The port chosen before that is not there now stays, marked.
    if (!there) {
        auto* item = new QListWidgetItem(tr("%1 (見つかりません)").arg(OutputName(current)), m_list);
        item->setData(Qt::UserRole, FromCore(PortChoiceText(current)));
        m_list->setCurrentItem(item);
    }
    m_found->setText(!survey.Alsa && !survey.Jack ? tr("ALSA シーケンサーも JACK サーバーも見つかりません。")
                                                  : tr("見つかったポート: %1").arg(survey.Ports.size()));
}

QString TOutputDialog::Chosen() const
{
    return m_list->currentItem() ? m_list->currentItem()->data(Qt::UserRole).toString() : QString();
}
