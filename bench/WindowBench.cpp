// SPDX-License-Identifier: MIT
// Loading a million-row CSV file in the real window (offscreen): the reader,
// the summary labels and the X increment box together.
#include "BenchData.h"
#include "Main.h"
#include "Messagebox.h"
#include "Plotwindow.h"
#include "Seams.h"
#include "data/Csvload.h"

#include <QApplication>
#include <QDialog>
#include <QPainter>

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

// The window made and shown, as at start-up (settings read, every control
// and caption made), until its first paint.
void BM_WindowStarts(benchmark::State& state)
{
    for (auto _ : state) {
        TMainForm form;
        form.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(form.isVisible());
    }
}
BENCHMARK(BM_WindowStarts)->Unit(benchmark::kMillisecond);

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
        seams::SetDialogRunner([](QDialog& d) {
            d.show();
            QApplication::processEvents();
            return int(QDialog::Rejected);
        });
        form.ImportReportClick();
    }
    seams::SetDialogRunner({});
    SetMessageHook({});
}
// From a click on 試聴 to the player running, for a 10^4-row file, once the
// player has been made by a first preview (the "file" output stands in for
// a sound card).
void BM_WindowSecondPreviewStarts(benchmark::State& state)
{
    const std::string config = (std::filesystem::temp_directory_path() / "varimel-bench-config").string();
    std::filesystem::create_directories(config + "/Korvath/Varimel");
    std::ofstream(config + "/Korvath/Varimel/Varimel.ini")
        << "[Playback]\nSoundFont=/usr/share/sounds/sf2/TimGM6mb.sf2\nAudioDriver=file\n";
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config));
    static const std::string path = BenchCsv(10000, "varimel-preview-bench.csv");
    SetMessageHook([](MessageKind, const QString&, QWidget*, const QString&) {});
    TMainForm form;
    form.ReadCsvFile(QString::fromStdString(path));
    form.PreviewButtonClick(); // makes the synthesizer and loads the SoundFont
    for (auto _ : state) {
        form.PreviewButtonClick();
        benchmark::DoNotOptimize(form.Playing());
    }
    SetMessageHook({});
}
BENCHMARK(BM_WindowSecondPreviewStarts)->Unit(benchmark::kMillisecond)->Iterations(10);

BENCHMARK(BM_WindowReportsMillionSkippedLines)->Unit(benchmark::kMillisecond)->Iterations(3);

// A million records as the plot gets them, with the default mapping.
const PlotPiece& MillionPiece()
{
    static const varimel::CsvLoad load = *varimel::LoadCsv(BenchCsv(1000000, "varimel-window-bench.csv"));
    static const PlotPiece piece = [] {
        PlotPiece p;
        p.Load = &load;
        p.Request.DxPQN = 0.25;
        p.Melody = true;
        return p;
    }();
    return piece;
}

// The whole picture of a million points (data, bands, melody) at 1200x400.
void BM_PlotPaintsMillionPoints(benchmark::State& state)
{
    TPlotView view;
    view.resize(1200, 400);
    view.SetPiece(MillionPiece(), false);
    QImage image(1200, 400, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        view.PaintTo(painter, QSizeF(1200, 400));
    }
}
BENCHMARK(BM_PlotPaintsMillionPoints)->Unit(benchmark::kMillisecond);

// From nothing to the plot window shown and painted with a million records.
void BM_PlotWindowOpens(benchmark::State& state)
{
    MillionPiece();
    for (auto _ : state) {
        TPlotWindow window(nullptr, std::nullopt);
        window.SetPiece(MillionPiece(), QStringLiteral("bench.csv"), false);
        window.show();
        benchmark::DoNotOptimize(window.View()->grab());
    }
}
BENCHMARK(BM_PlotWindowOpens)->Unit(benchmark::kMillisecond)->Iterations(5);

// One step of the playhead during a preview (30 ms apart): the move and the
// repaint of what it changed.
void BM_PlotPlayheadStep(benchmark::State& state)
{
    TPlotWindow window(nullptr, std::nullopt);
    window.SetPiece(MillionPiece(), QStringLiteral("bench.csv"), false);
    window.resize(1200, 460);
    window.show();
    window.View()->grab();
    int tick = 0;
    for (auto _ : state) {
        tick += 29; // 30 ms at 120 bpm
        window.View()->SetPlayhead(tick);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_PlotPlayheadStep)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
