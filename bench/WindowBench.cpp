// SPDX-License-Identifier: MIT
// Loading a million-row CSV file in the real window (offscreen): the reader,
// the summary labels and the X increment box together.
#include "BenchData.h"
#include "Main.h"
#include "Messagebox.h"

#include <QApplication>

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

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
