#pragma once

// The raster device context: GDI semantics on a QImage (32-bit RGB, no
// antialiasing). Shapes are rasterised with integer arithmetic only, so a
// shape moved by whole pixels covers exactly the moved pixels; the chart's
// marker stamps rely on that.

#include "GdiDC.h"

#include <QImage>

#include <vector>

class CImageDC : public IGdiDC {
  public:
    // Draws on image, which must stay alive and keep its size; it is turned
    // into Format_RGB32 if it has another format.
    explicit CImageDC(QImage& image);

    GdiPen SelectPen(const GdiPen& pen) override;
    GdiBrush SelectBrush(const GdiBrush& brush) override;
    GdiFont SelectFont(const GdiFont& font) override;
    const GdiPen& GetCurrentPen() const override { return m_pen; }
    Rop SetROP2(Rop rop) override;
    int SetBkMode(int mode) override;
    COLORREF SetBkColor(COLORREF color) override;
    COLORREF SetTextColor(COLORREF color) override;

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int l, int t, int r, int b) override;
    void Ellipse(int l, int t, int r, int b) override;
    void RoundRect(int l, int t, int r, int b, int ew, int eh) override;
    void Polygon(const LCPoint* points, int count) override;
    void PatBlt(const LCRect& rc, const GdiBrush& brush, Rop rop) override;
    void ExtTextOutOpaque(const LCRect& rc) override;
    void SetPixel(int x, int y, COLORREF color) override;
    void TextOut(int x, int y, const std::string& utf8) override;
    LCSize GetTextExtent(const std::string& utf8) override;

    // Records instead of drawing: every pixel write (copy operation) goes to
    // writes, coordinates unclipped. nullptr draws again.
    void SetRecorder(std::vector<StampPixel>* writes) { m_recorder = writes; }
    bool SupportsStamps() const override { return true; }
    void StampMarker(const MarkerStamp& stamp, int x, int y) override { Stamp(stamp, x, y); }
    void StampMarkers(const MarkerStamp& stamp, const LCPoint* centres, size_t count) override;
    // Puts a recorded stamp with its origin at (x, y), clipped to the image.
    void Stamp(const MarkerStamp& stamp, int x, int y);

    QImage& Image() { return m_image; }

  private:
    void Plot(int x, int y, COLORREF color);
    void PlotRop(int x, int y, COLORREF color, Rop rop);
    void Line(int x0, int y0, int x1, int y1);
    void BrushPixel(int x, int y, const GdiBrush& brush, Rop rop);
    // Fills and outlines the pixels of the box for which inside() holds;
    // the outline is every inside pixel with a 4-neighbour outside.
    template <class Inside> void ShapeByPredicate(int l, int t, int r, int b, Inside inside);

    QImage& m_image;
    uint32_t* m_bits = nullptr;
    int m_stride = 0; // in pixels
    int m_width = 0, m_height = 0;
    GdiPen m_pen;
    GdiBrush m_brush;
    GdiFont m_font;
    Rop m_rop = Rop::Copy;
    int m_bkMode = OPAQUE;
    COLORREF m_bkColor = 0xFFFFFF;
    COLORREF m_textColor = 0;
    LCPoint m_pos;
    std::vector<StampPixel>* m_recorder = nullptr;
};

inline uint32_t ToArgb(COLORREF c) {
    return 0xFF000000u | (static_cast<uint32_t>(GetRValue(c)) << 16) |
           (static_cast<uint32_t>(GetGValue(c)) << 8) | static_cast<uint32_t>(GetBValue(c));
}
inline COLORREF FromArgb(uint32_t p) {
    return RGBColor(static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                    static_cast<int>(p & 0xFF));
}
