#include "SeriesFormat.h"

#include "ChunkedText.h"
#include "CurvePoints.h"
#include "ExportClock.h"
#include "LocalTime.h"
#include "NumText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <unordered_map>

namespace {

// printf "%.<precision>f" without the locale.
std::string_view Fixed(char* buf, size_t size, double v, int precision) {
    const auto res = std::to_chars(buf, buf + size, v, std::chars_format::fixed, precision);
    return {buf, static_cast<size_t>(res.ptr - buf)};
}

std::string DateText(const LocalFields& f) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%4d-%02d-%02d", f.year, f.month, f.day);
    return buf;
}

std::string TimeText(const LocalFields& f) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", f.hour, f.minute, f.second);
    return buf;
}

unsigned CurveFlags(const CurveOptions& options) {
    return options.filter ? CF_SKIP_BAD : 0;
}

// Walks the records of the series with their GetCurves entries, the way the
// export pairs them: a record left out by the filter has no entry.
template <class Fn> void ForEachExported(const SeriesInfo& series, const CurveOptions& options, Fn&& fn) {
    series.ForEachCurvePoint(CurveFlags(options), options.zeroCorrection, options.stdTemp, options.stdPres,
                             [&](int i, const ArchiveRecord& r, double t, double result, double temp,
                                 double pres) { fn(i + 1, r, t, result, temp, pres); });
}

} // namespace

namespace {

std::string StartName(const LocalFields& f) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%4d-%02d-%02d_%02d%02d%02d", f.year, f.month, f.day, f.hour, f.minute,
                  f.second);
    return buf;
}

} // namespace

std::string SeriesStartName(const SeriesInfo& series) {
    return StartName(ToLocalFields(series.GetStartTime()));
}

namespace {

// "#k/n * Start: [ ... ]     Stop: [ ... ]" for series s, the k-th number of the list.
void AppendSeriesListEntry(std::string& e, const SeriesInfo& s, int k, int n, bool same,
                           std::string_view startText, std::string_view stopText, LocalTimeConverter& toEpoch,
                           EpochToLocalConverter& toLocal) {
    const auto bracket = [&](const ArchiveRecord& r) {
        const LocalFields f = toLocal.ToLocal(static_cast<int64_t>(r.GetTime(toEpoch)));
        char buf[96];
        std::snprintf(buf, sizeof buf, "[  %4d-%02d-%02d   %02d:%02d:%02d  ]", f.year, f.month, f.day, f.hour,
                      f.minute, f.second);
        return std::string(buf);
    };
    char head[64];
    std::snprintf(head, sizeof head, "#%d/%d %s ", k, n, same ? "*" : "  ");
    e = head;
    e.append(startText).append(": ").append(bracket(s.GetRecord(0)));
    e.append("     ").append(stopText).append(": ").append(bracket(s.GetRecord(s.GetCount() - 1)));
}

} // namespace

void ForEachSeriesListEntry(const CArchiveData& archive, std::string_view startText,
                            std::string_view stopText, const std::function<void(const std::string&)>& fn) {
    const int n = archive.GetSeriesCount();
    LocalTimeConverter toEpoch;
    EpochToLocalConverter toLocal;
    int k = 0;
    int64_t previous = -1;
    std::string e;
    for (int i = 0; i < n; ++i) {
        const SeriesInfo& s = *archive.GetSeries(i);
        const bool same = static_cast<int64_t>(s.number) == previous;
        if (!same)
            ++k;
        previous = s.number;
        AppendSeriesListEntry(e, s, k, n, same, startText, stopText, toEpoch, toLocal);
        fn(e);
    }
}

SeriesListTexts::SeriesListTexts(const CArchiveData& archive, std::string startText, std::string stopText)
    : m_archive(&archive), m_count(archive.GetSeriesCount()), m_start(std::move(startText)),
      m_stop(std::move(stopText)) {
    for (int i = 1; i < archive.GetSeriesCount(); ++i)
        if (archive.GetSeries(i)->number == archive.GetSeries(i - 1)->number)
            m_repeats.push_back(i);
}

std::string SeriesListTexts::Entry(int index) const {
    const SeriesInfo* series = m_archive ? m_archive->GetSeries(index) : nullptr;
    if (!series || index >= m_count || series->GetCount() <= 0)
        return {};
    // The number k counts the series up to index that do not repeat the one before.
    const auto repeatsUpTo = std::upper_bound(m_repeats.begin(), m_repeats.end(), index);
    const int k = index + 1 - static_cast<int>(repeatsUpTo - m_repeats.begin());
    const bool same = repeatsUpTo != m_repeats.begin() && *(repeatsUpTo - 1) == index;
    LocalTimeConverter toEpoch;
    EpochToLocalConverter toLocal;
    std::string e;
    AppendSeriesListEntry(e, *series, k, m_count, same, m_start, m_stop, toEpoch, toLocal);
    return e;
}

std::vector<std::string> SeriesListEntries(const CArchiveData& archive, std::string_view startText,
                                           std::string_view stopText) {
    std::vector<std::string> entries;
    entries.reserve(static_cast<size_t>(archive.GetSeriesCount()));
    ForEachSeriesListEntry(archive, startText, stopText, [&](const std::string& e) { entries.push_back(e); });
    return entries;
}

YCaptionOffsets YAxisCaptionOffsets(int kind) {
    if (kind == 4)
        return {139, 140};
    if (kind == 2 || kind > 5)
        return {27, 55};
    return {27, 56};
}

int GetExportCurves(const SeriesInfo& series, const CurveOptions& options, SeriesCurves& out) {
    return series.GetCurves(CurveFlags(options), options.zeroCorrection, options.stdTemp, options.stdPres,
                            out.times, out.results, out.temps, out.pres);
}

namespace {

// v * 10^decimals (decimals 1 or 3) rounded to a whole count of units when
// the scaled value lies clearly off a rounding tie, so integer rounding gives
// what printf's exact rounding gives; false for the rest.
bool RoundFixed(double v, int decimals, uint64_t& units) {
    const double x = v * (decimals == 3 ? 1000.0 : 10.0);
    const double ax = std::fabs(x);
    if (!(ax < 4e12)) // a half ulp of x stays far below the tie margin
        return false;
    const uint64_t whole = static_cast<uint64_t>(ax); // floor: ax >= 0
    const double frac = ax - static_cast<double>(whole);
    if (std::fabs(frac - 0.5) <= 1e-3)
        return false;
    units = whole + (frac > 0.5 ? 1 : 0);
    return true;
}

int DigitCount(uint64_t v) {
    int n = 1;
    while (v >= 10) {
        v /= 10;
        ++n;
    }
    return n;
}

// Pads [start, p) with blanks to width, on the left (right-aligned) or right.
char* PadField(char* start, char* p, ptrdiff_t width, bool left) {
    const ptrdiff_t len = p - start;
    if (len >= width)
        return p;
    if (!left) {
        std::memmove(start + (width - len), start, static_cast<size_t>(len));
        std::memset(start, ' ', static_cast<size_t>(width - len));
    } else {
        std::memset(p, ' ', static_cast<size_t>(width - len));
    }
    return start + width;
}

// The text of a number rounded by RoundFixed: "-123.456" has 8 bytes.
struct FixedText {
    uint64_t units;
    ptrdiff_t length;
    bool negative;
};

bool PlanFixed(double v, int decimals, FixedText& text) {
    if (!RoundFixed(v, decimals, text.units))
        return false;
    text.negative = std::signbit(v);
    text.length =
        (text.negative ? 1 : 0) + DigitCount(text.units / (decimals == 3 ? 1000 : 10)) + 1 + decimals;
    return true;
}

// Writes the planned text at a and at b (which may be a).
void WriteFixed(char* a, char* b, const FixedText& text, int decimals) {
    ptrdiff_t i = text.length;
    uint64_t fraction = text.units % (decimals == 3 ? 1000 : 10);
    for (int k = 0; k < decimals; ++k) {
        --i;
        a[i] = b[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    --i;
    a[i] = b[i] = '.';
    uint64_t whole = text.units / (decimals == 3 ? 1000 : 10);
    do {
        --i;
        a[i] = b[i] = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    if (text.negative)
        a[0] = b[0] = '-';
}

// printf "%<width>.<decimals>f" (left: "%-<width>...", width at most 16)
// into p without the locale; returns the end. Writes up to 16 bytes past p
// even when the text is shorter.
char* PutFixed(char* p, double v, int decimals, ptrdiff_t width, bool left) {
    FixedText text;
    if (!PlanFixed(v, decimals, text))
        return PadField(p, std::to_chars(p, p + 380, v, std::chars_format::fixed, decimals).ptr, width, left);
    const ptrdiff_t pad = text.length < width ? width - text.length : 0;
    std::memset(p, ' ', 16);
    char* start = left ? p : p + pad;
    WriteFixed(start, start, text, decimals);
    return p + text.length + pad;
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char* Put2(char* p, int v) {
    if (v >= 0 && v < 100) {
        std::memcpy(p, kDigitPairs + 2 * v, 2);
        return p + 2;
    }
    return std::to_chars(p, p + 12, v).ptr;
}

// The date column of the table ("2011-06-03" padded to 16), made once per
// date: records come a day at a time.
class DateColumn {
  public:
    char* Put(char* p, const LocalFields& when) {
        if (when.year != m_year || when.month != m_month || when.day != m_day) {
            char* q = m_text;
            if (when.year < 1000)
                q += std::snprintf(q, 16, "%4d", when.year);
            else
                q = std::to_chars(q, q + 12, when.year).ptr;
            *q++ = '-';
            q = Put2(q, when.month);
            *q++ = '-';
            q = Put2(q, when.day);
            m_size = static_cast<size_t>(PadField(m_text, q, 16, true) - m_text);
            m_year = when.year;
            m_month = when.month;
            m_day = when.day;
        }
        std::memcpy(p, m_text, sizeof m_text);
        return p + m_size;
    }

  private:
    int m_year = INT32_MIN, m_month = 0, m_day = 0;
    char m_text[48] = {};
    size_t m_size = 0;
};

// The columns from the bad mark to the pressure ("    21.5   745  "), made
// once for each run of equal values: they seldom change between records.
class TempPresColumns {
  public:
    char* Put(char* p, bool bad, double temperature, double pressure) {
        if (bad != m_bad || !SameBits(temperature, m_temperature) || !SameBits(pressure, m_pressure)) {
            const size_t size = static_cast<size_t>(Make(p, bad, temperature, pressure) - p);
            m_size = size <= sizeof m_text ? size : 0; // a longer one is made each time
            std::memcpy(m_text, p, m_size);
            m_bad = bad;
            m_temperature = temperature;
            m_pressure = pressure;
            return p + size;
        }
        if (m_size == 0)
            return Make(p, bad, temperature, pressure);
        std::memcpy(p, m_text, sizeof m_text);
        return p + m_size;
    }

  private:
    static bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
    static char* Make(char* p, bool bad, double temperature, double pressure) {
        std::memcpy(p, bad ? "   +" : "    ", 4);
        p = PutFixed(p + 4, temperature, 1, 4, true);
        char* f = p;
        return PadField(f, PadField(p, std::to_chars(p, p + 12, TruncateToInt(pressure)).ptr, 6, false), 8,
                        true);
    }

    bool m_bad = false;
    double m_temperature = std::numeric_limits<double>::quiet_NaN(), m_pressure = 0;
    char m_text[32] = {};
    size_t m_size = 0;
};

// The per-record state of the table's lines.
struct TableColumns {
    DateColumn date;
    TempPresColumns tempPres;
};

// One line of the table at p (at most 1024 bytes, no line end; it may write
// 64 bytes past that); returns its end.
char* PutExportLine(char* p, TableColumns& columns, int number, const LocalFields& when, bool zero, bool bad,
                    double temperature, double pressure, double result) {
    std::memset(p, ' ', 8);
    char* e = std::to_chars(p, p + 12, number).ptr;
    p = e - p < 8 ? p + 8 : e;
    p = columns.date.Put(p, when);
    char* f = p;
    std::memset(p, ' ', 16);
    p = Put2(p, when.hour);
    *p++ = ':';
    p = Put2(p, when.minute);
    *p++ = ':';
    p = Put2(p, when.second);
    p = p - f < 16 ? f + 16 : p;

    // The result, and again after the pressure unless a zero record: both
    // written at once (a copy would read back bytes still being stored).
    FixedText text;
    if (PlanFixed(result, 3, text)) {
        const ptrdiff_t pad = text.length < 9 ? 9 - text.length : 0;
        std::memset(p, ' ', 16);
        char* end = columns.tempPres.Put(p + pad + text.length, bad, temperature, pressure);
        char* again = p + pad;
        if (!zero) {
            std::memset(end, ' ', 16);
            again = end + pad;
            end += pad + text.length;
        }
        WriteFixed(p + pad, again, text, 3);
        return end;
    }
    char* resultStart = p;
    p = PutFixed(p, result, 3, 9, false);
    const size_t resultLen = static_cast<size_t>(p - resultStart);
    p = columns.tempPres.Put(p, bad, temperature, pressure);
    if (!zero) {
        std::memcpy(p, resultStart, resultLen);
        p += resultLen;
    }
    return p;
}

} // namespace

void AppendExportLine(std::string& out, int number, const LocalFields& when, bool zero, bool bad,
                      double temperature, double pressure, double result) {
    // Widest case: two results and a temperature of up to 310 digits each
    // plus small fields.
    char line[1024 + 64];
    TableColumns columns;
    const char* end = PutExportLine(line, columns, number, when, zero, bad, temperature, pressure, result);
    out.append(line, static_cast<size_t>(end - line));
}

namespace {

// The most one table or CSV line takes.
constexpr size_t kLineSlack = 2048;

template <class LineDone>
void BuildExportTable(const SeriesInfo& series, const CurveOptions& options, TextBlock& block,
                      LineDone&& lineDone) {
    EpochToLocalConverter local;
    TableColumns columns;
    ForEachExported(
        series, options,
        [&](int number, const ArchiveRecord& r, double t, double result, double temp, double pres) {
            const LocalFields f = local.ToLocal(static_cast<int64_t>(t));
            char* p =
                PutExportLine(block.End(), columns, number, f, r.IsZero(), r.IsBad(), temp, pres, result);
            std::memcpy(p, "\r\n", 2);
            lineDone(p + 2);
        });
}

} // namespace

std::string ExportTable(const SeriesInfo& series, const CurveOptions& options) {
    return BlockText(
        kLineSlack,
        [&](TextBlock& out, auto&& lineDone) { BuildExportTable(series, options, out, lineDone); },
        static_cast<size_t>(series.GetCount()) * 80);
}

bool WriteExportTable(const SeriesInfo& series, const CurveOptions& options, std::FILE* file) {
    return WriteBlockText(file, kLineSlack, [&](TextBlock& out, auto&& lineDone) {
        BuildExportTable(series, options, out, lineDone);
    });
}

namespace {

// A CSV number field of a value that seldom changes between records
// (temperature, pressure), made again only when it does.
class RepeatedNumber {
  public:
    char* Put(char* p, double v) {
        if (std::memcmp(&v, &m_value, sizeof v) != 0 || m_size == 0) {
            char* end = WriteShortest(p, v);
            m_size = static_cast<size_t>(end - p);
            std::memcpy(m_text, p, m_size);
            m_value = v;
            return end;
        }
        std::memcpy(p, m_text, sizeof m_text);
        return p + m_size;
    }

  private:
    double m_value = 0;
    char m_text[32] = {};
    size_t m_size = 0;
};

template <class LineDone>
void BuildExportCsv(const SeriesInfo& series, const CurveOptions& options, TextBlock& out,
                    LineDone&& lineDone) {
    out.Append("time,epoch,result,temperature,pressure,zero,bad\n");
    ExportIsoTime iso;
    RepeatedNumber temperature, pressure;
    ForEachExported(series, options,
                    [&](int, const ArchiveRecord& r, double t, double result, double temp, double pres) {
                        char* p = iso.Put(out.End(), static_cast<int64_t>(t));
                        *p++ = ',';
                        p = WriteShortest(p, t);
                        *p++ = ',';
                        p = WriteShortest(p, result);
                        *p++ = ',';
                        p = temperature.Put(p, temp);
                        *p++ = ',';
                        p = pressure.Put(p, pres);
                        std::memcpy(p, r.IsZero() ? ",1" : ",0", 2);
                        std::memcpy(p + 2, r.IsBad() ? ",1\n" : ",0\n", 3);
                        lineDone(p + 5);
                    });
}

} // namespace

std::string ExportCsv(const SeriesInfo& series, const CurveOptions& options) {
    return BlockText(
        kLineSlack, [&](TextBlock& out, auto&& lineDone) { BuildExportCsv(series, options, out, lineDone); });
}

bool WriteExportCsv(const SeriesInfo& series, const CurveOptions& options, std::FILE* file) {
    return WriteBlockText(file, kLineSlack, [&](TextBlock& out, auto&& lineDone) {
        BuildExportCsv(series, options, out, lineDone);
    });
}

bool StatisticsAccumulator::Add(double t, double y) {
    if (m_done)
        return false;
    if (t < m_xmin)
        return true;
    if (t > m_xmax) {
        m_done = true;
        return false;
    }
    if (m_n == 0)
        m_first = t;
    m_last = t;
    ++m_n;
    if (!std::isfinite(y))
        return true;
    if (m_values == 0)
        m_min = m_max = y;
    m_min = y < m_min ? y : m_min;
    m_max = y > m_max ? y : m_max;
    m_sum += y;
    m_sumSq += y * y;
    ++m_values;
    return true;
}

bool StatisticsAccumulator::Finish(Statistics& stats) const {
    stats.mean = stats.sd = stats.range = 0;
    if (m_n == 0)
        return false;
    const auto whole = [](double t) { return std::isfinite(t) ? std::trunc(t) : t; };
    stats.firstTime = whole(m_first);
    stats.lastTime = whole(m_last);
    stats.count = m_n;
    stats.nonFinite = m_n - m_values;
    stats.min = m_min;
    stats.max = m_max;
    if (m_values == 0)
        return true;
    const double dn = static_cast<double>(m_values);
    stats.mean = m_sum / dn;
    if (m_values > 1) {
        stats.range = m_max - m_min;
        const double radicand = m_sumSq / dn - m_sum * m_sum / dn / dn;
        // Rounding can make the radicand of equal values slightly negative.
        stats.sd = radicand > 0 ? std::sqrt(radicand) : 0;
    }
    return true;
}

bool ComputeStatistics(const std::vector<double>& times, const std::vector<double>& results, double xmin,
                       double xmax, Statistics& stats) {
    StatisticsAccumulator acc(xmin, xmax);
    const size_t count = std::min(times.size(), results.size());
    for (size_t i = 0; i < count && acc.Add(times[i], results[i]); ++i) {
    }
    return acc.Finish(stats);
}

bool ComputeSeriesStatistics(const SeriesInfo& series, const CurveOptions& options, double xmin, double xmax,
                             Statistics& stats) {
    StatisticsAccumulator acc(xmin, xmax);
    series.ForEachCurvePoint(
        CF_MEAS_ONLY | CurveFlags(options), options.zeroCorrection, options.stdTemp, options.stdPres,
        [&](int, const ArchiveRecord&, double t, double y, double, double) { acc.Add(t, y); });
    return acc.Finish(stats);
}

std::array<std::string, 7> StatisticsCells(const Statistics& stats) {
    std::array<std::string, 7> cells;
    const LocalFields a = ToLocalFields(stats.firstTime);
    const LocalFields b = ToLocalFields(stats.lastTime);
    cells[0] = DateText(a);
    cells[1] = TimeText(a).append(" - ").append(TimeText(b));
    if (stats.nonFinite > 0 && stats.nonFinite == stats.count) {
        std::fill(cells.begin() + 2, cells.end(), std::string(1, '-'));
        return cells;
    }
    cells[2] = ThreeDigitForm(stats.mean);
    cells[3] = ThreeDigitForm(stats.sd);
    cells[4] = ThreeDigitForm(stats.min);
    cells[5] = ThreeDigitForm(stats.max);
    cells[6] = ThreeDigitForm(ParseDouble(cells[5].c_str()) - ParseDouble(cells[4].c_str()));
    return cells;
}

std::string NonFiniteNote(size_t nonFinite, size_t count) {
    if (nonFinite == 0)
        return {};
    char buf[160];
    std::snprintf(buf, sizeof buf,
                  "%zu of %zu points have no finite result (left out of mean, SD, min and max)", nonFinite,
                  count);
    return buf;
}

std::string ThreeDigitForm(double x) {
    const std::string sign = x < 0 ? "-" : "";
    const double scaled = std::floor(std::fabs(x) * 100 + 0.5);
    if (!std::isfinite(scaled))
        return sign + (std::isnan(x) ? "nan" : "inf");
    // a, the count of hundredths, as decimal digits: it can exceed 64 bits.
    char buf[400];
    const std::string_view digits = Fixed(buf, sizeof buf, scaled, 0);
    std::string a(digits);
    const auto greaterThan1000 = [](const std::string& d) {
        return d.size() > 4 || (d.size() == 4 && d > "1000");
    };
    size_t steps = 0;
    while (greaterThan1000(a)) {
        // Round away the last digit, half up, carrying as far as needed.
        const bool up = a.back() >= '5';
        a.pop_back();
        if (up) {
            size_t i = a.size();
            while (i > 0 && a[i - 1] == '9')
                a[--i] = '0';
            if (i == 0)
                a.insert(a.begin(), '1');
            else
                ++a[i - 1];
        }
        ++steps;
    }
    a.append(steps, '0');
    const auto toInt = [](std::string_view d) {
        int v = 0;
        for (char c : d)
            v = v * 10 + (c - '0');
        return v;
    };
    if (a.size() >= 5) // a >= 10000: whole units
        return sign + a.substr(0, a.size() - 2);
    const int v = toInt(a);
    char out[64];
    if (v >= 1000)
        std::snprintf(out, sizeof out, "%s%d.%d", sign.c_str(), v / 100, v % 100 / 10);
    else
        std::snprintf(out, sizeof out, "%s%d.%02d", sign.c_str(), v / 100, v % 100);
    return out;
}

std::vector<std::string> SaveAllFileNames(const CArchiveData& archive) {
    // Start names have one fixed length ("2011-06-03_090530", record years
    // are 2000..2099), so "<start>_<k>" never equals another start name and
    // a name is taken only by an earlier series of the same start: counting
    // the series of each start gives the first free suffix at once.
    std::unordered_map<int64_t, int> seen;
    std::vector<std::string> names;
    const int n = archive.GetSeriesCount();
    names.reserve(static_cast<size_t>(n));
    seen.reserve(static_cast<size_t>(n));
    LocalTimeConverter toEpoch;
    EpochToLocalConverter toLocal;
    for (int i = 0; i < n; ++i) {
        const ArchiveRecord& r = archive.GetSeries(i)->GetRecord(0);
        const LocalFields f = toLocal.ToLocal(static_cast<int64_t>(r.GetTime(toEpoch)));
        const int64_t date = (int64_t{f.year} * 100 + f.month) * 100 + f.day;
        const int64_t start = ((date * 100 + f.hour) * 100 + f.minute) * 100 + f.second;
        const int k = ++seen[start];
        std::string name = StartName(f);
        if (k > 1)
            name.append("_").append(std::to_string(k));
        names.push_back(name.append(".mnr"));
    }
    return names;
}
