// Drawing the chart into a device context: background, plots with their
// hit records, selection, cross-hair, legend, read-out and information strip.

#include "LCPainter.h"

#include "ChartText.h"
#include "ImageDC.h"

#include <QImage>

#include <algorithm>
#include <cmath>

namespace {
COLORREF Halved(COLORREF c) {
    return RGBColor(GetRValue(c) >> 1, GetGValue(c) >> 1, GetBValue(c) >> 1);
}

// The marker shapes by kind around centre (px, py) in box (l, t, r, b).
void DrawMarkerShape(IGdiDC& dc, int kind, int l, int t, int r, int b, int px, int py, int triangleLift = 0) {
    switch (kind & 0xF) {
    case 1:
        dc.Rectangle(l, t, r, b);
        break;
    case 2:
        dc.Ellipse(l, t, r, b);
        break;
    case 3: {
        const LCPoint p[4] = {{px, t}, {r, py}, {px, b}, {l, py}};
        dc.Polygon(p, 4);
        break;
    }
    case 4: {
        const LCPoint p[3] = {{px, t - triangleLift}, {r, b - triangleLift}, {l, b - triangleLift}};
        dc.Polygon(p, 3);
        break;
    }
    case 5: {
        const LCPoint p[3] = {{px, b}, {r, t}, {l, t}};
        dc.Polygon(p, 3);
        break;
    }
    default:
        break;
    }
}
} // namespace

void CLCPainter::RunPaint(IGdiDC& dc, bool layout) {
    ++m_nPaints;
    DrawBackground(dc);
    DrawAxes(&dc);
    DrawPlots(&dc, false);
    DrawMessage(dc);
    if (m_pSurface)
        m_pSurface->DataDrawn();
    DrawOverlays(dc, layout);
}

void CLCPainter::DrawOverlays(IGdiDC& dc, bool layout) {
    DrawSelection(&dc);
    if (m_ia.IsCrossVisible())
        DrawCross(&dc, m_ia.CrossPoint().x, m_ia.CrossPoint().y);
    if (layout)
        LayoutLegend();
    DrawLegend(&dc);
    DrawReadout(&dc);
}

void CLCPainter::DrawMessage(IGdiDC& dc) {
    if (m_strMessage.empty() || m_rcPlot.IsRectEmpty())
        return;
    dc.SetBkMode(TRANSPARENT);
    const GdiFont oldFont = dc.SelectFont({"Arial", FontTenths(m_nFontSize)});
    const COLORREF oldColor = dc.SetTextColor(0x000000);
    const LCSize e = dc.GetTextExtent(m_strMessage);
    const int x = (m_rcPlot.left + m_rcPlot.right + 1 - e.cx) / 2;
    const int y = (m_rcPlot.top + m_rcPlot.bottom + 1 - e.cy) / 2;
    dc.TextOut(std::max(x, m_rcPlot.left), y, m_strMessage);
    dc.SetTextColor(oldColor);
    dc.SelectFont(oldFont);
}

void CLCPainter::PaintTo(IGdiDC& dc) {
    RunPaint(dc, false);
}

void CLCPainter::DrawBackground(IGdiDC& dc) {
    const LCRect& c = m_rcClient;
    const LCRect& p = m_rcPlot;
    if (p.IsRectEmpty()) {
        dc.FillSolidRect(c.left, c.top, c.right - c.left + 1, c.bottom - c.top + 1, m_crBack);
    } else {
        // The plot's sunken frame, k pixels wide, just outside the plot.
        const int cw = c.right - c.left + 1, k = Px(1);
        dc.FillSolidRect(c.left, c.top, cw, p.top - c.top - k, m_crBack);
        dc.FillSolidRect(c.left, p.bottom + 1 + k, cw, c.bottom - (p.bottom + 1 + k) + 1, m_crBack);
        dc.FillSolidRect(c.left, p.top - k, p.left - k - c.left, p.bottom - p.top + 1 + 2 * k, m_crBack);
        dc.FillSolidRect(p.right + 1 + k, p.top - k, c.right - (p.right + 1 + k) + 1,
                         p.bottom - p.top + 1 + 2 * k, m_crBack);
        const GdiPen old = dc.SelectPen({PS_SOLID, k, 0x686868});
        dc.MoveTo(p.left - k, p.bottom + 1);
        dc.LineTo(p.left - k, p.top - k);
        dc.LineTo(p.right + 1, p.top - k);
        dc.SelectPen({PS_SOLID, k, 0xE0E0E0});
        dc.LineTo(p.right + 1, p.bottom + 1);
        dc.LineTo(p.left - k, p.bottom + 1);
        dc.SelectPen(old);
        dc.FillSolidRect(p.left, p.top, p.right - p.left + 1, p.bottom - p.top + 1, m_crPlotBack);
    }
    const GdiPen old = dc.SelectPen({PS_SOLID, 1, m_crFrame});
    dc.MoveTo(c.left, c.bottom);
    dc.LineTo(c.left, c.top);
    dc.LineTo(c.right, c.top);
    dc.LineTo(c.right, c.bottom);
    dc.LineTo(c.left, c.bottom);
    dc.SelectPen(old);
}

CLCPainter::DrawTargetDC CLCPainter::DrawTarget(IGdiDC* pdc) {
    DrawTargetDC target;
    if (!pdc)
        target.own = m_pSurface ? m_pSurface->OpenWindowDC() : nullptr;
    target.dc = pdc ? pdc : target.own.get();
    return target;
}

void CLCPainter::DrawPlots(IGdiDC* pdc, bool highlight) {
    if (m_rcPlot.IsRectEmpty() || !m_model.HasPlots())
        return;
    const DrawTargetDC target = DrawTarget(pdc);
    if (!target.dc)
        return;
    pdc = target.dc;
    if (!highlight)
        m_ia.PlanHits(m_model, m_rcPlot, m_nPixelScale);
    m_model.ForEachInDrawingOrder([&](CLCPlot* plot) { DrawPlot(*pdc, plot, highlight); });
}

// One drawing of a plot's markers: their look, the highlight, and the grid
// of marker centres over the plot area.
struct CLCPainter::MarkerPass {
    IGdiDC& dc;
    bool highlight;
    GdiBrush fill, hiBrush;
    GdiPen outline;
    int s, kind, tol;
    // How a highlighted marker is drawn: 0 not at all, 1 copied in the
    // highlight colour, 2 inverted, 3 xor-ed; which markers are lit (the
    // low bits of the highlight mode).
    unsigned how, lights;
    LCPoint hlPoint;
    LCRect hlRect;
    int L, B;
    unsigned gridW, gridH;
    int W, H;
    double xMin, xMax, yMin, yMax;

    // The marker centre of point i of ds; false when the point is outside the view.
    bool PointCentre(const CLCDataSet& ds, int i, int& px, int& py) const {
        double x, y;
        ds.GetPoint(i, x, y);
        if (!(x >= xMin && x <= xMax && y >= yMin && y <= yMax))
            return false;
        // Both quotients are 0 or more inside the view, so truncation is the floor.
        px = L + static_cast<int>(W * (x - xMin) / (xMax - xMin));
        py = B - static_cast<int>(H * (y - yMin) / (yMax - yMin));
        return true;
    }

    bool Lit(int px, int py) const {
        switch (lights) {
        case 1:
            return true;
        case 2:
            return LCRect{px - tol, py - tol, px + tol, py + tol}.PtInRect(hlPoint);
        case 3:
            return hlRect.PtInRect({px, py});
        default:
            return false;
        }
    }
    void DrawOne(int px, int py) const {
        if (highlight) {
            if (how != 0 && Lit(px, py)) {
                dc.SetROP2(how == 2 ? Rop::Invert : how == 3 ? Rop::Xor : Rop::Copy);
                dc.SelectBrush(hiBrush);
            } else {
                dc.SetROP2(Rop::Copy);
                dc.SelectBrush(fill);
            }
        }
        DrawMarkerShape(dc, kind, px - s, py - s, px + s, py + s, px, py);
    }
    LCPoint Centre(uint32_t c) const {
        return {L + static_cast<int>(c % gridW), B - static_cast<int>(c / gridW)};
    }
    // The marker's pixels with brush, as a stamp.
    MarkerStamp Record(const GdiBrush& brush) const {
        QImage scratch(1, 1, QImage::Format_RGB32);
        CImageDC recorderDC(scratch);
        std::vector<StampPixel> writes;
        recorderDC.SelectBrush(brush);
        recorderDC.SelectPen(outline);
        recorderDC.SetRecorder(&writes);
        DrawMarkerShape(recorderDC, kind, -s, -s, s, s, 0, 0);
        recorderDC.SetRecorder(nullptr);
        MarkerStamp stamp;
        stamp.Assign(writes);
        return stamp;
    }
};

void CLCPainter::DrawPlot(IGdiDC& dc, CLCPlot* plot, bool highlight) {
    if (!plot || (plot->nFlags & 1) || !plot->pDataSet || plot->pDataSet->GetPointCount() <= 0)
        return;
    const CLCDataSet& ds = *plot->pDataSet;
    const double xMin = XMin(), xMax = XMax(), yMin = YMin(), yMax = YMax();
    const double x0 = std::max(xMin, ds.GetXMin()), x1 = std::min(xMax, ds.GetXMax());
    if (x1 < x0)
        return;
    const int n = ds.GetPointCount();
    const int first = std::clamp(ds.FindFirstAtOrAfter(x0) - 1, 0, n - 1);
    const int last = std::clamp(ds.FindLastAtOrBefore(x1) + 1, 0, n - 1);
    if (last < first || plot->marker.nKind == 0)
        return;
    const int L = m_rcPlot.left, B = m_rcPlot.bottom;
    const int W = m_rcPlot.right - L + 1, H = B - m_rcPlot.top + 1;
    const unsigned mode = m_ia.HighlightMode();
    const MarkerPass pass{dc,
                          highlight,
                          GdiBrush::SolidBrush(plot->marker.crFill),
                          GdiBrush::SolidBrush(m_ia.HighlightColor()),
                          {PS_SOLID, Px(1), Halved(plot->crColor)},
                          Px(plot->marker.nSize),
                          plot->marker.nKind,
                          Px(m_nPointTolerance),
                          (mode >> 8) & 0xF,
                          mode & 0xF,
                          m_ia.HighlightPoint(),
                          m_ia.HighlightRect(),
                          L,
                          B,
                          static_cast<unsigned>(W) + 1,
                          static_cast<unsigned>(H) + 1,
                          W,
                          H,
                          xMin,
                          xMax,
                          yMin,
                          yMax};
    const GdiBrush oldBrush = dc.SelectBrush(pass.fill);
    const GdiPen oldPen = dc.SelectPen(pass.outline);

    // Stamped drawing: every marker of the pass is the same set of pixels in
    // the same colours, so a marker drawn again at the same centre makes the
    // earlier one invisible; only the last marker at each centre is drawn. A
    // highlight that copies has two stamps, chosen by the centre alone, so
    // the same holds; one that inverts or xors depends on what lies below.
    // A vector surface draws those shapes one by one.
    const bool stamps = dc.SupportsStamps();
    const bool lastOnly = !(m_bPlainMarkers || (highlight && (pass.how > 1 || !stamps)) ||
                            !(stamps || dc.DrawsOnlyVisibleMarkers()));
    // The highlight of the point under the mouse paints the markers it lights
    // and leaves the rest, so the plots drawn over this one stay on top.
    const bool litOnly = highlight && pass.lights == 2;
    if (!lastOnly || !DrawLastAtEachCentre(pass, dc, stamps, ds, first, last, litOnly)) {
        for (int i = first; i <= last; ++i) {
            int px, py;
            if (pass.PointCentre(ds, i, px, py) && !(litOnly && !pass.Lit(px, py)))
                pass.DrawOne(px, py);
        }
    }
    dc.SetROP2(Rop::Copy);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
}

bool CLCPainter::DrawLastAtEachCentre(const MarkerPass& pass, IGdiDC& image, bool stamps,
                                      const CLCDataSet& ds, int first, int last, bool litOnly) {
    // Walk the points backwards keeping the first visit of each centre (its
    // last marker), then draw those in their original order. A centre
    // outside the grid leaves the drawing to the caller, one marker a point.
    std::vector<uint64_t>& seen = m_stampSeen;
    seen.assign((static_cast<size_t>(pass.gridW) * pass.gridH + 63) / 64, 0);
    std::vector<uint32_t>& keep = m_stampKeep;
    keep.clear();
    for (int i = last; i >= first; --i) {
        int px, py;
        if (!pass.PointCentre(ds, i, px, py) || (litOnly && !pass.Lit(px, py)))
            continue;
        const unsigned cx = static_cast<unsigned>(px - pass.L), cy = static_cast<unsigned>(pass.B - py);
        if (cx >= pass.gridW || cy >= pass.gridH)
            return false;
        const uint32_t c = cy * pass.gridW + cx;
        uint64_t& word = seen[c >> 6];
        const uint64_t bit = uint64_t{1} << (c & 63);
        if (!(word & bit)) {
            word |= bit;
            keep.push_back(c);
        }
    }
    if (keep.empty())
        return true;
    MarkerStamp stamp, litStamp;
    const bool twoStamps = pass.highlight && pass.how == 1;
    if (stamps) {
        stamp = pass.Record(pass.fill);
        if (twoStamps)
            litStamp = pass.Record(pass.hiBrush);
    }
    std::vector<LCPoint>& centres = m_stampCentres;
    centres.clear();
    for (size_t k = keep.size(); k-- > 0;) {
        const LCPoint q = pass.Centre(keep[k]);
        if (!stamps)
            pass.DrawOne(q.x, q.y);
        else if (twoStamps) // the two kinds interleave: one at a time, in order
            image.StampMarker(pass.Lit(q.x, q.y) ? litStamp : stamp, q.x, q.y);
        else
            centres.push_back(q);
    }
    if (stamps && !twoStamps)
        image.StampMarkers(stamp, centres.data(), centres.size());
    return true;
}

void CLCPainter::DrawLegendSample(IGdiDC& dc, const LCRect& rc, const CLCPlot* plot) {
    if (!plot || (plot->nFlags & 1) || plot->marker.nKind == 0)
        return;
    const GdiBrush oldBrush = dc.SelectBrush(GdiBrush::SolidBrush(plot->marker.crFill));
    const GdiPen oldPen = dc.SelectPen({PS_SOLID, Px(1), Halved(plot->crColor)});
    const int cx = (rc.left + rc.right) / 2, cy = (rc.top + rc.bottom) / 2, s = Px(plot->marker.nSize);
    DrawMarkerShape(dc, plot->marker.nKind, cx - s, cy - s, cx + s, cy + s, cx, cy, Px(1));
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
}

void CLCPainter::DrawSelection(IGdiDC* pdc) {
    if (m_ia.Selection().IsRectEmpty())
        return;
    const DrawTargetDC target = DrawTarget(pdc);
    if (!target.dc)
        return;
    IGdiDC& dc = *target.dc;
    const LCRect& r = m_ia.Selection();
    const int s = SelectionBorder() + 1, h = SelectionBorder() / 2;
    // One pixel wide at any ratio: the bands and handles around it are laid
    // out from the selection's edges plus this one pixel.
    const GdiPen oldPen = dc.SelectPen({PS_SOLID, 1, m_crSelection});
    dc.MoveTo(r.left - 1, r.top - 1);
    dc.LineTo(r.right + 1, r.top - 1);
    dc.LineTo(r.right + 1, r.bottom + 1);
    dc.LineTo(r.left - 1, r.bottom + 1);
    dc.LineTo(r.left - 1, r.top - 1);
    dc.SelectPen(oldPen);
    dc.FillRect({r.left - s, r.top - s, r.right + s, r.top - 1}, m_selectionBrush);
    dc.FillRect({r.left - s, r.top - s, r.left - 1, r.bottom + s}, m_selectionBrush);
    dc.FillRect({r.left - s, r.bottom + 2, r.right + s, r.bottom + s + 1}, m_selectionBrush);
    dc.FillRect({r.right + 2, r.top - s, r.right + s + 1, r.bottom + s}, m_selectionBrush);
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    const LCPoint corners[8] = {{r.left - s, r.top - s},  {r.left - s, r.bottom + 1},
                                {r.right + 1, r.top - s}, {r.right + 1, r.bottom + 1},
                                {r.left - s, cy - h},     {cx - h, r.top - s},
                                {r.right + 1, cy - h},    {cx - h, r.bottom + 1}};
    for (const LCPoint& c : corners)
        dc.FillRect({c.x, c.y, c.x + s, c.y + s}, GdiBrush::SolidBrush(m_crSelection));
}

void CLCPainter::DrawCross(IGdiDC* pdc, int x, int y) {
    const DrawTargetDC target = DrawTarget(pdc);
    if (!target.dc)
        return;
    IGdiDC& dc = *target.dc;
    const GdiPen oldPen = dc.SelectPen({PS_SOLID, Px(1), 0});
    const Rop oldRop = dc.SetROP2(Rop::Invert);
    dc.MoveTo(m_rcPlot.left, y);
    dc.LineTo(m_rcPlot.right, y);
    dc.MoveTo(x, m_rcPlot.top);
    dc.LineTo(x, m_rcPlot.bottom);
    dc.SetROP2(oldRop);
    dc.SelectPen(oldPen);
}

namespace {
// Cuts name so that it fits budget, ending in "..." when cut.
std::string CutName(IGdiDC& dc, std::string name, int budget) {
    if (dc.GetTextExtent(name).cx <= budget)
        return name;
    const int dots = dc.GetTextExtent("...").cx;
    while (!name.empty() && dc.GetTextExtent(name).cx > budget - dots) {
        name.pop_back();
        // Never leave half of a UTF-8 sequence behind.
        while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80)
            name.pop_back();
        if (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0xC0)
            name.pop_back();
    }
    return name + "...";
}
} // namespace

void CLCPainter::DrawLegend(IGdiDC* pdc) {
    if (!m_bShowLegend || !m_model.HasPlots() || m_rcLegend.IsRectEmpty())
        return;
    const DrawTargetDC target = DrawTarget(pdc);
    if (!target.dc)
        return;
    IGdiDC& dc = *target.dc;
    const GdiBrush oldBrush = dc.SelectBrush(GdiBrush::SolidBrush(0xFFFFFF));
    const GdiPen oldPen = dc.SelectPen({PS_SOLID, Px(1), 0x000080});
    const GdiFont oldFont = dc.SelectFont({m_strFontFace, FontTenths(m_nLegendFontSize)});
    dc.SetBkMode(TRANSPARENT);
    const LCSize s0 = dc.GetTextExtent("0");
    const int cw = s0.cx, ch = s0.cy;
    const LCRect& g = m_rcLegend;
    dc.RoundRect(g.left, g.top, g.right, g.bottom, Px(16), Px(16));
    const int budget = (g.right - g.left) - 9 * cw;
    const int row = ch + ch / 3;
    int y = g.top + ch / 2;
    if (!m_strLegendTitle.empty()) {
        dc.TextOut(g.left + 7 * cw, y, m_strLegendTitle);
        y += row;
    }
    const int reserve = g.bottom - y < row * m_model.GetVisiblePlotCount() ? ch : 0;
    for (auto it = m_model.Plots().rbegin(); it != m_model.Plots().rend(); ++it) {
        const CLCPlot* p = *it;
        if (p->nFlags & 1)
            continue;
        if (g.bottom - reserve - y < row)
            break;
        const LCRect sample{g.left + 2 * cw, y + ch * 7 / 15, g.left + 2 * cw + 6 * cw,
                            y + ch * 7 / 15 + ch / 5};
        DrawLegendSample(dc, sample, p);
        dc.TextOut(g.left + 9 * cw, y, CutName(dc, p->strName, budget));
        y += row;
    }
    if (reserve != 0)
        dc.TextOut(g.left + 9 * cw, y, "[...]");
    dc.SelectFont(oldFont);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
}

void CLCPainter::DrawReadout(IGdiDC* pdc) {
    if (!m_bShowReadout || !m_ia.IsReadoutValid() || !m_model.HasPlots() || m_rcReadout.IsRectEmpty())
        return;
    const DrawTargetDC target = DrawTarget(pdc);
    if (!target.dc)
        return;
    IGdiDC& dc = *target.dc;
    const GdiBrush oldBrush = dc.SelectBrush(GdiBrush::SolidBrush(0xFFFFFF));
    const GdiPen oldPen = dc.SelectPen({PS_SOLID, Px(1), m_crBack});
    const GdiFont oldFont = dc.SelectFont({"Arial", FontTenths(100)});
    dc.SetBkMode(TRANSPARENT);
    const LCRect& r = m_rcReadout;
    dc.RoundRect(r.left, r.top, r.right, r.bottom, Px(10), Px(10));
    dc.TextOut(r.left + Px(5), r.top + Px(2), FormatTimeLabel(m_ia.ReadoutX(), false) + ",");
    // A box widened for a note keeps the value where the narrow box has it.
    const int right = m_nReadoutNoteX > 0 ? m_nReadoutNoteX : r.right;
    dc.TextOut((r.left + right) / 2, r.top + Px(2), FormatReadoutValue(m_ia.ReadoutY(), 9));
    if (m_nReadoutNoteX > 0 && !m_ia.ReadoutNote().empty())
        dc.TextOut(m_nReadoutNoteX, r.top + Px(2), m_ia.ReadoutNote());
    dc.SelectFont(oldFont);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
}

void CLCPainter::DrawInfoStrip(IGdiDC* pdc, const HitRect* hit) {
    if (!m_bShowInfoStrip || m_rcInfoStrip.IsRectEmpty())
        return;
    const DrawTargetDC target = DrawTarget(pdc);
    if (!target.dc)
        return;
    IGdiDC& dc = *target.dc;
    const LCRect& r = m_rcInfoStrip;
    if (!(m_ia.IsPointHit() && m_model.HasPlots() && hit)) {
        dc.FillSolidRect(r.left, r.top, r.right - r.left, r.bottom - r.top, m_crBack);
        return;
    }
    const GdiBrush oldBrush = dc.SelectBrush(GdiBrush::SolidBrush(m_crPlotBack));
    const GdiPen oldPen = dc.SelectPen({PS_SOLID, Px(1), 0x202020});
    const GdiFont oldFont = dc.SelectFont({"Arial", FontTenths(m_nFontSize)});
    const LCSize s0 = dc.GetTextExtent("0");
    const int cw = s0.cx, ch = s0.cy;
    dc.RoundRect(r.left, r.top, r.right, r.bottom, Px(10), Px(10));
    const int cy = (r.top + r.bottom) / 2;
    DrawLegendSample(dc, {r.left + 2 * cw, cy - Px(2), r.left + 2 * cw + 6 * cw, cy + Px(2)}, hit->pPlot);
    const int oldMode = dc.SetBkMode(TRANSPARENT);
    const int budget = (m_rcLegend.right - m_rcLegend.left) - 11 * cw;
    const std::string text =
        CutName(dc, hit->pPlot->strName, budget) + "   " + FormatTimeLabel(hit->dX, true) +
        " , y=" + FormatNumber(SafeDoubleFormat(hit->pPlot->strYFormat).c_str(), hit->dY);
    dc.TextOut(r.left + 9 * cw, cy - ch / 2, text);
    dc.SetBkMode(oldMode);
    dc.SelectFont(oldFont);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
}
