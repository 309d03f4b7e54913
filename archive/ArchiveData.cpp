#include "ArchiveData.h"

#include "CurvePoints.h"
#include "LocalTime.h"

#include <cstring>
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
    m_records = RecordVector();
    m_series = std::vector<SeriesInfo>();
}

namespace {

// What each byte means in each date and time field read as BCD: bit 0 a
// second or minute, bit 1 an hour, bit 2 a day, bit 3 a month. An erased
// record (0xFF) is never a second.
struct FieldTable {
    uint8_t bits[256];
    FieldTable() {
        for (int b = 0; b < 256; ++b) {
            ArchiveRecord r{};
            std::memset(r.raw, b, 6);
            bits[b] = static_cast<uint8_t>((r.GetSecond() <= 59 ? 1 : 0) | (r.GetHour() <= 23 ? 2 : 0) |
                                           (r.GetDay() >= 1 && r.GetDay() <= 31 ? 4 : 0) |
                                           (r.GetMonth() >= 1 && r.GetMonth() <= 12 ? 8 : 0));
        }
    }
};

// !IsErased() && IsValid(), a table look-up a field.
inline bool Kept(const uint8_t (&bits)[256], const ArchiveRecord& r) {
    return (bits[r.raw[0]] & bits[r.raw[1]] & (bits[r.raw[2]] >> 1) & (bits[r.raw[3]] >> 2) &
            (bits[r.raw[4]] >> 3) & 1) != 0;
}

} // namespace

size_t CompactRecords(ArchiveRecord* records, size_t count) {
    static const FieldTable table;
    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
        const ArchiveRecord& r = records[i];
        if (!Kept(table.bits, r))
            continue;
        if (kept != i)
            records[kept] = r;
        ++kept;
    }
    return kept;
}

int CArchiveData::AssignRecordVector(RecordVector records, bool saved) {
    records.resize(CompactRecords(records.data(), records.size()));
    return AdoptRecords(std::move(records), saved);
}

int CArchiveData::AssignRecords(std::vector<ArchiveRecord> records, bool saved) {
    records.resize(CompactRecords(records.data(), records.size()));
    RecordVector kept(records.begin(), records.end());
    records = std::vector<ArchiveRecord>();
    return AdoptRecords(std::move(kept), saved);
}

int CArchiveData::AdoptRecords(RecordVector records, bool saved) {
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
