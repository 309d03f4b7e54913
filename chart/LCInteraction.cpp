// The interaction state: selection, highlight, cross-hair and read-out, and
// the hit records of the drawn markers.

#include "LCInteraction.h"

#include <algorithm>

void CLCInteraction::ClipSelection(const LCRect& plot) {
    if (m_rcSelection.right > plot.right)
        m_rcSelection.right = plot.right;
    if (m_rcSelection.bottom > plot.bottom)
        m_rcSelection.bottom = plot.bottom;
    if (m_rcSelection.left >= m_rcSelection.right || m_rcSelection.top >= m_rcSelection.bottom)
        m_rcSelection.SetRectEmpty();
}

void CLCInteraction::SetHighlightPoint(LCPoint pt) {
    m_nHighlight = (m_nHighlight & ~0xFu) | 2;
    m_ptHighlight = pt;
}

void CLCInteraction::SetHighlightRect(const LCRect& rc) {
    m_nHighlight = (m_nHighlight & ~0xFu) | 3;
    m_rcHighlight = rc;
}

void CLCInteraction::SetReadout(double x, double y) {
    m_dReadoutX = x;
    m_dReadoutY = y;
    m_bReadoutValid = true;
    m_strReadoutNote.clear();
}

// ---------------------------------------------------------------------------
// Hit records

void CLCInteraction::PlanHits(const CLCModel& model, const LCRect& plot, int pixelScale) {
    ClearHits();
    m_hitPlan.rcPlot = plot;
    model.GetView(m_hitPlan.xMin, m_hitPlan.yMin, m_hitPlan.xMax, m_hitPlan.yMax);
    // The order of the drawing; the plots it skips have no markers.
    model.ForEachInDrawingOrder([&](CLCPlot* p) {
        if (!(p->nFlags & 1) && p->pDataSet && p->pDataSet->GetPointCount() > 0 && p->marker.nKind != 0)
            m_hitPlan.plots.push_back({p, p->marker.nSize * pixelScale});
    });
    m_hitPlan.pending = !m_hitPlan.plots.empty();
}

// The boxes DrawPlot draws its markers in, from the same arithmetic.
void CLCInteraction::MakePlannedHits() const {
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

const std::vector<HitRect>& CLCInteraction::GetHits() const {
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

size_t CLCInteraction::HitCount() const {
    MakePlannedHits();
    return m_hits.size();
}

size_t CLCInteraction::HitBytes() const {
    MakePlannedHits();
    return m_hits.capacity() * sizeof(PackedHit) + m_hitGroups.capacity() * sizeof(HitGroup) +
           m_hitValues.capacity() * sizeof(HitValue);
}

void CLCInteraction::AddHit(const LCRect& rc, CLCPlot* plot, int point, double x, double y) {
    MakePlannedHits();
    AppendHit(rc, plot, point, x, y);
}

void CLCInteraction::AppendHit(const LCRect& rc, CLCPlot* plot, int point, double x, double y) const {
    LCRect r = rc;
    r.NormalizeRect();
    const int item = static_cast<int>(m_hitValues.size());
    m_hitValues.push_back({point, x, y});
    AppendPacked(r.left, r.top, item, {plot, nullptr, r.right - r.left, r.bottom - r.top});
}

void CLCInteraction::AppendPacked(int left, int top, int item, const HitGroup& group) const {
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

HitRect CLCInteraction::UnpackHit(const PackedHit& h) const {
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

void CLCInteraction::ClearHits() {
    m_hits.clear();
    m_hitGroups.clear();
    m_hitValues.clear();
    m_hitRuns.clear();
    m_unpackedHits.clear();
    m_unpackedValid = false;
    m_hitPlan.plots.clear();
    m_hitPlan.pending = false;
}

template <class Visit> bool CLCInteraction::VisitHitsAt(int x, int y, Visit&& visit) const {
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

const HitRect* CLCInteraction::FindHit(int x, int y) const {
    // The first record that contains the point is the first in the whole run.
    const bool found = VisitHitsAt(x, y, [this](const PackedHit& h, const HitGroup&) {
        m_foundHit = UnpackHit(h);
        return true;
    });
    return found ? &m_foundHit : nullptr;
}

std::string CLCInteraction::NoteAt(int x, int y, const HitRect& hit) const {
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
