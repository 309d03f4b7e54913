// The chart on a scaled screen: drawn in device pixels, not enlarged.

#include "ChartTestUtil.h"

#include <gtest/gtest.h>

namespace {

struct Drawn {
    QImage image;
    std::vector<HitRect> hits;
    std::vector<RecordingDC::Text> texts;
};

Drawn Draw(int ratio) {
    CLCCore chart;
    chart.SetPixelRatio(ratio);
    chart.Layout(400 * ratio, 300 * ratio);
    chart.SetTitles("Time", "Value");
    chart.ShowLegend(false);
    LCPosition pos = chart.AddPlot(MakeDataSet({0, 40, 100, 230, 300}, {10, 150, 80, 190, 40}));
    chart.SetPlotMarkerFill(pos, 0x00C000);
    chart.SetPlotMarkerKind(pos, 2);
    chart.SetView(-10, 0, 310, 210);
    Drawn d{WhiteImage(400 * ratio, 300 * ratio), {}, {}};
    RecordingDC dc(d.image);
    chart.PaintTo(dc);
    d.hits = chart.GetHits();
    d.texts = dc.texts;
    return d;
}

TEST(PixelRatio, TwoIsDrawnAtDeviceResolutionNotEnlarged) {
    const Drawn one = Draw(1), two = Draw(2);
    ASSERT_EQ(two.image.size(), one.image.size() * 2);
    EXPECT_NE(two.image, one.image.scaled(800, 600, Qt::IgnoreAspectRatio, Qt::FastTransformation));

    // The title's glyphs: at twice the dpi the text is about twice as wide,
    // and its pixels are not 2 x 2 blocks of the small one.
    auto title = [](const Drawn& d) {
        for (const auto& t : d.texts)
            if (t.text == "Time")
                return QPoint(t.x, t.y);
        return QPoint(-1, -1);
    };
    const QPoint t1 = title(one), t2 = title(two);
    ASSERT_GE(t1.x(), 0);
    ASSERT_GE(t2.x(), 0);
    const QImage small = one.image.copy(t1.x(), t1.y(), 30, 14);
    const QImage big = two.image.copy(t2.x(), t2.y(), 60, 28);
    EXPECT_NE(big, small.scaled(60, 28, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    bool oddEdge = false; // some pixel differs from its 2 x 2 block's top-left
    for (int y = 0; y + 1 < big.height() && !oddEdge; y += 2)
        for (int x = 0; x + 1 < big.width() && !oddEdge; x += 2)
            oddEdge = big.pixel(x + 1, y + 1) != big.pixel(x, y);
    EXPECT_TRUE(oddEdge);

    // Hit records: one per marker, twice the size, centred on the drawn marker.
    ASSERT_EQ(two.hits.size(), one.hits.size());
    ASSERT_EQ(two.hits.size(), 5u);
    for (size_t i = 0; i < two.hits.size(); ++i) {
        const LCRect& r = two.hits[i].rc;
        EXPECT_EQ(r.right - r.left, 2 * (one.hits[i].rc.right - one.hits[i].rc.left));
        const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
        EXPECT_EQ(At(two.image, cx, cy), 0x00C000u) << i;
        EXPECT_EQ(At(two.image, cx + 2, cy + 2), 0x00C000u) << i;
        EXPECT_NE(At(two.image, r.right + 2, cy), 0x00C000u) << i;
    }
}

} // namespace
