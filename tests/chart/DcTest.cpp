// The GDI rules of the raster context.

#include "ChartTestUtil.h"

#include <gtest/gtest.h>

namespace {

const COLORREF kRed = 0x0000FF, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

std::vector<int> ColumnsSet(const QImage& img, int y, COLORREF c) {
    std::vector<int> xs;
    for (int x = 0; x < img.width(); ++x)
        if (At(img, x, y) == c)
            xs.push_back(x);
    return xs;
}

TEST(ImageDC, LinesLeaveOutTheirEndPixel) {
    QImage img = WhiteImage(10, 10);
    CImageDC dc(img);
    dc.SelectPen({PS_SOLID, 1, kRed});
    dc.MoveTo(1, 1);
    dc.LineTo(5, 1);
    EXPECT_EQ(ColumnsSet(img, 1, kRed), (std::vector<int>{1, 2, 3, 4}));
    dc.MoveTo(7, 8);
    dc.LineTo(7, 2); // upwards: 8 .. 3
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(At(img, 7, y) == kRed, y >= 3 && y <= 8) << y;
}

TEST(ImageDC, FilledShapesLeaveOutRightAndBottomEdges) {
    QImage img = WhiteImage(10, 10);
    CImageDC dc(img);
    dc.SelectPen({PS_SOLID, 1, kRed});
    dc.SelectBrush(GdiBrush::SolidBrush(kBlue));
    dc.Rectangle(2, 2, 6, 7);
    // Outline on columns 2 and 5, rows 2 and 6; inside blue; column 6 and row 7 untouched.
    EXPECT_EQ(ColumnsSet(img, 2, kRed), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(ColumnsSet(img, 4, kRed), (std::vector<int>{2, 5}));
    EXPECT_EQ(ColumnsSet(img, 4, kBlue), (std::vector<int>{3, 4}));
    EXPECT_EQ(ColumnsSet(img, 6, kRed), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_TRUE(ColumnsSet(img, 7, kRed).empty());

    QImage e = WhiteImage(12, 12);
    CImageDC edc(e);
    edc.SelectPen({PS_SOLID, 1, kRed});
    edc.SelectBrush(GdiBrush::SolidBrush(kBlue));
    edc.Ellipse(2, 2, 10, 10); // 8 pixels across, symmetric about 5.5
    int minX = 99, maxX = -1, minY = 99, maxY = -1;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            if (At(e, x, y) != kWhite) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
                EXPECT_EQ(At(e, x, y), At(e, 11 - x, y)) << x << "," << y;
                EXPECT_EQ(At(e, x, y), At(e, x, 11 - y)) << x << "," << y;
            }
    EXPECT_EQ(minX, 2);
    EXPECT_EQ(maxX, 9);
    EXPECT_EQ(minY, 2);
    EXPECT_EQ(maxY, 9);
    EXPECT_EQ(At(e, 5, 5), kBlue);
    EXPECT_EQ(At(e, 2, 5), kRed);
}

TEST(ImageDC, InvertAndXorTwiceRestore) {
    QImage img = WhiteImage(16, 16);
    CImageDC dc(img);
    dc.SelectBrush(GdiBrush::SolidBrush(0x123456));
    dc.Rectangle(0, 0, 16, 16);
    const QImage before = img.copy();
    dc.SelectPen({PS_SOLID, 1, 0});
    dc.SetROP2(Rop::Invert);
    dc.MoveTo(0, 5);
    dc.LineTo(15, 5);
    EXPECT_EQ(At(img, 3, 5), 0xFFFFFF ^ At(before, 3, 5));
    dc.MoveTo(0, 5);
    dc.LineTo(15, 5);
    EXPECT_EQ(img, before);
    dc.PatBlt({2, 2, 9, 9}, GdiBrush::SolidBrush(0x00FF00), Rop::Xor);
    EXPECT_EQ(At(img, 4, 4), At(before, 4, 4) ^ 0x00FF00);
    dc.PatBlt({2, 2, 9, 9}, GdiBrush::SolidBrush(0x00FF00), Rop::Xor);
    EXPECT_EQ(img, before);
}

TEST(ImageDC, HatchAndBackgroundMode) {
    QImage img = WhiteImage(16, 16);
    CImageDC dc(img);
    dc.SetBkMode(TRANSPARENT);
    dc.FillRect({0, 0, 16, 8}, GdiBrush::HatchBrush(HS_BDIAGONAL, 0));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(At(img, x, y), (x + y) % 8 == 7 ? 0u : kWhite) << x << "," << y;
    dc.SetBkMode(OPAQUE);
    dc.SetBkColor(kBlue);
    dc.FillRect({0, 8, 16, 16}, GdiBrush::HatchBrush(HS_BDIAGONAL, 0));
    EXPECT_EQ(At(img, 7, 8), 0u); // 7 + 8 = 15
    EXPECT_EQ(At(img, 0, 8), kBlue);
}

TEST(ImageDC, DottedPenAndSolidFill) {
    QImage img = WhiteImage(20, 4);
    CImageDC dc(img);
    dc.SetBkMode(TRANSPARENT);
    dc.SelectPen({PS_DOT, 1, kRed});
    dc.MoveTo(0, 1);
    dc.LineTo(19, 1);
    EXPECT_EQ(ColumnsSet(img, 1, kRed), (std::vector<int>{0, 1, 2, 6, 7, 8, 12, 13, 14, 18}));
    dc.FillSolidRect(1, 2, 3, 2, kBlue);
    EXPECT_EQ(ColumnsSet(img, 3, kBlue), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(dc.SetBkColor(0), kBlue); // left set, as CDC::FillSolidRect does
}

TEST(ImageDC, DrawingOutsideTheSurfaceIsClipped) {
    QImage img = WhiteImage(4, 4);
    CImageDC dc(img);
    dc.SelectBrush(GdiBrush::SolidBrush(kBlue));
    dc.Ellipse(-10, -10, 20, 20);
    dc.SetPixel(-1, 2, kRed);
    dc.SetPixel(4, 2, kRed);
    EXPECT_EQ(At(img, 0, 0), kBlue);
    EXPECT_EQ(ColumnsSet(img, 2, kRed).size(), 0u);
}

TEST(ImageDC, PointFontSizes) {
    EXPECT_EQ(PointFontPixelHeight(80), 11);  // 10.67
    EXPECT_EQ(PointFontPixelHeight(100), 13); // 13.33
    EXPECT_EQ(PointFontPixelHeight(75), 10);  // exactly 10
}

} // namespace
