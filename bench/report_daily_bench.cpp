// The calendar of daily means and the profiles of a 1,000,000-point series
// (a cycle a minute, about 23 months), each computed from the points and
// painted at 770 x 380; compare with BM_CurveWalkBaseline of the same run.

#include "ArchiveData.h"
#include "ArchiveGen.h"
#include "DailyPictures.h"
#include "ImageDC.h"

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

void EnsureGuiApp() {
    if (QCoreApplication::instance())
        return;
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "tervik-bench";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv); // lives until the process ends
}

const CArchiveData& Series() {
    static CArchiveData* archive = [] {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
        const std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
        const std::string path = dir + "/tervik-bench-daily-" + std::to_string(getpid()) + ".mnr";
        GenOptions o;
        o.series = 1;
        o.recordsPerSeries = 1000000;
        o.cycleSeconds = 60;
        WriteMnrFile(path, ArchiveHeader::Build(0x20, 3, 1), GenerateRecords(o));
        auto* a = new CArchiveData;
        a->LoadMnr(path);
        std::remove(path.c_str());
        return a;
    }();
    return *archive;
}

void PaintDaily(benchmark::State& state, bool calendar) {
    EnsureGuiApp();
    const SeriesInfo& s = *Series().GetSeries(0);
    QImage image(770, 380, QImage::Format_RGB32);
    DailyPictureOptions o;
    o.haveLimit = true;
    o.limit = 3;
    o.yCaption = "Hg, ng/m3";
    DailyProfiles data;
    for (auto _ : state) {
        ComputeDailyProfiles(s, CurveOptions{}, 0.75, -1e300, 1e300, data);
        CImageDC dc(image);
        (calendar ? PaintCalendar : PaintProfiles)(dc, 770, 380, data, o);
    }
    state.counters["days"] = static_cast<double>(data.days.size());
}

// The daily figures alone, from the points.
void BM_DailyProfilesCompute(benchmark::State& state) {
    const SeriesInfo& s = *Series().GetSeries(0);
    DailyProfiles data;
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeDailyProfiles(s, CurveOptions{}, 0.75, -1e300, 1e300, data));
}
BENCHMARK(BM_DailyProfilesCompute)->Unit(benchmark::kMillisecond);

// Goal: each at most the curve walk + 50 ms.
void BM_CalendarPaint(benchmark::State& state) {
    PaintDaily(state, true);
}
void BM_ProfilesPaint(benchmark::State& state) {
    PaintDaily(state, false);
}
BENCHMARK(BM_CalendarPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProfilesPaint)->Unit(benchmark::kMillisecond);

} // namespace
