// The steps of the chart that concern its model, interaction state and
// painter together.

#include "LCCore.h"

CLCCore::CLCCore(ILCChartHost* host) : m_host(host) {
    m_painter.SetSurface(host);
    m_model.SetListener([this](LCModelEvent event) { OnModelEvent(event); });
}

void CLCCore::OnModelEvent(LCModelEvent event) {
    switch (event) {
    case LCModelEvent::PlotRemoved:
        // Hit records point at plots; none may outlive the plot.
        m_interaction.ClearHits();
        m_painter.LayoutLegend();
        break;
    case LCModelEvent::PlotAdded:
        m_painter.LayoutLegend();
        break;
    case LCModelEvent::ViewAccepted:
        if (m_host)
            m_host->ViewAccepted();
        break;
    case LCModelEvent::ViewChanged:
        Notify(LCNotify::ViewChanged);
        break;
    }
}

void CLCCore::Layout(int cx, int cy) {
    if (m_host)
        m_host->Resizing(cx, cy);
    m_painter.Layout(cx, cy);
}

bool CLCCore::SetMargins(int left, int top, int right, int bottom) {
    m_painter.SetMargins(left, top, right, bottom);
    const LCRect& c = m_painter.ClientRect();
    Layout(c.right - c.left + 1, c.bottom - c.top + 1);
    return true;
}

void CLCCore::ShowAllData() {
    ClearSelection();
    m_model.ShowAllData();
}

void CLCCore::AutoScaleY() {
    ClearSelection();
    if (m_model.AutoScaleY())
        Redraw();
}

bool CLCCore::ZoomToSelection() {
    double x1, y1, x2, y2;
    if (!GetSelectionRange(x1, y1, x2, y2))
        return false;
    m_model.SetView(x1, y1, x2, y2);
    ClearSelection();
    return true;
}

void CLCCore::ClearSelection() {
    m_interaction.SetSelection({});
    Notify(LCNotify::SelectionChanged);
}

bool CLCCore::GetSelectionRange(double& x1, double& y1, double& x2, double& y2) const {
    const LCRect& s = m_interaction.Selection();
    if (s.IsRectEmpty())
        return false;
    const LCRect& p = m_painter.PlotRect();
    const CLCModel& m = m_model;
    const double w = p.right - p.left + 1, h = p.bottom - p.top + 1;
    x1 = m.XMin() + (m.XMax() - m.XMin()) * (s.left - p.left) / w;
    x2 = m.XMin() + (m.XMax() - m.XMin()) * (s.right - p.left) / w;
    y1 = m.YMin() + (m.YMax() - m.YMin()) * (p.bottom - s.bottom) / h;
    y2 = m.YMin() + (m.YMax() - m.YMin()) * (p.bottom - s.top) / h;
    return true;
}
