#include "ChartLabels.h"

#include "ChartText.h"
#include "LocalTime.h"

std::string FormatLocalTime(double value, bool longForm) {
    const LocalFields f = ToLocalFields(value);
    return FormatTimeFields({f.year, f.month, f.day, f.hour, f.minute, f.second}, longForm);
}

std::string FormatLocalDate(double value) {
    const LocalFields f = ToLocalFields(value);
    return FormatDateFields({f.year, f.month, f.day, f.hour, f.minute, f.second});
}
