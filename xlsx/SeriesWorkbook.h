#pragma once

// The Excel workbook of a series: a sheet of its points and one of its
// intervals, each opening with the facts behind its numbers (instrument,
// source, corrections, time base, capture threshold, limit, program
// version). Times are date cells on the local clock of the time base; the
// points also carry their UTC time. The column heads are the CSV exports'
// with the unit added, and every cell holds the CSV's value.

#include "ArchiveData.h"
#include "Provenance.h"
#include "ReportOptions.h"

#include <cstdio>
#include <string>

struct SeriesWorkbookResult {
    std::string error;          // why nothing was written; empty on success
    std::string intervalsError; // why the intervals sheet holds no rows, when it holds none
};

// Writes the workbook of archive's series options.series to out (see
// XlsxBook); the points are those of options.intervals' view, the intervals
// as options.intervals asks. Facts are in options.language; the heads are
// English, as the CSV's. False with result.error set when it failed.
bool WriteSeriesWorkbook(const CArchiveData& archive, const DataProvenance& provenance,
                         const ReportOptions& options, std::FILE* out, SeriesWorkbookResult& result);
