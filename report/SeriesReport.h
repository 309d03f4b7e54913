#pragma once

// The PDF report of one series: where the data came from, the corrections,
// the chart as the main window draws it (as vector shapes), the statistics
// row, the interval table and the exceedance summary, on A4 pages in the
// chosen interface language. Needs a QGuiApplication (fonts); no widgets.

#include "MnrStream.h"
#include "ReportOptions.h"
#include "TervikDocument.h"

#include <cstddef>
#include <string>

// The interval table of a report goes over pages; beyond this many rows
// (about 200 pages) the report is refused rather than grown without bound.
constexpr size_t kMaxReportIntervals = 10000;

// Writes the report of a series of the document's archive to path, its
// source named by the document's origin, replacing the file only once all of
// it is written. table, when given with all its rows, is the interval table
// already computed for options (the Report dialog's); otherwise it is
// computed here. On failure returns false and sets error to a sentence in
// the report's language; nothing is written then.
bool WriteSeriesReport(const TervikDocument& document, const ReportOptions& options, const std::string& path,
                       std::string& error, const IntervalTable* table = nullptr);
// The same, and clears the archive's records once the figures are made, so
// the pages are written without them (the header stays).
bool WriteSeriesReport(TervikDocument&& document, const ReportOptions& options, const std::string& path,
                       std::string& error);
// The same for a document loaded from the *.mnr file stream was opened on,
// for options.series and the filter of options.curve: the chart's points
// are read from the file again once the records are cleared, so the two are
// never held at once. Fails, with error in English, when the file no longer
// holds the series.
bool WriteSeriesReport(TervikDocument&& document, MnrSeriesStream& stream, const ReportOptions& options,
                       const std::string& path, std::string& error);
