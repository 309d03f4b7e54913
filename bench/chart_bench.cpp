// Painting a million-point plot and finding the marker under the mouse.
// Compare the stamped drawing with BM_PaintPlainMarkers, the reference that
// draws every marker with the shape calls, measured in the same run.

#include "ComparePlots.h"
#include "ImageDC.h"
#include "LC.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>

namespace {

// The application lives until the process ends and is never destroyed: run
// from the exit handlers, its destructor would meet Qt's statics already gone.
void EnsureApp() {
    static QApplication* app = nullptr;
    if (app || QCoreApplication::instance())
        return;
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "tervik-bench";
    static char* argv[] = {name, nullptr};
    app = new QApplication(argc, argv);
}

// A chart of 770 x 380 with the main window's margins and one plot of n
// points (a slow wave with noise, ten seconds apart), in the all-data view.
std::unique_ptr<CLC> MakeChart(int n, int width = 770, int height = 380, int ratio = 1) {
    EnsureApp();
    auto c = std::make_unique<CLC>();
    c->Core().SetMargins(70, -1, 30, 50);
    c->Painter().SetPixelRatio(ratio);
    c->Layout(width * ratio, height * ratio);
    auto* ds = new CLCDataSet;
    ds->Allocate(n);
    std::mt19937 rng(42);
    std::normal_distribution<double> noise(0, 0.15);
    for (int i = 0; i < n; ++i) {
        ds->m_pX[i] = 1.3e9 + 10.0 * i;
        ds->m_pY[i] = 2 + std::sin(i * 2e-5) + noise(rng);
    }
    ds->SortByX();
    const LCPosition p = c->Model().AddPlot(ds);
    c->Model().SetPlotMarkerKind(p, 3);
    c->Model().SetPlotMarkerSize(p, 4);
    c->Model().SetPlotColor(p, 0x208000);
    c->Model().SetPlotMarkerFill(p, 0x208000);
    c->Core().ShowAllData();
    return c;
}

void PaintBench(benchmark::State& state, bool plain) {
    auto c = MakeChart(static_cast<int>(state.range(0)));
    c->Painter().SetPlainMarkers(plain);
    QImage img(770, 380, QImage::Format_RGB32);
    for (auto _ : state) {
        CImageDC dc(img);
        c->Core().PaintTo(dc);
        benchmark::DoNotOptimize(img.constBits());
    }
    state.counters["hits"] = static_cast<double>(c->Interaction().HitCount());
}

void BM_PaintStampedMarkers(benchmark::State& state) {
    PaintBench(state, false);
}
void BM_PaintPlainMarkers(benchmark::State& state) {
    PaintBench(state, true);
}
BENCHMARK(BM_PaintStampedMarkers)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The same plot on a maximised window of a 1920 x 1080 screen at 200%:
// 3840 x 2160 device pixels. Compare with BM_PaintStampedMarkers.
void BM_PaintFullScreenRatio2(benchmark::State& state) {
    auto c = MakeChart(static_cast<int>(state.range(0)), 1920, 1080, 2);
    QImage img(3840, 2160, QImage::Format_RGB32);
    for (auto _ : state) {
        CImageDC dc(img);
        c->Core().PaintTo(dc);
        benchmark::DoNotOptimize(img.constBits());
    }
    state.counters["hits"] = static_cast<double>(c->Interaction().HitCount());
}
BENCHMARK(BM_PaintFullScreenRatio2)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintPlainMarkers)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Lookups at random client points after a paint; the first lookup after a
// paint also builds the cell index, measured by BM_FindHitAfterPaint.
void BM_FindHit(benchmark::State& state) {
    auto c = MakeChart(1000000);
    QImage img(770, 380, QImage::Format_RGB32);
    {
        CImageDC dc(img);
        c->Core().PaintTo(dc);
    }
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> ux(0, 769), uy(0, 379);
    c->Interaction().FindHit(0, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(c->Interaction().FindHit(ux(rng), uy(rng)));
}
BENCHMARK(BM_FindHit)->Unit(benchmark::kMicrosecond);

// The first lookup after a paint, which makes the paint's hit records.
void BM_FindHitAfterPaint(benchmark::State& state) {
    auto c = MakeChart(1000000);
    QImage img(770, 380, QImage::Format_RGB32);
    for (auto _ : state) {
        state.PauseTiming();
        {
            CImageDC dc(img);
            c->Core().PaintTo(dc);
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(c->Interaction().FindHit(400, 200));
    }
    state.counters["hits"] = static_cast<double>(c->Interaction().HitCount());
    state.counters["hit_bytes"] = static_cast<double>(c->Interaction().HitBytes());
}
BENCHMARK(BM_FindHitAfterPaint)->Unit(benchmark::kMillisecond)->Iterations(5);

// A comparison of k series of n points each (waves of their own phase and
// level, each a minute apart, overlapping in time), drawn as the Compare
// dialog draws them: own colour and marker, legend shown, all-data view.
// Compare k = 4 with k = 1 of the same run.
void BM_PaintCompare(benchmark::State& state) {
    EnsureApp();
    const int k = static_cast<int>(state.range(0)), n = static_cast<int>(state.range(1));
    CompareSet set;
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 0.15);
    for (int s = 0; s < k; ++s) {
        CompareCurve c;
        c.times.resize(static_cast<size_t>(n));
        c.values.resize(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            c.times[static_cast<size_t>(i)] = 1.3e9 + 10.0 * i + 5.0 * s;
            c.values[static_cast<size_t>(i)] = 2 + s + std::sin(i * 2e-5 + s) + noise(rng);
        }
        set.curves.push_back(std::move(c));
        set.names.push_back("week" + std::to_string(s + 1) + ".mnr #1");
    }
    CLCCore chart;
    chart.Layout(770, 380);
    ConfigureCompareChart(chart, "Time", "Hg");
    ComparePlots plots;
    ShowComparePlots(chart, set, plots);
    set = {};
    QImage img(770, 380, QImage::Format_RGB32);
    for (auto _ : state) {
        CImageDC dc(img);
        chart.PaintTo(dc);
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_PaintCompare)->Args({1, 1000000})->Args({4, 1000000})->Unit(benchmark::kMillisecond);

} // namespace
