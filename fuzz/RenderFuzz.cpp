// SPDX-License-Identifier: MIT
// The whole road from CSV bytes to a MIDI file: the first bytes choose the
// mapping settings, the rest is the CSV file. Every file written must read
// back as a well-formed two-track Standard MIDI File. When the settings byte
// asks for it, the records are also shaped and split into two series, and
// that file must hold one track per series and a note per record.
#include "data/Csvreader.h"
#include "music/Filebuild.h"
#include "music/Mapping.h"
#include "music/Parameters.h"
#include "music/Series.h"

#include "../tests/SmfReader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace varimel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 8)
        return 0;
    const int scale = data[0] % kScaleCount;
    const int tonic = data[1] % 12;
    const int low = data[2] % kToneCount;
    const int high = data[3] % kToneCount;
    MappingRequest request;
    request.Scale = scale;
    request.Tonic = tonic;
    request.LowTone = low;
    request.HighTone = high;
    request.Tempo = kMinTempo + data[4] % (kMaxTempo - kMinTempo + 1);
    request.Velocity = kMinVelocity + data[5] % kMaxVelocity;
    const std::string durations[] = {std::string(kDefaultDurationText), "1", "0.01", "0.5"};
    const std::string duration = durations[data[6] % 4];
    request.WriteProgramChange = data[7] & 1;
    request.Program = data[7] >> 1;

    TXYDataList list;
    CsvParser parser(list);
    parser.Feed(reinterpret_cast<const char*>(data + 8), size - 8);
    parser.Finish();
    list.Sort();
    const CsvSummary summary = Summarize(list, "fuzz.csv");
    const ParameterCheckResult check = CheckMappingParameters(&list, scale, tonic, low, high, summary.DxPQN, duration);
    if (check.Outcome != ParameterCheck::Ok)
        return 0;
    request.DxPQN = check.DxPQN;
    request.Duration = check.Duration;

    static const std::string path = "/tmp/varimel-fuzz-" + std::to_string(getpid()) + ".mid";
    ScaleNoteSet set;
    const bool ok = BuildSmf(&list, request, path, set);
    if (ok) {
        const smftest::File f = smftest::Parse(smftest::ReadBytes(path));
        if (!f.error.empty() || f.tracks.size() != 2 || f.format != 1 || f.division != TicksPerQuarter)
            std::abort();
        std::size_t notes = 0;
        for (const smftest::Event& e : f.tracks[1])
            notes += (e.bytes[0] & 0xF0) == 0x90;
        if (notes != static_cast<std::size_t>(list.Count()))
            std::abort();
        std::remove(path.c_str());
    }

    // The series road: a shape from the duration byte's high bits, the
    // records dealt alternately into two series.
    const int bits = data[6] >> 2;
    if (bits == 0)
        return 0;
    request.Shape.Invert = bits & 1;
    request.Shape.LogY = bits & 2;
    static constexpr double kClips[] = {0.0, 1.0, 2.0, 5.0};
    request.Shape.Clip = kClips[(bits >> 2) & 3];
    request.SharedRange = bits & 16;
    TXYDataList halves[2];
    for (std::size_t i = 0; i < static_cast<std::size_t>(list.Count()); ++i)
        if (!request.Shape.LogY || list[i].Y > 0.0)
            halves[i % 2].Add(list[i]);
    const std::vector<SeriesTrack> tracks = {{&halves[0], 0, "a"}, {&halves[1], 73, ""}};
    if (BuildSeriesSmf(tracks, request, FramesOf(tracks, request), path)) {
        const smftest::File f = smftest::Parse(smftest::ReadBytes(path));
        if (!f.error.empty() || f.tracks.size() != 3)
            std::abort();
        for (std::size_t t = 0; t < 2; ++t) {
            std::size_t notes = 0;
            for (const smftest::Event& e : f.tracks[t + 1])
                notes += (e.bytes[0] & 0xF0) == 0x90;
            if (notes != static_cast<std::size_t>(halves[t].Count()))
                std::abort();
        }
        std::remove(path.c_str());
    }
    return 0;
}
