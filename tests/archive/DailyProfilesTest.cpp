#include "DailyProfiles.h"
#include "TestUtil.h"
#include "TimeBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

namespace {

// Day of the week, 0 Monday, by Sakamoto's rule.
int LiteralWeekday(int y, int m, int d) {
    static const int k[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3)
        --y;
    const int sunday0 = (y + y / 4 - y / 100 + y / 400 + k[m - 1] + d) % 7;
    return (sunday0 + 6) % 7;
}

struct Stats {
    std::vector<double> v;
    double Mean() const {
        double s = 0;
        for (double x : v)
            s += x;
        return s / static_cast<double>(v.size());
    }
    double Sd() const {
        const double m = Mean();
        double s = 0;
        for (double x : v)
            s += (x - m) * (x - m);
        return std::sqrt(s / static_cast<double>(v.size() - 1));
    }
};

} // namespace

TEST(DailyProfiles, StudentQuantiles) {
    // R: qt(0.975, df)
    const std::pair<size_t, double> known[] = {{1, 12.7062047},   {5, 2.5705818},     {30, 2.0422725},
                                               {31, 2.0395134},   {60, 2.0002978},    {120, 1.9799304},
                                               {1000, 1.9623391}, {100000, 1.9599877}};
    for (const auto& [df, t] : known)
        EXPECT_NEAR(StudentT975(df), t, 2e-7 * t) << df;
}

// Points every minute, Europe/Berlin, over both changes of 2021, with
// random gaps (hours at exactly 45 of 60 points among them) and a day with
// no data; against grouping by UTC hour (Berlin's offsets are whole hours).
TEST(DailyProfiles, MatchALiteralComputationOverTwentyThreeAndTwentyFiveHourDays) {
    ScopedTimeZone zone("Europe/Berlin");
    std::mt19937 rng(22);
    for (const int month : {3, 10}) {
        const int64_t from = LocalTimeToEpochExact(2021, month, month == 3 ? 25 : 28, 7, 0, 0);
        const int64_t emptyDay = LocalTimeToEpochExact(2021, month, month == 3 ? 26 : 30, 0, 0, 0);
        std::vector<double> t, y;
        std::map<int64_t, Stats> hours; // UTC hour -> its points
        for (int64_t h = from / 3600; h < from / 3600 + 6 * 24; ++h) {
            const int keep = std::uniform_int_distribution<int>(0, 3)(rng) == 0
                                 ? std::uniform_int_distribution<int>(40, 50)(rng)
                                 : 60;
            const double level = std::uniform_real_distribution<double>(0, 100)(rng);
            for (int m = 0; m < keep; ++m) {
                const int64_t s = h * 3600 + m * 60;
                if (s >= emptyDay && s < emptyDay + 86400)
                    continue;
                t.push_back(static_cast<double>(s));
                y.push_back(level + m);
                hours[h].v.push_back(level + m);
            }
        }
        DailyProfiles got;
        ASSERT_TRUE(ComputeDailyProfiles(t, y, nullptr, 0.75, got));

        struct Day {
            int hours = 0;
            size_t points = 0;
            Stats valid;
        };
        std::map<int64_t, Day> days; // by y * 10000 + m * 100 + d
        Stats byHour[24], byWeekday[7];
        const int64_t last = static_cast<int64_t>(t.back()) / 3600;
        for (int64_t h = from / 3600 - 30; h <= last + 30; ++h) {
            const LocalFields f = ToLocalFields(static_cast<double>(h * 3600));
            const int64_t key = f.year * 10000 + f.month * 100 + f.day;
            Day& d = days[key];
            ++d.hours;
            const auto it = hours.find(h);
            if (it == hours.end())
                continue;
            d.points += it->second.v.size();
            if (it->second.v.size() < 45)
                continue;
            const double mean = it->second.Mean();
            d.valid.v.push_back(mean);
            byHour[f.hour].v.push_back(mean);
            byWeekday[LiteralWeekday(f.year, f.month, f.day)].v.push_back(mean);
        }
        ASSERT_EQ(got.days.size(), 7u);
        int sawShort = 0, sawLong = 0, sawEmpty = 0, sawInvalid = 0;
        for (const DailyMean& d : got.days) {
            const Day& want = days.at(d.year * 10000 + d.month * 100 + d.day);
            EXPECT_EQ(d.hours, static_cast<size_t>(want.hours));
            EXPECT_EQ(d.points, want.points);
            EXPECT_EQ(d.weekday, LiteralWeekday(d.year, d.month, d.day));
            const bool valid = want.valid.v.size() * 4 >= static_cast<size_t>(want.hours) * 3;
            EXPECT_EQ(d.valid, valid) << d.day;
            if (valid) {
                EXPECT_NEAR(d.mean, want.valid.Mean(), 1e-9);
            }
            sawShort += want.hours == 23;
            sawLong += want.hours == 25;
            sawEmpty += want.points == 0;
            sawInvalid += want.points > 0 && !valid;
        }
        EXPECT_EQ(sawShort + sawLong, 1);
        EXPECT_EQ(sawEmpty, 1);
        EXPECT_GE(sawInvalid, 2); // the first and last days are partial
        const auto check = [](const ProfileValue& p, const Stats& s) {
            ASSERT_EQ(p.n, s.v.size());
            if (s.v.empty())
                return;
            EXPECT_NEAR(p.mean, s.Mean(), 1e-9);
            if (s.v.size() < 2)
                return;
            const double half = StudentT975(s.v.size() - 1) * s.Sd() / std::sqrt(double(s.v.size()));
            EXPECT_NEAR(p.low, s.Mean() - half, 1e-9);
            EXPECT_NEAR(p.high, s.Mean() + half, 1e-9);
        };
        for (int h = 0; h < 24; ++h)
            check(got.hourOfDay[h], byHour[h]);
        for (int w = 0; w < 7; ++w)
            check(got.dayOfWeek[w], byWeekday[w]);
    }
}

// A fixed offset has no daylight saving: under Berlin's rules as this
// computer's zone, the day of the change still has 24 hours, and each value
// falls on the clock hour UTC + 1 gives it.
TEST(DailyProfiles, FixedOffsetTimeBaseAcrossADaylightSavingDate) {
    ScopedTimeZone zone("Europe/Berlin");
    TimeBase fixed;
    fixed.kind = TimeBase::Kind::Fixed;
    fixed.offsetSeconds = 3600;
    ASSERT_EQ(SetActiveTimeBase(fixed), TimeBaseError::None);
    std::vector<double> t, y;
    const int64_t from = DaysFromCivil(2021, 3, 27) * 86400 - 3600; // 00:00 at UTC+1
    for (int64_t s = from; s < from + 3 * 86400; s += 60) {
        t.push_back(static_cast<double>(s));
        y.push_back(static_cast<double>((s / 3600) % 24)); // the UTC hour
    }
    DailyProfiles got;
    const bool computed = ComputeDailyProfiles(t, y, nullptr, 0.75, got);
    SetActiveTimeBase(TimeBase{});
    ASSERT_TRUE(computed);
    ASSERT_EQ(got.days.size(), 3u);
    for (const DailyMean& d : got.days) {
        EXPECT_EQ(d.hours, 24u);
        EXPECT_TRUE(d.valid);
    }
    for (int h = 0; h < 24; ++h) {
        EXPECT_EQ(got.hourOfDay[h].n, 3u);
        EXPECT_DOUBLE_EQ(got.hourOfDay[h].mean, (h + 23) % 24);
    }
}
