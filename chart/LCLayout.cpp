// The chart's appearance settings and its layout for a client size.

#include "LCPainter.h"

#include "ChartText.h"
#include "ImageDC.h"

#include <QImage>

#include <algorithm>
#include <cmath>

CLCPainter::CLCPainter(const CLCModel& model, CLCInteraction& interaction)
    : m_model(model), m_ia(interaction) {
    SetSelectionStyle(0, 4);
}

void CLCPainter::SetTitles(const std::string& xTitle, const std::string& yTitle) {
    m_strXTitle = xTitle;
    m_strYTitle = yTitle;
}

void CLCPainter::SetMargins(int left, int top, int right, int bottom) {
    if (left >= 0)
        m_rcMargins.left = left;
    if (top >= 0)
        m_rcMargins.top = top;
    if (right >= 0)
        m_rcMargins.right = right;
    if (bottom >= 0)
        m_rcMargins.bottom = bottom;
}

COLORREF CLCPainter::SetColors(COLORREF back, COLORREF frame) {
    const COLORREF old = m_crBack;
    m_crBack = back;
    m_crFrame = frame == static_cast<COLORREF>(-1) ? back : frame;
    return old;
}

void CLCPainter::SetSelectionStyle(COLORREF color, int border) {
    m_crSelection = color;
    m_nSelectionBorder = border;
    m_selectionBrush = GdiBrush::HatchBrush(HS_BDIAGONAL, color);
}

void CLCPainter::SetPixelRatio(double ratio) {
    m_dPixelRatio = ratio >= 1 && ratio <= 16 ? ratio : 1;
    m_nPixelScale = static_cast<int>(std::lround(m_dPixelRatio));
}

int CLCPainter::FontTenths(int tenths) const {
    return static_cast<int>(std::lround(tenths * m_dPixelRatio));
}

void CLCPainter::Layout(int cx, int cy) {
    m_rcClient = {0, 0, cx - 1, cy - 1};
    m_rcPlot = {Px(m_rcMargins.left), Px(m_rcMargins.top), cx - Px(m_rcMargins.right) - 1,
                cy - Px(m_rcMargins.bottom) - 1};
    m_rcInfoStrip = {m_rcPlot.left + Px(140), m_rcPlot.top - Px(25), m_rcPlot.right, m_rcPlot.top - Px(2)};
    m_ia.ClipSelection(m_rcPlot);
    if (m_rcPlot.left >= m_rcPlot.right || m_rcPlot.top >= m_rcPlot.bottom)
        m_rcPlot.SetRectEmpty();
    LayoutLegend();
}

void CLCPainter::LayoutLegend() {
    if (m_rcPlot.IsRectEmpty()) {
        m_rcReadout.SetRectEmpty();
        m_rcLegend.SetRectEmpty();
        return;
    }
    QImage scratch(1, 1, QImage::Format_RGB32);
    CImageDC dc(scratch);
    // The stock font's cell, grown with the surface like the fonts drawn in
    // the boxes.
    const LCSize s0 = dc.GetTextExtent("0");
    const int w0 = Px(s0.cx), h0 = Px(s0.cy), gap = Px(10);
    const LCRect& p = m_rcPlot;
    m_rcReadout = {p.left + gap, p.bottom - gap - h0 - h0 / 4, p.left + gap + 20 * w0, p.bottom - gap};
    m_nReadoutNoteX = 0;
    if (m_rcReadout.top < p.top + gap || m_rcReadout.right > p.right - gap) {
        m_rcReadout.SetRectEmpty();
    } else {
        // Room for the widest note of the plots shown, where it fits.
        int note = 0;
        dc.SelectFont({"Arial", FontTenths(100)});
        for (const CLCPlot* plot : m_model.Plots())
            if (!(plot->nFlags & 1) && !plot->strNote.empty())
                note = std::max(note, dc.GetTextExtent(plot->strNote).cx);
        if (note > 0 && m_rcReadout.right + note + gap <= p.right - gap) {
            m_nReadoutNoteX = m_rcReadout.right;
            m_rcReadout.right += note + gap;
        }
    }
    m_rcLegend.SetRectEmpty();
    const LCRect r{p.left + gap, p.top + gap, p.right - gap, p.bottom - gap};
    int lines = m_model.GetVisiblePlotCount() + (m_strLegendTitle.empty() ? 0 : 1);
    if (m_nLegendMaxLines > 0)
        lines = std::min(lines, m_nLegendMaxLines);
    const int width = w0 * (m_nLegendNameChars + 11);
    const int lineHeight = h0 + h0 / 3;
    if (r.right - width >= r.left) {
        while (lines > 0 && lineHeight * lines + h0 > r.bottom - r.top)
            --lines;
        if (lines > 1 || (lines > 0 && m_strLegendTitle.empty()))
            m_rcLegend = {r.right - width, r.top, r.right, r.top + lineHeight * lines + h0};
    }
}

std::string CLCPainter::FormatDateLabel(double value) const {
    return m_dateFormatter ? m_dateFormatter(value) : FormatUtcDate(value);
}

std::string CLCPainter::FormatTimeLabel(double value, bool longForm) const {
    return m_timeFormatter ? m_timeFormatter(value, longForm) : FormatUtcTime(value, longForm);
}
