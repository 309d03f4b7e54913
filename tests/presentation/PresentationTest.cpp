// From a series to the chart's plots, and the chart's texts in this program.

#include "ChartLabels.h"
#include "SeriesPlots.h"

#include "ArchiveData.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>
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
