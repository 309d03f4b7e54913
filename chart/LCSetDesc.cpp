#include "LCSetDesc.h"

#include <new>

LCSetDesc::LCSetDesc(int count, const double* x, const double* y) {
    CLCDataSet* ds = new (std::nothrow) CLCDataSet;
    if (!ds)
        return;
    ds->SetInterpolation(1);
    if (count < 0 || !ds->Allocate(count) || (count > 0 && (!x || !y))) {
        delete ds;
        return;
    }
    for (int i = 0; i < count; ++i) {
        ds->m_pX[i] = x[i];
        ds->m_pY[i] = y[i];
    }
    ds->SortByX();
    m_pDataSet = ds;
    m_nPresent = HasDataSet;
}

LCSetDesc::LCSetDesc(int count, const std::function<int(double* x, double* y)>& fill) {
    CLCDataSet* ds = new (std::nothrow) CLCDataSet;
    if (!ds)
        return;
    ds->SetInterpolation(1);
    if (count < 0 || !ds->Allocate(count)) {
        delete ds;
        return;
    }
    ds->Truncate(fill(ds->m_pX, ds->m_pY));
    ds->SortByX();
    m_pDataSet = ds;
    m_nPresent = HasDataSet;
}

LCSetDesc::~LCSetDesc() {
    // Until AddSet hands it over, the data set is the descriptor's.
    if (!m_bAdded)
        delete m_pDataSet;
}

int LCSetDesc::SetTitle(const std::string& title) {
    if (!m_pDataSet)
        return 1;
    m_strTitle = title;
    m_nPresent |= HasTitle;
    return 0;
}
int LCSetDesc::SetFormats(const std::string& xFormat, const std::string& yFormat) {
    if (!m_pDataSet)
        return 1;
    m_strXFormat = xFormat;
    m_strYFormat = yFormat;
    m_nPresent |= HasFormats;
    return 0;
}
int LCSetDesc::SetPlotType(int kind) {
    if (!m_pDataSet || kind < 0 || kind > 5)
        return 1;
    m_nInterp = kind;
    m_nPresent |= HasInterp;
    return 0;
}
int LCSetDesc::SetColor(COLORREF color) {
    if (!m_pDataSet)
        return 1;
    m_crColor = color;
    m_nPresent |= HasColor;
    return 0;
}
int LCSetDesc::SetFillColor(COLORREF color) {
    if (!m_pDataSet)
        return 1;
    m_crMarkerFill = color;
    m_nPresent |= HasMarkerFill;
    return 0;
}
int LCSetDesc::SetMarkerSize(int size) {
    if (!m_pDataSet)
        return 1;
    m_nMarkerSize = size < 3 ? 3 : size;
    m_nPresent |= HasMarkerSize;
    return 0;
}
int LCSetDesc::SetMarkerShape(int kind) {
    if (!m_pDataSet || kind < 0)
        return 1;
    m_nMarkerKind = kind;
    m_nPresent |= HasMarkerKind;
    return 0;
}
int LCSetDesc::SetPenWidth(int width) {
    if (!m_pDataSet)
        return 1;
    m_nPenWidth = width;
    m_nPresent |= HasPenWidth;
    return 0;
}
int LCSetDesc::SetPenStyle(int style) {
    if (!m_pDataSet)
        return 1;
    m_nPenStyle = style;
    m_nPresent |= HasPenStyle;
    return 0;
}
int LCSetDesc::SetExtra(int value) {
    if (!m_pDataSet)
        return 1;
    m_nExtra = value;
    m_nPresent |= HasExtra;
    return 0;
}
int LCSetDesc::SetFlag1(bool on) {
    if (!m_pDataSet)
        return 1;
    m_bFlag1 = on;
    m_nPresent |= HasFlag1;
    return 0;
}

LCPosition AddSetTo(CLCCore& chart, LCSetDesc& d, bool visible) {
    if (!d.m_pDataSet || d.m_bAdded)
        return nullptr;
    CLCModel& m = chart.Model();
    if (d.m_nPresent & LCSetDesc::HasInterp)
        d.m_pDataSet->SetInterpolation(d.m_nInterp);
    const LCPosition pos = m.AddPlot(d.m_pDataSet);
    d.m_bAdded = true; // AddPlot owns it now, even when it failed
    d.m_pos = pos;
    if (pos) {
        const unsigned p = d.m_nPresent;
        if (p & LCSetDesc::HasTitle)
            m.SetPlotName(pos, d.m_strTitle);
        if (p & LCSetDesc::HasFormats)
            m.SetPlotFormats(pos, d.m_strXFormat, d.m_strYFormat);
        if (p & LCSetDesc::HasColor)
            m.SetPlotColor(pos, d.m_crColor);
        if (p & LCSetDesc::HasPenWidth)
            m.SetPlotPenWidth(pos, d.m_nPenWidth);
        if (p & LCSetDesc::HasPenStyle)
            m.SetPlotPenStyle(pos, d.m_nPenStyle);
        if (p & LCSetDesc::HasMarkerKind)
            m.SetPlotMarkerKind(pos, d.m_nMarkerKind);
        if (p & LCSetDesc::HasMarkerSize)
            m.SetPlotMarkerSize(pos, d.m_nMarkerSize);
        if (p & LCSetDesc::HasMarkerFill)
            m.SetPlotMarkerFill(pos, d.m_crMarkerFill);
        if (p & LCSetDesc::HasExtra)
            m.SetPlotExtra(pos, d.m_nExtra);
        if (p & LCSetDesc::HasFlag1) {
            const unsigned f = m.GetPlotFlags(pos);
            m.SetPlotFlags(pos, d.m_bFlag1 ? f | 2u : f & ~2u);
        }
        if (!visible)
            m.SetPlotFlags(pos, m.GetPlotFlags(pos) | 1u);
        m.SetCurrentPlot(pos);
    }
    chart.ShowAllData();
    m.ResetViewHistory();
    return pos;
}
