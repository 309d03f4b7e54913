#include "ImageDC.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <map>

void LCRect::NormalizeRect() {
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
}

int PointFontPixelHeight(int pointTenths) {
    // MulDiv(96, tenths, 720), rounded half away from zero.
    const long long n = 96LL * pointTenths;
    const long long q = (std::llabs(n) * 2 + 720) / 1440;
    return static_cast<int>(n < 0 ? -q : q);
}

std::string ResolveFontFace(const std::string& face) {
#ifdef _WIN32
    // The platform has the faces themselves.
    return face.empty() ? "Arial" : face;
#else
    // Arial and the dialog font have metric-compatible stand-ins in fonts-liberation2.
    if (face.empty() || face == "Arial" || face == "MS Shell Dlg" || face == "MS Sans Serif" ||
        face == "Tahoma")
        return "Liberation Sans";
    return face;
#endif
}

QFont QtFontOf(const GdiFont& font) {
    QFont f(QString::fromStdString(ResolveFontFace(font.face)));
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoFontMerging));
    f.setHintingPreference(QFont::PreferFullHinting);
    if (font.IsStock()) {
        // The stock font of a fresh context (the System font's stand-in).
        f.setBold(true);
        f.setPixelSize(13);
    } else {
        f.setPixelSize(std::max(1, PointFontPixelHeight(font.pointTenths)));
    }
    return f;
}

namespace {

// Cosmetic pen styles: lengths of alternating on and off runs.
struct DashPattern {
    int count;
    int runs[6];
};
const DashPattern* PatternOf(int style) {
    static const DashPattern dash{2, {18, 6}}, dot{2, {3, 3}}, dashDot{4, {9, 6, 3, 6}},
        dashDotDot{6, {9, 3, 3, 3, 3, 3}};
    switch (style) {
    case PS_DASH:
        return &dash;
    case PS_DOT:
        return &dot;
    case PS_DASHDOT:
        return &dashDot;
    case PS_DASHDOTDOT:
        return &dashDotDot;
    default:
        return nullptr;
    }
}

bool HatchBit(int hatch, int x, int y) {
    const int u = x & 7, v = y & 7;
    switch (hatch) {
    case HS_HORIZONTAL:
        return v == 7;
    case HS_VERTICAL:
        return u == 4;
    case HS_FDIAGONAL:
        return u == v;
    case HS_BDIAGONAL:
        return u + v == 7;
    case HS_CROSS:
        return v == 7 || u == 4;
    case HS_DIAGCROSS:
        return u == v || u + v == 7;
    default:
        return false;
    }
}

// Integer test of pixel (x, y) against the ellipse inscribed in the box
// (l, t) .. (r, b) exclusive, at pixel centres.
bool InEllipse(int x, int y, int l, int t, int r, int b) {
    const long long w = r - l, h = b - t;
    if (w <= 0 || h <= 0)
        return false;
    const long long u = 2LL * (x - l) + 1 - w, v = 2LL * (y - t) + 1 - h;
    return u * u * h * h + v * v * w * w <= w * w * h * h;
}

} // namespace

void MarkerStamp::Assign(const std::vector<StampPixel>& writes) {
    std::map<std::pair<int, int>, uint32_t> last;
    for (const StampPixel& p : writes)
        last[{p.dy, p.dx}] = p.argb;
    m_pixels.clear();
    m_minDx = m_minDy = 0;
    m_maxDx = m_maxDy = -1;
    bool first = true;
    m_runs.clear();
    for (const auto& [key, argb] : last) {
        const int dx = key.second, dy = key.first;
        StampRun* run = m_runs.empty() ? nullptr : &m_runs.back();
        if (run && run->dy == dy && run->dx + run->count == dx && run->count < 64)
            ++run->count;
        else
            m_runs.push_back({dx, dy, 1, static_cast<int>(m_pixels.size())});
        m_pixels.push_back({key.second, key.first, argb});
        if (first) {
            m_minDx = m_maxDx = key.second;
            m_minDy = m_maxDy = key.first;
            first = false;
        }
        m_minDx = std::min(m_minDx, key.second);
        m_maxDx = std::max(m_maxDx, key.second);
        m_minDy = std::min(m_minDy, key.first);
        m_maxDy = std::max(m_maxDy, key.first);
    }
}

CImageDC::CImageDC(QImage& image) : m_image(image) {
    if (m_image.format() != QImage::Format_RGB32)
        m_image = m_image.convertToFormat(QImage::Format_RGB32);
    m_width = m_image.width();
    m_height = m_image.height();
    m_bits = m_width > 0 && m_height > 0 ? reinterpret_cast<uint32_t*>(m_image.bits()) : nullptr;
    m_stride = static_cast<int>(m_image.bytesPerLine() / 4);
}

GdiPen CImageDC::SelectPen(const GdiPen& pen) {
    return std::exchange(m_pen, pen);
}
GdiBrush CImageDC::SelectBrush(const GdiBrush& brush) {
    return std::exchange(m_brush, brush);
}
GdiFont CImageDC::SelectFont(const GdiFont& font) {
    return std::exchange(m_font, font);
}
Rop CImageDC::SetROP2(Rop rop) {
    return std::exchange(m_rop, rop);
}
int CImageDC::SetBkMode(int mode) {
    return std::exchange(m_bkMode, mode);
}
COLORREF CImageDC::SetBkColor(COLORREF color) {
    return std::exchange(m_bkColor, color);
}
COLORREF CImageDC::SetTextColor(COLORREF color) {
    return std::exchange(m_textColor, color);
}

void CImageDC::PlotRop(int x, int y, COLORREF color, Rop rop) {
    if (m_recorder) {
        m_recorder->push_back({x, y, ToArgb(color)});
        return;
    }
    if (!m_bits || static_cast<unsigned>(x) >= static_cast<unsigned>(m_width) ||
        static_cast<unsigned>(y) >= static_cast<unsigned>(m_height))
        return;
    uint32_t& d = m_bits[static_cast<size_t>(y) * m_stride + x];
    switch (rop) {
    case Rop::Copy:
        d = ToArgb(color);
        break;
    case Rop::Invert:
        d ^= 0x00FFFFFFu;
        break;
    case Rop::Xor:
        d ^= ToArgb(color) & 0x00FFFFFFu;
        break;
    }
}

void CImageDC::Plot(int x, int y, COLORREF color) {
    PlotRop(x, y, color, m_rop);
}

void CImageDC::BrushPixel(int x, int y, const GdiBrush& brush, Rop rop) {
    switch (brush.kind) {
    case GdiBrush::Solid:
        PlotRop(x, y, brush.color, rop);
        break;
    case GdiBrush::Hatched:
        if (HatchBit(brush.hatch, x, y))
            PlotRop(x, y, brush.color, rop);
        else if (m_bkMode == OPAQUE)
            PlotRop(x, y, m_bkColor, rop);
        break;
    case GdiBrush::Null:
        break;
    }
}

void CImageDC::MoveTo(int x, int y) {
    m_pos = {x, y};
}

void CImageDC::LineTo(int x, int y) {
    if (m_pen.style != PS_NULL)
        Line(m_pos.x, m_pos.y, x, y);
    m_pos = {x, y};
}

// Bresenham from (x0, y0) towards (x1, y1), the end pixel left out. A pen
// of width w draws w pixels across the line (below a flat one, right of a
// steep one) and stretches its dashes w times: the thin line enlarged.
void CImageDC::Line(int x0, int y0, int x1, int y1) {
    const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    const int steps = std::max(dx, dy);
    const int w = std::max(1, m_pen.width);
    const bool flat = dx >= dy;
    const DashPattern* pattern = PatternOf(m_pen.style);
    int run = 0, left = pattern ? pattern->runs[0] * w : 0;
    bool on = true;
    int err = (dx > dy ? dx : -dy) / 2;
    int x = x0, y = y0;
    // Grid lines cross the whole plot: copies go straight to the pixels.
    const bool copy = !m_recorder && m_bits && m_rop == Rop::Copy;
    const uint32_t penArgb = ToArgb(m_pen.color), bkArgb = ToArgb(m_bkColor);
    for (int i = 0; i < steps; ++i) {
        for (int j = 0; j < w; ++j) {
            const int px = flat ? x : x + j, py = flat ? y + j : y;
            if (!on && m_bkMode != OPAQUE)
                continue;
            if (copy) {
                if (static_cast<unsigned>(px) < static_cast<unsigned>(m_width) &&
                    static_cast<unsigned>(py) < static_cast<unsigned>(m_height))
                    m_bits[static_cast<size_t>(py) * m_stride + px] = on ? penArgb : bkArgb;
            } else {
                Plot(px, py, on ? m_pen.color : m_bkColor);
            }
        }
        if (pattern && --left == 0) {
            run = (run + 1) % pattern->count;
            left = pattern->runs[run] * w;
            on = run % 2 == 0;
        }
        const int e = err;
        if (e > -dx) {
            err -= dy;
            x += sx;
        }
        if (e < dy) {
            err += dx;
            y += sy;
        }
    }
}

template <class Inside> void CImageDC::ShapeByPredicate(int l, int t, int r, int b, Inside inside) {
    const bool pen = m_pen.style != PS_NULL;
    const int w = std::max(1, m_pen.width);
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x) {
            if (!inside(x, y))
                continue;
            // The outline: within the pen's width of the outside.
            bool edge = false;
            for (int d = 1; d <= w && !edge; ++d)
                edge = !inside(x - d, y) || !inside(x + d, y) || !inside(x, y - d) || !inside(x, y + d);
            if (edge && pen)
                Plot(x, y, m_pen.color);
            else
                BrushPixel(x, y, m_brush, m_rop);
        }
}

void CImageDC::Rectangle(int l, int t, int r, int b) {
    LCRect rc{l, t, r, b};
    rc.NormalizeRect();
    ShapeByPredicate(rc.left, rc.top, rc.right, rc.bottom, [&](int x, int y) {
        return x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
    });
}

void CImageDC::Ellipse(int l, int t, int r, int b) {
    LCRect rc{l, t, r, b};
    rc.NormalizeRect();
    ShapeByPredicate(rc.left, rc.top, rc.right, rc.bottom,
                     [&](int x, int y) { return InEllipse(x, y, rc.left, rc.top, rc.right, rc.bottom); });
}

void CImageDC::RoundRect(int l, int t, int r, int b, int ew, int eh) {
    LCRect rc{l, t, r, b};
    rc.NormalizeRect();
    ew = std::clamp(ew, 0, rc.Width());
    eh = std::clamp(eh, 0, rc.Height());
    const int hw = ew / 2, hh = eh / 2;
    auto inside = [&](int x, int y) {
        if (x < rc.left || x >= rc.right || y < rc.top || y >= rc.bottom)
            return false;
        const bool west = x < rc.left + hw, east = x >= rc.right - hw;
        const bool north = y < rc.top + hh, south = y >= rc.bottom - hh;
        if (west && north)
            return InEllipse(x, y, rc.left, rc.top, rc.left + ew, rc.top + eh);
        if (east && north)
            return InEllipse(x, y, rc.right - ew, rc.top, rc.right, rc.top + eh);
        if (west && south)
            return InEllipse(x, y, rc.left, rc.bottom - eh, rc.left + ew, rc.bottom);
        if (east && south)
            return InEllipse(x, y, rc.right - ew, rc.bottom - eh, rc.right, rc.bottom);
        return true;
    };
    ShapeByPredicate(rc.left, rc.top, rc.right, rc.bottom, inside);
}

void CImageDC::Polygon(const LCPoint* points, int count) {
    if (count < 2)
        return;
    int minX = points[0].x, maxX = minX, minY = points[0].y, maxY = minY;
    for (int i = 1; i < count; ++i) {
        minX = std::min(minX, points[i].x);
        maxX = std::max(maxX, points[i].x);
        minY = std::min(minY, points[i].y);
        maxY = std::max(maxY, points[i].y);
    }
    // Even-odd fill of the pixels inside the polygon, with vertices and
    // pixels taken at the same integer positions the outline uses; pixels
    // on an edge are left to the outline.
    if (m_brush.kind != GdiBrush::Null) {
        for (int y = minY; y < maxY; ++y) {
            const long long yc = 2LL * y;
            for (int x = minX; x < maxX; ++x) {
                const long long xc = 2LL * x;
                bool in = false;
                for (int i = 0, j = count - 1; i < count; j = i++) {
                    const long long xi = 2LL * points[i].x, yi = 2LL * points[i].y;
                    const long long xj = 2LL * points[j].x, yj = 2LL * points[j].y;
                    if ((yi > yc) == (yj > yc))
                        continue;
                    // xc < xi + (yc - yi) (xj - xi) / (yj - yi), multiplied out by the sign of yj - yi.
                    const long long lhs = (xc - xi) * (yj - yi), rhs = (yc - yi) * (xj - xi);
                    if (yj > yi ? lhs < rhs : lhs > rhs)
                        in = !in;
                }
                if (in)
                    BrushPixel(x, y, m_brush, m_rop);
            }
        }
    }
    if (m_pen.style != PS_NULL)
        for (int i = 0; i < count; ++i) {
            const LCPoint& a = points[i];
            const LCPoint& b = points[(i + 1) % count];
            Line(a.x, a.y, b.x, b.y);
        }
}

void CImageDC::PatBlt(const LCRect& rc, const GdiBrush& brush, Rop rop) {
    LCRect r = rc;
    if (r.IsRectEmpty())
        return;
    if (!m_recorder) {
        r.left = std::max(r.left, 0);
        r.top = std::max(r.top, 0);
        r.right = std::min(r.right, m_width);
        r.bottom = std::min(r.bottom, m_height);
    }
    if (!m_recorder && brush.kind == GdiBrush::Solid && rop == Rop::Copy) {
        if (!m_bits)
            return;
        const uint32_t argb = ToArgb(brush.color);
        for (int y = r.top; y < r.bottom; ++y) {
            uint32_t* row = m_bits + static_cast<ptrdiff_t>(y) * m_stride;
            std::fill(row + r.left, row + std::max(r.left, r.right), argb);
        }
        return;
    }
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            BrushPixel(x, y, brush, rop);
}

void CImageDC::ExtTextOutOpaque(const LCRect& rc) {
    FillRect(rc, GdiBrush::SolidBrush(m_bkColor));
}

void CImageDC::SetPixel(int x, int y, COLORREF color) {
    PlotRop(x, y, color, Rop::Copy);
}

void CImageDC::TextOut(int x, int y, const std::string& utf8) {
    if (!m_bits || m_recorder)
        return;
    const QFont font = QtFontOf(m_font);
    const QFontMetrics fm(font);
    const QString text = QString::fromStdString(utf8);
    if (m_bkMode == OPAQUE)
        FillRect({x, y, x + fm.horizontalAdvance(text), y + fm.height()}, GdiBrush::SolidBrush(m_bkColor));
    QPainter p(&m_image);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(font);
    p.setPen(QColor(GetRValue(m_textColor), GetGValue(m_textColor), GetBValue(m_textColor)));
    p.drawText(x, y + fm.ascent(), text);
}

LCSize CImageDC::GetTextExtent(const std::string& utf8) {
    const QFontMetrics fm(QtFontOf(m_font));
    return {fm.horizontalAdvance(QString::fromStdString(utf8)), fm.height()};
}

void CImageDC::StampMarkers(const MarkerStamp& stamp, const LCPoint* centres, size_t count) {
    if (!m_bits || stamp.Empty() || count == 0)
        return;
    // Each pixel ends with the colour of the last stamp that covers it, so
    // going from the last stamp to the first, a pixel is written once, by
    // the first stamp to reach it, and whole runs already written are
    // skipped. Dense plots hide most of their markers under later ones.
    const size_t words = (static_cast<size_t>(m_width) + 63) / 64;
    std::vector<uint64_t> done(words * static_cast<size_t>(m_height), 0);
    const std::vector<StampPixel>& pixels = stamp.Pixels();
    const StampRun* const runs = stamp.Runs().data();
    const size_t runCount = stamp.Runs().size();
    for (size_t k = count; k-- > 0;) {
        const int x = centres[k].x, y = centres[k].y;
        const bool inside = x + stamp.MinDx() >= 0 && x + stamp.MaxDx() < m_width && y + stamp.MinDy() >= 0 &&
                            y + stamp.MaxDy() < m_height;
        for (size_t r = 0; r < runCount; ++r) {
            const StampRun& run = runs[r];
            const int py = y + run.dy;
            int x0 = x + run.dx, x1 = x0 + run.count;
            if (!inside) {
                if (static_cast<unsigned>(py) >= static_cast<unsigned>(m_height))
                    continue;
                x0 = std::max(x0, 0);
                x1 = std::min(x1, m_width);
                if (x0 >= x1)
                    continue;
            }
            // The run's bits of the row, at most 64, from one or two words.
            uint64_t* mask = done.data() + static_cast<size_t>(py) * words + (x0 >> 6);
            const int n = x1 - x0, shift = x0 & 63;
            const uint64_t all = n == 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
            const bool two = shift + n > 64;
            uint64_t have = mask[0] >> shift;
            if (two)
                have |= mask[1] << (64 - shift);
            uint64_t todo = ~have & all;
            if (todo == 0)
                continue;
            mask[0] |= all << shift;
            if (two)
                mask[1] |= all >> (64 - shift);
            uint32_t* row = m_bits + static_cast<ptrdiff_t>(py) * m_stride + x0;
            const StampPixel* src = pixels.data() + run.first + (x0 - (x + run.dx));
            for (; todo != 0; todo &= todo - 1) {
                const int i = std::countr_zero(todo);
                row[i] = src[i].argb;
            }
        }
    }
}

void CImageDC::Stamp(const MarkerStamp& stamp, int x, int y) {
    if (!m_bits || stamp.Empty())
        return;
    const bool inside = x + stamp.MinDx() >= 0 && x + stamp.MaxDx() < m_width && y + stamp.MinDy() >= 0 &&
                        y + stamp.MaxDy() < m_height;
    if (inside) {
        uint32_t* origin = m_bits + static_cast<ptrdiff_t>(y) * m_stride + x;
        for (const StampPixel& p : stamp.Pixels())
            origin[static_cast<ptrdiff_t>(p.dy) * m_stride + p.dx] = p.argb;
        return;
    }
    for (const StampPixel& p : stamp.Pixels()) {
        const int px = x + p.dx, py = y + p.dy;
        if (static_cast<unsigned>(px) < static_cast<unsigned>(m_width) &&
            static_cast<unsigned>(py) < static_cast<unsigned>(m_height))
            m_bits[static_cast<size_t>(py) * m_stride + px] = p.argb;
    }
}
