#include "LC.h"

#include "ChartText.h"
#include "ImageDC.h"
#include "Prompts.h"
#include "StringTable.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

// ---------------------------------------------------------------------------
// CLCDataSet

CLCDataSet::~CLCDataSet() { Free(); }

void CLCDataSet::Free() {
    delete[] m_pIndex;
    delete[] m_pX;
    delete[] m_pY;
    m_pIndex = nullptr;
    m_pX = m_pY = nullptr;
    m_nCount = 0;
}

bool CLCDataSet::Allocate(int n) {
    Free();
    if (n < 0)
        return false;
    m_pIndex = new (std::nothrow) int[static_cast<size_t>(n)];
    m_pX = new (std::nothrow) double[static_cast<size_t>(n)];
    m_pY = new (std::nothrow) double[static_cast<size_t>(n)];
    if (!m_pIndex || !m_pX || !m_pY) {
        Free();
        return false;
    }
    for (int i = 0; i < n; ++i) {
        m_pIndex[i] = i;
        m_pX[i] = m_pY[i] = 0;
    }
    m_nCount = n;
    return true;
}

void CLCDataSet::SortByX() {
    if (m_nCount <= 0)
        return;
    struct Triple {
        int i;
        double x, y;
    };
    // Series come in time order as a rule: a sorted set stays as it is,
    // without the copy and the merge buffer of the sort (48 bytes a point).
    const bool sorted = std::is_sorted(m_pX, m_pX + m_nCount);
    Triple* t = sorted ? nullptr : new (std::nothrow) Triple[static_cast<size_t>(m_nCount)];
    if (t) {
        for (int i = 0; i < m_nCount; ++i)
            t[i] = {m_pIndex[i], m_pX[i], m_pY[i]};
        // A stable sort keeps equal times in input order, one of the orders allowed.
        std::stable_sort(t, t + m_nCount, [](const Triple& a, const Triple& b) { return a.x < b.x; });
        for (int i = 0; i < m_nCount; ++i) {
            m_pIndex[i] = t[i].i;
            m_pX[i] = t[i].x;
            m_pY[i] = t[i].y;
        }
        delete[] t;
    }
    m_dXFirst = m_pX[0];
    m_dXLast = m_pX[m_nCount - 1];
}

namespace {
// Narrows [0, n - 1] down to neighbours {lo, hi} with before(x[lo]) and
// !before(x[hi]); the callers settle the points outside the ends first.
template <class Before>
std::pair<int, int> Bisect(const double* x, int n, Before before) {
    int lo = 0, hi = n - 1;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (before(x[mid]))
            lo = mid;
        else
            hi = mid;
    }
    return {lo, hi};
}
} // namespace

int CLCDataSet::FindFirstAtOrAfter(double v) const {
    const int n = m_nCount;
    if (n <= 0 || v <= m_pX[0])
        return 0;
    if (v > m_pX[n - 1])
        return n - 1;
    return Bisect(m_pX, n, [v](double x) { return v > x; }).second;
}

int CLCDataSet::FindLastAtOrBefore(double v) const {
    const int n = m_nCount;
    if (n <= 0 || v < m_pX[0])
        return 0;
    if (v >= m_pX[n - 1])
        return n - 1;
    return Bisect(m_pX, n, [v](double x) { return v >= x; }).first;
}

double CLCDataSet::ValueAt(double v) const {
    const int n = m_nCount;
    if (n <= 0 || v < m_pX[0] || v > m_pX[n - 1])
        return 0;
    if (n == 1)
        return m_pY[0];
    const int i = FindLastAtOrBefore(v);
    if (i == n - 1)
        return m_pY[n - 1];
    return m_pY[i] + (m_pY[i + 1] - m_pY[i]) * (v - m_pX[i]) / (m_pX[i + 1] - m_pX[i]);
}

void CLCDataSet::GetYRange(double x1, double x2, double& yMin, double& yMax) const {
    if (m_nCount <= 0) {
        yMin = yMax = 0;
        return;
    }
    x1 = std::max(x1, GetXMin());
    x2 = std::min(x2, GetXMax());
    if (x2 < x1) {
        yMin = yMax = 0;
        return;
    }
    yMin = yMax = ValueAt(x1);
    const double v2 = ValueAt(x2);
    yMin = std::min(yMin, v2);
    yMax = std::max(yMax, v2);
    const int last = FindLastAtOrBefore(x2);
    for (int i = FindFirstAtOrAfter(x1); i <= last; ++i) {
        yMin = std::min(yMin, m_pY[i]);
        yMax = std::max(yMax, m_pY[i]);
    }
}

// ---------------------------------------------------------------------------
// CLC: plots and appearance

namespace {
const COLORREF kPalette[8] = {0x000000, 0x0000C0, 0x00C000, 0xC00000, 0xC0C000, 0xC000C0, 0x00C0C0, 0xC0C0C0};

COLORREF Halved(COLORREF c) { return RGBColor(GetRValue(c) >> 1, GetGValue(c) >> 1, GetBValue(c) >> 1); }

// The marker shapes by kind around centre (px, py) in box (l, t, r, b).
void DrawMarkerShape(IGdiDC& dc, int kind, int l, int t, int r, int b, int px, int py, int triangleLift = 0) {
    switch (kind & 0xF) {
    case 1: dc.Rectangle(l, t, r, b); break;
    case 2: dc.Ellipse(l, t, r, b); break;
    case 3: {
        const LCPoint p[4] = {{px, t}, {r, py}, {px, b}, {l, py}};
        dc.Polygon(p, 4);
        break;
    }
    case 4: {
        const LCPoint p[3] = {{px, t - triangleLift}, {r, b - triangleLift}, {l, b - triangleLift}};
        dc.Polygon(p, 3);
        break;
    }
    case 5: {
        const LCPoint p[3] = {{px, b}, {r, t}, {l, t}};
        dc.Polygon(p, 3);
        break;
    }
    default: break;
    }
}
} // namespace


CLC::CLC(QWidget* parent) : QWidget(parent) {
    SetSelectionStyle(0, 4);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

CLC::~CLC() {
    for (CLCPlot* p : m_plots) {
        delete p->pDataSet;
        delete p;
    }
}

CLCPlot* CLC::Find(LCPosition pos) const {
    if (!pos)
        return nullptr;
    return std::find(m_plots.begin(), m_plots.end(), pos) != m_plots.end() ? pos : nullptr;
}

LCPosition CLC::AddPlot(CLCDataSet* dataSet) {
    if (!dataSet)
        return nullptr;
    CLCPlot* plot = new (std::nothrow) CLCPlot;
    if (!plot) {
        delete dataSet;
        return nullptr;
    }
    plot->crColor = kPalette[m_plots.size() % 8];
    plot->marker = {3, 1, 0};
    plot->pDataSet = dataSet;
    m_plots.push_front(plot);
    if (!m_posCurrentPlot)
        m_posCurrentPlot = plot;
    m_bHasPlots = true;
    LayoutLegend();
    ResetViewHistory();
    return plot;
}

void CLC::RemovePlot(LCPosition pos) {
    CLCPlot* plot = Find(pos);
    if (!plot)
        return;
    // Hit records point at plots; none may outlive the plot.
    ClearHits();
    delete plot->pDataSet;
    m_plots.remove(plot);
    delete plot;
    m_bHasPlots = !m_plots.empty();
    if (m_posCurrentPlot == pos)
        m_posCurrentPlot = m_plots.empty() ? nullptr : m_plots.front();
    LayoutLegend();
    ResetViewHistory();
}

void CLC::SetPlotName(LCPosition pos, const std::string& name) {
    if (CLCPlot* p = Find(pos))
        p->strName = name;
}
void CLC::SetPlotFormats(LCPosition pos, const std::string& xFormat, const std::string& yFormat) {
    if (CLCPlot* p = Find(pos)) {
        p->strXFormat = xFormat;
        p->strYFormat = yFormat;
    }
}
void CLC::SetPlotPenStyle(LCPosition pos, int style) {
    if (CLCPlot* p = Find(pos))
        p->nPenStyle = style;
}
void CLC::SetPlotPenWidth(LCPosition pos, int width) {
    if (CLCPlot* p = Find(pos))
        p->nPenWidth = width;
}
void CLC::SetPlotColor(LCPosition pos, COLORREF color) {
    if (CLCPlot* p = Find(pos))
        p->crColor = color;
}
void CLC::SetPlotMarkerSize(LCPosition pos, int size) {
    if (CLCPlot* p = Find(pos))
        p->marker.nSize = size;
}
void CLC::SetPlotMarkerKind(LCPosition pos, int kind) {
    if (CLCPlot* p = Find(pos))
        p->marker.nKind = kind;
}
void CLC::SetPlotMarkerFill(LCPosition pos, COLORREF color) {
    if (CLCPlot* p = Find(pos))
        p->marker.crFill = color;
}
void CLC::SetPlotExtra(LCPosition pos, int value) {
    if (CLCPlot* p = Find(pos))
        p->nExtra = value;
}
unsigned CLC::GetPlotFlags(LCPosition pos) const {
    const CLCPlot* p = Find(pos);
    return p ? p->nFlags : 0;
}
void CLC::SetPlotFlags(LCPosition pos, unsigned flags) {
    if (CLCPlot* p = Find(pos))
        p->nFlags = flags;
}
CLCDataSet* CLC::GetPlotDataSet(LCPosition pos) const {
    const CLCPlot* p = Find(pos);
    return p ? p->pDataSet : nullptr;
}
LCPosition CLC::GetFirstPlotPosition() const { return m_plots.empty() ? nullptr : m_plots.front(); }

CLCDataSet* CLC::GetNextDataSet(LCPosition& pos) const {
    auto it = std::find(m_plots.begin(), m_plots.end(), pos);
    if (!pos || it == m_plots.end()) {
        pos = nullptr;
        return nullptr;
    }
    CLCDataSet* ds = (*it)->pDataSet;
    ++it;
    pos = it == m_plots.end() ? nullptr : *it;
    return ds;
}

void CLC::SetCurrentPlot(LCPosition pos) {
    if (Find(pos))
        m_posCurrentPlot = pos;
}

int CLC::GetVisiblePlotCount() const {
    return static_cast<int>(std::count_if(m_plots.begin(), m_plots.end(), [](const CLCPlot* p) { return !(p->nFlags & 1); }));
}

void CLC::SetTitles(const std::string& xTitle, const std::string& yTitle) {
    m_strXTitle = xTitle;
    m_strYTitle = yTitle;
}

bool CLC::SetMargins(int left, int top, int right, int bottom) {
    if (left >= 0)
        m_rcMargins.left = left;
    if (top >= 0)
        m_rcMargins.top = top;
    if (right >= 0)
        m_rcMargins.right = right;
    if (bottom >= 0)
        m_rcMargins.bottom = bottom;
    Layout(m_rcClient.right - m_rcClient.left + 1, m_rcClient.bottom - m_rcClient.top + 1);
    return true;
}

COLORREF CLC::SetColors(COLORREF back, COLORREF frame) {
    const COLORREF old = m_crBack;
    m_crBack = back;
    m_crFrame = frame == static_cast<COLORREF>(-1) ? back : frame;
    return old;
}

void CLC::SetSelectionStyle(COLORREF color, int border) {
    m_crSelection = color;
    m_nSelectionBorder = border;
    m_selectionBrush = GdiBrush::HatchBrush(HS_BDIAGONAL, color);
}

// ---------------------------------------------------------------------------
// View and history

bool CLC::SetView(double x1, double y1, double x2, double y2) {
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
    // The surface still holds the old view; the next paint must not show it.
    m_bNeedsPaint = true;
    Send(1);
    return true;
}

void CLC::GetView(double& x1, double& y1, double& x2, double& y2) const {
    x1 = m_dXMin;
    y1 = m_dYMin;
    x2 = m_dXMax;
    y2 = m_dYMax;
}

void CLC::ResetViewHistory() {
    m_views.clear();
    m_views.push_back({m_dXMin, m_dYMin, m_dXMax, m_dYMax});
    m_nView = 0;
}

void CLC::GoPrevView() {
    if (CanGoPrevView())
        ShowHistoryView(m_nView - 1);
}

void CLC::GoNextView() {
    if (CanGoNextView())
        ShowHistoryView(m_nView + 1);
}

void CLC::ShowHistoryView(int index) {
    m_nView = index;
    const ViewRect& v = m_views[static_cast<size_t>(index)];
    m_dXMin = v.dXMin;
    m_dYMin = v.dYMin;
    m_dXMax = v.dXMax;
    m_dYMax = v.dYMax;
    Send(1);
}

void CLC::ShowAllData() {
    ClearSelection();
    if (m_plots.empty())
        return;
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    bool first = true;
    for (const CLCPlot* p : m_plots) {
        const CLCDataSet* ds = p->pDataSet;
        const double a = ds->GetXMin(), b = ds->GetXMax();
        double lo = 0, hi = 0;
        ds->GetYRange(a, b, lo, hi);
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

void CLC::AutoScaleY() {
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

void CLC::ScrollLeft() {
    const double d = (m_dXMax - m_dXMin) * m_dScrollStep;
    SetView(m_dXMin - d, m_dYMin, m_dXMax - d, m_dYMax);
}

void CLC::ScrollRight() {
    const double d = (m_dXMax - m_dXMin) * m_dScrollStep;
    SetView(m_dXMin + d, m_dYMin, m_dXMax + d, m_dYMax);
}

bool CLC::ZoomToSelection() {
    double x1, y1, x2, y2;
    if (!GetSelectionRange(x1, y1, x2, y2))
        return false;
    SetView(x1, y1, x2, y2);
    ClearSelection();
    return true;
}

void CLC::ToggleLegend() { m_bShowLegend = !m_bShowLegend; }

void CLC::ClearSelection() {
    m_rcSelection.SetRectEmpty();
    Send(2);
}

bool CLC::GetSelectionRange(double& x1, double& y1, double& x2, double& y2) const {
    if (m_rcSelection.IsRectEmpty())
        return false;
    const double w = m_rcPlot.right - m_rcPlot.left + 1, h = m_rcPlot.bottom - m_rcPlot.top + 1;
    x1 = m_dXMin + (m_dXMax - m_dXMin) * (m_rcSelection.left - m_rcPlot.left) / w;
    x2 = m_dXMin + (m_dXMax - m_dXMin) * (m_rcSelection.right - m_rcPlot.left) / w;
    y1 = m_dYMin + (m_dYMax - m_dYMin) * (m_rcPlot.bottom - m_rcSelection.bottom) / h;
    y2 = m_dYMin + (m_dYMax - m_dYMin) * (m_rcPlot.bottom - m_rcSelection.top) / h;
    return true;
}

void CLC::Post(int id) {
    QMetaObject::invokeMethod(this, [this, id] { emit viewChanged(id); }, Qt::QueuedConnection);
}

void CLC::OnCommand(int id) {
    switch (id) {
    case CmdAllData:
        ShowAllData();
        Redraw();
        Post(NotifyAllData);
        break;
    case CmdPrevView:
        GoPrevView();
        Redraw();
        Post(NotifyPrevView);
        break;
    case CmdNextView:
        GoNextView();
        Redraw();
        Post(NotifyNextView);
        break;
    case CmdZoomIn:
        if (ZoomToSelection()) {
            Redraw();
            Post(NotifyZoomIn);
        }
        break;
    case CmdLegend:
        ToggleLegend();
        Redraw();
        break;
    case CmdScrollLeft:
        ScrollLeft();
        Redraw();
        Post(NotifyScrollLeft);
        break;
    case CmdScrollRight:
        ScrollRight();
        Redraw();
        Post(NotifyScrollRight);
        break;
    case CmdAutoY: AutoScaleY(); break;
    case CmdExportImage: ExportImage(); break;
    default: break;
    }
}

void CLC::BuildContextMenu(QMenu* menu) {
    auto add = [&](int id, int offset, bool enabled) {
        QAction* a = menu->addAction(QString::fromStdString(LoadUIString(offset)));
        a->setData(id);
        a->setEnabled(enabled);
    };
    add(CmdPrevView, 37, CanGoPrevView());
    add(CmdNextView, 38, CanGoNextView());
    menu->addSeparator();
    add(CmdAllData, 41, m_bHasPlots);
    add(CmdAutoY, 42, m_bHasPlots);
    menu->addSeparator();
    add(CmdScrollLeft, 39, m_bHasPlots);
    add(CmdScrollRight, 40, m_bHasPlots);
    menu->addSeparator();
    add(CmdExportImage, 44, m_bHasPlots);
}

void CLC::BuildSelectionMenu(QMenu* menu) {
    QAction* a = menu->addAction(QStringLiteral("Zoom in"));
    a->setData(static_cast<int>(CmdZoomIn));
}

// ---------------------------------------------------------------------------
// Layout

void CLC::Layout(int cx, int cy) {
    if (m_surface.width() != cx || m_surface.height() != cy) {
        m_surface = cx > 0 && cy > 0 ? QImage(cx, cy, QImage::Format_RGB32) : QImage();
        if (!m_surface.isNull())
            m_surface.fill(Qt::white);
        m_bNeedsPaint = true;
    }
    m_rcClient = {0, 0, cx - 1, cy - 1};
    m_rcPlot = {m_rcMargins.left, m_rcMargins.top, cx - m_rcMargins.right - 1, cy - m_rcMargins.bottom - 1};
    m_rcInfoStrip = {m_rcPlot.left + 140, m_rcPlot.top - 25, m_rcPlot.right, m_rcPlot.top - 2};
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

void CLC::LayoutLegend() {
    if (m_rcPlot.IsRectEmpty()) {
        m_rcReadout.SetRectEmpty();
        m_rcLegend.SetRectEmpty();
        return;
    }
    QImage scratch(1, 1, QImage::Format_RGB32);
    CImageDC dc(scratch);
    const LCSize s0 = dc.GetTextExtent("0");
    const int w0 = s0.cx, h0 = s0.cy;
    const LCRect& p = m_rcPlot;
    m_rcReadout = {p.left + 10, p.bottom - 10 - h0 - h0 / 4, p.left + 10 + 20 * w0, p.bottom - 10};
    if (m_rcReadout.top < p.top + 10 || m_rcReadout.right > p.right - 10)
        m_rcReadout.SetRectEmpty();
    m_rcLegend.SetRectEmpty();
    const LCRect r{p.left + 10, p.top + 10, p.right - 10, p.bottom - 10};
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

void CLC::AddHit(const LCRect& rc, CLCPlot* plot, int point, double x, double y) {
    LCRect r = rc;
    r.NormalizeRect();
    const int index = static_cast<int>(m_hits.size());
    if (m_hitRuns.empty() || r.left < m_hits.back().rc.left)
        m_hitRuns.push_back({index, index, 0});
    HitRun& run = m_hitRuns.back();
    run.end = index + 1;
    run.maxWidth = std::max(run.maxWidth, r.right - r.left);
    m_hits.push_back({r, plot, point, x, y});
}

void CLC::ClearHits() {
    m_hits.clear();
    m_hitRuns.clear();
}

const HitRect* CLC::FindHit(int x, int y) const {
    const LCPoint pt{x, y};
    for (const HitRun& run : m_hitRuns) {
        // Candidates: x - maxWidth < left <= x; the first of them that
        // contains the point is the first in the whole run.
        const auto begin = m_hits.begin() + run.begin, end = m_hits.begin() + run.end;
        const long long low = static_cast<long long>(x) - run.maxWidth;
        auto it = std::partition_point(begin, end, [&](const HitRect& h) { return h.rc.left <= low; });
        for (; it != end && it->rc.left <= x; ++it)
            if (it->rc.PtInRect(pt))
                return &*it;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Painting

void CLC::Redraw() {
    if (!m_surface.isNull()) {
        CImageDC dc(m_surface);
        RunPaint(dc, true);
        m_bNeedsPaint = false;
    }
    if (isVisible())
        repaint();
}

void CLC::RunPaint(IGdiDC& dc, bool layout) {
    DrawBackground(dc);
    DrawAxes(&dc);
    DrawPlots(&dc, false);
    DrawSelection(&dc);
    if (m_bCrossVisible)
        DrawCross(&dc, m_ptCross.x, m_ptCross.y);
    if (layout)
        LayoutLegend();
    DrawLegend(&dc);
    DrawReadout(&dc);
}

void CLC::PaintTo(IGdiDC& dc) { RunPaint(dc, false); }

void CLC::paintEvent(QPaintEvent*) {
    if (m_surface.size() != size())
        Layout(width(), height());
    if (m_bNeedsPaint && !m_surface.isNull()) {
        CImageDC dc(m_surface);
        RunPaint(dc, true);
        m_bNeedsPaint = false;
    }
    QPainter p(this);
    p.drawImage(0, 0, m_surface);
}

void CLC::resizeEvent(QResizeEvent*) {
    Layout(width(), height());
    m_bNeedsPaint = true;
}

void CLC::DrawBackground(IGdiDC& dc) {
    const LCRect& c = m_rcClient;
    const LCRect& p = m_rcPlot;
    if (p.IsRectEmpty()) {
        dc.FillSolidRect(c.left, c.top, c.right - c.left + 1, c.bottom - c.top + 1, m_crBack);
    } else {
        const int cw = c.right - c.left + 1;
        dc.FillSolidRect(c.left, c.top, cw, p.top - c.top - 1, m_crBack);
        dc.FillSolidRect(c.left, p.bottom + 2, cw, c.bottom - (p.bottom + 2) + 1, m_crBack);
        dc.FillSolidRect(c.left, p.top - 1, p.left - 1 - c.left, p.bottom - p.top + 3, m_crBack);
        dc.FillSolidRect(p.right + 2, p.top - 1, c.right - (p.right + 2) + 1, p.bottom - p.top + 3, m_crBack);
        const GdiPen old = dc.SelectPen({PS_SOLID, 1, 0x686868});
        dc.MoveTo(p.left - 1, p.bottom + 1);
        dc.LineTo(p.left - 1, p.top - 1);
        dc.LineTo(p.right + 1, p.top - 1);
        dc.SelectPen({PS_SOLID, 1, 0xE0E0E0});
        dc.LineTo(p.right + 1, p.bottom + 1);
        dc.LineTo(p.left - 1, p.bottom + 1);
        dc.SelectPen(old);
        dc.FillSolidRect(p.left, p.top, p.right - p.left + 1, p.bottom - p.top + 1, m_crPlotBack);
    }
    const GdiPen old = dc.SelectPen({PS_SOLID, 1, m_crFrame});
    dc.MoveTo(c.left, c.bottom);
    dc.LineTo(c.left, c.top);
    dc.LineTo(c.right, c.top);
    dc.LineTo(c.right, c.bottom);
    dc.LineTo(c.left, c.bottom);
    dc.SelectPen(old);
}

IGdiDC* CLC::DrawTarget(IGdiDC* pdc, std::unique_ptr<WindowDC>& own) {
    if (pdc)
        return pdc;
    if (m_surface.isNull())
        return nullptr;
    own = std::make_unique<WindowDC>(this);
    return &own->dc;
}

void CLC::DrawAxes(IGdiDC* pdc) {
    if (m_rcPlot.IsRectEmpty())
        return;
    std::unique_ptr<WindowDC> own;
    IGdiDC* target = DrawTarget(pdc, own);
    if (!target)
        return;
    IGdiDC& dc = *target;
    const int L = m_rcPlot.left, T = m_rcPlot.top, R = m_rcPlot.right, B = m_rcPlot.bottom;
    const int W = R - L + 1, H = B - T + 1;
    const GdiPen black{PS_SOLID, 1, 0x000000}, white{PS_SOLID, 1, 0xFFFFFF};
    const GdiPen major{PS_DOT, 1, 0x686868}, minor{PS_DOT, 1, 0xC0C0C0};
    dc.SetBkMode(TRANSPARENT);
    const GdiFont oldFont = dc.SelectFont({"Arial", m_nFontSize});
    const GdiPen oldPen = dc.SelectPen(black);

    bool valid = m_dXMax > m_dXMin && m_dYMax > m_dYMin;
    double h = 0, t = 0;
    if (valid) {
        h = ChooseTimeStep((m_dXMax - m_dXMin) * 20 / W);
        t = ChooseValueStep((m_dYMax - m_dYMin) * 20 / H);
        const double ax = 10 * std::max(std::fabs(m_dXMin), std::fabs(m_dXMax));
        const double ay = 10 * std::max(std::fabs(m_dYMin), std::fabs(m_dYMax));
        valid = h > 0 && t > 0 && ax + h != ax && ay + t != ay && std::isfinite(h) && std::isfinite(t);
    }
    if (valid) {
        double v = std::floor(m_dXMin / h) * h;
        while (m_dXMin > v)
            v += h;
        while (v <= m_dXMax) {
            if (std::fabs(v) < h / 2)
                v = 0;
            const int p = static_cast<int>(RoundHalfUp(W * (v - m_dXMin) / (m_dXMax - m_dXMin)));
            double r = std::fabs(std::fmod(v, 6 * h));
            if (r > 3 * h)
                r = 6 * h - r;
            const bool isMajor = r < h / 2;
            dc.SelectPen(isMajor ? major : minor);
            MoveToF(L + p, T);
            LineToClipped(dc, L + p, B);
            const int K = isMajor ? 10 : 5;
            dc.SelectPen(black);
            dc.MoveTo(L + p, B + 3);
            dc.LineTo(L + p, B + 3 + K);
            dc.SelectPen(white);
            dc.MoveTo(L + p + 1, B + 3);
            dc.LineTo(L + p + 1, B + 3 + K);
            if (isMajor) {
                const std::string text = FormatTime(v, false);
                const LCSize e = dc.GetTextExtent(text);
                dc.TextOut(L + p - e.cx / 2 + 1, B + K + 2, text);
            }
            const double next = v + h;
            if (next == v)
                break;
            v = next;
        }
        v = std::floor(m_dYMin / t) * t;
        while (m_dYMin > v)
            v += t;
        while (v <= m_dYMax) {
            if (std::fabs(v) < t / 2)
                v = 0;
            const int q = static_cast<int>(RoundHalfUp(H * (v - m_dYMin) / (m_dYMax - m_dYMin)));
            double r = std::fabs(std::fmod(v, 2 * t));
            if (r > t)
                r = 2 * t - r;
            const bool isMajor = r < t / 2;
            dc.SelectPen(isMajor ? major : minor);
            MoveToF(L, B - q);
            LineToClipped(dc, R, B - q);
            const int K = isMajor ? 10 : 5;
            dc.SelectPen(black);
            dc.MoveTo(L - K - 2, B - q);
            dc.LineTo(L - 2, B - q);
            dc.SelectPen(white);
            dc.MoveTo(L - K - 2, B - q + 1);
            dc.LineTo(L - 2, B - q + 1);
            if (isMajor) {
                const std::string text = FormatAxisValue(v, ChooseLabelFormat(v, 2 * t, 8));
                const LCSize e = dc.GetTextExtent(text);
                dc.TextOut(L - K - e.cx - 4, B - q - e.cy / 2, text);
            }
            const double next = v + t;
            if (next == v)
                break;
            v = next;
        }
    }
    dc.SelectPen(black);
    if (m_bShowXRefLine && m_dXMin < m_dXRefLine && m_dXRefLine < m_dXMax) {
        const int x = L + static_cast<int>(RoundHalfUp(W * (m_dXRefLine - m_dXMin) / (m_dXMax - m_dXMin)));
        MoveToF(x, T);
        LineToClipped(dc, x, B);
    }
    if (m_bShowYRefLine && m_dYMin < m_dYRefLine && m_dYRefLine < m_dYMax) {
        const int y = B - static_cast<int>(RoundHalfUp(H * (m_dYRefLine - m_dYMin) / (m_dYMax - m_dYMin)));
        MoveToF(L, y);
        LineToClipped(dc, R, y);
    }
    if (!m_strXTitle.empty()) {
        const LCSize e = dc.GetTextExtent(m_strXTitle);
        dc.TextOut(R - e.cx, B + 30, m_strXTitle);
    }
    if (!m_strYTitle.empty()) {
        const LCSize e = dc.GetTextExtent(m_strYTitle);
        dc.TextOut(m_rcClient.left + 20, T - e.cy - 10, m_strYTitle);
    }
    dc.SelectPen(oldPen);
    dc.SelectFont(oldFont);
}

void CLC::MoveToF(double x, double y) {
    m_penX = x;
    m_penY = y;
}

void CLC::LineToClipped(IGdiDC& dc, double x, double y) {
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

void CLC::DrawPlots(IGdiDC* pdc, bool highlight) {
    if (m_rcPlot.IsRectEmpty() || !m_bHasPlots)
        return;
    std::unique_ptr<WindowDC> own;
    pdc = DrawTarget(pdc, own);
    if (!pdc)
        return;
    if (!highlight) {
        ClearHits();
        size_t points = 0;
        for (const CLCPlot* p : m_plots)
            points += p->pDataSet ? static_cast<size_t>(p->pDataSet->GetPointCount()) : 0;
        m_hits.reserve(points);
    }
    for (auto it = m_plots.rbegin(); it != m_plots.rend(); ++it)
        if (*it != m_posCurrentPlot)
            DrawPlot(*pdc, *it, highlight);
    if (CLCPlot* current = Find(m_posCurrentPlot))
        DrawPlot(*pdc, current, highlight);
}

void CLC::DrawPlot(IGdiDC& dc, CLCPlot* plot, bool highlight) {
    if (!plot || (plot->nFlags & 1) || !plot->pDataSet || plot->pDataSet->GetPointCount() <= 0)
        return;
    const CLCDataSet& ds = *plot->pDataSet;
    const double x0 = std::max(m_dXMin, ds.GetXMin()), x1 = std::min(m_dXMax, ds.GetXMax());
    if (x1 < x0)
        return;
    const int n = ds.GetPointCount();
    const int first = std::clamp(ds.FindFirstAtOrAfter(x0) - 1, 0, n - 1);
    const int last = std::clamp(ds.FindLastAtOrBefore(x1) + 1, 0, n - 1);
    if (last < first || plot->marker.nKind == 0)
        return;
    const GdiBrush fill = GdiBrush::SolidBrush(plot->marker.crFill);
    const GdiBrush hiBrush = GdiBrush::SolidBrush(m_crHighlight);
    const GdiPen outline{PS_SOLID, 1, Halved(plot->crColor)};
    const GdiBrush oldBrush = dc.SelectBrush(fill);
    const GdiPen oldPen = dc.SelectPen(outline);
    const int L = m_rcPlot.left, B = m_rcPlot.bottom;
    const int W = m_rcPlot.right - L + 1, H = B - m_rcPlot.top + 1;
    const double sx = m_dXMax - m_dXMin, sy = m_dYMax - m_dYMin;
    const int s = plot->marker.nSize, kind = plot->marker.nKind;

    CImageDC* image = m_bPlainMarkers || highlight ? nullptr : dynamic_cast<CImageDC*>(&dc);
    // Stamped drawing: every marker of the pass is the same set of pixels in
    // the same colours, so a marker drawn again at the same centre makes the
    // earlier one invisible; only the last marker at each centre is drawn.
    std::vector<uint32_t>& cells = m_stampCells;
    cells.clear();
    if (image)
        cells.reserve(static_cast<size_t>(last - first + 1));
    const unsigned gridW = static_cast<unsigned>(W) + 1, gridH = static_cast<unsigned>(H) + 1;

    for (int i = first; i <= last; ++i) {
        double x, y;
        ds.GetPoint(i, x, y);
        if (!(x >= m_dXMin && x <= m_dXMax && y >= m_dYMin && y <= m_dYMax))
            continue;
        // Both quotients are 0 or more inside the view, so truncation is the floor.
        const int px = L + static_cast<int>(W * (x - m_dXMin) / sx);
        const int py = B - static_cast<int>(H * (y - m_dYMin) / sy);
        const LCRect box{px - s, py - s, px + s, py + s};
        if (!highlight) {
            AddHit(box, plot, ds.GetPointIndex(i), x, y);
            if (image) {
                const unsigned cx = static_cast<unsigned>(px - L), cy = static_cast<unsigned>(B - py);
                if (cx < gridW && cy < gridH) {
                    cells.push_back(cy * gridW + cx);
                    continue;
                }
                image = nullptr; // outside the expected grid: fall back to plain drawing
                for (uint32_t c : cells) {
                    const int qx = L + static_cast<int>(c % gridW), qy = B - static_cast<int>(c / gridW);
                    DrawMarkerShape(dc, kind, qx - s, qy - s, qx + s, qy + s, qx, qy);
                }
                cells.clear();
            }
            DrawMarkerShape(dc, kind, box.left, box.top, box.right, box.bottom, px, py);
            continue;
        }
        bool lit = false;
        switch (m_nHighlight & 0xF) {
        case 1: lit = true; break;
        case 2:
            lit = LCRect{px - m_nPointTolerance, py - m_nPointTolerance, px + m_nPointTolerance,
                         py + m_nPointTolerance}
                      .PtInRect(m_ptHighlight);
            break;
        case 3: lit = m_rcHighlight.PtInRect({px, py}); break;
        default: break;
        }
        const unsigned how = (m_nHighlight >> 8) & 0xF;
        if (lit && how != 0) {
            dc.SetROP2(how == 2 ? Rop::Invert : how == 3 ? Rop::Xor : Rop::Copy);
            dc.SelectBrush(hiBrush);
        } else {
            dc.SetROP2(Rop::Copy);
            dc.SelectBrush(fill);
        }
        DrawMarkerShape(dc, kind, box.left, box.top, box.right, box.bottom, px, py);
    }
    if (image && !cells.empty()) {
        QImage scratch(1, 1, QImage::Format_RGB32);
        CImageDC recorderDC(scratch);
        std::vector<StampPixel> writes;
        recorderDC.SelectBrush(fill);
        recorderDC.SelectPen(outline);
        recorderDC.SetRecorder(&writes);
        DrawMarkerShape(recorderDC, kind, -s, -s, s, s, 0, 0);
        MarkerStamp stamp;
        stamp.Assign(writes);
        // Walk backwards keeping the first visit of each centre (its last
        // marker), then draw those in their original order.
        std::vector<uint64_t>& seen = m_stampSeen;
        seen.assign((static_cast<size_t>(gridW) * gridH + 63) / 64, 0);
        std::vector<uint32_t>& keep = m_stampKeep;
        keep.clear();
        for (size_t k = cells.size(); k-- > 0;) {
            const uint32_t c = cells[k];
            uint64_t& word = seen[c >> 6];
            const uint64_t bit = uint64_t{1} << (c & 63);
            if (!(word & bit)) {
                word |= bit;
                keep.push_back(c);
            }
        }
        for (size_t k = keep.size(); k-- > 0;) {
            const uint32_t c = keep[k];
            image->Stamp(stamp, L + static_cast<int>(c % gridW), B - static_cast<int>(c / gridW));
        }
    }
    dc.SetROP2(Rop::Copy);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
}

void CLC::DrawLegendSample(IGdiDC& dc, const LCRect& rc, const CLCPlot* plot) {
    if (!plot || (plot->nFlags & 1) || plot->marker.nKind == 0)
        return;
    const GdiBrush oldBrush = dc.SelectBrush(GdiBrush::SolidBrush(plot->marker.crFill));
    const GdiPen oldPen = dc.SelectPen({PS_SOLID, 1, Halved(plot->crColor)});
    const int cx = (rc.left + rc.right) / 2, cy = (rc.top + rc.bottom) / 2, s = plot->marker.nSize;
    DrawMarkerShape(dc, plot->marker.nKind, cx - s, cy - s, cx + s, cy + s, cx, cy, 1);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
}

void CLC::DrawSelection(IGdiDC* pdc) {
    if (m_rcSelection.IsRectEmpty())
        return;
    std::unique_ptr<WindowDC> own;
    IGdiDC* target = DrawTarget(pdc, own);
    if (!target)
        return;
    IGdiDC& dc = *target;
    const LCRect& r = m_rcSelection;
    const int s = m_nSelectionBorder + 1, h = m_nSelectionBorder / 2;
    const GdiPen oldPen = dc.SelectPen({PS_SOLID, 1, m_crSelection});
    dc.MoveTo(r.left - 1, r.top - 1);
    dc.LineTo(r.right + 1, r.top - 1);
    dc.LineTo(r.right + 1, r.bottom + 1);
    dc.LineTo(r.left - 1, r.bottom + 1);
    dc.LineTo(r.left - 1, r.top - 1);
    dc.SelectPen(oldPen);
    dc.FillRect({r.left - s, r.top - s, r.right + s, r.top - 1}, m_selectionBrush);
    dc.FillRect({r.left - s, r.top - s, r.left - 1, r.bottom + s}, m_selectionBrush);
    dc.FillRect({r.left - s, r.bottom + 2, r.right + s, r.bottom + s + 1}, m_selectionBrush);
    dc.FillRect({r.right + 2, r.top - s, r.right + s + 1, r.bottom + s}, m_selectionBrush);
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    const LCPoint corners[8] = {{r.left - s, r.top - s}, {r.left - s, r.bottom + 1}, {r.right + 1, r.top - s},
                                {r.right + 1, r.bottom + 1}, {r.left - s, cy - h}, {cx - h, r.top - s},
                                {r.right + 1, cy - h}, {cx - h, r.bottom + 1}};
    for (const LCPoint& c : corners)
        dc.FillRect({c.x, c.y, c.x + s, c.y + s}, GdiBrush::SolidBrush(m_crSelection));
}

void CLC::DrawCross(IGdiDC* pdc, int x, int y) {
    std::unique_ptr<WindowDC> own;
    IGdiDC* target = DrawTarget(pdc, own);
    if (!target)
        return;
    IGdiDC& dc = *target;
    const GdiPen oldPen = dc.SelectPen({PS_SOLID, 1, 0});
    const Rop oldRop = dc.SetROP2(Rop::Invert);
    dc.MoveTo(m_rcPlot.left, y);
    dc.LineTo(m_rcPlot.right, y);
    dc.MoveTo(x, m_rcPlot.top);
    dc.LineTo(x, m_rcPlot.bottom);
    dc.SetROP2(oldRop);
    dc.SelectPen(oldPen);
}

namespace {
// Cuts name so that it fits budget, ending in "..." when cut.
std::string CutName(IGdiDC& dc, std::string name, int budget) {
    if (dc.GetTextExtent(name).cx <= budget)
        return name;
    const int dots = dc.GetTextExtent("...").cx;
    while (!name.empty() && dc.GetTextExtent(name).cx > budget - dots) {
        name.pop_back();
        // Never leave half of a UTF-8 sequence behind.
        while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80)
            name.pop_back();
        if (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0xC0)
            name.pop_back();
    }
    return name + "...";
}
} // namespace

void CLC::DrawLegend(IGdiDC* pdc) {
    if (!m_bShowLegend || !m_bHasPlots || m_rcLegend.IsRectEmpty())
        return;
    std::unique_ptr<WindowDC> own;
    IGdiDC* target = DrawTarget(pdc, own);
    if (!target)
        return;
    IGdiDC& dc = *target;
    const GdiBrush oldBrush = dc.SelectBrush(GdiBrush::SolidBrush(0xFFFFFF));
    const GdiPen oldPen = dc.SelectPen({PS_SOLID, 1, 0x000080});
    const GdiFont oldFont = dc.SelectFont({m_strFontFace, m_nLegendFontSize});
    dc.SetBkMode(TRANSPARENT);
    const LCSize s0 = dc.GetTextExtent("0");
    const int cw = s0.cx, ch = s0.cy;
    const LCRect& g = m_rcLegend;
    dc.RoundRect(g.left, g.top, g.right, g.bottom, 16, 16);
    const int budget = (g.right - g.left) - 9 * cw;
    const int row = ch + ch / 3;
    int y = g.top + ch / 2;
    if (!m_strLegendTitle.empty()) {
        dc.TextOut(g.left + 7 * cw, y, m_strLegendTitle);
        y += row;
    }
    const int reserve = g.bottom - y < row * GetVisiblePlotCount() ? ch : 0;
    for (auto it = m_plots.rbegin(); it != m_plots.rend(); ++it) {
        const CLCPlot* p = *it;
        if (p->nFlags & 1)
            continue;
        if (g.bottom - reserve - y < row)
            break;
        const LCRect sample{g.left + 2 * cw, y + ch * 7 / 15, g.left + 2 * cw + 6 * cw, y + ch * 7 / 15 + ch / 5};
        DrawLegendSample(dc, sample, p);
        dc.TextOut(g.left + 9 * cw, y, CutName(dc, p->strName, budget));
        y += row;
    }
    if (reserve != 0)
        dc.TextOut(g.left + 9 * cw, y, "[...]");
    dc.SelectFont(oldFont);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
}

void CLC::DrawReadout(IGdiDC* pdc) {
    if (!m_bShowReadout || !m_bReadoutValid || !m_bHasPlots || m_rcReadout.IsRectEmpty())
        return;
    std::unique_ptr<WindowDC> own;
    IGdiDC* target = DrawTarget(pdc, own);
    if (!target)
        return;
    IGdiDC& dc = *target;
    const GdiBrush oldBrush = dc.SelectBrush(GdiBrush::SolidBrush(0xFFFFFF));
    const GdiPen oldPen = dc.SelectPen({PS_SOLID, 1, m_crBack});
    const GdiFont oldFont = dc.SelectFont({"Arial", 100});
    dc.SetBkMode(TRANSPARENT);
    const LCRect& r = m_rcReadout;
    dc.RoundRect(r.left, r.top, r.right, r.bottom, 10, 10);
    dc.TextOut(r.left + 5, r.top + 2, FormatTime(m_dReadoutX, false) + ",");
    dc.TextOut((r.left + r.right) / 2, r.top + 2, FormatReadoutValue(m_dReadoutY, 9));
    dc.SelectFont(oldFont);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
}

void CLC::DrawInfoStrip(IGdiDC* pdc, const HitRect* hit) {
    if (!m_bShowInfoStrip || m_rcInfoStrip.IsRectEmpty())
        return;
    std::unique_ptr<WindowDC> own;
    IGdiDC* target = DrawTarget(pdc, own);
    if (!target)
        return;
    IGdiDC& dc = *target;
    const LCRect& r = m_rcInfoStrip;
    if (!(m_bPointHit && m_bHasPlots && hit)) {
        dc.FillSolidRect(r.left, r.top, r.right - r.left, r.bottom - r.top, m_crBack);
        return;
    }
    const GdiBrush oldBrush = dc.SelectBrush(GdiBrush::SolidBrush(m_crPlotBack));
    const GdiPen oldPen = dc.SelectPen({PS_SOLID, 1, 0x202020});
    const GdiFont oldFont = dc.SelectFont({"Arial", m_nFontSize});
    const LCSize s0 = dc.GetTextExtent("0");
    const int cw = s0.cx, ch = s0.cy;
    dc.RoundRect(r.left, r.top, r.right, r.bottom, 10, 10);
    const int cy = (r.top + r.bottom) / 2;
    DrawLegendSample(dc, {r.left + 2 * cw, cy - 2, r.left + 2 * cw + 6 * cw, cy + 2}, hit->pPlot);
    const int oldMode = dc.SetBkMode(TRANSPARENT);
    const int budget = (m_rcLegend.right - m_rcLegend.left) - 11 * cw;
    const std::string text = CutName(dc, hit->pPlot->strName, budget) + "   " + FormatTime(hit->dX, true) + " , y=" +
                             FormatNumber(SafeDoubleFormat(hit->pPlot->strYFormat).c_str(), hit->dY);
    dc.TextOut(r.left + 9 * cw, cy - ch / 2, text);
    dc.SetBkMode(oldMode);
    dc.SelectFont(oldFont);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
}
