#include "ComparePlots.h"

#include "LCSetDesc.h"
#include "SeriesPlots.h"

#include <algorithm>

namespace {

// The widest legend name the chart makes room for, in characters.
constexpr int kLegendChars = 30;

LCPosition AddCurve(CLCCore& chart, const CompareCurve& curve, const CompareLook& look,
                    const std::string& title) {
    if (curve.times.empty())
        return nullptr;
    LCSetDesc desc(static_cast<int>(curve.times.size()), curve.times.data(), curve.values.data());
    if (!desc.m_pDataSet)
        return nullptr;
    desc.SetPlotType(0);
    desc.SetColor(look.color);
    desc.SetMarkerShape(look.shape);
    desc.SetFillColor(look.color);
    desc.SetMarkerSize(3);
    desc.SetFormats("%f", "%.2f");
    desc.SetTitle(title);
    return AddSetTo(chart, desc, true);
}

} // namespace

CompareLook CompareCurveLook(int i) {
    // Green as the main window's curve, then red, blue and orange; the
    // difference in purple. 0x00BBGGRR.
    static const CompareLook looks[kMaxCompareSeries + 1] = {
        {0x208000, 3}, {0x0000C0, 1}, {0xC00000, 2}, {0x0080E0, 4}, {0x800080, 5}};
    return looks[std::clamp(i, 0, kMaxCompareSeries)];
}

void RemoveComparePlots(CLCCore& chart, ComparePlots& plots) {
    for (LCPosition pos : plots.curves)
        if (pos)
            chart.Model().RemovePlot(pos);
    if (plots.difference)
        chart.Model().RemovePlot(plots.difference);
    plots = {};
}

void ShowComparePlots(CLCCore& chart, const CompareSet& set, ComparePlots& plots) {
    RemoveComparePlots(chart, plots);
    // The legend lists the plots in the order they were added: the series in
    // their order, then the difference, which is drawn over them.
    plots.curves.assign(set.curves.size(), nullptr);
    for (size_t i = 0; i < set.curves.size(); ++i)
        plots.curves[i] = AddCurve(chart, set.curves[i], CompareCurveLook(static_cast<int>(i)), set.names[i]);
    if (set.hasDifference)
        plots.difference =
            AddCurve(chart, set.difference, CompareCurveLook(kMaxCompareSeries), set.differenceName);
}

void ConfigureCompareChart(CLCCore& chart, const std::string& xTitle, const std::string& yTitle) {
    ConfigureMainChart(&chart, xTitle, yTitle);
    chart.Painter().SetLegendNameChars(kLegendChars);
    chart.Painter().ShowLegend(true);
}

std::vector<Statistics> CompareStatistics(const CompareSet& set, double xmin, double xmax) {
    std::vector<Statistics> rows;
    const auto add = [&](const CompareCurve& c) {
        Statistics s;
        if (!ComputeStatistics(c.times, c.values, xmin, xmax, s))
            s = {};
        rows.push_back(s);
    };
    for (const CompareCurve& c : set.curves)
        add(c);
    if (set.hasDifference)
        add(set.difference);
    return rows;
}
