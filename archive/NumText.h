#pragma once

#include <cstdint>

// Number conversions that never depend on the process locale: the decimal
// separator is always ".", whatever LC_NUMERIC says.

// Like strtod in the "C" locale: leading white space, sign, decimal or
// hexadecimal digits, exponent, inf and nan; 0 when nothing can be read.
double ParseDouble(const char* text, const char** end = nullptr);

// Like atoi: leading white space, an optional sign, the digits up to the first
// other character; 0 when there are none. Saturates instead of overflowing.
int ParseInt(const char* text);

// Truncates toward zero to an int, saturating at the int range (NaN gives 0).
int TruncateToInt(double value);
