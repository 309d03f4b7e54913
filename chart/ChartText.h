#pragma once

// Step selection and the texts of the chart's labels and read-outs. Plain
// functions, testable without a window. Every number is written with "." as
// the decimal point whatever the process locale.

#include <string>

struct LabelFormat {
    bool bExponent = false;
    int nExponent = 0;
    int nDecimals = 0;
};

// floor(v) when v - floor(v) < 0.5, else ceil(v).
double RoundHalfUp(double v);

// Minor step of the time axis for a data span of twenty pixels (6, 10, 15,
// 30 or 60 times a power of ten); the major step is six times it. Returns
// the span itself when it is not positive.
double ChooseTimeStep(double span20);
// Minor step of the value axis (1, 2.5, 5 or 10 times a power of ten); the
// major step is twice it.
double ChooseValueStep(double span20);

LabelFormat ChooseLabelFormat(double value, double step, int width);
std::string FormatAxisValue(double value, const LabelFormat& f);
std::string FormatReadoutValue(double value, int width);
// Calendar fields of a moment, in whatever zone the caller chose.
struct TimeFields {
    int year, month, day, hour, minute, second;
};
// Short form "hh:mm:ss", long form "[ yyyy-mm-dd   hh:mm:ss ]".
std::string FormatTimeFields(const TimeFields& f, bool longForm);
// A time value (seconds since 1970, truncated toward zero) in UTC, in the
// forms of FormatTimeFields: the chart's labels when its owner gives it no
// formatter of its own.
std::string FormatUtcTime(double value, bool longForm);
// The date alone, "yyyy-mm-dd": the second row of the time axis's labels.
std::string FormatDateFields(const TimeFields& f);
std::string FormatUtcDate(double value);

// printf of one double in the "C" locale.
std::string FormatNumber(const char* format, double value);
// A user-supplied printf format for one double, or "%f" when it holds
// anything but text and a single floating-point conversion.
std::string SafeDoubleFormat(const std::string& format);
