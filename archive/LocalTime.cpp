#include "LocalTime.h"

#include "TimeBase.h"

#include <ctime>

namespace {

// Local wall-clock seconds since 1970 as if the zone were UTC, with the same
// carrying of out-of-range fields as mktime.
int64_t NaiveSeconds(int year, int month, int day, int hour, int minute, int second) {
    int64_t y = year;
    int64_t m = month - 1;
    y += m / 12;
    m %= 12;
    if (m < 0) {
        m += 12;
        --y;
    }
    return DaysFromCivil(y, static_cast<int>(m) + 1, day) * 86400 + int64_t{hour} * 3600 +
           int64_t{minute} * 60 + second;
}

// Inverse of NaiveSeconds for normalised fields.
void CivilFromNaive(int64_t naive, struct tm& tm) {
    int64_t days = naive / 86400;
    int64_t secs = naive % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = yoe + era * 400 + (m <= 2);
    tm.tm_year = static_cast<int>(y - 1900);
    tm.tm_mon = static_cast<int>(m - 1);
    tm.tm_mday = static_cast<int>(d);
    tm.tm_hour = static_cast<int>(secs / 3600);
    tm.tm_min = static_cast<int>(secs / 60 % 60);
    tm.tm_sec = static_cast<int>(secs % 60);
}

// The local wall-clock reading of an instant.
int64_t LocalReading(const TimeRules& rules, int64_t t) {
    return t + rules.OffsetAt(t);
}

// Only the zone's rules decide, never the state of an earlier call (mktime
// answers times skipped or repeated at a transition by the offset its last
// call used, even where the daylight-saving flag does not change).
int64_t ExactFromNaive(const TimeRules& rules, int64_t naive) {
    // A local time is read as an instant naive - offset where that offset is
    // in force. The offsets a day around it cover both sides of a transition
    // near it; the offsets at the instants they give cover one more between.
    int64_t offsets[4];
    offsets[0] = rules.OffsetAt(naive - 90000);
    offsets[1] = rules.OffsetAt(naive + 90000);
    offsets[2] = rules.OffsetAt(naive - offsets[0]);
    offsets[3] = rules.OffsetAt(naive - offsets[1]);
    int64_t best = INT64_MIN;
    for (int64_t offset : offsets) {
        const int64_t t = naive - offset;
        // A repeated time has two readings: the later one is taken.
        if (rules.OffsetAt(t) == offset && t > best)
            best = t;
    }
    if (best != INT64_MIN)
        return best;

    // No reading: the time falls in a gap. Find the transition that jumps
    // over it, the first instant whose reading lies past it (offsets stay
    // within a day), and read the time with the offset in force before it.
    int64_t lo = naive - 86400; // reading before naive
    int64_t hi = naive + 86400; // reading after naive
    while (hi - lo > 1) {
        const int64_t mid = lo + (hi - lo) / 2;
        if (LocalReading(rules, mid) > naive)
            hi = mid;
        else
            lo = mid;
    }
    return naive - rules.OffsetAt(lo);
}

// The active rules; the C library's zone is read again when they are this
// computer's and TZ has changed.
std::shared_ptr<const TimeRules> ActiveRules() {
    std::shared_ptr<const TimeRules> rules = ActiveTimeRules();
    if (rules->IsLocal())
        RefreshLocalZone();
    return rules;
}

} // namespace

int64_t DaysFromCivil(int64_t year, int month, int64_t day) {
    // Howard Hinnant's algorithm, for the first of the month; then add days.
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yoe = year - era * 400;
    const int64_t mp = (month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + (day - 1);
}

int64_t LocalTimeToEpochExact(int year, int month, int day, int hour, int minute, int second) {
    const std::shared_ptr<const TimeRules> rules = ActiveRules();
    return ExactFromNaive(*rules, NaiveSeconds(year, month, day, hour, minute, second));
}

LocalTimeConverter::LocalTimeConverter() : m_rules(ActiveRules()) {}

int64_t LocalTimeConverter::ToEpochAnyDay(int year, int month, int day, int hour, int minute, int second) {
    if (!m_haveDate || year != m_year || month != m_month || day != m_dayOfMonth) {
        m_dateSeconds = NaiveSeconds(year, month, day, 0, 0, 0);
        m_haveDate = true;
        m_year = year;
        m_month = month;
        m_dayOfMonth = day;
    }
    const int64_t naive = m_dateSeconds + int64_t{hour} * 3600 + int64_t{minute} * 60 + second;
    int64_t dayNumber = naive / 86400;
    if (naive % 86400 < 0)
        --dayNumber;
    if (dayNumber != m_day) {
        // The day is uniform when its start, middle and last second share one
        // offset: real zones never change their offset twice within a day.
        const int64_t start = dayNumber * 86400;
        const int64_t t0 = ExactFromNaive(*m_rules, start);
        const int64_t t1 = ExactFromNaive(*m_rules, start + 43200);
        const int64_t t2 = ExactFromNaive(*m_rules, start + 86399);
        m_day = dayNumber;
        m_offset = start - t0;
        m_uniform = (start + 43200 - t1) == m_offset && (start + 86399 - t2) == m_offset;
    }
    if (m_uniform)
        return naive - m_offset;
    return ExactFromNaive(*m_rules, naive);
}

namespace {

LocalFields FieldsOfNaive(int64_t naive) {
    struct tm tm {};
    CivilFromNaive(naive, tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

} // namespace

EpochToLocalConverter::EpochToLocalConverter() : m_rules(ActiveRules()) {}

LocalFields EpochToLocalConverter::ToLocalAnyDay(int64_t epoch, int64_t& offset) {
    const TimeRules& rules = *m_rules;
    int64_t day = epoch / 86400;
    if (epoch % 86400 < 0)
        --day;
    if (day != m_day) {
        const int64_t start = day * 86400;
        const int64_t o0 = rules.OffsetAt(start);
        m_day = day;
        m_dayStart = start;
        m_offset = o0;
        m_uniform = rules.OffsetAt(start + 43200) == o0 && rules.OffsetAt(start + 86399) == o0;
    }
    offset = m_uniform ? m_offset : rules.OffsetAt(epoch);
    const int64_t naive = epoch + offset;
    int64_t localDay = naive / 86400;
    int64_t secs = naive % 86400;
    if (secs < 0) {
        secs += 86400;
        --localDay;
    }
    if (localDay != m_localDay) {
        const LocalFields f = FieldsOfNaive(localDay * 86400);
        m_localDay = localDay;
        m_localDayStart = localDay * 86400;
        m_year = f.year;
        m_month = f.month;
        m_dayOfMonth = f.day;
    }
    const int s = static_cast<int>(secs);
    return {m_year, m_month, m_dayOfMonth, s / 3600, s / 60 % 60, s % 60};
}

LocalFields ToLocalFields(double epoch) {
    const std::shared_ptr<const TimeRules> rules = ActiveRules();
    // Out-of-range values (never record times) map to the epoch.
    const int64_t t = epoch > -1e15 && epoch < 1e15 ? static_cast<int64_t>(epoch) : 0;
    return FieldsOfNaive(t + rules->OffsetAt(t));
}
