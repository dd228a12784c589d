// Engine benchmarks. Each engine operation is paired with a bare baseline doing the same I/O, so
// that bench/ratios.py can report ratios measured in one run on the same machine.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "animation/frame_export.h"
#include "animation/gif_export.h"
#include "animation/rotation.h"
#include "animation/save_targets.h"
#include "bench/paired_ratio.h"
#include "document/logo_reader.h"
#include "document/logo_writer.h"
#include "palette/colour_swap.h"
#include "samples/sample_screens.h"

namespace {

namespace fs = std::filesystem;
using rotopal::LogoDocument;

// A scratch folder for the run, next to the other temporary files.
const std::string& Folder() {
    static const std::string folder = [] {
        std::string pattern = (fs::temp_directory_path() / "rotopal-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        std::atexit([] { fs::remove_all(Folder()); });
        return pattern;
    }();
    return folder;
}

const LogoDocument& Sample() {
    static const LogoDocument document = rotopal::samples::MakeStartupScreen();
    return document;
}

const std::string& SampleFile() {
    static const std::string path = [] {
        const std::string p = Folder() + "/logo.sys";
        if (!rotopal::WriteLogoFile(p, Sample())) {
            std::abort();
        }
        return p;
    }();
    return path;
}

void BM_ReadLogoFile(benchmark::State& state) {
    const std::string& path = SampleFile();
    for (auto _ : state) {
        auto read = rotopal::ReadLogoFile(path, nullptr);
        benchmark::DoNotOptimize(read);
    }
}
BENCHMARK(BM_ReadLogoFile);

// Baseline: open, read the same 129078 bytes, close.
void BM_PlainRead(benchmark::State& state) {
    const std::string& path = SampleFile();
    std::vector<char> buffer(rotopal::LogoFileBytes(256));
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        ::close(fd);
        benchmark::DoNotOptimize(n);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlainRead);

constexpr int kFrames = 255;

void BM_ExportFrames255(benchmark::State& state) {
    LogoDocument document = Sample();
    document.infoHeader.biClrImportant = 1;
    const std::string prefix = Folder() + "/export";
    for (auto _ : state) {
        auto result = rotopal::ExportFrames(document, prefix, kFrames - 1, nullptr);
        if (!result) {
            state.SkipWithError("export failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * kFrames *
                            static_cast<std::int64_t>(rotopal::FrameFileBytes(256)));
}
BENCHMARK(BM_ExportFrames255)->Unit(benchmark::kMillisecond);

// The same 255 steps as one animated GIF; its size is reported as a counter.
void BM_GifExport255(benchmark::State& state) {
    const LogoDocument& document = Sample();
    const std::string path = Folder() + "/export.gif";
    for (auto _ : state) {
        if (!rotopal::WriteAnimatedGif(path, document, kFrames - 1, {})) {
            state.SkipWithError("GIF export failed");
        }
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_GifExport255)->Unit(benchmark::kMillisecond);

void BM_GifRatio(benchmark::State& state) {
    const LogoDocument& document = Sample();
    rotopal::bench::PairedRatio(
        state,
        [&] {
            benchmark::DoNotOptimize(
                rotopal::WriteAnimatedGif(Folder() + "/r.gif", document, kFrames - 1, {}));
        },
        [&] {
            benchmark::DoNotOptimize(
                rotopal::ExportFrames(document, Folder() + "/r", kFrames - 1, nullptr));
        });
}
BENCHMARK(BM_GifRatio)->Iterations(10)->Unit(benchmark::kMillisecond);

// Baseline: the same number of bytes in the same number of files, each opened, written with one
// plain write and closed, into the same folder.
void BM_PlainWrite255(benchmark::State& state) {
    const std::vector<char> frame(rotopal::FrameFileBytes(256), 7);
    const std::string prefix = Folder() + "/plain";
    for (auto _ : state) {
        for (int k = 1; k <= kFrames; ++k) {
            const std::string name = rotopal::FrameFileName(prefix, k);
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const ssize_t n = ::write(fd, frame.data(), frame.size());
            ::close(fd);
            benchmark::DoNotOptimize(n);
        }
    }
    state.SetBytesProcessed(state.iterations() * kFrames * static_cast<std::int64_t>(frame.size()));
}
BENCHMARK(BM_PlainWrite255)->Unit(benchmark::kMillisecond);

void BM_ReadRatio(benchmark::State& state) {
    const std::string& path = SampleFile();
    std::vector<char> buffer(rotopal::LogoFileBytes(256));
    rotopal::bench::PairedRatio(
        state,
        [&] {
            auto read = rotopal::ReadLogoFile(path, nullptr);
            benchmark::DoNotOptimize(read);
        },
        [&] {
            const int fd = ::open(path.c_str(), O_RDONLY);
            benchmark::DoNotOptimize(::read(fd, buffer.data(), buffer.size()));
            ::close(fd);
        });
}
BENCHMARK(BM_ReadRatio)->Iterations(20000);

void BM_ExportRatio(benchmark::State& state) {
    const LogoDocument& document = Sample();
    const std::vector<char> frame(rotopal::FrameFileBytes(256), 7);
    rotopal::bench::PairedRatio(
        state,
        [&] {
            if (!rotopal::ExportFrames(document, Folder() + "/export", kFrames - 1, nullptr)) {
                std::abort();
            }
        },
        [&] {
            for (int k = 1; k <= kFrames; ++k) {
                const std::string name = rotopal::FrameFileName(Folder() + "/plain", k);
                const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                benchmark::DoNotOptimize(::write(fd, frame.data(), frame.size()));
                ::close(fd);
            }
        });
}
BENCHMARK(BM_ExportRatio)->Iterations(15)->Unit(benchmark::kMillisecond);

void BM_RotatePalette(benchmark::State& state) {
    rotopal::Palette palette = Sample().palette;
    const auto span = static_cast<std::uint8_t>(state.range(0));
    for (auto _ : state) {
        rotopal::RotatePalette(palette, 255, span);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RotatePalette)->Arg(15)->Arg(254);

// The colour exchange against the plainest pass that reads and writes every pixel byte.
void ExchangeOnce(rotopal::LogoDocument& doc) {
    rotopal::SwapPaletteEntries(doc, 3, 250);
    benchmark::ClobberMemory();
}
void PlainBytePass(rotopal::LogoDocument& doc) {
    for (auto& pixel : doc.pixels) {
        pixel ^= 0x5A;
    }
    benchmark::ClobberMemory();
}

void BM_SwapPaletteEntries(benchmark::State& state) {
    rotopal::LogoDocument doc = Sample();
    for (auto _ : state) {
        ExchangeOnce(doc);
    }
}
BENCHMARK(BM_SwapPaletteEntries)->Unit(benchmark::kMicrosecond);

void BM_PlainBytePass(benchmark::State& state) {
    rotopal::LogoDocument doc = Sample();
    for (auto _ : state) {
        PlainBytePass(doc);
    }
}
BENCHMARK(BM_PlainBytePass)->Unit(benchmark::kMicrosecond);

void BM_SwapRatio(benchmark::State& state) {
    rotopal::LogoDocument doc = Sample();
    rotopal::LogoDocument other = Sample();
    rotopal::bench::PairedRatio(
        state, [&] { ExchangeOnce(doc); }, [&] { PlainBytePass(other); });
}
BENCHMARK(BM_SwapRatio)->Iterations(20000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
