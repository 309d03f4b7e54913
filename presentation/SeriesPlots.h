#pragma once

// The curves of one series as the main window shows them, and the chart's
// configuration in the main window. Shared by the main window and the CLI
// render command; works on the chart without its window. A null chart (the
// facade could not make one) makes every call do nothing.

#include "LCCore.h"

#include "ArchiveData.h"
#include "MnrStream.h"
#include "SeriesFormat.h"

#include <string>
#include <vector>

// The plots of the series now in the chart, and the measurement points the
// statistics read.
struct SeriesPlots {
    LCPosition zero = nullptr;
    LCPosition measurement = nullptr;
    LCPosition bad = nullptr;
    std::vector<double> times, results;
    // False leaves times and results empty: the chart's measurement plot
    // holds the same points (ComputePlotStatistics reads them there).
    bool keepPoints = true;
};

// Statistics of the measurement points in [xmin, xmax], as ComputeStatistics
// gives them over times and results: from those when kept, else from the
// measurement plot while its points are in record order, else by walking
// series again with options.
bool ComputePlotStatistics(const SeriesPlots& plots, const SeriesInfo& series, const CurveOptions& options,
                           double xmin, double xmax, Statistics& stats);

// The measurement points (times and results) in record order.
void PlotMeasurementPoints(const SeriesPlots& plots, std::vector<double>& times,
                           std::vector<double>& results);

// Removes the plots in plots from the chart, then adds the zero-control,
// measurement and (filter off) bad-point curves of series, titled with
// dataText ("Data") and listIndex + 1; when they show nothing, the chart's
// message says why (EmptyChartReason). Does not redraw.
void ShowSeriesPlots(CLCCore* chart, const SeriesInfo& series, int listIndex, const CurveOptions& options,
                     const std::string& dataText, SeriesPlots& plots);
// The same plots of the series stream was opened on (with a skipBad that
// matches options.filter), read from its file in two passes instead of from
// records in memory: at the peak the plots' points and the stream's reference
// zeros. False, with no plot shown, when the file no longer holds the series
// as stream first read it.
bool ShowSeriesPlots(CLCCore* chart, MnrSeriesStream& stream, int listIndex, const CurveOptions& options,
                     const std::string& dataText, SeriesPlots& plots);

// The interface strings that say why a series leaves the chart empty.
// The read-out's word on a point of the bad-point curve.

// Why the curves of series show nothing, given whether the walk gave any
// point and any finite value: kUiNoZeroControl (zero correction on, and no
// zero-control record the filter keeps), kUiNoFiniteValue, or 0 when
// something is shown or the series has no record at all.
int EmptyChartReason(const SeriesInfo& series, const CurveOptions& options, bool anyPoint, bool anyFinite);

// Removes the plots in plots from the chart, clears its message and forgets them.
void RemoveSeriesPlots(CLCCore* chart, SeriesPlots& plots);

// The chart's set-up in the main window after CreateChart: local-time
// labels, titles, both reference lines at 0, colours, margins, 8-point font,
// no legend and the first view (2010-01-01 00:00 to 06:00 local time, 0 to 1.02).
void ConfigureMainChart(CLCCore* chart, const std::string& xTitle, const std::string& yTitle);
