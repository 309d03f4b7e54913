#pragma once

// Daily means for a calendar and the mean by hour of the day and by day of
// the week, all built on the valid hourly means of the interval statistics
// (local-clock hours, the capture threshold deciding validity), as openair's
// calendarPlot and timeVariation work on hourly data.
//
// A day's mean is the mean of its valid hourly means, valid when the share
// of the day's hours (23, 24 or 25) with a valid mean reaches the threshold.
// A day without measurement points has no mean and is not invalid: it has no
// data. The profiles average the valid hourly means by the local clock hour
// their hour starts at (a repeated hour when clocks go back counts twice; a
// skipped one is missing that day) and by the local weekday of that start.
// Each profile value has its 95 % confidence interval
// mean +- t(0.975, n - 1) * SD / sqrt(n) over those n hourly means.

#include "IntervalStats.h"
#include "SeriesFormat.h"

#include <cstdint>
#include <string>
#include <vector>

struct DailyMean {
    int64_t start = 0, end = 0; // local midnight to midnight
    int year = 0, month = 0, day = 0;
    int weekday = 0;       // 0 Monday .. 6 Sunday
    size_t points = 0;     // measurement points of the day (0: no data)
    size_t hours = 0;      // of the day: 23, 24 or 25
    size_t validHours = 0; // with a valid hourly mean
    double capture = 0;    // validHours / hours
    double mean = 0;       // of the valid hourly means; 0 when not valid
    bool valid = false;
};

struct ProfileValue {
    size_t n = 0; // valid hourly means averaged
    double mean = 0, sd = 0;
    double low = 0, high = 0; // the 95 % confidence interval; mean and mean when n < 2
    bool Known() const { return n > 0; }
    bool IntervalKnown() const { return n > 1; }
};

struct DailyProfiles {
    std::vector<DailyMean> days; // every local day from the first point's to the last point's
    ProfileValue hourOfDay[24];
    ProfileValue dayOfWeek[7]; // Monday first
    std::string error;         // why nothing was computed, when there were points
};

// The 97.5 % quantile of Student's t distribution with df degrees of freedom
// (df >= 1; relative error below 1e-6).
double StudentT975(size_t df);

// From the hourly rows of ComputeIntervals (60 minutes).
void DailyProfilesFromHours(const std::vector<IntervalRow>& hours, double threshold, DailyProfiles& out);

// The measurement points of a series (the chart's curve) in [xmin, xmax].
// False when no point is taken (or there are too many hours: error says so).
bool ComputeDailyProfiles(const SeriesInfo& series, const CurveOptions& curve, double threshold, double xmin,
                          double xmax, DailyProfiles& out);
// The same from arrays in curve order; zero marks the zero-control cycles.
bool ComputeDailyProfiles(const std::vector<double>& times, const std::vector<double>& results,
                          const std::vector<bool>* zero, double threshold, DailyProfiles& out);
