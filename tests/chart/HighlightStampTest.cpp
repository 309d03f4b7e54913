// The highlight pass over a drawn chart, stamped, against drawing every
// marker with the shape calls.

#include "ChartTestUtil.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct StampDrawn {
    CLCCore c;
    QImage img = WhiteImage(200, 150);
    explicit StampDrawn(bool plain) {
        c.SetMargins(20, 10, 20, 20);
        c.Layout(200, 150);
        c.Painter().SetPlainMarkers(plain);
        std::mt19937 rng(4242);
        std::uniform_real_distribution<double> ux(-5, 165), uy(-5, 125);
        for (int k = 0; k < 2; ++k) {
            std::vector<double> x, y;
            for (int i = 0; i < 4000; ++i) {
                x.push_back(ux(rng));
                y.push_back(uy(rng));
            }
            for (int i = 0; i < 400; ++i) { // repeated centres
                x.push_back(x[i % 40]);
                y.push_back(y[i % 40] + 0.001 * i);
            }
            const LCPosition p = c.Model().AddPlot(MakeDataSet(x, y));
            c.Model().SetPlotMarkerKind(p, 2 + 2 * k);
            c.Model().SetPlotMarkerSize(p, 3 + k);
            c.Model().SetPlotMarkerFill(p, 0x30A050u * (k + 1));
        }
        c.Model().SetView(0, 0, 160, 120);
        CImageDC dc(img);
        c.PaintTo(dc);
    }
    void Highlight() {
        CImageDC dc(img);
        c.Painter().DrawPlots(&dc, true);
    }
};

} // namespace

TEST(HighlightStamp, RectangleAndPointMatchPlainDrawing) {
    StampDrawn fast(false), plain(true);
    for (StampDrawn* d : {&fast, &plain}) {
        d->c.Interaction().SetHighlightRect({60, 40, 130, 100});
        d->Highlight();
    }
    EXPECT_EQ(fast.img, plain.img);
    for (StampDrawn* d : {&fast, &plain}) {
        d->c.Interaction().SetHighlightPoint({100, 70});
        d->Highlight();
    }
    EXPECT_EQ(fast.img, plain.img);
}
