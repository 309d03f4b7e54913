#pragma once

// The calendar of daily means and the profiles in the PDF report, after the
// chart.

#include "DailyProfiles.h"
#include "ReportOptions.h"

#include <functional>

class QPainter;
class QRectF;

// The daily figures of the points the report covers; computed while the
// records are held.
DailyProfiles ReportDailyProfiles(const SeriesInfo& series, const ReportOptions& options);

// Draws the calendar and the profiles with painter, each where place puts a
// drawing of the page's width and height = width * aspect (it starts a page
// when the drawing does not fit). kind: the instrument kind, for the unit.
void DrawReportDailyPictures(QPainter& painter, const DailyProfiles& data, const ReportOptions& options,
                             int kind, const std::function<QRectF(double aspect)>& place);
