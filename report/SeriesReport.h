#pragma once

// The PDF report of one series: where the data came from, the corrections,
// the chart as the main window draws it (as vector shapes), the statistics
// row, the interval table and the exceedance summary, on A4 pages in the
// chosen interface language. Needs a QGuiApplication (fonts); no widgets.

#include "ArchiveData.h"
#include "IntervalStats.h"
#include "MnrStream.h"
#include "Provenance.h"
#include "SeriesFormat.h"

#include <cmath>
#include <cstddef>
#include <string>

struct SeriesReportOptions {
    int series = 0; // index in the archive
    CurveOptions curve;
    // Interval length, limit, incomplete share, and the points reported:
    // xmin and xmax infinite for the whole series, else the view's times.
    IntervalOptions intervals;
    // The chart's value range; NaN fits it to the points of the x range.
    double viewYMin = NAN, viewYMax = NAN;
    int language = 0; // 0 English, 1 Russian
    // How the archive was loaded; with the header's origin, the report's source.
    DataProvenance provenance;
};

// The interval table of a report goes over pages; beyond this many rows
// (about 200 pages) the report is refused rather than grown without bound.
constexpr size_t kMaxReportIntervals = 10000;

// Writes the report to path, replacing the file only once all of it is
// written. On failure returns false and sets error to a sentence in the
// report's language; nothing is written then.
bool WriteSeriesReport(const CArchiveData& archive, const SeriesReportOptions& options,
                       const std::string& path, std::string& error);
// The same, and clears archive's records once the figures are made, so the
// pages are written without them (the header stays).
bool WriteSeriesReport(CArchiveData&& archive, const SeriesReportOptions& options, const std::string& path,
                       std::string& error);
// The same for an archive loaded from the *.mnr file stream was opened on,
// for options.series and the filter of options.curve: the chart's points
// are read from the file again once the records are cleared, so the two are
// never held at once. Fails, with error in English, when the file no longer
// holds the series.
bool WriteSeriesReport(CArchiveData&& archive, MnrSeriesStream& stream, const SeriesReportOptions& options,
                       const std::string& path, std::string& error);
