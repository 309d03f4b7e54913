#pragma once

// The walk behind SeriesInfo::GetCurves, for callers that use each point as
// it comes instead of holding four arrays of the whole series.

#include "ArchiveData.h"
#include "LocalTime.h"

namespace curve_detail {

inline bool Selected(const ArchiveRecord& r, unsigned flags) {
    if ((flags & CF_BAD_ONLY) && !r.IsBad())
        return false;
    if ((flags & CF_ZERO_ONLY) && !r.IsZero())
        return false;
    if ((flags & CF_MEAS_ONLY) && r.IsZero())
        return false;
    return true;
}

} // namespace curve_detail

// The number of points a walk with these flags gives (without zero correction,
// or with a reference zero in the series; otherwise it gives none): for sizing
// arrays exactly.
inline size_t CurvePointCount(const SeriesInfo& series, unsigned flags) {
    const int count = series.GetCount();
    if (count <= 0)
        return 0;
    const ArchiveRecord* recs = &series.GetRecord(0);
    size_t n = 0;
    for (int i = 0; i < count; ++i) {
        const ArchiveRecord& r = recs[i];
        if (!((flags & CF_SKIP_BAD) && r.IsBad()) && curve_detail::Selected(r, flags))
            ++n;
    }
    return n;
}

template <class Fn>
int SeriesInfo::ForEachCurvePoint(unsigned flags, bool zeroCorrection, int stdTemp, int stdPres,
                                  Fn&& fn) const {
    using curve_detail::Selected;
    const int count = GetCount();
    if (count <= 0)
        return 0;
    const ArchiveRecord* recs = &GetRecord(0);
    const bool skipBad = (flags & CF_SKIP_BAD) != 0;
    const auto excluded = [&](const ArchiveRecord& r) { return skipBad && r.IsBad(); };
    const auto isReference = [&](const ArchiveRecord& r) { return r.IsZero() && !excluded(r); };

    LocalTimeConverter converter;
    int visited = 0;

    if (!zeroCorrection) {
        for (int i = 0; i < count; ++i) {
            const ArchiveRecord& r = recs[i];
            if (excluded(r) || !Selected(r, flags))
                continue;
            fn(i, r, r.GetTime(converter), static_cast<double>(r.GetConcentration()),
               r.GetTemperature() / 10.0, static_cast<double>(r.GetPressure()));
            ++visited;
        }
        return visited;
    }

    int firstZero = 0;
    while (firstZero < count && !isReference(recs[firstZero]))
        ++firstZero;
    if (firstZero == count)
        return 0;

    // The nearest reference zero before a record and the nearest after it are
    // tracked while walking, so every record is visited a bounded number of
    // times. The literal search from every record is quadratic.
    LocalTimeConverter lookahead;
    int prevZero = -1;
    double prevValue = 0, prevTime = 0;
    int nextZero = firstZero;
    double nextValue = recs[firstZero].GetConcentration();
    double nextTime = recs[firstZero].GetTime(lookahead);
    const auto advanceNext = [&](int from) {
        nextZero = from;
        while (nextZero < count && !isReference(recs[nextZero]))
            ++nextZero;
        if (nextZero < count) {
            nextValue = recs[nextZero].GetConcentration();
            nextTime = recs[nextZero].GetTime(lookahead);
        }
    };

    const bool correctTemp = stdTemp > 0;
    const bool correctPres = stdPres > 0;
    bool haveTemp = false, havePres = false;
    double lastTemp = 0, lastPres = 0;

    for (int i = 0; i < count; ++i) {
        const ArchiveRecord& r = recs[i];
        if (excluded(r))
            continue;
        double t = r.GetTemperature() / 10.0;
        double p = static_cast<double>(r.GetPressure());
        if (t > -10 && t < 50) {
            lastTemp = t;
            haveTemp = true;
        }
        if (p > 400 && p < 900) {
            lastPres = p;
            havePres = true;
        }
        // A record neither given out nor a reference changes nothing the
        // walk keeps: the next reference is found again from the next
        // record that needs it.
        const bool selected = Selected(r, flags);
        if (!selected && !r.IsZero())
            continue;
        const double time = r.GetTime(converter);
        double result;
        if (r.IsZero()) {
            result = 0;
            // This record is a reference: it becomes the previous one, and the
            // next one lies beyond it.
            prevZero = i;
            prevValue = r.GetConcentration();
            prevTime = time;
            if (nextZero <= i)
                advanceNext(i + 1);
        } else {
            if (nextZero < i)
                advanceNext(i + 1);
            const bool haveNext = nextZero < count;
            double baseline;
            if (prevZero >= 0 && haveNext) {
                // Equal times would divide by zero: take the earlier value.
                baseline = nextTime == prevTime ? prevValue
                                                : prevValue + (nextValue - prevValue) * (time - prevTime) /
                                                                  (nextTime - prevTime);
            } else if (prevZero >= 0) {
                baseline = prevValue;
            } else {
                baseline = nextValue; // a reference exists, so one side always has one
            }
            result = static_cast<double>(r.GetConcentration()) - baseline;
            if (correctTemp || correctPres) {
                if (skipBad) {
                    if (haveTemp)
                        t = lastTemp;
                    if (havePres)
                        p = lastPres;
                }
                double k = 1;
                if (correctTemp)
                    k = k * (t + 273.15) / (stdTemp / 10.0 + 273.15);
                if (correctPres && p > 0)
                    k = k * stdPres / p;
                result = result * k;
            }
        }
        if (!selected)
            continue;
        fn(i, r, time, result, t, p);
        ++visited;
    }
    return visited;
}
