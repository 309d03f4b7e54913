#include "ArchiveData.h"

#include "CurvePoints.h"
#include "LocalTime.h"

#include <utility>

namespace {
SilentReporter g_silentReporter;
}

double ArchiveRecord::GetTime() const {
    return static_cast<double>(
        LocalTimeToEpochExact(GetYear(), GetMonth(), GetDay(), GetHour(), GetMinute(), GetSecond()));
}

CArchiveData::CArchiveData() : m_header(ArchiveHeader::Build(0, 0, 0)), m_reporter(&g_silentReporter) {}

SeriesInfo* CArchiveData::GetSeries(int index) {
    if (index < 0 || index >= GetSeriesCount())
        return nullptr;
    return &m_series[static_cast<size_t>(index)];
}

const SeriesInfo* CArchiveData::GetSeries(int index) const {
    return const_cast<CArchiveData*>(this)->GetSeries(index);
}

void CArchiveData::Clear() {
    // Released, not only emptied: a large archive is given back at once.
    m_records = std::vector<ArchiveRecord>();
    m_series = std::vector<SeriesInfo>();
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
    return AdoptRecords(std::move(records), saved);
}

int CArchiveData::AdoptRecords(std::vector<ArchiveRecord> records, bool saved) {
    m_records = std::move(records);
    SplitSeries(saved);
    return GetRecordCount();
}

void CArchiveData::SplitSeries(bool saved) {
    // Sized exactly: a file of one-record series has as many series as
    // records, and a growing array would briefly hold twice their size.
    size_t runs = 0;
    for (size_t i = 0; i < m_records.size(); ++i)
        runs += i == 0 || m_records[i].GetSeriesNumber() != m_records[i - 1].GetSeriesNumber();
    m_series = std::vector<SeriesInfo>();
    m_series.reserve(runs);
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

double SeriesInfo::GetStartTime() const {
    return GetRecord(0).GetTime();
}

double SeriesInfo::GetEndTime() const {
    return GetRecord(GetCount() - 1).GetTime();
}

int SeriesInfo::GetCurves(unsigned flags, bool zeroCorrection, int stdTemp, int stdPres,
                          std::vector<double>& times, std::vector<double>& results,
                          std::vector<double>& temps, std::vector<double>& pres) const {
    times.clear();
    results.clear();
    temps.clear();
    pres.clear();
    // Sized exactly: the arrays of a large series are the bulk of the memory.
    const size_t n = CurvePointCount(*this, flags);
    times.reserve(n);
    results.reserve(n);
    temps.reserve(n);
    pres.reserve(n);
    return ForEachCurvePoint(
        flags, zeroCorrection, stdTemp, stdPres,
        [&](int, const ArchiveRecord&, double time, double result, double temp, double p) {
            times.push_back(time);
            results.push_back(result);
            temps.push_back(temp);
            pres.push_back(p);
        });
}
