// The main window's cost per pointer or range-control event, in the real Qt window on the
// off-screen platform. A range event (HScroll1_Change, or HScroll1_Scroll while dragging)
// redraws the palette grid, re-renders the inverted image and sets the count label; its
// baseline is a bare pass of 128000 palette lookups into a 32-bit buffer. A pointer movement
// over the palette window shows the hint, redraws the 256 boxes and presents them.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "bench/paired_ratio.h"
#include "core/logo_document.h"
#include "palette/view_render.h"
#include "samples/sample_screens.h"
#include "ui/form1.h"
#include "ui/qt/qt_window_system.h"

namespace {

// The main window with the sample open, built once for every benchmark.
struct OpenWindow {
    rotopal::LogoDocument document = rotopal::samples::MakeStartupScreen();
    rotopal::qt::QtWindowSystem windows;
    rotopal::Form1 form{windows, document};
    OpenWindow() {
        windows.Attach(form);
        form.Form_Load("");
        form.DrawPicture();
        windows.SetScrollValue(16);
    }
};

OpenWindow& Window() {
    static OpenWindow window;
    return window;
}

// What any renderer must do at least: one table lookup per pixel.
struct BareLookup {
    std::array<std::uint32_t, 256> table = rotopal::ArgbTable(Window().document.palette);
    std::vector<std::uint32_t> out = std::vector<std::uint32_t>(rotopal::kLogoPixelCount);
    void operator()() {
        const auto& pixels = Window().document.pixels;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            out[i] = table[pixels[i]];
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
};

// The rendering part of the event alone.
void BM_ColorPaint(benchmark::State& state) {
    auto& w = Window();
    for (auto _ : state) {
        w.form.ColorPaint();
    }
}
BENCHMARK(BM_ColorPaint)->Unit(benchmark::kMicrosecond);

void BM_PaletteHover(benchmark::State& state) {
    auto& w = Window();
    bool flip = false;
    for (auto _ : state) {
        // Alternating between two cells, as a pointer crossing the grid does.
        flip = !flip;
        w.form.Picture2_MouseMove(0, 0, flip ? 37.0f : 52.0f, 100.0f);
    }
}
BENCHMARK(BM_PaletteHover)->Unit(benchmark::kMicrosecond);

void BM_RangeDrag(benchmark::State& state) {
    auto& w = Window();
    int n = 16;
    for (auto _ : state) {
        w.windows.SetScrollValue(n = n == 16 ? 17 : 16);
        w.form.HScroll1_Scroll();
    }
}
BENCHMARK(BM_RangeDrag)->Unit(benchmark::kMicrosecond);

void BM_RangeDragRatio(benchmark::State& state) {
    auto& w = Window();
    BareLookup lookup;
    int n = 16;
    rotopal::bench::PairedRatio(
        state,
        [&] {
            w.windows.SetScrollValue(n = n == 16 ? 17 : 16);
            w.form.HScroll1_Scroll();
        },
        lookup);
}
BENCHMARK(BM_RangeDragRatio)->Iterations(3000)->Unit(benchmark::kMicrosecond);

void BM_BareLookupPass(benchmark::State& state) {
    BareLookup lookup;
    for (auto _ : state) {
        lookup();
    }
}
BENCHMARK(BM_BareLookupPass)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
