#include "LocalTime.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

namespace {

time_t MkTime(int y, int mo, int d, int h, int mi, int s) {
    struct tm t {};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    t.tm_isdst = -1;
    return mktime(&t);
}

// mktime's answer, made independent of its previous call: primed in turn with
// a winter and a summer date and with the same time a day before and a day
// after (the offsets on both sides of any transition, also where the
// daylight-saving flag stays the same), the latest of the instants it gives.
int64_t Reference(int y, int mo, int d, int h, int mi, int s) {
    const int primes[][3] = {{1, 15, 12}, {7, 15, 12}, {mo, d - 1, h}, {mo, d + 1, h}};
    int64_t best = INT64_MIN;
    for (const auto& p : primes) {
        MkTime(y, p[0], p[1], p[2], mi, s);
        const int64_t t = MkTime(y, mo, d, h, mi, s);
        best = t > best ? t : best;
    }
    return best;
}

struct Zone {
    const char* tz;
    int year;
};

class LocalTimeZones : public ::testing::TestWithParam<Zone> {};

// Every minute of the year through both converters; the cached one is used
// in time order, as records come, and also out of order.
TEST_P(LocalTimeZones, MatchesMktimeEveryMinuteOfAYear) {
    ScopedTimeZone zone(GetParam().tz);
    const int year = GetParam().year;
    LocalTimeConverter ordered;
    int checked = 0, differing = 0;
    for (int mo = 1; mo <= 12; ++mo) {
        for (int d = 1; d <= 31; ++d) {
            for (int h = 0; h < 24; ++h) {
                for (int mi = 0; mi < 60; mi += (h >= 0 && h <= 3) ? 1 : 17) {
                    const int s = (mi * 7) % 60;
                    const int64_t want = Reference(year, mo, d, h, mi, s);
                    const int64_t exact = LocalTimeToEpochExact(year, mo, d, h, mi, s);
                    const int64_t fast = ordered.ToEpoch(year, mo, d, h, mi, s);
                    if (exact != want || fast != want) {
                        ++differing;
                        ADD_FAILURE() << year << "-" << mo << "-" << d << " " << h << ":" << mi << ":" << s
                                      << " mktime " << want << " exact " << exact << " cached " << fast;
                        if (differing > 5)
                            return;
                    }
                    ++checked;
                }
            }
        }
    }
    EXPECT_GT(checked, 100000);
}

INSTANTIATE_TEST_SUITE_P(
    Zones, LocalTimeZones,
    ::testing::Values(Zone{"Europe/Berlin", 2021}, Zone{"America/New_York", 2022},
                      Zone{"Australia/Lord_Howe", 2021}, Zone{"Australia/Lord_Howe", 2022},
                      // offsets changed with the daylight-saving flag unchanged
                      Zone{"Europe/Moscow", 2011}, Zone{"Europe/Moscow", 2014}, Zone{"Asia/Kathmandu", 1986}),
    [](const auto& info) {
        std::string n = std::string(info.param.tz) + "_" + std::to_string(info.param.year);
        for (char& c : n)
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return n;
    });

TEST(LocalTime, RepeatedHourTakesStandardTimeWhateverCameBefore) {
    ScopedTimeZone zone("Europe/Berlin");
    // 2021-10-31 02:30 happens twice; 01:30 UTC (CET) is the later reading.
    LocalTimeConverter c;
    MkTime(2021, 7, 1, 12, 0, 0);
    EXPECT_EQ(LocalTimeToEpochExact(2021, 10, 31, 2, 30, 0), 1635643800);
    EXPECT_EQ(c.ToEpoch(2021, 10, 31, 2, 30, 0), 1635643800);
    MkTime(2021, 1, 1, 12, 0, 0);
    EXPECT_EQ(LocalTimeToEpochExact(2021, 10, 31, 2, 30, 0), 1635643800);
    // Lord Howe sets its clocks back half an hour: 01:45 twice, +10:30 later.
    SetTimeZone("Australia/Lord_Howe");
    LocalTimeConverter lh;
    EXPECT_EQ(lh.ToEpoch(2021, 4, 4, 1, 45, 0), 1617462900);
}

// Where the offset changes but the daylight-saving flag does not, mktime
// answers a skipped or repeated time by the state of its last call; the
// conversion must not, whatever was converted before.
TEST(LocalTime, TransitionsWithoutAFlagChangeIgnoreEarlierCalls) {
    struct Case {
        const char* tz;
        int y, mo, d, h, mi;
        int64_t want;
    };
    const Case cases[] = {
        {"Europe/Moscow", 2011, 3, 27, 2, 20, 1301181600},  // skipped (+3 -> +4): read with +3, shows 03:20
        {"Europe/Moscow", 2014, 10, 26, 1, 20, 1414275600}, // repeated (+4 -> +3): the later instant
        {"Asia/Kathmandu", 1986, 1, 1, 0, 10, 504902400},   // skipped quarter hour (+5:30 -> +5:45)
    };
    for (const Case& c : cases) {
        ScopedTimeZone zone(c.tz);
        const int before[][5] = {
            {c.y, 1, 15, 12, 0}, {c.y, 7, 15, 12, 0}, {c.y, c.mo, c.d, 0, 0}, {c.y, c.mo, c.d, 5, 0}};
        for (const auto& b : before) {
            MkTime(b[0], b[1], b[2], b[3], b[4], 0);
            LocalTimeToEpochExact(b[0], b[1], b[2], b[3], b[4], 0);
            EXPECT_EQ(LocalTimeToEpochExact(c.y, c.mo, c.d, c.h, c.mi, 0), c.want)
                << c.tz << " after " << b[1];
            LocalTimeConverter converter;
            converter.ToEpoch(b[0], b[1], b[2], b[3], b[4], 0);
            EXPECT_EQ(converter.ToEpoch(c.y, c.mo, c.d, c.h, c.mi, 0), c.want) << c.tz << " after " << b[1];
        }
    }
}

TEST(LocalTime, SkippedHourAndCarriedDays) {
    ScopedTimeZone zone("Europe/Berlin");
    LocalTimeConverter c;
    // 02:30 does not exist on 2021-03-28: read with the offset before the change.
    EXPECT_EQ(c.ToEpoch(2021, 3, 28, 2, 30, 0), 1616895000);
    // 31 February is 3 March, as mktime carries it.
    EXPECT_EQ(c.ToEpoch(2021, 2, 31, 12, 0, 0), MkTime(2021, 3, 3, 12, 0, 0));
    EXPECT_EQ(LocalTimeToEpochExact(2009, 1, 0, 0, 0, 0), MkTime(2008, 12, 31, 0, 0, 0));
}

TEST(LocalTime, FollowsAChangeOfZoneBetweenConverters) {
    ScopedTimeZone zone("UTC");
    LocalTimeConverter utc;
    EXPECT_EQ(utc.ToEpoch(2011, 6, 3, 9, 5, 30), 1307091930);
    SetTimeZone("America/New_York");
    LocalTimeConverter ny;
    EXPECT_EQ(ny.ToEpoch(2011, 6, 3, 9, 5, 30), 1307091930 + 4 * 3600);
    const LocalFields f = ToLocalFields(1307091930.0 + 4 * 3600);
    EXPECT_EQ(f.year * 10000 + f.month * 100 + f.day, 20110603);
    EXPECT_EQ(f.hour * 10000 + f.minute * 100 + f.second, 90530);
}

TEST(LocalTime, EpochToLocalMatchesLocaltimeAcrossTransitions) {
    for (const char* tz : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe"}) {
        ScopedTimeZone zone(tz);
        EpochToLocalConverter c;
        for (int64_t t = 1609459200; t < 1609459200 + 366LL * 86400; t += 613) {
            const time_t tt = static_cast<time_t>(t);
            struct tm want {};
            localtime_r(&tt, &want);
            const LocalFields f = c.ToLocal(t);
            ASSERT_EQ(f.year, want.tm_year + 1900) << tz << " " << t;
            ASSERT_EQ(f.month, want.tm_mon + 1) << tz << " " << t;
            ASSERT_EQ(f.day, want.tm_mday) << tz << " " << t;
            ASSERT_EQ(f.hour * 3600 + f.minute * 60 + f.second,
                      want.tm_hour * 3600 + want.tm_min * 60 + want.tm_sec)
                << tz << " " << t;
        }
    }
}

} // namespace
