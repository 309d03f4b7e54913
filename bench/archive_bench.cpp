// Archive benchmarks on a generated 1,000,000-record file. Each measured
// operation has a baseline in the same run: reading the bytes alone (into
// memory touched before, and into fresh memory as a load must), decoding the
// fields alone, and printf-style formatting of the same table.

#include "ArchiveData.h"
#include "ArchiveGen.h"
#include "BigAlloc.h"
#include "CurvePoints.h"
#include "IntervalStats.h"
#include "SeriesFormat.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRecords = 1000000;

struct Fixture {
    std::string path;       // zero record every tenth cycle
    std::string sparsePath; // a single zero record at the start
    std::string outPath;

    Fixture() {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
        const std::string dir = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
        const std::string stem = dir + "/tervik-bench-" + std::to_string(getpid());
        path = stem + "-dense.mnr";
        sparsePath = stem + "-sparse.mnr";
        outPath = stem + "-export.txt";
        GenOptions o;
        o.series = 1;
        o.recordsPerSeries = kRecords;
        o.cycleSeconds = 60;
        const ArchiveHeader h = ArchiveHeader::Build(0x20, 3, 1);
        WriteMnrFile(path, h, GenerateRecords(o));
        o.zeroEvery = 0;
        WriteMnrFile(sparsePath, h, GenerateRecords(o));
    }
    ~Fixture() {
        std::remove(path.c_str());
        std::remove(sparsePath.c_str());
        std::remove(outPath.c_str());
    }
};

Fixture& Data() {
    static Fixture f;
    return f;
}

class NullReporter final : public IReporter {
    void ShowMessage(std::string_view, int) override {}
};
NullReporter g_quiet;

void BM_ReadFileBaseline(benchmark::State& state) {
    const std::string& path = Data().path; // generated outside the timing
    std::vector<char> buf(32 + 16 * static_cast<size_t>(kRecords));
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        const size_t n = std::fread(buf.data(), 1, buf.size(), f);
        std::fclose(f);
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_ReadFileBaseline)->Unit(benchmark::kMillisecond);

// The same read into a block fresh from the big-array allocator each time,
// as every load reads into one: the kernel clears each page before the read
// fills it, and the block is given back at the end.
void BM_ReadFileFreshBaseline(benchmark::State& state) {
    const std::string& path = Data().path; // generated outside the timing
    const size_t bytes = 32 + 16 * static_cast<size_t>(kRecords);
    for (auto _ : state) {
        void* block = AllocateBig(bytes);
        if (!block) {
            state.SkipWithError("out of memory");
            break;
        }
        std::FILE* f = std::fopen(path.c_str(), "rb");
        const size_t n = std::fread(block, 1, bytes, f);
        std::fclose(f);
        benchmark::DoNotOptimize(n);
        FreeBig(block);
    }
}
BENCHMARK(BM_ReadFileFreshBaseline)->Unit(benchmark::kMillisecond);

void BM_LoadMnr(benchmark::State& state) {
    const std::string& path = Data().path; // generated outside the timing
    CArchiveData archive;
    archive.SetReporter(&g_quiet);
    for (auto _ : state)
        benchmark::DoNotOptimize(archive.LoadMnr(path));
    // Resident size of the archive itself, per record.
    const double bytes = static_cast<double>(
        archive.GetRecords().capacity() * sizeof(ArchiveRecord) +
        static_cast<size_t>(archive.GetSeriesCount()) * sizeof(SeriesInfo) + sizeof(CArchiveData));
    state.counters["bytes_per_record"] = bytes / archive.GetRecordCount();
}
BENCHMARK(BM_LoadMnr)->Unit(benchmark::kMillisecond);

// Decoding every field of every record into four arrays: the least a curve
// computation has to do.
void BM_DecodeBaseline(benchmark::State& state) {
    CArchiveData archive;
    archive.LoadMnr(Data().path);
    std::vector<double> a, b, c, d;
    for (auto _ : state) {
        a.clear();
        b.clear();
        c.clear();
        d.clear();
        for (const ArchiveRecord& r : archive.GetRecords()) {
            a.push_back(r.GetSecond() + 60.0 * r.GetMinute() + 3600.0 * r.GetHour() + 86400.0 * r.GetDay());
            b.push_back(r.GetConcentration());
            c.push_back(r.GetTemperature() / 10.0);
            d.push_back(r.GetPressure());
        }
        benchmark::DoNotOptimize(a.data());
    }
}
BENCHMARK(BM_DecodeBaseline)->Unit(benchmark::kMillisecond);

void CurvesBench(benchmark::State& state, const std::string& path) {
    CArchiveData archive;
    archive.LoadMnr(path);
    const SeriesInfo& s = *archive.GetSeries(0);
    std::vector<double> t, r, T, P;
    for (auto _ : state)
        benchmark::DoNotOptimize(s.GetCurves(CF_MEAS_ONLY | CF_SKIP_BAD, true, 200, 760, t, r, T, P));
}
void BM_GetCurves_ZeroEveryTenth(benchmark::State& state) {
    CurvesBench(state, Data().path);
}
void BM_GetCurves_SingleZero(benchmark::State& state) {
    CurvesBench(state, Data().sparsePath);
}
BENCHMARK(BM_GetCurves_ZeroEveryTenth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetCurves_SingleZero)->Unit(benchmark::kMillisecond);

void BM_ExportTable(benchmark::State& state) {
    CArchiveData archive;
    archive.LoadMnr(Data().path);
    const SeriesInfo& s = *archive.GetSeries(0);
    const std::string& outPath = Data().outPath;
    for (auto _ : state) {
        std::FILE* f = std::fopen(outPath.c_str(), "wb");
        benchmark::DoNotOptimize(WriteExportTable(s, CurveOptions{}, f));
        std::fclose(f);
    }
}
BENCHMARK(BM_ExportTable)->Unit(benchmark::kMillisecond);

// The same table through fprintf, as a text-mode C program writes it.
void BM_ExportPrintfBaseline(benchmark::State& state) {
    CArchiveData archive;
    archive.LoadMnr(Data().path);
    const SeriesInfo& s = *archive.GetSeries(0);
    SeriesCurves c;
    GetExportCurves(s, CurveOptions{}, c);
    const std::string& outPath = Data().outPath;
    for (auto _ : state) {
        std::FILE* f = std::fopen(outPath.c_str(), "wb");
        int k = 0;
        for (int i = 0; i < s.GetCount() && k < static_cast<int>(c.times.size()); ++i) {
            const ArchiveRecord& r = s.GetRecord(i);
            if (r.IsBad())
                continue;
            char num[16], date[16], time[16], res[32], temp[32], pres[16];
            std::snprintf(num, sizeof num, "%d", i + 1);
            std::snprintf(date, sizeof date, "%4d-%02d-%02d", r.GetYear(), r.GetMonth(), r.GetDay());
            std::snprintf(time, sizeof time, "%02d:%02d:%02d", r.GetHour(), r.GetMinute(), r.GetSecond());
            std::snprintf(res, sizeof res, "%9.3f", c.results[k]);
            std::snprintf(temp, sizeof temp, "    %.1f", c.temps[k]);
            std::snprintf(pres, sizeof pres, "%6d", static_cast<int>(c.pres[k]));
            std::fprintf(f, "%-8s%-16s%-16s%s%-8s%-8s%s\r\n", num, date, time, res, temp, pres,
                         r.IsZero() ? "" : res);
            ++k;
        }
        std::fclose(f);
    }
}
BENCHMARK(BM_ExportPrintfBaseline)->Unit(benchmark::kMillisecond);

// The measurement curve walked alone, as the chart and the statistics take
// it: the baseline of the interval statistics below.
void BM_CurveWalkBaseline(benchmark::State& state) {
    CArchiveData archive;
    archive.LoadMnr(Data().path);
    const SeriesInfo& s = *archive.GetSeries(0);
    for (auto _ : state) {
        double sum = 0;
        s.ForEachCurvePoint(
            CF_MEAS_ONLY | CF_SKIP_BAD, true, -1, -1,
            [&](int, const ArchiveRecord&, double t, double y, double, double) { sum += t + y; });
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_CurveWalkBaseline)->Unit(benchmark::kMillisecond);

// Hourly (arg 60) and daily (1440) statistics with a limit; goal 30 ms.
void BM_IntervalStats(benchmark::State& state) {
    CArchiveData archive;
    archive.LoadMnr(Data().path);
    const SeriesInfo& s = *archive.GetSeries(0);
    IntervalOptions o;
    o.minutes = static_cast<int>(state.range(0));
    o.haveLimit = true;
    o.limit = 3;
    IntervalTable table;
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeIntervals(s, CurveOptions{}, o, table));
    state.counters["intervals"] = static_cast<double>(table.rows.size());
    state.counters["points"] = static_cast<double>(table.total.count);
}
BENCHMARK(BM_IntervalStats)->Arg(60)->Arg(1440)->Unit(benchmark::kMillisecond);

// save-all's file names for N one-record series, a start second in four
// shared with the series before; time should grow linearly with N.
void BM_SaveAllFileNames(benchmark::State& state) {
    CArchiveData archive;
    std::vector<ArchiveRecord> records(static_cast<size_t>(state.range(0)));
    for (size_t i = 0; i < records.size(); ++i) {
        const int second = static_cast<int>(i) - (i % 4 == 3 ? 1 : 0);
        ArchiveRecord& r = records[i];
        r = ArchiveRecord{};
        r.SetDateTime(2011, 6, 3 + second / 86400, second / 3600 % 24, second / 60 % 60, second % 60);
        r.SetSeriesNumber(static_cast<uint8_t>(i % 2));
    }
    archive.AssignRecords(std::move(records), true);
    for (auto _ : state)
        benchmark::DoNotOptimize(SaveAllFileNames(archive));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SaveAllFileNames)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace
