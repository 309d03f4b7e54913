#pragma once

// Statistics of a series per clock interval (hour, day or N minutes) with the
// points above a limit value, as environmental reports give them.
//
// The points are those of the measurement curve the chart shows (the current
// corrections and filter). With a view, the points are taken as the
// statistics row takes them: those before xmin are skipped and the walk stops
// at the first point past xmax.
//
// Intervals are aligned to the local clock: an N-minute interval starts where
// the local clock reads a multiple of N minutes after local midnight (the last
// one of a day ends at the next midnight when N does not divide a day), and a
// day runs from local midnight to local midnight, so a day with a
// daylight-saving change lasts 23 or 25 hours. An hour repeated when the
// clocks go back is two intervals with the same clock reading; an interval cut
// by a change of offset ends (or starts) at the change.
//
// Every interval from the one of the first point to the one of the last is
// listed, those without points included (count 0, marked incomplete).
//
// Cycles are the measurement points and the zero-control cycles the curve
// has (the filter applies to both): coverage counts cycles, and the cycle
// length of a point is the time to the next cycle of either kind.
//
// A result that is not finite (NaN, an infinity) is a point and a cycle but
// no value: it is counted in nonFinite and left out of the mean, SD, min,
// max and the points above the limit.
//
// With fewer than two distinct cycle times there is no cycle length
// (cycleKnown false): expected, coverage and the time above the limit are
// unknown, shown as "-" (empty in CSV), and no interval is marked incomplete.
//
// The number of intervals is counted before any row is made, and a request
// for more than maxIntervals is refused at once. Rows are handed out as soon
// as they are finished when the cycles come in time order, so a caller that
// streams them holds one row at a time.

#include "ArchiveData.h"
#include "LocalTime.h"
#include "SeriesFormat.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

// More intervals than this (a century of minutes would be 52 million) are
// refused.
constexpr size_t kMaxIntervals = 2000000;

struct IntervalOptions {
    int minutes = 60; // 1..1440; 1440 is the local calendar day
    bool haveLimit = false;
    double limit = 0; // in the unit of the results; points strictly above it count
    double xmin = -std::numeric_limits<double>::infinity();
    double xmax = std::numeric_limits<double>::infinity();
    // Intervals with fewer cycles than this share of the expected ones are
    // marked incomplete: the capture threshold (their mean is not a valid
    // average).
    double minShare = 0.75;
    // The text and CSV leave the mean and SD of an incomplete interval
    // empty (set when the threshold was asked for; the default output keeps
    // them).
    bool blankInvalid = false;
    size_t maxIntervals = kMaxIntervals;
};

// present / expected reaches threshold (0..1), with a relative tolerance of
// 1e-9 so that a share of exactly the threshold (45 of 60 at 75 %) reaches it
// whatever the rounding of expected.
bool CaptureReaches(double present, double expected, double threshold);

// Figures of one interval, or of all points together. Times are seconds
// since 1970; the figures of points (and of points above the limit) are 0
// where there is none.
struct IntervalRow {
    int64_t start = 0, end = 0;                // [start, end)
    size_t count = 0;                          // measurement points
    size_t nonFinite = 0;                      // of them, those without a finite result
    size_t cycles = 0;                         // measurement points and zero-control cycles
    double mean = 0, sd = 0, min = 0, max = 0; // of the finite results
    double minTime = 0, maxTime = 0;           // first point with the min, the max
    bool cycleKnown = false;                   // the median cycle is known (positive)
    // (end - start) / median cycle; 0 when the cycle is not known.
    double expected = 0;
    double coverage = 0; // cycles / expected; 0 when expected is 0
    bool incomplete = false;
    size_t above = 0;        // points with result > limit
    double aboveSeconds = 0; // sum of their cycle lengths
    double firstAbove = 0, lastAbove = 0;
    // Points with a finite result.
    size_t Values() const { return count - nonFinite; }
};

struct IntervalTable {
    std::vector<IntervalRow> rows; // empty when they were handed to a callback
    IntervalRow total;             // start of the first row to end of the last; expected summed
    size_t rowCount = 0;           // intervals listed
    size_t incompleteRows = 0;     // of them, marked incomplete
    size_t rowsAbove = 0;          // of them, with points above the limit
    // Median of the positive time steps between consecutive cycles; 0 when
    // there are fewer than two distinct times.
    double medianCycle = 0;
    std::string error; // why nothing was computed, when there were points
};

// The cycle length of a point, for the time above the limit, is the time to
// the next cycle when that is positive and at most twice the median cycle;
// otherwise (the last point, a gap in the record, a step back in time) the
// median cycle. Returns false when no point is taken or there are too many
// intervals (table.error says so); the table is left without rows then.
bool ComputeIntervals(const SeriesInfo& series, const CurveOptions& curve, const IntervalOptions& options,
                      IntervalTable& table);

// The same handing each row to row(row, index from 0) in order instead of
// keeping it; table gets the total and the counts.
using IntervalRowSink = std::function<void(const IntervalRow&, size_t)>;
bool ForEachInterval(const SeriesInfo& series, const CurveOptions& curve, const IntervalOptions& options,
                     IntervalTable& table, const IntervalRowSink& row);

// The same from arrays of times and results in curve order; zero, when
// given, marks the zero-control cycles among them (their results unused).
bool ComputeIntervals(const std::vector<double>& times, const std::vector<double>& results,
                      const IntervalOptions& options, IntervalTable& table,
                      const std::vector<bool>* zero = nullptr);

// The rows and total of ComputeIntervals without the limit's figures, in
// one walk when the cycles come in time order (else the two passes), the
// rows kept: what figures built on the interval means take. values, when
// given, receives the finite results of the points taken, in curve order.
bool ComputeIntervalsOnce(const SeriesInfo& series, const CurveOptions& curve, const IntervalOptions& options,
                          IntervalTable& table, std::vector<double>* values = nullptr);
bool ComputeIntervalsOnce(const std::vector<double>& times, const std::vector<double>& results,
                          const std::vector<bool>* zero, const IntervalOptions& options, IntervalTable& table,
                          std::vector<double>* values = nullptr);

// The rows and total of ComputeIntervalsOnce for figures built on the
// interval means alone: the rows' min and max (and their times) are left 0,
// and so is the total's min; the total's max and its time are kept. Lighter
// per cycle while the cycles go forward in time.
bool ComputeIntervalMeans(const SeriesInfo& series, const CurveOptions& curve, const IntervalOptions& options,
                          IntervalTable& table, std::vector<double>* values = nullptr);
bool ComputeIntervalMeans(const std::vector<double>& times, const std::vector<double>& results,
                          const std::vector<bool>* zero, const IntervalOptions& options, IntervalTable& table,
                          std::vector<double>* values = nullptr);

// The interval [start, end) that holds the moment t (whole seconds).
void IntervalAt(int64_t t, int minutes, int64_t& start, int64_t& end);

// Local ISO 8601 time with its UTC offset, "2011-06-03T09:00:00+02:00".
std::string LocalIsoTime(int64_t epoch);

// CSV: a header line, one line per interval and a final "total" line; numbers
// in shortest round-trip form, times (whole seconds) as LocalIsoTime. The limit columns are
// present when a limit was given.
std::string IntervalsCsv(const IntervalTable& table, const IntervalOptions& options);
// Its parts, for writing row by row: the header line, the line of a row
// (label "1", "2", ... or "total").
std::string IntervalsCsvHeader(const IntervalOptions& options);
std::string IntervalsCsvLine(const std::string& label, const IntervalRow& row,
                             const IntervalOptions& options);

// The texts of one row for a table on screen: start, end, points, mean, SD,
// min (time), max (time), coverage, incomplete mark ("*" or empty), points
// above the limit, time above it (h:mm:ss; both empty without a limit).
// Times of the min and max are the clock time only unless withDate (the
// total row, which spans days).
std::vector<std::string> IntervalCells(const IntervalRow& row, const IntervalOptions& options, bool withDate);

// A local time as YYYY-MM-DD HH:MM, with :SS when seconds.
std::string DateTimeText(const LocalFields& f, bool seconds);
std::string DateTimeText(double t, bool seconds);

// A duration as h:mm:ss, hours not wrapped at a day.
std::string DurationText(double seconds);

// A fixed-column table for reading, numbers in the three-digit form of the
// statistics row, then the total row and a line on the median cycle.
std::string IntervalsText(const IntervalTable& table, const IntervalOptions& options);
// Its parts: the header line, the line of a row, and the rule, total and
// closing lines.
std::string IntervalsTextHeader(const IntervalOptions& options);
std::string IntervalsTextLine(const IntervalRow& row, const IntervalOptions& options);
std::string IntervalsTextEnd(const IntervalTable& table, const IntervalOptions& options);

// "-" for a figure that is not known, else the text of it.
std::string CoverageText(const IntervalRow& row);  // "92%" or "-"
std::string AboveTimeText(const IntervalRow& row); // h:mm:ss or "-"
