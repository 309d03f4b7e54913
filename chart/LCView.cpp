// The view, its history and the selection; the layout of the plot area,
// legend and read-out; the hit records of the drawn markers.

#include "LCCore.h"

#include "ChartText.h"
#include "ImageDC.h"

#include <QImage>

#include <algorithm>
#include <cmath>

bool CLCCore::SetView(double x1, double y1, double x2, double y2) {
    if (!(x2 > x1) || !(y2 > y1))
        return false;
    // A view the drawing cannot divide by: infinite ends or an extent that overflows.
    if (!std::isfinite(x1) || !std::isfinite(x2) || !std::isfinite(y1) || !std::isfinite(y2) ||
        !std::isfinite(x2 - x1) || !std::isfinite(y2 - y1))
        return false;
    if ((x2 - x1) * 1e10 < std::max(std::fabs(x1), std::fabs(x2)) ||
        (y2 - y1) * 1e10 < std::max(std::fabs(y1), std::fabs(y2)))
        return false;
    m_dXMin = x1;
    m_dYMin = y1;
    m_dXMax = x2;
    m_dYMax = y2;
    if (m_nView >= 0)
        m_views.resize(static_cast<size_t>(m_nView) + 1);
    m_views.push_back({x1, y1, x2, y2});
    m_nView = static_cast<int>(m_views.size()) - 1;
    ViewAccepted();
    Notify(1);
    return true;
}

void CLCCore::GetView(double& x1, double& y1, double& x2, double& y2) const {
    x1 = m_dXMin;
    y1 = m_dYMin;
    x2 = m_dXMax;
    y2 = m_dYMax;
}

void CLCCore::ResetViewHistory() {
    m_views.clear();
    m_views.push_back({m_dXMin, m_dYMin, m_dXMax, m_dYMax});
    m_nView = 0;
}

void CLCCore::GoPrevView() {
    if (CanGoPrevView())
        ShowHistoryView(m_nView - 1);
}

void CLCCore::GoNextView() {
    if (CanGoNextView())
        ShowHistoryView(m_nView + 1);
}

void CLCCore::ShowHistoryView(int index) {
    m_nView = index;
    const ViewRect& v = m_views[static_cast<size_t>(index)];
    m_dXMin = v.dXMin;
    m_dYMin = v.dYMin;
    m_dXMax = v.dXMax;
    m_dYMax = v.dYMax;
    Notify(1);
}

void CLCCore::ShowAllData() {
    ClearSelection();
    if (m_plots.empty())
        return;
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    bool first = true;
    for (const CLCPlot* p : m_plots) {
        const CLCDataSet* ds = p->pDataSet;
        const double a = ds->GetXMin(), b = ds->GetXMax();
        double lo = 0, hi = 0;
        ds->GetFullYRange(lo, hi);
        if (first) {
            xMin = a;
            xMax = b;
            yMin = lo;
            yMax = hi;
            first = false;
        } else {
            xMin = std::min(xMin, a);
            xMax = std::max(xMax, b);
            yMin = std::min(yMin, lo);
            yMax = std::max(yMax, hi);
        }
    }
    if (yMax == yMin) {
        yMin -= 1;
        yMax += 1;
    }
    if (xMax == xMin) {
        xMin -= 1;
        xMax += 1;
    }
    const double mx = (xMax - xMin) / 10, my = (yMax - yMin) / 10;
    SetView(xMin - mx, yMin - my, xMax + mx, yMax + my);
}

void CLCCore::AutoScaleY() {
    ClearSelection();
    const double vx1 = m_dXMin, vx2 = m_dXMax;
    double yMin = 0, yMax = 0;
    bool first = true;
    for (const CLCPlot* p : m_plots) {
        if (p->nFlags & 1)
            continue;
        double lo = 0, hi = 0;
        p->pDataSet->GetYRange(vx1, vx2, lo, hi);
        if (first) {
            yMin = lo;
            yMax = hi;
            first = false;
        } else {
            yMin = std::min(yMin, lo);
            yMax = std::max(yMax, hi);
        }
    }
    if (first)
        return;
    if (yMax == yMin) {
        yMin -= 1;
        yMax += 1;
    }
    const double m = (yMax - yMin) / 10;
    SetView(vx1, yMin - m, vx2, yMax + m);
    Redraw();
}

void CLCCore::ScrollLeft() {
    const double d = (m_dXMax - m_dXMin) * m_dScrollStep;
    SetView(m_dXMin - d, m_dYMin, m_dXMax - d, m_dYMax);
}

void CLCCore::ScrollRight() {
    const double d = (m_dXMax - m_dXMin) * m_dScrollStep;
    SetView(m_dXMin + d, m_dYMin, m_dXMax + d, m_dYMax);
}

bool CLCCore::ScrollBy(double steps) {
    const double d = (m_dXMax - m_dXMin) * m_dScrollStep * steps;
    return SetView(m_dXMin + d, m_dYMin, m_dXMax + d, m_dYMax);
}

bool CLCCore::ZoomX(double factor, double anchor) {
    if (!(factor > 0))
        return false;
    return SetView(anchor - (anchor - m_dXMin) / factor, m_dYMin, anchor + (m_dXMax - anchor) / factor,
                   m_dYMax);
}

bool CLCCore::ZoomY(double factor, double anchor) {
    if (!(factor > 0))
        return false;
    return SetView(m_dXMin, anchor - (anchor - m_dYMin) / factor, m_dXMax,
                   anchor + (m_dYMax - anchor) / factor);
}

bool CLCCore::ZoomToSelection() {
    double x1, y1, x2, y2;
    if (!GetSelectionRange(x1, y1, x2, y2))
        return false;
    SetView(x1, y1, x2, y2);
    ClearSelection();
    return true;
}

void CLCCore::ToggleLegend() {
    m_bShowLegend = !m_bShowLegend;
}

void CLCCore::ClearSelection() {
    m_rcSelection.SetRectEmpty();
    Notify(2);
}

bool CLCCore::GetSelectionRange(double& x1, double& y1, double& x2, double& y2) const {
    if (m_rcSelection.IsRectEmpty())
        return false;
    const double w = m_rcPlot.right - m_rcPlot.left + 1, h = m_rcPlot.bottom - m_rcPlot.top + 1;
    x1 = m_dXMin + (m_dXMax - m_dXMin) * (m_rcSelection.left - m_rcPlot.left) / w;
    x2 = m_dXMin + (m_dXMax - m_dXMin) * (m_rcSelection.right - m_rcPlot.left) / w;
    y1 = m_dYMin + (m_dYMax - m_dYMin) * (m_rcPlot.bottom - m_rcSelection.bottom) / h;
    y2 = m_dYMin + (m_dYMax - m_dYMin) * (m_rcPlot.bottom - m_rcSelection.top) / h;
    return true;
}

// ---------------------------------------------------------------------------
// Layout

void CLCCore::SetPixelRatio(double ratio) {
    m_dPixelRatio = ratio >= 1 && ratio <= 16 ? ratio : 1;
    m_nPixelScale = static_cast<int>(std::lround(m_dPixelRatio));
}

int CLCCore::FontTenths(int tenths) const {
    return static_cast<int>(std::lround(tenths * m_dPixelRatio));
}

void CLCCore::Layout(int cx, int cy) {
    m_rcClient = {0, 0, cx - 1, cy - 1};
    m_rcPlot = {Px(m_rcMargins.left), Px(m_rcMargins.top), cx - Px(m_rcMargins.right) - 1,
                cy - Px(m_rcMargins.bottom) - 1};
    m_rcInfoStrip = {m_rcPlot.left + Px(140), m_rcPlot.top - Px(25), m_rcPlot.right, m_rcPlot.top - Px(2)};
    if (m_rcSelection.right > m_rcPlot.right)
        m_rcSelection.right = m_rcPlot.right;
    if (m_rcSelection.bottom > m_rcPlot.bottom)
        m_rcSelection.bottom = m_rcPlot.bottom;
    if (m_rcSelection.left >= m_rcSelection.right || m_rcSelection.top >= m_rcSelection.bottom)
        m_rcSelection.SetRectEmpty();
    if (m_rcPlot.left >= m_rcPlot.right || m_rcPlot.top >= m_rcPlot.bottom)
        m_rcPlot.SetRectEmpty();
    LayoutLegend();
}

void CLCCore::LayoutLegend() {
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
        for (const CLCPlot* plot : m_plots)
            if (!(plot->nFlags & 1) && !plot->strNote.empty())
                note = std::max(note, dc.GetTextExtent(plot->strNote).cx);
        if (note > 0 && m_rcReadout.right + note + gap <= p.right - gap) {
            m_nReadoutNoteX = m_rcReadout.right;
            m_rcReadout.right += note + gap;
        }
    }
    m_rcLegend.SetRectEmpty();
    const LCRect r{p.left + gap, p.top + gap, p.right - gap, p.bottom - gap};
    int lines = GetVisiblePlotCount() + (m_strLegendTitle.empty() ? 0 : 1);
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

// ---------------------------------------------------------------------------
// Hit records

void CLCCore::PlanHits() {
    ClearHits();
    m_hitPlan.rcPlot = m_rcPlot;
    m_hitPlan.xMin = m_dXMin;
    m_hitPlan.yMin = m_dYMin;
    m_hitPlan.xMax = m_dXMax;
    m_hitPlan.yMax = m_dYMax;
    // The order of DrawPlots; the plots DrawPlot skips have no markers.
    const auto plan = [&](CLCPlot* p) {
        if (p && !(p->nFlags & 1) && p->pDataSet && p->pDataSet->GetPointCount() > 0 && p->marker.nKind != 0)
            m_hitPlan.plots.push_back({p, Px(p->marker.nSize)});
    };
    for (auto it = m_plots.rbegin(); it != m_plots.rend(); ++it)
        if (*it != m_posCurrentPlot)
            plan(*it);
    plan(Find(m_posCurrentPlot));
    m_hitPlan.pending = !m_hitPlan.plots.empty();
}

// The boxes DrawPlot draws its markers in, from the same arithmetic.
void CLCCore::MakePlannedHits() const {
    if (!m_hitPlan.pending)
        return;
    m_hitPlan.pending = false;
    const HitPlan& h = m_hitPlan;
    const int L = h.rcPlot.left, B = h.rcPlot.bottom;
    const int W = h.rcPlot.right - L + 1, H = B - h.rcPlot.top + 1;
    const double sx = h.xMax - h.xMin, sy = h.yMax - h.yMin;
    size_t points = 0;
    for (const HitPlan::Plot& p : h.plots)
        points += static_cast<size_t>(p.plot->pDataSet->GetPointCount());
    m_hits.reserve(points);
    for (const HitPlan::Plot& p : h.plots) {
        const CLCDataSet& ds = *p.plot->pDataSet;
        const double x0 = std::max(h.xMin, ds.GetXMin()), x1 = std::min(h.xMax, ds.GetXMax());
        if (x1 < x0)
            continue;
        const int n = ds.GetPointCount();
        const int first = std::clamp(ds.FindFirstAtOrAfter(x0) - 1, 0, n - 1);
        const int last = std::clamp(ds.FindLastAtOrBefore(x1) + 1, 0, n - 1);
        const int s = p.halfSize;
        const HitGroup group{p.plot, &ds, 2 * s, 2 * s};
        for (int i = first; i <= last; ++i) {
            double x, y;
            ds.GetPoint(i, x, y);
            if (!(x >= h.xMin && x <= h.xMax && y >= h.yMin && y <= h.yMax))
                continue;
            const int px = L + static_cast<int>(W * (x - h.xMin) / sx);
            const int py = B - static_cast<int>(H * (y - h.yMin) / sy);
            AppendPacked(px - s, py - s, i, group);
        }
    }
}

const std::vector<HitRect>& CLCCore::GetHits() const {
    MakePlannedHits();
    if (!m_unpackedValid) {
        m_unpackedHits.clear();
        m_unpackedHits.reserve(m_hits.size());
        for (const PackedHit& h : m_hits)
            m_unpackedHits.push_back(UnpackHit(h));
        m_unpackedValid = true;
    }
    return m_unpackedHits;
}

size_t CLCCore::HitCount() const {
    MakePlannedHits();
    return m_hits.size();
}

size_t CLCCore::HitBytes() const {
    MakePlannedHits();
    return m_hits.capacity() * sizeof(PackedHit) + m_hitGroups.capacity() * sizeof(HitGroup) +
           m_hitValues.capacity() * sizeof(HitValue);
}

void CLCCore::AddHit(const LCRect& rc, CLCPlot* plot, int point, double x, double y) {
    MakePlannedHits();
    AppendHit(rc, plot, point, x, y);
}

void CLCCore::AppendHit(const LCRect& rc, CLCPlot* plot, int point, double x, double y) const {
    LCRect r = rc;
    r.NormalizeRect();
    const int item = static_cast<int>(m_hitValues.size());
    m_hitValues.push_back({point, x, y});
    AppendPacked(r.left, r.top, item, {plot, nullptr, r.right - r.left, r.bottom - r.top});
}

void CLCCore::AppendPacked(int left, int top, int item, const HitGroup& group) const {
    if (m_hitGroups.empty() || m_hitGroups.back().plot != group.plot ||
        m_hitGroups.back().data != group.data || m_hitGroups.back().width != group.width ||
        m_hitGroups.back().height != group.height)
        m_hitGroups.push_back(group);
    const int index = static_cast<int>(m_hits.size());
    if (m_hitRuns.empty() || left < m_hits.back().left)
        m_hitRuns.push_back({index, index, 0});
    HitRun& run = m_hitRuns.back();
    run.end = index + 1;
    run.maxWidth = std::max(run.maxWidth, group.width);
    m_hits.push_back({left, top, item, static_cast<uint32_t>(m_hitGroups.size() - 1)});
    m_unpackedValid = false;
}

HitRect CLCCore::UnpackHit(const PackedHit& h) const {
    const HitGroup& g = m_hitGroups[h.group];
    HitRect r{{h.left, h.top, h.left + g.width, h.top + g.height}, g.plot, 0, 0, 0};
    if (g.data) {
        r.nPoint = g.data->GetPointIndex(h.item);
        g.data->GetPoint(h.item, r.dX, r.dY);
    } else {
        const HitValue& v = m_hitValues[static_cast<size_t>(h.item)];
        r.nPoint = v.point;
        r.dX = v.x;
        r.dY = v.y;
    }
    return r;
}

void CLCCore::ClearHits() {
    m_hits.clear();
    m_hitGroups.clear();
    m_hitValues.clear();
    m_hitRuns.clear();
    m_unpackedHits.clear();
    m_unpackedValid = false;
    m_hitPlan.plots.clear();
    m_hitPlan.pending = false;
}

template <class Visit> bool CLCCore::VisitHitsAt(int x, int y, Visit&& visit) const {
    MakePlannedHits();
    for (const HitRun& run : m_hitRuns) {
        // Candidates: x - maxWidth < left <= x, in the run's order.
        const auto begin = m_hits.begin() + run.begin, end = m_hits.begin() + run.end;
        const long long low = static_cast<long long>(x) - run.maxWidth;
        auto it = std::partition_point(begin, end, [&](const PackedHit& h) { return h.left <= low; });
        for (; it != end && it->left <= x; ++it) {
            const HitGroup& g = m_hitGroups[it->group];
            if (static_cast<long long>(x) < static_cast<long long>(it->left) + g.width && y >= it->top &&
                static_cast<long long>(y) < static_cast<long long>(it->top) + g.height && visit(*it, g))
                return true;
        }
    }
    return false;
}

const HitRect* CLCCore::FindHit(int x, int y) const {
    // The first record that contains the point is the first in the whole run.
    const bool found = VisitHitsAt(x, y, [this](const PackedHit& h, const HitGroup&) {
        m_foundHit = UnpackHit(h);
        return true;
    });
    return found ? &m_foundHit : nullptr;
}

std::string CLCCore::NoteAt(int x, int y, const HitRect& hit) const {
    std::string note;
    VisitHitsAt(x, y, [&](const PackedHit& h, const HitGroup& g) {
        if (g.plot->strNote.empty())
            return false;
        const HitRect r = UnpackHit(h);
        if (r.dX != hit.dX || r.dY != hit.dY)
            return false;
        note = g.plot->strNote;
        return true;
    });
    return note;
}

// ---------------------------------------------------------------------------
// Read-out and labels

void CLCCore::SetHighlightPoint(LCPoint pt) {
    m_nHighlight = (m_nHighlight & ~0xFu) | 2;
    m_ptHighlight = pt;
}

void CLCCore::SetHighlightRect(const LCRect& rc) {
    m_nHighlight = (m_nHighlight & ~0xFu) | 3;
    m_rcHighlight = rc;
}

void CLCCore::SetReadout(double x, double y) {
    m_dReadoutX = x;
    m_dReadoutY = y;
    m_bReadoutValid = true;
    m_strReadoutNote.clear();
}

std::string CLCCore::FormatDateLabel(double value) const {
    return m_dateFormatter ? m_dateFormatter(value) : FormatUtcDate(value);
}

std::string CLCCore::FormatTimeLabel(double value, bool longForm) const {
    return m_timeFormatter ? m_timeFormatter(value, longForm) : FormatUtcTime(value, longForm);
}
