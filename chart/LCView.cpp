// The model's view and its history.

#include "LCModel.h"

#include <algorithm>
#include <cmath>

bool CLCModel::SetView(double x1, double y1, double x2, double y2) {
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
    Tell(LCModelEvent::ViewAccepted);
    Tell(LCModelEvent::ViewChanged);
    return true;
}

void CLCModel::GetView(double& x1, double& y1, double& x2, double& y2) const {
    x1 = m_dXMin;
    y1 = m_dYMin;
    x2 = m_dXMax;
    y2 = m_dYMax;
}

void CLCModel::ResetViewHistory() {
    m_views.clear();
    m_views.push_back({m_dXMin, m_dYMin, m_dXMax, m_dYMax});
    m_nView = 0;
}

void CLCModel::GoPrevView() {
    if (CanGoPrevView())
        ShowHistoryView(m_nView - 1);
}

void CLCModel::GoNextView() {
    if (CanGoNextView())
        ShowHistoryView(m_nView + 1);
}

void CLCModel::ShowHistoryView(int index) {
    m_nView = index;
    const ViewRect& v = m_views[static_cast<size_t>(index)];
    m_dXMin = v.dXMin;
    m_dYMin = v.dYMin;
    m_dXMax = v.dXMax;
    m_dYMax = v.dYMax;
    Tell(LCModelEvent::ViewChanged);
}

void CLCModel::ShowAllData() {
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

bool CLCModel::AutoScaleY() {
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
        return false;
    if (yMax == yMin) {
        yMin -= 1;
        yMax += 1;
    }
    const double m = (yMax - yMin) / 10;
    SetView(vx1, yMin - m, vx2, yMax + m);
    return true;
}

void CLCModel::ScrollLeft() {
    const double d = (m_dXMax - m_dXMin) * m_dScrollStep;
    SetView(m_dXMin - d, m_dYMin, m_dXMax - d, m_dYMax);
}

void CLCModel::ScrollRight() {
    const double d = (m_dXMax - m_dXMin) * m_dScrollStep;
    SetView(m_dXMin + d, m_dYMin, m_dXMax + d, m_dYMax);
}

bool CLCModel::ScrollBy(double steps) {
    const double d = (m_dXMax - m_dXMin) * m_dScrollStep * steps;
    return SetView(m_dXMin + d, m_dYMin, m_dXMax + d, m_dYMax);
}

bool CLCModel::ZoomX(double factor, double anchor) {
    if (!(factor > 0))
        return false;
    return SetView(anchor - (anchor - m_dXMin) / factor, m_dYMin, anchor + (m_dXMax - anchor) / factor,
                   m_dYMax);
}

bool CLCModel::ZoomY(double factor, double anchor) {
    if (!(factor > 0))
        return false;
    return SetView(m_dXMin, anchor - (anchor - m_dYMin) / factor, m_dXMax,
                   anchor + (m_dYMax - anchor) / factor);
}
