// A campaign of 30 reads of 44,000 records each, every read overlapping the
// one before by half: merging them against loading them all, in one run.

#include "ArchiveData.h"
#include "ArchiveGen.h"
#include "CampaignMerge.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kReads = 30, kPerRead = 44000;

struct CampaignFixture {
    std::vector<std::string> paths;

    CampaignFixture() {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
        const std::string dir = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
        GenOptions o;
        o.series = 1;
        o.recordsPerSeries = (kReads + 1) * kPerRead / 2;
        o.cycleSeconds = 60;
        const std::vector<ArchiveRecord> all = GenerateRecords(o);
        const ArchiveHeader h = ArchiveHeader::Build(0x20, 3, 1);
        for (int i = 0; i < kReads; ++i) {
            paths.push_back(dir + "/tervik-bench-" + std::to_string(getpid()) + "-read" + std::to_string(i) +
                            ".mnr");
            const auto first = all.begin() + i * kPerRead / 2;
            WriteMnrFile(paths.back(), h, {first, first + kPerRead});
        }
    }
    ~CampaignFixture() {
        for (const std::string& p : paths)
            std::remove(p.c_str());
    }
};

CampaignFixture& Reads() {
    static CampaignFixture f;
    return f;
}

void BM_CampaignLoadEachRead(benchmark::State& state) {
    Reads();
    CArchiveData archive;
    for (auto _ : state)
        for (const std::string& p : Reads().paths)
            benchmark::DoNotOptimize(archive.LoadMnr(p));
}
BENCHMARK(BM_CampaignLoadEachRead)->Unit(benchmark::kMillisecond);

void BM_CampaignMerge(benchmark::State& state) {
    Reads();
    SilentReporter quiet;
    int records = 0;
    for (auto _ : state) {
        CArchiveData archive;
        records = MergeCampaign(Reads().paths, archive, quiet).report.records;
        benchmark::DoNotOptimize(records);
    }
    state.counters["records"] = records;
}
BENCHMARK(BM_CampaignMerge)->Unit(benchmark::kMillisecond);

} // namespace
