#pragma once

// The descriptor that collects one plot before it is handed to a chart.

#include "LCCore.h"

#include <functional>
#include <string>

// One plot before it is added: the points and the look, with a bit per
// field that was set explicitly.
class LCSetDesc {
  public:
    enum Presence : unsigned {
        HasTitle = 0x1,
        HasInterp = 0x2,
        HasMarkerSize = 0x4,
        HasMarkerKind = 0x8,
        HasMarkerFill = 0x10,
        HasColor = 0x20,
        HasPenWidth = 0x40,
        HasPenStyle = 0x80,
        HasFormats = 0x100,
        HasExtra = 0x200,
        HasFlag1 = 0x400,
        HasDataSet = 0x8000
    };

    LCSetDesc() = default;
    // Builds the data set from count points (x[i], y[i]), sorted by x.
    LCSetDesc(int count, const double* x, const double* y);
    // Builds the data set in place: fill writes at most count points into the
    // x and y arrays it is given and returns how many it wrote; sorted by x.
    LCSetDesc(int count, const std::function<int(double* x, double* y)>& fill);
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

// Adds the plot of desc to chart: the present fields in a fixed order, the
// new plot made current, then the view fitted to all data with a fresh
// history. Returns the position, or null when desc has no data set or was
// added already.
LCPosition AddSetTo(CLCCore& chart, LCSetDesc& desc, bool visible);
