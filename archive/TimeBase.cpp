#include "TimeBase.h"

#include "LocalTime.h"
#include "ReadFile.h"

#include <cstdlib>
#include <ctime>
#include <mutex>

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Lower(text[i]) != prefix[i])
            return false;
    return true;
}

bool Digits(std::string_view s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// "+H", "+HH", "+HH:MM" or "+HHMM" (or "-...") in seconds east of UTC.
TimeBaseError ParseOffset(std::string_view s, int& seconds) {
    if (s.empty()) {
        seconds = 0;
        return TimeBaseError::None;
    }
    if (s[0] != '+' && s[0] != '-')
        return TimeBaseError::BadOffset;
    const bool west = s[0] == '-';
    s.remove_prefix(1);
    std::string_view hours = s, minutes = "0";
    if (const size_t colon = s.find(':'); colon != std::string_view::npos) {
        hours = s.substr(0, colon);
        minutes = s.substr(colon + 1);
        if (minutes.size() != 2)
            return TimeBaseError::BadOffset;
    } else if (s.size() == 4) {
        hours = s.substr(0, 2);
        minutes = s.substr(2);
    }
    if (!Digits(hours) || hours.size() > 2 || !Digits(minutes))
        return TimeBaseError::BadOffset;
    const int h = (hours[0] - '0') * (hours.size() == 2 ? 10 : 1) + (hours.size() == 2 ? hours[1] - '0' : 0);
    const int m = minutes.size() == 2 ? (minutes[0] - '0') * 10 + (minutes[1] - '0') : minutes[0] - '0';
    const int total = h * 3600 + m * 60;
    if (m > 59 || total > kMaxFixedOffset)
        return TimeBaseError::BadOffset;
    seconds = west ? -total : total;
    return TimeBaseError::None;
}

// A relative path of the database: letters, digits and "_+-.", in
// components joined by '/', none empty, "." or "..".
bool IsZoneName(std::string_view name) {
    if (name.empty() || name.size() > 255)
        return false;
    size_t from = 0;
    while (true) {
        const size_t slash = name.find('/', from);
        const std::string_view part =
            name.substr(from, slash == std::string_view::npos ? name.npos : slash - from);
        if (part.empty() || part == "." || part == "..")
            return false;
        for (char c : part) {
            const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                            c == '_' || c == '+' || c == '-' || c == '.';
            if (!ok)
                return false;
        }
        if (slash == std::string_view::npos)
            return true;
        from = slash + 1;
    }
}

// A TZif file is a few kilobytes; anything far larger is no zone.
constexpr size_t kMaxZoneFile = 1 << 20;

} // namespace

TimeBaseError ParseTimeBase(std::string_view text, TimeBase& base) {
    TimeBase b;
    if (text.size() == 5 && StartsWithNoCase(text, "local")) {
        base = b;
        return TimeBaseError::None;
    }
    if (StartsWithNoCase(text, "utc")) {
        b.kind = TimeBase::Kind::Fixed;
        if (const TimeBaseError e = ParseOffset(text.substr(3), b.offsetSeconds); e != TimeBaseError::None)
            return e;
        base = b;
        return TimeBaseError::None;
    }
    if (!IsZoneName(text))
        return TimeBaseError::BadText;
    b.kind = TimeBase::Kind::Zone;
    b.zone = std::string(text);
    base = b;
    return TimeBaseError::None;
}

std::string TimeBaseText(const TimeBase& base) {
    switch (base.kind) {
    case TimeBase::Kind::Local:
        return "local";
    case TimeBase::Kind::Zone:
        return base.zone;
    case TimeBase::Kind::Fixed:
        break;
    }
    const int a = base.offsetSeconds < 0 ? -base.offsetSeconds : base.offsetSeconds;
    char buf[32];
    std::snprintf(buf, sizeof buf, "UTC%c%02d:%02d", base.offsetSeconds < 0 ? '-' : '+', a / 3600,
                  a / 60 % 60);
    return buf;
}

int64_t TimeRules::SystemOffsetAt(int64_t t64) {
    const time_t t = static_cast<time_t>(t64);
    struct tm tm {};
#ifdef _WIN32
    // The Windows C runtime converts nothing before 1970 or after 3000 (and
    // no local time before 1970 either): outside 1970-01-02 .. 3000-12-30
    // the offset at the nearer end holds.
    constexpr time_t kFirst = 86400, kLast = 32535043199;
    const time_t c = t < kFirst ? kFirst : t > kLast ? kLast : t;
    if (localtime_s(&tm, &c) != 0)
        return 0;
    return DaysFromCivil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) * 86400 + int64_t{tm.tm_hour} * 3600 +
           tm.tm_min * 60 + tm.tm_sec - c;
#else
    localtime_r(&t, &tm);
    return tm.tm_gmtoff;
#endif
}

std::string ZoneDatabaseFolder() {
    const char* dir = std::getenv("TZDIR");
    if (dir && *dir)
        return dir;
#ifdef _WIN32
    return {};
#else
    return "/usr/share/zoneinfo";
#endif
}

std::shared_ptr<const TimeRules> MakeTimeRules(const TimeBase& base, TimeBaseError& error,
                                               std::string* where) {
    error = TimeBaseError::None;
    auto rules = std::make_shared<TimeRules>();
    rules->m_base = base;
    if (base.kind == TimeBase::Kind::Fixed &&
        (base.offsetSeconds < -kMaxFixedOffset || base.offsetSeconds > kMaxFixedOffset ||
         base.offsetSeconds % 60)) {
        error = TimeBaseError::BadOffset;
        return nullptr;
    }
    if (base.kind != TimeBase::Kind::Zone)
        return rules;
    if (!IsZoneName(base.zone)) {
        error = TimeBaseError::BadText;
        return nullptr;
    }
    const std::string folder = ZoneDatabaseFolder();
    if (where)
        *where = folder;
    if (folder.empty()) {
        error = TimeBaseError::NoDatabase;
        return nullptr;
    }
    const std::string path = folder + "/" + base.zone;
    if (where)
        *where = path;
    const FilePtr file = OpenRegularFileForReading(path);
    if (!file) {
        error = TimeBaseError::UnknownZone;
        return nullptr;
    }
    std::string bytes(kMaxZoneFile + 1, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    auto zone = std::make_shared<ZoneRules>();
    if (std::ferror(file.get()) || bytes.size() > kMaxZoneFile || !zone->Parse(bytes)) {
        error = TimeBaseError::BadZoneFile;
        return nullptr;
    }
    rules->m_zone = std::move(zone);
    return rules;
}

namespace {

struct Active {
    std::mutex mutex;
    std::shared_ptr<const TimeRules> rules;
};

Active& TheActive() {
    static Active active;
    return active;
}

} // namespace

TimeBaseError SetActiveTimeBase(const TimeBase& base, std::string* where) {
    TimeBaseError error;
    std::shared_ptr<const TimeRules> rules = MakeTimeRules(base, error, where);
    if (!rules)
        return error;
    Active& a = TheActive();
    const std::lock_guard<std::mutex> lock(a.mutex);
    a.rules = std::move(rules);
    return TimeBaseError::None;
}

std::shared_ptr<const TimeRules> ActiveTimeRules() {
    Active& a = TheActive();
    const std::lock_guard<std::mutex> lock(a.mutex);
    if (!a.rules) {
        TimeBaseError error;
        a.rules = MakeTimeRules(TimeBase{}, error);
    }
    return a.rules;
}

TimeBase ActiveTimeBase() {
    return ActiveTimeRules()->Base();
}

void RefreshLocalZone() {
    thread_local bool looked = false;
    thread_local bool had = false;
    thread_local std::string last;
    const char* tz = std::getenv("TZ");
    if (looked && had == (tz != nullptr) && (tz == nullptr || last == tz))
        return;
    looked = true;
    had = tz != nullptr;
    last = tz ? tz : "";
    tzset();
}

int64_t UtcOffsetAt(int64_t t) {
    const std::shared_ptr<const TimeRules> rules = ActiveTimeRules();
    if (rules->IsLocal())
        RefreshLocalZone();
    return rules->OffsetAt(t);
}
