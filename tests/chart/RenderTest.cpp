// Pixels of the paint pipeline.

#include "ChartTestUtil.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// A chart of 200 x 150 with plot area (20, 10) .. (179, 129): W 160, H 120.
struct Small {
    CLC c;
    QImage img = WhiteImage(200, 150);
    Small() {
        c.Core().SetMargins(20, 10, 20, 20);
        c.Layout(200, 150);
        c.Model().SetView(0, 0, 160, 120);
    }
    void Paint() {
        CImageDC dc(img);
        c.Core().PaintTo(dc);
    }
};

// Bounding box of the pixels of colour col.
LCRect BoxOf(const QImage& img, COLORREF col) {
    LCRect r{9999, 9999, -1, -1};
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (At(img, x, y) == col) {
                r.left = std::min(r.left, x), r.top = std::min(r.top, y);
                r.right = std::max(r.right, x), r.bottom = std::max(r.bottom, y);
            }
    return r;
}

TEST(Render, BackgroundFrameAndRing) {
    Small s;
    s.c.Painter().SetColors(0xF0F0F0, 0xC0C0C0);
    s.Paint();
    const QImage& i = s.img;
    EXPECT_EQ(At(i, 0, 0), 0xC0C0C0u); // outer border
    EXPECT_EQ(At(i, 199, 149), 0xC0C0C0u);
    EXPECT_EQ(At(i, 5, 5), 0xF0F0F0u);     // margin
    EXPECT_EQ(At(i, 18, 8), 0xF0F0F0u);    // the ring is one pixel wide
    EXPECT_EQ(At(i, 19, 9), 0x686868u);    // dark corner (L-1, T-1)
    EXPECT_EQ(At(i, 19, 130), 0x686868u);  // dark left side down to B+1
    EXPECT_EQ(At(i, 180, 9), 0xE0E0E0u);   // light from (R+1, T-1)
    EXPECT_EQ(At(i, 100, 130), 0xE0E0E0u); // light bottom
    EXPECT_EQ(At(i, 181, 50), 0xF0F0F0u);
    EXPECT_EQ(At(i, 100, 60), 0xEFFFFFu); // plot background (no grid line there)
}

TEST(Render, MarkerShapesAndSizes) {
    for (int kind = 1; kind <= 5; ++kind) {
        for (int size : {3, 4, 5}) {
            Small s;
            const LCPosition p = s.c.Model().AddPlot(MakeDataSet({80.2}, {60.7}));
            s.c.Model().SetView(0, 0, 160, 120);
            s.c.Model().SetPlotMarkerKind(p, kind);
            s.c.Model().SetPlotMarkerSize(p, size);
            s.c.Model().SetPlotColor(p, 0x00C0FE); // outline 0x00607F
            s.c.Model().SetPlotMarkerFill(p, 0xFF0000);
            s.Paint();
            // Centre: px = 20 + floor(80.2) = 100, py = 129 - floor(60.7) = 69.
            const LCRect fill = BoxOf(s.img, 0xFF0000), line = BoxOf(s.img, 0x00607F);
            SCOPED_TRACE(testing::Message() << "kind " << kind << " size " << size);
            ASSERT_GE(line.right, 0);
            ASSERT_GE(fill.right, 0);
            switch (kind) {
            case 1:
            case 2: // 2s pixels across: box (px - s .. px + s - 1)
                EXPECT_EQ(line, (LCRect{100 - size, 69 - size, 99 + size, 68 + size}));
                break;
            case 3: // the outline passes through all four tips
                EXPECT_EQ(line, (LCRect{100 - size, 69 - size, 100 + size, 69 + size}));
                break;
            case 4:
            case 5:
                EXPECT_EQ(line, (LCRect{100 - size, 69 - size, 100 + size, 69 + size}));
                break;
            }
            EXPECT_GT(fill.left, line.left);
            EXPECT_LT(fill.right, line.right);
            EXPECT_EQ(At(s.img, 100, kind == 4 ? 69 + size / 2 : kind == 5 ? 69 - size / 2 : 69), 0xFF0000u);
            ASSERT_EQ(s.c.Interaction().GetHits().size(), 1u);
            EXPECT_EQ(s.c.Interaction().GetHits()[0].rc,
                      (LCRect{100 - size, 69 - size, 100 + size, 69 + size}));
        }
    }
    Small none;
    const LCPosition p = none.c.Model().AddPlot(MakeDataSet({80}, {60}));
    none.c.Model().SetView(0, 0, 160, 120);
    none.c.Model().SetPlotMarkerKind(p, 0);
    none.Paint();
    EXPECT_TRUE(none.c.Interaction().GetHits().empty());
}

TEST(Render, PointsOnTheViewBorderAreDrawnAndHit) {
    Small s;
    s.c.Model().AddPlot(MakeDataSet({0, 160, 160.001, 50}, {0, 120, 60, -0.001}));
    s.c.Model().SetView(0, 0, 160, 120);
    s.Paint();
    ASSERT_EQ(s.c.Interaction().GetHits().size(), 2u);
    EXPECT_EQ(s.c.Interaction().GetHits()[0].dX, 0);
    EXPECT_EQ(s.c.Interaction().GetHits()[1].dX, 160);
    EXPECT_EQ(s.c.Interaction().GetHits()[1].rc.left,
              180 - 3); // px = L + W = 180: markers are not clipped to the plot
    EXPECT_EQ(s.c.Interaction().GetHits()[1].nPoint, 1);
}

TEST(Render, CurrentPlotIsDrawnLast) {
    Small s;
    const LCPosition a = s.c.Model().AddPlot(MakeDataSet({80}, {60}));
    const LCPosition b = s.c.Model().AddPlot(MakeDataSet({80}, {60}));
    s.c.Model().SetView(0, 0, 160, 120);
    s.c.Model().SetPlotMarkerFill(a, 0x0000FF);
    s.c.Model().SetPlotMarkerFill(b, 0x00FF00);
    s.Paint();
    EXPECT_EQ(At(s.img, 100, 69), 0x0000FFu); // a is current (the first added)
    s.c.Model().SetCurrentPlot(b);
    s.Paint();
    EXPECT_EQ(At(s.img, 100, 69), 0x00FF00u);
}

TEST(Render, StampedMarkersMatchPlainDrawing) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> ux(-5, 165), uy(-5, 125);
    for (int kind = 1; kind <= 5; ++kind) {
        Small fast, plain;
        for (Small* s : {&fast, &plain}) {
            rng.seed(777 + kind);
            for (int k = 0; k < 3; ++k) {
                std::vector<double> x, y;
                for (int i = 0; i < 3000; ++i) {
                    x.push_back(ux(rng));
                    y.push_back(uy(rng));
                }
                // Repeated centres, so later markers cover earlier ones in turn.
                for (int i = 0; i < 500; ++i) {
                    x.push_back(x[i % 50]);
                    y.push_back(y[i % 50] + 0.001 * i);
                }
                const LCPosition p = s->c.Model().AddPlot(MakeDataSet(x, y));
                s->c.Model().SetPlotMarkerKind(p, (kind + k - 1) % 5 + 1);
                s->c.Model().SetPlotMarkerSize(p, 3 + k);
                s->c.Model().SetPlotMarkerFill(p, 0x102030u * (k + 1));
            }
            s->c.Model().SetView(0, 0, 160, 120);
        }
        plain.c.Painter().SetPlainMarkers(true);
        fast.Paint();
        plain.Paint();
        EXPECT_EQ(fast.img, plain.img) << "kind " << kind;
        ASSERT_EQ(fast.c.Interaction().GetHits().size(), plain.c.Interaction().GetHits().size());
        for (size_t i = 0; i < fast.c.Interaction().GetHits().size(); ++i)
            ASSERT_EQ(fast.c.Interaction().GetHits()[i].rc, plain.c.Interaction().GetHits()[i].rc);
    }
}

TEST(Render, GridAndTicksOfTheDefaultView) {
    // Default view -0.01 .. 1.01 in a plot 600 wide and 400 high.
    CLC c;
    c.Core().SetMargins(70, 30, 30, 50);
    c.Layout(700, 480); // plot 70..669 (W 600), 30..429 (H 400)
    QImage img = WhiteImage(700, 480);
    RecordingDC dc(img);
    c.Core().PaintTo(dc);
    const int L = 70, B = 429;
    // x: minor step 0.03, major 0.18; 0 at p = RoundHalfUp(600 * 0.01 / 1.02) = 6 (5.88).
    for (int y = B + 3; y < B + 13; ++y)
        EXPECT_EQ(At(img, L + 6, y), 0u) << y; // major tick, 10 long
    EXPECT_NE(At(img, L + 6, B + 13), 0u);
    EXPECT_EQ(At(img, L + 7, B + 5), 0xFFFFFFu); // white highlight beside it
    // 0.03 at p = RoundHalfUp(600 * 0.04 / 1.02) = 24 (23.53): minor tick, 5 long.
    EXPECT_EQ(At(img, L + 24, B + 7), 0u);
    EXPECT_NE(At(img, L + 24, B + 8), 0u);
    // Major grid line (dotted 0x686868) at x = L + 6, starting at the plot top.
    EXPECT_EQ(At(img, L + 6, 30), 0x686868u);
    EXPECT_EQ(At(img, L + 6, 34), 0xEFFFFFu); // dots of three: 30..32 drawn, 33..35 not (33 is a y grid row)
    EXPECT_EQ(At(img, L + 6, 36), 0x686868u);
    // y: minor step 0.05 (t = 0.051), major 0.1; 0.3 at q = RoundHalfUp(400 * 0.31 / 1.02) = 122 (121.57).
    EXPECT_EQ(At(img, L - 12, B - 122), 0u);
    EXPECT_EQ(At(img, L - 3, B - 122), 0u);
    EXPECT_NE(At(img, L - 1, B - 122), 0u); // the tick stops two pixels left of the plot
    // Labels: "0.3" among the y labels, "00:00:00" for x = 0 (TZ is UTC).
    bool y03 = false, x0 = false;
    for (const auto& t : dc.texts) {
        y03 |= t.text == "0.3";
        x0 |= t.text == "00:00:00" && t.y == B + 12;
    }
    EXPECT_TRUE(y03);
    EXPECT_TRUE(x0);
}

TEST(Render, ReferenceLinesAtAndInsideViewEdges) {
    Small s;
    s.c.Painter().ShowXRefLine(true);
    s.c.Painter().ShowYRefLine(true);
    s.c.Painter().SetXRefLine(0);  // at the left edge: not drawn
    s.c.Painter().SetYRefLine(60); // inside: row B - 60 = 69
    s.c.Painter().SetColors(0xF0F0F0, 0xC0C0C0);
    s.c.Model().SetView(0, 0, 160, 120);
    s.Paint();
    int black = 0;
    for (int x = 20; x <= 179; ++x)
        black += At(s.img, x, 69) == 0;
    EXPECT_EQ(black, 160); // from L to R, both ends painted
    EXPECT_NE(At(s.img, 19, 69), 0u);
    EXPECT_NE(At(s.img, 180, 69), 0u);
    int column = 0;
    for (int y = 10; y <= 129; ++y)
        column += At(s.img, 20, y) == 0;
    EXPECT_LT(column, 10); // no vertical reference line at the edge
    s.c.Painter().SetXRefLine(40);
    s.Paint();
    column = 0;
    for (int y = 10; y <= 129; ++y)
        column += At(s.img, 60, y) == 0;
    EXPECT_EQ(column, 120);
}

TEST(Render, SelectionBandsAndHandles) {
    Small s;
    s.c.Interaction().SetSelection({60, 40, 120, 90});
    s.c.Painter().SetSelectionStyle(0x0000FF, 4); // s = 5, h = 2
    s.Paint();
    const QImage& i = s.img;
    EXPECT_EQ(At(i, 59, 39), 0x0000FFu);  // outline corner (l-1, t-1)
    EXPECT_EQ(At(i, 121, 91), 0x0000FFu); // (r+1, b+1)
    EXPECT_EQ(At(i, 90, 60), 0xEFFFFFu);  // inside untouched
    for (int y = 35; y < 40; ++y)         // top-left handle (l-5, t-5) .. 5 x 5
        for (int x = 55; x < 60; ++x)
            EXPECT_EQ(At(i, x, y), 0x0000FFu) << x << "," << y;
    for (int y = 91; y < 96; ++y) // bottom-right handle (r+1, b+1)
        for (int x = 121; x < 126; ++x)
            EXPECT_EQ(At(i, x, y), 0x0000FFu) << x << "," << y;
    // Middle of the left side: handle at (l-5, cy-2) with cy = 65.
    EXPECT_EQ(At(i, 55, 63), 0x0000FFu);
    EXPECT_EQ(At(i, 59, 67), 0x0000FFu);
    // The top band between handles is hatched: (x + y) % 8 == 7 in the selection colour, else untouched.
    for (int x = 70; x < 80; ++x)
        for (int y = 35; y < 38; ++y)
            EXPECT_EQ(At(i, x, y) == 0x0000FF, (x + y) % 8 == 7) << x << "," << y;
}

TEST(Render, CrossHairDrawnTwiceDisappears) {
    Small s;
    s.c.Model().AddPlot(MakeDataSet({50, 90}, {50, 70}));
    s.c.Model().SetView(0, 0, 160, 120);
    s.Paint();
    const QImage before = s.img.copy();
    CImageDC dc(s.img);
    s.c.Painter().DrawCross(&dc, 70, 50);
    EXPECT_EQ(At(s.img, 100, 50), 0xFFFFFF ^ At(before, 100, 50));
    EXPECT_EQ(At(s.img, 70, 20), 0xFFFFFF ^ At(before, 70, 20));
    s.c.Painter().DrawCross(&dc, 70, 50);
    EXPECT_EQ(s.img, before);
    // Painting with the cross-hair visible leaves it visible.
    s.c.Interaction().SetCrossPoint({70, 50});
    s.c.Interaction().SetCrossVisible(true);
    s.Paint();
    s.Paint();
    EXPECT_EQ(At(s.img, 100, 50), 0xFFFFFF ^ At(before, 100, 50));
}

TEST(Render, LegendCutsNamesAndMarksHiddenLines) {
    CLC c;
    c.Layout(400, 200); // plot 70..379 x 30..139
    for (int i = 0; i < 6; ++i) {
        const LCPosition p = c.Model().AddPlot(MakeDataSet({1}, {1}));
        c.Model().SetPlotName(p, i == 0 ? "A very long plot name that cannot fit"
                                        : std::string("P").append(std::to_string(i)));
    }
    c.Painter().LayoutLegend();
    ASSERT_FALSE(c.Painter().LegendRect().IsRectEmpty());
    QImage img = WhiteImage(400, 200);
    RecordingDC dc(img);
    c.Painter().DrawLegend(&dc);
    ASSERT_FALSE(dc.texts.empty());
    const std::string first = dc.texts.front().text;
    const QString q = QString::fromStdString(first);
    EXPECT_TRUE(q.endsWith("..."));
    EXPECT_TRUE(QString("A very long plot name that cannot fit").startsWith(q.chopped(3)));
    EXPECT_LT(q.size(), 30);
    dc.SelectFont({"Arial", 100});
    const int budget =
        c.Painter().LegendRect().right - c.Painter().LegendRect().left - 9 * dc.GetTextExtent("0").cx;
    EXPECT_LE(dc.GetTextExtent(first).cx, budget);
    // Six lines do not fit in the box laid out for this height: the last text is "[...]".
    EXPECT_EQ(dc.texts.back().text, "[...]");
    EXPECT_LT(dc.texts.size(), 7u);
}

TEST(Render, LineToClippedStaysInThePlot) {
    Small s;
    QImage img = WhiteImage(200, 150);
    CImageDC dc(img);
    dc.SelectPen({PS_SOLID, 1, 0x0000FF});
    s.c.Painter().MoveToF(0, 10); // left of the plot (L = 20)
    s.c.Painter().LineToClipped(dc, 100, 10);
    EXPECT_NE(At(img, 19, 10), 0x0000FFu);
    EXPECT_EQ(At(img, 20, 10), 0x0000FFu);
    EXPECT_EQ(At(img, 100, 10), 0x0000FFu); // the end pixel is painted
    s.c.Painter().MoveToF(100, 100);
    s.c.Painter().LineToClipped(dc, 300, 100); // right edge: cut at R = 179
    EXPECT_EQ(At(img, 179, 100), 0x0000FFu);
    EXPECT_NE(At(img, 180, 100), 0x0000FFu);
    s.c.Painter().MoveToF(50, 0);
    s.c.Painter().LineToClipped(dc, 50, 5); // wholly above the plot
    for (int y = 0; y < 10; ++y)
        EXPECT_NE(At(img, 50, y), 0x0000FFu);
    s.c.Painter().MoveToF(60, 60);
    s.c.Painter().LineToClipped(dc, 60.7, 60.2); // one pixel
    EXPECT_EQ(At(img, 60, 60), 0x0000FFu);
    s.c.Painter().MoveToF(0, 0); // diagonal from outside the corner
    s.c.Painter().LineToClipped(dc, 40, 40);
    EXPECT_EQ(At(img, 20, 20), 0x0000FFu);
    EXPECT_NE(At(img, 19, 19), 0x0000FFu);
}

TEST(Render, InfoStripAndReadout) {
    Small s;
    s.c.Layout(400, 200);
    const LCPosition p = s.c.Model().AddPlot(MakeDataSet({80}, {60}));
    s.c.Model().SetPlotName(p, "Data #1");
    s.c.Model().SetPlotFormats(p, "%f", "%.2f");
    s.c.Model().SetView(0, 0, 160, 120);
    QImage img = WhiteImage(400, 200);
    RecordingDC dc(img);
    s.c.Core().PaintTo(dc);
    ASSERT_EQ(s.c.Interaction().GetHits().size(), 1u);
    s.c.Interaction().SetPointHit(true);
    dc.texts.clear();
    s.c.Painter().DrawInfoStrip(&dc, &s.c.Interaction().GetHits()[0]);
    ASSERT_EQ(dc.texts.size(), 1u);
    EXPECT_TRUE(
        QString::fromStdString(dc.texts[0].text).endsWith("Data #1   [ 1970-01-01   00:01:20 ] , y=60.00"))
        << dc.texts[0].text;
    s.c.Interaction().SetReadout(3661.5, 0.0123);
    dc.texts.clear();
    s.c.Painter().DrawReadout(&dc);
    ASSERT_EQ(dc.texts.size(), 2u);
    EXPECT_EQ(dc.texts[0].text, "01:01:01,");
    EXPECT_EQ(dc.texts[1].text, "0.0123000");
}

} // namespace
