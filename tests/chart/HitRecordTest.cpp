// Hit records are the markers of the last drawing of the plots, whenever
// they are asked for.

#include "ChartTestUtil.h"

#include <gtest/gtest.h>

TEST(HitRecords, DescribeThePaintedFrameNotLaterChanges) {
    CLCCore c;
    c.SetMargins(20, 10, 20, 20);
    c.Layout(200, 150); // plot area (20, 10) .. (179, 129)
    const LCPosition kept = c.Model().AddPlot(MakeDataSet({40, 80}, {30, 60}));
    const LCPosition gone = c.Model().AddPlot(MakeDataSet({120}, {90}));
    c.Model().SetPlotMarkerSize(kept, 4);
    c.Model().SetView(0, 0, 160, 120);
    QImage img = WhiteImage(200, 150);
    {
        CImageDC dc(img);
        c.PaintTo(dc);
    }
    // Changes after the drawing that nobody has painted yet.
    c.Model().SetView(0, 0, 80, 60);
    c.Model().SetPlotMarkerSize(kept, 9);
    c.Model().SetPlotFlags(kept, c.Model().GetPlotFlags(kept) | 1u);
    ASSERT_EQ(c.Interaction().GetHits().size(), 3u);
    // The current plot (the first added) is drawn, and recorded, last.
    EXPECT_EQ(c.Interaction().GetHits()[0].pPlot, gone);
    EXPECT_EQ(c.Interaction().GetHits()[1].rc, (LCRect{60 - 4, 99 - 4, 60 + 4, 99 + 4}));
    EXPECT_EQ(c.Interaction().GetHits()[2].rc, (LCRect{100 - 4, 69 - 4, 100 + 4, 69 + 4}));
    ASSERT_NE(c.Interaction().FindHit(100, 69), nullptr);
    EXPECT_EQ(c.Interaction().FindHit(100, 69)->nPoint, 1);
    // No record may outlive its plot.
    c.Model().RemovePlot(gone);
    EXPECT_EQ(c.Interaction().FindHit(140, 39), nullptr);
    EXPECT_TRUE(c.Interaction().GetHits().empty());
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
    c.Model().AddPlot(MakeDataSet(x, y));
    c.Model().SetView(0, 0, 4999, 96);
    QImage img = WhiteImage(400, 300);
    {
        CImageDC dc(img);
        c.PaintTo(dc);
    }
    ASSERT_EQ(c.Interaction().HitCount(), 5000u);
    EXPECT_LE(c.Interaction().HitBytes(), 16u * c.Interaction().HitCount() + 256);
    EXPECT_EQ(c.Interaction().GetHits()[4321].nPoint, 4321);
    EXPECT_EQ(c.Interaction().GetHits()[4321].dY, 4321 % 97);
}
