// The facade and the descriptors.

#include "ChartTestUtil.h"
#include "LCWrp.h"

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
    EXPECT_EQ(p->marker.nSize, 3);   // AddPlot's default stays
    EXPECT_EQ(p->marker.crFill, 0u); // AddPlot's default, not the descriptor's white
    EXPECT_EQ(p->strName, "New plot");
    EXPECT_EQ(p->pDataSet->GetInterpolation(), 0);
    EXPECT_EQ(c->Model().GetCurrentPlot(), p);
    EXPECT_EQ(c->Model().GetViewHistory().size(), 1u); // history restarted at the all-data view
    EXPECT_DOUBLE_EQ(c->Model().XMin(), 9);
    EXPECT_DOUBLE_EQ(c->Model().XMax(), 21);
    bool can = true;
    chart->CanGoPrevView(can);
    EXPECT_FALSE(can);

    LCSetDesc hidden(2, x, y);
    const LCPosition q = chart->AddSet(hidden, false);
    EXPECT_EQ(c->Model().GetPlotFlags(q) & 1u, 1u);
    chart->RemoveSet(q);
    EXPECT_EQ(c->Model().GetPlotCount(), 1);
}

TEST(Facade, MarginsAndFont) {
    auto chart = MakeChart(400, 300);
    chart->SetMargins(70, -1, 30, 50);
    EXPECT_EQ(chart->GetWnd()->Painter().Margins(), (LCRect{70, 30, 30, 50}));
    EXPECT_EQ(chart->GetWnd()->Painter().PlotRect(), (LCRect{70, 30, 369, 249}));
    chart->SetFontSize(8);
    EXPECT_EQ(chart->GetWnd()->Painter().FontSize(), 80);
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

} // namespace
