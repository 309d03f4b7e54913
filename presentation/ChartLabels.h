#pragma once

// How the chart's texts read in this program: times in the computer's local
// time, the value axis captioned by the instrument kind.

#include <string>

// A time value (seconds since 1970) in local time: "hh:mm:ss", or
// "[ yyyy-mm-dd   hh:mm:ss ]" in the long form. The chart's time formatter.
std::string FormatLocalTime(double value, bool longForm);

// The Y-axis caption for an instrument kind: "<stem>, <unit>" in the
// interface language of this run, or in the given one (0 English, 1 Russian).
std::string ChartYCaption(int kind);
std::string ChartYCaption(int kind, int language);
