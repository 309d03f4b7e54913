// Tables and CSV of rolling means and of the summary.

#include "ResultStats.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

std::string Number(double v) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

std::string Percent(double share) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f%%", share * 100);
    return buf;
}

std::string Time(int64_t t) {
    return DateTimeText(static_cast<double>(t), false);
}

const char* AveragingText(Averaging a) {
    switch (a) {
    case Averaging::Point:
        return "every result (ceiling)";
    case Averaging::Hour:
        return "hourly means";
    case Averaging::EightHour:
        return "8-hour TWA (highest 8-hour mean of each day)";
    case Averaging::Day:
        return "daily means";
    case Averaging::Year:
        return "annual means";
    case Averaging::Period:
        return "period mean";
    }
    return "";
}

const char* AveragingKey(Averaging a) {
    switch (a) {
    case Averaging::Point:
        return "point";
    case Averaging::Hour:
        return "hour";
    case Averaging::EightHour:
        return "8h-twa";
    case Averaging::Day:
        return "day";
    case Averaging::Year:
        return "year";
    case Averaging::Period:
        return "period";
    }
    return "";
}

std::string Pad(std::string s, size_t width) {
    if (s.size() < width)
        s.append(width - s.size(), ' ');
    return s;
}

void TrimRight(std::string& s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
}

std::string LimitText(const LimitCheck& l) {
    if (l.preset && !l.active)
        return std::string(l.preset->id) + ": " + l.problem;
    if (!l.active)
        return "none";
    std::string out = Number(l.value) + ", compared with " + AveragingText(l.averaging);
    if (l.preset)
        out = std::string(l.preset->id) + " (" + l.preset->source + ", " + Number(l.preset->valueUgM3) +
              " ug/m3) = " + out;
    return out;
}

std::string Figure(const TimedFigure& f, bool withSeconds) {
    return f.known ? ThreeDigitForm(f.value) + " (" + DateTimeText(f.time, withSeconds) + ")" : "-";
}

std::string CsvFigure(const std::string& name, const TimedFigure& f) {
    return name + ',' +
           (f.known ? Number(f.value) + ',' + LocalIsoTime(static_cast<int64_t>(std::floor(f.time)))
                    : std::string(",")) +
           '\n';
}

std::string DaysTextTable(const SummaryStats& s) {
    std::string out;
    char buf[512];
    std::snprintf(buf, sizeof buf, "%-10s %6s %7s %9s %9s  %-5s %9s  %-16s %6s", "Day", "Hours", "Valid",
                  "Mean", "Max 1h", "at", "Max 8h", "ending", "8h ok");
    out += buf;
    if (s.limit.active)
        out += "  Hours above";
    TrimRight(out);
    out += '\n';
    for (const DayFigures& d : s.dayFigures) {
        const std::string day = Time(d.start).substr(0, 10);
        const std::string mean = d.valid ? ThreeDigitForm(d.mean) : "-*";
        const std::string eight = d.maxEightHourValid  ? ThreeDigitForm(d.maxEightHour)
                                  : d.haveMaxEightHour ? "-*"
                                                       : "-";
        std::snprintf(buf, sizeof buf, "%-10s %6zu %7zu %9s %9s  %-5s %9s  %-16s %6zu", day.c_str(), d.hours,
                      d.validHours, mean.c_str(), d.haveMaxHourly ? ThreeDigitForm(d.maxHourly).c_str() : "-",
                      d.haveMaxHourly ? Time(d.maxHourlyTime).substr(11).c_str() : "-", eight.c_str(),
                      d.maxEightHourValid ? Time(d.maxEightHourEnd).c_str() : "-", d.validEightHour);
        out += buf;
        if (s.limit.active) {
            std::snprintf(buf, sizeof buf, "  %11zu", d.hoursAbove);
            out += buf;
        }
        TrimRight(out);
        out += '\n';
    }
    return out;
}

} // namespace

std::string RollingTextHeader(const RollingOptions& options, const LimitCheck& limit) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "%-16s  %-16s  %-16s %7s %8s %9s", "Hour", "Window start", "Window end",
                  "Valid h", "Capture", "Mean");
    std::string out =
        "Rolling " + std::to_string(options.hours) + "-hour means of the valid hourly means\n" + buf;
    if (limit.active)
        out += "  Above";
    return out + '\n';
}

std::string RollingTextLine(const RollingMean& r, const LimitCheck& limit) {
    char buf[256];
    const std::string valid = std::to_string(r.validHours) + "/" + std::to_string(r.hours);
    const std::string capture = Percent(r.capture) + (r.valid ? " " : "*");
    std::snprintf(buf, sizeof buf, "%-16s  %-16s  %-16s %7s %8s %9s", Time(r.hourStart).c_str(),
                  Time(r.windowStart).c_str(), Time(r.windowEnd).c_str(), valid.c_str(), capture.c_str(),
                  r.valid ? ThreeDigitForm(r.mean).c_str() : "-");
    std::string out = buf;
    if (limit.active && r.valid)
        out += r.mean > limit.value ? "  yes" : "  no";
    TrimRight(out);
    return out + '\n';
}

std::string RollingCsvHeader(const LimitCheck& limit) {
    return std::string("hour_start,hour_end,window_start,window_end,hours,valid_hours,capture,valid,mean") +
           (limit.active ? ",above" : "") + '\n';
}

std::string RollingCsvLine(const RollingMean& r, const LimitCheck& limit) {
    std::string out = LocalIsoTime(r.hourStart) + ',' + LocalIsoTime(r.hourEnd) + ',' +
                      LocalIsoTime(r.windowStart) + ',' + LocalIsoTime(r.windowEnd) + ',' +
                      std::to_string(r.hours) + ',' + std::to_string(r.validHours) + ',' + Number(r.capture) +
                      (r.valid ? ",1," + Number(r.mean) : ",0,");
    if (limit.active)
        out += r.valid ? (r.mean > limit.value ? ",1" : ",0") : ",";
    return out + '\n';
}

std::string SummaryText(const SummaryStats& s, const SummaryOptions& o) {
    std::string out;
    const auto line = [&](const char* name, const std::string& value) {
        out += Pad(std::string(name) + ":", 28) + value + '\n';
    };
    const auto q = [&](double v) { return std::isnan(v) ? std::string("-") : ThreeDigitForm(v); };
    line("Points",
         std::to_string(s.count) +
             (s.nonFinite > 0 ? " (" + std::to_string(s.nonFinite) + " without a finite result)" : ""));
    line("Capture threshold", Percent(o.threshold));
    line("Data capture", s.captureKnown
                             ? Percent(s.capture) + " (" + std::to_string(s.cycles) + " cycles of " +
                                   Number(std::round(s.expected * 10) / 10) + " expected)"
                             : "- (cycle length not known)");
    line("Mean", s.meanValid ? ThreeDigitForm(s.mean) : "-*");
    line("SD", s.meanValid ? ThreeDigitForm(s.sd) : "-*");
    line("Median", q(s.median));
    line("95th percentile", q(s.p95));
    line("98th percentile", q(s.p98));
    line("99th percentile", q(s.p99));
    line("Max", Figure(s.max, true));
    line("Highest valid hourly mean", Figure(s.maxHourly, false));
    line("Highest valid daily mean", s.maxDaily.known
                                         ? ThreeDigitForm(s.maxDaily.value) + " (" +
                                               DateTimeText(s.maxDaily.time, false).substr(0, 10) + ")"
                                         : "-");
    line("Highest valid 8-hour mean", s.maxEightHour.known
                                          ? ThreeDigitForm(s.maxEightHour.value) + " (window ending " +
                                                DateTimeText(s.maxEightHour.time, false) + ")"
                                          : "-");
    line("Valid hours", std::to_string(s.validHours) + " of " + std::to_string(s.hours));
    line("Valid days", std::to_string(s.validDays) + " of " + std::to_string(s.days));
    line("Period mean", (s.periodValid ? ThreeDigitForm(s.periodMean) : std::string("-*")) + " (capture " +
                            Percent(s.periodCapture) + " of the hours)");
    line("Limit", LimitText(s.limit));
    if (s.limit.active)
        line("Valid averages above",
             std::to_string(s.averagesAbove) + " of " + std::to_string(s.averagesCompared));
    out += "* not valid: capture below the threshold. Percentiles: R type 7 of the finite results.\n\n";
    return out + DaysTextTable(s);
}

std::string SummaryCsv(const SummaryStats& s, const SummaryOptions& o) {
    std::string out = "quantity,value,time\n";
    const auto put = [&](const std::string& name, const std::string& value) {
        out += name + ',' + value + ",\n";
    };
    const auto q = [&](double v) { return std::isnan(v) ? std::string() : Number(v); };
    put("points", std::to_string(s.count));
    put("non_finite", std::to_string(s.nonFinite));
    put("cycles", std::to_string(s.cycles));
    put("expected", s.captureKnown ? Number(s.expected) : "");
    put("capture", s.captureKnown ? Number(s.capture) : "");
    put("capture_threshold", Number(o.threshold));
    put("mean", s.meanValid ? Number(s.mean) : "");
    put("sd", s.meanValid ? Number(s.sd) : "");
    put("median", q(s.median));
    put("p95", q(s.p95));
    put("p98", q(s.p98));
    put("p99", q(s.p99));
    out += CsvFigure("max", s.max);
    out += CsvFigure("max_hourly", s.maxHourly);
    out += CsvFigure("max_daily", s.maxDaily);
    out += CsvFigure("max_8h", s.maxEightHour);
    put("hours", std::to_string(s.hours));
    put("valid_hours", std::to_string(s.validHours));
    put("days", std::to_string(s.days));
    put("valid_days", std::to_string(s.validDays));
    put("period_mean", s.periodValid ? Number(s.periodMean) : "");
    put("period_capture", Number(s.periodCapture));
    if (s.limit.preset)
        put("limit_preset", s.limit.preset->id);
    if (s.limit.active) {
        put("limit", Number(s.limit.value));
        put("limit_averaging", AveragingKey(s.limit.averaging));
        put("averages_compared", std::to_string(s.averagesCompared));
        put("averages_above", std::to_string(s.averagesAbove));
    }
    out += "\nday,hours,valid_hours,capture,valid,mean,max_hourly,max_hourly_time,max_8h,max_8h_end,valid_8h,"
           "max_8h_valid";
    out += s.limit.active ? ",hours_above\n" : "\n";
    for (const DayFigures& d : s.dayFigures) {
        out += LocalIsoTime(d.start) + ',' + std::to_string(d.hours) + ',' + std::to_string(d.validHours) +
               ',' + Number(d.capture) + (d.valid ? ",1," + Number(d.mean) : ",0,");
        out += d.haveMaxHourly ? ',' + Number(d.maxHourly) + ',' + LocalIsoTime(d.maxHourlyTime) : ",,";
        out +=
            d.haveMaxEightHour ? ',' + Number(d.maxEightHour) + ',' + LocalIsoTime(d.maxEightHourEnd) : ",,";
        out += ',' + std::to_string(d.validEightHour) + (d.maxEightHourValid ? ",1" : ",0");
        if (s.limit.active)
            out += ',' + std::to_string(d.hoursAbove);
        out += '\n';
    }
    return out;
}
