#include "DailyProfiles.h"

#include "LocalTime.h"
#include "ResultStats.h"

#include <algorithm>
#include <cmath>

namespace {

// The one place the validity rule of an hourly mean is taken from.
bool HourIsValid(const IntervalRow& hour, double threshold) {
    return IsValidAverage(hour, threshold);
}

int WeekdayOf(int year, int month, int day) {
    // 1970-01-01 was a Thursday (3 counting from Monday).
    const int64_t d = DaysFromCivil(year, month, day) + 3;
    return static_cast<int>(((d % 7) + 7) % 7);
}

// Sums of the hourly means that fall on one profile value.
struct ProfileSums {
    size_t n = 0;
    double sum = 0, sumSq = 0, shift = 0; // sums of (mean - shift), shift the first mean

    void Add(double v) {
        if (n == 0)
            shift = v;
        ++n;
        sum += v - shift;
        sumSq += (v - shift) * (v - shift);
    }
    ProfileValue Value() const {
        ProfileValue p;
        p.n = n;
        if (n == 0)
            return p;
        const double dn = static_cast<double>(n);
        p.mean = shift + sum / dn;
        p.low = p.high = p.mean;
        if (n < 2)
            return p;
        p.sd = std::sqrt(std::max(0.0, (sumSq - sum * sum / dn) / (dn - 1)));
        const double half = StudentT975(n - 1) * p.sd / std::sqrt(dn);
        p.low = p.mean - half;
        p.high = p.mean + half;
        return p;
    }
};

bool FromTable(bool computed, IntervalTable& table, double threshold, DailyProfiles& out) {
    out = DailyProfiles();
    if (!computed) {
        out.error = table.error;
        return false;
    }
    DailyProfilesFromHours(table.rows, threshold, out);
    return true;
}

IntervalOptions HourOptions(double threshold) {
    IntervalOptions o;
    o.minutes = 60;
    o.minShare = threshold;
    return o;
}

} // namespace

double StudentT975(size_t df) {
    static const double kTable[30] = {12.706204736, 4.302652730, 3.182446305, 2.776445105, 2.570581836,
                                      2.446911851,  2.364624252, 2.306004135, 2.262157163, 2.228138852,
                                      2.200985160,  2.178812830, 2.160368656, 2.144786688, 2.131449546,
                                      2.119905299,  2.109815578, 2.100922040, 2.093024054, 2.085963447,
                                      2.079613845,  2.073873068, 2.068657610, 2.063898562, 2.059538553,
                                      2.055529439,  2.051830516, 2.048407142, 2.045229642, 2.042272456};
    if (df == 0)
        return NAN;
    if (df <= 30)
        return kTable[df - 1];
    // Cornish-Fisher expansion about the normal quantile.
    const double z = 1.959963984540054, v = static_cast<double>(df);
    const double z2 = z * z, z3 = z2 * z, z5 = z3 * z2, z7 = z5 * z2, z9 = z7 * z2;
    return z + (z3 + z) / (4 * v) + (5 * z5 + 16 * z3 + 3 * z) / (96 * v * v) +
           (3 * z7 + 19 * z5 + 17 * z3 - 15 * z) / (384 * v * v * v) +
           (79 * z9 + 776 * z7 + 1482 * z5 - 1920 * z3 - 945 * z) / (92160 * v * v * v * v);
}

void DailyProfilesFromHours(const std::vector<IntervalRow>& hours, double threshold, DailyProfiles& out) {
    out.days.clear();
    ProfileSums byHour[24], byWeekday[7];
    EpochToLocalConverter local;
    double sum = 0;
    const auto finish = [&](DailyMean& d) {
        d.hours = static_cast<size_t>((d.end - d.start + 3599) / 3600);
        d.capture = static_cast<double>(d.validHours) / static_cast<double>(d.hours);
        d.valid = d.validHours > 0 &&
                  CaptureReaches(static_cast<double>(d.validHours), static_cast<double>(d.hours), threshold);
        d.mean = d.valid ? sum / static_cast<double>(d.validHours) : 0;
    };
    for (const IntervalRow& h : hours) {
        const LocalFields f = local.ToLocal(h.start);
        if (out.days.empty() || h.start >= out.days.back().end) {
            if (!out.days.empty())
                finish(out.days.back());
            DailyMean d;
            IntervalAt(h.start, 1440, d.start, d.end);
            d.year = f.year;
            d.month = f.month;
            d.day = f.day;
            d.weekday = WeekdayOf(f.year, f.month, f.day);
            out.days.push_back(d);
            sum = 0;
        }
        DailyMean& d = out.days.back();
        d.points += h.count;
        if (!HourIsValid(h, threshold))
            continue;
        ++d.validHours;
        sum += h.mean;
        byHour[f.hour].Add(h.mean);
        byWeekday[d.weekday].Add(h.mean);
    }
    if (!out.days.empty())
        finish(out.days.back());
    for (int i = 0; i < 24; ++i)
        out.hourOfDay[i] = byHour[i].Value();
    for (int i = 0; i < 7; ++i)
        out.dayOfWeek[i] = byWeekday[i].Value();
}

bool ComputeDailyProfiles(const SeriesInfo& series, const CurveOptions& curve, double threshold, double xmin,
                          double xmax, DailyProfiles& out) {
    IntervalOptions o = HourOptions(threshold);
    o.xmin = xmin;
    o.xmax = xmax;
    IntervalTable table;
    return FromTable(ComputeIntervals(series, curve, o, table), table, threshold, out);
}

bool ComputeDailyProfiles(const std::vector<double>& times, const std::vector<double>& results,
                          const std::vector<bool>* zero, double threshold, DailyProfiles& out) {
    IntervalTable table;
    return FromTable(ComputeIntervals(times, results, HourOptions(threshold), table, zero), table, threshold,
                     out);
}
