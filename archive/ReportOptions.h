#pragma once

// What a report or an interval table is made of, as the Report dialog, the
// PDF writer and tervik-cli all take it. The archive and where it came from
// are the document's.

#include "IntervalStats.h"
#include "ResultStats.h"
#include "SeriesFormat.h"

#include <cmath>

struct ReportOptions {
    int series = -1; // index in the archive
    CurveOptions curve;
    // Interval length, limit, incomplete share, and the points reported:
    // xmin and xmax infinite for the whole series, else the view's times.
    IntervalOptions intervals;
    // The chart's view: pointsInView reports the points of its x range; the
    // report's chart shows its y range (NaN: fitted to the points shown).
    double viewMin = 0, viewMax = 0;
    double viewYMin = NAN, viewYMax = NAN;
    bool pointsInView = false;
    int language = 0; // 0 English, 1 Russian
    // The capture threshold is intervals.minShare (one setting for every
    // average). A limit preset by its id (LimitPreset::id; empty: none, the
    // free limit of intervals applies), and the rolling means reported.
    std::string limitPreset;
    int rollingHours = 8;
    WindowAlign rollingAlign = WindowAlign::End;
};
