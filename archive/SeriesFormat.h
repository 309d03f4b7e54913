#pragma once

// Texts and figures built from a series, shared by the main window and the
// command-line tool. Interface texts are passed in, never looked up here.

#include "ArchiveData.h"
#include "LocalTime.h"

#include <array>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// "2011-06-03_090530": local date and time of the series' first record.
std::string SeriesStartName(const SeriesInfo& series);

// The series-list entries, one per series, e.g.
// "#1/3    Start: [  2011-06-03   09:05:30  ]     Stop: [  2011-06-03   19:04:30  ]".
std::vector<std::string> SeriesListEntries(const CArchiveData& archive, std::string_view startText,
                                           std::string_view stopText);
// The same entries one at a time, without holding the list.
void ForEachSeriesListEntry(const CArchiveData& archive, std::string_view startText,
                            std::string_view stopText, const std::function<void(const std::string&)>& fn);

// The entries by index, made when asked for, for a list that shows a few of
// millions: it holds only the indices of series whose number repeats the one
// before (none, as a rule), not the texts.
class SeriesListTexts {
  public:
    SeriesListTexts() = default;
    SeriesListTexts(const CArchiveData& archive, std::string startText, std::string stopText);
    // The series count when made: the list keeps its rows until made again.
    int Count() const { return m_count; }
    // The entry of series index as SeriesListEntries has it; empty when the
    // archive no longer has that series.
    std::string Entry(int index) const;

  private:
    const CArchiveData* m_archive = nullptr;
    int m_count = 0;
    std::string m_start, m_stop;
    std::vector<int> m_repeats;
};

// Interface-string offsets of the Y-axis caption, "<stem>, <unit>", by the
// instrument kind of the archive header.
struct YCaptionOffsets {
    int stem;
    int unit;
};
YCaptionOffsets YAxisCaptionOffsets(int kind);

// The inputs of one display, export or statistics computation.
struct CurveOptions {
    bool zeroCorrection = true;
    int stdTemp = -1;   // tenths of °C; 0 or below: no temperature correction
    int stdPres = -1;   // mm Hg; 0 or below: no pressure correction
    bool filter = true; // leave out records marked bad
};

// The curves of a whole series as the export uses them: every record, or all
// but the bad ones when filtering.
struct SeriesCurves {
    std::vector<double> times, results, temps, pres;
};
int GetExportCurves(const SeriesInfo& series, const CurveOptions& options, SeriesCurves& out);

// The fixed-column text table, lines ended by CR LF. Records left out by the
// filter are skipped, and their numbers with them.
std::string ExportTable(const SeriesInfo& series, const CurveOptions& options);
// The same table written to an open file in chunks (no whole-table copy in
// memory); false when a write failed.
bool WriteExportTable(const SeriesInfo& series, const CurveOptions& options, std::FILE* file);
// Comma-separated values: a header line, then local ISO 8601 time, epoch
// seconds, result, temperature, pressure, zero and bad flags per record.
std::string ExportCsv(const SeriesInfo& series, const CurveOptions& options);
// The same text written to an open file in chunks; false when a write failed.
bool WriteExportCsv(const SeriesInfo& series, const CurveOptions& options, std::FILE* file);

// One line of the table (without the line end) for the record at position
// number (from 1) with the values GetCurves gave it.
void AppendExportLine(std::string& out, int number, const LocalFields& when, bool zero, bool bad,
                      double temperature, double pressure, double result);

// Statistics of the points with xmin <= time <= xmax; the walk stops at the
// first point past xmax. A point whose result is not finite (NaN, an
// infinity) counts in the times and in nonFinite, and is left out of mean,
// SD, min, max and range (all 0 when no result is finite).
struct Statistics {
    double firstTime = 0, lastTime = 0, mean = 0, sd = 0, min = 0, max = 0, range = 0;
    size_t count = 0, nonFinite = 0; // points in view; of them, without a finite result
};
bool ComputeStatistics(const std::vector<double>& times, const std::vector<double>& results, double xmin,
                       double xmax, Statistics& stats);

// The same figures fed one point at a time, in time order.
class StatisticsAccumulator {
  public:
    StatisticsAccumulator(double xmin, double xmax) : m_xmin(xmin), m_xmax(xmax) {}
    // false once a point lies past xmax: the walk is over.
    bool Add(double t, double y);
    // false when no point was in view.
    bool Finish(Statistics& stats) const;

  private:
    double m_xmin, m_xmax;
    double m_sum = 0, m_sumSq = 0, m_min = 0, m_max = 0, m_first = 0, m_last = 0;
    size_t m_n = 0, m_values = 0;
    bool m_done = false;
};

// Statistics of the measurement points of a series (as the chart shows them)
// in [xmin, xmax], computed as the curve is walked, without its arrays.
bool ComputeSeriesStatistics(const SeriesInfo& series, const CurveOptions& options, double xmin, double xmax,
                             Statistics& stats);

// The seven cells of the statistics row: date, time span, mean, SD, min, max,
// range (the difference of the min and max texts as shown); "-" for the
// figures when no result is finite.
std::array<std::string, 7> StatisticsCells(const Statistics& stats);

// "" when every result in view is finite, else e.g. "3 of 120 points have no finite result (left out)".
std::string NonFiniteNote(size_t nonFinite, size_t count);

// A number with about three significant digits: 1.23, 12.3, 124, 1240, 0.50.
std::string ThreeDigitForm(double x);

// File names (without folder) for saving every series: "<start name>.mnr",
// and for a series starting in the same second as an earlier one
// "<start name>_2.mnr", "_3", ... so no series overwrites another.
std::vector<std::string> SaveAllFileNames(const CArchiveData& archive);
