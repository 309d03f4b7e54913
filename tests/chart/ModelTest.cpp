// Data sets, plots, layout and view navigation.

#include "ChartTestUtil.h"

#include <QCoreApplication>
#include <QMenu>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

TEST(DataSet, SortKeepsInputPositionsAndLooksUp) {
    std::unique_ptr<CLCDataSet> ds(MakeDataSet({30, 10, 20, 40}, {3, 1, 2, 4}));
    EXPECT_EQ(ds->GetPointIndex(0), 1); // the point at x = 10 was given second
    EXPECT_EQ(ds->GetPointIndex(3), 3);
    EXPECT_EQ(ds->GetPointIndex(4), 0); // past the end
    EXPECT_EQ(ds->m_dXFirst, 10);
    EXPECT_EQ(ds->m_dXLast, 40);
    EXPECT_EQ(ds->FindFirstAtOrAfter(5), 0);
    EXPECT_EQ(ds->FindFirstAtOrAfter(20), 1);
    EXPECT_EQ(ds->FindFirstAtOrAfter(21), 2);
    EXPECT_EQ(ds->FindFirstAtOrAfter(99), 3);
    EXPECT_EQ(ds->FindLastAtOrBefore(5), 0);
    EXPECT_EQ(ds->FindLastAtOrBefore(20), 1);
    EXPECT_EQ(ds->FindLastAtOrBefore(29.9), 1);
    EXPECT_EQ(ds->FindLastAtOrBefore(99), 3);
    EXPECT_DOUBLE_EQ(ds->ValueAt(15), 1.5);
    EXPECT_DOUBLE_EQ(ds->ValueAt(40), 4);
    EXPECT_DOUBLE_EQ(ds->ValueAt(41), 0);
    double lo, hi;
    ds->GetYRange(12, 18, lo, hi); // between neighbours: the interpolated ends only
    EXPECT_DOUBLE_EQ(lo, 1.2);
    EXPECT_DOUBLE_EQ(hi, 1.8);
    ds->GetYRange(0, 100, lo, hi);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 4);
    ds->GetYRange(50, 60, lo, hi);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 0);
}

TEST(DataSet, OnePoint) {
    std::unique_ptr<CLCDataSet> ds(MakeDataSet({5}, {7}));
    EXPECT_EQ(ds->ValueAt(5), 7);
    EXPECT_EQ(ds->ValueAt(5.5), 0);
    double lo, hi;
    ds->GetYRange(0, 10, lo, hi);
    EXPECT_EQ(lo, 7);
    EXPECT_EQ(hi, 7);
}

TEST(Chart, LayoutRectangles) {
    CLC c;
    c.Layout(400, 300);
    EXPECT_EQ(c.Painter().PlotRect(), (LCRect{70, 30, 379, 239}));
    EXPECT_EQ(c.Painter().InfoStripRect(), (LCRect{210, 5, 379, 28}));
    c.Core().SetMargins(70, -1, 30, 50);
    EXPECT_EQ(c.Painter().PlotRect(), (LCRect{70, 30, 369, 249}));
    c.Layout(80, 60); // too small for the margins
    EXPECT_TRUE(c.Painter().PlotRect().IsRectEmpty());
    EXPECT_TRUE(c.Painter().LegendRect().IsRectEmpty());
    EXPECT_TRUE(c.Painter().ReadoutRect().IsRectEmpty());
}

TEST(Chart, SelectionIsCutToANewPlotArea) {
    CLC c;
    c.Layout(400, 300);
    c.Interaction().SetSelection({300, 100, 370, 200});
    c.Layout(360, 300); // plot right 339
    EXPECT_EQ(c.Interaction().Selection(), (LCRect{300, 100, 339, 200}));
    c.Layout(300, 300); // plot right 279 < left 300
    EXPECT_TRUE(c.Interaction().Selection().IsRectEmpty());
}

TEST(Chart, PaletteAndCurrentPlot) {
    CLC c;
    std::vector<LCPosition> pos;
    for (int i = 0; i < 9; ++i)
        pos.push_back(c.Model().AddPlot(MakeDataSet({double(i)}, {1})));
    const COLORREF expected[9] = {0x000000, 0x0000C0, 0x00C000, 0xC00000, 0xC0C000,
                                  0xC000C0, 0x00C0C0, 0xC0C0C0, 0x000000};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(pos[i]->crColor, expected[i]) << i;
    EXPECT_EQ(c.Model().GetCurrentPlot(), pos[0]); // the first plot stays current
    c.Model().RemovePlot(pos[0]);
    EXPECT_EQ(c.Model().GetCurrentPlot(), pos[8]); // the newest remaining
    EXPECT_EQ(pos[1]->crColor, 0x0000C0u);         // the others keep their colours
    const LCPosition tenth = c.Model().AddPlot(MakeDataSet({1}, {1}));
    EXPECT_EQ(tenth->crColor, 0x000000u); // eight plots before it: entry 8 mod 8
    c.Model().SetPlotFlags(pos[3], 1);
    EXPECT_EQ(c.Model().GetVisiblePlotCount(), 8);
    // Iteration from the head yields the newest data set first.
    LCPosition it = c.Model().GetFirstPlotPosition();
    EXPECT_EQ(c.Model().GetNextDataSet(it), tenth->pDataSet);
    EXPECT_EQ(it, pos[8]);
    c.Model().SetPlotName(nullptr, "x"); // null positions are harmless
    EXPECT_EQ(c.Model().GetPlotDataSet(nullptr), nullptr);
}

TEST(Chart, LegendBoxLines) {
    CLC c;
    c.Layout(700, 400);
    c.Model().AddPlot(MakeDataSet({1}, {1}));
    ASSERT_FALSE(c.Painter().LegendRect().IsRectEmpty());
    QImage probe(1, 1, QImage::Format_RGB32);
    CImageDC dc(probe);
    const LCSize s0 = dc.GetTextExtent("0");
    const int L = s0.cy + s0.cy / 3;
    EXPECT_EQ(c.Painter().LegendRect().bottom - c.Painter().LegendRect().top, L + s0.cy); // one line
    EXPECT_EQ(c.Painter().LegendRect().right, c.Painter().PlotRect().right - 10);
    EXPECT_EQ(c.Painter().LegendRect().right - c.Painter().LegendRect().left, s0.cx * 21);
    // With a title the box needs two lines; a plot area with room for one has none.
    c.Painter().SetLegendTitle("T");
    c.Layout(700, c.Painter().Margins().top + c.Painter().Margins().bottom + 20 + L + s0.cy + 1);
    EXPECT_TRUE(c.Painter().LegendRect().IsRectEmpty());
    c.Painter().SetLegendTitle("");
    c.Painter().LayoutLegend();
    EXPECT_FALSE(c.Painter().LegendRect().IsRectEmpty());
}

TEST(View, SetViewRefusals) {
    CLC c;
    int sent = 0;
    QObject::connect(&c, &CLC::chartNotify, [&](LCNotify code) { sent += code == LCNotify::ViewChanged; });
    EXPECT_FALSE(c.Model().SetView(5, 0, 5, 1));
    EXPECT_FALSE(c.Model().SetView(0, 1, 1, 1));
    EXPECT_FALSE(c.Model().SetView(1e9, 0, 1e9 + 0.05, 1));
    EXPECT_EQ(sent, 0);
    EXPECT_TRUE(c.Model().GetViewHistory().empty());
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(c.Model().SetView(-inf, 0, 1, 1));
    EXPECT_FALSE(c.Model().SetView(0, 0, 1, inf));
    EXPECT_FALSE(c.Model().SetView(-1e308, 0, 1e308, 1)); // the width overflows
    EXPECT_FALSE(c.Model().SetView(std::nan(""), 0, 1, 1));
    EXPECT_TRUE(c.Model().SetView(1e9, 0, 1e9 + 0.2, 1));
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(c.Model().GetViewHistory().size(), 1u);
}

TEST(View, HistoryAfterZoomsPrevAndScroll) {
    CLC c;
    c.Layout(400, 300);
    c.Model().AddPlot(MakeDataSet({0, 100}, {0, 10}));
    c.Model().SetView(0, 0, 100, 10); // A
    c.Model().ResetViewHistory();
    c.Model().SetView(10, 0, 90, 10);
    c.Model().SetView(20, 0, 80, 10); // Z2
    c.Model().SetView(30, 0, 70, 10);
    ASSERT_EQ(c.Model().GetViewHistory().size(), 4u);
    c.Model().GoPrevView();
    c.Model().GoPrevView();
    EXPECT_EQ(c.Model().XMin(), 10);
    EXPECT_TRUE(c.Model().CanGoNextView());
    c.OnCommand(CLC::CmdScrollRight); // d = 8
    ASSERT_EQ(c.Model().GetViewHistory().size(), 3u);
    EXPECT_EQ(c.Model().GetViewHistory()[2].dXMin, 18);
    EXPECT_EQ(c.Model().GetViewHistory()[2].dXMax, 98);
    EXPECT_FALSE(c.Model().CanGoNextView());
    c.Model().GoPrevView();
    EXPECT_EQ(c.Model().XMin(), 10);
    EXPECT_EQ(c.Model().XMax(), 90);
    c.Model().GoPrevView();
    c.Model().GoPrevView(); // at the first entry: nothing
    EXPECT_EQ(c.Model().XMin(), 0);
    EXPECT_FALSE(c.Model().CanGoPrevView());
}

TEST(View, AllDataAndAutoYOfDegenerateData) {
    CLC c;
    c.Layout(400, 300);
    const double t = 1.3e9, v = 5;
    c.Model().AddPlot(MakeDataSet({t, t, t}, {v, v, v}));
    c.Core().ShowAllData();
    EXPECT_DOUBLE_EQ(c.Model().XMin(), t - 1.2);
    EXPECT_DOUBLE_EQ(c.Model().XMax(), t + 1.2);
    EXPECT_DOUBLE_EQ(c.Model().YMin(), v - 1.2);
    EXPECT_DOUBLE_EQ(c.Model().YMax(), v + 1.2);

    CLC d;
    d.Layout(400, 300);
    d.Model().AddPlot(MakeDataSet({10, 20}, {3, 4}));
    d.Model().SetView(100, 0, 200, 1); // no point inside
    d.Core().AutoScaleY();
    EXPECT_DOUBLE_EQ(d.Model().YMin(), -1.2);
    EXPECT_DOUBLE_EQ(d.Model().YMax(), 1.2);
    EXPECT_EQ(d.Model().XMin(), 100);
}

TEST(View, AllDataWidensOverAllPlotsIncludingHidden) {
    CLC c;
    c.Layout(400, 300);
    const LCPosition a = c.Model().AddPlot(MakeDataSet({0, 10}, {0, 1}));
    c.Model().AddPlot(MakeDataSet({20, 30}, {-4, 1}));
    c.Model().SetPlotFlags(a, 1);
    c.Core().ShowAllData();
    EXPECT_DOUBLE_EQ(c.Model().XMin(), -3);
    EXPECT_DOUBLE_EQ(c.Model().XMax(), 33);
    EXPECT_DOUBLE_EQ(c.Model().YMin(), -4.5);
    EXPECT_DOUBLE_EQ(c.Model().YMax(), 1.5);
    c.Core().AutoScaleY(); // hidden plot ignored: y range of the other over x -3..33 is -4..1
    EXPECT_DOUBLE_EQ(c.Model().YMin(), -4.5);
}

TEST(View, CommandsPostTheirNotifications) {
    CLC c;
    c.Layout(400, 300);
    c.Model().AddPlot(MakeDataSet({0, 100}, {0, 10}));
    std::vector<int> posted;
    QObject::connect(&c, &CLC::viewChanged, [&](LCViewNotice id) { posted.push_back(static_cast<int>(id)); });
    c.OnCommand(CLC::CmdAllData);
    EXPECT_TRUE(posted.empty()); // posted, not sent
    QCoreApplication::processEvents();
    c.OnCommand(CLC::CmdPrevView);
    c.OnCommand(CLC::CmdNextView);
    c.OnCommand(CLC::CmdScrollLeft);
    c.OnCommand(CLC::CmdScrollRight);
    c.OnCommand(CLC::CmdAutoY);
    c.OnCommand(CLC::CmdLegend);
    c.OnCommand(CLC::CmdZoomIn); // no selection: nothing
    QCoreApplication::processEvents();
    EXPECT_EQ(posted, (std::vector<int>{1001, 1002, 1003, 1006, 1007}));
    c.Interaction().SetSelection({100, 100, 200, 200});
    c.OnCommand(CLC::CmdZoomIn);
    QCoreApplication::processEvents();
    EXPECT_EQ(posted.back(), 1004);
    EXPECT_TRUE(c.Interaction().Selection().IsRectEmpty());
}

TEST(View, SelectionRange) {
    CLC c;
    c.Layout(400, 300); // plot 70..379 (W 310), 30..239 (H 210)
    c.Model().SetView(0, 0, 310, 210);
    double x1, y1, x2, y2;
    EXPECT_FALSE(c.Core().GetSelectionRange(x1, y1, x2, y2));
    c.Interaction().SetSelection({80, 40, 180, 140});
    ASSERT_TRUE(c.Core().GetSelectionRange(x1, y1, x2, y2));
    EXPECT_DOUBLE_EQ(x1, 10);
    EXPECT_DOUBLE_EQ(x2, 110);
    EXPECT_DOUBLE_EQ(y1, 99);  // 239 - 140
    EXPECT_DOUBLE_EQ(y2, 199); // 239 - 40
}

TEST(Menus, ItemsTextsAndGreying) {
    CLC c;
    c.Layout(400, 300);
    c.Model().AddPlot(MakeDataSet({0, 100}, {0, 10}));
    QMenu menu;
    c.BuildContextMenu(&menu);
    QStringList texts;
    std::vector<int> ids;
    std::vector<bool> enabled;
    for (QAction* a : menu.actions()) {
        texts << a->text();
        ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
        enabled.push_back(a->isEnabled());
    }
    EXPECT_EQ(texts, (QStringList{"Prev view", "Next view", "", "All data", "Auto Y", "", "Scroll left",
                                  "Scroll right", "", "Export image"}));
    EXPECT_EQ(ids, (std::vector<int>{2, 3, 0, 1, 8, 0, 6, 7, 0, 9}));
    EXPECT_FALSE(enabled[0]);
    EXPECT_FALSE(enabled[1]);
    EXPECT_TRUE(enabled[3]);
    QMenu sel;
    c.BuildSelectionMenu(&sel);
    ASSERT_EQ(sel.actions().size(), 1);
    EXPECT_EQ(sel.actions()[0]->text(), "Zoom in");
    EXPECT_EQ(sel.actions()[0]->data().toInt(), 4);
}

TEST(Hits, FindHitReturnsTheFirstContainingRecord) {
    CLC c;
    c.Layout(200, 200);
    c.Interaction().AddHit({10, 10, 4, 4}, nullptr, 1, 0, 0); // normalised to (4, 4, 10, 10)
    c.Interaction().AddHit({0, 0, 20, 20}, nullptr, 2, 0, 0);
    c.Interaction().AddHit({30, 30, 40, 40}, nullptr, 3, 0, 0);
    ASSERT_NE(c.Interaction().FindHit(5, 5), nullptr);
    EXPECT_EQ(c.Interaction().FindHit(5, 5)->nPoint, 1);
    EXPECT_EQ(c.Interaction().FindHit(10, 10)->nPoint, 2); // right and bottom edges are outside
    EXPECT_EQ(c.Interaction().FindHit(39, 39)->nPoint, 3);
    EXPECT_EQ(c.Interaction().FindHit(40, 40), nullptr);
    c.Interaction().ClearHits();
    EXPECT_EQ(c.Interaction().FindHit(5, 5), nullptr);
}

TEST(Hits, FindHitAgreesWithALinearSearch) {
    CLC c;
    c.Layout(300, 200);
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> pos(-10, 310), size(0, 6), coin(0, 9);
    int left = 0;
    for (int i = 0; i < 3000; ++i) {
        // Mostly ascending left edges (a plot's markers), sometimes a new run.
        left = coin(rng) == 0 ? pos(rng) : left + size(rng) / 3;
        const int top = pos(rng) % 200, s = size(rng);
        c.Interaction().AddHit({left, top, left + 2 * s, top + 2 * s}, nullptr, i, 0, 0);
    }
    for (int y = -2; y < 202; y += 3)
        for (int x = -12; x < 320; x += 2) {
            int want = -1;
            for (const HitRect& h : c.Interaction().GetHits())
                if (h.rc.PtInRect({x, y})) {
                    want = h.nPoint;
                    break;
                }
            const HitRect* got = c.Interaction().FindHit(x, y);
            ASSERT_EQ(got ? got->nPoint : -1, want) << x << "," << y;
        }
}

} // namespace
