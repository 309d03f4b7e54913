#pragma once

// Results as air-quality rules and workplace standards report them: averages
// with their data capture and validity, rolling means, the maximum daily
// 8-hour mean, limits compared by their averaging time, and a summary with
// percentiles. Everything is O(n) in the points (the percentiles by
// selection) and built on the local-clock hours of the interval statistics.
//
// Validity. The capture of an hourly (or any interval) mean is its cycles,
// zero-control cycles included, over the expected ones (IntervalRow::
// coverage). An average is valid when it has a finite result and its capture
// reaches the threshold (a capture exactly at the threshold is valid; an
// interval whose cycle length is not known is never below it). Averages
// built on hourly means (rolling, daily, annual, period) take the valid
// hourly means only; their capture is the share of their hours that are
// valid. Values that are not valid are no result: they are left out of every
// figure built on them (maxima, counts above a limit, the averages above).

#include "IntervalStats.h"
#include "LimitPresets.h"
#include "SeriesFormat.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

constexpr double kDefaultCaptureThreshold = 0.75;

// CaptureReaches (present / expected reaches the threshold) is in
// IntervalStats.h. The row's mean is a valid average under the threshold.
bool IsValidAverage(const IntervalRow& row, double threshold);

// Where a rolling mean's window lies relative to the hour it is given for:
// End, the hour and the N - 1 before it; Left, the hour and the N - 1 after;
// Centre, (N - 1) / 2 hours before it and N / 2 after (as openair: 8 hours
// are the 3 before, the hour and the 4 after).
enum class WindowAlign { End, Left, Centre };
constexpr int kMaxRollingHours = 8784; // a leap year

struct RollingOptions {
    int hours = 8; // 1..kMaxRollingHours
    WindowAlign align = WindowAlign::End;
    double threshold = kDefaultCaptureThreshold;
};

// The rolling mean of N consecutive hourly intervals, given for one hour.
// Hours of the window outside the series count as missing.
struct RollingMean {
    int64_t hourStart = 0, hourEnd = 0;     // the hour it is given for
    int64_t windowStart = 0, windowEnd = 0; // the hours averaged, [start, end)
    size_t hours = 0;                       // N
    size_t validHours = 0;                  // of them, valid hourly means
    double capture = 0;                     // validHours / N
    double mean = 0;                        // of the valid hourly means; 0 when not valid
    bool valid = false;                     // capture reaches the threshold
};

// One rolling mean per hourly row (ComputeIntervals with 60 minutes and
// minShare = threshold), with running sums: O(rows).
void RollingMeans(const std::vector<IntervalRow>& hours, const RollingOptions& options,
                  std::vector<RollingMean>& out);

// Figures of one local day from its hourly means.
struct DayFigures {
    int64_t start = 0, end = 0; // local midnight to midnight (23, 24 or 25 hours)
    size_t hours = 0, validHours = 0;
    double capture = 0; // validHours / hours
    double mean = 0;    // of the valid hourly means; 0 when not valid
    bool valid = false;
    double maxHourly = 0; // the highest valid hourly mean and the start of its hour
    int64_t maxHourlyTime = 0;
    bool haveMaxHourly = false;
    // The maximum daily 8-hour mean: the highest of the valid end-aligned
    // 8-hour means ending in the day, valid when at least
    // ceil(threshold * 24) of them are valid (18 at 75 %).
    size_t validEightHour = 0;
    double maxEightHour = 0;
    int64_t maxEightHourEnd = 0; // end of its window
    bool haveMaxEightHour = false;
    bool maxEightHourValid = false;
    size_t hoursAbove = 0; // valid hourly means above the limit
};

// The days of the hourly rows; eightHour are RollingMeans of those rows with
// 8 hours, aligned to the end, and the same threshold. limit (nullptr: none)
// counts hoursAbove.
void DailyFigures(const std::vector<IntervalRow>& hours, const std::vector<RollingMean>& eightHour,
                  double threshold, const LimitCheck* limit, std::vector<DayFigures>& out);

// Percentiles of values by the definition of R's default (Hyndman and Fan
// type 7): for p in [0, 1] and n sorted values x[0..n-1], h = (n - 1) p and
// the result x[floor h] + (h - floor h) (x[floor h + 1] - x[floor h]).
// ps ascending; values is reordered (selection with std::nth_element, no
// full sort). out[i] is NaN when values is empty.
void Percentiles(std::vector<double>& values, const double* ps, size_t count, double* out);

struct SummaryOptions {
    double threshold = kDefaultCaptureThreshold;
    // The points taken, as the statistics row takes them.
    double xmin = -std::numeric_limits<double>::infinity();
    double xmax = std::numeric_limits<double>::infinity();
    LimitCheck limit; // inactive: no limit
};

// A figure with the time it belongs to (seconds since 1970).
struct TimedFigure {
    double value = 0;
    double time = 0;
    bool known = false;
};

struct SummaryStats {
    // The points: count, of them without a finite result, and all cycles;
    // capture of the whole span (the interval statistics' total row).
    size_t count = 0, nonFinite = 0, cycles = 0;
    double expected = 0, capture = 0;
    bool captureKnown = false;
    // Mean and SD of the finite results, a result only when valid.
    bool meanValid = false;
    double mean = 0, sd = 0;
    // Of the finite results (NaN when there is none).
    double median = 0, p95 = 0, p98 = 0, p99 = 0;
    TimedFigure max;          // the highest result and its time
    TimedFigure maxHourly;    // the highest valid hourly mean, time the hour's start
    TimedFigure maxDaily;     // the highest valid daily mean, time the day's start
    TimedFigure maxEightHour; // the highest valid 8-hour mean, time the window's end
    size_t hours = 0, validHours = 0, days = 0, validDays = 0;
    // The limit and its comparison: the valid averages of its averaging time
    // compared and those strictly above it (for a ceiling, the finite
    // results).
    LimitCheck limit;
    size_t averagesCompared = 0, averagesAbove = 0;
    // The period mean (Averaging::Period): valid hourly means over the span.
    double periodMean = 0, periodCapture = 0;
    bool periodValid = false;
    std::vector<DayFigures> dayFigures; // hoursAbove filled when a limit is active
    double medianCycle = 0;
    std::string error; // why nothing was computed, when there were points
};

// The summary of the measurement points of a series (the chart's curve) in
// the options' view. False when no point is taken (or too many hours; error
// says so).
bool ComputeSummary(const SeriesInfo& series, const CurveOptions& curve, const SummaryOptions& options,
                    SummaryStats& out);
// The same from arrays in curve order; zero marks the zero-control cycles.
bool ComputeSummary(const std::vector<double>& times, const std::vector<double>& results,
                    const std::vector<bool>* zero, const SummaryOptions& options, SummaryStats& out);

// The rolling means of a series' points in [xmin, xmax] (the hourly means
// first, as ComputeIntervals gives them). False when no point is taken.
bool ComputeRollingMeans(const SeriesInfo& series, const CurveOptions& curve, const RollingOptions& options,
                         double xmin, double xmax, std::vector<RollingMean>& out, std::string& error);
bool ComputeRollingMeans(const std::vector<double>& times, const std::vector<double>& results,
                         const std::vector<bool>* zero, const RollingOptions& options, double xmin,
                         double xmax, std::vector<RollingMean>& out, std::string& error);

// Texts for tables and CSV, numbers in the three-digit form (table) or
// shortest round-trip form (CSV), times as in the interval table. A value
// that is not valid is empty and marked "*".
std::string RollingTextHeader(const RollingOptions& options, const LimitCheck& limit);
std::string RollingTextLine(const RollingMean& r, const LimitCheck& limit);
std::string RollingCsvHeader(const LimitCheck& limit);
std::string RollingCsvLine(const RollingMean& r, const LimitCheck& limit);

// The summary as "name: value" lines (table) or "quantity,value,time"
// lines (CSV), then the per-day table.
std::string SummaryText(const SummaryStats& s, const SummaryOptions& options);
std::string SummaryCsv(const SummaryStats& s, const SummaryOptions& options);
