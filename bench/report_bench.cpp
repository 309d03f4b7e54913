// The PDF report of a series of 1,000,000 records (one every 60 s, about 1.9
// years), against painting the same series' chart as a 770 x 380 raster in
// the same run. The report's chart draws only the last marker at each pixel
// centre, as the raster does, each as a shape of its own.

#include "ArchiveData.h"
#include "ArchiveFormats.h"
#include "ArchiveGen.h"
#include "ImageDC.h"
#include "SeriesPlots.h"
#include "SeriesReport.h"
#include "StringTable.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// Kept for the process's life: its destructor must not run from the exit handlers.
void EnsureGuiApp() {
    if (QCoreApplication::instance())
        return;
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "tervik-bench";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
}

struct ReportFixture {
    TervikDocument document;
    std::string path;
    ReportFixture() {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
        EnsureGuiApp();
        const std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
        const std::string stem = dir + "/tervik-bench-report-" + std::to_string(getpid());
        GenOptions o;
        o.series = 1;
        o.recordsPerSeries = 1000000;
        o.cycleSeconds = 60;
        WriteMnrFile(stem + ".mnr", ArchiveHeader::Build(0x20, 3, 1207), GenerateRecords(o));
        SilentReporter silent;
        document.Load(*FormatByKey("mnr"), stem + ".mnr",
                      DataProvenance::FromFile(DataProvenance::Way::File, "bench.mnr"), silent);
        std::remove((stem + ".mnr").c_str());
        path = stem + ".pdf";
    }
    ~ReportFixture() { std::remove(path.c_str()); }
};

ReportFixture& Fixture() {
    static ReportFixture f;
    return f;
}

// Arg: the interval in minutes (1440 a day: about 700 table rows; 60: about 16,700).
void BM_ReportPdf(benchmark::State& state) {
    ReportFixture& f = Fixture();
    ReportOptions options;
    options.series = 0;
    options.intervals.minutes = static_cast<int>(state.range(0));
    options.intervals.haveLimit = true;
    options.intervals.limit = 2.5;
    std::string error;
    for (auto _ : state)
        if (!WriteSeriesReport(f.document, options, f.path, error))
            state.SkipWithError(error.c_str());
    std::error_code ec;
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(f.path, ec)) / 1e6;
}
BENCHMARK(BM_ReportPdf)->Arg(1440)->Arg(60)->Unit(benchmark::kMillisecond);

// The same series as the main window's chart, painted on a 770 x 380 raster.
void BM_ReportChartRaster(benchmark::State& state) {
    ReportFixture& f = Fixture();
    CLCCore chart;
    chart.Layout(770, 380);
    ConfigureMainChart(&chart, "Time", "Hg concentration, ug/m3");
    SeriesPlots plots;
    ShowSeriesPlots(&chart, *f.document.Archive()->GetSeries(0), 0, CurveOptions{}, "Data", plots);
    QImage img(770, 380, QImage::Format_RGB32);
    for (auto _ : state) {
        CImageDC dc(img);
        chart.PaintTo(dc);
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_ReportChartRaster)->Unit(benchmark::kMillisecond);

} // namespace
