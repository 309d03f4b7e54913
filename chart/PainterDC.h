#pragma once

// The vector device context: the GDI drawing calls on a QPainter over any
// paint device (SVG generator, PDF writer, printer, image). The chart's pixel
// rules are kept by geometry: pixel (x, y) is the unit square from (x, y) to
// (x + 1, y + 1), a fill covers the squares of its pixels, and a one-pixel
// outline runs through the pixel centres. Raster operations have no meaning
// in a vector file: on a device without them the inverting and exclusive-or
// operations paint like copy with the colour they would write over white
// (inverting draws black, exclusive-or draws the colour's complement).

#include "GdiDC.h"

#include <QPainterPath>

class QPainter;
class QPen;
class QBrush;

class CPainterDC : public IGdiDC {
  public:
    // Draws with painter, which must be active and outlive this context; the
    // caller sets its transform (chart pixels to device units) and clip.
    explicit CPainterDC(QPainter& painter);

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

    // Identical markers hide one another at the same centre, so the chart
    // draws only the last one at each; a vector file stays small that way.
    bool DrawsOnlyVisibleMarkers() const override { return true; }

  private:
    // Sets the painter's composition for rop and returns the colour to paint
    // instead of color where the device has no raster operations.
    COLORREF ApplyRop(Rop rop, COLORREF color);
    QPen OutlinePen() const;
    QBrush FillBrush(const GdiBrush& brush, Rop rop);
    void FillPath(const QPainterPath& path, const GdiBrush& brush, Rop rop);
    // Fills the shape with the brush and outlines it through the pixel
    // centres of its edge.
    void Shape(const QPainterPath& fill, const QPainterPath& outline);

    QPainter& m_painter;
    bool m_rasterOps = false;
    GdiPen m_pen;
    GdiBrush m_brush;
    GdiFont m_font;
    Rop m_rop = Rop::Copy;
    int m_bkMode = OPAQUE;
    COLORREF m_bkColor = 0xFFFFFF;
    COLORREF m_textColor = 0;
    LCPoint m_pos;
};
