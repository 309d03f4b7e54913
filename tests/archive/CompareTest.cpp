// The comparison's computations against literal ones: the time shift, the
// median cycle and the difference curve.

#include "CompareSeries.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

// The difference written the plain way: for each point of a, in time order
// (equal times in record order), search all of b for the nearest point at
// or before and at or after it.
CompareCurve LiteralDifference(const CompareCurve& a, const CompareCurve& b) {
    std::vector<double> steps;
    const auto median = [&](std::vector<double> t) {
        std::sort(t.begin(), t.end());
        steps.clear();
        for (size_t i = 1; i < t.size(); ++i)
            if (t[i] != t[i - 1])
                steps.push_back(t[i] - t[i - 1]);
        std::sort(steps.begin(), steps.end());
        return steps.empty() ? 0.0 : steps[(steps.size() - 1) / 2];
    };
    const double c = std::max(median(a.times), median(b.times));
    std::vector<size_t> order(a.times.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) { return a.times[x] < a.times[y]; });
    CompareCurve out;
    for (const size_t i : order) {
        const double t = a.times[i];
        int l = -1, r = -1; // l: latest time <= t, the last such in record order; r: earliest >= t, the first
        for (size_t j = 0; j < b.times.size(); ++j) {
            if (b.times[j] <= t && (l < 0 || b.times[j] >= b.times[l]))
                l = static_cast<int>(j);
            if (b.times[j] >= t && (r < 0 || b.times[j] < b.times[r]))
                r = static_cast<int>(j);
        }
        if (l < 0 || r < 0 || t - b.times[l] > c || b.times[r] - t > c)
            continue;
        if (!std::isfinite(a.values[i]) || !std::isfinite(b.values[l]) || !std::isfinite(b.values[r]))
            continue;
        const double bv =
            b.times[r] == b.times[l]
                ? b.values[l]
                : b.values[l] + (b.values[r] - b.values[l]) * (t - b.times[l]) / (b.times[r] - b.times[l]);
        out.times.push_back(t);
        out.values.push_back(a.values[i] - bv);
    }
    return out;
}

// Cycles of about a minute with some jitter, gaps of several cycles, times
// that repeat or go back (a clock set back), and a few values that are not finite.
CompareCurve RandomCurve(std::mt19937& rng, double start, int n) {
    std::uniform_real_distribution<double> jitter(-5, 5), value(-10, 10);
    std::uniform_int_distribution<int> event(0, 40);
    CompareCurve c;
    double t = start;
    for (int i = 0; i < n; ++i) {
        const int e = event(rng);
        t += e == 0 ? 600 : e == 1 ? 0 : e == 2 ? -300 : std::round(60 + jitter(rng));
        c.times.push_back(t);
        c.values.push_back(e == 3 ? std::numeric_limits<double>::quiet_NaN()
                                  : std::round(value(rng) * 8) / 8);
    }
    return c;
}

TEST(Compare, DifferenceAgreesWithLiteralComputation) {
    std::mt19937 rng(23);
    for (int round = 0; round < 40; ++round) {
        const CompareCurve a = RandomCurve(rng, 1e9, 300);
        const CompareCurve b = RandomCurve(rng, 1e9 + 30 * (round % 7) - 90, 250);
        const CompareCurve got = DifferenceCurve(a, b), want = LiteralDifference(a, b);
        ASSERT_EQ(got.times, want.times) << "round " << round;
        ASSERT_EQ(got.values, want.values) << "round " << round;
        ASSERT_FALSE(want.times.empty());
    }
}

// "Within one median cycle" is inclusive; a point one second further is out,
// and so is a point of a beyond either end of b.
TEST(Compare, DifferenceOnlyWithinOneMedianCycle) {
    const CompareCurve b{{0, 60, 120, 180, 240, 420}, {0, 6, 12, 18, 24, 42}};
    const CompareCurve a{{-1, 0, 30, 240, 300, 301, 359, 420, 421}, {1, 1, 1, 1, 1, 1, 1, 1, 1}};
    const CompareCurve d = DifferenceCurve(a, b);
    EXPECT_EQ(MedianCycle(b.times), 60);
    // 300: 60 after 240 and 120 before 420: out. 359: 61 before 420: out.
    EXPECT_EQ(d.times, (std::vector<double>{0, 30, 240, 420}));
    EXPECT_EQ(d.values, (std::vector<double>{1, -2, -23, -41}));
}

TEST(Compare, MedianCycleOfIntervalsInTimeOrder) {
    EXPECT_EQ(MedianCycle({}), 0);
    EXPECT_EQ(MedianCycle({5, 5, 5}), 0);
    // Intervals 10, 20, 30, 40 (the repeat left out): the lower middle one.
    EXPECT_EQ(MedianCycle({100, 0, 10, 60, 30, 30}), 20);
    EXPECT_EQ(MedianCycle({0, 10, 30, 60}), 20);
}

TEST(Compare, ShiftTexts) {
    TimeShift s;
    ASSERT_TRUE(ParseTimeShift("start", s));
    EXPECT_EQ(s.kind, TimeShift::Kind::AlignStart);
    ASSERT_TRUE(ParseTimeShift("-168h", s));
    EXPECT_EQ(s.kind, TimeShift::Kind::Seconds);
    EXPECT_EQ(s.seconds, -168 * 3600.0);
    ASSERT_TRUE(ParseTimeShift("+1.5d", s));
    EXPECT_EQ(s.seconds, 1.5 * 86400);
    EXPECT_EQ(TimeShiftText(s), "+36h");
    s.seconds = -(168 * 3600.0 + 7);
    EXPECT_EQ(TimeShiftText(s), "-168:00:07");
    s.seconds = 7 * 86400;
    EXPECT_EQ(TimeShiftText(s), "+7d");
    ASSERT_TRUE(ParseTimeShift("0", s));
    EXPECT_EQ(s.kind, TimeShift::Kind::None);
    for (const char* bad :
         {"", "h", "7", "7w", "1e3h", "0x10h", "infh", "--1h", "1.2.3d", "+h", "40000d", " 1h"})
        EXPECT_FALSE(ParseTimeShift(bad, s)) << bad;
}

// Two weeks of one archive, the second aligned with the first by its start
// and another moved back by a week: the curves as the literal shift of the
// measurement points, the zero-control points left out.
TEST(Compare, AlignByStartAndShiftAgainstLiteral) {
    SetTimeZone("UTC");
    std::vector<ArchiveRecord> recs;
    for (int day = 0; day < 2; ++day)
        for (int i = 0; i < 30; ++i)
            recs.push_back(MakeRecord(2024, 3, 4 + 7 * day, 10, i, 7 * day, i % 10 == 0 ? RF_ZERO : 0,
                                      static_cast<uint8_t>(day + 1), 200, 750, static_cast<float>(i + day)));
    CArchiveData archive;
    ASSERT_EQ(archive.AssignRecords(recs, true), 60);
    ASSERT_EQ(archive.GetSeriesCount(), 2);
    CurveOptions options;
    options.zeroCorrection = false;
    std::vector<ComparePick> picks(3);
    picks[0].series = 0;
    picks[1].series = 1;
    ASSERT_TRUE(ParseTimeShift("start", picks[1].shift));
    picks[2].series = 1;
    ASSERT_TRUE(ParseTimeShift("-7d", picks[2].shift));
    const int diff[2] = {1, 0};
    CompareSet set;
    std::string error;
    ASSERT_TRUE(BuildCompareSet({{"w.mnr", &archive}}, picks, options, diff, set, error)) << error;
    const double week1 = recs[1].GetTime(), week2 = recs[31].GetTime();
    EXPECT_EQ(set.shifts, (std::vector<double>{0, week1 - week2, -7 * 86400.0}));
    EXPECT_EQ(set.names[1], "w.mnr #2 -168:00:07");
    EXPECT_EQ(set.names[2], "w.mnr #2 -7d");
    ASSERT_EQ(set.curves[1].times.size(), 27u);
    for (size_t k = 0; k < 27; ++k) {
        const int i = 31 + static_cast<int>(k + k / 9); // the measurement records of week 2
        EXPECT_EQ(set.curves[1].times[k], recs[i].GetTime() + week1 - week2) << k;
        EXPECT_EQ(set.curves[2].times[k], recs[i].GetTime() - 7 * 86400.0) << k;
        EXPECT_EQ(set.curves[1].values[k], recs[i].GetConcentration()) << k;
    }
    // Aligned, week 2 lies on week 1's minutes, one more at each; where
    // week 1 has a zero-control cycle its neighbours are interpolated.
    ASSERT_EQ(set.difference.times, set.curves[1].times);
    for (double v : set.difference.values)
        EXPECT_EQ(v, 1);

    picks[2].series = 2;
    EXPECT_FALSE(BuildCompareSet({{"w.mnr", &archive}}, picks, options, nullptr, set, error));
    EXPECT_EQ(error, "w.mnr has no series 3 (it has 2)");
}

} // namespace
