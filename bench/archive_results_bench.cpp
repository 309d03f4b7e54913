// Rolling means and the summary of a 1,000,000-point series against the bare
// walk of its measurement curve, in the same run.

#include "ArchiveData.h"
#include "ArchiveGen.h"
#include "CurvePoints.h"
#include "ResultStats.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>

namespace {

struct ResultsFixture {
    std::string path;
    CArchiveData archive;

    ResultsFixture() {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
        const std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
        path = dir + "/tervik-bench-results-" + std::to_string(getpid()) + ".mnr";
        GenOptions o;
        o.series = 1;
        o.recordsPerSeries = 1000000;
        o.cycleSeconds = 60;
        WriteMnrFile(path, ArchiveHeader::Build(0x20, 3, 1), GenerateRecords(o));
        archive.LoadMnr(path);
    }
    ~ResultsFixture() { std::remove(path.c_str()); }
    const SeriesInfo& Series() const { return *archive.GetSeries(0); }
};

ResultsFixture& Results() {
    static ResultsFixture f;
    return f;
}

// The measurement curve walked alone: the baseline of the two below.
void BM_ResultsCurveWalkBaseline(benchmark::State& state) {
    const SeriesInfo& s = Results().Series();
    for (auto _ : state) {
        double sum = 0;
        s.ForEachCurvePoint(
            CF_MEAS_ONLY | CF_SKIP_BAD, true, -1, -1,
            [&](int, const ArchiveRecord&, double t, double y, double, double) { sum += t + y; });
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ResultsCurveWalkBaseline)->Unit(benchmark::kMillisecond);

// Rolling 8-hour means from the points; goal 1.5 x the walk.
void BM_RollingEightHour(benchmark::State& state) {
    const SeriesInfo& s = Results().Series();
    RollingOptions o;
    std::vector<RollingMean> out;
    std::string error;
    const double inf = std::numeric_limits<double>::infinity();
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeRollingMeans(s, CurveOptions{}, o, -inf, inf, out, error));
    state.counters["means"] = static_cast<double>(out.size());
}
BENCHMARK(BM_RollingEightHour)->Unit(benchmark::kMillisecond);

// The summary with its percentiles and a preset compared; goal 3 x the walk.
void BM_SummaryWithPercentiles(benchmark::State& state) {
    const SeriesInfo& s = Results().Series();
    SummaryOptions o;
    o.limit = PresetLimit(*FindLimitPreset("eu-ioelv"), 3);
    SummaryStats out;
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeSummary(s, CurveOptions{}, o, out));
    state.counters["points"] = static_cast<double>(out.count);
}
BENCHMARK(BM_SummaryWithPercentiles)->Unit(benchmark::kMillisecond);

} // namespace
