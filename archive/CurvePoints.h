#pragma once

// The walk behind SeriesInfo::GetCurves, for callers that use each point as
// it comes instead of holding four arrays of the whole series.

#include "ArchiveData.h"
#include "LocalTime.h"

#include <limits>
#include <utility>

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

// One walk of the curves over the records of a series, fed them in order by
// Step: the arithmetic of every curve walk, whether the records are held or
// read in pieces. With zero correction, nextRef(from, index, value, time)
// finds the first reference zero (a zero-control record the walk does not
// skip) at index from or later: its index in the series, concentration and
// time; false when there is none.
template <class NextRef> class CurveWalk {
  public:
    CurveWalk(unsigned flags, bool zeroCorrection, int stdTemp, int stdPres, NextRef nextRef)
        : m_flags(flags), m_skipBad((flags & CF_SKIP_BAD) != 0), m_zeroCorrection(zeroCorrection),
          m_stdTemp(stdTemp), m_stdPres(stdPres), m_nextRef(std::move(nextRef)) {}

    // False when zero correction has no reference: the walk then gives nothing.
    bool Start() {
        if (!m_zeroCorrection)
            return true;
        AdvanceNext(0);
        return m_haveNext;
    }

    // Record i of the series: fn(i, r, time, result, temperature, pressure)
    // when the walk gives it.
    template <class Fn> void Step(int i, const ArchiveRecord& r, Fn& fn) {
        using curve_detail::Selected;
        if (m_skipBad && r.IsBad())
            return;
        if (!m_zeroCorrection) {
            if (!Selected(r, m_flags))
                return;
            fn(i, r, r.GetTime(m_converter), static_cast<double>(r.GetConcentration()),
               r.GetTemperature() / 10.0, static_cast<double>(r.GetPressure()));
            ++m_visited;
            return;
        }
        double t = r.GetTemperature() / 10.0;
        double p = static_cast<double>(r.GetPressure());
        if (t > -10 && t < 50) {
            m_lastTemp = t;
            m_haveTemp = true;
        }
        if (p > 400 && p < 900) {
            m_lastPres = p;
            m_havePres = true;
        }
        // A record neither given out nor a reference changes nothing the
        // walk keeps: the next reference is found again from the next
        // record that needs it.
        const bool selected = Selected(r, m_flags);
        if (!selected && !r.IsZero())
            return;
        const double time = r.GetTime(m_converter);
        double result;
        if (r.IsZero()) {
            result = 0;
            // This record is a reference: it becomes the previous one, and the
            // next one lies beyond it.
            m_prevZero = i;
            m_prevValue = r.GetConcentration();
            m_prevTime = time;
            if (m_nextZero <= i)
                AdvanceNext(i + 1);
        } else {
            if (m_nextZero < i)
                AdvanceNext(i + 1);
            double baseline;
            if (m_prevZero >= 0 && m_haveNext) {
                // Equal times would divide by zero: take the earlier value.
                baseline = m_nextTime == m_prevTime
                               ? m_prevValue
                               : m_prevValue + (m_nextValue - m_prevValue) * (time - m_prevTime) /
                                                   (m_nextTime - m_prevTime);
            } else if (m_prevZero >= 0) {
                baseline = m_prevValue;
            } else {
                baseline = m_nextValue; // a reference exists, so one side always has one
            }
            result = static_cast<double>(r.GetConcentration()) - baseline;
            if (m_stdTemp > 0 || m_stdPres > 0) {
                if (m_skipBad) {
                    if (m_haveTemp)
                        t = m_lastTemp;
                    if (m_havePres)
                        p = m_lastPres;
                }
                double k = 1;
                if (m_stdTemp > 0)
                    k = k * (t + 273.15) / (m_stdTemp / 10.0 + 273.15);
                if (m_stdPres > 0 && p > 0)
                    k = k * m_stdPres / p;
                result = result * k;
            }
        }
        if (!selected)
            return;
        fn(i, r, time, result, t, p);
        ++m_visited;
    }

    int Visited() const { return m_visited; }

  private:
    void AdvanceNext(int from) {
        m_haveNext = m_nextRef(from, m_nextZero, m_nextValue, m_nextTime);
        if (!m_haveNext)
            m_nextZero = std::numeric_limits<int>::max();
    }

    unsigned m_flags;
    bool m_skipBad, m_zeroCorrection;
    int m_stdTemp, m_stdPres;
    NextRef m_nextRef;
    LocalTimeConverter m_converter;
    int m_visited = 0;
    // The nearest reference zero before the record and the nearest after it,
    // tracked while walking, so every record is visited a bounded number of
    // times (the literal search from every record is quadratic).
    int m_prevZero = -1;
    double m_prevValue = 0, m_prevTime = 0;
    int m_nextZero = -1;
    bool m_haveNext = false;
    double m_nextValue = 0, m_nextTime = 0;
    bool m_haveTemp = false, m_havePres = false;
    double m_lastTemp = 0, m_lastPres = 0;
};

template <class Fn>
int SeriesInfo::ForEachCurvePoint(unsigned flags, bool zeroCorrection, int stdTemp, int stdPres,
                                  Fn&& fn) const {
    const int count = GetCount();
    if (count <= 0)
        return 0;
    const ArchiveRecord* recs = &GetRecord(0);
    const bool skipBad = (flags & CF_SKIP_BAD) != 0;
    LocalTimeConverter lookahead;
    CurveWalk walk(flags, zeroCorrection, stdTemp, stdPres,
                   [&](int from, int& index, double& value, double& time) {
                       while (from < count && !(recs[from].IsZero() && !(skipBad && recs[from].IsBad())))
                           ++from;
                       if (from == count)
                           return false;
                       index = from;
                       value = recs[from].GetConcentration();
                       time = recs[from].GetTime(lookahead);
                       return true;
                   });
    if (!walk.Start())
        return 0;
    for (int i = 0; i < count; ++i)
        walk.Step(i, recs[i], fn);
    return walk.Visited();
}
