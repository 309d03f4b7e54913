#include "SeriesPlots.h"

#include "ChartLabels.h"
#include "CurvePoints.h"
#include "LCSetDesc.h"
#include "LocalTime.h"
#include "StringTable.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

#include <cstdio>

namespace {

struct CurveLook {
    COLORREF color;
    int shape;
    COLORREF fill;
    int size;
};

// What the walk of the curves found, for the chart's message.
struct CurveFindings {
    bool anyPoint = false, anyFinite = false;
};

enum Curve { kZero, kMeasurement, kBad, kCurves };

// Where the walk puts the points of one curve: the arrays of its data set,
// with room for room points, or none.
struct CurveSink {
    size_t room = 0, count = 0;
    double* x = nullptr;
    double* y = nullptr;
};

// Puts a point of the walk into its curves: the zero-control, measurement
// and (withBad) bad-point curves are made in one walk of the series (times
// and results only: the chart takes no temperatures or pressures); a
// record's time and result do not depend on which curve takes it. The
// measurement points also go to keepX and keepY when given.
struct CurvePut {
    CurveSink (&sinks)[kCurves];
    bool withBad;
    std::vector<double>* keepX;
    std::vector<double>* keepY;
    CurveFindings& found;

    void operator()(int, const ArchiveRecord& r, double t, double result, double, double) const {
        const auto put = [&](CurveSink& sink) {
            if (sink.x && sink.count < sink.room) {
                sink.x[sink.count] = t;
                sink.y[sink.count] = result;
            }
            ++sink.count;
        };
        put(sinks[r.IsZero() ? kZero : kMeasurement]);
        if (withBad && r.IsBad())
            put(sinks[kBad]);
        if (keepX && !r.IsZero()) {
            keepX->push_back(t);
            keepY->push_back(result);
        }
        found.anyPoint = true;
        found.anyFinite = found.anyFinite || std::isfinite(result);
    }
};

// Adds the plot of a filled descriptor; null when it has no point or there is no chart.
LCPosition AddCurve(CLCCore* chart, std::optional<LCSetDesc>& desc, const CurveLook& look,
                    const std::string& title) {
    if (!chart || !desc || !desc->m_pDataSet || desc->m_pDataSet->GetPointCount() == 0)
        return nullptr;
    desc->SetPlotType(0);
    desc->SetColor(look.color);
    desc->SetMarkerShape(look.shape);
    desc->SetFillColor(look.fill);
    desc->SetMarkerSize(look.size);
    desc->SetFormats("%f", "%.2f");
    desc->SetTitle(title);
    return AddSetTo(*chart, *desc, true);
}

} // namespace

void RemoveSeriesPlots(CLCCore* chart, SeriesPlots& plots) {
    for (LCPosition* pos : {&plots.zero, &plots.measurement, &plots.bad}) {
        if (chart && *pos)
            chart->Model().RemovePlot(*pos);
        *pos = nullptr;
    }
    if (chart)
        chart->Painter().SetMessage({});
    plots.times.clear();
    plots.results.clear();
}

namespace {

// Zero correction needs a zero-control record the filter keeps.
bool HasReferenceZero(const SeriesInfo& series, bool filter) {
    for (int i = 0; i < series.GetCount(); ++i) {
        const ArchiveRecord& r = series.GetRecord(i);
        if (r.IsZero() && !(filter && r.IsBad()))
            return true;
    }
    return false;
}

int EmptyReason(int count, bool hasReferenceZero, const CurveOptions& options, bool anyPoint,
                bool anyFinite) {
    if (anyFinite || count <= 0)
        return 0;
    if (!anyPoint && options.zeroCorrection && !hasReferenceZero)
        return kUiNoZeroControl;
    return anyPoint ? kUiNoFiniteValue : 0;
}

// What ShowSeriesPlots needs of a series, wherever its records are.
struct PlotSource {
    // The points a walk with these flags gives (CurvePointCount).
    std::function<size_t(unsigned flags)> pointCount;
    // The walk with the curve options and skip flags, each point to put;
    // false when the records could not be read.
    std::function<bool(const CurvePut& put)> walk;
    // EmptyChartReason of the series.
    std::function<int(bool anyPoint, bool anyFinite)> emptyReason;
};

bool ShowPlots(CLCCore* chart, const PlotSource& source, int listIndex, const CurveOptions& options,
               const std::string& dataText, SeriesPlots& plots) {
    RemoveSeriesPlots(chart, plots);
    const unsigned skip = options.filter ? CF_SKIP_BAD : 0;
    char title[512];
    std::snprintf(title, sizeof title, "%s #%d", dataText.c_str(), listIndex + 1);
    char zeroTitle[520];
    std::snprintf(zeroTitle, sizeof zeroTitle, "%s #%d '0'", dataText.c_str(), listIndex + 1);
    const unsigned select[kCurves] = {CF_ZERO_ONLY | skip, CF_MEAS_ONLY | skip, CF_BAD_ONLY};
    const int curves = options.filter ? 2 : 3;
    CurveSink sinks[kCurves];
    for (int c = 0; c < curves; ++c)
        sinks[c].room = source.pointCount(select[c]);
    std::vector<double>* keepX = plots.keepPoints ? &plots.times : nullptr;
    std::vector<double>* keepY = plots.keepPoints ? &plots.results : nullptr;
    if (keepX) {
        keepX->reserve(sinks[kMeasurement].room);
        keepY->reserve(sinks[kMeasurement].room);
    }
    CurveFindings found;
    bool walked = false, read = true;
    const auto walk = [&] {
        walked = true;
        read = source.walk(CurvePut{sinks, !options.filter, keepX, keepY, found});
    };
    // Every data set is filled in place by the one walk, so each descriptor
    // is made inside the fill of the one before; the innermost fill walks,
    // and each descriptor then keeps and sorts its own points.
    std::optional<LCSetDesc> descs[kCurves];
    const std::function<void(int)> make = [&](int c) {
        if (c == curves) {
            walk();
            return;
        }
        descs[c].emplace(static_cast<int>(sinks[c].room), [&, c](double* x, double* y) {
            sinks[c].x = x;
            sinks[c].y = y;
            make(c + 1);
            return static_cast<int>(std::min(sinks[c].count, sinks[c].room));
        });
        if (!descs[c]->m_pDataSet)
            make(c + 1); // no memory for this plot; the others still get their points
    };
    if (chart)
        make(0);
    if (!walked)
        walk();
    if (!read) {
        plots.times.clear();
        plots.results.clear();
        return false;
    }
    plots.zero = AddCurve(chart, descs[kZero], {0x808000, 2, 0xC0C000, 4}, zeroTitle);
    plots.measurement = AddCurve(chart, descs[kMeasurement], {0x208000, 3, 0x208000, 4}, title);
    plots.bad = AddCurve(chart, descs[kBad], {0x000080, 3, 0x000080, 5}, title);
    if (chart && plots.bad)
        chart->Model().SetPlotNote(plots.bad, LoadUIString(kUiBadPointNote));
    const int reason = source.emptyReason(found.anyPoint, found.anyFinite);
    if (chart && reason != 0)
        chart->Painter().SetMessage(LoadUIString(reason));
    return true;
}

} // namespace

int EmptyChartReason(const SeriesInfo& series, const CurveOptions& options, bool anyPoint, bool anyFinite) {
    if (anyFinite || series.GetCount() <= 0)
        return 0;
    return EmptyReason(series.GetCount(), HasReferenceZero(series, options.filter), options, anyPoint,
                       anyFinite);
}

void ShowSeriesPlots(CLCCore* chart, const SeriesInfo& series, int listIndex, const CurveOptions& options,
                     const std::string& dataText, SeriesPlots& plots) {
    const unsigned skip = options.filter ? CF_SKIP_BAD : 0;
    ShowPlots(chart,
              {[&](unsigned flags) { return CurvePointCount(series, flags); },
               [&](const CurvePut& put) {
                   series.ForEachCurvePoint(skip, options.zeroCorrection, options.stdTemp, options.stdPres,
                                            put);
                   return true;
               },
               [&](bool anyPoint, bool anyFinite) {
                   return EmptyChartReason(series, options, anyPoint, anyFinite);
               }},
              listIndex, options, dataText, plots);
}

bool ShowSeriesPlots(CLCCore* chart, MnrSeriesStream& stream, int listIndex, const CurveOptions& options,
                     const std::string& dataText, SeriesPlots& plots) {
    const unsigned skip = options.filter ? CF_SKIP_BAD : 0;
    return ShowPlots(chart,
                     {[&](unsigned flags) { return stream.PointCount(flags); },
                      [&](const CurvePut& put) {
                          return stream.ForEachCurvePoint(skip, options.zeroCorrection, options.stdTemp,
                                                          options.stdPres, put);
                      },
                      [&](bool anyPoint, bool anyFinite) {
                          return EmptyReason(stream.RecordCount(), stream.HasReferenceZero(), options,
                                             anyPoint, anyFinite);
                      }},
                     listIndex, options, dataText, plots);
}

bool ComputePlotStatistics(const SeriesPlots& plots, const SeriesInfo& series, const CurveOptions& options,
                           double xmin, double xmax, Statistics& stats) {
    if (plots.keepPoints)
        return ComputeStatistics(plots.times, plots.results, xmin, xmax, stats);
    const CLCDataSet* ds = plots.measurement ? plots.measurement->pDataSet : nullptr;
    if (!ds || ds->m_pIndex) // a sort moved points: the order the statistics walk in is lost
        return ComputeSeriesStatistics(series, options, xmin, xmax, stats);
    StatisticsAccumulator acc(xmin, xmax);
    // The points before xmin would be passed over.
    int i = std::isnan(xmin) ? 0 : ds->FindFirstAtOrAfter(xmin);
    while (i < ds->m_nCount && acc.Add(ds->m_pX[i], ds->m_pY[i]))
        ++i;
    return acc.Finish(stats);
}

void PlotMeasurementPoints(const SeriesPlots& plots, std::vector<double>& times,
                           std::vector<double>& results) {
    if (plots.keepPoints) {
        times = plots.times;
        results = plots.results;
        return;
    }
    const CLCDataSet* ds = plots.measurement ? plots.measurement->pDataSet : nullptr;
    const size_t n = ds ? static_cast<size_t>(ds->m_nCount) : 0;
    times.assign(n, 0);
    results.assign(n, 0);
    for (int i = 0; i < static_cast<int>(n); ++i) {
        const size_t at = static_cast<size_t>(ds->GetPointIndex(i));
        times[at] = ds->m_pX[i];
        results[at] = ds->m_pY[i];
    }
}

void ConfigureMainChart(CLCCore* chart, const std::string& xTitle, const std::string& yTitle) {
    if (!chart)
        return;
    chart->Painter().SetTimeFormatter(FormatLocalTime);
    chart->Painter().SetDateFormatter(FormatLocalDate);
    chart->Painter().SetTitles(xTitle, yTitle);
    chart->Painter().SetYRefLine(0);
    chart->Painter().ShowYRefLine(true);
    chart->Painter().SetXRefLine(0);
    chart->Painter().ShowXRefLine(true);
    chart->Painter().SetColors(0xF0F0F0, 0xC0C0C0);
    chart->SetMargins(70, -1, 30, 50);
    chart->Painter().SetFontSize(80);
    chart->Painter().ShowLegend(false);
    chart->Redraw();
    const double x1 = static_cast<double>(LocalTimeToEpochExact(2010, 1, 1, 0, 0, 0));
    const double x2 = static_cast<double>(LocalTimeToEpochExact(2010, 1, 1, 6, 0, 0));
    chart->Model().SetView(x1, 0, x2, 1.02);
}
