// SPDX-License-Identifier: MIT
// Loading a million-row CSV file in the real window (offscreen): the reader,
// the summary labels and the X increment box together.
#include "BenchData.h"
#include "Main.h"
#include "Messagebox.h"

#include <QApplication>
#include <QDialog>

#include <filesystem>
#include <fstream>

#include <benchmark/benchmark.h>

namespace {

void BM_WindowLoadsCsv(benchmark::State& state)
{
    static const std::string path = BenchCsv(1000000, "varimel-window-bench.csv");
    SetMessageHook([](MessageKind, const QString&, QWidget*, const QString&) {});
    TMainForm form;
    for (auto _ : state)
        benchmark::DoNotOptimize(form.ReadCsvFile(QString::fromStdString(path)));
    SetMessageHook({});
}
BENCHMARK(BM_WindowLoadsCsv)->Unit(benchmark::kMillisecond);

// A file of a million invalid lines: the load with every skipped line kept,
// then the report dialog shown with all of them.
void BM_WindowReportsMillionSkippedLines(benchmark::State& state)
{
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "varimel-skips-bench.csv").string();
        std::ofstream out(p, std::ios::binary);
        for (int i = 0; i < 1000000; ++i)
            out << "row " << i << ";value\n";
        return p;
    }();
    SetMessageHook([](MessageKind, const QString&, QWidget*, const QString&) {});
    TMainForm form;
    for (auto _ : state) {
        form.ReadCsvFile(QString::fromStdString(path));
        TMainForm::SetDialogRunner([](QDialog& d) {
            d.show();
            QApplication::processEvents();
            return int(QDialog::Rejected);
        });
        form.ImportReportClick();
    }
    TMainForm::SetDialogRunner({});
    SetMessageHook({});
}
BENCHMARK(BM_WindowReportsMillionSkippedLines)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
