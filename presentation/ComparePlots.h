#pragma once

// A comparison on the chart: up to four series, each in its own colour and
// marker, the difference of two, and a legend naming file and series.
// Shared by the Compare dialog and tervik-cli compare; works on the chart
// without its window.

#include "LCCore.h"

#include "CompareSeries.h"

#include <string>
#include <vector>

// The plots of a comparison now in a chart: one per curve, then the difference's (null when none).
struct ComparePlots {
    std::vector<LCPosition> curves;
    LCPosition difference = nullptr;
};

// The colour and marker of curve i of a comparison (0 to 3), and of the difference (kMaxCompareSeries).
struct CompareLook {
    COLORREF color;
    int shape;
};
CompareLook CompareCurveLook(int i);

// Removes the plots of a comparison and adds those of set, titled with their names; the legend shown,
// wide enough for them. The view fits all data with a fresh history.
void ShowComparePlots(CLCCore& chart, const CompareSet& set, ComparePlots& plots);
void RemoveComparePlots(CLCCore& chart, ComparePlots& plots);

// The chart set up for a comparison: as the main window's chart, with the legend shown.
void ConfigureCompareChart(CLCCore& chart, const std::string& xTitle, const std::string& yTitle);

// The statistics of each curve of set in [xmin, xmax], then of the difference when set has one;
// a curve without a point in view gets count 0.
std::vector<Statistics> CompareStatistics(const CompareSet& set, double xmin, double xmax);
