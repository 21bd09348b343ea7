// Throughput of the reader, the mapping and the writer on a million records.
#include "data/Csvreader.h"
#include "music/Scale.h"
#include "midi/Standardmidifile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

using namespace varimel;

namespace {

constexpr int kRows = 1000000;

// x = i * 0.25 and a random walk in y, as a measuring device might log it.
const std::string& CsvPath()
{
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "varimel-bench-1e6.csv").string();
        std::ofstream out(p, std::ios::binary);
        std::mt19937 random(42);
        std::normal_distribution<double> step(0.0, 1.0);
        double y = 0.0;
        char line[64];
        for (int i = 0; i < kRows; ++i) {
            y += step(random);
            const int n = std::snprintf(line, sizeof line, "%.2f,%.6f\n", i * 0.25, y);
            out.write(line, n);
        }
        return p;
    }();
    return path;
}

const TXYDataList& Records()
{
    static const TXYDataList list = LoadCsv(CsvPath())->Data;
    return list;
}

void BM_ReadCsv(benchmark::State& state)
{
    const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(CsvPath()));
    for (auto _ : state) {
        auto load = LoadCsv(CsvPath());
        benchmark::DoNotOptimize(load->Data.Count());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ReadCsv)->Unit(benchmark::kMillisecond);

void BM_MapDataToNotes(benchmark::State& state)
{
    const TXYDataList& data = Records();
    for (auto _ : state) {
        ScaleNoteSet set;
        TMidiEventList melody(0, "Melody", "Piano 1");
        benchmark::DoNotOptimize(MapDataToNotes(set, &data, melody, 1, 0, 60, 84, 1.0, 96, 0.875, true, 0));
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_MapDataToNotes)->Unit(benchmark::kMillisecond);

void BM_WriteTrack(benchmark::State& state)
{
    const TXYDataList& data = Records();
    ScaleNoteSet set;
    TMidiEventList melody(0, "Melody", "Piano 1");
    MapDataToNotes(set, &data, melody, 1, 0, 60, 84, 1.0, 96, 0.875, true, 0);
    const std::string path = (std::filesystem::temp_directory_path() / "varimel-bench.mid").string();
    for (auto _ : state) {
        TSMFWrite writer;
        writer.Open(path, 1);
        benchmark::DoNotOptimize(writer.WriteTrack(melody));
        writer.Close();
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * melody.Count());
}
BENCHMARK(BM_WriteTrack)->Unit(benchmark::kMillisecond);

void BM_WriteMappedSmf(benchmark::State& state)
{
    const TXYDataList& data = Records();
    const std::string path = (std::filesystem::temp_directory_path() / "varimel-bench.mid").string();
    for (auto _ : state) {
        ScaleNoteSet set;
        benchmark::DoNotOptimize(
            WriteMappedSmf(set, &data, path, 1, 0, 60, 84, 1.0, 120, 96, 0.875, 4, 2, true, 0));
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_WriteMappedSmf)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
