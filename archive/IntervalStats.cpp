#include "IntervalStats.h"

#include "CurvePoints.h"
#include "LocalTime.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

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
    // n steps of the same length.
    void AddRun(double step, size_t n) {
        if (!(step > 0) || n == 0)
            return;
        const double whole = std::floor(step);
        if (whole == step && step <= kHistogram)
            m_counts[static_cast<size_t>(step)] += static_cast<uint32_t>(n);
        else
            m_others.insert(m_others.end(), n, step);
        m_n += n;
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
        ++row.count;
        ++row.cycles;
        if (!std::isfinite(y)) {
            ++row.nonFinite;
            return;
        }
        const bool first = row.Values() == 1;
        if (first || y < row.min) {
            row.min = y;
            row.minTime = t;
        }
        if (first || y > row.max) {
            row.max = y;
            row.maxTime = t;
        }
        sum += y;
        sumSq += y * y;
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
        const size_t values = row.Values();
        if (values > 0) {
            const double n = static_cast<double>(values);
            row.mean = sum / n;
            const double radicand = sumSq / n - sum * sum / n / n;
            row.sd = values > 1 && radicand > 0 ? std::sqrt(radicand) : 0;
        }
        row.cycleKnown = medianCycle > 0;
        if (row.cycleKnown) {
            if (row.expected == 0)
                row.expected = static_cast<double>(row.end - row.start) / medianCycle;
            row.coverage = row.expected > 0 ? static_cast<double>(row.cycles) / row.expected : 0;
            row.incomplete = !CaptureReaches(static_cast<double>(row.cycles), row.expected, minShare);
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
    if (m_uniform && t >= m_dayStart && t < m_dayEnd) {
        // A day of one offset: its intervals are counted from its start.
        const int64_t length = minutes >= 1440 ? 86400 : int64_t{minutes} * 60;
        start = m_dayStart + (t - m_dayStart) / length * length;
        end = std::min(start + length, m_dayEnd);
        return;
    }
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

// The first pass over the cycles of the view: the median cycle, whether
// they come in time order, and the span of the measurement points.
// Zero-control cycles ahead of the first point: held while they share one
// interval, and counted in the first point's interval when they lie in it.
struct LeadingZeroCycles {
    size_t count = 0;
    int64_t start = 0, end = 0;

    // A cycle at ts before any point: false when it lies back before those
    // held; a zero cycle is held, and held says so.
    bool Before(IntervalClock& clock, int minutes, int64_t ts, bool point, bool& held) {
        if (count > 0 && ts < start)
            return false;
        held = !point;
        if (point)
            return true;
        if (count == 0 || ts >= end) {
            clock.At(ts, minutes, start, end);
            count = 0;
        }
        ++count;
        return true;
    }

    // The held cycles of the interval that starts at s.
    size_t In(int64_t s) const { return count > 0 && start == s ? count : 0; }
};

class CycleScan {
  public:
    void Add(double t, bool point) {
        if (m_cycles > 0) {
            m_median.Add(t - m_prevT);
            m_back = std::max(m_back, m_latest - t);
        }
        m_latest = m_cycles > 0 ? std::max(m_latest, t) : t;
        m_prevT = t;
        ++m_cycles;
        if (point) {
            const int64_t ts = FloorSeconds(t);
            m_first = m_points == 0 ? ts : std::min(m_first, ts);
            m_last = m_points == 0 ? ts : std::max(m_last, ts);
            ++m_points;
        }
    }
    size_t Points() const { return m_points; }
    // How far a cycle lies before the latest one before it, at most.
    double LongestStepBack() const { return m_back; }
    int64_t First() const { return m_first; }
    int64_t Last() const { return m_last; }
    double Median() { return m_median.Median(); }

  private:
    CycleMedian m_median;
    double m_prevT = 0, m_latest = 0, m_back = 0;
    size_t m_cycles = 0, m_points = 0;
    int64_t m_first = 0, m_last = 0;
};

// The number of intervals from the one of first to the one of last, or
// limit + 1 when there are more; a span that cannot fit is not walked.
size_t CountIntervals(int64_t first, int64_t last, int minutes, size_t limit) {
    // No interval is longer than this (a day of 25 hours).
    const int64_t longest = minutes >= 1440 ? 25 * 3600 : int64_t{minutes} * 60;
    if (static_cast<uint64_t>((last - first) / longest) > limit)
        return limit + 1;
    IntervalClock clock;
    int64_t s, e;
    clock.At(first, minutes, s, e);
    size_t n = 1;
    while (last >= e && n <= limit) {
        clock.At(e, minutes, s, e);
        ++n;
    }
    return n;
}

// Takes the cycles of the view one at a time, in curve order, with the
// median cycle, the listed intervals, [first, end), and the longest step
// back in time known from the first pass. With a sink, a row is handed on
// once it ends more than that step before the latest cycle: no later cycle
// can fall in it. So memory follows the rows a step back spans (an hour when
// the clocks go back), not the whole table.
class IntervalBuilder {
  public:
    IntervalBuilder(const IntervalOptions& options, double median, int64_t first, int64_t end,
                    double stepBack, const IntervalRowSink& sink)
        : m_o(options), m_median(median), m_first(first), m_end(end),
          m_stepBack(static_cast<int64_t>(std::min(std::ceil(stepBack), 1e15)) + 1), m_stream(bool(sink)),
          m_sink(sink) {}

    void Add(double t, double y, bool point) {
        const int64_t ts = FloorSeconds(t);
        m_latest = m_haveCycle ? std::max(m_latest, ts) : ts;
        if (m_haveCycle && m_prevAbove != SIZE_MAX) {
            const double step = t - m_prevT;
            Above(m_prevAbove, step > 0 && step <= 2 * m_median ? step : m_median);
        }
        m_haveCycle = true;
        m_prevT = t;
        m_prevAbove = SIZE_MAX;
        if (ts < m_first || ts >= m_end)
            return; // a zero cycle outside the listed intervals
        if (m_rows.empty()) {
            int64_t s, e;
            m_clock.At(ts, m_o.minutes, s, e);
            Push(m_rows.end(), s, e);
            m_k = 0;
        }
        if (ts < m_rows[m_k].start || ts >= m_rows[m_k].end)
            Locate(ts);
        if (!point) {
            ++m_rows[m_k].cycles;
            ++m_table.total.cycles;
            EmitDone();
            return;
        }
        const bool above = m_o.haveLimit && std::isfinite(y) && y > m_o.limit;
        m_acc[m_k].Add(m_rows[m_k], t, y, above);
        m_totalAcc.Add(m_table.total, t, y, above);
        if (above)
            m_prevAbove = m_k;
        EmitDone();
    }

    void Finish(IntervalTable& table) {
        if (m_prevAbove != SIZE_MAX)
            Above(m_prevAbove, m_median);
        Emit(m_rows.size());
        m_table.total.start = m_first;
        m_table.total.end = m_end;
        m_table.total.expected = m_expected;
        m_totalAcc.Finish(m_table.total, m_median, m_o.minShare);
        m_table.total.expected = m_expected; // the sum, not the span's
        m_table.medianCycle = m_median;
        m_table.rows = std::move(m_kept);
        table = std::move(m_table);
    }

  private:
    void Above(size_t k, double cycle) {
        m_rows[k].aboveSeconds += cycle;
        m_table.total.aboveSeconds += cycle;
    }

    // Hands on the rows no later cycle can fall in.
    void EmitDone() {
        if (!m_stream)
            return;
        const int64_t before = m_latest - m_stepBack;
        size_t k = 0;
        while (k < m_rows.size() && k != m_k && m_rows[k].end <= before)
            ++k;
        Emit(k);
    }

    // Finishes the rows before k and hands them on.
    void Emit(size_t k) {
        if (k == 0)
            return;
        for (size_t r = 0; r < k; ++r) {
            IntervalRow& row = m_rows[r];
            m_acc[r].Finish(row, m_median, m_o.minShare);
            m_expected += row.expected;
            m_table.incompleteRows += row.incomplete ? 1 : 0;
            m_table.rowsAbove += row.above > 0 ? 1 : 0;
            if (m_sink)
                m_sink(row, m_table.rowCount);
            else
                m_kept.push_back(row);
            ++m_table.rowCount;
        }
        m_rows.erase(m_rows.begin(), m_rows.begin() + static_cast<ptrdiff_t>(k));
        m_acc.erase(m_acc.begin(), m_acc.begin() + static_cast<ptrdiff_t>(k));
        m_k = m_k >= k ? m_k - k : 0;
        if (m_prevAbove != SIZE_MAX)
            m_prevAbove -= k;
    }

    void Push(std::vector<IntervalRow>::iterator at, int64_t s, int64_t e) {
        IntervalRow row;
        row.start = s;
        row.end = e;
        const auto i = at - m_rows.begin();
        m_rows.insert(at, row);
        m_acc.insert(m_acc.begin() + i, Accumulator{});
    }

    // Makes m_k the row of ts, adding the rows up to it (empty ones included)
    // when it lies before the first or past the last.
    void Locate(int64_t ts) {
        if (ts >= m_rows.back().end) {
            while (ts >= m_rows.back().end) {
                int64_t s, e;
                m_clock.At(m_rows.back().end, m_o.minutes, s, e);
                Push(m_rows.end(), m_rows.back().end, e);
                m_k = m_rows.size() - 1;
                EmitDone();
            }
            m_k = m_rows.size() - 1;
        } else if (ts < m_rows.front().start) {
            // A step back before the first cycle: rare, so rows are inserted.
            std::vector<std::pair<int64_t, int64_t>> before;
            int64_t s, e;
            m_clock.At(ts, m_o.minutes, s, e);
            for (;;) {
                if (e >= m_rows.front().start) {
                    before.emplace_back(s, m_rows.front().start);
                    break;
                }
                before.emplace_back(s, e);
                m_clock.At(e, m_o.minutes, s, e);
                s = before.back().second;
            }
            for (size_t i = 0; i < before.size(); ++i)
                Push(m_rows.begin() + static_cast<ptrdiff_t>(i), before[i].first, before[i].second);
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
    const double m_median;
    const int64_t m_first, m_end, m_stepBack;
    const bool m_stream;
    const IntervalRowSink& m_sink;
    IntervalClock m_clock;
    IntervalTable m_table;
    std::vector<IntervalRow> m_rows; // not yet handed on
    std::vector<Accumulator> m_acc;
    std::vector<IntervalRow> m_kept; // handed on, without a sink
    Accumulator m_totalAcc;
    size_t m_k = 0;
    size_t m_prevAbove = SIZE_MAX; // row of the last cycle when it was a point above the limit
    double m_expected = 0, m_prevT = 0;
    int64_t m_latest = 0;
    bool m_haveCycle = false;
};

// Both passes over the cycles that walk(fn) gives as fn(time, result, point).
template <class Walk>
bool RunIntervals(const IntervalOptions& o, Walk&& walk, IntervalTable& table, const IntervalRowSink& sink) {
    table = IntervalTable{};
    if (o.minutes < 1 || o.minutes > 1440)
        return false;
    CycleScan scan;
    walk([&](double t, double, bool point) { scan.Add(t, point); });
    if (scan.Points() == 0)
        return false;
    if (CountIntervals(scan.First(), scan.Last(), o.minutes, o.maxIntervals) > o.maxIntervals) {
        table.error = "too many intervals (more than " + std::to_string(o.maxIntervals) + ")";
        return false;
    }
    int64_t first, end, s, e;
    IntervalAt(scan.First(), o.minutes, first, e);
    IntervalAt(scan.Last(), o.minutes, s, end);
    IntervalBuilder builder(o, scan.Median(), first, end, scan.LongestStepBack(), sink);
    walk([&](double t, double y, bool point) { builder.Add(t, y, point); });
    builder.Finish(table);
    return true;
}

// Finishes the rows of a one-walk table, whose cycles are all counted, and
// makes the table of them: the total is summed from the rows, not point by
// point, and takes their min and max when extremes.
void FinishTable(const IntervalOptions& o, double median, std::vector<IntervalRow>& rows,
                 std::vector<Accumulator>& acc, bool extremes, IntervalTable& table) {
    IntervalRow total;
    Accumulator totalAcc;
    double expected = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        IntervalRow& row = rows[r];
        const bool any = total.Values() > 0;
        total.count += row.count;
        total.nonFinite += row.nonFinite;
        total.cycles += row.cycles;
        totalAcc.sum += acc[r].sum;
        totalAcc.sumSq += acc[r].sumSq;
        if (extremes && row.Values() > 0) {
            if (!any || row.min < total.min) {
                total.min = row.min;
                total.minTime = row.minTime;
            }
            if (!any || row.max > total.max) {
                total.max = row.max;
                total.maxTime = row.maxTime;
            }
        }
        acc[r].Finish(row, median, o.minShare);
        expected += row.expected;
        table.incompleteRows += row.incomplete ? 1 : 0;
    }
    total.start = rows.front().start;
    total.end = rows.back().end;
    total.expected = expected;
    totalAcc.Finish(total, median, o.minShare);
    total.expected = expected;
    table.total = total;
    table.rowCount = rows.size();
    table.medianCycle = median;
    table.rows = std::move(rows);
}

// The rows of RunIntervals without a limit in one pass: rows are made as the
// cycles reach them and all kept, the median cycle is known at the end, and
// only then are coverage and the incomplete mark set. Add returns false when
// a cycle lies before the first row (or before zero cycles held while no
// point had come), or when there are too many intervals: the two passes are
// then needed (or refuse).
class InOrderIntervals {
  public:
    explicit InOrderIntervals(const IntervalOptions& o) : m_o(o) {}

    bool Add(double t, double y, bool point) {
        if (m_cycles > 0)
            m_median.Add(t - m_prevT);
        m_prevT = t;
        ++m_cycles;
        const int64_t ts = FloorSeconds(t);
        if (m_rows.empty()) {
            bool held = false;
            if (!m_leading.Before(m_clock, m_o.minutes, ts, point, held))
                return false;
            if (held)
                return true;
            int64_t s, e;
            m_clock.At(ts, m_o.minutes, s, e);
            Push(s, e);
            m_rows.back().cycles += m_leading.In(s);
        }
        if (!Locate(ts))
            return false;
        IntervalRow& row = m_rows[m_k];
        if (!point) {
            ++row.cycles;
            return true;
        }
        m_acc[m_k].Add(row, t, y, false);
        m_lastPointRow = std::max(m_lastPointRow, m_k + 1);
        return true;
    }

    // false when no point was taken.
    bool Finish(IntervalTable& table) {
        if (m_rows.empty())
            return false;
        m_rows.resize(m_lastPointRow); // trailing rows of zero cycles only
        FinishTable(m_o, m_median.Median(), m_rows, m_acc, true, table);
        return true;
    }

  private:
    void Push(int64_t s, int64_t e) {
        IntervalRow row;
        row.start = s;
        row.end = e;
        m_rows.push_back(row);
        m_acc.emplace_back();
    }

    // Makes m_k the row of ts; false when it lies before the first row.
    bool Locate(int64_t ts) {
        if (ts >= m_rows[m_k].start && ts < m_rows[m_k].end)
            return true;
        if (ts >= m_rows.back().end) {
            if (!Reach(ts))
                return false;
            m_k = m_rows.size() - 1;
            return true;
        }
        if (ts < m_rows.front().start)
            return false;
        const auto it = std::upper_bound(m_rows.begin(), m_rows.end(), ts,
                                         [](int64_t v, const IntervalRow& r) { return v < r.start; });
        m_k = static_cast<size_t>(it - m_rows.begin()) - 1;
        return true;
    }

    // Adds the rows up to the one of ts; false when that makes too many.
    bool Reach(int64_t ts) {
        const int64_t longest = m_o.minutes >= 1440 ? 25 * 3600 : int64_t{m_o.minutes} * 60;
        if (static_cast<uint64_t>((ts - m_rows.back().end) / longest) + m_rows.size() > m_o.maxIntervals)
            return false;
        while (ts >= m_rows.back().end) {
            int64_t s, e;
            m_clock.At(m_rows.back().end, m_o.minutes, s, e);
            Push(m_rows.back().end, e);
            if (m_rows.size() > m_o.maxIntervals)
                return false;
        }
        return true;
    }

    const IntervalOptions& m_o;
    CycleMedian m_median;
    IntervalClock m_clock;
    std::vector<IntervalRow> m_rows;
    std::vector<Accumulator> m_acc;
    double m_prevT = 0;
    size_t m_cycles = 0, m_lastPointRow = 0, m_k = 0;
    LeadingZeroCycles m_leading;
};

// The rows of InOrderIntervals for figures built on the interval means
// alone, while each cycle lies in the row of the one before or a later one:
// the sums of the current row are kept apart until a cycle passes it, the
// rows' min and max are not kept (the total's max is, point by point, which
// in this order is the point the rows would give), and a run of equal steps
// goes to the median at once. Add returns false for any other cycle (a step
// back, too many intervals): the general walk is needed then.
class MeanIntervals {
  public:
    MeanIntervals(const IntervalOptions& o, std::vector<double>* values) : m_o(o), m_values(values) {}

    bool Add(double t, double y, bool point) {
        // Within the current row's bounds as doubles is within them as
        // whole seconds: rows lie well inside FloorSeconds' range.
        if (!(t >= m_start && t < m_end))
            return AddOutside(t, y, point);
        Step(t);
        ++m_rowCycles;
        if (point)
            Take(t, y);
        return true;
    }

    // Cuts values to the finite results taken.
    void CutValues() {
        if (m_values)
            m_values->resize(Taken());
    }

    // false when no point was taken.
    bool Finish(IntervalTable& table) {
        CutValues();
        if (m_rows.empty())
            return false;
        Close();
        m_median.AddRun(m_step, m_run);
        m_rows.resize(m_lastPointRow); // trailing rows of zero cycles only
        FinishTable(m_o, m_median.Median(), m_rows, m_acc, false, table);
        if (table.total.Values() > 0) {
            table.total.max = m_max;
            table.total.maxTime = m_maxTime;
        }
        return true;
    }

  private:
    void Step(double t) {
        const double step = t - m_prevT;
        m_prevT = t;
        if (step == m_step) {
            ++m_run;
            return;
        }
        m_median.AddRun(m_step, m_run);
        m_step = step;
        m_run = 1;
    }

    [[gnu::always_inline]] void Take(double t, double y) {
        ++m_rowCount;
        if (!std::isfinite(y)) {
            ++m_rowNonFinite;
            return;
        }
        m_sum.sum += y;
        m_sum.sumSq += y * y;
        if (y > m_max) { // the first finite result is, over -inf
            m_max = y;
            m_maxTime = t;
        }
        if (m_values) {
            if (m_next == m_last)
                Grow();
            *m_next++ = y;
        }
    }

    // More room for the finite results: the values vector is their store,
    // its size cut to what was taken at the end.
    [[gnu::noinline]] void Grow() {
        const size_t n = Taken();
        m_values->resize(std::max({m_values->capacity(), 2 * n, size_t{4096}}));
        m_next = m_values->data() + n;
        m_last = m_values->data() + m_values->size();
    }
    size_t Taken() const { return m_next ? static_cast<size_t>(m_next - m_values->data()) : 0; }

    // A cycle outside the current row: the first ones, or one in a later row.
    // Kept out of line so that Add stays small enough to inline in the walk.
    [[gnu::noinline]] bool AddOutside(double t, double y, bool point) {
        if (m_haveCycle)
            Step(t);
        m_prevT = t;
        m_haveCycle = true;
        const int64_t ts = FloorSeconds(t);
        if (m_rows.empty()) {
            bool held = false;
            if (!m_leading.Before(m_clock, m_o.minutes, ts, point, held))
                return false;
            if (held)
                return true;
            int64_t s, e;
            m_clock.At(ts, m_o.minutes, s, e);
            if (!Push(s, e))
                return false;
            m_rowCycles += m_leading.In(s);
        } else if (ts < static_cast<int64_t>(m_end) || !Reach(ts)) {
            return false;
        }
        ++m_rowCycles;
        if (point)
            Take(t, y);
        return true;
    }

    // Writes the current row's sums to it.
    void Close() {
        IntervalRow& row = m_rows.back();
        row.cycles = m_rowCycles;
        row.count = m_rowCount;
        row.nonFinite = m_rowNonFinite;
        m_acc.back() = m_sum;
        if (m_rowCount > 0)
            m_lastPointRow = m_rows.size();
        m_rowCycles = m_rowCount = m_rowNonFinite = 0;
        m_sum = Accumulator{};
    }

    // Makes [s, e) the current row; false for a row FloorSeconds cannot hold.
    bool Push(int64_t s, int64_t e) {
        if (s <= -kLastSecond || e >= kLastSecond || m_rows.size() >= m_o.maxIntervals)
            return false;
        IntervalRow row;
        row.start = s;
        row.end = e;
        m_rows.push_back(row);
        m_acc.emplace_back();
        m_start = static_cast<double>(s);
        m_end = static_cast<double>(e);
        return true;
    }

    // Closes the current row and adds those up to the one of ts.
    bool Reach(int64_t ts) {
        Close();
        const int64_t longest = m_o.minutes >= 1440 ? 25 * 3600 : int64_t{m_o.minutes} * 60;
        if (static_cast<uint64_t>((ts - m_rows.back().end) / longest) + m_rows.size() > m_o.maxIntervals)
            return false;
        while (ts >= m_rows.back().end) {
            int64_t s, e;
            m_clock.At(m_rows.back().end, m_o.minutes, s, e);
            if (!Push(m_rows.back().end, e))
                return false;
        }
        return true;
    }

    static constexpr int64_t kLastSecond = 999999999999999; // FloorSeconds takes |t| < 1e15

    const IntervalOptions& m_o;
    std::vector<double>* m_values;
    CycleMedian m_median;
    IntervalClock m_clock;
    std::vector<IntervalRow> m_rows;
    std::vector<Accumulator> m_acc;
    double m_start = 1, m_end = 0; // the current (last) row; none yet
    size_t m_rowCycles = 0, m_rowCount = 0, m_rowNonFinite = 0;
    Accumulator m_sum;
    double m_prevT = 0, m_step = 0;
    size_t m_run = 0;
    bool m_haveCycle = false;
    double m_max = -std::numeric_limits<double>::infinity(), m_maxTime = 0;
    double *m_next = nullptr, *m_last = nullptr; // the free room of values
    size_t m_lastPointRow = 0;
    LeadingZeroCycles m_leading;
};

// The view's rule for the statistics row: points before xmin are skipped and
// the walk ends at the first point past xmax; zero cycles outside it are
// skipped.
template <class Fn> struct ViewWalk {
    const IntervalOptions& o;
    Fn& fn;
    bool done = false;
    void operator()(double t, double y, bool point) {
        if (done || t < o.xmin)
            return;
        if (t > o.xmax) {
            done = done || point;
            return;
        }
        fn(t, y, point);
    }
};

// One walk when the cycles come in time order, else the two passes; values
// gets the finite results of the points taken.
template <class Walk>
bool RunIntervalsOnce(const IntervalOptions& options, Walk&& walk, IntervalTable& table,
                      std::vector<double>* values) {
    table = IntervalTable{};
    IntervalOptions o = options;
    o.haveLimit = false;
    if (values)
        values->clear();
    if (o.minutes < 1 || o.minutes > 1440)
        return false;
    InOrderIntervals once(o);
    bool inOrder = true;
    walk([&](double t, double y, bool point) {
        if (!inOrder || !once.Add(t, y, point)) {
            inOrder = false;
            return;
        }
        if (values && point && std::isfinite(y))
            values->push_back(y);
    });
    if (inOrder)
        return once.Finish(table);
    if (values) {
        values->clear();
        walk([&](double, double y, bool point) {
            if (point && std::isfinite(y))
                values->push_back(y);
        });
    }
    return RunIntervals(o, walk, table, nullptr);
}

// The rows for figures built on the interval means: one light walk while
// the cycles go forward from row to row, else the walks of RunIntervalsOnce.
template <class Walk>
bool RunIntervalMeans(const IntervalOptions& options, Walk&& walk, IntervalTable& table,
                      std::vector<double>* values) {
    table = IntervalTable{};
    IntervalOptions o = options;
    o.haveLimit = false;
    if (values)
        values->clear();
    if (o.minutes < 1 || o.minutes > 1440)
        return false;
    MeanIntervals means(o, values);
    bool forward = true;
    walk([&](double t, double y, bool point) { forward = forward && means.Add(t, y, point); });
    if (forward)
        return means.Finish(table);
    return RunIntervalsOnce(options, walk, table, values);
}

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

std::string CoverageText(const IntervalRow& row) {
    if (!row.cycleKnown)
        return "-";
    char cover[32];
    std::snprintf(cover, sizeof cover, "%.0f%%", row.coverage * 100);
    return cover;
}

std::string AboveTimeText(const IntervalRow& row) {
    return row.cycleKnown ? DurationText(row.aboveSeconds) : "-";
}

std::vector<std::string> IntervalCells(const IntervalRow& row, const IntervalOptions& options,
                                       bool withDate) {
    const bool any = row.Values() > 0;
    const auto at = [&](double value, double t) {
        return ThreeDigitForm(value) + " (" + (withDate ? DateTimeText(t, true) : ClockText(t)) + ")";
    };
    return {DateTimeText(static_cast<double>(row.start), false),
            DateTimeText(static_cast<double>(row.end), false),
            std::to_string(row.count),
            any && !(options.blankInvalid && row.incomplete) ? ThreeDigitForm(row.mean) : "-",
            any && !(options.blankInvalid && row.incomplete) ? ThreeDigitForm(row.sd) : "-",
            any ? at(row.min, row.minTime) : "-",
            any ? at(row.max, row.maxTime) : "-",
            CoverageText(row),
            row.incomplete ? "*" : "",
            options.haveLimit ? std::to_string(row.above) : "",
            options.haveLimit ? AboveTimeText(row) : ""};
}

bool CaptureReaches(double present, double expected, double threshold) {
    return present >= threshold * expected * (1 - 1e-9);
}

void IntervalAt(int64_t t, int minutes, int64_t& start, int64_t& end) {
    IntervalClock clock;
    clock.At(t, minutes, start, end);
}

namespace {

// The walks of the cycles in view: from arrays of times and results in curve
// order, or from the curve of a series.
auto ArrayWalk(const std::vector<double>& times, const std::vector<double>& results,
               const std::vector<bool>* zero, const IntervalOptions& options) {
    return [&times, &results, zero, &options](auto&& fn) {
        const size_t n = std::min(times.size(), results.size());
        ViewWalk<decltype(fn)> view{options, fn};
        for (size_t i = 0; i < n && !view.done; ++i)
            view(times[i], results[i], !(zero && i < zero->size() && (*zero)[i]));
    };
}

auto SeriesWalk(const SeriesInfo& series, const CurveOptions& curve, const IntervalOptions& options) {
    return [&series, &curve, &options](auto&& fn) {
        ViewWalk<decltype(fn)> view{options, fn};
        series.ForEachCurvePoint(curve.filter ? CF_SKIP_BAD : 0u, curve.zeroCorrection, curve.stdTemp,
                                 curve.stdPres,
                                 [&](int, const ArchiveRecord& r, double time, double result, double,
                                     double) { view(time, result, !r.IsZero()); });
    };
}

} // namespace

bool ComputeIntervals(const std::vector<double>& times, const std::vector<double>& results,
                      const IntervalOptions& options, IntervalTable& table, const std::vector<bool>* zero) {
    const auto walk = ArrayWalk(times, results, zero, options);
    return RunIntervals(options, walk, table, nullptr);
}

bool ForEachInterval(const SeriesInfo& series, const CurveOptions& curve, const IntervalOptions& options,
                     IntervalTable& table, const IntervalRowSink& row) {
    const auto walk = SeriesWalk(series, curve, options);
    return RunIntervals(options, walk, table, row);
}

bool ComputeIntervals(const SeriesInfo& series, const CurveOptions& curve, const IntervalOptions& options,
                      IntervalTable& table) {
    return ForEachInterval(series, curve, options, table, nullptr);
}

bool ComputeIntervalsOnce(const std::vector<double>& times, const std::vector<double>& results,
                          const std::vector<bool>* zero, const IntervalOptions& options, IntervalTable& table,
                          std::vector<double>* values) {
    const auto walk = ArrayWalk(times, results, zero, options);
    return RunIntervalsOnce(options, walk, table, values);
}

bool ComputeIntervalsOnce(const SeriesInfo& series, const CurveOptions& curve, const IntervalOptions& options,
                          IntervalTable& table, std::vector<double>* values) {
    const auto walk = SeriesWalk(series, curve, options);
    return RunIntervalsOnce(options, walk, table, values);
}

bool ComputeIntervalMeans(const std::vector<double>& times, const std::vector<double>& results,
                          const std::vector<bool>* zero, const IntervalOptions& options, IntervalTable& table,
                          std::vector<double>* values) {
    const auto walk = ArrayWalk(times, results, zero, options);
    return RunIntervalMeans(options, walk, table, values);
}

bool ComputeIntervalMeans(const SeriesInfo& series, const CurveOptions& curve, const IntervalOptions& options,
                          IntervalTable& table, std::vector<double>* values) {
    const auto walk = SeriesWalk(series, curve, options);
    return RunIntervalMeans(options, walk, table, values);
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

std::string IntervalsCsvHeader(const IntervalOptions& options) {
    std::string out =
        "interval,start,end,points,expected,coverage,incomplete,mean,sd,min,min_time,max,max_time";
    if (options.haveLimit)
        out += ",above,above_seconds,first_above,last_above";
    out += ",non_finite\n";
    return out;
}

std::string IntervalsCsvLine(const std::string& label, const IntervalRow& r, const IntervalOptions& options) {
    const auto Iso = [](double t) { return LocalIsoTime(FloorSeconds(t)); };
    const auto known = [&](double v) { return r.cycleKnown ? Number(v) : std::string(); };
    std::string out = label + ',' + LocalIsoTime(r.start) + ',' + LocalIsoTime(r.end) + ',' +
                      std::to_string(r.count) + ',' + known(r.expected) + ',' + known(r.coverage) +
                      (r.incomplete ? ",1" : ",0");
    const bool blank = options.blankInvalid && r.incomplete;
    if (r.Values() > 0)
        out += ',' + (blank ? "," : Number(r.mean) + ',' + Number(r.sd)) + ',' + Number(r.min) + ',' +
               Iso(r.minTime) + ',' + Number(r.max) + ',' + Iso(r.maxTime);
    else
        out += ",,,,,,";
    if (options.haveLimit) {
        out += ',' + std::to_string(r.above) + ',' + known(r.aboveSeconds);
        if (r.above > 0)
            out += ',' + Iso(r.firstAbove) + ',' + Iso(r.lastAbove);
        else
            out += ",,";
    }
    out += ',' + std::to_string(r.nonFinite) + '\n';
    return out;
}

std::string IntervalsCsv(const IntervalTable& table, const IntervalOptions& options) {
    std::string out = IntervalsCsvHeader(options);
    for (size_t i = 0; i < table.rows.size(); ++i)
        out += IntervalsCsvLine(std::to_string(i + 1), table.rows[i], options);
    out += IntervalsCsvLine("total", table.total, options);
    return out;
}

namespace {

void TrimRight(std::string& s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
}

} // namespace

std::string IntervalsTextHeader(const IntervalOptions& options) {
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
    TrimRight(out);
    return out + '\n';
}

std::string IntervalsTextLine(const IntervalRow& r, const IntervalOptions& options) {
    std::string out;
    char buf[512];
    const std::string cover = CoverageText(r) + (r.incomplete ? '*' : ' ');
    const bool any = r.Values() > 0;
    const bool mean = any && !(options.blankInvalid && r.incomplete);
    std::snprintf(
        buf, sizeof buf, "%-16s  %-16s %7zu %7s %9s %9s %9s  %-19s %9s  %-19s",
        DateTimeText(static_cast<double>(r.start), false).c_str(),
        DateTimeText(static_cast<double>(r.end), false).c_str(), r.count, cover.c_str(),
        mean ? ThreeDigitForm(r.mean).c_str() : "-", mean ? ThreeDigitForm(r.sd).c_str() : "-",
        any ? ThreeDigitForm(r.min).c_str() : "-", any ? DateTimeText(r.minTime, true).c_str() : "-",
        any ? ThreeDigitForm(r.max).c_str() : "-", any ? DateTimeText(r.maxTime, true).c_str() : "-");
    out += buf;
    if (options.haveLimit) {
        const bool above = r.above > 0;
        std::snprintf(buf, sizeof buf, " %7zu %10s  %-19s  %-19s", r.above, AboveTimeText(r).c_str(),
                      above ? DateTimeText(r.firstAbove, true).c_str() : "-",
                      above ? DateTimeText(r.lastAbove, true).c_str() : "-");
        out += buf;
    }
    TrimRight(out);
    return out + '\n';
}

std::string IntervalsTextEnd(const IntervalTable& table, const IntervalOptions& options) {
    const size_t width = IntervalsTextHeader(options).size() - 1;
    std::string out(width, '-');
    out += '\n';
    out += IntervalsTextLine(table.total, options);
    char buf[512];
    std::snprintf(buf, sizeof buf, "Total over %zu intervals; ", table.rowCount);
    out += buf;
    if (table.medianCycle > 0)
        out += "median cycle " + Number(table.medianCycle) + " s; * fewer cycles than " +
               Number(options.minShare * 100) + "% of the expected" +
               (options.blankInvalid ? " (no valid mean: mean and SD left empty)" : "");
    else
        out +=
            "median cycle not known (fewer than two distinct times): coverage and time above are not known";
    if (options.haveLimit)
        out += "; above: results strictly above " + Number(options.limit);
    out += ".\n";
    if (table.total.nonFinite > 0)
        out += std::to_string(table.total.nonFinite) +
               " points with a result that is not a finite number are counted but left out of mean, SD, "
               "min, max and above.\n";
    return out;
}

std::string IntervalsText(const IntervalTable& table, const IntervalOptions& options) {
    std::string out = IntervalsTextHeader(options);
    for (const IntervalRow& r : table.rows)
        out += IntervalsTextLine(r, options);
    return out + IntervalsTextEnd(table, options);
}
