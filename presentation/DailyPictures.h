#pragma once

// The calendar of daily means and the profiles by hour of the day and day of
// the week, drawn on any device context of the chart core, so the window,
// the PDF report and the picture files show the same drawing.

#include "DailyProfiles.h"
#include "GdiDC.h"

#include <string>

struct DailyPictureOptions {
    bool haveLimit = false;
    double limit = 0;      // in the unit of the results
    std::string yCaption;  // the value axis caption with its unit
    int language = 0;      // 0 English, 1 Russian
    double pixelRatio = 1; // device pixels per layout pixel
};

// At most this many months are drawn, from the month of the first day.
constexpr int kCalendarMaxMonths = 12;

// One grid per month (weeks as rows, Monday first), each day coloured by
// its daily mean on a yellow-orange-red scale with its value printed; days
// above the limit outlined, days with an invalid mean hatched, days without
// data blank; the colour legend on the right and the key below. Draws on
// (0, 0) .. (cx - 1, cy - 1).
void PaintCalendar(IGdiDC& dc, int cx, int cy, const DailyProfiles& data, const DailyPictureOptions& options);

// The mean by hour of the day (left) and by day of the week (right) with
// their 95 % confidence bands and the limit as a line.
void PaintProfiles(IGdiDC& dc, int cx, int cy, const DailyProfiles& data, const DailyPictureOptions& options);

// Months from the first day's to the last day's, at most kCalendarMaxMonths.
int CalendarMonths(const DailyProfiles& data);

// The sequential scale: t in [0, 1] to a colour from light yellow to dark red.
COLORREF SequentialColor(double t);
