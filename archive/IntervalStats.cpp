#include "IntervalStats.h"

#include "CurvePoints.h"
#include "LocalTime.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// More rows than this (a century of minutes would be 52 million) is refused
// rather than filling memory with empty intervals.
constexpr size_t kMaxIntervals = 2000000;

int64_t NaiveOf(const LocalFields& f) {
    return DaysFromCivil(f.year, f.month, f.day) * 86400 + int64_t{f.hour} * 3600 + int64_t{f.minute} * 60 +
           f.second;
}

int64_t FloorSeconds(double t) {
    if (!(t > -1e15 && t < 1e15))
        return 0;
    return static_cast<int64_t>(std::floor(t));
}

// The positive time steps between consecutive points, for their median:
// whole seconds up to a day are counted in a histogram, the rest kept.
class CycleMedian {
  public:
    CycleMedian() : m_counts(kHistogram + 1, 0) {}
    void Add(double step) {
        if (!(step > 0))
            return;
        const double whole = std::floor(step);
        if (whole == step && step <= kHistogram)
            ++m_counts[static_cast<size_t>(step)];
        else
            m_others.push_back(step);
        ++m_n;
    }
    double Median() {
        if (m_n == 0)
            return 0;
        std::sort(m_others.begin(), m_others.end());
        if (m_n % 2 == 1)
            return Kth(m_n / 2);
        return (Kth(m_n / 2 - 1) + Kth(m_n / 2)) / 2;
    }

  private:
    static constexpr size_t kHistogram = 86400;
    // The k-th smallest step (from 0), merging the histogram with the others.
    double Kth(size_t k) const {
        size_t j = 0;
        for (size_t v = 1; v <= kHistogram; ++v) {
            while (j < m_others.size() && m_others[j] < static_cast<double>(v)) {
                if (k == 0)
                    return m_others[j];
                --k, ++j;
            }
            if (k < m_counts[v])
                return static_cast<double>(v);
            k -= m_counts[v];
        }
        return m_others[std::min(j + k, m_others.size() - 1)];
    }
    std::vector<uint32_t> m_counts;
    std::vector<double> m_others;
    size_t m_n = 0;
};

struct Accumulator {
    double sum = 0, sumSq = 0;
    void Add(IntervalRow& row, double t, double y, bool above) {
        if (row.count == 0 || y < row.min) {
            row.min = y;
            row.minTime = t;
        }
        if (row.count == 0 || y > row.max) {
            row.max = y;
            row.maxTime = t;
        }
        sum += y;
        sumSq += y * y;
        ++row.count;
        if (above) {
            if (row.above == 0 || t < row.firstAbove)
                row.firstAbove = t;
            if (row.above == 0 || t > row.lastAbove)
                row.lastAbove = t;
            ++row.above;
        }
    }
    // Mean and SD as the statistics row computes them (divisor n).
    void Finish(IntervalRow& row, double medianCycle, double minShare) const {
        if (row.count > 0) {
            const double n = static_cast<double>(row.count);
            row.mean = sum / n;
            const double radicand = sumSq / n - sum * sum / n / n;
            row.sd = row.count > 1 && radicand > 0 ? std::sqrt(radicand) : 0;
        }
        if (medianCycle > 0) {
            if (row.expected == 0)
                row.expected = static_cast<double>(row.end - row.start) / medianCycle;
            row.coverage = row.expected > 0 ? static_cast<double>(row.count) / row.expected : 0;
            row.incomplete = static_cast<double>(row.count) < minShare * row.expected;
        }
    }
};

// Seconds to add to a moment to read the local clock.
int64_t OffsetAt(EpochToLocalConverter& local, int64_t t) {
    return NaiveOf(local.ToLocal(t)) - t;
}

// Interval bounds for moments mostly in order: the local day of the last
// moment is kept.
class IntervalClock {
  public:
    void At(int64_t t, int minutes, int64_t& start, int64_t& end);

  private:
    EpochToLocalConverter m_local;
    LocalFields m_day{};
    int64_t m_dayStart = 0, m_dayEnd = 0;
    bool m_uniform = false;
};

void IntervalClock::At(int64_t t, int minutes, int64_t& start, int64_t& end) {
    EpochToLocalConverter& local = m_local;
    const LocalFields f = local.ToLocal(t);
    if (!(t >= m_dayStart && t < m_dayEnd && f.day == m_day.day)) {
        m_day = f;
        m_dayStart = LocalTimeToEpochExact(f.year, f.month, f.day, 0, 0, 0);
        m_dayEnd = LocalTimeToEpochExact(f.year, f.month, f.day + 1, 0, 0, 0);
        // Real zones change their offset at most once a day: a day of 24
        // hours with one offset at both ends has none.
        m_uniform =
            m_dayEnd - m_dayStart == 86400 && OffsetAt(local, m_dayStart) == OffsetAt(local, m_dayEnd - 1);
    }
    const int64_t dayStart = m_dayStart;
    const int64_t dayEnd = m_dayEnd;
    if (minutes >= 1440) {
        start = dayStart;
        end = dayEnd;
    } else {
        const int64_t offset = OffsetAt(local, t);
        const int64_t midnight = DaysFromCivil(f.year, f.month, f.day) * 86400;
        const int64_t length = int64_t{minutes} * 60;
        const int64_t from = midnight + (NaiveOf(f) - midnight) / length * length;
        const int64_t to = std::min(from + length, midnight + 86400);
        start = from - offset;
        end = to - offset;
        // A change of offset inside the interval cuts it there (real zones
        // change at most once in a few hours, so one search each side).
        if (!m_uniform && OffsetAt(local, start) != offset) {
            int64_t lo = start, hi = t; // lo: other offset, hi: this one
            while (hi - lo > 1) {
                const int64_t mid = lo + (hi - lo) / 2;
                (OffsetAt(local, mid) == offset ? hi : lo) = mid;
            }
            start = hi;
        }
        if (!m_uniform && OffsetAt(local, end - 1) != offset) {
            int64_t lo = t, hi = end - 1; // lo: this offset, hi: other one
            while (hi - lo > 1) {
                const int64_t mid = lo + (hi - lo) / 2;
                (OffsetAt(local, mid) == offset ? lo : hi) = mid;
            }
            end = hi;
        }
        start = std::max(start, dayStart);
        end = std::min(end, dayEnd);
    }
    // Zones whose midnight is skipped or repeated: keep t inside.
    start = std::min(start, t);
    end = std::max(end, t + 1);
}

// Takes the points of the view one at a time, in curve order, and keeps
// only the rows (and the steps after points above the limit, whose cycle
// length waits for the median).
class IntervalBuilder {
  public:
    explicit IntervalBuilder(const IntervalOptions& options) : m_o(options) {}

    void Add(double t, double y) {
        if (m_failed)
            return;
        const int64_t ts = FloorSeconds(t);
        if (m_rows.empty()) {
            if (m_o.minutes < 1 || m_o.minutes > 1440) {
                m_failed = true;
                return;
            }
            int64_t s, e;
            m_clock.At(ts, m_o.minutes, s, e);
            Push(m_rows.end(), s, e);
        } else {
            const double step = t - m_prevT;
            m_cycles.Add(step);
            if (m_prevAbove)
                m_aboveSteps.back().second = step;
        }
        m_prevT = t;
        if (ts < m_rows[m_k].start || ts >= m_rows[m_k].end) {
            Locate(ts);
            if (m_failed)
                return;
        }
        const bool above = m_o.haveLimit && y > m_o.limit;
        m_acc[m_k].Add(m_rows[m_k], t, y, above);
        m_totalAcc.Add(m_table.total, t, y, above);
        if (above)
            m_aboveSteps.emplace_back(m_k, 0.0);
        m_prevAbove = above;
    }

    bool Finish(IntervalTable& table) {
        table = IntervalTable{};
        if (m_failed && !m_rows.empty()) {
            table.error = "too many intervals (more than " + std::to_string(kMaxIntervals) + ")";
            return false;
        }
        if (m_rows.empty())
            return false;
        const double median = m_cycles.Median();
        for (const auto& [k, step] : m_aboveSteps) {
            const double cycle = step > 0 && step <= 2 * median ? step : median;
            m_rows[k].aboveSeconds += cycle;
            m_table.total.aboveSeconds += cycle;
        }
        for (size_t r = 0; r < m_rows.size(); ++r) {
            m_acc[r].Finish(m_rows[r], median, m_o.minShare);
            m_table.total.expected += m_rows[r].expected;
        }
        m_table.total.start = m_rows.front().start;
        m_table.total.end = m_rows.back().end;
        m_totalAcc.Finish(m_table.total, median, m_o.minShare);
        m_table.medianCycle = median;
        m_table.rows = std::move(m_rows);
        table = std::move(m_table);
        return true;
    }

  private:
    bool Push(std::vector<IntervalRow>::iterator at, int64_t s, int64_t e) {
        if (m_rows.size() >= kMaxIntervals) {
            m_failed = true;
            return false;
        }
        IntervalRow row;
        row.start = s;
        row.end = e;
        const auto i = at - m_rows.begin();
        m_rows.insert(at, row);
        m_acc.insert(m_acc.begin() + i, Accumulator{});
        return true;
    }

    // Makes m_k the row of ts, adding the rows up to it (empty ones included)
    // when it lies before the first or past the last.
    void Locate(int64_t ts) {
        if (ts >= m_rows.back().end) {
            while (ts >= m_rows.back().end) {
                int64_t s, e;
                m_clock.At(m_rows.back().end, m_o.minutes, s, e);
                if (!Push(m_rows.end(), m_rows.back().end, e))
                    return;
            }
            m_k = m_rows.size() - 1;
        } else if (ts < m_rows.front().start) {
            // A step back before the first point: rare, so rows are inserted.
            std::vector<std::pair<int64_t, int64_t>> before;
            int64_t s, e;
            m_clock.At(ts, m_o.minutes, s, e);
            for (;;) {
                if (e >= m_rows.front().start || before.size() + m_rows.size() >= kMaxIntervals) {
                    before.emplace_back(s, m_rows.front().start);
                    break;
                }
                before.emplace_back(s, e);
                m_clock.At(e, m_o.minutes, s, e);
                s = before.back().second;
            }
            for (size_t i = 0; i < before.size(); ++i)
                if (!Push(m_rows.begin() + static_cast<ptrdiff_t>(i), before[i].first, before[i].second))
                    return;
            for (auto& step : m_aboveSteps)
                step.first += before.size();
            m_k = 0;
        } else if (m_k + 1 < m_rows.size() && ts >= m_rows[m_k + 1].start && ts < m_rows[m_k + 1].end) {
            ++m_k;
        } else {
            const auto it = std::upper_bound(m_rows.begin(), m_rows.end(), ts,
                                             [](int64_t v, const IntervalRow& r) { return v < r.start; });
            m_k = static_cast<size_t>(it - m_rows.begin()) - 1;
        }
    }

    const IntervalOptions& m_o;
    IntervalClock m_clock;
    IntervalTable m_table;
    std::vector<IntervalRow> m_rows;
    std::vector<Accumulator> m_acc;
    Accumulator m_totalAcc;
    CycleMedian m_cycles;
    std::vector<std::pair<size_t, double>> m_aboveSteps; // row, step to the next point (0: none)
    size_t m_k = 0;
    double m_prevT = 0;
    bool m_prevAbove = false;
    bool m_failed = false;
};

std::string Number(double v) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

std::string ClockText(double t) {
    const LocalFields f = ToLocalFields(t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", f.hour, f.minute, f.second);
    return buf;
}

} // namespace

std::string DateTimeText(const LocalFields& f, bool seconds) {
    char buf[64];
    if (seconds)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour,
                      f.minute, f.second);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", f.year, f.month, f.day, f.hour, f.minute);
    return buf;
}

std::string DateTimeText(double t, bool seconds) {
    return DateTimeText(ToLocalFields(t), seconds);
}

std::string DurationText(double seconds) {
    const long long s = static_cast<long long>(std::llround(seconds));
    char buf[48];
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return buf;
}

std::vector<std::string> IntervalCells(const IntervalRow& row, const IntervalOptions& options,
                                       bool withDate) {
    const bool any = row.count > 0;
    const auto at = [&](double value, double t) {
        return ThreeDigitForm(value) + " (" + (withDate ? DateTimeText(t, true) : ClockText(t)) + ")";
    };
    char cover[32];
    std::snprintf(cover, sizeof cover, "%.0f%%", row.coverage * 100);
    return {DateTimeText(static_cast<double>(row.start), false),
            DateTimeText(static_cast<double>(row.end), false),
            std::to_string(row.count),
            any ? ThreeDigitForm(row.mean) : "-",
            any ? ThreeDigitForm(row.sd) : "-",
            any ? at(row.min, row.minTime) : "-",
            any ? at(row.max, row.maxTime) : "-",
            cover,
            row.incomplete ? "*" : "",
            options.haveLimit ? std::to_string(row.above) : "",
            options.haveLimit ? DurationText(row.aboveSeconds) : ""};
}

void IntervalAt(int64_t t, int minutes, int64_t& start, int64_t& end) {
    IntervalClock clock;
    clock.At(t, minutes, start, end);
}

bool ComputeIntervals(const std::vector<double>& times, const std::vector<double>& results,
                      const IntervalOptions& options, IntervalTable& table) {
    IntervalBuilder builder(options);
    const size_t n = std::min(times.size(), results.size());
    for (size_t i = 0; i < n; ++i) {
        if (times[i] < options.xmin)
            continue;
        if (times[i] > options.xmax)
            break;
        builder.Add(times[i], results[i]);
    }
    return builder.Finish(table);
}

bool ComputeIntervals(const SeriesInfo& series, const CurveOptions& curve, const IntervalOptions& options,
                      IntervalTable& table) {
    const unsigned flags = CF_MEAS_ONLY | (curve.filter ? CF_SKIP_BAD : 0u);
    IntervalBuilder builder(options);
    bool done = false;
    series.ForEachCurvePoint(flags, curve.zeroCorrection, curve.stdTemp, curve.stdPres,
                             [&](int, const ArchiveRecord&, double time, double result, double, double) {
                                 if (done || time < options.xmin)
                                     return;
                                 if (time > options.xmax) {
                                     done = true;
                                     return;
                                 }
                                 builder.Add(time, result);
                             });
    return builder.Finish(table);
}

std::string LocalIsoTime(int64_t epoch) {
    const LocalFields f = ToLocalFields(static_cast<double>(epoch));
    const int64_t offset = NaiveOf(f) - epoch;
    const int64_t a = offset < 0 ? -offset : offset;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", f.year, f.month, f.day, f.hour,
                  f.minute, f.second, offset < 0 ? '-' : '+', static_cast<int>(a / 3600),
                  static_cast<int>(a / 60 % 60));
    return buf;
}

std::string IntervalsCsv(const IntervalTable& table, const IntervalOptions& options) {
    const auto Iso = [](double t) { return LocalIsoTime(FloorSeconds(t)); };
    std::string out =
        "interval,start,end,points,expected,coverage,incomplete,mean,sd,min,min_time,max,max_time";
    if (options.haveLimit)
        out += ",above,above_seconds,first_above,last_above";
    out += '\n';
    const auto line = [&](const std::string& label, const IntervalRow& r) {
        out += label + ',' + LocalIsoTime(r.start) + ',' + LocalIsoTime(r.end) + ',' +
               std::to_string(r.count) + ',' + Number(r.expected) + ',' + Number(r.coverage) +
               (r.incomplete ? ",1" : ",0");
        if (r.count > 0)
            out += ',' + Number(r.mean) + ',' + Number(r.sd) + ',' + Number(r.min) + ',' + Iso(r.minTime) +
                   ',' + Number(r.max) + ',' + Iso(r.maxTime);
        else
            out += ",,,,,,";
        if (options.haveLimit) {
            out += ',' + std::to_string(r.above) + ',' + Number(r.aboveSeconds);
            if (r.above > 0)
                out += ',' + Iso(r.firstAbove) + ',' + Iso(r.lastAbove);
            else
                out += ",,";
        }
        out += '\n';
    };
    for (size_t i = 0; i < table.rows.size(); ++i)
        line(std::to_string(i + 1), table.rows[i]);
    line("total", table.total);
    return out;
}

std::string IntervalsText(const IntervalTable& table, const IntervalOptions& options) {
    std::string out;
    char buf[512];
    std::snprintf(buf, sizeof buf, "%-16s  %-16s %7s %7s %9s %9s %9s  %-19s %9s  %-19s", "Start", "End",
                  "Points", "Cover", "Mean", "SD", "Min", "Min at", "Max", "Max at");
    out += buf;
    if (options.haveLimit) {
        std::snprintf(buf, sizeof buf, " %7s %10s  %-19s  %-19s", "Above", "Time above", "First above",
                      "Last above");
        out += buf;
    }
    while (out.back() == ' ')
        out.pop_back();
    const size_t width = out.size();
    out += '\n';
    const auto line = [&](const IntervalRow& r) {
        char cover[32];
        std::snprintf(cover, sizeof cover, "%.0f%%%c", r.coverage * 100, r.incomplete ? '*' : ' ');
        const bool any = r.count > 0;
        std::snprintf(
            buf, sizeof buf, "%-16s  %-16s %7zu %7s %9s %9s %9s  %-19s %9s  %-19s",
            DateTimeText(static_cast<double>(r.start), false).c_str(),
            DateTimeText(static_cast<double>(r.end), false).c_str(), r.count, cover,
            any ? ThreeDigitForm(r.mean).c_str() : "-", any ? ThreeDigitForm(r.sd).c_str() : "-",
            any ? ThreeDigitForm(r.min).c_str() : "-", any ? DateTimeText(r.minTime, true).c_str() : "-",
            any ? ThreeDigitForm(r.max).c_str() : "-", any ? DateTimeText(r.maxTime, true).c_str() : "-");
        out += buf;
        if (options.haveLimit) {
            const bool above = r.above > 0;
            std::snprintf(buf, sizeof buf, " %7zu %10s  %-19s  %-19s", r.above,
                          DurationText(r.aboveSeconds).c_str(),
                          above ? DateTimeText(r.firstAbove, true).c_str() : "-",
                          above ? DateTimeText(r.lastAbove, true).c_str() : "-");
            out += buf;
        }
        while (!out.empty() && out.back() == ' ')
            out.pop_back();
        out += '\n';
    };
    for (const IntervalRow& r : table.rows)
        line(r);
    out.append(width, '-').append("\n");
    line(table.total);
    std::snprintf(buf, sizeof buf,
                  "Total over %zu intervals; median cycle %s s; * fewer points than %s%% of the expected",
                  table.rows.size(), Number(table.medianCycle).c_str(),
                  Number(options.minShare * 100).c_str());
    out += buf;
    if (options.haveLimit)
        out += "; above: results strictly above " + Number(options.limit);
    out += ".\n";
    return out;
}
