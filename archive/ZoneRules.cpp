#include "ZoneRules.h"

#include "LocalTime.h"

#include <algorithm>
#include <array>

namespace {

// ---- POSIX TZ rules ----

class RuleReader {
  public:
    explicit RuleReader(std::string_view text) : m_text(text) {}
    bool AtEnd() const { return m_pos == m_text.size(); }
    bool Peek(char c) const { return m_pos < m_text.size() && m_text[m_pos] == c; }
    bool PeekDigitOrSign() const {
        return m_pos < m_text.size() &&
               ((m_text[m_pos] >= '0' && m_text[m_pos] <= '9') || Peek('+') || Peek('-'));
    }
    bool Take(char c) {
        if (!Peek(c))
            return false;
        ++m_pos;
        return true;
    }
    // A zone abbreviation: three or more letters, or <...> of letters, digits and signs.
    bool Name() {
        size_t n = 0;
        if (Take('<')) {
            while (m_pos < m_text.size() && m_text[m_pos] != '>')
                ++m_pos, ++n;
            return Take('>') && n >= 3;
        }
        while (m_pos < m_text.size() && ((m_text[m_pos] | 0x20) >= 'a' && (m_text[m_pos] | 0x20) <= 'z'))
            ++m_pos, ++n;
        return n >= 3;
    }
    bool Number(int lo, int hi, int& value) {
        size_t n = 0;
        value = 0;
        while (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9' && n < 4)
            value = value * 10 + (m_text[m_pos++] - '0'), ++n;
        return n > 0 && value >= lo && value <= hi;
    }
    // [+-]hh[:mm[:ss]] with hours up to maxHours, in seconds.
    bool Clock(int maxHours, int32_t& seconds) {
        const bool negative = Take('-');
        if (!negative)
            Take('+');
        int h = 0, m = 0, s = 0;
        if (!Number(0, maxHours, h))
            return false;
        if (Take(':') && (!Number(0, 59, m) || (Take(':') && !Number(0, 59, s))))
            return false;
        seconds = h * 3600 + m * 60 + s;
        if (negative)
            seconds = -seconds;
        return true;
    }
    bool Date(PosixZoneRule::Date& d) {
        if (Take('J')) {
            d.kind = 'J';
            if (!Number(1, 365, d.day))
                return false;
        } else if (Take('M')) {
            d.kind = 'M';
            if (!Number(1, 12, d.month) || !Take('.') || !Number(1, 5, d.week) || !Take('.') ||
                !Number(0, 6, d.day))
                return false;
        } else {
            d.kind = 'N';
            if (!Number(0, 365, d.day))
                return false;
        }
        d.time = 7200;
        return !Take('/') || Clock(167, d.time);
    }

  private:
    std::string_view m_text;
    size_t m_pos = 0;
};

int64_t Floor(int64_t a, int64_t b) {
    return a / b - (a % b < 0);
}

int YearOfDay(int64_t days) {
    // The civil year of a day number (Howard Hinnant's algorithm).
    const int64_t z = days + 719468;
    const int64_t era = Floor(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    return static_cast<int>(yoe + era * 400 + (mp >= 10));
}

bool IsLeap(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// The local day number of a rule's date in year y.
int64_t DayOf(const PosixZoneRule::Date& d, int64_t y) {
    const int64_t jan1 = DaysFromCivil(y, 1, 1);
    if (d.kind == 'N')
        return jan1 + d.day;
    if (d.kind == 'J')
        return jan1 + d.day - 1 + (IsLeap(y) && d.day >= 60);
    const int64_t first = DaysFromCivil(y, d.month, 1);
    const int64_t next = d.month == 12 ? DaysFromCivil(y + 1, 1, 1) : DaysFromCivil(y, d.month + 1, 1);
    const int64_t weekday = ((first + 4) % 7 + 7) % 7; // 1970-01-01 was a Thursday
    int64_t day = first + ((d.day - weekday) % 7 + 7) % 7 + 7 * (d.week - 1);
    while (day >= next)
        day -= 7;
    return day;
}

} // namespace

bool PosixZoneRule::Parse(std::string_view text) {
    RuleReader r(text);
    int32_t west = 0;
    if (!r.Name() || !r.Clock(24, west))
        return false;
    stdOffset = -west;
    hasDst = !r.AtEnd();
    if (!hasDst)
        return true;
    if (!r.Name())
        return false;
    dstOffset = stdOffset + 3600;
    if (r.PeekDigitOrSign()) {
        if (!r.Clock(24, west))
            return false;
        dstOffset = -west;
    }
    if (r.AtEnd()) {
        // No dates: the US rules, as glibc assumes.
        start = {'M', 0, 2, 3, 7200};
        end = {'M', 0, 1, 11, 7200};
        return true;
    }
    return r.Take(',') && r.Date(start) && r.Take(',') && r.Date(end) && r.AtEnd();
}

int64_t PosixZoneRule::OffsetAt(int64_t t) const {
    if (!hasDst)
        return stdOffset;
    // The changes of the years around t, in order; the last one at or
    // before t decides. A start and an end at one instant (daylight saving
    // all year) leave daylight saving on.
    struct Change {
        int64_t at;
        bool dstBegins;
    };
    std::array<Change, 6> changes{};
    const int year = YearOfDay(Floor(t, 86400));
    for (int i = 0; i < 3; ++i) {
        const int64_t y = year - 1 + i;
        changes[2 * i] = {DayOf(start, y) * 86400 + start.time - stdOffset, true};
        changes[2 * i + 1] = {DayOf(end, y) * 86400 + end.time - dstOffset, false};
    }
    std::sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) {
        return a.at != b.at ? a.at < b.at : !a.dstBegins && b.dstBegins;
    });
    bool dst = false;
    for (const Change& c : changes)
        if (c.at <= t)
            dst = c.dstBegins;
    return dst ? dstOffset : stdOffset;
}

namespace {

// ---- TZif files ----

class Bytes {
  public:
    explicit Bytes(std::string_view b) : m_b(b) {}
    bool Has(size_t n) const { return m_b.size() - m_pos >= n; }
    bool Skip(size_t n) {
        if (!Has(n))
            return false;
        m_pos += n;
        return true;
    }
    uint8_t U8() { return static_cast<uint8_t>(m_b[m_pos++]); }
    int64_t Big(int size) {
        uint64_t v = 0;
        for (int i = 0; i < size; ++i)
            v = v << 8 | U8();
        // Sign-extend a 32-bit value.
        if (size == 4)
            return static_cast<int32_t>(static_cast<uint32_t>(v));
        return static_cast<int64_t>(v);
    }
    std::string_view Rest() const { return m_b.substr(m_pos); }

  private:
    std::string_view m_b;
    size_t m_pos = 0;
};

struct Counts {
    uint32_t isut, isstd, leap, time, type, chars;
    // Bytes of the data block with times of timeSize bytes.
    uint64_t Size(int timeSize) const {
        return uint64_t{time} * (timeSize + 1) + uint64_t{type} * 6 + chars +
               uint64_t{leap} * (timeSize + 4) + isstd + isut;
    }
};

bool ReadHeader(Bytes& b, char& version, Counts& c) {
    if (!b.Has(44) || b.Rest().substr(0, 4) != "TZif")
        return false;
    b.Skip(4);
    version = static_cast<char>(b.U8());
    b.Skip(15);
    c.isut = static_cast<uint32_t>(b.Big(4));
    c.isstd = static_cast<uint32_t>(b.Big(4));
    c.leap = static_cast<uint32_t>(b.Big(4));
    c.time = static_cast<uint32_t>(b.Big(4));
    c.type = static_cast<uint32_t>(b.Big(4));
    c.chars = static_cast<uint32_t>(b.Big(4));
    return c.type >= 1 && c.type <= 256 && (c.isut == 0 || c.isut == c.type) &&
           (c.isstd == 0 || c.isstd == c.type) && b.Has(c.Size(version >= '2' ? 8 : 4));
}

} // namespace

bool ZoneRules::Parse(std::string_view bytes) {
    Bytes b(bytes);
    char version = 0;
    Counts c{};
    if (!ReadHeader(b, version, c))
        return false;
    int timeSize = 4;
    if (version >= '2') {
        // The 64-bit block follows the 32-bit one.
        if (!b.Skip(c.Size(4)) || !ReadHeader(b, version, c))
            return false;
        timeSize = 8;
    }
    if (c.leap != 0 || !b.Has(c.Size(timeSize)))
        return false;
    m_times.resize(c.time);
    m_typeOf.resize(c.time);
    m_types.resize(c.type);
    for (int64_t& t : m_times)
        t = b.Big(timeSize);
    for (uint8_t& i : m_typeOf)
        if ((i = b.U8()) >= c.type)
            return false;
    for (Type& t : m_types) {
        const int64_t offset = b.Big(4);
        t.dst = b.U8() != 0;
        b.Skip(1);
        // RFC 8536: never -2^31, and real offsets are within a day.
        if (offset <= -86400 || offset >= 86400)
            return false;
        t.offset = static_cast<int32_t>(offset);
    }
    if (!std::is_sorted(m_times.begin(), m_times.end()) ||
        std::adjacent_find(m_times.begin(), m_times.end()) != m_times.end())
        return false;
    b.Skip(c.chars + c.isstd + c.isut);
    // Before the first transition: the first standard-time type, as glibc.
    const auto standard = std::find_if(m_types.begin(), m_types.end(), [](const Type& t) { return !t.dst; });
    m_before = (standard != m_types.end() ? *standard : m_types.front()).offset;
    m_hasRule = false;
    if (timeSize == 8) {
        // The footer: "\n" rule "\n"; an empty rule means none.
        const std::string_view rest = b.Rest();
        const size_t end = rest.size() > 1 ? rest.find('\n', 1) : std::string_view::npos;
        if (rest.empty() || rest[0] != '\n' || end == std::string_view::npos)
            return false;
        const std::string_view rule = rest.substr(1, end - 1);
        if (!rule.empty()) {
            if (!m_rule.Parse(rule))
                return false;
            m_hasRule = true;
        }
    }
    return true;
}

int64_t ZoneRules::OffsetAt(int64_t t) const {
    if (m_times.empty() || t < m_times.front())
        return m_times.empty() && m_hasRule ? m_rule.OffsetAt(t) : m_before;
    if (t >= m_times.back() && m_hasRule)
        return m_rule.OffsetAt(t);
    const size_t i =
        static_cast<size_t>(std::upper_bound(m_times.begin(), m_times.end(), t) - m_times.begin());
    return m_types[m_typeOf[i - 1]].offset;
}
