#include "ArchiveData.h"

#include "LocalTime.h"

#include <cstdio>
#include <utility>

CArchiveData* g_pArchive = nullptr;

namespace {
StderrReporter g_stderrReporter;
}

void StderrReporter::ShowMessage(std::string_view englishText, int /*uiOffset*/) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(englishText.size()), englishText.data());
}

double ArchiveRecord::GetTime(LocalTimeConverter& converter) const {
    return static_cast<double>(
        converter.ToEpoch(GetYear(), GetMonth(), GetDay(), GetHour(), GetMinute(), GetSecond()));
}

double ArchiveRecord::GetTime() const {
    return static_cast<double>(
        LocalTimeToEpochExact(GetYear(), GetMonth(), GetDay(), GetHour(), GetMinute(), GetSecond()));
}

CArchiveData::CArchiveData() : m_header(ArchiveHeader::Build(0, 0, 0)), m_reporter(&g_stderrReporter) {
    g_pArchive = this;
}

CArchiveData::~CArchiveData() {
    if (g_pArchive == this)
        g_pArchive = nullptr;
}

SeriesInfo* CArchiveData::GetSeries(int index) {
    if (index < 0 || index >= GetSeriesCount())
        return nullptr;
    return &m_series[static_cast<size_t>(index)];
}

const SeriesInfo* CArchiveData::GetSeries(int index) const {
    return const_cast<CArchiveData*>(this)->GetSeries(index);
}

void CArchiveData::Clear() {
    m_records.clear();
    m_series.clear();
}

size_t CompactRecords(ArchiveRecord* records, size_t count) {
    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
        const ArchiveRecord& r = records[i];
        if (r.IsErased() || !r.IsValid())
            continue;
        if (kept != i)
            records[kept] = r;
        ++kept;
    }
    return kept;
}

int CArchiveData::AssignRecords(std::vector<ArchiveRecord> records, bool saved) {
    records.resize(CompactRecords(records.data(), records.size()));
    m_records = std::move(records);
    SplitSeries(saved);
    return GetRecordCount();
}

void CArchiveData::SplitSeries(bool saved) {
    m_series.clear();
    int64_t current = -1;
    int32_t start = 0;
    const auto close = [&](int32_t last) {
        SeriesInfo s;
        s.saved = saved ? 1 : 0;
        s.number = static_cast<uint32_t>(current);
        s.first = start;
        s.last = last;
        s.owner = this;
        m_series.push_back(s);
    };
    const int32_t count = GetRecordCount();
    for (int32_t i = 0; i < count; ++i) {
        const int64_t number = m_records[static_cast<size_t>(i)].GetSeriesNumber();
        if (number != current) {
            if (i > 0)
                close(i - 1);
            current = number;
            start = i;
        }
    }
    if (count > 0)
        close(count - 1);
}

const ArchiveRecord& SeriesInfo::GetRecord(int i) const {
    return owner->GetRecords()[static_cast<size_t>(first + i)];
}

double SeriesInfo::GetStartTime() const { return GetRecord(0).GetTime(); }

double SeriesInfo::GetEndTime() const { return GetRecord(GetCount() - 1).GetTime(); }

namespace {

bool Selected(const ArchiveRecord& r, unsigned flags) {
    if ((flags & CF_BAD_ONLY) && !r.IsBad())
        return false;
    if ((flags & CF_ZERO_ONLY) && !r.IsZero())
        return false;
    if ((flags & CF_MEAS_ONLY) && r.IsZero())
        return false;
    return true;
}

} // namespace

int SeriesInfo::GetCurves(unsigned flags, bool zeroCorrection, int stdTemp, int stdPres,
                          std::vector<double>& times, std::vector<double>& results, std::vector<double>& temps,
                          std::vector<double>& pres) const {
    times.clear();
    results.clear();
    temps.clear();
    pres.clear();
    const int count = GetCount();
    if (count <= 0)
        return 0;
    const ArchiveRecord* recs = &GetRecord(0);
    const bool skipBad = (flags & CF_SKIP_BAD) != 0;
    const auto excluded = [&](const ArchiveRecord& r) { return skipBad && r.IsBad(); };
    const auto isReference = [&](const ArchiveRecord& r) { return r.IsZero() && !excluded(r); };

    LocalTimeConverter converter;
    const auto reserve = [&](size_t n) {
        times.reserve(n);
        results.reserve(n);
        temps.reserve(n);
        pres.reserve(n);
    };

    if (!zeroCorrection) {
        reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            const ArchiveRecord& r = recs[i];
            if (excluded(r) || !Selected(r, flags))
                continue;
            times.push_back(r.GetTime(converter));
            results.push_back(static_cast<double>(r.GetConcentration()));
            temps.push_back(r.GetTemperature() / 10.0);
            pres.push_back(static_cast<double>(r.GetPressure()));
        }
        return static_cast<int>(times.size());
    }

    int firstZero = 0;
    while (firstZero < count && !isReference(recs[firstZero]))
        ++firstZero;
    if (firstZero == count)
        return 0;
    reserve(static_cast<size_t>(count));

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
                baseline = nextTime == prevTime
                               ? prevValue
                               : prevValue + (nextValue - prevValue) * (time - prevTime) / (nextTime - prevTime);
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
        if (!Selected(r, flags))
            continue;
        times.push_back(time);
        results.push_back(result);
        temps.push_back(t);
        pres.push_back(p);
    }
    return static_cast<int>(times.size());
}
