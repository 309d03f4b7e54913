#pragma once

// Several series side by side: each from any archive, moved in time, and
// the difference of two of them. Qt-free; the Compare dialog and
// tervik-cli compare draw what these compute.

#include "ArchiveData.h"
#include "SeriesFormat.h"

#include <string>
#include <vector>

// One curve: times (seconds since 1970) and values, in record order.
struct CompareCurve {
    std::vector<double> times, values;
};

// How a series is moved along the time axis.
struct TimeShift {
    enum class Kind { None, AlignStart, Seconds };
    Kind kind = Kind::None;
    double seconds = 0; // for Seconds
};

// "start" (align with the first series' start), "0", or a signed number of
// hours or days: "-168h", "+2d", "1.5h". False for anything else, or for a
// shift beyond 100 years.
bool ParseTimeShift(const std::string& text, TimeShift& shift);
// The shift as the legend names it: "start", whole days as "+7d", whole
// hours as "-170h", else hours, minutes and seconds as "-168:00:07"; ""
// for none.
std::string TimeShiftText(const TimeShift& shift);

// The seconds shift adds to the times of a curve whose first point (its
// earliest time) is start, when the first series' earliest time is
// referenceStart. 0 for none.
double ShiftSeconds(const TimeShift& shift, double start, double referenceStart);

// The measurement points of series as the chart shows them (no zero-control
// points; bad ones left out when options.filter).
CompareCurve MeasurementCurve(const SeriesInfo& series, const CurveOptions& options);

// The median of the positive intervals between consecutive times (taken in
// time order): the lower middle one for an even count; 0 when no two times
// differ.
double MedianCycle(const std::vector<double>& times);

// The difference a - b at the times of a: at each point (t, y) of a, with
// L the last point of b at or before t and R the first at or after t (b in
// time order), the value y - b(t), b(t) linear between L and R (L's value
// when their times are equal). A point of a gets a difference only when L
// and R both exist and lie within one cycle of t (t - L.t <= c and
// R.t - t <= c, c the larger of the two curves' median cycles) and y, L's
// and R's values are finite. The result is in time order.
CompareCurve DifferenceCurve(const CompareCurve& a, const CompareCurve& b);

// The earliest time of a curve; 0 when it has no point.
double EarliestTime(const CompareCurve& curve);

// An archive open for comparing, by the name the legend shows (the file's
// name without its folder).
struct CompareSource {
    std::string name;
    const CArchiveData* archive = nullptr;
};

// One series to compare: which source, which of its series (0-based), how
// it is moved.
struct ComparePick {
    int source = 0;
    int series = 0;
    TimeShift shift;
};

// The most series one comparison shows.
constexpr int kMaxCompareSeries = 4;

// What a comparison shows: per pick its curve (shifted), legend name and
// shift in seconds; the difference of two picks when asked for.
struct CompareSet {
    std::vector<CompareCurve> curves;
    std::vector<std::string> names;
    std::vector<double> shifts;
    bool hasDifference = false;
    CompareCurve difference;
    std::string differenceName;
};

// Builds the curves of picks (1 to kMaxCompareSeries, each naming a source
// and series that exist) with options; AlignStart moves a curve's earliest
// time onto the first pick's. difference, when it holds two pick indices
// (first, second), adds first - second, named "[first's name] - [second's]". False with a reason otherwise.
bool BuildCompareSet(const std::vector<CompareSource>& sources, const std::vector<ComparePick>& picks,
                     const CurveOptions& options, const int* difference, CompareSet& out, std::string& error);

// The legend name of series index (0-based) of a source: "name #N", with
// the shift as "name #N +24h" when there is one.
std::string CompareName(const std::string& source, int series, double shiftSeconds);
