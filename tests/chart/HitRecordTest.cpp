// Hit records are the markers of the last drawing of the plots, whenever
// they are asked for.

#include "ChartTestUtil.h"

#include <gtest/gtest.h>

TEST(HitRecords, DescribeThePaintedFrameNotLaterChanges) {
    CLCCore c;
    c.SetMargins(20, 10, 20, 20);
    c.Layout(200, 150); // plot area (20, 10) .. (179, 129)
    const LCPosition kept = c.AddPlot(MakeDataSet({40, 80}, {30, 60}));
    const LCPosition gone = c.AddPlot(MakeDataSet({120}, {90}));
    c.SetPlotMarkerSize(kept, 4);
    c.SetView(0, 0, 160, 120);
    QImage img = WhiteImage(200, 150);
    {
        CImageDC dc(img);
        c.PaintTo(dc);
    }
    // Changes after the drawing that nobody has painted yet.
    c.SetView(0, 0, 80, 60);
    c.SetPlotMarkerSize(kept, 9);
    c.SetPlotFlags(kept, c.GetPlotFlags(kept) | 1u);
    ASSERT_EQ(c.GetHits().size(), 3u);
    // The current plot (the first added) is drawn, and recorded, last.
    EXPECT_EQ(c.GetHits()[0].pPlot, gone);
    EXPECT_EQ(c.GetHits()[1].rc, (LCRect{60 - 4, 99 - 4, 60 + 4, 99 + 4}));
    EXPECT_EQ(c.GetHits()[2].rc, (LCRect{100 - 4, 69 - 4, 100 + 4, 69 + 4}));
    ASSERT_NE(c.FindHit(100, 69), nullptr);
    EXPECT_EQ(c.FindHit(100, 69)->nPoint, 1);
    // No record may outlive its plot.
    c.RemovePlot(gone);
    EXPECT_EQ(c.FindHit(140, 39), nullptr);
    EXPECT_TRUE(c.GetHits().empty());
}

TEST(HitRecords, TakeSixteenBytesEach) {
    CLCCore c;
    c.SetMargins(20, 10, 20, 20);
    c.Layout(400, 300);
    std::vector<double> x, y;
    for (int i = 0; i < 5000; ++i) {
        x.push_back(i);
        y.push_back(i % 97);
    }
    c.AddPlot(MakeDataSet(x, y));
    c.SetView(0, 0, 4999, 96);
    QImage img = WhiteImage(400, 300);
    {
        CImageDC dc(img);
        c.PaintTo(dc);
    }
    ASSERT_EQ(c.HitCount(), 5000u);
    EXPECT_LE(c.HitBytes(), 16u * c.HitCount() + 256);
    EXPECT_EQ(c.GetHits()[4321].nPoint, 4321);
    EXPECT_EQ(c.GetHits()[4321].dY, 4321 % 97);
}
