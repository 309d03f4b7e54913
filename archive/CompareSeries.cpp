#include "CompareSeries.h"

#include "NumText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace {

constexpr double kHour = 3600, kDay = 86400;
constexpr double kMaxShift = 100 * 366 * kDay;

// The positions of times in time order, equal times in record order.
std::vector<size_t> TimeOrder(const std::vector<double>& times) {
    std::vector<size_t> order(times.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return times[a] < times[b]; });
    return order;
}

} // namespace

bool ParseTimeShift(const std::string& text, TimeShift& shift) {
    shift = {};
    if (text == "start") {
        shift.kind = TimeShift::Kind::AlignStart;
        return true;
    }
    if (text == "0")
        return true;
    if (text.size() < 2)
        return false;
    const char unit = text.back();
    if (unit != 'h' && unit != 'd')
        return false;
    const std::string number = text.substr(0, text.size() - 1);
    // Sign, digits and at most one point: no exponent, hexadecimal, inf or nan.
    size_t digits = 0, points = 0;
    for (size_t i = 0; i < number.size(); ++i) {
        const char c = number[i];
        if (c >= '0' && c <= '9')
            ++digits;
        else if (c == '.')
            ++points;
        else if (!(i == 0 && (c == '+' || c == '-')))
            return false;
    }
    if (digits == 0 || points > 1)
        return false;
    const double seconds = ParseDouble(number.c_str()) * (unit == 'h' ? kHour : kDay);
    if (!(std::fabs(seconds) <= kMaxShift))
        return false;
    if (seconds != 0) {
        shift.kind = TimeShift::Kind::Seconds;
        shift.seconds = seconds;
    }
    return true;
}

std::string TimeShiftText(const TimeShift& shift) {
    if (shift.kind == TimeShift::Kind::AlignStart)
        return "start";
    if (shift.kind == TimeShift::Kind::None || shift.seconds == 0)
        return "";
    const double s = std::round(shift.seconds);
    if (s == 0)
        return "";
    char text[64];
    if (std::fmod(s, kDay) == 0)
        std::snprintf(text, sizeof text, "%+.0fd", s / kDay);
    else if (std::fmod(s, kHour) == 0)
        std::snprintf(text, sizeof text, "%+.0fh", s / kHour);
    else {
        const double a = std::fabs(s);
        std::snprintf(text, sizeof text, "%c%.0f:%02d:%02d", s < 0 ? '-' : '+', std::floor(a / kHour),
                      static_cast<int>(std::fmod(a, kHour) / 60), static_cast<int>(std::fmod(a, 60)));
    }
    return text;
}

double ShiftSeconds(const TimeShift& shift, double start, double referenceStart) {
    switch (shift.kind) {
    case TimeShift::Kind::AlignStart:
        return referenceStart - start;
    case TimeShift::Kind::Seconds:
        return shift.seconds;
    case TimeShift::Kind::None:
        break;
    }
    return 0;
}

CompareCurve MeasurementCurve(const SeriesInfo& series, const CurveOptions& options) {
    CompareCurve curve;
    std::vector<double> temps, pres;
    series.GetCurves(CF_MEAS_ONLY | (options.filter ? CF_SKIP_BAD : 0), options.zeroCorrection,
                     options.stdTemp, options.stdPres, curve.times, curve.values, temps, pres);
    return curve;
}

double MedianCycle(const std::vector<double>& times) {
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    std::vector<double> steps;
    steps.reserve(sorted.size());
    for (size_t i = 1; i < sorted.size(); ++i)
        if (sorted[i] > sorted[i - 1])
            steps.push_back(sorted[i] - sorted[i - 1]);
    if (steps.empty())
        return 0;
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>((steps.size() - 1) / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
}

CompareCurve DifferenceCurve(const CompareCurve& a, const CompareCurve& b) {
    CompareCurve out;
    const double cycle = std::max(MedianCycle(a.times), MedianCycle(b.times));
    const std::vector<size_t> ao = TimeOrder(a.times), bo = TimeOrder(b.times);
    // lastAt[k]: the last point in time order with the time of point k.
    std::vector<size_t> lastAt(bo.size());
    for (size_t k = bo.size(); k-- > 0;)
        lastAt[k] = k + 1 < bo.size() && b.times[bo[k + 1]] == b.times[bo[k]] ? lastAt[k + 1] : k;
    // right: the first point of b (in time order) at or after t; the times
    // of a rise, so it only moves forward.
    size_t right = 0;
    for (const size_t i : ao) {
        const double t = a.times[i];
        while (right < bo.size() && b.times[bo[right]] < t)
            ++right;
        if (right == bo.size())
            break;
        // left: the last point at or before t.
        size_t left = lastAt[right];
        if (b.times[bo[right]] > t) {
            if (right == 0)
                continue;
            left = right - 1;
        }
        const double lt = b.times[bo[left]], rt = b.times[bo[right]];
        const double lv = b.values[bo[left]], rv = b.values[bo[right]];
        if (t - lt > cycle || rt - t > cycle)
            continue;
        if (!std::isfinite(a.values[i]) || !std::isfinite(lv) || !std::isfinite(rv))
            continue;
        const double bv = rt == lt ? lv : lv + (rv - lv) * (t - lt) / (rt - lt);
        out.times.push_back(t);
        out.values.push_back(a.values[i] - bv);
    }
    return out;
}

double EarliestTime(const CompareCurve& curve) {
    return curve.times.empty() ? 0 : *std::min_element(curve.times.begin(), curve.times.end());
}

std::string CompareName(const std::string& source, int series, double shiftSeconds) {
    std::string name = source + " #" + std::to_string(series + 1);
    TimeShift shift;
    shift.kind = TimeShift::Kind::Seconds;
    shift.seconds = shiftSeconds;
    const std::string text = TimeShiftText(shift);
    return text.empty() ? name : name + " " + text;
}

bool BuildCompareSet(const std::vector<CompareSource>& sources, const std::vector<ComparePick>& picks,
                     const CurveOptions& options, const int* difference, CompareSet& out,
                     std::string& error) {
    out = {};
    if (picks.empty() || picks.size() > static_cast<size_t>(kMaxCompareSeries)) {
        error = "a comparison takes 1 to " + std::to_string(kMaxCompareSeries) + " series";
        return false;
    }
    for (const ComparePick& p : picks) {
        if (p.source < 0 || p.source >= static_cast<int>(sources.size()) || !sources[p.source].archive) {
            error = "no such file";
            return false;
        }
        const CArchiveData& archive = *sources[p.source].archive;
        if (p.series < 0 || p.series >= archive.GetSeriesCount()) {
            error = sources[p.source].name + " has no series " + std::to_string(p.series + 1) + " (it has " +
                    std::to_string(archive.GetSeriesCount()) + ")";
            return false;
        }
    }
    if (difference &&
        (difference[0] < 0 || difference[1] < 0 || difference[0] >= static_cast<int>(picks.size()) ||
         difference[1] >= static_cast<int>(picks.size()) || difference[0] == difference[1])) {
        error = "the difference takes two different series of the comparison";
        return false;
    }
    double reference = 0;
    for (size_t i = 0; i < picks.size(); ++i) {
        const ComparePick& p = picks[i];
        CompareCurve curve = MeasurementCurve(*sources[p.source].archive->GetSeries(p.series), options);
        const double start = EarliestTime(curve);
        if (i == 0)
            reference = start;
        const double shift = curve.times.empty() ? 0 : ShiftSeconds(p.shift, start, reference);
        for (double& t : curve.times)
            t += shift;
        out.names.push_back(CompareName(sources[p.source].name, p.series, shift));
        out.shifts.push_back(shift);
        out.curves.push_back(std::move(curve));
    }
    if (difference) {
        out.hasDifference = true;
        out.difference = DifferenceCurve(out.curves[difference[0]], out.curves[difference[1]]);
        out.differenceName = "[" + out.names[difference[0]] + "] - [" + out.names[difference[1]] + "]";
    }
    return true;
}
