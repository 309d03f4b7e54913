#pragma once

// The chart's layout and drawing: the appearance settings, the rectangles
// of plot area, legend, read-out and information strip for a client size,
// and the drawing of the model and the interaction state into any device
// context.

#include "LCInteraction.h"
#include "LCModel.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Writes a time value as the short ("hh:mm:ss") or the long
// ("[ yyyy-mm-dd   hh:mm:ss ]") label.
using TimeLabelFormatter = std::function<std::string(double value, bool longForm)>;
// Writes the day of a time value ("yyyy-mm-dd") in the same zone; two values
// lie on one day exactly when their dates are equal.
using DateLabelFormatter = std::function<std::string(double value)>;

// The window a painter draws on, if any.
class ILCSurface {
  public:
    virtual ~ILCSurface() = default;
    // A context on the window's surface for drawing outside painting, which
    // shows the result when it goes; null without a window.
    virtual std::unique_ptr<IGdiDC> OpenWindowDC() { return nullptr; }
    // A whole picture has its data drawn, the overlays not yet.
    virtual void DataDrawn() {}
};

class CLCPainter {
  public:
    CLCPainter(const CLCModel& model, CLCInteraction& interaction);
    CLCPainter(const CLCPainter&) = delete;
    CLCPainter& operator=(const CLCPainter&) = delete;
    void SetSurface(ILCSurface* surface) { m_pSurface = surface; }

    // Appearance.
    void SetTitles(const std::string& xTitle, const std::string& yTitle);
    // Stores the margins in layout pixels (a negative one keeps its value);
    // the next Layout applies them.
    void SetMargins(int left, int top, int right, int bottom);
    COLORREF SetColors(COLORREF back, COLORREF frame);
    void ShowLegend(bool show) { m_bShowLegend = show; }
    bool IsLegendShown() const { return m_bShowLegend; }
    void ToggleLegend() { m_bShowLegend = !m_bShowLegend; }
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
    // The font of axes and information strip, in tenths of a point.
    int FontSize() const { return m_nFontSize; }
    void SetFontSize(int pointTenths) { m_nFontSize = pointTenths; }
    const std::string& LegendTitle() const { return m_strLegendTitle; }
    void SetLegendTitle(const std::string& title) { m_strLegendTitle = title; }
    // The legend's room for a plot's name, in characters of the stock font
    // (10 by default); longer names are cut. The next layout applies it.
    void SetLegendNameChars(int chars) { m_nLegendNameChars = chars; }
    COLORREF BackColor() const { return m_crBack; }
    COLORREF PlotBackColor() const { return m_crPlotBack; }
    COLORREF SelectionColor() const { return m_crSelection; }
    int SelectionBorder() const { return Px(m_nSelectionBorder); }
    // A line of text the plot area shows over whatever it holds (empty for
    // none); the owner says with it why there is nothing to see.
    void SetMessage(const std::string& text) { m_strMessage = text; }
    const std::string& Message() const { return m_strMessage; }
    // Markers drawn one by one with the shape calls, as the reference for the
    // stamped drawing of DrawPlot.
    void SetPlainMarkers(bool plain) { m_bPlainMarkers = plain; }

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

    // Layout for a client area of cx by cy pixels; keeps the selection inside
    // the new plot area.
    void Layout(int cx, int cy);
    void LayoutLegend();
    // Layout rectangles in client pixels, inclusive.
    const LCRect& Margins() const { return m_rcMargins; }
    const LCRect& ClientRect() const { return m_rcClient; }
    const LCRect& PlotRect() const { return m_rcPlot; }
    const LCRect& InfoStripRect() const { return m_rcInfoStrip; }
    const LCRect& ReadoutRect() const { return m_rcReadout; }
    const LCRect& LegendRect() const { return m_rcLegend; }

    // Drawing. A null context draws on the window's surface (nothing without one).
    void PaintTo(IGdiDC& dc);
    // The whole picture: background, axes, plots, selection, cross-hair,
    // legend and read-out; layout first recomputes the legend's place.
    void RunPaint(IGdiDC& dc, bool layout);
    // What RunPaint draws over the data: selection, cross-hair, legend, read-out.
    void DrawOverlays(IGdiDC& dc, bool layout);
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
    // How many whole pictures (background, axes, plots ...) have been drawn
    // on the window's surface or for the owner: the expensive step that
    // resizing and redrawing should not repeat needlessly.
    int PaintCount() const { return m_nPaints; }

  private:
    const CLCModel& m_model;
    CLCInteraction& m_ia;
    ILCSurface* m_pSurface = nullptr;

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
    int m_nPointTolerance = 2;
    int m_nReadoutNoteX = 0; // where the read-out's note starts, 0 when the box has no room for one
    TimeLabelFormatter m_timeFormatter;
    DateLabelFormatter m_dateFormatter;
    bool m_bPlainMarkers = false;
    int m_nPaints = 0;
    double m_penX = 0, m_penY = 0;
    // Scratch of the stamped drawing, kept so that big plots do not allocate on every paint.
    std::vector<uint32_t> m_stampKeep;
    std::vector<uint64_t> m_stampSeen;
    std::vector<LCPoint> m_stampCentres;

    double XMin() const { return m_model.XMin(); }
    double XMax() const { return m_model.XMax(); }
    double YMin() const { return m_model.YMin(); }
    double YMax() const { return m_model.YMax(); }
    // Where immediate drawing goes: pdc, or a context on the window's surface
    // held for the drawing step; dc is null without either.
    struct DrawTargetDC {
        std::unique_ptr<IGdiDC> own;
        IGdiDC* dc = nullptr;
    };
    DrawTargetDC DrawTarget(IGdiDC* pdc);
    struct MarkerPass;
    // The stamped end of DrawPlot: of the markers of points first to last
    // (with litOnly, those the highlight lights), the last at each centre,
    // in their order; false, having drawn nothing, when a centre falls
    // outside the plot's grid.
    bool DrawLastAtEachCentre(const MarkerPass& pass, IGdiDC& image, bool stamps, const CLCDataSet& ds,
                              int first, int last, bool litOnly);
    // The axes' parts: the x ticks with their times (and dates across days),
    // the y ticks with their values.
    void DrawXTicks(IGdiDC& dc, double step, const LCRect& xTitleBox);
    void DrawYTicks(IGdiDC& dc, double yStep);
};
