#include "ResultStats.h"

#include "LocalTime.h"

#include <algorithm>
#include <cmath>
#include <utility>

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

namespace {

// The least of [first, last) (+inf when empty), in a form the compiler can
// vectorise.
double Least(const double* first, const double* last) {
    double m = std::numeric_limits<double>::infinity();
    for (; first != last; ++first)
        m = *first < m ? *first : m;
    return m;
}

// Type 7 percentiles by selection in values, whose element before is
// known to be at most all of them (when from > 0, as it narrows): k-th and
// (k + 1)-th smallest, offset the rank of values[0] in the whole set of n.
struct RankSelect {
    double* data;
    size_t size;
    size_t offset; // rank of data[0] among all values
    size_t n;      // all values
    size_t from = 0;
    double At(double p) {
        const double h = static_cast<double>(n - 1) * std::clamp(p, 0.0, 1.0);
        const size_t k = std::min(static_cast<size_t>(std::floor(h)), n - 1);
        const size_t r = k - offset;
        std::nth_element(data + std::min(from, r), data + r, data + size);
        const double lo = data[r];
        const double hi = k + 1 < n ? Least(data + r + 1, data + size) : lo;
        from = r;
        return lo + (h - static_cast<double>(k)) * (hi - lo);
    }
};

// The ranks a percentile needs: floor(h) and the one after.
void PercentileRanks(size_t n, double p, size_t& k, size_t& last) {
    const double h = static_cast<double>(n - 1) * std::clamp(p, 0.0, 1.0);
    k = std::min(static_cast<size_t>(std::floor(h)), n - 1);
    last = std::min(k + 1, n - 1);
}

// Percentiles of many values from the few near their ranks: a sorted sample
// of spread-out values bounds a window around each pair of ranks, one pass
// counts the values below each window and copies those inside it, and the
// selection runs on the copies. False (out unset) when a window misses its
// ranks or a value is NaN: the selection on all values is needed then.
bool WindowedPercentiles(const std::vector<double>& values, const double* ps, size_t count, double* out) {
    const size_t n = values.size();
    const size_t m = std::min<size_t>(4096, n / 16);
    if (count == 0 || count > 8 || m < 64)
        return false;
    std::vector<double> sample(m);
    const size_t stride = n / m;
    for (size_t j = 0; j < m; ++j)
        sample[j] = values[j * stride + stride / 2];
    std::sort(sample.begin(), sample.end());
    if (std::isnan(sample.front()) || std::isnan(sample.back()))
        return false;
    // Windows [lo, hi] about 5 standard deviations of a sampled rank wide
    // each side of the ranks' places in the sample, merged where they meet.
    const double inf = std::numeric_limits<double>::infinity();
    const double sm = static_cast<double>(m);
    std::pair<double, double> wanted[8];
    for (size_t i = 0; i < count; ++i) {
        size_t k, last;
        PercentileRanks(n, ps[i], k, last);
        const double q = static_cast<double>(k) / static_cast<double>(n);
        const double d = 5 * std::sqrt(sm * q * (1 - q)) + 4;
        const double a = std::floor(q * sm - d);
        const double b = std::ceil(static_cast<double>(last + 1) / static_cast<double>(n) * sm + d);
        wanted[i] = {a < 0 ? -inf : sample[static_cast<size_t>(a)],
                     b >= sm ? inf : sample[static_cast<size_t>(b)]};
    }
    std::sort(wanted, wanted + count);
    double lo[8], hi[8];
    size_t windows = 0;
    for (size_t i = 0; i < count; ++i) {
        if (windows > 0 && wanted[i].first <= hi[windows - 1]) {
            hi[windows - 1] = std::max(hi[windows - 1], wanted[i].second);
        } else {
            lo[windows] = wanted[i].first;
            hi[windows] = wanted[i].second;
            ++windows;
        }
    }
    size_t below[8] = {}, nan = 0;
    std::vector<double> inside[8];
    for (const double v : values) {
        size_t c = 0; // windows starting at or below v
        for (size_t j = 0; j < windows; ++j)
            c += v >= lo[j] ? 1 : 0;
        nan += std::isnan(v) ? 1 : 0;
        if (c > 0 && v <= hi[c - 1])
            inside[c - 1].push_back(v);
        for (size_t j = c; j < windows; ++j)
            ++below[j];
    }
    if (nan > 0)
        return false;
    // Check every pair of ranks lies in its window before selecting.
    size_t window[8];
    for (size_t i = 0; i < count; ++i) {
        size_t k, last;
        PercentileRanks(n, ps[i], k, last);
        size_t j = 0;
        while (j < windows && !(k >= below[j] && last < below[j] + inside[j].size()))
            ++j;
        if (j == windows)
            return false;
        window[i] = j;
    }
    for (size_t i = 0; i < count;) {
        const size_t j = window[i];
        RankSelect select{inside[j].data(), inside[j].size(), below[j], n};
        for (; i < count && window[i] == j; ++i)
            out[i] = select.At(ps[i]);
    }
    return true;
}

} // namespace

void Percentiles(std::vector<double>& values, const double* ps, size_t count, double* out) {
    const size_t n = values.size();
    if (n == 0) {
        for (size_t i = 0; i < count; ++i)
            out[i] = NAN;
        return;
    }
    if (WindowedPercentiles(values, ps, count, out))
        return;
    // values before from are at most those after: selections go right
    RankSelect select{values.data(), n, 0, n};
    for (size_t i = 0; i < count; ++i)
        out[i] = select.At(ps[i]);
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
