#include "ChartLabels.h"

#include "ChartText.h"
#include "LocalTime.h"
#include "SeriesFormat.h"
#include "StringTable.h"

std::string FormatLocalTime(double value, bool longForm) {
    const LocalFields f = ToLocalFields(value);
    return FormatTimeFields({f.year, f.month, f.day, f.hour, f.minute, f.second}, longForm);
}

std::string ChartYCaption(int kind) {
    const YCaptionOffsets o = YAxisCaptionOffsets(kind);
    return LoadUIString(o.stem) + ", " + LoadUIString(o.unit);
}

std::string ChartYCaption(int kind, int language) {
    const YCaptionOffsets o = YAxisCaptionOffsets(kind);
    return UIString(o.stem, language) + ", " + UIString(o.unit, language);
}
