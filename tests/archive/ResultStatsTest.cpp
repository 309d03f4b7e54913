// Valid averages, rolling means, daily figures, limits and percentiles
// against a literal computation: every hour, window and day found by
// scanning, validity by integer counts, percentiles by a full sort.

#include "ResultStats.h"
#include "LocalTime.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <map>
#include <random>

namespace {

struct Cycles {
    std::vector<double> t, y;
    std::vector<bool> zero;
};

// Four days round a daylight-saving change in one-minute cycles: hours with
// random cycles missing (some wholly), two hours with exactly 45 and 44 of
// 60 cycles, zero-control cycles, a few results that are not finite, and an
// hourly level so that means fall on both sides of a limit of 20.
Cycles RandomCycles(std::mt19937& rng, int month, int day) {
    Cycles c;
    std::tm tm{};
    tm.tm_year = 2021 - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_isdst = -1;
    const int64_t t0 = static_cast<int64_t>(std::mktime(&tm));
    std::uniform_real_distribution<double> level(5, 40), spread(0.5, 1.5), u(0, 1);
    for (int h = 0; h < 96; ++h) {
        const double hl = level(rng);
        // Minutes left out of this hour.
        std::vector<bool> drop(60, false);
        const double r = u(rng);
        const int forced = h == 30 ? 15 : h == 31 ? 16 : -1;
        // The first and last hours keep their cycles: the series spans 96 hours.
        const int n = forced >= 0         ? forced
                      : h == 0 || h == 95 ? 0
                      : r < 0.05          ? 60
                      : r < 0.35          ? static_cast<int>(u(rng) * 40)
                                          : 0;
        for (int k = 0; k < n; ++k)
            drop[static_cast<size_t>(k * 60 / std::max(n, 1))] = true;
        for (int m = 0; m < 60; ++m) {
            if (drop[static_cast<size_t>(m)])
                continue;
            c.t.push_back(static_cast<double>(t0 + h * 3600 + m * 60));
            const bool zero = u(rng) < 0.1;
            c.zero.push_back(zero);
            c.y.push_back(zero ? 0 : u(rng) < 0.01 ? NAN : hl * spread(rng));
        }
    }
    return c;
}

struct Hour {
    int64_t start = 0;
    size_t cycles = 0, finite = 0;
    double sum = 0;
    bool valid = false;
    double mean = 0;
};

struct LiteralWindow {
    size_t valid = 0;
    double mean = 0;
    bool ok = false;
};

// Hours from the first cycle's to the last one's: in this zone local hours
// are the hours of UTC.
std::vector<Hour> LiteralHours(const Cycles& c, int percent) {
    const int64_t first = static_cast<int64_t>(c.t.front()) / 3600,
                  last = static_cast<int64_t>(c.t.back()) / 3600;
    std::vector<Hour> hours(static_cast<size_t>(last - first + 1));
    for (size_t i = 0; i < hours.size(); ++i)
        hours[i].start = (first + static_cast<int64_t>(i)) * 3600;
    for (size_t i = 0; i < c.t.size(); ++i) {
        Hour& h = hours[static_cast<size_t>(static_cast<int64_t>(c.t[i]) / 3600 - first)];
        ++h.cycles;
        if (!c.zero[i] && std::isfinite(c.y[i])) {
            ++h.finite;
            h.sum += c.y[i];
        }
    }
    for (Hour& h : hours) {
        h.valid = h.finite > 0 && h.cycles * 100 >= static_cast<size_t>(percent) * 60;
        h.mean = h.finite > 0 ? h.sum / static_cast<double>(h.finite) : 0;
    }
    return hours;
}

LiteralWindow Window(const std::vector<Hour>& hours, long long a, long long n, int percent) {
    LiteralWindow w;
    double sum = 0;
    for (long long k = a; k < a + n; ++k) {
        if (k < 0 || k >= static_cast<long long>(hours.size()) || !hours[static_cast<size_t>(k)].valid)
            continue;
        ++w.valid;
        sum += hours[static_cast<size_t>(k)].mean;
    }
    w.ok = w.valid > 0 && static_cast<long long>(w.valid) * 100 >= percent * n;
    w.mean = w.valid > 0 ? sum / static_cast<double>(w.valid) : 0;
    return w;
}

int DateKey(int64_t t) {
    const LocalFields f = ToLocalFields(static_cast<double>(t));
    return f.year * 10000 + f.month * 100 + f.day;
}

double Type7(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const double h = static_cast<double>(v.size() - 1) * p;
    const size_t k = static_cast<size_t>(std::floor(h));
    const double hi = k + 1 < v.size() ? v[k + 1] : v[k];
    return v[k] + (h - static_cast<double>(k)) * (hi - v[k]);
}

void ExpectClose(double a, double b, const std::string& what) {
    EXPECT_NEAR(a, b, 1e-9 * std::max(1.0, std::fabs(b))) << what;
}

struct LiteralDay {
    int64_t start = 0;
    size_t hours = 0, valid = 0, validEight = 0, above = 0;
    double sum = 0, maxEight = -kInf;
};

// Each day of the hours: its hour count by scanning a wide span of hours for
// the same date, its valid hours and its end-aligned 8-hour means.
std::map<int, LiteralDay> LiteralDays(const std::vector<Hour>& hours, int percent, double limit) {
    std::map<int, LiteralDay> days;
    for (size_t i = 0; i < hours.size(); ++i) {
        LiteralDay& d = days[DateKey(hours[i].start)];
        if (d.hours == 0) {
            for (int64_t h = hours[i].start - 30 * 3600; h < hours[i].start + 30 * 3600; h += 3600)
                if (DateKey(h) == DateKey(hours[i].start)) {
                    d.start = d.hours == 0 ? h : d.start;
                    ++d.hours;
                }
        }
        if (hours[i].valid) {
            ++d.valid;
            d.sum += hours[i].mean;
            d.above += hours[i].mean > limit ? 1 : 0;
        }
        const LiteralWindow w = Window(hours, static_cast<long long>(i) - 7, 8, percent);
        if (w.ok) {
            ++d.validEight;
            d.maxEight = std::max(d.maxEight, w.mean);
        }
    }
    return days;
}

// The summary's limit counts for one averaging time, literally.
void CheckLimitCounts(const Cycles& c, const std::vector<Hour>& hours, const std::map<int, LiteralDay>& days,
                      int percent, Averaging averaging) {
    SummaryOptions o;
    o.threshold = percent / 100.0;
    o.limit.active = true;
    o.limit.value = 20;
    o.limit.averaging = averaging;
    SummaryStats s;
    ASSERT_TRUE(ComputeSummary(c.t, c.y, &c.zero, o, s));
    size_t compared = 0, above = 0;
    const auto count = [&](bool ok, double v) {
        compared += ok ? 1 : 0;
        above += ok && v > 20 ? 1 : 0;
    };
    size_t validHours = 0;
    double sum = 0;
    for (const Hour& h : hours) {
        validHours += h.valid ? 1 : 0;
        sum += h.valid ? h.mean : 0;
    }
    switch (averaging) {
    case Averaging::Point:
        for (size_t i = 0; i < c.t.size(); ++i)
            if (!c.zero[i] && std::isfinite(c.y[i]))
                count(true, c.y[i]);
        break;
    case Averaging::Hour:
        for (const Hour& h : hours)
            count(h.valid, h.mean);
        break;
    case Averaging::EightHour:
        for (const auto& [key, d] : days)
            count(d.validEight > 0 && static_cast<int>(d.validEight) * 100 >= percent * 24, d.maxEight);
        break;
    case Averaging::Day:
        for (const auto& [key, d] : days)
            count(d.valid > 0 && d.valid * 100 >= static_cast<size_t>(percent) * d.hours,
                  d.sum / static_cast<double>(d.valid));
        break;
    case Averaging::Year: // all in 2021, 8760 hours
        count(validHours > 0 && validHours * 100 >= static_cast<size_t>(percent) * 8760,
              sum / static_cast<double>(validHours));
        break;
    case Averaging::Period:
        count(validHours > 0 && validHours * 100 >= static_cast<size_t>(percent) * hours.size(),
              sum / static_cast<double>(validHours));
        break;
    }
    EXPECT_EQ(s.averagesCompared, compared) << static_cast<int>(averaging) << " at " << percent;
    EXPECT_EQ(s.averagesAbove, above) << static_cast<int>(averaging) << " at " << percent;
}

void CheckSummary(const Cycles& c, int percent) {
    const std::vector<Hour> hours = LiteralHours(c, percent);
    const std::map<int, LiteralDay> days = LiteralDays(hours, percent, 20);
    SummaryOptions o;
    o.threshold = percent / 100.0;
    o.limit = FreeLimit(20);
    SummaryStats s;
    ASSERT_TRUE(ComputeSummary(c.t, c.y, &c.zero, o, s));
    const std::string at = std::to_string(percent) + "%";
    ASSERT_EQ(s.hours, hours.size()) << at;
    ASSERT_EQ(s.dayFigures.size(), days.size()) << at;
    size_t validHours = 0, cycles = 0;
    TimedFigure maxHourly, maxEight;
    for (size_t i = 0; i < hours.size(); ++i) {
        cycles += hours[i].cycles;
        if (hours[i].valid) {
            ++validHours;
            if (!maxHourly.known || hours[i].mean > maxHourly.value)
                maxHourly = {hours[i].mean, static_cast<double>(hours[i].start), true};
        }
        const LiteralWindow w = Window(hours, static_cast<long long>(i) - 7, 8, percent);
        if (w.ok && (!maxEight.known || w.mean > maxEight.value))
            maxEight = {w.mean, static_cast<double>(hours[i].start + 3600), true};
    }
    EXPECT_EQ(s.validHours, validHours) << at;
    EXPECT_EQ(s.cycles, cycles) << at;
    EXPECT_EQ(s.meanValid, cycles * 100 >= static_cast<size_t>(percent) * 60 * hours.size()) << at;
    ASSERT_EQ(s.maxHourly.known, maxHourly.known);
    ExpectClose(s.maxHourly.value, maxHourly.value, "max hourly " + at);
    EXPECT_EQ(s.maxHourly.time, maxHourly.time) << at;
    ASSERT_EQ(s.maxEightHour.known, maxEight.known);
    ExpectClose(s.maxEightHour.value, maxEight.value, "max 8 h " + at);
    EXPECT_EQ(s.maxEightHour.time, maxEight.time) << at;
    size_t k = 0;
    for (const auto& [key, d] : days) {
        const DayFigures& f = s.dayFigures[k++];
        const std::string day = std::to_string(key) + " " + at;
        EXPECT_EQ(f.start, d.start) << day;
        EXPECT_EQ(f.hours, d.hours) << day;
        EXPECT_EQ(f.validHours, d.valid) << day;
        EXPECT_EQ(f.valid, d.valid > 0 && d.valid * 100 >= static_cast<size_t>(percent) * d.hours) << day;
        if (f.valid)
            ExpectClose(f.mean, d.sum / static_cast<double>(d.valid), "day mean " + day);
        EXPECT_EQ(f.validEightHour, d.validEight) << day;
        EXPECT_EQ(f.maxEightHourValid,
                  d.validEight > 0 && static_cast<int>(d.validEight) * 100 >= percent * 24)
            << day;
        if (d.validEight > 0)
            ExpectClose(f.maxEightHour, d.maxEight, "MDA8 " + day);
        EXPECT_EQ(f.hoursAbove, d.above) << day;
    }
    for (Averaging a : {Averaging::Point, Averaging::Hour, Averaging::EightHour, Averaging::Day,
                        Averaging::Year, Averaging::Period})
        CheckLimitCounts(c, hours, days, percent, a);
}

TEST(ResultStats, SummaryMatchesLiteralComputationOnDaysOf23And25Hours) {
    ScopedTimeZone zone("Europe/Berlin");
    std::mt19937 rng(21);
    for (const auto& [month, day] : {std::pair{3, 26}, std::pair{10, 29}}) {
        const Cycles c = RandomCycles(rng, month, day);
        std::vector<size_t> lengths;
        for (int percent : {0, 75, 100})
            CheckSummary(c, percent);
        SummaryStats s;
        ASSERT_TRUE(ComputeSummary(c.t, c.y, &c.zero, SummaryOptions{}, s));
        for (const DayFigures& d : s.dayFigures)
            lengths.push_back(d.hours);
        EXPECT_NE(std::find(lengths.begin(), lengths.end(), month == 3 ? 23u : 25u), lengths.end());
    }
}

TEST(ResultStats, CaptureExactlyAtTheThresholdIsValid) {
    ScopedTimeZone zone("Europe/Berlin");
    std::mt19937 rng(7);
    const Cycles c = RandomCycles(rng, 3, 26);
    IntervalOptions o;
    IntervalTable table;
    ASSERT_TRUE(ComputeIntervals(c.t, c.y, o, table, &c.zero));
    // Hours 30 and 31 of the series: 45 and 44 of 60 cycles.
    ASSERT_EQ(table.rows[30].cycles, 45u);
    ASSERT_EQ(table.rows[31].cycles, 44u);
    EXPECT_TRUE(IsValidAverage(table.rows[30], 0.75));
    EXPECT_FALSE(table.rows[30].incomplete);
    EXPECT_FALSE(IsValidAverage(table.rows[31], 0.75));
    EXPECT_TRUE(table.rows[31].incomplete);
    // A threshold whose product with the expected count rounds up in binary
    // (28 % of a 25-hour day: 0.28 * 25 = 7.000000000000001) still takes 7.
    EXPECT_TRUE(CaptureReaches(7, 25, 28 / 100.0));
    EXPECT_FALSE(CaptureReaches(6, 25, 28 / 100.0));
}

TEST(ResultStats, RollingMeansMatchANaiveWindowSumInEveryAlignment) {
    ScopedTimeZone zone("Europe/Berlin");
    std::mt19937 rng(3);
    const Cycles c = RandomCycles(rng, 10, 29);
    for (int percent : {0, 75, 100}) {
        const std::vector<Hour> hours = LiteralHours(c, percent);
        for (int n : {1, 5, 8, 24}) {
            for (WindowAlign align : {WindowAlign::End, WindowAlign::Left, WindowAlign::Centre}) {
                RollingOptions o;
                o.hours = n;
                o.align = align;
                o.threshold = percent / 100.0;
                std::vector<RollingMean> out;
                std::string error;
                ASSERT_TRUE(ComputeRollingMeans(c.t, c.y, &c.zero, o, -kInf, kInf, out, error));
                ASSERT_EQ(out.size(), hours.size());
                const long long before = align == WindowAlign::End    ? n - 1
                                         : align == WindowAlign::Left ? 0
                                                                      : (n - 1) / 2;
                for (size_t i = 0; i < out.size(); ++i) {
                    const long long a = static_cast<long long>(i) - before;
                    const LiteralWindow w = Window(hours, a, n, percent);
                    const std::string where = std::to_string(n) + " h, align " +
                                              std::to_string(static_cast<int>(align)) + ", row " +
                                              std::to_string(i);
                    EXPECT_EQ(out[i].hourStart, hours[i].start) << where;
                    EXPECT_EQ(out[i].windowStart, hours.front().start + a * 3600) << where;
                    EXPECT_EQ(out[i].windowEnd, hours.front().start + (a + n) * 3600) << where;
                    EXPECT_EQ(out[i].validHours, w.valid) << where;
                    ASSERT_EQ(out[i].valid, w.ok) << where;
                    if (w.ok)
                        ExpectClose(out[i].mean, w.mean, where);
                }
            }
        }
    }
}

TEST(ResultStats, OneWalkGivesTheRowsOfTheTwoPasses) {
    ScopedTimeZone zone("Europe/Berlin");
    std::mt19937 rng(17);
    for (int variant = 0; variant < 4; ++variant) {
        Cycles c = RandomCycles(rng, 10, 29);
        // Zero cycles before the first point and after the last, some steps
        // back within the rows (as a clock set back gives), and one before
        // the first row.
        c.t.insert(c.t.begin(), {c.t.front() - 7200, c.t.front() - 30});
        c.y.insert(c.y.begin(), {0, 0});
        c.zero.insert(c.zero.begin(), {true, true});
        c.t.push_back(c.t.back() + 9000);
        c.y.push_back(0);
        c.zero.push_back(true);
        for (size_t i = 500; i + 200 < c.t.size() && variant > 0; i += 1500)
            c.t[i] -= 3600 * variant;
        if (variant == 3)
            c.t[200] = c.t[0] - 4000;
        IntervalOptions o;
        o.minShare = 0.6;
        o.xmin = variant == 2 ? c.t[100] : -kInf;
        o.xmax = variant == 2 ? c.t[c.t.size() - 100] : kInf;
        IntervalTable two, one;
        std::vector<double> values;
        ASSERT_TRUE(ComputeIntervals(c.t, c.y, o, two, &c.zero));
        ASSERT_TRUE(ComputeIntervalsOnce(c.t, c.y, &c.zero, o, one, &values));
        ASSERT_EQ(one.rows.size(), two.rows.size()) << variant;
        EXPECT_EQ(one.medianCycle, two.medianCycle);
        EXPECT_EQ(one.incompleteRows, two.incompleteRows);
        for (size_t r = 0; r < one.rows.size(); ++r) {
            const IntervalRow &a = one.rows[r], &b = two.rows[r];
            EXPECT_EQ(a.start, b.start) << variant << " row " << r;
            EXPECT_EQ(a.end, b.end) << variant << " row " << r;
            EXPECT_EQ(a.cycles, b.cycles) << variant << " row " << r;
            EXPECT_EQ(a.count, b.count) << variant << " row " << r;
            EXPECT_EQ(a.mean, b.mean) << variant << " row " << r;
            EXPECT_EQ(a.max, b.max) << variant << " row " << r;
            EXPECT_EQ(a.coverage, b.coverage) << variant << " row " << r;
        }
        EXPECT_EQ(one.total.cycles, two.total.cycles);
        EXPECT_EQ(one.total.count, two.total.count);
        EXPECT_EQ(one.total.max, two.total.max);
        EXPECT_EQ(one.total.coverage, two.total.coverage);
        ExpectClose(one.total.mean, two.total.mean, "total mean");
        EXPECT_EQ(values.size(), two.total.Values());
        // The means-only walk gives the one walk's rows and total exactly.
        IntervalTable means;
        std::vector<double> meanValues;
        ASSERT_TRUE(ComputeIntervalMeans(c.t, c.y, &c.zero, o, means, &meanValues));
        ASSERT_EQ(means.rows.size(), one.rows.size()) << variant;
        for (size_t r = 0; r < one.rows.size(); ++r) {
            const IntervalRow &a = means.rows[r], &b = one.rows[r];
            EXPECT_TRUE(a.start == b.start && a.end == b.end && a.cycles == b.cycles && a.count == b.count &&
                        a.nonFinite == b.nonFinite && a.mean == b.mean && a.sd == b.sd &&
                        a.coverage == b.coverage && a.incomplete == b.incomplete)
                << variant << " row " << r;
        }
        EXPECT_TRUE(means.total.mean == one.total.mean && means.total.sd == one.total.sd &&
                    means.total.max == one.total.max && means.total.maxTime == one.total.maxTime &&
                    means.total.expected == one.total.expected && means.medianCycle == one.medianCycle)
            << variant;
        EXPECT_EQ(meanValues, values) << variant;
    }
}

TEST(ResultStats, PercentilesMatchAFullSort) {
    std::mt19937 rng(5);
    const double ps[] = {0, 0.5, 0.95, 0.98, 0.99, 1};
    for (size_t n : {size_t{0}, size_t{1}, size_t{2}, size_t{3}, size_t{10}, size_t{1001}, size_t{4096},
                     size_t{200003}}) {
        std::vector<double> v(n);
        std::uniform_int_distribution<int> pick(0, 50); // with repeats
        for (double& x : v)
            x = pick(rng) * 0.37;
        if (n > 100000) // spread and in order, as a rising series gives them
            for (size_t i = 0; i < n; ++i)
                v[i] = static_cast<double>(i) * 0.01 + (i % 7 == 0 ? v[i] : 0);
        std::vector<double> work = v;
        double out[6];
        Percentiles(work, ps, 6, out);
        for (size_t i = 0; i < 6; ++i) {
            if (n == 0)
                EXPECT_TRUE(std::isnan(out[i]));
            else
                EXPECT_EQ(out[i], Type7(v, ps[i])) << n << " values, p " << ps[i];
        }
    }
}

TEST(ResultStats, PresetsConvertToTheSeriesUnitOrCompareNothing) {
    ScopedTimeZone zone("Europe/Berlin");
    std::mt19937 rng(11);
    // Results up to 120 ug/m3 against the 100 ug/m3 ceiling.
    Cycles ug = RandomCycles(rng, 3, 26);
    for (double& y : ug.y)
        y *= 2;
    Cycles ng = ug;
    for (double& y : ng.y)
        y *= 1000;
    const LimitPreset* pel = FindLimitPreset("osha-pel");
    ASSERT_NE(pel, nullptr);
    EXPECT_EQ(FindLimitPreset("pel"), nullptr);
    SummaryOptions o;
    SummaryStats inUg, inNg, unknown, benzene;
    o.limit = PresetLimit(*pel, 3); // ug/m3
    ASSERT_TRUE(ComputeSummary(ug.t, ug.y, &ug.zero, o, inUg));
    o.limit = PresetLimit(*pel, 2); // ng/m3
    EXPECT_EQ(o.limit.value, 100000);
    ASSERT_TRUE(ComputeSummary(ng.t, ng.y, &ng.zero, o, inNg));
    EXPECT_GT(inUg.averagesAbove, 0u);
    EXPECT_LT(inUg.averagesAbove, inUg.averagesCompared);
    EXPECT_EQ(inNg.averagesCompared, inUg.averagesCompared);
    EXPECT_EQ(inNg.averagesAbove, inUg.averagesAbove);
    o.limit = PresetLimit(*pel, 0); // no header: no unit
    ASSERT_TRUE(ComputeSummary(ug.t, ug.y, &ug.zero, o, unknown));
    EXPECT_FALSE(unknown.limit.active);
    EXPECT_FALSE(unknown.limit.problem.empty());
    EXPECT_EQ(unknown.averagesCompared, 0u);
    for (const DayFigures& d : unknown.dayFigures)
        EXPECT_EQ(d.hoursAbove, 0u);
    o.limit = PresetLimit(*pel, 4); // benzene
    ASSERT_TRUE(ComputeSummary(ug.t, ug.y, &ug.zero, o, benzene));
    EXPECT_FALSE(benzene.limit.active);
    EXPECT_NE(benzene.limit.problemOffset, unknown.limit.problemOffset);
}

} // namespace
