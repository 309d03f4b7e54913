#include "ResultRows.h"

#include "SeriesFormat.h"
#include "StringTable.h"
#include "TimeBase.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Percent(double share) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f%%", share * 100);
    return buf;
}

std::string Time(int64_t t) {
    return DateTimeText(static_cast<double>(t), false);
}

// A figure that may be unknown ("-") or known but not valid ("*").
std::string Valued(bool valid, double v) {
    return valid ? ThreeDigitForm(v) : "*";
}

std::string Quantile(double v) {
    return std::isnan(v) ? "-" : ThreeDigitForm(v);
}

std::string UnitOf(int kind, int language) {
    return UIString(YAxisCaptionOffsets(kind).unit, language);
}

} // namespace

LimitCheck ReportLimit(const ReportOptions& options, int kind) {
    if (!options.limitPreset.empty())
        if (const LimitPreset* preset = FindLimitPreset(options.limitPreset))
            return PresetLimit(*preset, kind);
    if (options.intervals.haveLimit)
        return FreeLimit(options.intervals.limit);
    return LimitCheck{};
}

SummaryOptions ReportSummaryOptions(const ReportOptions& options, int kind) {
    SummaryOptions o;
    o.threshold = options.intervals.minShare;
    o.xmin = options.intervals.xmin;
    o.xmax = options.intervals.xmax;
    o.limit = ReportLimit(options, kind);
    return o;
}

RollingOptions ReportRollingOptions(const ReportOptions& options) {
    RollingOptions o;
    o.hours = options.rollingHours;
    o.align = options.rollingAlign;
    o.threshold = options.intervals.minShare;
    return o;
}

std::vector<std::pair<std::string, std::string>> ResultBasisLines(const ReportOptions& options,
                                                                  const LimitCheck& limit, int language) {
    const auto ui = [language](int offset) { return UIString(offset, language); };
    std::vector<std::pair<std::string, std::string>> lines;
    lines.emplace_back(ui(kUiCaptureThreshold), Percent(options.intervals.minShare));
    if (limit.preset) {
        std::string value = ui(limit.preset->nameOffset);
        if (!limit.active)
            value += ". " + ui(limit.problemOffset);
        lines.emplace_back(ui(kUiLimitPreset), value);
    } else {
        lines.emplace_back(ui(kUiLimitPreset), ui(kUiPresetNoneFree));
    }
    lines.emplace_back(ui(kUiTimeBase), ReportTimeBaseText(language));
    return lines;
}

std::vector<SummaryRow> SummaryRows(const SummaryStats& s, int kind, int language) {
    const auto ui = [language](int offset) { return UIString(offset, language); };
    const auto of = [&](size_t a, size_t b) {
        return FillPlaces(ui(kUiCountOf), {std::to_string(a), std::to_string(b)});
    };
    const auto at = [](const TimedFigure& f, bool seconds) {
        return f.known ? DateTimeText(f.time, seconds) : std::string();
    };
    const auto figure = [](const TimedFigure& f) { return f.known ? ThreeDigitForm(f.value) : "-"; };
    std::vector<SummaryRow> rows = {
        {ui(kUiReportPoints), std::to_string(s.count), {}},
        {ui(kUiDataCapture), s.captureKnown ? Percent(s.capture) : "-", {}},
        {ui(kUiMean), Valued(s.meanValid, s.mean), {}},
        {ui(kUiSd), Valued(s.meanValid, s.sd), {}},
        {ui(kUiMedianLabel), Quantile(s.median), {}},
        {ui(kUiPercentile95), Quantile(s.p95), {}},
        {ui(kUiPercentile98), Quantile(s.p98), {}},
        {ui(kUiPercentile99), Quantile(s.p99), {}},
        {ui(kUiMax), figure(s.max), at(s.max, true)},
        {ui(kUiMaxValidHourly), figure(s.maxHourly), at(s.maxHourly, false)},
        {ui(kUiMaxValidDaily), figure(s.maxDaily), at(s.maxDaily, false).substr(0, 10)},
        {ui(kUiMaxValidEightHour), figure(s.maxEightHour),
         s.maxEightHour.known ? FillPlaces(ui(kUiAtWindowEnd), {at(s.maxEightHour, false)}) : std::string()},
        {ui(kUiValidHours), of(s.validHours, s.hours), {}},
        {ui(kUiValidDays), of(s.validDays, s.days), {}},
        {ui(kUiPeriodMean), Valued(s.periodValid, s.periodMean), {}},
    };
    const LimitCheck& l = s.limit;
    if (l.active) {
        const std::string value = ThreeDigitForm(l.value) + " " + UnitOf(kind, language);
        rows.push_back({ui(kUiReportLimitValue),
                        FillPlaces(ui(kUiLimitComparedWith), {value, ui(AveragingNameOffset(l.averaging))}),
                        {}});
        rows.push_back({ui(kUiValidAveragesAbove), of(s.averagesAbove, s.averagesCompared), {}});
    }
    return rows;
}

std::vector<std::string> RollingHeader(const LimitCheck& limit, int language) {
    const auto ui = [language](int offset) { return UIString(offset, language); };
    std::vector<std::string> head = {ui(kUiColumnHour), ui(kUiWindowStart), ui(kUiWindowEnd),
                                     ui(kUiValidHours), ui(kUiDataCapture), ui(kUiMean)};
    if (limit.active)
        head.push_back(ui(kUiColumnAbove));
    return head;
}

std::vector<std::string> RollingCells(const RollingMean& r, const LimitCheck& limit, int language) {
    std::vector<std::string> cells = {
        Time(r.hourStart),  Time(r.windowStart),
        Time(r.windowEnd),  std::to_string(r.validHours) + "/" + std::to_string(r.hours),
        Percent(r.capture), Valued(r.valid, r.mean)};
    if (limit.active)
        cells.push_back(r.valid ? UIString(r.mean > limit.value ? kUiYes : kUiNo, language) : "");
    return cells;
}

std::vector<std::string> DailyHeader(const LimitCheck& limit, int language) {
    const auto ui = [language](int offset) { return UIString(offset, language); };
    std::vector<std::string> head = {
        ui(kUiColumnDay),       ui(kUiColumnHours), ui(kUiValidHours),         ui(kUiMean),
        ui(kUiColumnMaxHourly), ui(kUiStatTime),    ui(kUiColumnMaxEightHour), ui(kUiWindowEnd)};
    if (limit.active)
        head.push_back(ui(kUiColumnHoursAbove));
    return head;
}

std::vector<std::string> DailyCells(const DayFigures& d, const LimitCheck& limit) {
    const bool eight = d.haveMaxEightHour;
    std::vector<std::string> cells = {Time(d.start).substr(0, 10),
                                      std::to_string(d.hours),
                                      std::to_string(d.validHours),
                                      Valued(d.valid, d.mean),
                                      d.haveMaxHourly ? ThreeDigitForm(d.maxHourly) : "-",
                                      d.haveMaxHourly ? Time(d.maxHourlyTime).substr(11) : "",
                                      eight ? Valued(d.maxEightHourValid, d.maxEightHour) : "-",
                                      eight && d.maxEightHourValid ? Time(d.maxEightHourEnd) : ""};
    if (limit.active)
        cells.push_back(std::to_string(d.hoursAbove));
    return cells;
}

std::string ReportTimeBaseText(int language) {
    const TimeBase base = ActiveTimeBase();
    if (base.kind == TimeBase::Kind::Local)
        return UIString(kUiLocalTimeComputer, language);
    if (base.kind == TimeBase::Kind::Zone)
        return base.zone;
    std::string text = UIString(kUiTimeBaseNoDst, language);
    const size_t at = text.find("%s");
    return at == std::string::npos ? text : text.replace(at, 2, TimeBaseText(base));
}
