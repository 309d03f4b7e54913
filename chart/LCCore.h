#pragma once

// The chart without a window: plots of (x, y) points against one common view,
// the view history, the layout and the drawing into any device context. x is
// a time in seconds since 1970 for this program, but the chart treats both
// axes as plain doubles; how a time reads is the owner's choice (the
// formatter). The window (CLC) puts events, menus and a screen on top.

#include "GdiDC.h"

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
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

struct HitRect {
    LCRect rc;
    CLCPlot* pPlot;
    int nPoint;
    double dX, dY;
};

// Writes a time value as the short ("hh:mm:ss") or the long
// ("[ yyyy-mm-dd   hh:mm:ss ]") label.
using TimeLabelFormatter = std::function<std::string(double value, bool longForm)>;
// Writes the day of a time value ("yyyy-mm-dd") in the same zone; two values
// lie on one day exactly when their dates are equal.
using DateLabelFormatter = std::function<std::string(double value)>;

class CLCCore {
  public:
    CLCCore();
    virtual ~CLCCore();
    CLCCore(const CLCCore&) = delete;
    CLCCore& operator=(const CLCCore&) = delete;

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

    // Appearance.
    void SetTitles(const std::string& xTitle, const std::string& yTitle);
    bool SetMargins(int left, int top, int right, int bottom);
    COLORREF SetColors(COLORREF back, COLORREF frame);
    void ShowLegend(bool show) { m_bShowLegend = show; }
    bool IsLegendShown() const { return m_bShowLegend; }
    void SetXRefLine(double x) { m_dXRefLine = x; }
    void ShowXRefLine(bool show) { m_bShowXRefLine = show; }
    void SetYRefLine(double y) { m_dYRefLine = y; }
    void ShowYRefLine(bool show) { m_bShowYRefLine = show; }
    void SetSelectionStyle(COLORREF color, int border);
    // The time labels of the x axis, the read-out and the information strip;
    // UTC when none is set.
    void SetTimeFormatter(TimeLabelFormatter formatter) { m_timeFormatter = std::move(formatter); }
    std::string FormatTimeLabel(double value, bool longForm) const;
    // The dates under the time labels of a view that spans more than one day
    // (the first labelled tick of each day); UTC when none is set.
    void SetDateFormatter(DateLabelFormatter formatter) { m_dateFormatter = std::move(formatter); }
    std::string FormatDateLabel(double value) const;

    // View and history.
    bool SetView(double x1, double y1, double x2, double y2);
    void GetView(double& x1, double& y1, double& x2, double& y2) const;
    void ResetViewHistory();
    bool CanGoPrevView() const { return m_nView > 0; }
    bool CanGoNextView() const { return m_nView >= 0 && m_nView + 1 < static_cast<int>(m_views.size()); }
    void GoPrevView();
    void GoNextView();
    void ShowAllData();
    void AutoScaleY();
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
    bool ZoomToSelection();
    void ToggleLegend();
    void ClearSelection();
    bool GetSelectionRange(double& x1, double& y1, double& x2, double& y2) const;
    const std::vector<ViewRect>& GetViewHistory() const { return m_views; }
    int GetViewIndex() const { return m_nView; }

    // Device pixels per layout pixel of the surface drawn on (a screen's
    // scaling). The drawing works in device pixels: fonts keep their point
    // size at 96 x ratio dpi, the fixed pixel sizes (margins, tick lengths,
    // marker sizes, handles, pen widths) grow by the rounded ratio. Layout
    // takes device pixels. 1 by default.
    void SetPixelRatio(double ratio);
    double PixelRatio() const { return m_dPixelRatio; }
    // n fixed pixels in device pixels.
    int Px(int n) const { return n * m_nPixelScale; }
    // A font size in tenths of a point for the surface's dpi.
    int FontTenths(int tenths) const;

    // Layout for a client area of cx by cy pixels (what a resize does).
    virtual void Layout(int cx, int cy);
    void LayoutLegend();

    // Hit records: the boxes of the markers of the last full drawing of the
    // plots, the current plot's last.
    void AddHit(const LCRect& rc, CLCPlot* plot, int point, double x, double y);
    void ClearHits();
    // The first record containing the point, valid until the next FindHit
    // or change of the records.
    const HitRect* FindHit(int x, int y) const;
    // The note of a plot with one whose marker at (x, y) stands for the same
    // values as hit; empty when there is none.
    std::string NoteAt(int x, int y, const HitRect& hit) const;
    // All the records, unpacked on the first call after a change.
    const std::vector<HitRect>& GetHits() const;
    size_t HitCount() const;
    // Bytes the stored records take (not counting GetHits' copy).
    size_t HitBytes() const;

    // Drawing. A null context draws on the window's surface (nothing without one).
    void PaintTo(IGdiDC& dc);
    void DrawBackground(IGdiDC& dc);
    void DrawAxes(IGdiDC* dc);
    void DrawPlots(IGdiDC* dc, bool highlight);
    void DrawPlot(IGdiDC& dc, CLCPlot* plot, bool highlight);
    void DrawSelection(IGdiDC* dc);
    void DrawCross(IGdiDC* dc, int x, int y);
    void DrawLegend(IGdiDC* dc);
    void DrawReadout(IGdiDC* dc);
    void DrawInfoStrip(IGdiDC* dc, const HitRect* hit);
    // The owner's one-line text (why the chart shows nothing), centred in the plot area.
    void DrawMessage(IGdiDC& dc);
    void DrawLegendSample(IGdiDC& dc, const LCRect& rc, const CLCPlot* plot);
    void MoveToF(double x, double y);
    void LineToClipped(IGdiDC& dc, double x, double y);
    // Markers drawn one by one with the shape calls, as the reference for the
    // stamped drawing of DrawPlot.
    void SetPlainMarkers(bool plain) { m_bPlainMarkers = plain; }

    // A line of text the plot area shows over whatever it holds (empty for
    // none); the owner says with it why there is nothing to see.
    void SetMessage(const std::string& text) { m_strMessage = text; }
    const std::string& Message() const { return m_strMessage; }

    // Immediate full repaint of the window; nothing without one.
    virtual void Redraw() {}
    // How many whole pictures (background, axes, plots ...) have been drawn
    // on the window's surface or for the owner: the expensive step that
    // resizing and redrawing should not repeat needlessly.
    int PaintCount() const { return m_nPaints; }

    // The read-out's values; its note is emptied.
    void SetReadout(double x, double y);
    void SetReadoutNote(const std::string& note) { m_strReadoutNote = note; }
    const std::string& ReadoutNote() const { return m_strReadoutNote; }
    void HideReadout() { m_bReadoutValid = false; }

    // State for the owner, the window and checks.
    bool HasPlots() const { return m_bHasPlots; }
    double XMin() const { return m_dXMin; }
    double XMax() const { return m_dXMax; }
    double YMin() const { return m_dYMin; }
    double YMax() const { return m_dYMax; }
    // Layout rectangles in client pixels, inclusive.
    const LCRect& Margins() const { return m_rcMargins; }
    const LCRect& ClientRect() const { return m_rcClient; }
    const LCRect& PlotRect() const { return m_rcPlot; }
    const LCRect& InfoStripRect() const { return m_rcInfoStrip; }
    const LCRect& ReadoutRect() const { return m_rcReadout; }
    const LCRect& LegendRect() const { return m_rcLegend; }
    // The font of axes and information strip, in tenths of a point.
    int FontSize() const { return m_nFontSize; }
    void SetFontSize(int pointTenths) { m_nFontSize = pointTenths; }
    const std::string& LegendTitle() const { return m_strLegendTitle; }
    void SetLegendTitle(const std::string& title) { m_strLegendTitle = title; }
    COLORREF BackColor() const { return m_crBack; }
    COLORREF PlotBackColor() const { return m_crPlotBack; }
    COLORREF SelectionColor() const { return m_crSelection; }
    int SelectionBorder() const { return Px(m_nSelectionBorder); }

    // The selection rectangle in client pixels; empty for none.
    const LCRect& Selection() const { return m_rcSelection; }
    void SetSelection(const LCRect& rc) { m_rcSelection = rc; }
    // Highlight: the low four bits of the mode say which markers the
    // highlight pass lights (2 the one at a point, 3 those in a rectangle).
    unsigned HighlightMode() const { return m_nHighlight; }
    const LCPoint& HighlightPoint() const { return m_ptHighlight; }
    void SetHighlightPoint(LCPoint pt);
    void SetHighlightRect(const LCRect& rc);
    // The cross-hair and the read-out of the value under the mouse.
    const LCPoint& CrossPoint() const { return m_ptCross; }
    void SetCrossPoint(LCPoint pt) { m_ptCross = pt; }
    bool IsCrossVisible() const { return m_bCrossVisible; }
    void SetCrossVisible(bool visible) { m_bCrossVisible = visible; }
    double ReadoutX() const { return m_dReadoutX; }
    double ReadoutY() const { return m_dReadoutY; }
    bool IsReadoutValid() const { return m_bReadoutValid; }
    // The mouse went down on a marker (the information strip shows it).
    bool IsPointHit() const { return m_bPointHit; }
    void SetPointHit(bool hit) { m_bPointHit = hit; }

  protected:
    // What the window adds: 1 the view changed, 2 the selection changed.
    virtual void Notify(int) {}
    // A view was accepted by SetView (before Notify(1)).
    virtual void ViewAccepted() {}
    // A context on the window's surface for drawing outside painting, which
    // shows the result when it goes; null without a window.
    virtual std::unique_ptr<IGdiDC> OpenWindowDC() { return nullptr; }
    // The whole picture: background, axes, plots, selection, cross-hair,
    // legend and read-out; layout first recomputes the legend's place.
    void RunPaint(IGdiDC& dc, bool layout);
    // What RunPaint draws over the data: selection, cross-hair, legend, read-out.
    void DrawOverlays(IGdiDC& dc, bool layout);
    // Called by RunPaint between the data and the overlays.
    virtual void DataDrawn() {}
    CLCPlot* Find(LCPosition pos) const;

  private:
    std::list<CLCPlot*> m_plots; // head = newest
    LCPosition m_posCurrentPlot = nullptr;
    bool m_bHasPlots = false;

    double m_dXMin = -0.01, m_dXMax = 1.01, m_dYMin = -0.01, m_dYMax = 1.01;
    std::vector<ViewRect> m_views;
    int m_nView = -1; // current entry of m_views, -1 before the first
    double m_dScrollStep = 0.1;

    LCRect m_rcMargins{70, 30, 20, 60};
    LCRect m_rcClient, m_rcPlot, m_rcInfoStrip, m_rcReadout, m_rcLegend; // inclusive pixels

    int m_nFontSize = 100;
    double m_dPixelRatio = 1;
    int m_nPixelScale = 1;
    std::string m_strFontFace = "Arial";
    std::string m_strXTitle, m_strYTitle;
    std::string m_strMessage;
    bool m_bShowLegend = true;
    std::string m_strLegendTitle;
    int m_nLegendFontSize = 100;
    int m_nLegendNameChars = 10;
    int m_nLegendMaxLines = -1;
    bool m_bShowReadout = true;
    bool m_bShowInfoStrip = true;
    bool m_bShowXRefLine = false;
    double m_dXRefLine = 0;
    bool m_bShowYRefLine = false;
    double m_dYRefLine = 0;
    COLORREF m_crBack = 0xA4B0B0, m_crFrame = 0xA4B0B0, m_crPlotBack = 0xEFFFFF;
    COLORREF m_crSelection = 0;
    int m_nSelectionBorder = 4;
    GdiBrush m_selectionBrush;
    unsigned m_nHighlight = 0x100;
    COLORREF m_crHighlight = 0;
    LCRect m_rcHighlight;
    LCPoint m_ptHighlight;
    int m_nPointTolerance = 2;

    LCRect m_rcSelection;
    LCPoint m_ptCross;
    bool m_bCrossVisible = false;
    double m_dReadoutX = 0, m_dReadoutY = 0;
    bool m_bReadoutValid = false;
    std::string m_strReadoutNote;
    int m_nReadoutNoteX = 0; // where the note starts, 0 when the box has no room for one
    bool m_bPointHit = false;
    // A hit record packed into 16 bytes, a million of them being common:
    // the box's corner, the point, and the group giving the plot and the
    // box's size. Planned records take their point and values from the data
    // set (its index there); added ones index m_hitValues.
    struct PackedHit {
        int32_t left, top;
        int32_t item;
        uint32_t group;
    };
    struct HitGroup {
        CLCPlot* plot;
        const CLCDataSet* data; // null: item indexes m_hitValues
        int width, height;
    };
    struct HitValue {
        int point;
        double x, y;
    };
    // Filled from m_hitPlan when first asked for.
    mutable std::vector<PackedHit> m_hits;
    mutable std::vector<HitGroup> m_hitGroups;
    mutable std::vector<HitValue> m_hitValues;
    mutable HitRect m_foundHit{};
    mutable std::vector<HitRect> m_unpackedHits;
    mutable bool m_unpackedValid = false;
    HitRect UnpackHit(const PackedHit& h) const;

    // Makes entry index of the view history the current view.
    void ShowHistoryView(int index);
    // Where immediate drawing goes: pdc, or a context on the window's surface
    // held for the drawing step; dc is null without either.
    struct DrawTargetDC {
        std::unique_ptr<IGdiDC> own;
        IGdiDC* dc = nullptr;
    };
    DrawTargetDC DrawTarget(IGdiDC* pdc);

    TimeLabelFormatter m_timeFormatter;
    DateLabelFormatter m_dateFormatter;
    bool m_bPlainMarkers = false;
    int m_nPaints = 0;
    double m_penX = 0, m_penY = 0;
    // Runs of hit records whose left edges do not decrease (the markers of
    // one plot come in x order), with the widest rectangle of each run, so
    // FindHit can search each run by binary search.
    struct HitRun {
        int begin, end, maxWidth;
    };
    mutable std::vector<HitRun> m_hitRuns;
    // What a drawing of the plots needs to make its hit records later: a
    // picture or a frame under a still mouse never asks for them, and a
    // million records cost more than the markers' drawing.
    struct HitPlan {
        struct Plot {
            CLCPlot* plot;
            int halfSize;
        };
        std::vector<Plot> plots; // in drawing order
        LCRect rcPlot;
        double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
        bool pending = false;
    };
    mutable HitPlan m_hitPlan;
    void PlanHits();
    void MakePlannedHits() const;
    // Calls visit(record, group) for the records containing (x, y), in
    // FindHit's order, until it returns true; says whether one did.
    template <class Visit> bool VisitHitsAt(int x, int y, Visit&& visit) const;
    void AppendHit(const LCRect& rc, CLCPlot* plot, int point, double x, double y) const;
    void AppendPacked(int left, int top, int item, const HitGroup& group) const;
    // Scratch of the stamped drawing, kept so that big plots do not allocate on every paint.
    std::vector<uint32_t> m_stampCells, m_stampKeep;
    std::vector<uint64_t> m_stampSeen;
    std::vector<LCPoint> m_stampCentres;
};
