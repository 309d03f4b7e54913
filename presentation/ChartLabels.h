#pragma once

// How the chart's times read in this program: in the computer's local time.
// The value axis caption is in Captions.h.

#include "Captions.h"

#include <string>

// A time value (seconds since 1970) in local time: "hh:mm:ss", or
// "[ yyyy-mm-dd   hh:mm:ss ]" in the long form. The chart's time formatter.
std::string FormatLocalTime(double value, bool longForm);
// Its local date, "yyyy-mm-dd": the chart's date formatter.
std::string FormatLocalDate(double value);
