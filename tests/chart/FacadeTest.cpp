// The facade, the descriptors and the curves of a series.

#include "ChartTestUtil.h"
#include "LCWrp.h"
#include "SeriesPlots.h"

#include "ArchiveData.h"

#include <QCoreApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<CLCWrp> MakeChart(int w = 400, int h = 300) {
    return std::unique_ptr<CLCWrp>(CLCWrp::CreateChart({0, 0, w, h}, nullptr, 1));
}

TEST(SetDesc, SettersAndPresenceBits) {
    const double x[] = {3, 1, 2}, y[] = {30, 10, 20};
    LCSetDesc d(3, x, y);
    ASSERT_NE(d.m_pDataSet, nullptr);
    EXPECT_EQ(d.m_nPresent, 0x8000u);
    EXPECT_EQ(d.m_pDataSet->GetInterpolation(), 1);
    EXPECT_EQ(d.m_pDataSet->GetPointIndex(0), 1);
    EXPECT_EQ(d.SetMarkerSize(1), 0);
    EXPECT_EQ(d.m_nMarkerSize, 3);
    EXPECT_EQ(d.SetPlotType(6), 1);
    EXPECT_EQ(d.m_nPresent & LCSetDesc::HasInterp, 0u);
    EXPECT_EQ(d.SetMarkerShape(-1), 1);
    EXPECT_EQ(d.SetMarkerShape(0), 0);
    EXPECT_EQ(d.m_nPresent, 0x8000u | LCSetDesc::HasMarkerSize | LCSetDesc::HasMarkerKind);

    LCSetDesc empty;
    EXPECT_EQ(empty.SetTitle("x"), 1);
    EXPECT_EQ(empty.SetColor(1), 1);
}

TEST(Facade, WithoutAChartEverythingIsANoOp) {
    CLCWrp none;
    double a, b, c, d;
    bool can = true;
    EXPECT_EQ(none.SetTitles("a", "b"), 1);
    EXPECT_EQ(none.SetMargins(1, 2, 3, 4), 1);
    EXPECT_EQ(none.GetView(a, b, c, d), 1);
    EXPECT_EQ(none.CanGoPrevView(can), 1);
    EXPECT_EQ(none.ShowAllData(), 1);
    const double x[] = {1};
    LCSetDesc desc(1, x, x);
    EXPECT_EQ(none.AddSet(desc, true), nullptr);
    EXPECT_EQ(none.RemoveSet(nullptr), 1);
}

TEST(Facade, AddSetAppliesOnlyPresentFieldsAndRefitsTheView) {
    auto chart = MakeChart();
    CLC* c = chart->GetWnd();
    ASSERT_NE(c, nullptr);
    chart->SetView(0, 0, 1, 1);
    chart->SetView(0, 0, 2, 2);
    const double x[] = {10, 20}, y[] = {1, 3};
    LCSetDesc d(2, x, y);
    d.SetColor(0x123456);
    d.SetMarkerShape(2);
    d.SetPlotType(0);
    const LCPosition p = chart->AddSet(d, true);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->crColor, 0x123456u);
    EXPECT_EQ(p->marker.nKind, 2);
    EXPECT_EQ(p->marker.nSize, 3);       // AddPlot's default stays
    EXPECT_EQ(p->marker.crFill, 0u);     // AddPlot's default, not the descriptor's white
    EXPECT_EQ(p->strName, "New plot");
    EXPECT_EQ(p->pDataSet->GetInterpolation(), 0);
    EXPECT_EQ(c->GetCurrentPlot(), p);
    EXPECT_EQ(c->m_views.size(), 1u); // history restarted at the all-data view
    EXPECT_DOUBLE_EQ(c->m_dXMin, 9);
    EXPECT_DOUBLE_EQ(c->m_dXMax, 21);
    bool can = true;
    chart->CanGoPrevView(can);
    EXPECT_FALSE(can);

    LCSetDesc hidden(2, x, y);
    const LCPosition q = chart->AddSet(hidden, false);
    EXPECT_EQ(c->GetPlotFlags(q) & 1u, 1u);
    chart->RemoveSet(q);
    EXPECT_EQ(c->GetPlotCount(), 1);
}

TEST(Facade, MarginsAndFont) {
    auto chart = MakeChart(400, 300);
    chart->SetMargins(70, -1, 30, 50);
    EXPECT_EQ(chart->GetWnd()->m_rcMargins, (LCRect{70, 30, 30, 50}));
    EXPECT_EQ(chart->GetWnd()->m_rcPlot, (LCRect{70, 30, 369, 249}));
    chart->SetFontSize(8);
    EXPECT_EQ(chart->GetWnd()->m_nFontSize, 80);
}

TEST(Facade, ChartOnAParentInScreenCoordinates) {
    QWidget parent;
    parent.setGeometry(100, 100, 600, 500);
    const QPoint origin = parent.mapToGlobal(QPoint(0, 0));
    std::unique_ptr<CLCWrp> chart(CLCWrp::CreateChart(
        {origin.x() + 10, origin.y() + 20, origin.x() + 310, origin.y() + 220}, &parent, 2));
    ASSERT_NE(chart->GetWnd(), nullptr);
    EXPECT_EQ(chart->GetWnd()->geometry(), QRect(10, 20, 300, 200));
    EXPECT_EQ(chart->GetWnd()->parentWidget(), &parent);
}

TEST(Facade, ViewCommandsAreForwardedAsSignals) {
    auto chart = MakeChart();
    const double x[] = {10, 20}, y[] = {1, 3};
    LCSetDesc d(2, x, y);
    chart->AddSet(d, true);
    std::vector<int> ids;
    QObject::connect(chart.get(), &CLCWrp::viewChanged, [&](int id) { ids.push_back(id); });
    chart->ScrollLeft();
    chart->GoPrevView();
    chart->AutoScaleY();
    QCoreApplication::processEvents();
    EXPECT_EQ(ids, (std::vector<int>{1006, 1002}));
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
    auto chart = MakeChart();
    SeriesPlots plots;
    CurveOptions opt;
    opt.filter = true;
    ShowSeriesPlots(*chart, *archive.GetSeries(0), 2, opt, "Data", plots);
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
    EXPECT_EQ(chart->GetWnd()->GetCurrentPlot(), plots.measurement);

    opt.filter = false;
    ShowSeriesPlots(*chart, *archive.GetSeries(0), 0, opt, "Data", plots);
    ASSERT_NE(plots.bad, nullptr);
    EXPECT_EQ(plots.bad->crColor, 0x000080u);
    EXPECT_EQ(plots.bad->marker.nSize, 5);
    EXPECT_EQ(plots.bad->pDataSet->GetPointCount(), 1);
    EXPECT_EQ(plots.measurement->pDataSet->GetPointCount(), 3);
    EXPECT_EQ(chart->GetWnd()->GetPlotCount(), 3); // the earlier plots were removed
    RemoveSeriesPlots(*chart, plots);
    EXPECT_EQ(chart->GetWnd()->GetPlotCount(), 0);
    EXPECT_FALSE(chart->GetWnd()->m_bHasPlots);
}

} // namespace
