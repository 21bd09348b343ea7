// Loading a million-row CSV file in the real window (offscreen): the reader,
// the summary labels and the X increment box together.
#include "Main.h"
#include "Messagebox.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

std::string MakeCsv()
{
    const std::string p = (std::filesystem::temp_directory_path() / "varimel-window-bench.csv").string();
    std::ofstream out(p, std::ios::binary);
    std::mt19937 random(7);
    std::normal_distribution<double> step(0.0, 1.0);
    double y = 0.0;
    char line[64];
    for (int i = 0; i < 1000000; ++i) {
        y += step(random);
        out.write(line, std::snprintf(line, sizeof line, "%.2f,%.6f\n", i * 0.25, y));
    }
    return p;
}

void BM_WindowLoadsCsv(benchmark::State& state)
{
    static const std::string path = MakeCsv();
    SetMessageHook([](MessageKind, const QString&, QWidget*) {});
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
