#pragma once

// The rules of one zone of the tz database, from its TZif file (RFC 8536):
// the transitions it lists, then the POSIX TZ rule of its footer. Answers
// as glibc's localtime does for the same file; immutable once read, so one
// instance serves every thread.

#include <cstdint>
#include <string_view>
#include <vector>

// A POSIX TZ rule such as "CET-1CEST,M3.5.0,M10.5.0/3".
struct PosixZoneRule {
    struct Date {
        char kind = 'M';     // 'J': Julian day 1..365 without 29 February; 'N': day 0..365; 'M': month rule
        int day = 0;         // J, N: the day; M: the weekday 0 (Sunday) .. 6
        int week = 0;        // M: 1..5, 5 the last
        int month = 0;       // M: 1..12
        int32_t time = 7200; // local seconds after the day's midnight
    };
    int32_t stdOffset = 0; // seconds east of UTC
    int32_t dstOffset = 0;
    bool hasDst = false;
    Date start, end; // daylight saving begins (in standard time) and ends (in daylight time)

    // False when text is not a rule of that form.
    bool Parse(std::string_view text);
    int64_t OffsetAt(int64_t t) const;
};

class ZoneRules {
  public:
    // Reads the bytes of a TZif file; false when they are not one, or name
    // leap seconds (the "right/" zones), which this reader does not apply.
    bool Parse(std::string_view bytes);
    int64_t OffsetAt(int64_t t) const;

  private:
    struct Type {
        int32_t offset;
        bool dst;
    };
    std::vector<int64_t> m_times;  // transitions, ascending
    std::vector<uint8_t> m_typeOf; // the type in force from each transition
    std::vector<Type> m_types;
    int32_t m_before = 0; // the offset before the first transition
    PosixZoneRule m_rule; // after the last transition, when m_hasRule
    bool m_hasRule = false;
};
