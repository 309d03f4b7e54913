// The chart's data: data sets and the plot list.

#include "LCModel.h"

#include "BigAlloc.h"

#include <algorithm>
#include <new>
#include <utility>

CLCDataSet::~CLCDataSet() {
    Free();
}

void CLCDataSet::Free() {
    m_bFullRangeKnown = false;
    delete[] m_pIndex;
    FreeBig(m_pX); // m_pY lies in the same block
    m_pIndex = nullptr;
    m_pX = m_pY = nullptr;
    m_nCount = 0;
}

bool CLCDataSet::Allocate(int n) {
    Free();
    if (n < 0)
        return false;
    // The points are written by the caller; the index waits for a sort that
    // moves them. One block for both arrays: a million points fill 16 MB,
    // and in big blocks huge pages fault far less.
    const size_t count = static_cast<size_t>(n);
    m_pX = static_cast<double*>(AllocateBig(2 * count * sizeof(double)));
    if (!m_pX)
        return false;
    m_pY = m_pX + count;
    m_nCount = n;
    return true;
}

void CLCDataSet::Truncate(int n) {
    m_bFullRangeKnown = false;
    if (n >= 0 && n < m_nCount)
        m_nCount = n;
}

void CLCDataSet::SortByX() {
    m_bFullRangeKnown = false;
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
    if (t && !m_pIndex) {
        m_pIndex = new (std::nothrow) int[static_cast<size_t>(m_nCount)];
        if (m_pIndex)
            for (int i = 0; i < m_nCount; ++i)
                m_pIndex[i] = i;
    }
    if (t && m_pIndex) {
        for (int i = 0; i < m_nCount; ++i)
            t[i] = {m_pIndex[i], m_pX[i], m_pY[i]};
        // A stable sort keeps equal times in input order, one of the orders allowed.
        std::stable_sort(t, t + m_nCount, [](const Triple& a, const Triple& b) { return a.x < b.x; });
        for (int i = 0; i < m_nCount; ++i) {
            m_pIndex[i] = t[i].i;
            m_pX[i] = t[i].x;
            m_pY[i] = t[i].y;
        }
    }
    delete[] t;
    m_dXFirst = m_pX[0];
    m_dXLast = m_pX[m_nCount - 1];
}

namespace {
// Narrows [0, n - 1] down to neighbours {lo, hi} with before(x[lo]) and
// !before(x[hi]); the callers settle the points outside the ends first.
template <class Before> std::pair<int, int> Bisect(const double* x, int n, Before before) {
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

void CLCDataSet::GetFullYRange(double& yMin, double& yMax) const {
    if (!m_bFullRangeKnown) {
        GetYRange(GetXMin(), GetXMax(), m_dFullYMin, m_dFullYMax);
        m_bFullRangeKnown = true;
    }
    yMin = m_dFullYMin;
    yMax = m_dFullYMax;
}

namespace {
const COLORREF kPalette[8] = {0x000000, 0x0000C0, 0x00C000, 0xC00000, 0xC0C000, 0xC000C0, 0x00C0C0, 0xC0C0C0};
} // namespace

CLCModel::~CLCModel() {
    for (CLCPlot* p : m_plots) {
        delete p->pDataSet;
        delete p;
    }
}

CLCPlot* CLCModel::Find(LCPosition pos) const {
    if (!pos)
        return nullptr;
    return std::find(m_plots.begin(), m_plots.end(), pos) != m_plots.end() ? pos : nullptr;
}

LCPosition CLCModel::AddPlot(CLCDataSet* dataSet) {
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
    ResetViewHistory();
    Tell(LCModelEvent::PlotAdded);
    return plot;
}

void CLCModel::RemovePlot(LCPosition pos) {
    CLCPlot* plot = Find(pos);
    if (!plot)
        return;
    delete plot->pDataSet;
    m_plots.remove(plot);
    delete plot;
    if (m_posCurrentPlot == pos)
        m_posCurrentPlot = m_plots.empty() ? nullptr : m_plots.front();
    ResetViewHistory();
    // The owner drops what points at the plot (hit records) on this.
    Tell(LCModelEvent::PlotRemoved);
}

void CLCModel::SetPlotName(LCPosition pos, const std::string& name) {
    if (CLCPlot* p = Find(pos))
        p->strName = name;
}
void CLCModel::SetPlotFormats(LCPosition pos, const std::string& xFormat, const std::string& yFormat) {
    if (CLCPlot* p = Find(pos)) {
        p->strXFormat = xFormat;
        p->strYFormat = yFormat;
    }
}
void CLCModel::SetPlotPenStyle(LCPosition pos, int style) {
    if (CLCPlot* p = Find(pos))
        p->nPenStyle = style;
}
void CLCModel::SetPlotPenWidth(LCPosition pos, int width) {
    if (CLCPlot* p = Find(pos))
        p->nPenWidth = width;
}
void CLCModel::SetPlotColor(LCPosition pos, COLORREF color) {
    if (CLCPlot* p = Find(pos))
        p->crColor = color;
}
void CLCModel::SetPlotMarkerSize(LCPosition pos, int size) {
    if (CLCPlot* p = Find(pos))
        p->marker.nSize = size;
}
void CLCModel::SetPlotMarkerKind(LCPosition pos, int kind) {
    if (CLCPlot* p = Find(pos))
        p->marker.nKind = kind;
}
void CLCModel::SetPlotMarkerFill(LCPosition pos, COLORREF color) {
    if (CLCPlot* p = Find(pos))
        p->marker.crFill = color;
}
void CLCModel::SetPlotExtra(LCPosition pos, int value) {
    if (CLCPlot* p = Find(pos))
        p->nExtra = value;
}
void CLCModel::SetPlotNote(LCPosition pos, const std::string& note) {
    if (CLCPlot* p = Find(pos))
        p->strNote = note;
}
unsigned CLCModel::GetPlotFlags(LCPosition pos) const {
    const CLCPlot* p = Find(pos);
    return p ? p->nFlags : 0;
}
void CLCModel::SetPlotFlags(LCPosition pos, unsigned flags) {
    if (CLCPlot* p = Find(pos))
        p->nFlags = flags;
}
CLCDataSet* CLCModel::GetPlotDataSet(LCPosition pos) const {
    const CLCPlot* p = Find(pos);
    return p ? p->pDataSet : nullptr;
}
LCPosition CLCModel::GetFirstPlotPosition() const {
    return m_plots.empty() ? nullptr : m_plots.front();
}

CLCDataSet* CLCModel::GetNextDataSet(LCPosition& pos) const {
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

void CLCModel::SetCurrentPlot(LCPosition pos) {
    if (Find(pos))
        m_posCurrentPlot = pos;
}

int CLCModel::GetVisiblePlotCount() const {
    return static_cast<int>(
        std::count_if(m_plots.begin(), m_plots.end(), [](const CLCPlot* p) { return !(p->nFlags & 1); }));
}
