#pragma once

// The clock an export states its times in: the local fields of a moment and
// their offset from UTC under the active time base; exports ask here and
// nowhere else for the offset.

#include "LocalTime.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

struct ExportClockTime {
    LocalFields local;
    int64_t offset; // seconds east of UTC
};

// Fast for runs of nearby moments (see EpochToLocalConverter); one per thread.
class ExportClock {
  public:
    ExportClockTime At(int64_t epoch) {
        int64_t offset;
        const LocalFields f = m_local.ToLocal(epoch, offset);
        return {f, offset};
    }

  private:
    EpochToLocalConverter m_local;
};

// The local time of a moment as ISO 8601 with its offset,
// "2011-06-03T09:05:30+02:00": what printf's
// "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d" makes of the fields and the
// offset's hours and minutes. Fast for runs of nearby moments: the date and
// the offset are made once for each value. One per thread.
class ExportIsoTime {
  public:
    // Writes the text at p (room for 128 bytes) and returns its end.
    char* Put(char* p, int64_t epoch) {
        const ExportClockTime c = m_clock.At(epoch);
        const LocalFields& f = c.local;
        const int64_t absOffset = c.offset < 0 ? -c.offset : c.offset;
        if (f.year < 0 || f.year > 9999 || absOffset >= 100 * 3600 || !TwoDigits(f.month) ||
            !TwoDigits(f.day) || !TwoDigits(f.hour) || !TwoDigits(f.minute) || !TwoDigits(f.second))
            return p + std::snprintf(p, 128, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", f.year, f.month,
                                     f.day, f.hour, f.minute, f.second, c.offset < 0 ? '-' : '+',
                                     static_cast<int>(absOffset / 3600),
                                     static_cast<int>(absOffset / 60 % 60));
        if (f.year != m_year || f.month != m_month || f.day != m_day) {
            for (int i = 3, y = f.year; i >= 0; --i, y /= 10)
                m_date[i] = static_cast<char>('0' + y % 10);
            m_date[4] = '-';
            Put2(m_date + 5, f.month);
            m_date[7] = '-';
            Put2(m_date + 8, f.day);
            m_date[10] = 'T';
            m_year = f.year;
            m_month = f.month;
            m_day = f.day;
        }
        if (c.offset != m_offset) {
            m_zone[0] = c.offset < 0 ? '-' : '+';
            Put2(m_zone + 1, static_cast<int>(absOffset / 3600));
            m_zone[3] = ':';
            Put2(m_zone + 4, static_cast<int>(absOffset / 60 % 60));
            m_offset = c.offset;
        }
        std::memcpy(p, m_date, sizeof m_date);
        Put2(p + 11, f.hour);
        p[13] = ':';
        Put2(p + 14, f.minute);
        p[16] = ':';
        Put2(p + 17, f.second);
        std::memcpy(p + 19, m_zone, sizeof m_zone);
        return p + 25;
    }

  private:
    static bool TwoDigits(int v) { return v >= 0 && v < 100; }
    static void Put2(char* p, int v) {
        p[0] = static_cast<char>('0' + v / 10);
        p[1] = static_cast<char>('0' + v % 10);
    }

    ExportClock m_clock;
    int m_year = INT32_MIN, m_month = 0, m_day = 0;
    char m_date[11] = {}; // "2011-06-03T"
    int64_t m_offset = INT64_MIN;
    char m_zone[8] = {}; // "+02:00", and room for a whole copy
};
