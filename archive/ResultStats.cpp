#include "ResultStats.h"

#include "LocalTime.h"

#include <algorithm>
#include <cmath>

namespace {

// Valid hourly means as prefix sums, for window sums in O(1).
struct HourSums {
    std::vector<size_t> valid; // valid[i]: valid hours among rows [0, i)
    std::vector<long double> sum;

    HourSums(const std::vector<IntervalRow>& hours, double threshold)
        : valid(hours.size() + 1, 0), sum(hours.size() + 1, 0) {
        for (size_t i = 0; i < hours.size(); ++i) {
            const bool ok = IsValidAverage(hours[i], threshold);
            valid[i + 1] = valid[i] + (ok ? 1 : 0);
            sum[i + 1] = sum[i] + (ok ? hours[i].mean : 0);
        }
    }
};

// Rows [a, a + n) of the hourly table, clipped to it.
void WindowSums(const HourSums& s, long long a, long long n, size_t& valid, double& mean) {
    const long long rows = static_cast<long long>(s.valid.size()) - 1;
    const size_t from = static_cast<size_t>(std::clamp(a, 0LL, rows));
    const size_t to = static_cast<size_t>(std::clamp(a + n, 0LL, rows));
    valid = s.valid[to] - s.valid[from];
    mean = valid > 0 ? static_cast<double>((s.sum[to] - s.sum[from]) / static_cast<long double>(valid)) : 0;
}

IntervalOptions HourlyOptions(double threshold, double xmin, double xmax) {
    IntervalOptions o;
    o.minutes = 60;
    o.minShare = threshold;
    o.xmin = xmin;
    o.xmax = xmax;
    return o;
}

void Consider(TimedFigure& f, double value, double time) {
    if (!f.known || value > f.value) {
        f.value = value;
        f.time = time;
        f.known = true;
    }
}

// The calendar years of the hourly rows: their valid means against the limit.
void CompareYears(const std::vector<IntervalRow>& hours, double threshold, SummaryStats& s) {
    size_t i = 0;
    EpochToLocalConverter local;
    LocalTimeConverter toEpoch;
    while (i < hours.size()) {
        const int year = local.ToLocal(hours[i].start).year;
        const int64_t from = toEpoch.ToEpoch(year, 1, 1, 0, 0, 0);
        const int64_t to = toEpoch.ToEpoch(year + 1, 1, 1, 0, 0, 0);
        size_t valid = 0;
        double sum = 0;
        for (; i < hours.size() && hours[i].start < to; ++i) {
            if (IsValidAverage(hours[i], threshold)) {
                ++valid;
                sum += hours[i].mean;
            }
        }
        const double yearHours = static_cast<double>((to - from + 3599) / 3600);
        if (valid == 0 || !CaptureReaches(static_cast<double>(valid), yearHours, threshold))
            continue;
        ++s.averagesCompared;
        s.averagesAbove += sum / static_cast<double>(valid) > s.limit.value ? 1 : 0;
    }
}

void CompareLimit(const std::vector<double>& finite, const std::vector<IntervalRow>& hours, double threshold,
                  SummaryStats& s) {
    const LimitCheck& l = s.limit;
    const auto count = [&](bool valid, double value) {
        if (!valid)
            return;
        ++s.averagesCompared;
        s.averagesAbove += value > l.value ? 1 : 0;
    };
    switch (l.averaging) {
    case Averaging::Point:
        for (double y : finite)
            count(true, y);
        break;
    case Averaging::Hour:
        for (const IntervalRow& r : hours)
            count(IsValidAverage(r, threshold), r.mean);
        break;
    case Averaging::EightHour:
        for (const DayFigures& d : s.dayFigures)
            count(d.maxEightHourValid, d.maxEightHour);
        break;
    case Averaging::Day:
        for (const DayFigures& d : s.dayFigures)
            count(d.valid, d.mean);
        break;
    case Averaging::Year:
        CompareYears(hours, threshold, s);
        break;
    case Averaging::Period:
        count(s.periodValid, s.periodMean);
        break;
    }
}

// Figures built on the hourly rows: rolling 8-hour means, days, the period.
void HourlyFigures(const std::vector<IntervalRow>& hours, const SummaryOptions& o, SummaryStats& s) {
    RollingOptions eight;
    eight.threshold = o.threshold;
    std::vector<RollingMean> rolling;
    RollingMeans(hours, eight, rolling);
    DailyFigures(hours, rolling, o.threshold, o.limit.active ? &o.limit : nullptr, s.dayFigures);
    double sum = 0;
    s.hours = hours.size();
    for (const IntervalRow& r : hours) {
        if (!IsValidAverage(r, o.threshold))
            continue;
        ++s.validHours;
        sum += r.mean;
        Consider(s.maxHourly, r.mean, static_cast<double>(r.start));
    }
    for (const RollingMean& r : rolling)
        if (r.valid)
            Consider(s.maxEightHour, r.mean, static_cast<double>(r.windowEnd));
    s.days = s.dayFigures.size();
    for (const DayFigures& d : s.dayFigures) {
        if (!d.valid)
            continue;
        ++s.validDays;
        Consider(s.maxDaily, d.mean, static_cast<double>(d.start));
    }
    s.periodCapture = s.hours > 0 ? static_cast<double>(s.validHours) / static_cast<double>(s.hours) : 0;
    s.periodValid = s.validHours > 0 && CaptureReaches(static_cast<double>(s.validHours),
                                                       static_cast<double>(s.hours), o.threshold);
    s.periodMean = s.periodValid ? sum / static_cast<double>(s.validHours) : 0;
}

} // namespace

bool IsValidAverage(const IntervalRow& row, double threshold) {
    return row.Values() > 0 &&
           (!row.cycleKnown || CaptureReaches(static_cast<double>(row.cycles), row.expected, threshold));
}

void RollingMeans(const std::vector<IntervalRow>& hours, const RollingOptions& options,
                  std::vector<RollingMean>& out) {
    out.clear();
    const long long n = std::clamp(options.hours, 1, kMaxRollingHours);
    const long long rows = static_cast<long long>(hours.size());
    if (rows == 0)
        return;
    out.reserve(hours.size());
    const HourSums sums(hours, options.threshold);
    const long long before = options.align == WindowAlign::End    ? n - 1
                             : options.align == WindowAlign::Left ? 0
                                                                  : (n - 1) / 2;
    for (long long i = 0; i < rows; ++i) {
        const IntervalRow& h = hours[static_cast<size_t>(i)];
        RollingMean r;
        r.hourStart = h.start;
        r.hourEnd = h.end;
        const long long a = i - before;
        const long long b = a + n - 1; // last row of the window
        r.windowStart = a >= 0 ? hours[static_cast<size_t>(a)].start : hours.front().start + a * 3600;
        r.windowEnd = b < rows ? hours[static_cast<size_t>(b)].end : hours.back().end + (b - rows + 1) * 3600;
        r.hours = static_cast<size_t>(n);
        double mean = 0;
        WindowSums(sums, a, n, r.validHours, mean);
        r.capture = static_cast<double>(r.validHours) / static_cast<double>(n);
        r.valid = r.validHours > 0 && CaptureReaches(static_cast<double>(r.validHours),
                                                     static_cast<double>(n), options.threshold);
        r.mean = r.valid ? mean : 0;
        out.push_back(r);
    }
}

void DailyFigures(const std::vector<IntervalRow>& hours, const std::vector<RollingMean>& eightHour,
                  double threshold, const LimitCheck* limit, std::vector<DayFigures>& out) {
    out.clear();
    const double needEight = std::ceil(threshold * 24 - 1e-9);
    double sum = 0;
    const auto finish = [&](DayFigures& d) {
        d.hours = static_cast<size_t>((d.end - d.start + 3599) / 3600);
        d.capture = static_cast<double>(d.validHours) / static_cast<double>(d.hours);
        d.valid = d.validHours > 0 &&
                  CaptureReaches(static_cast<double>(d.validHours), static_cast<double>(d.hours), threshold);
        d.mean = d.valid ? sum / static_cast<double>(d.validHours) : 0;
        d.maxEightHourValid = d.haveMaxEightHour && static_cast<double>(d.validEightHour) >= needEight;
    };
    for (size_t i = 0; i < hours.size(); ++i) {
        const IntervalRow& h = hours[i];
        if (out.empty() || h.start >= out.back().end) {
            if (!out.empty())
                finish(out.back());
            DayFigures d;
            IntervalAt(h.start, 1440, d.start, d.end);
            out.push_back(d);
            sum = 0;
        }
        DayFigures& d = out.back();
        if (IsValidAverage(h, threshold)) {
            ++d.validHours;
            sum += h.mean;
            if (!d.haveMaxHourly || h.mean > d.maxHourly) {
                d.maxHourly = h.mean;
                d.maxHourlyTime = h.start;
                d.haveMaxHourly = true;
            }
            if (limit && limit->active && h.mean > limit->value)
                ++d.hoursAbove;
        }
        if (i < eightHour.size() && eightHour[i].valid) {
            const RollingMean& r = eightHour[i];
            ++d.validEightHour;
            if (!d.haveMaxEightHour || r.mean > d.maxEightHour) {
                d.maxEightHour = r.mean;
                d.maxEightHourEnd = r.windowEnd;
                d.haveMaxEightHour = true;
            }
        }
    }
    if (!out.empty())
        finish(out.back());
}

void Percentiles(std::vector<double>& values, const double* ps, size_t count, double* out) {
    const size_t n = values.size();
    size_t from = 0; // values before from are at most those after: selections go right
    for (size_t i = 0; i < count; ++i) {
        if (n == 0) {
            out[i] = NAN;
            continue;
        }
        const double h = static_cast<double>(n - 1) * std::clamp(ps[i], 0.0, 1.0);
        const size_t k = std::min(static_cast<size_t>(std::floor(h)), n - 1);
        const auto first = values.begin() + static_cast<ptrdiff_t>(std::min(from, k));
        std::nth_element(first, values.begin() + static_cast<ptrdiff_t>(k), values.end());
        const double lo = values[k];
        double hi = lo;
        if (k + 1 < n)
            hi = *std::min_element(values.begin() + static_cast<ptrdiff_t>(k + 1), values.end());
        out[i] = lo + (h - static_cast<double>(k)) * (hi - lo);
        from = k;
    }
}

namespace {

// The summary from the hourly table and the finite results.
void Summarise(const IntervalTable& table, std::vector<double>& finite, const SummaryOptions& options,
               SummaryStats& s) {
    const IntervalRow& total = table.total;
    s.count = total.count;
    s.nonFinite = total.nonFinite;
    s.cycles = total.cycles;
    s.expected = total.expected;
    s.capture = total.coverage;
    s.captureKnown = total.cycleKnown;
    s.medianCycle = table.medianCycle;
    s.meanValid = IsValidAverage(total, options.threshold);
    s.mean = s.meanValid ? total.mean : 0;
    s.sd = s.meanValid ? total.sd : 0;
    if (total.Values() > 0)
        s.max = TimedFigure{total.max, total.maxTime, true};
    HourlyFigures(table.rows, options, s);
    if (s.limit.active)
        CompareLimit(finite, table.rows, options.threshold, s);
    const double ps[] = {0.5, 0.95, 0.98, 0.99};
    double q[4];
    Percentiles(finite, ps, 4, q);
    s.median = q[0];
    s.p95 = q[1];
    s.p98 = q[2];
    s.p99 = q[3];
}

} // namespace

bool ComputeSummary(const std::vector<double>& times, const std::vector<double>& results,
                    const std::vector<bool>* zero, const SummaryOptions& options, SummaryStats& s) {
    s = SummaryStats{};
    s.limit = options.limit;
    IntervalTable table;
    std::vector<double> finite;
    if (!ComputeIntervalMeans(times, results, zero,
                              HourlyOptions(options.threshold, options.xmin, options.xmax), table, &finite)) {
        s.error = table.error;
        return false;
    }
    Summarise(table, finite, options, s);
    return true;
}

bool ComputeSummary(const SeriesInfo& series, const CurveOptions& curve, const SummaryOptions& options,
                    SummaryStats& s) {
    s = SummaryStats{};
    s.limit = options.limit;
    IntervalTable table;
    std::vector<double> finite;
    finite.reserve(static_cast<size_t>(std::max(series.GetCount(), 0)));
    if (!ComputeIntervalMeans(series, curve, HourlyOptions(options.threshold, options.xmin, options.xmax),
                              table, &finite)) {
        s.error = table.error;
        return false;
    }
    Summarise(table, finite, options, s);
    return true;
}

bool ComputeRollingMeans(const std::vector<double>& times, const std::vector<double>& results,
                         const std::vector<bool>* zero, const RollingOptions& options, double xmin,
                         double xmax, std::vector<RollingMean>& out, std::string& error) {
    out.clear();
    IntervalTable table;
    if (!ComputeIntervalMeans(times, results, zero, HourlyOptions(options.threshold, xmin, xmax), table)) {
        error = table.error;
        return false;
    }
    RollingMeans(table.rows, options, out);
    return true;
}

bool ComputeRollingMeans(const SeriesInfo& series, const CurveOptions& curve, const RollingOptions& options,
                         double xmin, double xmax, std::vector<RollingMean>& out, std::string& error) {
    out.clear();
    IntervalTable table;
    if (!ComputeIntervalMeans(series, curve, HourlyOptions(options.threshold, xmin, xmax), table)) {
        error = table.error;
        return false;
    }
    RollingMeans(table.rows, options, out);
    return true;
}
