#include "SeriesPlots.h"

#include "ChartLabels.h"
#include "CurvePoints.h"
#include "LCSetDesc.h"
#include "LocalTime.h"
#include "StringTable.h"

#include <cmath>

#include <cstdio>

namespace {

struct CurveLook {
    COLORREF color;
    int shape;
    COLORREF fill;
    int size;
};

LCPosition AddCurve(CLCCore* chart, const std::vector<double>& x, const std::vector<double>& y,
                    const CurveLook& look, const std::string& title) {
    if (!chart || x.empty())
        return nullptr;
    LCSetDesc desc(static_cast<int>(x.size()), x.data(), y.data());
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

// Times and results only: the chart takes no temperatures or pressures.
void CurveXY(const SeriesInfo& series, unsigned flags, const CurveOptions& options, std::vector<double>& x,
             std::vector<double>& y) {
    x.clear();
    y.clear();
    const size_t n = CurvePointCount(series, flags);
    x.reserve(n);
    y.reserve(n);
    series.ForEachCurvePoint(flags, options.zeroCorrection, options.stdTemp, options.stdPres,
                             [&](int, const ArchiveRecord&, double t, double result, double, double) {
                                 x.push_back(t);
                                 y.push_back(result);
                             });
}

bool HasFinite(const std::vector<double>& v) {
    for (double d : v)
        if (std::isfinite(d))
            return true;
    return false;
}

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
    std::vector<double> times, results;

    bool anyPoint = false, anyFinite = false;
    CurveXY(series, CF_ZERO_ONLY | skip, options, times, results);
    anyPoint = anyPoint || !results.empty();
    anyFinite = anyFinite || HasFinite(results);
    plots.zero = AddCurve(chart, times, results, {0x808000, 2, 0xC0C000, 4}, zeroTitle);

    CurveXY(series, CF_MEAS_ONLY | skip, options, plots.times, plots.results);
    anyPoint = anyPoint || !plots.results.empty();
    anyFinite = anyFinite || HasFinite(plots.results);
    plots.measurement = AddCurve(chart, plots.times, plots.results, {0x208000, 3, 0x208000, 4}, title);

    if (!options.filter) {
        CurveXY(series, CF_BAD_ONLY, options, times, results);
        anyPoint = anyPoint || !results.empty();
        anyFinite = anyFinite || HasFinite(results);
        plots.bad = AddCurve(chart, times, results, {0x000080, 3, 0x000080, 5}, title);
    }
    const int reason = EmptyChartReason(series, options, anyPoint, anyFinite);
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
