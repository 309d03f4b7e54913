#pragma once

#include <cstdint>
#include <memory>

class TimeRules;

// Local calendar time to seconds since 1970-01-01 00:00 UTC, by the active
// time base (TimeBase.h): by default the C library's time-zone rules (TZ
// honoured), else a named zone's or a fixed offset. Each call, and each
// converter at its construction, takes the time base active then.
//
// The result equals mktime() with tm_isdst = -1 for every local time that
// exists once. At a transition, where glibc's mktime answers by the state of
// its previous call, the answer depends on the zone's rules alone: a repeated
// time (clocks set back) is the later instant, and a time that does not exist
// (clocks set forward) is read with the offset in force before the
// transition, so 02:20 in a 02:00 -> 03:00 gap is 03:20. Fields out of range
// are carried over as mktime does (31 February is 3 March).
int64_t LocalTimeToEpochExact(int year, int month, int day, int hour, int minute, int second);

// The same conversion, fast for runs of nearby times: the UTC offset of a
// local day is computed once and reused while the day has one offset.
// One instance per thread; it takes the time base once, at construction.
class LocalTimeConverter {
  public:
    LocalTimeConverter();
    int64_t ToEpoch(int year, int month, int day, int hour, int minute, int second) {
        // Most calls: the date of the last call, a time of that day, and a
        // day with one offset.
        const int64_t clock = int64_t{hour} * 3600 + int64_t{minute} * 60 + second;
        if (m_haveDate && m_uniform && year == m_year && month == m_month && day == m_dayOfMonth &&
            clock >= 0 && clock < 86400 && m_dateSeconds == m_day * 86400)
            return m_dateSeconds + clock - m_offset;
        return ToEpochAnyDay(year, month, day, hour, minute, second);
    }

  private:
    int64_t ToEpochAnyDay(int year, int month, int day, int hour, int minute, int second);

    std::shared_ptr<const TimeRules> m_rules;
    int64_t m_day = INT64_MIN; // local day number (days since 1970-01-01) of the cache
    int64_t m_offset = 0;      // its UTC offset in seconds, when m_uniform
    bool m_uniform = false;    // false: the day holds a transition, convert exactly
    // The date of the last call and its midnight as naive seconds: records
    // come a day at a time, and the calendar arithmetic is half the cost.
    bool m_haveDate = false;
    int m_year = 0, m_month = 0, m_dayOfMonth = 0;
    int64_t m_dateSeconds = 0;
};

// Days from 1970-01-01 to the given proleptic Gregorian date; month 1..12,
// day may exceed the month's length (it is carried forward).
int64_t DaysFromCivil(int64_t year, int month, int64_t day);

// Local calendar fields of a moment.
struct LocalFields {
    int year, month, day, hour, minute, second;
};

// Seconds since 1970 to local calendar fields, as localtime_r gives them
// (under the active time base, taken at construction). Fast for runs of
// nearby times: the offset of a UTC day is computed once.
class EpochToLocalConverter {
  public:
    EpochToLocalConverter();
    LocalFields ToLocal(int64_t epoch) {
        int64_t offset;
        return ToLocal(epoch, offset);
    }
    // The same, with the UTC offset (seconds east) that gave the fields.
    LocalFields ToLocal(int64_t epoch, int64_t& offset) {
        // Most calls: a moment of the cached UTC day, one offset all day
        // long, and of the cached local date.
        if (m_uniform && epoch >= m_dayStart && epoch - m_dayStart < 86400) {
            const int64_t secs = epoch + m_offset - m_localDayStart;
            if (secs >= 0 && secs < 86400) {
                offset = m_offset;
                const int s = static_cast<int>(secs);
                return {m_year, m_month, m_dayOfMonth, s / 3600, s / 60 % 60, s % 60};
            }
        }
        return ToLocalAnyDay(epoch, offset);
    }

  private:
    LocalFields ToLocalAnyDay(int64_t epoch, int64_t& offset);

    std::shared_ptr<const TimeRules> m_rules;
    int64_t m_day = INT64_MIN; // UTC day number of the cache
    int64_t m_offset = 0;
    bool m_uniform = false;
    // The calendar date of the last local day converted: consecutive
    // moments share it, and the calendar arithmetic is most of the cost.
    int64_t m_dayStart = 0; // m_day's first second
    int64_t m_localDay = INT64_MIN;
    int64_t m_localDayStart = 0; // m_localDay's first second as naive local seconds
    int m_year = 0, m_month = 0, m_dayOfMonth = 0;
};

// One-off conversion; a double is truncated toward zero to whole seconds.
LocalFields ToLocalFields(double epoch);
