#include "PainterDC.h"

#include <QFont>
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

QColor QColorOf(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// The on and off runs of the raster context's cosmetic styles, in pen widths.
QList<qreal> DashesOf(int style) {
    switch (style) {
    case PS_DASH:
        return {18, 6};
    case PS_DOT:
        return {3, 3};
    case PS_DASHDOT:
        return {9, 6, 3, 6};
    case PS_DASHDOTDOT:
        return {9, 3, 3, 3, 3, 3};
    default:
        return {};
    }
}

Qt::BrushStyle HatchOf(int hatch) {
    switch (hatch) {
    case HS_HORIZONTAL:
        return Qt::HorPattern;
    case HS_VERTICAL:
        return Qt::VerPattern;
    case HS_FDIAGONAL:
        return Qt::FDiagPattern;
    case HS_CROSS:
        return Qt::CrossPattern;
    case HS_DIAGCROSS:
        return Qt::DiagCrossPattern;
    default:
        return Qt::BDiagPattern;
    }
}

QPointF Centre(int x, int y) {
    return {x + 0.5, y + 0.5};
}

} // namespace

CPainterDC::CPainterDC(QPainter& painter) : m_painter(painter) {
    m_rasterOps = painter.paintEngine() && painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
}

GdiPen CPainterDC::SelectPen(const GdiPen& pen) {
    return std::exchange(m_pen, pen);
}
GdiBrush CPainterDC::SelectBrush(const GdiBrush& brush) {
    return std::exchange(m_brush, brush);
}
GdiFont CPainterDC::SelectFont(const GdiFont& font) {
    return std::exchange(m_font, font);
}
Rop CPainterDC::SetROP2(Rop rop) {
    return std::exchange(m_rop, rop);
}
int CPainterDC::SetBkMode(int mode) {
    return std::exchange(m_bkMode, mode);
}
COLORREF CPainterDC::SetBkColor(COLORREF color) {
    return std::exchange(m_bkColor, color);
}
COLORREF CPainterDC::SetTextColor(COLORREF color) {
    return std::exchange(m_textColor, color);
}

COLORREF CPainterDC::ApplyRop(Rop rop, COLORREF color) {
    if (m_rasterOps) {
        m_painter.setCompositionMode(rop == Rop::Invert ? QPainter::RasterOp_NotDestination
                                     : rop == Rop::Xor  ? QPainter::RasterOp_SourceXorDestination
                                                        : QPainter::CompositionMode_SourceOver);
        return color;
    }
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    return rop == Rop::Invert ? 0x000000 : rop == Rop::Xor ? (color ^ 0xFFFFFF) : color;
}

QPen CPainterDC::OutlinePen() const {
    QPen pen(QColorOf(m_pen.color), std::max(1, m_pen.width));
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    const QList<qreal> dashes = DashesOf(m_pen.style);
    if (!dashes.isEmpty()) {
        QList<qreal> scaled;
        for (qreal d : dashes)
            scaled.push_back(d / pen.widthF());
        pen.setDashPattern(scaled);
    }
    return pen;
}

QBrush CPainterDC::FillBrush(const GdiBrush& brush, Rop rop) {
    const QColor color = QColorOf(ApplyRop(rop, brush.color));
    return brush.kind == GdiBrush::Hatched ? QBrush(color, HatchOf(brush.hatch)) : QBrush(color);
}

void CPainterDC::FillPath(const QPainterPath& path, const GdiBrush& brush, Rop rop) {
    if (brush.kind == GdiBrush::Null)
        return;
    if (brush.kind == GdiBrush::Hatched && m_bkMode == OPAQUE)
        m_painter.fillPath(path, QBrush(QColorOf(ApplyRop(rop, m_bkColor))));
    m_painter.fillPath(path, FillBrush(brush, rop));
}

void CPainterDC::Shape(const QPainterPath& fill, const QPainterPath& outline) {
    if (m_pen.style == PS_NULL) {
        FillPath(fill, m_brush, m_rop);
        return;
    }
    QPen pen = OutlinePen();
    pen.setColor(QColorOf(ApplyRop(m_rop, m_pen.color)));
    if (&fill == &outline && m_brush.kind == GdiBrush::Solid) {
        // One path filled and stroked: half the output of two.
        m_painter.setPen(pen);
        m_painter.setBrush(FillBrush(m_brush, m_rop));
        m_painter.drawPath(outline);
        return;
    }
    FillPath(fill, m_brush, m_rop);
    m_painter.strokePath(outline, pen);
}

void CPainterDC::MoveTo(int x, int y) {
    m_pos = {x, y};
}

void CPainterDC::LineTo(int x, int y) {
    const LCPoint from = std::exchange(m_pos, LCPoint{x, y});
    if (m_pen.style == PS_NULL || (from.x == x && from.y == y))
        return;
    // Through the pixel centres, moved back half a pixel so that the first
    // pixel is covered and the last one is not.
    const double dx = x - from.x, dy = y - from.y, len = std::hypot(dx, dy);
    const QPointF back(dx / len / 2, dy / len / 2);
    QPainterPath path(Centre(from.x, from.y) - back);
    path.lineTo(Centre(x, y) - back);
    QPen pen = OutlinePen();
    if (m_pen.style != PS_SOLID && m_bkMode == OPAQUE) {
        QPen gaps = pen;
        gaps.setStyle(Qt::SolidLine);
        gaps.setColor(QColorOf(ApplyRop(m_rop, m_bkColor)));
        m_painter.strokePath(path, gaps);
    }
    pen.setColor(QColorOf(ApplyRop(m_rop, m_pen.color)));
    m_painter.strokePath(path, pen);
}

void CPainterDC::Rectangle(int l, int t, int r, int b) {
    LCRect rc{l, t, r, b};
    rc.NormalizeRect();
    if (rc.IsRectEmpty())
        return;
    QPainterPath box, edge;
    box.addRect(QRectF(rc.left, rc.top, rc.Width(), rc.Height()));
    edge.addRect(QRectF(rc.left + 0.5, rc.top + 0.5, rc.Width() - 1, rc.Height() - 1));
    Shape(m_pen.style == PS_NULL ? box : edge, edge);
}

void CPainterDC::Ellipse(int l, int t, int r, int b) {
    LCRect rc{l, t, r, b};
    rc.NormalizeRect();
    if (rc.IsRectEmpty())
        return;
    QPainterPath edge;
    edge.addEllipse(QRectF(rc.left + 0.5, rc.top + 0.5, rc.Width() - 1, rc.Height() - 1));
    Shape(edge, edge);
}

void CPainterDC::RoundRect(int l, int t, int r, int b, int ew, int eh) {
    LCRect rc{l, t, r, b};
    rc.NormalizeRect();
    if (rc.IsRectEmpty())
        return;
    ew = std::clamp(ew, 0, rc.Width());
    eh = std::clamp(eh, 0, rc.Height());
    QPainterPath edge;
    edge.addRoundedRect(QRectF(rc.left + 0.5, rc.top + 0.5, rc.Width() - 1, rc.Height() - 1), ew / 2.0,
                        eh / 2.0);
    Shape(edge, edge);
}

void CPainterDC::Polygon(const LCPoint* points, int count) {
    if (count < 2)
        return;
    QPolygonF polygon;
    polygon.reserve(count);
    for (int i = 0; i < count; ++i)
        polygon << Centre(points[i].x, points[i].y);
    QPainterPath edge;
    edge.setFillRule(Qt::OddEvenFill);
    edge.addPolygon(polygon);
    edge.closeSubpath();
    Shape(edge, edge);
}

void CPainterDC::PatBlt(const LCRect& rc, const GdiBrush& brush, Rop rop) {
    if (rc.IsRectEmpty())
        return;
    QPainterPath box;
    box.addRect(QRectF(rc.left, rc.top, rc.Width(), rc.Height()));
    FillPath(box, brush, rop);
    ApplyRop(Rop::Copy, 0);
}

void CPainterDC::ExtTextOutOpaque(const LCRect& rc) {
    PatBlt(rc, GdiBrush::SolidBrush(m_bkColor), Rop::Copy);
}

void CPainterDC::SetPixel(int x, int y, COLORREF color) {
    PatBlt({x, y, x + 1, y + 1}, GdiBrush::SolidBrush(color), Rop::Copy);
}

void CPainterDC::TextOut(int x, int y, const std::string& utf8) {
    const QFont font = QtFontOf(m_font);
    const QFontMetrics fm(font);
    const QString text = QString::fromStdString(utf8);
    if (m_bkMode == OPAQUE)
        ExtTextOutOpaque({x, y, x + fm.horizontalAdvance(text), y + fm.height()});
    ApplyRop(Rop::Copy, 0);
    m_painter.setFont(font);
    m_painter.setPen(QColorOf(m_textColor));
    m_painter.drawText(QPointF(x, y + fm.ascent()), text);
}

LCSize CPainterDC::GetTextExtent(const std::string& utf8) {
    const QFontMetrics fm(QtFontOf(m_font));
    return {fm.horizontalAdvance(QString::fromStdString(utf8)), fm.height()};
}
