#pragma once

// The facade through which the main window drives the chart window.

#include "LC.h"
#include "LCSetDesc.h"

#include <QObject>

#include <string>

class QWidget;

class CLCWrp : public QObject {
    Q_OBJECT

  public:
    CLCWrp() = default;
    ~CLCWrp() override;

    // Creates the chart on rc: in parent's client coordinates when bit 0 of
    // flags is set, in screen coordinates otherwise. Returns the facade.
    static CLCWrp* CreateChart(const LCRect& rc, QWidget* parent, unsigned flags);

    CLC* GetWnd() const { return m_pChart; }
    // The chart the window holds, for the set-up and the plots of a series; null without a window.
    CLCCore* GetChart() const { return m_pChart ? &m_pChart->Core() : nullptr; }
    int SetTitles(const std::string& xTitle, const std::string& yTitle);
    int ShowXRefLine(bool on);
    int SetXRefLine(double x);
    int ShowYRefLine(bool on);
    int SetYRefLine(double y);
    int SetColors(COLORREF back, COLORREF frame);
    int SetMargins(int left, int top, int right, int bottom);
    int SetFontSize(int points);
    int ShowLegend(bool on);
    int SetView(double x1, double y1, double x2, double y2);
    int GetView(double& x1, double& y1, double& x2, double& y2) const;
    int CanGoPrevView(bool& can) const;
    int CanGoNextView(bool& can) const;
    int ShowAllData();
    int GoPrevView();
    int GoNextView();
    int AutoScaleY();
    int ScrollLeft();
    int ScrollRight();
    int Redraw();
    LCPosition AddSet(LCSetDesc& desc, bool visible);
    int RemoveSet(LCPosition pos);

  signals:
    // The chart's view commands (1001 All data ... 1007 Scroll right); the
    // main window updates its view buttons and statistics on each.
    void viewChanged(int id);

  private:
    CLC* m_pChart = nullptr;
    LCCallbacks m_callbacks;
};
