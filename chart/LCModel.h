#pragma once

// The chart's model: data sets, the plot list, the view and its history.
// It knows nothing of pixels; x is a time in seconds since 1970 for this
// program, but the model treats both axes as plain doubles.

#include "GdiDC.h"

#include <functional>
#include <list>
#include <string>
#include <vector>

// One series of points, sorted by x, remembering where each point came from.
class CLCDataSet {
  public:
    CLCDataSet() = default;
    virtual ~CLCDataSet();
    CLCDataSet(const CLCDataSet&) = delete;
    CLCDataSet& operator=(const CLCDataSet&) = delete;

    // Frees any arrays and makes room for n points, which the caller writes
    // to m_pX and m_pY; false when n < 0 or memory is short (the data set is
    // then empty).
    bool Allocate(int n);
    // Keeps the first n points (n below the count).
    void Truncate(int n);
    void SortByX();
    void SetInterpolation(int kind) { m_nInterp = kind; }
    int GetInterpolation() const { return m_nInterp; }
    int GetPointCount() const { return m_nCount; }
    double GetXMin() const { return m_nCount > 0 ? m_pX[0] : 0; }
    double GetXMax() const { return m_nCount > 0 ? m_pX[m_nCount - 1] : 0; }
    int FindFirstAtOrAfter(double v) const;
    int FindLastAtOrBefore(double v) const;
    void GetPoint(int i, double& x, double& y) const {
        x = m_pX[i];
        y = m_pY[i];
    }
    // The point's place in the input; until a sort moves points, its place here.
    int GetPointIndex(int i) const { return i >= 0 && i < m_nCount ? (m_pIndex ? m_pIndex[i] : i) : 0; }
    double ValueAt(double v) const;
    virtual void GetYRange(double x1, double x2, double& yMin, double& yMax) const;
    // GetYRange over all the points, found once: the points do not change
    // after the sort.
    void GetFullYRange(double& yMin, double& yMax) const;

    int* m_pIndex = nullptr; // null while the points are in input order
    double* m_pX = nullptr;
    double* m_pY = nullptr;
    double m_dXFirst = 0;
    double m_dXLast = 0;
    int m_nInterp = 0;
    int m_nCount = 0;

  private:
    void Free();
    mutable bool m_bFullRangeKnown = false;
    mutable double m_dFullYMin = 0, m_dFullYMax = 0;
};

struct MarkerStyle {
    int nSize = 3;
    int nKind = 1;
    COLORREF crFill = 0;
};

struct CLCPlot {
    int nPenStyle = PS_SOLID;
    int nPenWidth = 1;
    COLORREF crColor = 0;
    MarkerStyle marker;
    unsigned nFlags = 0; // bit 0: hidden
    std::string strName = "New plot";
    std::string strXFormat = "%f";
    std::string strYFormat = "%f";
    CLCDataSet* pDataSet = nullptr;
    int nExtra = 0;
    // What the read-out adds when the point under the mouse is one of this
    // plot's (empty for nothing).
    std::string strNote;
};

// A position in the plot list; null means none.
using LCPosition = CLCPlot*;

struct ViewRect {
    double dXMin, dYMin, dXMax, dYMax;
};

// What the model tells its owner: a plot came or went (after the change),
// a view was accepted by SetView (before ViewChanged), the view changed.
enum class LCModelEvent { PlotAdded, PlotRemoved, ViewAccepted, ViewChanged };

class CLCModel {
  public:
    CLCModel() = default;
    ~CLCModel();
    CLCModel(const CLCModel&) = delete;
    CLCModel& operator=(const CLCModel&) = delete;

    void SetListener(std::function<void(LCModelEvent)> listener) { m_listener = std::move(listener); }

    // Plots.
    LCPosition AddPlot(CLCDataSet* dataSet);
    void RemovePlot(LCPosition pos);
    void SetPlotName(LCPosition pos, const std::string& name);
    void SetPlotFormats(LCPosition pos, const std::string& xFormat, const std::string& yFormat);
    void SetPlotPenStyle(LCPosition pos, int style);
    void SetPlotPenWidth(LCPosition pos, int width);
    void SetPlotColor(LCPosition pos, COLORREF color);
    void SetPlotMarkerSize(LCPosition pos, int size);
    void SetPlotMarkerKind(LCPosition pos, int kind);
    void SetPlotMarkerFill(LCPosition pos, COLORREF color);
    void SetPlotExtra(LCPosition pos, int value);
    void SetPlotNote(LCPosition pos, const std::string& note);
    unsigned GetPlotFlags(LCPosition pos) const;
    void SetPlotFlags(LCPosition pos, unsigned flags);
    CLCDataSet* GetPlotDataSet(LCPosition pos) const;
    LCPosition GetFirstPlotPosition() const;
    CLCDataSet* GetNextDataSet(LCPosition& pos) const;
    LCPosition GetCurrentPlot() const { return m_posCurrentPlot; }
    void SetCurrentPlot(LCPosition pos);
    int GetVisiblePlotCount() const;
    int GetPlotCount() const { return static_cast<int>(m_plots.size()); }
    bool HasPlots() const { return !m_plots.empty(); }
    // The plot at pos, null when pos is none or not in the list.
    CLCPlot* Find(LCPosition pos) const;
    // Calls visit(plot) in drawing order: the oldest first, the current plot last.
    template <class Visit> void ForEachInDrawingOrder(Visit&& visit) const {
        for (auto it = m_plots.rbegin(); it != m_plots.rend(); ++it)
            if (*it != m_posCurrentPlot)
                visit(*it);
        if (CLCPlot* current = Find(m_posCurrentPlot))
            visit(current);
    }
    // Newest first.
    const std::list<CLCPlot*>& Plots() const { return m_plots; }

    // View and history.
    bool SetView(double x1, double y1, double x2, double y2);
    void GetView(double& x1, double& y1, double& x2, double& y2) const;
    void ResetViewHistory();
    bool CanGoPrevView() const { return m_nView > 0; }
    bool CanGoNextView() const { return m_nView >= 0 && m_nView + 1 < static_cast<int>(m_views.size()); }
    void GoPrevView();
    void GoNextView();
    // The view of all points with a tenth of their extent around them;
    // nothing without plots.
    void ShowAllData();
    // The y window fitted to the visible plots within the x window, a tenth
    // of the extent around it; false when no plot is visible.
    bool AutoScaleY();
    void ScrollLeft();
    void ScrollRight();
    // Moves the x window by steps scroll steps (negative to the left); the
    // result of SetView.
    bool ScrollBy(double steps);
    // Narrows the x (y) window by factor (below 1 widens it), keeping the
    // value anchor at its place on the screen; the result of SetView, whose
    // zoom limit applies.
    bool ZoomX(double factor, double anchor);
    bool ZoomY(double factor, double anchor);
    const std::vector<ViewRect>& GetViewHistory() const { return m_views; }
    int GetViewIndex() const { return m_nView; }
    double XMin() const { return m_dXMin; }
    double XMax() const { return m_dXMax; }
    double YMin() const { return m_dYMin; }
    double YMax() const { return m_dYMax; }

  private:
    void Tell(LCModelEvent event) const {
        if (m_listener)
            m_listener(event);
    }
    // Makes entry index of the view history the current view.
    void ShowHistoryView(int index);

    std::list<CLCPlot*> m_plots; // head = newest
    LCPosition m_posCurrentPlot = nullptr;
    double m_dXMin = -0.01, m_dXMax = 1.01, m_dYMin = -0.01, m_dYMax = 1.01;
    std::vector<ViewRect> m_views;
    int m_nView = -1; // current entry of m_views, -1 before the first
    double m_dScrollStep = 0.1;
    std::function<void(LCModelEvent)> m_listener;
};
