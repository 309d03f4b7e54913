#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

// The curve computation written the plain way: from every measurement record
// search backwards and forwards for the nearest zero records. Quadratic, but
// obviously what is meant; the fast version must agree with it bit for bit.
int LiteralCurves(const SeriesInfo& s, unsigned flags, bool zc, int stdT, int stdP, std::vector<double>& ts,
                  std::vector<double>& rs, std::vector<double>& tt, std::vector<double>& ps) {
    ts.clear();
    rs.clear();
    tt.clear();
    ps.clear();
    const auto excluded = [&](const ArchiveRecord& r) { return (flags & CF_SKIP_BAD) && r.IsBad(); };
    const auto skip = [&](const ArchiveRecord& r) {
        return ((flags & CF_BAD_ONLY) && !r.IsBad()) || ((flags & CF_ZERO_ONLY) && !r.IsZero()) ||
               ((flags & CF_MEAS_ONLY) && r.IsZero());
    };
    const int n = s.GetCount();
    if (!zc) {
        for (int i = 0; i < n; ++i) {
            const ArchiveRecord& r = s.GetRecord(i);
            if (excluded(r) || skip(r))
                continue;
            ts.push_back(r.GetTime());
            rs.push_back(r.GetConcentration());
            tt.push_back(r.GetTemperature() / 10.0);
            ps.push_back(r.GetPressure());
        }
        return static_cast<int>(ts.size());
    }
    int first = -1;
    for (int i = 0; i < n && first < 0; ++i)
        if (s.GetRecord(i).IsZero() && !excluded(s.GetRecord(i)))
            first = i;
    if (first < 0)
        return 0;
    const double fallback = s.GetRecord(first).GetConcentration();
    bool haveT = false, haveP = false;
    double lastT = 0, lastP = 0;
    for (int i = 0; i < n; ++i) {
        const ArchiveRecord& r = s.GetRecord(i);
        if (excluded(r))
            continue;
        double T = r.GetTemperature() / 10.0, P = r.GetPressure();
        if (T > -10 && T < 50) {
            lastT = T;
            haveT = true;
        }
        if (P > 400 && P < 900) {
            lastP = P;
            haveP = true;
        }
        const double t = r.GetTime();
        double result;
        if (r.IsZero()) {
            result = 0;
        } else {
            int b = -1, f = -1;
            for (int j = i; j >= 0 && b < 0; --j)
                if (s.GetRecord(j).IsZero() && !excluded(s.GetRecord(j)))
                    b = j;
            for (int j = i; j < n && f < 0; ++j)
                if (s.GetRecord(j).IsZero() && !excluded(s.GetRecord(j)))
                    f = j;
            double baseline;
            if (b >= 0 && f >= 0) {
                const double c1 = s.GetRecord(b).GetConcentration(), t1 = s.GetRecord(b).GetTime();
                const double c2 = s.GetRecord(f).GetConcentration(), t2 = s.GetRecord(f).GetTime();
                baseline = t2 == t1 ? c1 : c1 + (c2 - c1) * (t - t1) / (t2 - t1);
            } else if (b >= 0) {
                baseline = s.GetRecord(b).GetConcentration();
            } else if (f >= 0) {
                baseline = s.GetRecord(f).GetConcentration();
            } else {
                baseline = fallback;
            }
            result = static_cast<double>(r.GetConcentration()) - baseline;
            if (stdT > 0 || stdP > 0) {
                if (flags & CF_SKIP_BAD) {
                    if (haveT)
                        T = lastT;
                    if (haveP)
                        P = lastP;
                }
                double k = 1;
                if (stdT > 0)
                    k = k * (T + 273.15) / (stdT / 10.0 + 273.15);
                if (stdP > 0 && P > 0)
                    k = k * stdP / P;
                result = result * k;
            }
        }
        if (skip(r))
            continue;
        ts.push_back(t);
        rs.push_back(result);
        tt.push_back(T);
        ps.push_back(P);
    }
    return static_cast<int>(ts.size());
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

struct Curves {
    std::vector<double> t, r, T, P;
    int n = 0;
};

Curves Get(const SeriesInfo& s, unsigned flags, bool zc, int stdT = -1, int stdP = -1) {
    Curves c;
    c.n = s.GetCurves(flags, zc, stdT, stdP, c.t, c.r, c.T, c.P);
    return c;
}

TEST(Curves, FastAgreesWithLiteralOnRandomSeries) {
    ScopedTimeZone zone("Europe/Berlin");
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> pct(0, 99);
    const unsigned flagSets[] = {0,
                                 CF_ZERO_ONLY,
                                 CF_MEAS_ONLY,
                                 CF_BAD_ONLY,
                                 CF_SKIP_BAD,
                                 CF_ZERO_ONLY | CF_SKIP_BAD,
                                 CF_MEAS_ONLY | CF_SKIP_BAD,
                                 CF_BAD_ONLY | CF_SKIP_BAD,
                                 CF_MEAS_ONLY | CF_BAD_ONLY};
    int compared = 0;
    for (int round = 0; round < 120; ++round) {
        const int n = 1 + pct(rng) * 3;
        const int zeroPct = std::vector<int>{0, 1, 5, 20, 60, 100}[round % 6];
        const int badPct = std::vector<int>{0, 10, 50}[round % 3];
        std::vector<ArchiveRecord> recs;
        // Times cross the autumn change of 2021 and repeat now and then.
        int64_t minute = 0;
        for (int i = 0; i < n; ++i) {
            uint8_t flags = 0;
            if (pct(rng) < zeroPct)
                flags |= RF_ZERO;
            if (pct(rng) < badPct)
                flags |= RF_BAD;
            if (pct(rng) >= 10)
                minute += 1 + pct(rng) % 20;
            const int64_t m = 29 * 1440 + 19 * 60 + minute; // from 2021-10-30 19:00
            struct tm t {};
            t.tm_year = 2021 - 1900;
            t.tm_mon = 9;
            t.tm_mday = 1 + static_cast<int>(m / 1440);
            t.tm_hour = static_cast<int>(m / 60 % 24);
            t.tm_min = static_cast<int>(m % 60);
            const int16_t temp = static_cast<int16_t>(pct(rng) < 10 ? 600 + pct(rng) : 150 + pct(rng));
            const uint16_t pres = static_cast<uint16_t>(pct(rng) < 10 ? pct(rng) * 3 : 700 + pct(rng));
            recs.push_back(MakeRecord(2021, t.tm_mon + 1, t.tm_mday > 31 ? 31 : t.tm_mday, t.tm_hour,
                                      t.tm_min, pct(rng) % 60, flags, 1, temp, pres, pct(rng) / 7.0f - 3));
        }
        CArchiveData a;
        a.AssignRecords(recs, true);
        const SeriesInfo& s = *a.GetSeries(0);
        for (unsigned flags : flagSets) {
            for (bool zc : {false, true}) {
                for (auto [stdT, stdP] : {std::pair{-1, -1}, {200, -1}, {-1, 760}, {215, 755}, {0, 0}}) {
                    Curves want;
                    want.n = LiteralCurves(s, flags, zc, stdT, stdP, want.t, want.r, want.T, want.P);
                    const Curves got = Get(s, flags, zc, stdT, stdP);
                    ASSERT_EQ(got.n, want.n) << "round " << round << " flags " << flags;
                    ASSERT_TRUE(SameBits(got.t, want.t) && SameBits(got.r, want.r) &&
                                SameBits(got.T, want.T) && SameBits(got.P, want.P))
                        << "round " << round << " flags " << flags << " zc " << zc << " std " << stdT << "/"
                        << stdP;
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 120 * 9 * 2 * 5);
}

class CurvesFixture : public ::testing::Test {
  protected:
    ScopedTimeZone zone{"UTC"};
    CArchiveData archive;

    const SeriesInfo& Load(const std::vector<ArchiveRecord>& recs) {
        archive.AssignRecords(recs, true);
        return *archive.GetSeries(0);
    }
};

TEST_F(CurvesFixture, BaselineIsInterpolatedBetweenZeroRecords) {
    const SeriesInfo& s = Load({MakeRecord(2011, 1, 1, 0, 0, 0, RF_ZERO, 1, 200, 760, 0.10f),
                                MakeRecord(2011, 1, 1, 0, 0, 25, 0, 1, 200, 760, 1.0f),
                                MakeRecord(2011, 1, 1, 0, 1, 40, RF_ZERO, 1, 200, 760, 0.30f)});
    const Curves c = Get(s, 0, true);
    ASSERT_EQ(c.n, 3);
    EXPECT_EQ(c.r[0], 0);
    EXPECT_NEAR(c.r[1], 1.0 - 0.15, 1e-7);
    EXPECT_EQ(c.r[2], 0);
    const Curves raw = Get(s, CF_MEAS_ONLY, false, 200, 760);
    ASSERT_EQ(raw.n, 1);
    EXPECT_EQ(raw.r[0], 1.0); // no correction without zero correction
}

TEST_F(CurvesFixture, StandardConditionsFactor) {
    const SeriesInfo& s = Load({MakeRecord(2011, 1, 1, 0, 0, 0, RF_ZERO, 1, 300, 740, 0.0f),
                                MakeRecord(2011, 1, 1, 0, 0, 10, 0, 1, 300, 740, 2.0f)});
    const Curves c = Get(s, CF_MEAS_ONLY, true, 200, 760);
    ASSERT_EQ(c.n, 1);
    EXPECT_DOUBLE_EQ(c.r[0], 2.0 * (303.15 / 293.15) * (760.0 / 740.0));
    // Zero pressure skips the pressure term.
    const SeriesInfo& z = Load({MakeRecord(2011, 1, 1, 0, 0, 0, RF_ZERO, 1, 300, 0, 0.0f),
                                MakeRecord(2011, 1, 1, 0, 0, 10, 0, 1, 300, 0, 2.0f)});
    EXPECT_DOUBLE_EQ(Get(z, CF_MEAS_ONLY, true, 200, 760).r[0], 2.0 * (303.15 / 293.15));
}

TEST_F(CurvesFixture, SkipBadSubstitutesTheLastPlausibleTemperature) {
    const std::vector<ArchiveRecord> recs = {MakeRecord(2011, 1, 1, 0, 0, 0, RF_ZERO, 1, 215, 750, 0.0f),
                                             MakeRecord(2011, 1, 1, 0, 0, 10, 0, 1, 600, 750, 1.0f)};
    const SeriesInfo& s = Load(recs);
    const Curves skip = Get(s, CF_MEAS_ONLY | CF_SKIP_BAD, true, 200, -1);
    ASSERT_EQ(skip.n, 1);
    EXPECT_EQ(skip.T[0], 21.5);
    EXPECT_DOUBLE_EQ(skip.r[0], (21.5 + 273.15) / 293.15);
    const Curves plain = Get(s, CF_MEAS_ONLY, true, 200, -1);
    EXPECT_EQ(plain.T[0], 60.0);
    EXPECT_DOUBLE_EQ(plain.r[0], (60.0 + 273.15) / 293.15);
    // No plausible temperature seen yet: the record's own one.
    const SeriesInfo& own = Load({MakeRecord(2011, 1, 1, 0, 0, 0, RF_ZERO, 1, 550, 750, 0.0f),
                                  MakeRecord(2011, 1, 1, 0, 0, 10, 0, 1, 550, 750, 1.0f)});
    EXPECT_EQ(Get(own, CF_MEAS_ONLY | CF_SKIP_BAD, true, 200, -1).T[0], 55.0);
}

TEST_F(CurvesFixture, ZeroCorrectionNeedsAZeroRecordThatPasses) {
    const SeriesInfo& s = Load({MakeRecord(2011, 1, 1, 0, 0, 0, 0, 1, 200, 750, 1.0f),
                                MakeRecord(2011, 1, 1, 0, 0, 10, RF_ZERO | RF_BAD, 1, 200, 750, 0.5f)});
    EXPECT_EQ(Get(s, CF_SKIP_BAD, true).n, 0);
    const Curves c = Get(s, CF_SKIP_BAD, true);
    EXPECT_TRUE(c.t.empty() && c.r.empty() && c.T.empty() && c.P.empty());
    // Without the filter the bad zero record is a reference.
    const Curves all = Get(s, CF_MEAS_ONLY, true);
    ASSERT_EQ(all.n, 1);
    EXPECT_EQ(all.r[0], 0.5);
}

TEST_F(CurvesFixture, EqualZeroTimesTakeTheEarlierValue) {
    const SeriesInfo& s = Load({MakeRecord(2011, 1, 1, 0, 0, 0, RF_ZERO, 1, 200, 750, 0.25f),
                                MakeRecord(2011, 1, 1, 0, 0, 0, 0, 1, 200, 750, 1.0f),
                                MakeRecord(2011, 1, 1, 0, 0, 0, RF_ZERO, 1, 200, 750, 0.75f)});
    const Curves c = Get(s, CF_MEAS_ONLY, true);
    ASSERT_EQ(c.n, 1);
    EXPECT_EQ(c.r[0], 0.75);
    EXPECT_TRUE(std::isfinite(c.r[0]));
}

} // namespace
