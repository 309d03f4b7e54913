#pragma once

// The facade through which the main window drives the chart, and the
// descriptor that collects one plot before it is handed over.

#include "LC.h"

#include <QObject>

#include <string>

class QWidget;

// One plot before it is added: the points and the look, with a bit per
// field that was set explicitly.
class LCSetDesc {
public:
    enum Presence : unsigned {
        HasTitle = 0x1, HasInterp = 0x2, HasMarkerSize = 0x4, HasMarkerKind = 0x8, HasMarkerFill = 0x10,
        HasColor = 0x20, HasPenWidth = 0x40, HasPenStyle = 0x80, HasFormats = 0x100, HasExtra = 0x200,
        HasFlag1 = 0x400, HasDataSet = 0x8000
    };

    LCSetDesc() = default;
    // Builds the data set from count points (x[i], y[i]), sorted by x.
    LCSetDesc(int count, const double* x, const double* y);
    ~LCSetDesc();
    LCSetDesc(const LCSetDesc&) = delete;
    LCSetDesc& operator=(const LCSetDesc&) = delete;

    // Setters return 0, or 1 when there is no data set or the value is refused.
    int SetTitle(const std::string& title);
    int SetFormats(const std::string& xFormat, const std::string& yFormat);
    int SetPlotType(int kind);
    int SetColor(COLORREF color);
    int SetFillColor(COLORREF color);
    int SetMarkerSize(int size);
    int SetMarkerShape(int kind);
    int SetPenWidth(int width);
    int SetPenStyle(int style);
    int SetExtra(int value);
    int SetFlag1(bool on);

    CLCDataSet* m_pDataSet = nullptr; // owned until the plot is added
    LCPosition m_pos = nullptr;
    std::string m_strTitle = "unnamed";
    std::string m_strXFormat, m_strYFormat;
    int m_nInterp = 1;
    int m_nPenWidth = 1;
    int m_nPenStyle = 0;
    COLORREF m_crColor = 0;
    int m_nMarkerSize = 3;
    int m_nMarkerKind = 3;
    COLORREF m_crMarkerFill = 0xFFFFFF;
    int m_nExtra = 0;
    bool m_bFlag1 = false;
    unsigned m_nPresent = 0;
    bool m_bAdded = false; // the chart owns the data set
};

class CLCWrp : public QObject {
    Q_OBJECT

public:
    CLCWrp() = default;
    ~CLCWrp() override;

    // Creates the chart on rc: in parent's client coordinates when bit 0 of
    // flags is set, in screen coordinates otherwise. Returns the facade.
    static CLCWrp* CreateChart(const LCRect& rc, QWidget* parent, unsigned flags);

    CLC* GetWnd() const { return m_pChart; }
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
