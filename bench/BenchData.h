// SPDX-License-Identifier: MIT
// The benchmarks' input: x = i * 0.25 and a random walk in y, written once
// to the temporary folder, as a measuring device might log it.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

inline std::string BenchCsv(int rows, const std::string& name)
{
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream out(path, std::ios::binary);
    std::mt19937 random(42);
    std::normal_distribution<double> step(0.0, 1.0);
    double y = 0.0;
    char line[64];
    for (int i = 0; i < rows; ++i) {
        y += step(random);
        out.write(line, std::snprintf(line, sizeof line, "%.2f,%.6f\n", i * 0.25, y));
    }
    return path;
}
