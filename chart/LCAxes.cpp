// The axes step of the drawing: grid, ticks, tick labels, reference lines
// and titles, with the clipped line drawing they use.

#include "LCPainter.h"

#include "ChartText.h"
#include "LCTicks.h"

#include <cmath>

namespace {
// The pens of the axes: ticks, their white shadows, and the major and minor grid.
struct AxisPens {
    GdiPen black, white, major, minor;
    explicit AxisPens(int k)
        : black{PS_SOLID, k, 0x000000}, white{PS_SOLID, k, 0xFFFFFF}, major{PS_DOT, k, 0x686868},
          minor{PS_DOT, k, 0xC0C0C0} {}
};
} // namespace

void CLCPainter::DrawAxes(IGdiDC* pdc) {
    if (m_rcPlot.IsRectEmpty())
        return;
    const DrawTargetDC target = DrawTarget(pdc);
    if (!target.dc)
        return;
    IGdiDC& dc = *target.dc;
    const int L = m_rcPlot.left, T = m_rcPlot.top, R = m_rcPlot.right, B = m_rcPlot.bottom;
    const int W = R - L + 1, H = B - T + 1;
    const GdiPen black{PS_SOLID, Px(1), 0x000000};
    dc.SetBkMode(TRANSPARENT);
    const GdiFont oldFont = dc.SelectFont({"Arial", FontTenths(m_nFontSize)});
    const GdiPen oldPen = dc.SelectPen(black);

    // The title's box: a date under a tick there would run into it.
    LCRect xTitleBox;
    if (!m_strXTitle.empty()) {
        const LCSize e = dc.GetTextExtent(m_strXTitle);
        xTitleBox = {R - e.cx, B + Px(30), R, B + Px(30) + e.cy};
    }
    // Steps of about twenty pixels of the layout, not of the device: a
    // scaled screen draws the same ticks, its labels as far apart as their
    // larger glyphs need.
    const AxisSteps steps = ChooseAxisSteps(XMin(), XMax(), W / Px(1), YMin(), YMax(), H / Px(1));
    if (steps.valid) {
        DrawXTicks(dc, steps.x, xTitleBox);
        DrawYTicks(dc, steps.y);
    }
    dc.SelectPen(black);
    if (m_bShowXRefLine && XMin() < m_dXRefLine && m_dXRefLine < XMax()) {
        const int x = L + static_cast<int>(RoundHalfUp(W * (m_dXRefLine - XMin()) / (XMax() - XMin())));
        MoveToF(x, T);
        LineToClipped(dc, x, B);
    }
    if (m_bShowYRefLine && YMin() < m_dYRefLine && m_dYRefLine < YMax()) {
        const int y = B - static_cast<int>(RoundHalfUp(H * (m_dYRefLine - YMin()) / (YMax() - YMin())));
        MoveToF(L, y);
        LineToClipped(dc, R, y);
    }
    if (!m_strXTitle.empty()) {
        const LCSize e = dc.GetTextExtent(m_strXTitle);
        dc.TextOut(R - e.cx, B + Px(30), m_strXTitle);
    }
    if (!m_strYTitle.empty()) {
        const LCSize e = dc.GetTextExtent(m_strYTitle);
        dc.TextOut(m_rcClient.left + Px(20), T - e.cy - Px(10), m_strYTitle);
    }
    dc.SelectPen(oldPen);
    dc.SelectFont(oldFont);
}

void CLCPainter::DrawXTicks(IGdiDC& dc, double step, const LCRect& xTitleBox) {
    const int L = m_rcPlot.left, T = m_rcPlot.top, B = m_rcPlot.bottom;
    const int W = m_rcPlot.right - L + 1;
    const int k = Px(1);
    const AxisPens pens(k);
    // Within one day the times say it all; across days the first labelled
    // tick of each day also gets its date, in a row below.
    const bool dates = FormatDateLabel(XMin()) != FormatDateLabel(XMax());
    std::string lastDate;
    for (const AxisTick& tick : AxisTicks(XMin(), XMax(), step, 6, W)) {
        const int p = tick.pixel;
        dc.SelectPen(tick.major ? pens.major : pens.minor);
        MoveToF(L + p, T);
        LineToClipped(dc, L + p, B);
        const int K = Px(tick.major ? 10 : 5);
        dc.SelectPen(pens.black);
        dc.MoveTo(L + p, B + Px(3));
        dc.LineTo(L + p, B + Px(3) + K);
        dc.SelectPen(pens.white);
        dc.MoveTo(L + p + k, B + Px(3));
        dc.LineTo(L + p + k, B + Px(3) + K);
        if (!tick.major)
            continue;
        const std::string text = FormatTimeLabel(tick.value, false);
        const LCSize e = dc.GetTextExtent(text);
        dc.TextOut(L + p - e.cx / 2 + k, B + K + Px(2), text);
        if (!dates)
            continue;
        std::string date = FormatDateLabel(tick.value);
        if (date == lastDate)
            continue;
        const LCSize d = dc.GetTextExtent(date);
        const LCRect box{L + p - d.cx / 2 + k, B + K + Px(2) + e.cy, L + p - d.cx / 2 + k + d.cx,
                         B + K + Px(2) + e.cy + d.cy};
        const bool underTitle = !xTitleBox.IsRectEmpty() && box.left < xTitleBox.right &&
                                xTitleBox.left < box.right && box.top < xTitleBox.bottom &&
                                xTitleBox.top < box.bottom;
        if (!underTitle)
            dc.TextOut(box.left, box.top, date);
        lastDate = std::move(date);
    }
}

void CLCPainter::DrawYTicks(IGdiDC& dc, double yStep) {
    const int L = m_rcPlot.left, R = m_rcPlot.right, B = m_rcPlot.bottom;
    const int H = B - m_rcPlot.top + 1;
    const int k = Px(1);
    const AxisPens pens(k);
    for (const AxisTick& tick : AxisTicks(YMin(), YMax(), yStep, 2, H)) {
        const int q = tick.pixel;
        dc.SelectPen(tick.major ? pens.major : pens.minor);
        MoveToF(L, B - q);
        LineToClipped(dc, R, B - q);
        const int K = Px(tick.major ? 10 : 5);
        dc.SelectPen(pens.black);
        dc.MoveTo(L - K - Px(2), B - q);
        dc.LineTo(L - Px(2), B - q);
        dc.SelectPen(pens.white);
        dc.MoveTo(L - K - Px(2), B - q + k);
        dc.LineTo(L - Px(2), B - q + k);
        if (tick.major) {
            const std::string text = FormatAxisValue(tick.value, ChooseLabelFormat(tick.value, 2 * yStep, 8));
            const LCSize e = dc.GetTextExtent(text);
            dc.TextOut(L - K - e.cx - Px(4), B - q - e.cy / 2, text);
        }
    }
}

void CLCPainter::MoveToF(double x, double y) {
    m_penX = x;
    m_penY = y;
}

void CLCPainter::LineToClipped(IGdiDC& dc, double x, double y) {
    double x0 = m_penX, y0 = m_penY, x1 = x, y1 = y;
    m_penX = x;
    m_penY = y;
    const double L = m_rcPlot.left, T = m_rcPlot.top, R = m_rcPlot.right, B = m_rcPlot.bottom;
    if (x0 < L && x1 < L)
        return;
    if (x0 < L) {
        y0 += (y1 - y0) * (L - x0) / (x1 - x0);
        x0 = L;
    } else if (x1 < L) {
        y1 += (y0 - y1) * (L - x1) / (x0 - x1);
        x1 = L;
    }
    if (y0 < T && y1 < T)
        return;
    if (y0 < T) {
        x0 += (x1 - x0) * (T - y0) / (y1 - y0);
        y0 = T;
    } else if (y1 < T) {
        x1 += (x0 - x1) * (T - y1) / (y0 - y1);
        y1 = T;
    }
    double E = R + 1;
    if (x0 >= E && x1 >= E)
        return;
    if (x1 >= E) {
        y1 -= (y1 - y0) * (x1 - E) / (x1 - x0);
        x1 = R;
    } else if (x0 >= E) {
        y0 -= (y0 - y1) * (x0 - E) / (x0 - x1);
        x0 = R;
    }
    E = B + 1;
    if (y0 >= E && y1 >= E)
        return;
    if (y1 >= E) {
        x1 -= (x1 - x0) * (y1 - E) / (y1 - y0);
        y1 = B;
    } else if (y0 >= E) {
        x0 -= (x0 - x1) * (y0 - E) / (y0 - y1);
        y0 = B;
    }
    const int ix0 = static_cast<int>(std::floor(x0)), iy0 = static_cast<int>(std::floor(y0));
    const int ix1 = static_cast<int>(std::floor(x1)), iy1 = static_cast<int>(std::floor(y1));
    const COLORREF color = dc.GetCurrentPen().color;
    dc.SetPixel(ix1, iy1, color);
    if (ix0 != ix1 || iy0 != iy1) {
        dc.MoveTo(ix0, iy0);
        dc.LineTo(ix1, iy1);
    }
}
