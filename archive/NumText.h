#pragma once

#include <cstdint>

// Number conversions that never depend on the process locale: the decimal
// separator is always ".", whatever LC_NUMERIC says.

// Like strtod in the "C" locale: leading white space, sign, decimal or
// hexadecimal digits, exponent, inf and nan; 0 when nothing can be read.
double ParseDouble(const char* text, const char** end = nullptr);

// A decimal number as the text files write it: leading white space, an
// optional sign, digits with an optional decimal point, an optional exponent.
// The longest such prefix is read; hexadecimal, inf and nan are not numbers
// here, so "0x10" reads as 0 and "infinity" as 0. 0 when nothing can be read.
double ParseDecimal(const char* text);

// Like atoi: leading white space, an optional sign, the digits up to the first
// other character; 0 when there are none. Saturates instead of overflowing.
int ParseInt(const char* text);

// Truncates toward zero to an int, saturating at the int range (NaN gives 0).
int TruncateToInt(double value);

// Writes what std::to_chars(first, last, v) writes (the shortest text that
// reads back as v; room for 32 bytes) and returns its end. Whole numbers and
// tenths, most of what exports hold, skip the library's general search.
char* WriteShortest(char* first, double v);
