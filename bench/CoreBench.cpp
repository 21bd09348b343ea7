// SPDX-License-Identifier: MIT
// Throughput of the reader, the mapping and the writer on a million records.
#include "data/Csvload.h"
#include "midi/Standardmidifile.h"
#include "music/Filebuild.h"
#include "music/Piece.h"
#include "music/Plotmodel.h"
#include "music/Series.h"

#include "BenchData.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

using namespace varimel;

namespace {

constexpr int kRows = 1000000;

const std::string& CsvPath()
{
    static const std::string path = BenchCsv(kRows, "varimel-bench-1e6.csv");
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

// The plot's columns: 10^6 records into 1200 pixel columns, and the note
// bands of the whole range.
void BM_PlotColumns(benchmark::State& state)
{
    const TXYDataList& data = Records();
    const MappingRequest request;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlotColumns(data, data.First().X, data.Last().X, 1200).size());
        benchmark::DoNotOptimize(TNoteBands(data, request).Bands().size());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_PlotColumns)->Unit(benchmark::kMillisecond);

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
        benchmark::DoNotOptimize(WriteMappedSmf(set, &data, path, 1, 0, 60, 84, 1.0, 120, 96, 0.875, 4, 2, true, 0));
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_WriteMappedSmf)->Unit(benchmark::kMillisecond);

// The piece with cues (a tick every 20,000 X and one reference tone held)
// against the same piece without: Arg 1 adds them.
void BM_WriteCuedPiece(benchmark::State& state)
{
    const TXYDataList& data = Records();
    const std::string path = (std::filesystem::temp_directory_path() / "varimel-bench-cues.mid").string();
    MappingRequest request;
    request.DxPQN = 1.0;
    if (state.range(0)) {
        request.Cues.TickStep = 20000;
        const auto [low, high] = data.YBounds();
        request.Cues.RefY = {(low + high) / 2};
    }
    CsvLoad load;
    load.Data = data;
    for (auto _ : state) {
        const TPiece piece = TPiece::Of(load, request, std::nullopt);
        benchmark::DoNotOptimize(piece.Write(path));
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_WriteCuedPiece)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A whole render of a million rows of one, or of three, Y columns: the load
// and the file, as the renderer does them.
// A file of a million rows of X and three random walks.
const std::string& SeriesFile()
{
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "varimel-bench-series.csv").string();
        std::FILE* out = std::fopen(p.c_str(), "wb");
        double a = 0, b = 0, c = 0;
        unsigned seed = 7;
        const auto step = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return static_cast<double>((seed >> 16) % 2001) / 1000.0 - 1.0;
        };
        for (int i = 0; i < kRows; ++i) {
            a += step();
            b += step();
            c += step();
            std::fprintf(out, "%.2f,%.4f,%.4f,%.4f\n", i * 0.25, a, b, c);
        }
        std::fclose(out);
        return p;
    }();
    return path;
}

// Reading one, or three, Y columns of that file.
void BM_LoadSeries(benchmark::State& state)
{
    ImportOptions options;
    if (state.range(0) == 3)
        options.MoreYColumns = {3, 4};
    for (auto _ : state) {
        const std::optional<CsvLoad> load = LoadCsv(SeriesFile(), nullptr, options);
        benchmark::DoNotOptimize(load->Data.Count());
    }
}
BENCHMARK(BM_LoadSeries)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_RenderSeries(benchmark::State& state)
{
    const std::string& path = SeriesFile();
    const std::string mid = (std::filesystem::temp_directory_path() / "varimel-bench-series.mid").string();
    ImportOptions options;
    if (state.range(0) == 3)
        options.MoreYColumns = {3, 4};
    MappingRequest request;
    request.DxPQN = 1.0;
    for (auto _ : state) {
        const std::optional<CsvLoad> load = LoadCsv(path, nullptr, options);
        const bool ok = TPiece::Of(*load, request, std::nullopt).Write(mid);
        benchmark::DoNotOptimize(ok);
    }
    std::remove(mid.c_str());
}
BENCHMARK(BM_RenderSeries)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

// The file alone, from a load made once: the mapping and the writing of
// one, or three, series.
void BM_WriteSeries(benchmark::State& state)
{
    const std::string mid = (std::filesystem::temp_directory_path() / "varimel-bench-series.mid").string();
    ImportOptions options;
    if (state.range(0) == 3)
        options.MoreYColumns = {3, 4};
    const std::optional<CsvLoad> load = LoadCsv(SeriesFile(), nullptr, options);
    MappingRequest request;
    request.DxPQN = 1.0;
    for (auto _ : state) {
        const bool ok = TPiece::Of(*load, request, std::nullopt).Write(mid);
        benchmark::DoNotOptimize(ok);
    }
    std::remove(mid.c_str());
}
BENCHMARK(BM_WriteSeries)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

// A million rows of five stocks in turn ("x,price,symbol"), read plainly
// (arg 0), one series per stock (1), or one stock kept (2).
const std::string& GroupsFile()
{
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "varimel-bench-groups.csv").string();
        std::FILE* out = std::fopen(p.c_str(), "wb");
        const char* symbols[] = {"MSFT", "AMZN", "IBM", "GOOG", "AAPL"};
        double price[5] = {50, 60, 70, 80, 90};
        unsigned seed = 11;
        for (int i = 0; i < kRows; ++i) {
            seed = seed * 1103515245u + 12345u;
            price[i % 5] += static_cast<double>((seed >> 16) % 2001) / 1000.0 - 1.0;
            std::fprintf(out, "%d,%.2f,%s\n", i / 5, price[i % 5], symbols[i % 5]);
        }
        std::fclose(out);
        return p;
    }();
    return path;
}

void BM_LoadGroups(benchmark::State& state)
{
    ImportOptions options;
    if (state.range(0) == 1)
        options.SplitBy = 3;
    if (state.range(0) == 2)
        options.Where = {{3, "IBM"}};
    for (auto _ : state) {
        const std::optional<CsvLoad> load = LoadCsv(GroupsFile(), nullptr, options);
        benchmark::DoNotOptimize(load->Data.Count());
    }
}
BENCHMARK(BM_LoadGroups)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
