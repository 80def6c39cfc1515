// Reading a 2000 x 2000 text image: the executor's from_chars reader against line-by-line stream
// extraction, the reading the format is defined by. Both include reading the file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "kora/textimage.h"

namespace {

constexpr int kSide = 2000;

// Written once per process: grey values with three decimals, as the example data has them.
const std::string& textImagePath()
{
    static const std::string path = [] {
        const std::string file = (std::filesystem::temp_directory_path() / "bench_textimage_2000.txt").string();
        std::ofstream out(file);
        out << "# " << kSide << " x " << kSide << " text image\n";
        std::mt19937 random(42);
        std::uniform_real_distribution<float> grey(0.0f, 255.0f);
        char number[32];
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                std::snprintf(number, sizeof number, x ? " %.3f" : "%.3f", double(grey(random)));
                out << number;
            }
            out << '\n';
        }
        return file;
    }();
    return path;
}

void BM_TextImageFromChars(benchmark::State& state)
{
    const std::string& path = textImagePath();
    for (auto _ : state) {
        std::string bytes;
        KORA::ReadTextImageFile(path.c_str(), bytes);
        const KORA::StTextImage image = KORA::ParseTextImage(bytes.data(), bytes.size());
        if (image.columns != kSide || image.rows != kSide)
            state.SkipWithError("wrong size");
        benchmark::DoNotOptimize(image.pixels.data());
    }
    state.SetBytesProcessed(state.iterations() * std::filesystem::file_size(path));
}

void BM_TextImageStreamExtraction(benchmark::State& state)
{
    const std::string& path = textImagePath();
    for (auto _ : state) {
        std::ifstream in(path);
        std::vector<float> pixels;
        std::string line;
        int columns = 0, rows = 0;
        while (std::getline(in, line)) {
            if (line.empty() || line.find('#') != std::string::npos)
                continue;
            std::istringstream numbers(line);
            float value = 0;
            int count = 0;
            while (numbers >> value) {
                pixels.push_back(value);
                ++count;
            }
            ++rows;
            if (columns == 0)
                columns = count;
        }
        if (columns != kSide || rows != kSide)
            state.SkipWithError("wrong size");
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(state.iterations() * std::filesystem::file_size(path));
}

// The parsers alone, on bytes already in memory.
const std::string& fileBytes()
{
    static const std::string bytes = [] {
        std::ifstream in(textImagePath(), std::ios::binary);
        std::ostringstream whole;
        whole << in.rdbuf();
        return std::move(whole).str();
    }();
    return bytes;
}

void BM_ParseFromChars(benchmark::State& state)
{
    const std::string& bytes = fileBytes();
    for (auto _ : state) {
        const KORA::StTextImage image = KORA::ParseTextImage(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(image.pixels.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

void BM_ParseStreamExtraction(benchmark::State& state)
{
    const std::string& bytes = fileBytes();
    for (auto _ : state) {
        std::istringstream in(bytes);
        std::vector<float> pixels;
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line.find('#') != std::string::npos)
                continue;
            std::istringstream numbers(line);
            float value = 0;
            while (numbers >> value)
                pixels.push_back(value);
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

BENCHMARK(BM_ParseFromChars)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseStreamExtraction)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextImageFromChars)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextImageStreamExtraction)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
