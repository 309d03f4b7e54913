// Interval statistics against a literal computation: each interval's points
// found by scanning all points, figures by the statistics row's own code.

#include "IntervalStats.h"
#include "ArchiveGen.h"
#include "CurvePoints.h"
#include "LocalTime.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

double LiteralMedian(const std::vector<double>& t) {
    std::vector<double> steps;
    for (size_t i = 1; i < t.size(); ++i)
        if (t[i] - t[i - 1] > 0)
            steps.push_back(t[i] - t[i - 1]);
    if (steps.empty())
        return 0;
    std::sort(steps.begin(), steps.end());
    const size_t m = steps.size();
    return m % 2 ? steps[m / 2] : (steps[m / 2 - 1] + steps[m / 2]) / 2;
}

int64_t Offset(int64_t t) {
    const LocalFields f = ToLocalFields(static_cast<double>(t));
    return DaysFromCivil(f.year, f.month, f.day) * 86400 + f.hour * 3600 + f.minute * 60 + f.second - t;
}

// Checks one row against the points with start <= t < end (or all points).
void CheckRow(const std::vector<double>& t, const std::vector<double>& y, const IntervalOptions& o,
              double median, const IntervalRow& row, bool all) {
    std::vector<double> st, sy;
    size_t above = 0;
    double aboveSeconds = 0, firstAbove = kInf, lastAbove = -kInf;
    for (size_t i = 0; i < t.size(); ++i) {
        if (!all && (t[i] < static_cast<double>(row.start) || t[i] >= static_cast<double>(row.end)))
            continue;
        st.push_back(t[i]);
        sy.push_back(y[i]);
        if (o.haveLimit && y[i] > o.limit) {
            ++above;
            const double step = i + 1 < t.size() ? t[i + 1] - t[i] : -1;
            aboveSeconds += step > 0 && step <= 2 * median ? step : median;
            firstAbove = std::min(firstAbove, t[i]);
            lastAbove = std::max(lastAbove, t[i]);
        }
    }
    const std::string where = LocalIsoTime(row.start);
    ASSERT_EQ(row.count, st.size()) << where;
    const double expected = median > 0 ? static_cast<double>(row.end - row.start) / median : 0;
    if (!all) {
        EXPECT_EQ(row.expected, expected) << where;
        EXPECT_EQ(row.coverage, expected > 0 ? static_cast<double>(st.size()) / expected : 0) << where;
        EXPECT_EQ(row.incomplete, static_cast<double>(st.size()) < o.minShare * expected) << where;
    }
    Statistics s;
    if (ComputeStatistics(st, sy, -kInf, kInf, s)) {
        EXPECT_EQ(row.mean, s.mean) << where;
        EXPECT_EQ(row.sd, s.sd) << where;
        EXPECT_EQ(row.min, s.min) << where;
        EXPECT_EQ(row.max, s.max) << where;
        EXPECT_EQ(row.minTime, st[static_cast<size_t>(std::find(sy.begin(), sy.end(), s.min) - sy.begin())]);
        EXPECT_EQ(row.maxTime, st[static_cast<size_t>(std::find(sy.begin(), sy.end(), s.max) - sy.begin())]);
    }
    EXPECT_EQ(row.above, above) << where;
    EXPECT_EQ(row.aboveSeconds, aboveSeconds) << where;
    if (above > 0) {
        EXPECT_EQ(row.firstAbove, firstAbove) << where;
        EXPECT_EQ(row.lastAbove, lastAbove) << where;
    }
}

void CheckTable(const std::vector<double>& t, const std::vector<double>& y, const IntervalOptions& o) {
    IntervalTable table;
    ASSERT_TRUE(ComputeIntervals(t, y, o, table));
    const double median = LiteralMedian(t);
    EXPECT_EQ(table.medianCycle, median);
    const auto [lo, hi] = std::minmax_element(t.begin(), t.end());
    ASSERT_FALSE(table.rows.empty());
    EXPECT_LE(static_cast<double>(table.rows.front().start), *lo);
    EXPECT_GT(static_cast<double>(table.rows.back().end), *hi);
    EXPECT_GT(static_cast<double>(table.rows.front().end), *lo);  // no leading empty row
    EXPECT_LE(static_cast<double>(table.rows.back().start), *hi); // nor trailing
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const IntervalRow& row = table.rows[r];
        if (r > 0) {
            ASSERT_EQ(row.start, table.rows[r - 1].end);
        }
        ASSERT_GT(row.end, row.start);
        const LocalFields f = ToLocalFields(static_cast<double>(row.start));
        if (o.minutes == 1440) {
            EXPECT_EQ(f.hour * 3600 + f.minute * 60 + f.second, 0) << LocalIsoTime(row.start);
        } else {
            EXPECT_LE(row.end - row.start, o.minutes * 60);
            // On the local clock grid, unless cut by a change of offset.
            const bool cut = Offset(row.start - 1) != Offset(row.start);
            if (!cut) {
                EXPECT_EQ(((f.hour * 60 + f.minute) % o.minutes) * 60 + f.second, 0)
                    << LocalIsoTime(row.start);
            }
        }
        CheckRow(t, y, o, median, row, false);
    }
    CheckRow(t, y, o, median, table.total, true);
}

// Three days around a daylight-saving change: mostly one-minute steps, some
// longer gaps (whole empty intervals), repeated and backward times, values
// on a coarse grid so the limit equals many of them.
void RandomSeries(std::mt19937& rng, int year, int month, int day, std::vector<double>& t,
                  std::vector<double>& y) {
    t.clear();
    y.clear();
    const double end = static_cast<double>(LocalTimeToEpochExact(year, month, day + 3, 0, 0, 0));
    double now = static_cast<double>(LocalTimeToEpochExact(year, month, day, 0, 17, 0));
    std::uniform_int_distribution<int> pick(0, 999), value(0, 40);
    while (now < end) {
        t.push_back(now);
        y.push_back(value(rng) * 0.25);
        const int p = pick(rng);
        now += p < 3 ? 4 * 3600 + 60 : p < 6 ? 0 : p < 8 ? -120 : p < 100 ? 120 : 60;
    }
}

TEST(IntervalStats, MatchesLiteralComputationAcrossDaylightSavingChanges) {
    ScopedTimeZone zone("Europe/Berlin");
    std::mt19937 rng(20260329);
    std::vector<double> t, y;
    for (const int month : {3, 10}) {
        RandomSeries(rng, 2026, month, month == 3 ? 28 : 24, t, y);
        for (const int minutes : {60, 1440, 45, 7}) {
            SCOPED_TRACE(std::to_string(month) + "/" + std::to_string(minutes));
            IntervalOptions o;
            o.minutes = minutes;
            o.haveLimit = true;
            o.limit = y[t.size() / 2]; // a value the series holds
            CheckTable(t, y, o);
            // The second half first: the first half's rows come before it.
            std::vector<double> st(t.begin() + static_cast<ptrdiff_t>(t.size() / 2), t.end());
            std::vector<double> sy(y.begin() + static_cast<ptrdiff_t>(y.size() / 2), y.end());
            st.insert(st.end(), t.begin(), t.begin() + static_cast<ptrdiff_t>(t.size() / 2));
            sy.insert(sy.end(), y.begin(), y.begin() + static_cast<ptrdiff_t>(y.size() / 2));
            CheckTable(st, sy, o);
            o.haveLimit = false;
            o.xmin = t[100];
            o.xmax = t[t.size() - 100];
            std::vector<double> vt, vy;
            for (size_t i = 0; i < t.size() && t[i] <= o.xmax; ++i)
                if (t[i] >= o.xmin) {
                    vt.push_back(t[i]);
                    vy.push_back(y[i]);
                }
            IntervalTable a, b;
            o.minShare = 0.5;
            ASSERT_TRUE(ComputeIntervals(t, y, o, a));
            o.xmin = -kInf;
            o.xmax = kInf;
            ASSERT_TRUE(ComputeIntervals(vt, vy, o, b));
            EXPECT_EQ(IntervalsCsv(a, o), IntervalsCsv(b, o));
        }
    }
}

TEST(IntervalStats, DaysOfTwentyThreeAndTwentyFiveHoursAndEmptyIntervals) {
    ScopedTimeZone zone("Europe/Berlin");
    // One point an hour over the two changes of 2026, and a five-hour gap.
    std::vector<double> t, y;
    for (const int month : {3, 10}) {
        t.clear();
        y.clear();
        const int day = month == 3 ? 29 : 25;
        const int64_t from = LocalTimeToEpochExact(2026, month, day - 1, 12, 30, 0);
        for (int64_t s = from; s < from + 48 * 3600; s += 3600)
            if (s < from + 20 * 3600 || s >= from + 25 * 3600) {
                t.push_back(static_cast<double>(s));
                y.push_back(1);
            }
        IntervalOptions o;
        o.minutes = 1440;
        IntervalTable days, hours;
        ASSERT_TRUE(ComputeIntervals(t, y, o, days));
        ASSERT_EQ(days.rows.size(), 3u);
        EXPECT_EQ(days.rows[1].end - days.rows[1].start, (month == 3 ? 23 : 25) * 3600);
        EXPECT_EQ(days.rows[1].expected, month == 3 ? 23 : 25);
        o.minutes = 60;
        ASSERT_TRUE(ComputeIntervals(t, y, o, hours));
        int hoursOfDay = 0, empty = 0;
        for (const IntervalRow& r : hours.rows) {
            hoursOfDay += ToLocalFields(static_cast<double>(r.start)).day == day;
            if (r.count == 0) {
                ++empty;
                EXPECT_TRUE(r.incomplete);
            }
        }
        EXPECT_EQ(hoursOfDay, month == 3 ? 23 : 25);
        EXPECT_EQ(empty, 5);
        EXPECT_EQ(hours.total.count, t.size());
    }
}

TEST(IntervalStats, SeriesWalkIsTheChartsMeasurementCurve) {
    ScopedTimeZone zone("Europe/Berlin");
    GenOptions g;
    g.series = 1;
    g.recordsPerSeries = 3000;
    g.cycleSeconds = 60;
    CArchiveData archive;
    ASSERT_GT(archive.AssignRecords(GenerateRecords(g), true), 0);
    const SeriesInfo& s = *archive.GetSeries(0);
    CurveOptions c;
    c.stdTemp = 200;
    c.stdPres = 760;
    std::vector<double> t, y, T, P;
    s.GetCurves(CF_MEAS_ONLY | CF_SKIP_BAD, true, 200, 760, t, y, T, P);
    IntervalOptions o;
    o.haveLimit = true;
    o.limit = y[7];
    o.xmin = t[50];
    o.xmax = t[2000];
    // The cycles: the measurement points and the zero-control cycles.
    std::vector<double> ct, cy;
    std::vector<bool> cz;
    s.ForEachCurvePoint(CF_SKIP_BAD, true, 200, 760,
                        [&](int, const ArchiveRecord& r, double time, double result, double, double) {
                            ct.push_back(time);
                            cy.push_back(result);
                            cz.push_back(r.IsZero());
                        });
    IntervalTable a, b, points;
    ASSERT_TRUE(ComputeIntervals(s, c, o, a));
    ASSERT_TRUE(ComputeIntervals(ct, cy, o, b, &cz));
    EXPECT_EQ(IntervalsCsv(a, o), IntervalsCsv(b, o));
    ASSERT_TRUE(ComputeIntervals(t, y, o, points));
    EXPECT_GT(a.total.cycles, points.total.count);
    EXPECT_EQ(a.total.count, points.total.count);
    EXPECT_EQ(a.total.max, points.total.max);
    Statistics st;
    ASSERT_TRUE(ComputeSeriesStatistics(s, c, o.xmin, o.xmax, st));
    EXPECT_EQ(a.total.mean, st.mean);
    EXPECT_EQ(a.total.sd, st.sd);
    o.xmin = o.xmax = 0;
    EXPECT_FALSE(ComputeIntervals(s, c, o, a));
}

} // namespace

namespace {

// Records of series 1 at the given minutes after 10:00 on 2011-06-03, zero
// cycles where zero is set, results as given.
const SeriesInfo& HourSeries(CArchiveData& archive, const std::vector<int>& minutes,
                             const std::vector<bool>& zero, const std::vector<float>& results) {
    std::vector<ArchiveRecord> records;
    for (size_t i = 0; i < minutes.size(); ++i) {
        ArchiveRecord r{};
        r.SetDateTime(2011, 6, 3, 10 + minutes[i] / 60, minutes[i] % 60, 0);
        r.SetSeriesNumber(1);
        r.SetFlags(zero[i] ? RF_ZERO : 0);
        r.SetTemperature(200);
        r.SetPressure(760);
        r.SetConcentration(results[i]);
        records.push_back(r);
    }
    EXPECT_GT(archive.AssignRecords(records, true), 0);
    return *archive.GetSeries(0);
}

TEST(IntervalStats, ZeroControlCyclesArePresentCyclesAndEndThePointBefore) {
    ScopedTimeZone zone("Europe/Berlin");
    // A complete hour of five-minute cycles, one of them the zero check at
    // 10:25 right after a point above the limit; a zero check every third
    // cycle in the next hour.
    std::vector<int> minutes;
    std::vector<bool> zero;
    std::vector<float> results;
    for (int m = 0; m < 120; m += 5) {
        minutes.push_back(m);
        zero.push_back(m == 25 || (m >= 60 && m % 15 == 10));
        results.push_back(m == 20 ? 9.0f : 1.0f);
    }
    CArchiveData archive;
    const SeriesInfo& s = HourSeries(archive, minutes, zero, results);
    CurveOptions c;
    c.zeroCorrection = false;
    IntervalOptions o;
    o.haveLimit = true;
    o.limit = 5;
    IntervalTable table;
    ASSERT_TRUE(ComputeIntervals(s, c, o, table));
    EXPECT_EQ(table.medianCycle, 300);
    ASSERT_EQ(table.rows.size(), 2u);
    for (const IntervalRow& r : table.rows) {
        EXPECT_EQ(r.cycles, 12u);
        EXPECT_EQ(r.coverage, 1.0);
        EXPECT_FALSE(r.incomplete);
    }
    EXPECT_EQ(table.rows[0].count, 11u);
    EXPECT_EQ(table.rows[1].count, 8u);
    EXPECT_EQ(table.total.above, 1u);
    EXPECT_EQ(table.total.aboveSeconds, 300);
    EXPECT_EQ(table.rows[0].aboveSeconds, 300);

    // Rows handed out one by one are the kept ones.
    std::vector<IntervalRow> streamed;
    IntervalTable summary;
    ASSERT_TRUE(ForEachInterval(s, c, o, summary, [&](const IntervalRow& r, size_t i) {
        EXPECT_EQ(i, streamed.size());
        streamed.push_back(r);
    }));
    summary.rows = streamed;
    EXPECT_EQ(IntervalsCsv(summary, o), IntervalsCsv(table, o));
    EXPECT_EQ(summary.rowCount, 2u);
}

TEST(IntervalStats, NonFiniteResultsAreCountedAndLeftOutOfEveryFigure) {
    ScopedTimeZone zone("Europe/Berlin");
    const double inf = std::numeric_limits<double>::infinity();
    const double t0 = static_cast<double>(LocalTimeToEpochExact(2011, 6, 3, 10, 0, 0));
    const std::vector<double> t = {t0, t0 + 60, t0 + 120, t0 + 180, t0 + 240, t0 + 3600};
    const std::vector<double> y = {1, std::nan(""), inf, 3, -inf, std::nan("")};
    IntervalOptions o;
    o.haveLimit = true;
    o.limit = 2;
    IntervalTable table;
    ASSERT_TRUE(ComputeIntervals(t, y, o, table));
    ASSERT_EQ(table.rows.size(), 2u);
    const IntervalRow& r = table.rows[0];
    EXPECT_EQ(r.count, 5u);
    EXPECT_EQ(r.nonFinite, 3u);
    EXPECT_EQ(r.mean, 2);
    EXPECT_EQ(r.sd, 1);
    EXPECT_EQ(r.min, 1);
    EXPECT_EQ(r.max, 3);
    EXPECT_EQ(r.above, 1u);
    EXPECT_EQ(table.rows[1].Values(), 0u);
    EXPECT_EQ(table.total.nonFinite, 4u);
    EXPECT_EQ(table.total.mean, 2);
    Statistics st;
    ASSERT_TRUE(ComputeStatistics(t, y, -kInf, kInf, st));
    EXPECT_EQ(st.mean, 2);
    EXPECT_EQ(st.sd, 1);
    EXPECT_EQ(st.nonFinite, 4u);
    EXPECT_EQ(st.count, 6u);
    std::string texts = IntervalsCsv(table, o) + IntervalsText(table, o);
    for (const std::string& cell : StatisticsCells(st))
        texts += cell + '\n';
    for (const IntervalRow& row : {table.rows[0], table.rows[1], table.total})
        for (const std::string& cell : IntervalCells(row, o, true))
            texts += cell + '\n';
    EXPECT_EQ(texts.find("nan"), std::string::npos) << texts;
    EXPECT_EQ(texts.find("inf"), std::string::npos) << texts;
    // Only non-finite results: no figures, and no text of a NaN.
    ASSERT_TRUE(ComputeStatistics({t0}, {std::nan("")}, -kInf, kInf, st));
    EXPECT_EQ(StatisticsCells(st)[2], "-");
}

TEST(IntervalStats, WithoutACycleLengthCoverageAndTimeAboveAreUnknown) {
    ScopedTimeZone zone("Europe/Berlin");
    const double t0 = static_cast<double>(LocalTimeToEpochExact(2011, 6, 3, 10, 0, 0));
    const std::vector<double> t(98, t0 + 0.5), y(98, 7);
    IntervalOptions o;
    o.haveLimit = true;
    o.limit = 5;
    IntervalTable table;
    ASSERT_TRUE(ComputeIntervals(t, y, o, table));
    EXPECT_EQ(table.medianCycle, 0);
    ASSERT_EQ(table.rows.size(), 1u);
    for (const IntervalRow& r : {table.rows[0], table.total}) {
        EXPECT_FALSE(r.cycleKnown);
        EXPECT_FALSE(r.incomplete);
        EXPECT_EQ(r.above, 98u);
        const std::vector<std::string> cells = IntervalCells(r, o, false);
        EXPECT_EQ(cells[7], "-");
        EXPECT_EQ(cells[10], "-");
    }
    const std::string csv = IntervalsCsv(table, o);
    const std::string row = csv.substr(csv.find("\n1,") + 1);
    // expected, coverage and above_seconds empty.
    EXPECT_NE(row.find(",98,,,0,7,0,7,"), std::string::npos) << csv;
    // (The offset is left out: the Windows runtime knows no zone names.)
    EXPECT_NE(row.find(",98,,2011-06-03T10:00:00+"), std::string::npos) << csv;
    EXPECT_NE(IntervalsText(table, o).find("median cycle not known"), std::string::npos);
}

TEST(IntervalStats, TooManyIntervalsAreRefusedBeforeAnyRow) {
    // Three points over a century: 52 million minutes.
    ScopedTimeZone zone("Europe/Berlin");
    const std::vector<double> t = {946684800, 2500000000, 4102441199}, y = {1, 2, 3};
    IntervalOptions o;
    o.minutes = 1;
    IntervalTable table;
    EXPECT_FALSE(ComputeIntervals(t, y, o, table));
    EXPECT_EQ(table.error, "too many intervals (more than 2000000)");
    o.minutes = 60;
    o.maxIntervals = 10000;
    EXPECT_FALSE(ComputeIntervals(t, y, o, table));
    EXPECT_EQ(table.error, "too many intervals (more than 10000)");
    o.maxIntervals = kMaxIntervals;
    ASSERT_TRUE(
        ComputeIntervals(std::vector<double>{t[0], t[0] + 9 * 86400}, std::vector<double>{1, 2}, o, table));
    EXPECT_EQ(table.rows.size(), table.rowCount);
    EXPECT_EQ(table.rowCount, 9u * 24 + 1);
}

} // namespace
