#pragma once

// A series as openair's import() takes it: a header "date,hg", then one line
// per measurement point with its local ISO 8601 time and UTC offset and its
// result. Zero-control cycles are no measurements and are left out; a result
// that is not finite is left empty (openair's NA).

#include "SeriesFormat.h"

#include <cstdio>
#include <string>

std::string OpenairCsv(const SeriesInfo& series, const CurveOptions& options);
// The same text written to an open file in chunks; false when a write failed.
bool WriteOpenairCsv(const SeriesInfo& series, const CurveOptions& options, std::FILE* file);
