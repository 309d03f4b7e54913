#pragma once

// The time base: what the instrument's clock followed. Its records carry a
// local time with no zone; the time base turns it into a moment and back.
// It is process-wide configuration like TZ: set once at start-up (and again
// when the user changes it), read by every converter when it is made
// (LocalTime.h), so one conversion never sees two time bases.

#include "ZoneRules.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct TimeBase {
    enum class Kind {
        Local, // this computer's zone, from the C library (TZ honoured)
        Zone,  // a zone of the tz database by name, e.g. "Europe/Moscow"
        Fixed, // a fixed offset from UTC, no daylight saving
    };
    Kind kind = Kind::Local;
    std::string zone;      // Zone: the database name
    int offsetSeconds = 0; // Fixed: seconds east of UTC, whole minutes

    bool operator==(const TimeBase&) const = default;
};

// Fixed offsets reach from UTC-14:00 to UTC+14:00, as real zones do.
constexpr int kMaxFixedOffset = 14 * 3600;

enum class TimeBaseError {
    None,
    BadText,     // neither "local", a zone name nor "UTC+HH:MM"
    BadOffset,   // "UTC..." that is no offset from UTC-14:00 to UTC+14:00
    NoDatabase,  // a named zone where there is no zone database (Windows without TZDIR)
    UnknownZone, // no such file in the database
    BadZoneFile, // a file that is not a TZif file this reader takes
};

// Reads the text form: "local" (any case), "UTC+HH:MM" or "UTC-HH:MM" (also
// "UTC+H", "UTC+HHMM"; "UTC" alone is UTC+00:00), or a zone name. Only the
// text is checked here, not whether the zone exists (MakeTimeRules).
TimeBaseError ParseTimeBase(std::string_view text, TimeBase& base);

// The text form ParseTimeBase reads back: "local", "Europe/Moscow",
// "UTC+03:00".
std::string TimeBaseText(const TimeBase& base);

// The UTC offset a time base gives each moment.
class TimeRules {
  public:
    // Seconds east of UTC in force at t (seconds since 1970-01-01 00:00 UTC).
    int64_t OffsetAt(int64_t t) const {
        if (m_base.kind == TimeBase::Kind::Fixed)
            return m_base.offsetSeconds;
        return m_zone ? m_zone->OffsetAt(t) : SystemOffsetAt(t);
    }
    const TimeBase& Base() const { return m_base; }
    bool IsLocal() const { return m_base.kind == TimeBase::Kind::Local; }

    // The C library's offset of this computer's zone.
    static int64_t SystemOffsetAt(int64_t t);

  private:
    friend std::shared_ptr<const TimeRules> MakeTimeRules(const TimeBase& base, TimeBaseError& error,
                                                          std::string* where);
    TimeBase m_base;
    std::shared_ptr<const ZoneRules> m_zone;
};

// The rules of a time base; a named zone is read from the zone database
// (TZDIR, else /usr/share/zoneinfo; on Windows TZDIR only). Null with error
// set when that fails; where then names the file or folder looked at.
std::shared_ptr<const TimeRules> MakeTimeRules(const TimeBase& base, TimeBaseError& error,
                                               std::string* where = nullptr);

// The zone database folder a named zone is read from, empty when there is
// none (Windows without TZDIR).
std::string ZoneDatabaseFolder();

// Makes base the active time base of every converter made from now on;
// TimeBaseError::None, or the error with the active one unchanged.
TimeBaseError SetActiveTimeBase(const TimeBase& base, std::string* where = nullptr);
// The active rules (this computer's zone until set) and their time base.
std::shared_ptr<const TimeRules> ActiveTimeRules();

// Makes the C library read its zone again when TZ has changed since this
// thread last looked; cheap when it has not (no look at /etc/localtime).
void RefreshLocalZone();
TimeBase ActiveTimeBase();

// Seconds east of UTC the active time base gives the moment t.
int64_t UtcOffsetAt(int64_t t);
