// The chart on a scaled screen: drawn in device pixels, not enlarged.

#include "ChartTestUtil.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct Drawn {
    QImage image;
    std::vector<HitRect> hits;
    std::vector<RecordingDC::Text> texts;
};

Drawn Draw(int ratio) {
    CLCCore chart;
    chart.Painter().SetPixelRatio(ratio);
    chart.Layout(400 * ratio, 300 * ratio);
    chart.Painter().SetTitles("Time", "Value");
    chart.Painter().ShowLegend(false);
    LCPosition pos = chart.Model().AddPlot(MakeDataSet({0, 40, 100, 230, 300}, {10, 150, 80, 190, 40}));
    chart.Model().SetPlotMarkerFill(pos, 0x00C000);
    chart.Model().SetPlotMarkerKind(pos, 2);
    chart.Model().SetView(-10, 0, 310, 210);
    Drawn d{WhiteImage(400 * ratio, 300 * ratio), {}, {}};
    RecordingDC dc(d.image);
    chart.PaintTo(dc);
    d.hits = chart.Interaction().GetHits();
    d.texts = dc.texts;
    return d;
}

TEST(PixelRatio, TwoIsDrawnAtDeviceResolutionNotEnlarged) {
    const Drawn one = Draw(1), two = Draw(2);
    ASSERT_EQ(two.image.size(), one.image.size() * 2);
    // The same ticks and labels, each label twice as large.
    EXPECT_EQ(two.texts.size(), one.texts.size());
    // The plot's frame, 2 pixels wide: dark above and left, light below and right.
    for (int d : {1, 2}) {
        EXPECT_EQ(At(two.image, 140 - d, 300), 0x686868u);
        EXPECT_EQ(At(two.image, 400, 60 - d), 0x686868u);
        EXPECT_EQ(At(two.image, 759 + d, 300), 0xE0E0E0u);
        EXPECT_EQ(At(two.image, 400, 479 + d), 0xE0E0E0u);
    }
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

// A pen twice as wide draws the thin line's and outline's pixels enlarged
// (dashes included).
TEST(PixelRatio, WidePensDrawTheThinPenEnlarged) {
    auto draw = [](int w) {
        QImage img = WhiteImage(24 * w, 8 * w);
        CImageDC dc(img);
        dc.SetBkMode(TRANSPARENT);
        dc.SelectPen({PS_DOT, w, 0x000000});
        dc.MoveTo(0, 0);
        dc.LineTo(20 * w, 0);
        dc.MoveTo(21 * w, 0);
        dc.LineTo(21 * w, 8 * w);
        dc.SelectPen({PS_SOLID, w, 0x0000FF});
        dc.SelectBrush(GdiBrush::SolidBrush(0x00FF00));
        dc.Rectangle(2 * w, 2 * w, 7 * w, 7 * w);
        return img;
    };
    const QImage one = draw(1);
    EXPECT_TRUE(draw(2) == one.scaled(one.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

// At ratio 2 many more markers overlap and big ones hang over the surface's
// edges; the stamped drawing still gives the shapes' own pixels.
TEST(PixelRatio, StampedMarkersMatchPlainDrawing) {
    for (int kind = 1; kind <= 5; ++kind) {
        QImage images[2];
        for (bool plain : {false, true}) {
            CLCCore chart;
            chart.Painter().SetPixelRatio(2);
            chart.SetMargins(0, 0, 0, 0);
            chart.Layout(300, 200);
            std::mt19937 rng(kind);
            std::uniform_real_distribution<double> u(0, 100);
            std::vector<double> x, y;
            for (int i = 0; i < 800; ++i) {
                x.push_back(u(rng));
                y.push_back(u(rng));
            }
            const LCPosition p = chart.Model().AddPlot(MakeDataSet(x, y));
            chart.Model().SetPlotMarkerKind(p, kind);
            chart.Model().SetPlotMarkerSize(p, kind == 5 ? 34 : 3 * kind); // runs of up to 137 pixels
            chart.Model().SetPlotMarkerFill(p, 0x00C000);
            chart.Model().SetView(0, 0, 100, 100);
            chart.Painter().SetPlainMarkers(plain);
            images[plain] = WhiteImage(300, 200);
            CImageDC dc(images[plain]);
            chart.PaintTo(dc);
        }
        EXPECT_TRUE(images[0] == images[1]) << "kind " << kind;
    }
}

// The boxes over the plot area (legend, read-out) and the gesture's
// thresholds grow with the surface: at ratio 2 each edge lies at twice its
// place at ratio 1 (the plot's inclusive right and bottom edges give one
// pixel of play).
TEST(PixelRatio, BoxesAndGesturesGrowWithTheRatio) {
    auto boxes = [](int ratio) {
        CLC chart;
        chart.Painter().SetPixelRatio(ratio);
        chart.Layout(400 * ratio, 300 * ratio);
        chart.Model().AddPlot(MakeDataSet({0, 155, 310}, {0, 105, 210}));
        chart.Model().SetView(0, 0, 310, 210);
        return std::pair{chart.Painter().ReadoutRect(), chart.Painter().LegendRect()};
    };
    const auto [readout1, legend1] = boxes(1);
    const auto [readout2, legend2] = boxes(2);
    for (const auto& [one, two] : {std::pair{readout1, readout2}, std::pair{legend1, legend2}}) {
        ASSERT_FALSE(one.IsRectEmpty());
        EXPECT_NEAR(two.left, 2 * one.left, 1);
        EXPECT_NEAR(two.top, 2 * one.top, 1);
        EXPECT_NEAR(two.right, 2 * one.right, 1);
        EXPECT_NEAR(two.bottom, 2 * one.bottom, 1);
    }

    // A press that moves 30 device pixels (15 logical) at ratio 2 is still
    // the cross-hair, not a rubber band; the selection's side handles are 6
    // device pixels either side of the middle.
    CLC chart;
    chart.Painter().SetPixelRatio(2);
    chart.Layout(800, 600);
    chart.Model().AddPlot(MakeDataSet({0, 155, 310}, {0, 105, 210}));
    chart.Model().SetView(0, 0, 310, 210);
    chart.Redraw();
    chart.OnLButtonDown(300, 300);
    chart.OnMouseMove(330, 300);
    EXPECT_EQ(chart.DragMode(), 2);
    chart.OnLButtonUp(330, 300);
    chart.Interaction().SetSelection({300, 200, 500, 400});
    EXPECT_EQ(chart.HitTestSelection(295, 305), 5);
    EXPECT_EQ(chart.HitTestSelection(505, 294), 4);
}

} // namespace
