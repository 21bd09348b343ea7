// SPDX-License-Identifier: MIT
#include "Mappingcontrols.h"

#include "Controls.h"
#include "Qtstrings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <initializer_list>
#include <type_traits>

using namespace varimel;

void TMappingControls::Bind(const QWidget* window)
{
    const auto bind = [window](auto*& member, const char* name) {
        member = window->findChild<std::remove_reference_t<decltype(member)>>(QString::fromLatin1(name));
    };
    bind(ScaleBox, "ScaleBox");
    bind(TonicBox, "TonicBox");
    bind(LowToneBox, "LowToneBox");
    bind(HighToneBox, "HighToneBox");
    bind(DxPQNBox, "DxPQNBox");
    bind(DurationBox, "DurationBox");
    bind(TempoBox, "TempoBox");
    bind(ProgramBox, "ProgramBox");
    bind(VelocityBox, "VelocityBox");
    bind(DisableProgChangeBox, "DisableProgChangeBox");
}

void TMappingControls::Show(const StoredSettings& stored)
{
    const MappingRequest r = StoredRequest(stored);
    ScaleBox->setCurrentIndex(r.Scale);
    TonicBox->setCurrentIndex(r.Tonic);
    LowToneBox->setCurrentIndex(r.LowTone);
    HighToneBox->setCurrentIndex(r.HighTone);
    TempoBox->setValue(r.Tempo);
    VelocityBox->setValue(r.Velocity);
    ProgramBox->setCurrentIndex(r.Program);
    DxPQNBox->setText(FromCore(stored.DxPQN));
    DurationBox->setText(FromCore(stored.Duration));
    DisableProgChangeBox->setChecked(!r.WriteProgramChange);
}

void TMappingControls::Store(StoredSettings& c) const
{
    c.Scale = ScaleBox->currentIndex();
    c.Tonic = TonicBox->currentIndex();
    c.LowTone = LowToneBox->currentIndex();
    c.HighTone = HighToneBox->currentIndex();
    c.Tempo = TempoBox->value();
    c.Velocity = VelocityBox->value();
    c.Program = ProgramBox->currentIndex();
    c.DxPQN = ToCore(DxPQNBox->text());
    c.Duration = ToCore(DurationBox->text());
    c.DisableProgChange = DisableProgChangeBox->isChecked();
}

std::pair<MappingRequest, ParameterCheckResult> TMappingControls::Request(const TXYDataList* data,
                                                                          const MappingShape& shape,
                                                                          const std::vector<int>& morePrograms,
                                                                          bool sharedRange) const
{
    MappingRequest request;
    request.Scale = ScaleBox->currentIndex();
    request.Tonic = TonicBox->currentIndex();
    request.LowTone = LowToneBox->currentIndex();
    request.HighTone = HighToneBox->currentIndex();
    request.Tempo = TempoBox->value();
    request.Velocity = VelocityBox->value();
    request.Program = ProgramBox->currentIndex();
    request.WriteProgramChange = !DisableProgChangeBox->isChecked();
    request.Shape = shape;
    request.MorePrograms = morePrograms;
    request.SharedRange = sharedRange;
    const ParameterCheckResult r = CheckRequest(data, request, ToCore(DxPQNBox->text()), ToCore(DurationBox->text()));
    return {request, r};
}

void TMappingControls::Enable(bool enable) const
{
    for (QWidget* w :
         std::initializer_list<QWidget*>{ScaleBox, TonicBox, LowToneBox, HighToneBox, DxPQNBox, DurationBox, TempoBox,
                                         ProgramBox, VelocityBox, DisableProgChangeBox})
        w->setEnabled(enable);
}

void TMappingControls::TakeBack(const QComboBox* sender) const
{
    if (sender == LowToneBox)
        LowToneBox->setCurrentIndex(LowToneBox->ChangedFromList() ? SavedLowTone : LowToneBox->IndexBeforeChange());
    else if (sender == HighToneBox)
        HighToneBox->setCurrentIndex(HighToneBox->ChangedFromList() ? SavedHighTone : HighToneBox->IndexBeforeChange());
}
