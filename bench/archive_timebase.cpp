// The curve walk of a 1,000,000-record series under each time base: this
// computer's zone (the baseline, Europe/Berlin through TZ), a fixed offset
// and a named zone read from the zone database.

#include "ArchiveData.h"
#include "ArchiveGen.h"
#include "CurvePoints.h"
#include "TimeBase.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>

namespace {

struct WalkData {
    CArchiveData archive;
    WalkData() {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
        GenOptions o;
        o.series = 1;
        o.recordsPerSeries = 1000000;
        o.cycleSeconds = 60;
        archive.AssignRecords(GenerateRecords(o), true);
    }
};

WalkData& Walk() {
    static WalkData data;
    return data;
}

void TimeBaseCurveWalk(benchmark::State& state, const char* timeBase) {
    const SeriesInfo& s = *Walk().archive.GetSeries(0);
    TimeBase base;
    if (ParseTimeBase(timeBase, base) != TimeBaseError::None ||
        SetActiveTimeBase(base) != TimeBaseError::None) {
        state.SkipWithError("time base not available");
        return;
    }
    for (auto _ : state) {
        double sum = 0;
        s.ForEachCurvePoint(
            CF_MEAS_ONLY | CF_SKIP_BAD, true, -1, -1,
            [&](int, const ArchiveRecord&, double t, double y, double, double) { sum += t + y; });
        benchmark::DoNotOptimize(sum);
    }
    SetActiveTimeBase(TimeBase{});
}

void BM_TimeBaseWalkLocal(benchmark::State& state) {
    TimeBaseCurveWalk(state, "local");
}
void BM_TimeBaseWalkFixed(benchmark::State& state) {
    TimeBaseCurveWalk(state, "UTC+01:00");
}
void BM_TimeBaseWalkZone(benchmark::State& state) {
    TimeBaseCurveWalk(state, "Europe/Berlin");
}
BENCHMARK(BM_TimeBaseWalkLocal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TimeBaseWalkFixed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TimeBaseWalkZone)->Unit(benchmark::kMillisecond);

} // namespace
