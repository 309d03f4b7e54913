#pragma once

// A device context with the drawing semantics of GDI, so that the chart's
// pixel rules hold on every surface: filled shapes leave out their right and
// bottom edges, lines leave out their end pixel, and raster operations copy,
// invert or exclusive-or. Pens, brushes and fonts are plain values selected
// into the context; selecting returns the previous one so a step can put it
// back.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
using COLORREF = unsigned long; // 0x00BBGGRR, the platform's own type
#else
using COLORREF = uint32_t; // 0x00BBGGRR
#endif

constexpr COLORREF RGBColor(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GetGValue(COLORREF c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

struct LCPoint {
    int x = 0, y = 0;
    bool operator==(const LCPoint&) const = default;
};

struct LCSize {
    int cx = 0, cy = 0;
};

// A rectangle with the platform's rules: empty when right <= left or
// bottom <= top; a point is inside when left <= x < right and top <= y < bottom.
struct LCRect {
    int left = 0, top = 0, right = 0, bottom = 0;

    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    bool PtInRect(LCPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    void SetRectEmpty() { left = top = right = bottom = 0; }
    void NormalizeRect();
    bool operator==(const LCRect&) const = default;
};

enum PenStyle { PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5 };
enum HatchStyle {
    HS_HORIZONTAL = 0,
    HS_VERTICAL = 1,
    HS_FDIAGONAL = 2,
    HS_BDIAGONAL = 3,
    HS_CROSS = 4,
    HS_DIAGCROSS = 5
};
enum BkMode { TRANSPARENT = 1, OPAQUE = 2 };
// The three raster operations the chart uses.
enum class Rop { Copy, Invert, Xor };

struct GdiPen {
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
    bool operator==(const GdiPen&) const = default;
};

struct GdiBrush {
    enum Kind { Solid, Hatched, Null };
    Kind kind = Solid;
    COLORREF color = 0xFFFFFF;
    int hatch = HS_BDIAGONAL;
    static GdiBrush SolidBrush(COLORREF c) { return {Solid, c, 0}; }
    static GdiBrush HatchBrush(int hatch, COLORREF c) { return {Hatched, c, hatch}; }
    static GdiBrush NullBrush() { return {Null, 0, 0}; }
    bool operator==(const GdiBrush&) const = default;
};

// A point font: face and height in tenths of a point, as CreatePointFont
// takes them. An empty face is the context's stock font.
struct GdiFont {
    std::string face;
    int pointTenths = 0;
    bool operator==(const GdiFont&) const = default;
    bool IsStock() const { return face.empty(); }
};

// One pixel of a recorded shape, relative to the point it was drawn around.
struct StampPixel {
    int dx, dy;
    uint32_t argb;
};

// A run of a stamp's pixels side by side in one row: count pixels (at most
// 64) from (dx, dy) rightwards, whose colours are Pixels()[first ...].
struct StampRun {
    int dx, dy, count, first;
};

// The pixels a shape leaves behind when drawn with the copy operation:
// each pixel once, with the colour its last write gave it, in row order.
class MarkerStamp {
  public:
    bool Empty() const { return m_pixels.empty(); }
    const std::vector<StampPixel>& Pixels() const { return m_pixels; }
    const std::vector<StampRun>& Runs() const { return m_runs; }
    int MinDx() const { return m_minDx; }
    int MaxDx() const { return m_maxDx; }
    int MinDy() const { return m_minDy; }
    int MaxDy() const { return m_maxDy; }

    // Keeps the last write of each pixel.
    void Assign(const std::vector<StampPixel>& writes);

  private:
    std::vector<StampPixel> m_pixels;
    std::vector<StampRun> m_runs;
    int m_minDx = 0, m_maxDx = -1, m_minDy = 0, m_maxDy = -1;
};

class IGdiDC {
  public:
    virtual ~IGdiDC() = default;

    virtual GdiPen SelectPen(const GdiPen& pen) = 0;
    virtual GdiBrush SelectBrush(const GdiBrush& brush) = 0;
    virtual GdiFont SelectFont(const GdiFont& font) = 0;
    virtual const GdiPen& GetCurrentPen() const = 0;
    virtual Rop SetROP2(Rop rop) = 0;
    virtual int SetBkMode(int mode) = 0;
    virtual COLORREF SetBkColor(COLORREF color) = 0;
    virtual COLORREF SetTextColor(COLORREF color) = 0;

    // Lines with the selected pen; the end pixel is not drawn.
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    // Shapes outlined with the pen and filled with the brush, inside
    // (left, top) .. (right - 1, bottom - 1).
    virtual void Rectangle(int l, int t, int r, int b) = 0;
    virtual void Ellipse(int l, int t, int r, int b) = 0;
    virtual void RoundRect(int l, int t, int r, int b, int ew, int eh) = 0;
    virtual void Polygon(const LCPoint* points, int count) = 0;
    // The brush over the rectangle (right and bottom exclusive), no outline,
    // combined with the surface by rop (PatBlt: PATCOPY, DSTINVERT, PATINVERT).
    virtual void PatBlt(const LCRect& rc, const GdiBrush& brush, Rop rop) = 0;
    void FillRect(const LCRect& rc, const GdiBrush& brush) { PatBlt(rc, brush, Rop::Copy); }
    // ExtTextOut with ETO_OPAQUE and no text: the rectangle in the background colour.
    virtual void ExtTextOutOpaque(const LCRect& rc) = 0;
    virtual void SetPixel(int x, int y, COLORREF color) = 0;
    // Text with its top-left corner at (x, y) in the selected font.
    virtual void TextOut(int x, int y, const std::string& utf8) = 0;
    virtual LCSize GetTextExtent(const std::string& utf8) = 0;

    // Stamping: a surface that can copy a recorded marker's pixels puts
    // identical markers down that way, much faster than drawing each shape.
    // A metafile records shapes, so the default refuses.
    virtual bool SupportsStamps() const { return false; }
    // Puts stamp with its origin at (x, y); only called when SupportsStamps().
    virtual void StampMarker(const MarkerStamp&, int, int) {}
    // Puts stamp at each of the count centres in turn, as StampMarker would.
    virtual void StampMarkers(const MarkerStamp& stamp, const LCPoint* centres, size_t count) {
        for (size_t i = 0; i < count; ++i)
            StampMarker(stamp, centres[i].x, centres[i].y);
    }
    // A surface that draws each marker as a shape of its own may still skip
    // the markers a later one at the same centre hides (the raster surface
    // gets that through stamping). A metafile keeps every call.
    virtual bool DrawsOnlyVisibleMarkers() const { return false; }

    // CDC::FillSolidRect: sets the background colour and leaves it set.
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
        SetBkColor(color);
        ExtTextOutOpaque({x, y, x + cx, y + cy});
    }
};

// Pixel size of a point font on a 96-dpi surface, as CreatePointFont
// computes it (MulDiv rounds half away from zero).
int PointFontPixelHeight(int pointTenths);

// The font family a Windows face name stands for on this platform.
std::string ResolveFontFace(const std::string& face);

class QFont;
// The Qt font that draws and measures text for font on every surface, so
// pictures and their layout agree.
QFont QtFontOf(const GdiFont& font);
