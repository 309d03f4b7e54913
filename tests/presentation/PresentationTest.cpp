// From a series to the chart's plots, and the chart's texts in this program.

#include "ChartLabels.h"
#include "SeriesPlots.h"

#include "ArchiveData.h"
#include "MnrStream.h"
#include "TestUtil.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

TEST(Labels, TimesInTheLocalZone) {
    // TZ is set by the test environment to UTC.
    EXPECT_EQ(FormatLocalTime(0, false), "00:00:00");
    EXPECT_EQ(FormatLocalTime(1307091930.9, false), "09:05:30"); // truncated, not rounded
    EXPECT_EQ(FormatLocalTime(1307091930, true), "[ 2011-06-03   09:05:30 ]");
}

// The main window's chart writes its times in local time, whatever the
// chart's own default is.
TEST(Labels, MainChartTimesAreLocal) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "Asia/Tokyo", 1); // +9 hours, no summer time
    CLCCore chart;
    ConfigureMainChart(&chart, "x", "y");
    EXPECT_EQ(chart.Painter().FormatTimeLabel(0, false), "09:00:00");
    EXPECT_EQ(chart.Painter().FormatTimeLabel(1307091930, true), "[ 2011-06-03   18:05:30 ]");
    CLCCore bare;
    EXPECT_EQ(bare.Painter().FormatTimeLabel(0, false), "00:00:00");
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

// A series of 2 zero, 3 measurement (one bad) records.
class SeriesTest : public testing::Test {
  protected:
    void SetUp() override {
        std::vector<ArchiveRecord> records;
        auto rec = [](int minute, float value, bool zero, bool bad) {
            ArchiveRecord r{};
            r.SetDateTime(2011, 6, 3, 9, minute, 0);
            r.SetConcentration(value);
            r.SetTemperature(200);
            r.SetPressure(760);
            r.SetFlags(static_cast<uint8_t>((zero ? RF_ZERO : 0) | (bad ? RF_BAD : 0)));
            r.SetSeriesNumber(7);
            return r;
        };
        records = {rec(0, 1, true, false), rec(5, 3, false, false), rec(10, 4, false, true),
                   rec(15, 5, false, false), rec(20, 1, true, false)};
        ASSERT_EQ(archive.AssignRecords(records, true), 5);
    }
    CArchiveData archive;
};

TEST_F(SeriesTest, CurvesAsTheMainWindowShowsThem) {
    CLCCore chart;
    chart.Layout(400, 300);
    SeriesPlots plots;
    CurveOptions opt;
    opt.filter = true;
    ShowSeriesPlots(&chart, *archive.GetSeries(0), 2, opt, "Data", plots);
    ASSERT_NE(plots.zero, nullptr);
    ASSERT_NE(plots.measurement, nullptr);
    EXPECT_EQ(plots.bad, nullptr);
    EXPECT_EQ(plots.zero->strName, "Data #3 '0'");
    EXPECT_EQ(plots.zero->crColor, 0x808000u);
    EXPECT_EQ(plots.zero->marker.nKind, 2);
    EXPECT_EQ(plots.zero->marker.crFill, 0xC0C000u);
    EXPECT_EQ(plots.zero->marker.nSize, 4);
    EXPECT_EQ(plots.zero->strYFormat, "%.2f");
    EXPECT_EQ(plots.measurement->strName, "Data #3");
    EXPECT_EQ(plots.measurement->crColor, 0x208000u);
    EXPECT_EQ(plots.measurement->marker.nKind, 3);
    EXPECT_EQ(plots.measurement->pDataSet->GetPointCount(), 2);
    EXPECT_EQ(plots.results.size(), 2u);
    EXPECT_EQ(chart.Model().GetCurrentPlot(), plots.measurement);

    opt.filter = false;
    ShowSeriesPlots(&chart, *archive.GetSeries(0), 0, opt, "Data", plots);
    ASSERT_NE(plots.bad, nullptr);
    EXPECT_EQ(plots.bad->crColor, 0x000080u);
    EXPECT_EQ(plots.bad->marker.nSize, 5);
    EXPECT_EQ(plots.bad->pDataSet->GetPointCount(), 1);
    EXPECT_EQ(plots.bad->strNote, "marked bad"); // the read-out's word on its points
    EXPECT_EQ(plots.measurement->pDataSet->GetPointCount(), 3);
    EXPECT_EQ(chart.Model().GetPlotCount(), 3); // the earlier plots were removed
    RemoveSeriesPlots(&chart, plots);
    EXPECT_EQ(chart.Model().GetPlotCount(), 0);
    EXPECT_FALSE(chart.Model().HasPlots());
}

// The plots of one chart and of another, bit for bit: points, their order
// before sorting, titles, the message and the view.
void ExpectSamePlots(const CLCCore& a, const SeriesPlots& pa, const CLCCore& b, const SeriesPlots& pb) {
    for (const auto& [x, y] :
         {std::pair{pa.zero, pb.zero}, {pa.measurement, pb.measurement}, {pa.bad, pb.bad}}) {
        ASSERT_EQ(x == nullptr, y == nullptr);
        if (!x)
            continue;
        EXPECT_EQ(x->strName, y->strName);
        const CLCDataSet& dx = *x->pDataSet;
        const CLCDataSet& dy = *y->pDataSet;
        ASSERT_EQ(dx.m_nCount, dy.m_nCount);
        const size_t bytes = sizeof(double) * static_cast<size_t>(dx.m_nCount);
        EXPECT_EQ(std::memcmp(dx.m_pX, dy.m_pX, bytes), 0);
        EXPECT_EQ(std::memcmp(dx.m_pY, dy.m_pY, bytes), 0);
        for (int i = 0; i < dx.m_nCount; ++i)
            ASSERT_EQ(dx.GetPointIndex(i), dy.GetPointIndex(i));
    }
    EXPECT_EQ(a.Painter().Message(), b.Painter().Message());
    double va[4], vb[4];
    a.Model().GetView(va[0], va[1], va[2], va[3]);
    b.Model().GetView(vb[0], vb[1], vb[2], vb[3]);
    EXPECT_EQ(std::memcmp(va, vb, sizeof va), 0);
}

// A series read from its file in two passes gives the plots the archive in
// memory gives: random series over several pieces of the file, with
// zero-control cycles (none to all), bad points, non-finite values, gaps,
// clocks set back and invalid records, every correction on and off, with the
// filter and without.
TEST(StreamedPlots, SameAsFromTheArchiveInMemory) {
    std::mt19937 rng(20261208);
    const auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    TempDir dir;
    const std::string path = dir / "series.mnr";
    for (int trial = 0; trial < 24; ++trial) {
        std::vector<ArchiveRecord> records;
        const int zeroEvery = std::vector<int>{0, 1, 2, 10, 97}[static_cast<size_t>(trial % 5)];
        const int seriesCount = uniform(1, 4);
        int number = uniform(0, 255);
        double t = 1.3e9 + uniform(0, 1 << 20);
        for (int s = 0; s < seriesCount; ++s) {
            number = (number + uniform(1, 254)) % 256;
            const int length = s == 0 && trial % 3 == 0 ? uniform(4097, 9000) : uniform(1, 700);
            // Some series have one zero-control cycle, their first record.
            const bool firstZeroOnly = uniform(0, 3) == 0;
            for (int i = 0; i < length; ++i) {
                const int step = uniform(0, 99);
                t += step < 2 ? -uniform(60, 7200) : step < 5 ? uniform(3600, 86400 * 3) : step < 8 ? 0 : 300;
                const time_t when = static_cast<time_t>(t);
                std::tm f{};
                gmtime_r(&when, &f);
                const bool zero = firstZeroOnly
                                      ? i == 0
                                      : zeroEvery == 1 || (zeroEvery > 1 && uniform(0, zeroEvery - 1) == 0);
                const bool bad = uniform(0, 9) == 0;
                float value = static_cast<float>(uniform(-500, 5000)) / 100.0f;
                if (uniform(0, 199) == 0)
                    value = std::vector<float>{NAN, INFINITY, -INFINITY}[static_cast<size_t>(uniform(0, 2))];
                ArchiveRecord r =
                    MakeRecord(f.tm_year + 1900, f.tm_mon + 1, f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec,
                               static_cast<uint8_t>((zero ? RF_ZERO : 0) | (bad ? RF_BAD : 0)),
                               static_cast<uint8_t>(number), static_cast<int16_t>(uniform(-200, 600)),
                               static_cast<uint16_t>(uniform(300, 1000)), value);
                if (uniform(0, 299) == 0)
                    r.raw[3] = 0x45; // day 45: invalid, dropped by every reader
                records.push_back(r);
            }
        }
        const ArchiveHeader header = ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207);
        WriteBytes(path, MnrBytes(trial % 4 == 1 ? nullptr : &header, records));
        CArchiveData archive;
        ASSERT_GT(archive.LoadMnr(path), 0);
        for (int index = 0; index < archive.GetSeriesCount(); ++index) {
            for (int combo = 0; combo < 16; ++combo) {
                CurveOptions options;
                options.zeroCorrection = combo & 1;
                options.filter = combo & 2;
                options.stdTemp = combo & 4 ? 215 : 0;
                options.stdPres = combo & 8 ? 745 : 0;
                SCOPED_TRACE("trial " + std::to_string(trial) + ", series " + std::to_string(index) +
                             ", options " + std::to_string(combo));
                CLCCore inMemory, streamed;
                inMemory.Layout(400, 300);
                streamed.Layout(400, 300);
                SeriesPlots fromArchive, fromFile;
                fromArchive.keepPoints = fromFile.keepPoints = false;
                ShowSeriesPlots(&inMemory, *archive.GetSeries(index), index, options, "Data", fromArchive);
                MnrSeriesStream stream;
                CollectingReporter reporter;
                ASSERT_TRUE(stream.Open(path, index, options.filter, reporter));
                EXPECT_EQ(stream.SeriesCount(), archive.GetSeriesCount());
                EXPECT_EQ(stream.Digest(), DigestSeries(*archive.GetSeries(index)));
                ASSERT_TRUE(ShowSeriesPlots(&streamed, stream, index, options, "Data", fromFile));
                ExpectSamePlots(inMemory, fromArchive, streamed, fromFile);
                if (HasFailure())
                    return;
            }
        }
    }
}

// More reference zeros than the stream's first blocks hold: the zeros of
// the later blocks still correct the points between them.
TEST(StreamedPlots, ManyReferenceZeros) {
    TempDir dir;
    const std::string path = dir / "series.mnr";
    std::vector<ArchiveRecord> records;
    for (int i = 0; i < 280000; ++i)
        records.push_back(MakeRecord(2011, 6, 1 + i / 14400, i / 600 % 24, i / 10 % 60, i % 10 * 6,
                                     i % 2 ? 0 : RF_ZERO, 1, 200, 760, static_cast<float>(i % 7)));
    WriteBytes(path, MnrBytes(nullptr, records));
    CArchiveData archive;
    ASSERT_GT(archive.LoadMnr(path), 0);
    CurveOptions options;
    CLCCore inMemory, streamed;
    inMemory.Layout(400, 300);
    streamed.Layout(400, 300);
    SeriesPlots fromArchive, fromFile;
    fromArchive.keepPoints = fromFile.keepPoints = false;
    ShowSeriesPlots(&inMemory, *archive.GetSeries(0), 0, options, "Data", fromArchive);
    MnrSeriesStream stream;
    CollectingReporter reporter;
    ASSERT_TRUE(stream.Open(path, 0, options.filter, reporter));
    ASSERT_TRUE(ShowSeriesPlots(&streamed, stream, 0, options, "Data", fromFile));
    ExpectSamePlots(inMemory, fromArchive, streamed, fromFile);
}

// A file changed between the two passes shows nothing rather than a mix of
// the two files.
TEST(StreamedPlots, FileChangedBetweenThePassesShowsNothing) {
    TempDir dir;
    const std::string path = dir / "series.mnr";
    std::vector<ArchiveRecord> records;
    for (int i = 0; i < 10; ++i)
        records.push_back(MakeRecord(2011, 6, 3, 9, i, 0, i % 5 == 0 ? RF_ZERO : 0, 1, 200, 760, 2.0f + i));
    WriteBytes(path, MnrBytes(nullptr, records));
    MnrSeriesStream stream;
    CollectingReporter reporter;
    ASSERT_TRUE(stream.Open(path, 0, true, reporter));
    records[7].SetConcentration(42);
    WriteBytes(path, MnrBytes(nullptr, records));
    CLCCore chart;
    chart.Layout(400, 300);
    SeriesPlots plots;
    CurveOptions options;
    options.filter = true;
    EXPECT_FALSE(ShowSeriesPlots(&chart, stream, 0, options, "Data", plots));
    EXPECT_EQ(chart.Model().GetPlotCount(), 0);
    EXPECT_TRUE(plots.results.empty());
}

} // namespace

int main(int argc, char** argv) {
    // Test discovery runs without the test environment.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("TZ"))
        setenv("TZ", "UTC", 1);
    tzset();
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
