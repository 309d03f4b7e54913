#include "TimeBase.h"
#include "CurvePoints.h"
#include "ExportClock.h"
#include "IntervalStats.h"
#include "LocalTime.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

namespace {

void SetEnv(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    if (value.empty())
        unsetenv(name);
    else
        setenv(name, value.c_str(), 1);
#endif
}

// Sets the active time base for the scope of a test; the default after.
class ScopedTimeBase {
  public:
    explicit ScopedTimeBase(const std::string& text) {
        TimeBase base;
        EXPECT_EQ(ParseTimeBase(text, base), TimeBaseError::None) << text;
        EXPECT_EQ(SetActiveTimeBase(base), TimeBaseError::None) << text;
    }
    ~ScopedTimeBase() { SetActiveTimeBase(TimeBase{}); }
};

// A TZif version 1 file without transitions: one type of offset seconds.
std::string OneTypeTzif(int32_t offset) {
    std::string s = "TZif";
    s.append(16, '\0');
    const auto be32 = [&](uint32_t v) {
        for (int i = 3; i >= 0; --i)
            s.push_back(static_cast<char>(v >> (8 * i)));
    };
    for (uint32_t count : {0u, 0u, 0u, 0u, 1u, 4u}) // isut, isstd, leap, time, type, chars
        be32(count);
    be32(static_cast<uint32_t>(offset));
    s.append(std::string("\0\0ABC\0", 6));
    return s;
}

TEST(TimeBase, ParsesPrintsAndRefusesItsTexts) {
    const std::pair<const char*, const char*> good[] = {
        {"local", "local"},         {"LOCAL", "local"},         {"UTC+03:00", "UTC+03:00"},
        {"utc-05:30", "UTC-05:30"}, {"UTC+3", "UTC+03:00"},     {"UTC+0545", "UTC+05:45"},
        {"UTC", "UTC+00:00"},       {"UTC-14:00", "UTC-14:00"}, {"Europe/Moscow", "Europe/Moscow"},
        {"Etc/GMT-3", "Etc/GMT-3"},
    };
    for (const auto& [text, printed] : good) {
        TimeBase base;
        ASSERT_EQ(ParseTimeBase(text, base), TimeBaseError::None) << text;
        EXPECT_EQ(TimeBaseText(base), printed);
        TimeBase again;
        EXPECT_EQ(ParseTimeBase(printed, again), TimeBaseError::None);
        EXPECT_EQ(again, base) << text;
    }
    const std::pair<const char*, TimeBaseError> bad[] = {
        {"", TimeBaseError::BadText},
        {"UTC+14:01", TimeBaseError::BadOffset},
        {"UTC+03:60", TimeBaseError::BadOffset},
        {"UTC+3:0", TimeBaseError::BadOffset},
        {"UTC3", TimeBaseError::BadOffset},
        {"UTC+", TimeBaseError::BadOffset},
        {"UTC+123", TimeBaseError::BadOffset},
        {"../../etc/passwd", TimeBaseError::BadText},
        {"/etc/localtime", TimeBaseError::BadText},
        {"Europe//Berlin", TimeBaseError::BadText},
        {"Europe/Ber lin", TimeBaseError::BadText},
        {"local ", TimeBaseError::BadText},
    };
    for (const auto& [text, error] : bad) {
        TimeBase base;
        base.offsetSeconds = 77;
        EXPECT_EQ(ParseTimeBase(text, base), error) << text;
        EXPECT_EQ(base.offsetSeconds, 77) << text; // left as it was
    }

    // Zones from the folder TZDIR names, on every platform; a failed one
    // leaves the active time base as it was.
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "Test");
    WriteBytes(dir / "Test/Plus3", OneTypeTzif(10800));
    WriteBytes(dir / "Test/Junk", "TZif2 and then nothing a zone file has");
    const char* old = std::getenv("TZDIR");
    const std::string oldDir = old ? old : "";
    SetEnv("TZDIR", dir.path().string());
    const std::pair<const char*, TimeBaseError> zones[] = {
        {"Test/Plus3", TimeBaseError::None},
        {"Test/Junk", TimeBaseError::BadZoneFile},
        {"Test/Nowhere", TimeBaseError::UnknownZone},
        {"Test", TimeBaseError::UnknownZone}, // a folder
    };
    for (const auto& [name, error] : zones) {
        TimeBase base;
        ASSERT_EQ(ParseTimeBase(name, base), TimeBaseError::None);
        EXPECT_EQ(SetActiveTimeBase(base), error) << name;
        EXPECT_EQ(TimeBaseText(ActiveTimeBase()), "Test/Plus3") << name;
        EXPECT_EQ(UtcOffsetAt(1307091930), 10800) << name;
    }
#ifdef _WIN32
    // No zone database on Windows unless TZDIR names one.
    SetEnv("TZDIR", "");
    TimeBase moscow;
    ASSERT_EQ(ParseTimeBase("Europe/Moscow", moscow), TimeBaseError::None);
    EXPECT_EQ(SetActiveTimeBase(moscow), TimeBaseError::NoDatabase);
#endif
    SetEnv("TZDIR", oldDir);
    SetActiveTimeBase(TimeBase{});
    EXPECT_EQ(ActiveTimeBase().kind, TimeBase::Kind::Local);
}

// An instrument that never switches to summer time, read in a zone that
// does: a record every ten minutes through both changes of 2021 in Berlin.
TEST(TimeBase, FixedOffsetKeepsASeriesContinuousAcrossDaylightSaving) {
    ScopedTimeZone zone("Europe/Berlin");
    for (const int month : {3, 10}) {
        // 20:00 on the day before the change to 07:50 after it.
        const int day = month == 3 ? 27 : 30;
        std::vector<ArchiveRecord> records;
        for (int i = 0; i < 72; ++i) {
            const int m = 20 * 60 + i * 10;
            records.push_back(
                MakeRecord(2021, month, day + m / 1440, m % 1440 / 60, m % 60, 0, 0, 1, 200, 760, 1.0f + i));
        }
        CArchiveData archive;
        ASSERT_EQ(archive.AssignRecords(records, true), 72);
        const auto steps = [&]() {
            std::vector<double> t, y, T, P;
            archive.GetSeries(0)->GetCurves(CF_MEAS_ONLY, false, 0, 0, t, y, T, P);
            std::vector<int64_t> d;
            for (size_t i = 1; i < t.size(); ++i)
                d.push_back(static_cast<int64_t>(t[i] - t[i - 1]));
            return d;
        };
#ifndef _WIN32
        // This computer's zone: the hour skipped (March) or repeated (October).
        // (The Windows C runtime reads no zone names in TZ.)
        const std::vector<int64_t> local = steps();
        EXPECT_NE(std::count(local.begin(), local.end(), 600), 71) << month;
#endif

        ScopedTimeBase base("UTC+01:00");
        EXPECT_EQ(steps(), std::vector<int64_t>(71, 600)) << month;
        const double start = archive.GetSeries(0)->GetStartTime();
        EXPECT_EQ(LocalIsoTime(static_cast<int64_t>(start) + 6 * 3600),
                  month == 3 ? "2021-03-28T02:00:00+01:00" : "2021-10-31T02:00:00+01:00");
        // Every hour and day of the local clock is whole.
        int64_t from = 0, to = 0;
        IntervalAt(static_cast<int64_t>(start) + 6 * 3600, 60, from, to);
        EXPECT_EQ(to - from, 3600);
        IntervalAt(static_cast<int64_t>(start) + 6 * 3600, 1440, from, to);
        EXPECT_EQ(to - from, 86400);
        const LocalFields f = ToLocalFields(start + 6 * 3600);
        EXPECT_EQ(f.hour * 100 + f.minute, 200);
    }
}

#ifndef _WIN32
// Every conversion under a named zone equals the C library's own under TZ
// set to that zone: moments through 1890-2100 and, every 7 minutes, the
// local times around each change of offset (skipped and repeated ones).
TEST(TimeBase, NamedZoneMatchesTheCLibraryUnderThatZone) {
    for (const char* name : {"Europe/Moscow", "America/New_York", "Australia/Lord_Howe", "Asia/Kathmandu"}) {
        std::vector<int64_t> moments;
        std::vector<LocalFields> clock;
        {
            ScopedTimeZone zone(name);
            EpochToLocalConverter toLocal;
            constexpr int64_t kStep = 3 * 86400 + 37 * 60 + 11;
            for (int64_t t = -2524521600; t < 4102444800; t += kStep) {
                if (!moments.empty() &&
                    TimeRules::SystemOffsetAt(t) != TimeRules::SystemOffsetAt(t - kStep)) {
                    int64_t lo = t - kStep, hi = t; // the change is after lo, at or before hi
                    while (hi - lo > 1) {
                        const int64_t mid = lo + (hi - lo) / 2;
                        (TimeRules::SystemOffsetAt(mid) == TimeRules::SystemOffsetAt(lo) ? lo : hi) = mid;
                    }
                    for (int64_t m = hi - 3 * 3600; m < hi + 3 * 3600; m += 7 * 60)
                        moments.push_back(m);
                }
                moments.push_back(t);
            }
            for (int64_t t : moments)
                clock.push_back(toLocal.ToLocal(t));
        }
        // Back to moments: each reading, and half an hour later on the same
        // clock (into the skipped hours), in time order as records come.
        const auto toEpochs = [&]() {
            std::vector<int64_t> exact, cached;
            LocalTimeConverter toEpoch;
            for (const LocalFields& f : clock) {
                for (int shift : {0, 30}) {
                    exact.push_back(
                        LocalTimeToEpochExact(f.year, f.month, f.day, f.hour, f.minute + shift, f.second));
                    cached.push_back(
                        toEpoch.ToEpoch(f.year, f.month, f.day, f.hour, f.minute + shift, f.second));
                }
            }
            return std::make_pair(exact, cached);
        };
        std::pair<std::vector<int64_t>, std::vector<int64_t>> want;
        {
            ScopedTimeZone zone(name);
            want = toEpochs();
        }
        ScopedTimeZone elsewhere("UTC");
        ScopedTimeBase base(name);
        EpochToLocalConverter toLocal;
        for (size_t i = 0; i < moments.size(); ++i) {
            const LocalFields f = toLocal.ToLocal(moments[i]);
            ASSERT_EQ(DateTimeText(f, true), DateTimeText(clock[i], true)) << name << " " << moments[i];
        }
        const auto got = toEpochs();
        for (size_t i = 0; i < got.first.size(); ++i) {
            ASSERT_EQ(got.first[i], want.first[i])
                << name << " " << moments[i / 2] << " +" << i % 2 * 30 << " min";
            ASSERT_EQ(got.second[i], want.second[i])
                << name << " " << moments[i / 2] << " +" << i % 2 * 30 << " min";
        }
    }
}
#endif

// The exports' ISO time, made from a cached date and offset, is printf's
// text for every moment: across days and changes of offset, and at the
// years where it takes the printf path (past 9999, before 0).
TEST(TimeBase, ExportIsoTimeMatchesPrintf) {
    std::vector<std::string> bases = {"UTC-09:45", "UTC+05:30"};
#ifndef _WIN32
    bases.push_back("Australia/Lord_Howe");
#endif
    std::vector<int64_t> moments;
    for (int64_t t = 1609459200; t < 1609459200 + 400LL * 86400; t += 3659)
        moments.push_back(t);
    for (int64_t edge : {int64_t{253402300800}, int64_t{-62167219200}}) // year 10000, year 0
        for (int64_t t = edge - 2 * 86400; t < edge + 2 * 86400; t += 1999)
            moments.push_back(t);
    for (const std::string& base : bases) {
        ScopedTimeBase scoped(base);
        ExportIsoTime iso;
        for (int64_t t : moments) {
            char buf[160];
            ASSERT_EQ(std::string(buf, iso.Put(buf, t)), LocalIsoTime(t)) << base << " " << t;
        }
    }
}

} // namespace
