#include "LCWrp.h"

#include <QWidget>

#include <new>

CLCWrp::~CLCWrp() {
    delete m_pChart;
}

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
    QObject::connect(chart, &CLC::viewChanged, wrp,
                     [wrp](LCViewNotice id) { emit wrp->viewChanged(static_cast<int>(id)); });
    return wrp;
}

int CLCWrp::SetTitles(const std::string& xTitle, const std::string& yTitle) {
    if (!m_pChart)
        return 1;
    m_pChart->Painter().SetTitles(xTitle, yTitle);
    return 0;
}
int CLCWrp::ShowXRefLine(bool on) {
    if (!m_pChart)
        return 1;
    m_pChart->Painter().ShowXRefLine(on);
    return 0;
}
int CLCWrp::SetXRefLine(double x) {
    if (!m_pChart)
        return 1;
    m_pChart->Painter().SetXRefLine(x);
    return 0;
}
int CLCWrp::ShowYRefLine(bool on) {
    if (!m_pChart)
        return 1;
    m_pChart->Painter().ShowYRefLine(on);
    return 0;
}
int CLCWrp::SetYRefLine(double y) {
    if (!m_pChart)
        return 1;
    m_pChart->Painter().SetYRefLine(y);
    return 0;
}
int CLCWrp::SetColors(COLORREF back, COLORREF frame) {
    if (!m_pChart)
        return 1;
    m_pChart->Painter().SetColors(back, frame);
    return 0;
}
int CLCWrp::SetMargins(int left, int top, int right, int bottom) {
    if (!m_pChart)
        return 1;
    m_pChart->Core().SetMargins(left, top, right, bottom);
    return 0;
}
int CLCWrp::SetFontSize(int points) {
    if (!m_pChart)
        return 1;
    m_pChart->Painter().SetFontSize(points * 10);
    return 0;
}
int CLCWrp::ShowLegend(bool on) {
    if (!m_pChart)
        return 1;
    m_pChart->Painter().ShowLegend(on);
    m_pChart->Redraw();
    return 0;
}
int CLCWrp::SetView(double x1, double y1, double x2, double y2) {
    if (!m_pChart)
        return 1;
    m_pChart->Model().SetView(x1, y1, x2, y2);
    return 0;
}
int CLCWrp::GetView(double& x1, double& y1, double& x2, double& y2) const {
    if (!m_pChart)
        return 1;
    m_pChart->Model().GetView(x1, y1, x2, y2);
    return 0;
}
int CLCWrp::CanGoPrevView(bool& can) const {
    if (!m_pChart)
        return 1;
    can = m_pChart->Model().CanGoPrevView();
    return 0;
}
int CLCWrp::CanGoNextView(bool& can) const {
    if (!m_pChart)
        return 1;
    can = m_pChart->Model().CanGoNextView();
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
    if (!m_pChart)
        return nullptr;
    return AddSetTo(m_pChart->Core(), d, visible);
}

int CLCWrp::RemoveSet(LCPosition pos) {
    if (!m_pChart)
        return 1;
    if (pos)
        m_pChart->Model().RemovePlot(pos);
    return 0;
}
