#include "LCWrp.h"

#include <QWidget>

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

CLCWrp::~CLCWrp() { delete m_pChart; }

CLCWrp* CLCWrp::CreateChart(const LCRect& rc, QWidget* parent, unsigned flags) {
    CLCWrp* wrp = new (std::nothrow) CLCWrp;
    if (!wrp)
        return nullptr;
    CLC* chart = new (std::nothrow) CLC(parent);
    if (!chart)
        return wrp;
    QRect r(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    if (!(flags & 1) && parent)
        r.moveTopLeft(parent->mapFromGlobal(r.topLeft()));
    chart->setGeometry(r);
    chart->Layout(r.width(), r.height());
    chart->setObjectName(QStringLiteral("chart"));
    chart->setProperty("controlId", 0xE9FF);
    // A chart without a parent (the CLI's) draws only on its surface.
    if (parent)
        chart->show();
    wrp->m_pChart = chart;
    wrp->m_callbacks = {};
    chart->SetCallbacks(&wrp->m_callbacks);
    QObject::connect(chart, &CLC::viewChanged, wrp, &CLCWrp::viewChanged);
    return wrp;
}

int CLCWrp::SetTitles(const std::string& xTitle, const std::string& yTitle) {
    if (!m_pChart)
        return 1;
    m_pChart->SetTitles(xTitle, yTitle);
    return 0;
}
int CLCWrp::ShowXRefLine(bool on) {
    if (!m_pChart)
        return 1;
    m_pChart->ShowXRefLine(on);
    return 0;
}
int CLCWrp::SetXRefLine(double x) {
    if (!m_pChart)
        return 1;
    m_pChart->SetXRefLine(x);
    return 0;
}
int CLCWrp::ShowYRefLine(bool on) {
    if (!m_pChart)
        return 1;
    m_pChart->ShowYRefLine(on);
    return 0;
}
int CLCWrp::SetYRefLine(double y) {
    if (!m_pChart)
        return 1;
    m_pChart->SetYRefLine(y);
    return 0;
}
int CLCWrp::SetColors(COLORREF back, COLORREF frame) {
    if (!m_pChart)
        return 1;
    m_pChart->SetColors(back, frame);
    return 0;
}
int CLCWrp::SetMargins(int left, int top, int right, int bottom) {
    if (!m_pChart)
        return 1;
    m_pChart->SetMargins(left, top, right, bottom);
    return 0;
}
int CLCWrp::SetFontSize(int points) {
    if (!m_pChart)
        return 1;
    m_pChart->m_nFontSize = points * 10;
    return 0;
}
int CLCWrp::ShowLegend(bool on) {
    if (!m_pChart)
        return 1;
    m_pChart->ShowLegend(on);
    m_pChart->Redraw();
    return 0;
}
int CLCWrp::SetView(double x1, double y1, double x2, double y2) {
    if (!m_pChart)
        return 1;
    m_pChart->SetView(x1, y1, x2, y2);
    return 0;
}
int CLCWrp::GetView(double& x1, double& y1, double& x2, double& y2) const {
    if (!m_pChart)
        return 1;
    m_pChart->GetView(x1, y1, x2, y2);
    return 0;
}
int CLCWrp::CanGoPrevView(bool& can) const {
    if (!m_pChart)
        return 1;
    can = m_pChart->CanGoPrevView();
    return 0;
}
int CLCWrp::CanGoNextView(bool& can) const {
    if (!m_pChart)
        return 1;
    can = m_pChart->CanGoNextView();
    return 0;
}
int CLCWrp::ShowAllData() {
    if (!m_pChart)
        return 1;
    m_pChart->OnCommand(CLC::CmdAllData);
    return 0;
}
int CLCWrp::GoPrevView() {
    if (!m_pChart)
        return 1;
    m_pChart->OnCommand(CLC::CmdPrevView);
    return 0;
}
int CLCWrp::GoNextView() {
    if (!m_pChart)
        return 1;
    m_pChart->OnCommand(CLC::CmdNextView);
    return 0;
}
int CLCWrp::AutoScaleY() {
    if (!m_pChart)
        return 1;
    m_pChart->OnCommand(CLC::CmdAutoY);
    return 0;
}
int CLCWrp::ScrollLeft() {
    if (!m_pChart)
        return 1;
    m_pChart->OnCommand(CLC::CmdScrollLeft);
    return 0;
}
int CLCWrp::ScrollRight() {
    if (!m_pChart)
        return 1;
    m_pChart->OnCommand(CLC::CmdScrollRight);
    return 0;
}
int CLCWrp::Redraw() {
    if (!m_pChart)
        return 1;
    m_pChart->Redraw();
    return 0;
}

LCPosition CLCWrp::AddSet(LCSetDesc& d, bool visible) {
    if (!m_pChart || !d.m_pDataSet || d.m_bAdded)
        return nullptr;
    if (d.m_nPresent & LCSetDesc::HasInterp)
        d.m_pDataSet->SetInterpolation(d.m_nInterp);
    const LCPosition pos = m_pChart->AddPlot(d.m_pDataSet);
    d.m_bAdded = true; // AddPlot owns it now, even when it failed
    d.m_pos = pos;
    if (pos) {
        const unsigned p = d.m_nPresent;
        if (p & LCSetDesc::HasTitle)
            m_pChart->SetPlotName(pos, d.m_strTitle);
        if (p & LCSetDesc::HasFormats)
            m_pChart->SetPlotFormats(pos, d.m_strXFormat, d.m_strYFormat);
        if (p & LCSetDesc::HasColor)
            m_pChart->SetPlotColor(pos, d.m_crColor);
        if (p & LCSetDesc::HasPenWidth)
            m_pChart->SetPlotPenWidth(pos, d.m_nPenWidth);
        if (p & LCSetDesc::HasPenStyle)
            m_pChart->SetPlotPenStyle(pos, d.m_nPenStyle);
        if (p & LCSetDesc::HasMarkerKind)
            m_pChart->SetPlotMarkerKind(pos, d.m_nMarkerKind);
        if (p & LCSetDesc::HasMarkerSize)
            m_pChart->SetPlotMarkerSize(pos, d.m_nMarkerSize);
        if (p & LCSetDesc::HasMarkerFill)
            m_pChart->SetPlotMarkerFill(pos, d.m_crMarkerFill);
        if (p & LCSetDesc::HasExtra)
            m_pChart->SetPlotExtra(pos, d.m_nExtra);
        if (p & LCSetDesc::HasFlag1) {
            const unsigned f = m_pChart->GetPlotFlags(pos);
            m_pChart->SetPlotFlags(pos, d.m_bFlag1 ? f | 2u : f & ~2u);
        }
        if (!visible)
            m_pChart->SetPlotFlags(pos, m_pChart->GetPlotFlags(pos) | 1u);
        m_pChart->SetCurrentPlot(pos);
    }
    m_pChart->ShowAllData();
    m_pChart->ResetViewHistory();
    return pos;
}

int CLCWrp::RemoveSet(LCPosition pos) {
    if (!m_pChart)
        return 1;
    if (pos)
        m_pChart->RemovePlot(pos);
    return 0;
}
