#include "SeriesPlots.h"

#include "ChartLabels.h"
#include "CurvePoints.h"
#include "LCSetDesc.h"
#include "LocalTime.h"
#include "StringTable.h"

#include <algorithm>
#include <cmath>

#include <cstdio>

namespace {

struct CurveLook {
    COLORREF color;
    int shape;
    COLORREF fill;
    int size;
};

// What the walks of the curves found, for the chart's message.
struct CurveFindings {
    bool anyPoint = false, anyFinite = false;
};

// Walks one curve (times and results only: the chart takes no temperatures
// or pressures) once, straight into the data set of a new plot of the chart,
// and into keepX and keepY when given. Returns the plot, null when the curve
// is empty or there is no chart.
LCPosition AddCurve(CLCCore* chart, const SeriesInfo& series, unsigned flags, const CurveOptions& options,
                    const CurveLook& look, const std::string& title, CurveFindings& found,
                    std::vector<double>* keepX = nullptr, std::vector<double>* keepY = nullptr) {
    const size_t n = CurvePointCount(series, flags);
    if (keepX) {
        keepX->clear();
        keepY->clear();
        keepX->reserve(n);
        keepY->reserve(n);
    }
    bool walked = false;
    const auto walk = [&](double* x, double* y) {
        walked = true;
        size_t k = 0;
        series.ForEachCurvePoint(flags, options.zeroCorrection, options.stdTemp, options.stdPres,
                                 [&](int, const ArchiveRecord&, double t, double result, double, double) {
                                     if (x && k < n) {
                                         x[k] = t;
                                         y[k] = result;
                                     }
                                     ++k;
                                     if (keepX) {
                                         keepX->push_back(t);
                                         keepY->push_back(result);
                                     }
                                     found.anyFinite = found.anyFinite || std::isfinite(result);
                                 });
        found.anyPoint = found.anyPoint || k > 0;
        return static_cast<int>(std::min(k, n));
    };
    if (!chart || n == 0) {
        walk(nullptr, nullptr);
        return nullptr;
    }
    LCSetDesc desc(static_cast<int>(n), walk);
    if (!walked)
        walk(nullptr, nullptr); // no memory for the plot; the caller still gets the points
    if (!desc.m_pDataSet || desc.m_pDataSet->GetPointCount() == 0)
        return nullptr;
    desc.SetPlotType(0);
    desc.SetColor(look.color);
    desc.SetMarkerShape(look.shape);
    desc.SetFillColor(look.fill);
    desc.SetMarkerSize(look.size);
    desc.SetFormats("%f", "%.2f");
    desc.SetTitle(title);
    return AddSetTo(*chart, desc, true);
}

} // namespace

void RemoveSeriesPlots(CLCCore* chart, SeriesPlots& plots) {
    for (LCPosition* pos : {&plots.zero, &plots.measurement, &plots.bad}) {
        if (chart && *pos)
            chart->RemovePlot(*pos);
        *pos = nullptr;
    }
    if (chart)
        chart->SetMessage({});
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

} // namespace

int EmptyChartReason(const SeriesInfo& series, const CurveOptions& options, bool anyPoint, bool anyFinite) {
    if (anyFinite || series.GetCount() <= 0)
        return 0;
    if (!anyPoint && options.zeroCorrection && !HasReferenceZero(series, options.filter))
        return kNoZeroControlText;
    return anyPoint ? kNoFiniteValueText : 0;
}

void ShowSeriesPlots(CLCCore* chart, const SeriesInfo& series, int listIndex, const CurveOptions& options,
                     const std::string& dataText, SeriesPlots& plots) {
    RemoveSeriesPlots(chart, plots);
    const unsigned skip = options.filter ? CF_SKIP_BAD : 0;
    char title[512];
    std::snprintf(title, sizeof title, "%s #%d", dataText.c_str(), listIndex + 1);
    char zeroTitle[520];
    std::snprintf(zeroTitle, sizeof zeroTitle, "%s #%d '0'", dataText.c_str(), listIndex + 1);
    CurveFindings found;
    plots.zero =
        AddCurve(chart, series, CF_ZERO_ONLY | skip, options, {0x808000, 2, 0xC0C000, 4}, zeroTitle, found);
    plots.measurement =
        AddCurve(chart, series, CF_MEAS_ONLY | skip, options, {0x208000, 3, 0x208000, 4}, title, found,
                 plots.keepPoints ? &plots.times : nullptr, plots.keepPoints ? &plots.results : nullptr);
    if (!options.filter)
        plots.bad = AddCurve(chart, series, CF_BAD_ONLY, options, {0x000080, 3, 0x000080, 5}, title, found);
    const int reason = EmptyChartReason(series, options, found.anyPoint, found.anyFinite);
    if (chart && reason != 0)
        chart->SetMessage(LoadUIString(reason));
}

void ConfigureMainChart(CLCCore* chart, const std::string& xTitle, const std::string& yTitle) {
    if (!chart)
        return;
    chart->SetTimeFormatter(FormatLocalTime);
    chart->SetDateFormatter(FormatLocalDate);
    chart->SetTitles(xTitle, yTitle);
    chart->SetYRefLine(0);
    chart->ShowYRefLine(true);
    chart->SetXRefLine(0);
    chart->ShowXRefLine(true);
    chart->SetColors(0xF0F0F0, 0xC0C0C0);
    chart->SetMargins(70, -1, 30, 50);
    chart->SetFontSize(80);
    chart->ShowLegend(false);
    chart->Redraw();
    const double x1 = static_cast<double>(LocalTimeToEpochExact(2010, 1, 1, 0, 0, 0));
    const double x2 = static_cast<double>(LocalTimeToEpochExact(2010, 1, 1, 6, 0, 0));
    chart->SetView(x1, 0, x2, 1.02);
}
