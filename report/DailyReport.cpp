#include "DailyReport.h"

#include "Captions.h"
#include "DailyPictures.h"
#include "LCPicture.h"
#include "LimitPresets.h"

#include <QRectF>

namespace {

// Drawn as pictures of this size, then scaled to the page width.
constexpr int kWidth = 770, kCalendarHeight = 1000, kProfileHeight = 380;

} // namespace

DailyProfiles ReportDailyProfiles(const SeriesInfo& series, const ReportOptions& options) {
    DailyProfiles data;
    const IntervalOptions& io = options.intervals;
    ComputeDailyProfiles(series, options.curve, io.minShare, io.xmin, io.xmax, data);
    return data;
}

void DrawReportDailyPictures(QPainter& painter, const DailyProfiles& data, const ReportOptions& options,
                             int kind, const std::function<QRectF(double aspect)>& place) {
    if (data.days.empty())
        return;
    DailyPictureOptions o;
    o.language = options.language;
    o.yCaption = ChartYCaption(kind, options.language);
    // A preset's value where it can be compared in the series' unit, else the
    // free limit.
    const LimitPreset* preset = FindLimitPreset(options.limitPreset);
    const LimitCheck check = preset ? PresetLimit(*preset, kind) : LimitCheck{};
    o.haveLimit = check.active || (!preset && options.intervals.haveLimit);
    o.limit = check.active ? check.value : options.intervals.limit;
    const int rows = (CalendarMonths(data) + 3) / 4;
    const int calendarHeight = rows > 1 ? kCalendarHeight * rows / 3 : kProfileHeight;
    PaintPictureVector([&](IGdiDC& dc) { PaintCalendar(dc, kWidth, calendarHeight, data, o); }, kWidth,
                       calendarHeight, painter, place(static_cast<double>(calendarHeight) / kWidth));
    PaintPictureVector([&](IGdiDC& dc) { PaintProfiles(dc, kWidth, kProfileHeight, data, o); }, kWidth,
                       kProfileHeight, painter, place(static_cast<double>(kProfileHeight) / kWidth));
}
