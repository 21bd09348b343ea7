// SPDX-License-Identifier: MIT
#include "Datalabels.h"

#include "Captions.h"
#include "Qtstrings.h"
#include "Translations.h"
#include "sys/Paths.h"

#include <QCoreApplication>
#include <QLabel>

using namespace varimel;

namespace {

// The words are the window's.
QString WindowWords(const char* text) { return QCoreApplication::translate("TMainForm", text); }

} // namespace

void TDataLabels::Bind(const QWidget* window)
{
    const auto bind = [window](QLabel*& member, const char* name) {
        member = window->findChild<QLabel*>(QString::fromLatin1(name));
    };
    bind(NumRecordLabel, "NumRecordLabel");
    bind(XIntervalLabel, "XIntervalLabel");
    bind(CsvFileNameLabel, "CsvFileNameLabel");
    bind(XmaxLabel, "XmaxLabel");
    bind(XminLabel, "XminLabel");
    bind(YmaxLabel, "YmaxLabel");
    bind(YminLabel, "YminLabel");
}

void TDataLabels::ShowSummary(const CsvLoad* load, const std::string& path, bool xDates) const
{
    if (!load) {
        SetLabel(CsvFileNameLabel, QCoreApplication::translate("TMainForm", "データファイル: "));
        SetLabel(NumRecordLabel, QCoreApplication::translate("TMainForm", "レコード数 = 0"));
        SetLabel(XIntervalLabel, QCoreApplication::translate("TMainForm", "Xの平均間隔 = 0"));
        return;
    }
    // The texts as loaded are Japanese; another language has them made again.
    const CsvSummary s = CurrentLanguage() == Language::Japanese
                             ? load->Summary
                             : Summarize(load->Data, FileNameOf(path), xDates, CurrentLanguage());
    SetLabel(CsvFileNameLabel, QString::fromLocal8Bit(s.FileName.data(), static_cast<qsizetype>(s.FileName.size())));
    SetLabel(NumRecordLabel, FromCore(s.NumRecord));
    SetLabel(XIntervalLabel, FromCore(s.XInterval));
}

void TDataLabels::ShowRanges(const CsvSummary& s) const
{
    SetLabel(XmaxLabel, FromCore(s.Xmax));
    SetLabel(XminLabel, FromCore(s.Xmin));
    SetLabel(YmaxLabel, FromCore(s.Ymax));
    SetLabel(YminLabel, FromCore(s.Ymin));
}

void TDataLabels::NameValues() const
{
    const struct {
        QLabel* label;
        const char* what;
    } values[] = {{XmaxLabel, QT_TRANSLATE_NOOP("TMainForm", "Xの最大値")},
                  {XminLabel, QT_TRANSLATE_NOOP("TMainForm", "Xの最小値")},
                  {YmaxLabel, QT_TRANSLATE_NOOP("TMainForm", "Yの最大値")},
                  {YminLabel, QT_TRANSLATE_NOOP("TMainForm", "Yの最小値")}};
    for (const auto& v : values)
        v.label->setAccessibleName(WindowWords(v.what) + QLatin1Char(' ') + v.label->text().trimmed());
}
