// How long the import dialog takes to show a change: the picture is decoded once by a decoder of
// its own, as the dialog starts one when it opens (the decoder's start is part of Decode), then
// each iteration has that decoder make the screen again with the next options of a cycle, as
// the dialog does once the options have rested. The pictures are named after the
// benchmark's own flags:
//   import_preview_bench [--benchmark_...] PICTURE...
// bench/import_bench.py runs it on its large JPEG and on a 640 x 480 PNG.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "import/picture_import.h"

namespace {

using rotopal::DecodedPictureHandle;
using rotopal::ImportOptions;

// What a user does between two previews: another range, band, dithering or fit.
std::array<ImportOptions, 4> OptionCycle() {
    std::array<ImportOptions, 4> cycle{};
    cycle[1].range = 24;
    cycle[2].range = 24;
    cycle[2].dither = 0.5f;
    cycle[3].range = 24;
    cycle[3].fit = rotopal::Fit::Cover;
    return cycle;
}

// A decoder with the picture decoded, or why there is none.
rotopal::Result<DecodedPictureHandle, rotopal::ImportError> Decoded(const std::string& path) {
    auto decoder = rotopal::PictureDecoder::Start(path);
    if (!decoder) {
        return rotopal::Failure{decoder.error()};
    }
    if (auto decoded = decoder.value()->Decode(); !decoded) {
        return rotopal::Failure{decoded.error()};
    }
    return decoder.value();
}

void BM_Decode(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        auto decoded = Decoded(path);
        if (!decoded) {
            state.SkipWithError(rotopal::DescribeImportError(decoded.error()).c_str());
            return;
        }
        benchmark::DoNotOptimize(decoded.value());
    }
}

void BM_Remake(benchmark::State& state, const std::string& path) {
    const auto decoded = Decoded(path);
    if (!decoded) {
        state.SkipWithError(rotopal::DescribeImportError(decoded.error()).c_str());
        return;
    }
    const DecodedPictureHandle decoder = decoded.value();
    const auto cycle = OptionCycle();
    std::size_t next = 0;
    for (auto _ : state) {
        auto screen = decoder->Make(cycle[next++ % cycle.size()]);
        if (!screen) {
            state.SkipWithError(rotopal::DescribeImportError(screen.error()).c_str());
            return;
        }
        benchmark::DoNotOptimize(screen.value());
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s [--benchmark_...] PICTURE...\n", argv[0]);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string path = argv[i];
        const std::string name = std::filesystem::path(path).filename().string();
        benchmark::RegisterBenchmark(("Decode/" + name).c_str(), BM_Decode, path)
            ->Iterations(3)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Remake/" + name).c_str(), BM_Remake, path)
            ->Iterations(12)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
