// The main window's cost per pointer or range-control event, in the real Qt window on the
// off-screen platform. A range event (HScroll1_Change, or HScroll1_Scroll while dragging)
// redraws the palette grid, re-renders the inverted image and sets the count label; its
// baseline is a bare pass of 128000 palette lookups into a 32-bit buffer. A pointer movement
// over the palette window shows the hint, redraws the 256 boxes and presents them. A preview
// tick rotates the private palette, sets the counter and draws 640 x 400, against a bare pass of
// 256000 lookups. The numbered export from the window (status window, counter repainted per
// file) is paired with the engine's export alone.

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <QApplication>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "animation/frame_export.h"
#include "bench/paired_ratio.h"
#include "core/logo_document.h"
#include "palette/view_render.h"
#include "samples/sample_screens.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/qt/qt_window_system.h"

namespace {

// The main window with the sample open, built once for every benchmark.
struct OpenWindow {
    rotopal::qt::QtWindowSystem windows;
    rotopal::Form1 form{windows};
    rotopal::Form2 preview{windows, form.session()};
    OpenWindow() {
        windows.Attach(form, preview);
        form.Form_Load("");
        form.ShowOpenedDocument("sample.sys", rotopal::samples::MakeStartupScreen());
        windows.SetScrollValue(16);
    }
};

// Built on first use; closed by main before the application object goes.
std::unique_ptr<OpenWindow>& WindowSlot() {
    static std::unique_ptr<OpenWindow> window;
    return window;
}

OpenWindow& Window() {
    auto& window = WindowSlot();
    if (!window) {
        window = std::make_unique<OpenWindow>();
    }
    return *window;
}

// What any renderer must do at least: one table lookup per pixel drawn (each source pixel
// twice for the double-width preview).
struct BareLookup {
    explicit BareLookup(std::size_t count = rotopal::kLogoPixelCount) : out(count) {}
    std::array<std::uint32_t, 256> table = rotopal::ArgbTable(Window().form.session().document.palette);
    std::vector<std::uint32_t> out;
    void operator()() {
        const auto& pixels = Window().form.session().document.pixels;
        const std::size_t shift = out.size() > pixels.size() ? 1 : 0;
        for (std::size_t i = 0; i < out.size(); ++i) {
            out[i] = table[pixels[i >> shift]];
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

// One range event per iteration, the control moving between `a` and `b`; left at 16.
void RangeEvents(benchmark::State& state, int a, int b) {
    auto& w = Window();
    int n = a;
    for (auto _ : state) {
        w.windows.SetScrollValue(n = n == a ? b : a);
        w.form.HScroll1_Scroll();
    }
    w.windows.SetScrollValue(16);
    w.form.HScroll1_Scroll();
}

void BM_RangeDrag(benchmark::State& state) {
    RangeEvents(state, 16, 17);
}
BENCHMARK(BM_RangeDrag)->Unit(benchmark::kMicrosecond);

// The worst case for the kept view: every entry changes between events (the range jumping
// between none and all), so every pixel is written again.
void BM_RangeJump(benchmark::State& state) {
    RangeEvents(state, 0, 255);
}
BENCHMARK(BM_RangeJump)->Unit(benchmark::kMicrosecond);

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

// The preview shown and activated, as the preview button leaves it.
rotopal::Form2& OpenPreview() {
    auto& w = Window();
    static const bool opened = [&w] {
        w.form.Command2_Click(0);
        w.preview.Form_Activate();  // without waiting for the window system's activation
        w.windows.SetTimerEnabled(rotopal::Timer::Form2_Timer1, false);  // ticks come from here
        return true;
    }();
    benchmark::DoNotOptimize(opened);
    return w.preview;
}

void BM_PreviewTick(benchmark::State& state) {
    auto& preview = OpenPreview();
    for (auto _ : state) {
        preview.Timer1_Timer();
    }
}
BENCHMARK(BM_PreviewTick)->Unit(benchmark::kMicrosecond);

void BM_BareDoubleLookupPass(benchmark::State& state) {
    BareLookup lookup(2 * rotopal::kLogoPixelCount);
    for (auto _ : state) {
        lookup();
    }
}
BENCHMARK(BM_BareDoubleLookupPass)->Unit(benchmark::kMicrosecond);

void BM_PreviewTickRatio(benchmark::State& state) {
    auto& preview = OpenPreview();
    BareLookup lookup(2 * rotopal::kLogoPixelCount);
    rotopal::bench::PairedRatio(
        state, [&] { preview.Timer1_Timer(); }, lookup);
}
BENCHMARK(BM_PreviewTickRatio)->Iterations(2000)->Unit(benchmark::kMicrosecond);

// A scratch folder for the exported frames, removed at exit.
const std::string& Folder() {
    static const std::string folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "rotopal-window-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        std::atexit([] { std::filesystem::remove_all(Folder()); });
        return pattern;
    }();
    return folder;
}

constexpr std::int32_t kSpan = 254;  // 255 frames, the most the range allows

void BM_WindowExport255(benchmark::State& state) {
    auto& w = Window();
    for (auto _ : state) {
        benchmark::DoNotOptimize(w.form.Saves(Folder() + "/window", kSpan));
    }
}
BENCHMARK(BM_WindowExport255)->Unit(benchmark::kMillisecond);

void BM_EngineExport255(benchmark::State& state) {
    auto& w = Window();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            rotopal::ExportFrames(w.form.session().document, Folder() + "/engine", kSpan, {}));
    }
}
BENCHMARK(BM_EngineExport255)->Unit(benchmark::kMillisecond);

void BM_WindowExportRatio(benchmark::State& state) {
    auto& w = Window();
    rotopal::bench::PairedRatio(
        state, [&] { benchmark::DoNotOptimize(w.form.Saves(Folder() + "/window", kSpan)); },
        [&] {
            benchmark::DoNotOptimize(
                rotopal::ExportFrames(w.form.session().document, Folder() + "/engine", kSpan, {}));
        });
}
BENCHMARK(BM_WindowExportRatio)->Iterations(12)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    WindowSlot().reset();
    return 0;
}
