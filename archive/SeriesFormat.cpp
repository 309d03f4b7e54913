#include "SeriesFormat.h"

#include "LocalTime.h"
#include "NumText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Appends v right-aligned in width (never truncated).
void AppendPadded(std::string& out, std::string_view v, size_t width, bool left) {
    if (!left && v.size() < width)
        out.append(width - v.size(), ' ');
    out.append(v);
    if (left && v.size() < width)
        out.append(width - v.size(), ' ');
}

// printf "%.<precision>f" without the locale.
std::string_view Fixed(char* buf, size_t size, double v, int precision) {
    const auto res = std::to_chars(buf, buf + size, v, std::chars_format::fixed, precision);
    return {buf, static_cast<size_t>(res.ptr - buf)};
}

std::string_view Int(char* buf, size_t size, long long v) {
    const auto res = std::to_chars(buf, buf + size, v);
    return {buf, static_cast<size_t>(res.ptr - buf)};
}

// "%02d" for the small non-negative values of a date.
void Append2(std::string& out, int v) {
    if (v >= 0 && v < 100) {
        out.push_back(static_cast<char>('0' + v / 10));
        out.push_back(static_cast<char>('0' + v % 10));
    } else {
        char buf[16];
        out.append(Int(buf, sizeof buf, v));
    }
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

unsigned CurveFlags(const CurveOptions& options) { return options.filter ? CF_SKIP_BAD : 0; }

// Walks the records of the series with their GetCurves entries, the way the
// export pairs them: a record left out by the filter has no entry.
template <class Fn> void ForEachExported(const SeriesInfo& series, const CurveOptions& options, Fn&& fn) {
    SeriesCurves c;
    const int n = GetExportCurves(series, options, c);
    int k = 0;
    for (int i = 0; i < series.GetCount() && k < n; ++i) {
        const ArchiveRecord& r = series.GetRecord(i);
        if (options.filter && r.IsBad())
            continue;
        fn(i + 1, r, c.times[k], c.results[k], c.temps[k], c.pres[k]);
        ++k;
    }
}

} // namespace

std::string SeriesStartName(const SeriesInfo& series) {
    const LocalFields f = ToLocalFields(series.GetStartTime());
    char buf[64];
    std::snprintf(buf, sizeof buf, "%4d-%02d-%02d_%02d%02d%02d", f.year, f.month, f.day, f.hour, f.minute,
                  f.second);
    return buf;
}

std::vector<std::string> SeriesListEntries(const CArchiveData& archive, std::string_view startText,
                                           std::string_view stopText) {
    std::vector<std::string> entries;
    const int n = archive.GetSeriesCount();
    int k = 0;
    int64_t previous = -1;
    for (int i = 0; i < n; ++i) {
        const SeriesInfo& s = *archive.GetSeries(i);
        const bool same = static_cast<int64_t>(s.number) == previous;
        if (!same)
            ++k;
        previous = s.number;
        const auto bracket = [](double t) {
            const LocalFields f = ToLocalFields(t);
            char buf[96];
            std::snprintf(buf, sizeof buf, "[  %4d-%02d-%02d   %02d:%02d:%02d  ]", f.year, f.month, f.day, f.hour,
                          f.minute, f.second);
            return std::string(buf);
        };
        char head[64];
        std::snprintf(head, sizeof head, "#%d/%d %s ", k, n, same ? "*" : "  ");
        std::string e = head;
        e.append(startText).append(": ").append(bracket(s.GetStartTime()));
        e.append("     ").append(stopText).append(": ").append(bracket(s.GetEndTime()));
        entries.push_back(std::move(e));
    }
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

void AppendExportLine(std::string& out, int number, const LocalFields& when, bool zero, bool bad,
                      double temperature, double pressure, double result) {
    char buf[400];
    AppendPadded(out, Int(buf, sizeof buf, number), 8, true);

    // Date and time in 16 columns each.
    size_t mark = out.size();
    if (when.year >= 1000 && when.year <= 9999) {
        out.append(Int(buf, sizeof buf, when.year));
    } else {
        std::snprintf(buf, sizeof buf, "%4d", when.year);
        out.append(buf);
    }
    out.push_back('-');
    Append2(out, when.month);
    out.push_back('-');
    Append2(out, when.day);
    if (out.size() - mark < 16)
        out.append(16 - (out.size() - mark), ' ');
    mark = out.size();
    Append2(out, when.hour);
    out.push_back(':');
    Append2(out, when.minute);
    out.push_back(':');
    Append2(out, when.second);
    if (out.size() - mark < 16)
        out.append(16 - (out.size() - mark), ' ');

    const std::string_view res = Fixed(buf, sizeof buf, result, 3);
    char resText[400];
    std::memcpy(resText, res.data(), res.size());
    const std::string_view resultText(resText, res.size());
    AppendPadded(out, resultText, 9, false);

    mark = out.size();
    out.append(bad ? "   +" : "    ");
    out.append(Fixed(buf, sizeof buf, temperature, 1));
    if (out.size() - mark < 8)
        out.append(8 - (out.size() - mark), ' ');

    mark = out.size();
    AppendPadded(out, Int(buf, sizeof buf, TruncateToInt(pressure)), 6, false);
    if (out.size() - mark < 8)
        out.append(8 - (out.size() - mark), ' ');

    if (!zero)
        AppendPadded(out, resultText, 9, false);
}

std::string ExportTable(const SeriesInfo& series, const CurveOptions& options) {
    std::string out;
    out.reserve(static_cast<size_t>(series.GetCount()) * 80);
    EpochToLocalConverter local;
    ForEachExported(series, options,
                    [&](int number, const ArchiveRecord& r, double t, double result, double temp, double pres) {
                        const LocalFields f = local.ToLocal(static_cast<int64_t>(t));
                        AppendExportLine(out, number, f, r.IsZero(), r.IsBad(), temp, pres, result);
                        out.append("\r\n");
                    });
    return out;
}

std::string ExportCsv(const SeriesInfo& series, const CurveOptions& options) {
    std::string out = "time,epoch,result,temperature,pressure,zero,bad\n";
    EpochToLocalConverter local;
    char buf[128];
    const auto number = [&](double v) {
        const auto res = std::to_chars(buf, buf + sizeof buf, v);
        out.append(buf, res.ptr);
    };
    ForEachExported(series, options,
                    [&](int, const ArchiveRecord& r, double t, double result, double temp, double pres) {
                        const int64_t epoch = static_cast<int64_t>(t);
                        const LocalFields f = local.ToLocal(epoch);
                        const int64_t naive = DaysFromCivil(f.year, f.month, f.day) * 86400 +
                                              f.hour * 3600 + f.minute * 60 + f.second;
                        const int64_t offset = naive - epoch;
                        const int64_t absOffset = offset < 0 ? -offset : offset;
                        std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d,", f.year,
                                      f.month, f.day, f.hour, f.minute, f.second, offset < 0 ? '-' : '+',
                                      static_cast<int>(absOffset / 3600), static_cast<int>(absOffset / 60 % 60));
                        out.append(buf);
                        number(t);
                        out.push_back(',');
                        number(result);
                        out.push_back(',');
                        number(temp);
                        out.push_back(',');
                        number(pres);
                        out.append(r.IsZero() ? ",1" : ",0");
                        out.append(r.IsBad() ? ",1\n" : ",0\n");
                    });
    return out;
}

bool ComputeStatistics(const std::vector<double>& times, const std::vector<double>& results, double xmin,
                       double xmax, Statistics& stats) {
    stats.mean = stats.sd = stats.range = 0;
    size_t n = 0;
    double sum = 0, sumSq = 0, mn = 0, mx = 0, first = 0, last = 0;
    const size_t count = std::min(times.size(), results.size());
    for (size_t i = 0; i < count; ++i) {
        const double t = times[i];
        if (t < xmin)
            continue;
        if (t > xmax)
            break;
        const double y = results[i];
        if (n == 0) {
            mn = mx = y;
            first = t;
        }
        mn = y < mn ? y : mn;
        mx = y > mx ? y : mx;
        last = t;
        sum += y;
        sumSq += y * y;
        ++n;
    }
    if (n == 0)
        return false;
    const auto whole = [](double t) { return std::isfinite(t) ? std::trunc(t) : t; };
    stats.firstTime = whole(first);
    stats.lastTime = whole(last);
    const double dn = static_cast<double>(n);
    stats.mean = sum / dn;
    stats.min = mn;
    stats.max = mx;
    if (n > 1) {
        stats.range = mx - mn;
        const double radicand = sumSq / dn - sum * sum / dn / dn;
        // Rounding can make the radicand of equal values slightly negative.
        stats.sd = radicand > 0 ? std::sqrt(radicand) : 0;
    }
    return true;
}

std::array<std::string, 7> StatisticsCells(const Statistics& stats) {
    std::array<std::string, 7> cells;
    const LocalFields a = ToLocalFields(stats.firstTime);
    const LocalFields b = ToLocalFields(stats.lastTime);
    cells[0] = DateText(a);
    cells[1] = TimeText(a) + " - " + TimeText(b);
    cells[2] = ThreeDigitForm(stats.mean);
    cells[3] = ThreeDigitForm(stats.sd);
    cells[4] = ThreeDigitForm(stats.min);
    cells[5] = ThreeDigitForm(stats.max);
    cells[6] = ThreeDigitForm(ParseDouble(cells[5].c_str()) - ParseDouble(cells[4].c_str()));
    return cells;
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
    const auto greaterThan1000 = [](const std::string& d) { return d.size() > 4 || (d.size() == 4 && d > "1000"); };
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
    std::vector<std::string> names;
    for (int i = 0; i < archive.GetSeriesCount(); ++i) {
        const std::string stem = SeriesStartName(*archive.GetSeries(i));
        std::string name = stem + ".mnr";
        for (int k = 2; std::find(names.begin(), names.end(), name) != names.end(); ++k)
            name = stem + "_" + std::to_string(k) + ".mnr";
        names.push_back(std::move(name));
    }
    return names;
}
