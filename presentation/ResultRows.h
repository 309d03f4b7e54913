#pragma once

// The summary, the rolling means and the daily figures as rows of texts in
// an interface language, for the Report dialog's tables and the PDF report.
// Numbers in the three-digit form and times as the text and CSV outputs of
// the same figures give them. A value that is not valid (capture below the
// threshold) is empty and marked "*"; one that is not known is "-".

#include "ReportOptions.h"
#include "ResultStats.h"

#include <string>
#include <utility>
#include <vector>

// The limit a report compares: the preset of options.limitPreset for a
// series of this instrument kind, else the free value of options.intervals,
// else none (inactive).
LimitCheck ReportLimit(const ReportOptions& options, int kind);

// The summary's options for a report: its threshold, points and limit.
SummaryOptions ReportSummaryOptions(const ReportOptions& options, int kind);

// The rolling means a report lists; hours 0 when none are chosen.
RollingOptions ReportRollingOptions(const ReportOptions& options);

// "Capture threshold", "Limit preset" (or "Limit value") and "Time base"
// with their values, the lines a report states what its figures rest on.
std::vector<std::pair<std::string, std::string>> ResultBasisLines(const ReportOptions& options,
                                                                  const LimitCheck& limit, int language);

struct SummaryRow {
    std::string name, value, time;
};
// The summary's figures in the order of the text output (the threshold is
// stated apart); kind names the limit's unit.
std::vector<SummaryRow> SummaryRows(const SummaryStats& s, int kind, int language);

// Headers and cells of the rolling-mean table: hour, window start, window
// end, valid hours, capture, mean, and with an active limit above (yes/no).
std::vector<std::string> RollingHeader(const LimitCheck& limit, int language);
std::vector<std::string> RollingCells(const RollingMean& r, const LimitCheck& limit, int language);

// Headers and cells of the daily table: day, hours, valid hours, daily mean,
// highest hourly mean (clock time), maximum daily 8-hour mean (window end),
// and with an active limit the valid hourly means above it.
std::vector<std::string> DailyHeader(const LimitCheck& limit, int language);
std::vector<std::string> DailyCells(const DayFigures& d, const LimitCheck& limit);

// What the instrument's clock is taken to follow (the active time base), as
// a report states it: "local time of this computer", a zone's name, or
// "UTC+03:00".
std::string ReportTimeBaseText(int language);
