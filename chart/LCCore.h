#pragma once

// The chart without a window: the model (plots, view and history), the
// interaction state (selection, cross-hair, hit records) and the painter
// (layout and drawing), with the few steps that concern more than one of
// them. The window (CLC) holds one and puts events, menus and a screen
// around it; a picture drawn off screen uses one alone.

#include "LCInteraction.h"
#include "LCModel.h"
#include "LCPainter.h"

// What the chart tells its window at once.
enum class LCNotify { ViewChanged = 1, SelectionChanged = 2 };

// What a window adds to the chart; a chart without one does nothing there.
class ILCChartHost : public ILCSurface {
  public:
    // A layout for a client area of cx by cy pixels is about to be made.
    virtual void Resizing(int /*cx*/, int /*cy*/) {}
    // A view was accepted by SetView (before the ViewChanged notification).
    virtual void ViewAccepted() {}
    virtual void Notify(LCNotify) {}
    // Immediate full repaint of the window.
    virtual void Redraw() {}
};

class CLCCore {
  public:
    explicit CLCCore(ILCChartHost* host = nullptr);
    CLCCore(const CLCCore&) = delete;
    CLCCore& operator=(const CLCCore&) = delete;

    CLCModel& Model() { return m_model; }
    const CLCModel& Model() const { return m_model; }
    CLCInteraction& Interaction() { return m_interaction; }
    const CLCInteraction& Interaction() const { return m_interaction; }
    CLCPainter& Painter() { return m_painter; }
    const CLCPainter& Painter() const { return m_painter; }

    // Layout for a client area of cx by cy pixels (what a resize does).
    void Layout(int cx, int cy);
    // Margins in layout pixels, a negative one kept, laid out at once.
    bool SetMargins(int left, int top, int right, int bottom);

    // The view commands that also end the selection.
    void ShowAllData();
    // Fits y to the visible plots in the x window and redraws; nothing
    // beyond the selection's end when no plot is visible.
    void AutoScaleY();
    bool ZoomToSelection();
    void ClearSelection();
    // The selection in data values; false without one.
    bool GetSelectionRange(double& x1, double& y1, double& x2, double& y2) const;

    void PaintTo(IGdiDC& dc) { m_painter.PaintTo(dc); }
    // Immediate full repaint of the window; nothing without one.
    void Redraw() {
        if (m_host)
            m_host->Redraw();
    }

  private:
    void OnModelEvent(LCModelEvent event);
    void Notify(LCNotify code) {
        if (m_host)
            m_host->Notify(code);
    }

    ILCChartHost* m_host;
    CLCModel m_model;
    CLCInteraction m_interaction;
    CLCPainter m_painter{m_model, m_interaction};
};
