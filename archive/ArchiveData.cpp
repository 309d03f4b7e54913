#include "ArchiveData.h"

#include "CurvePoints.h"
#include "LocalTime.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// !IsErased() && IsValid() (an erased record is never valid). Where the
// first eight bytes can be read as one little-endian word, every field is
// decoded and checked at once, a byte each: the decoded value lo + 10 * hi
// is at most 165, so nothing carries from one byte into the next.
inline bool Kept(const uint8_t (&bits)[256], const ArchiveRecord& r) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr uint64_t kFields = 0xFFFFFFFFFF, kLow = 0x0F0F0F0F0F, kHigh = 0x8080808080;
        // 127 - the highest value of second, minute, hour, day and month,
        // and 128 - the lowest.
        constexpr uint64_t kAbove = 0x7360684444, kBelow = 0x7F7F808080;
        uint64_t word;
        std::memcpy(&word, r.raw, sizeof word);
        const uint64_t x = word & kFields;
        const uint64_t v = (x & kLow) + ((x >> 4) & kLow) * 10;
        const uint64_t w = v & ~kHigh & kFields;
        return (((w + kAbove) | v) & kHigh) == 0 && ((w + kBelow) & kHigh) == kHigh;
    } else {
        return (bits[r.raw[0]] & bits[r.raw[1]] & (bits[r.raw[2]] >> 1) & (bits[r.raw[3]] >> 2) &
                (bits[r.raw[4]] >> 3) & 1) != 0;
    }
}

const FieldTable& Fields() {
    static const FieldTable table;
    return table;
}

// The records CompactRecords checks at once. BlockCheck(series)(r) is true
// only when all kBlock records from r are kept and, for a series of 0 or
// more, all of that series; it may be false for a block that is, whose
// records are then checked one by one.
constexpr size_t kBlock = 8;

#ifdef __SSE2__
class BlockCheck {
  public:
    explicit BlockCheck(int series)
        : m_series(series), m_lowest(Lanes({0, 0, 0, 1, 1, 0, 0, series < 0 ? 0 : series})),
          m_span(Lanes({0x59, 0x59, 0x23, 0x30, 0x11, 255, 255, series < 0 ? 255 : 0})),
          m_digits(Lanes({15, 15, 15, 15, 15, 0, 0, 0})) {}

    int Series() const { return m_series; }

    // The first eight bytes of two records a register. A field in BCD (low
    // digit up to 9) is in range when its byte is: the byte less the lowest,
    // wrapping, is at most the span. So is the series byte. A field in range
    // but not in BCD fails here.
    bool operator()(const ArchiveRecord* r) const {
        const __m128i nine = _mm_set1_epi8(9);
        __m128i out = _mm_setzero_si128();
        for (size_t k = 0; k < kBlock; k += 2) {
            const __m128i x =
                _mm_unpacklo_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(r[k].raw)),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(r[k + 1].raw)));
            out = _mm_or_si128(out, _mm_or_si128(_mm_subs_epu8(_mm_sub_epi8(x, m_lowest), m_span),
                                                 _mm_subs_epu8(_mm_and_si128(x, m_digits), nine)));
        }
        return _mm_movemask_epi8(_mm_cmpeq_epi8(out, _mm_setzero_si128())) == 0xFFFF;
    }

  private:
    // The same eight bytes in both halves.
    static __m128i Lanes(const std::array<int, 8>& bytes) {
        uint64_t half = 0;
        for (size_t k = 0; k < 8; ++k)
            half |= static_cast<uint64_t>(bytes[k] & 0xFF) << (8 * k);
        return _mm_set1_epi64x(static_cast<int64_t>(half));
    }

    int m_series;
    __m128i m_lowest, m_span, m_digits;
};
#else
class BlockCheck {
  public:
    explicit BlockCheck(int series) : m_series(series) {}
    int Series() const { return m_series; }

    bool operator()(const ArchiveRecord* r) const {
        bool kept = true;
        for (size_t k = 0; k < kBlock; ++k)
            kept &= Kept(m_table->bits, r[k]) & (m_series < 0 || r[k].GetSeriesNumber() == m_series);
        return kept;
    }

  private:
    int m_series;
    const FieldTable* m_table = &Fields();
};
#endif

// Blocks of kept records of the current series are checked at once and
// moved whole, and not at all while nothing has been dropped; a block with a
// dropped record or a new series, and the tail, are taken a record at a time.
template <bool kNoteRuns> size_t Compact(ArchiveRecord* records, size_t count, SeriesRuns* runs) {
    const FieldTable& table = Fields();
    size_t kept = 0, i = 0;
    int last = kNoteRuns ? runs->last : -1;
    BlockCheck check(last);
    while (i < count) {
        if (count - i >= kBlock && (!kNoteRuns || last >= 0) && check(records + i)) {
            if (kept != i)
                std::memmove(records + kept, records + i, kBlock * sizeof(ArchiveRecord));
            kept += kBlock;
            i += kBlock;
            continue;
        }
        for (const size_t end = std::min(count, i + kBlock); i < end; ++i) {
            const ArchiveRecord& r = records[i];
            if (!Kept(table.bits, r))
                continue;
            if (kNoteRuns && r.GetSeriesNumber() != last) {
                last = r.GetSeriesNumber();
                runs->Start(runs->covered + kept);
            }
            if (kept != i)
                records[kept] = r;
            ++kept;
        }
        if (kNoteRuns && last != check.Series())
            check = BlockCheck(last);
    }
    if constexpr (kNoteRuns) {
        runs->last = last;
        runs->covered += kept;
    }
    return kept;
}

} // namespace

size_t CompactRecords(ArchiveRecord* records, size_t count) {
    return Compact<false>(records, count, nullptr);
}

size_t CompactRecords(ArchiveRecord* records, size_t count, SeriesRuns& runs) {
    return Compact<true>(records, count, &runs);
}

void SeriesRuns::Note(const ArchiveRecord* records, size_t count) {
    for (size_t i = 0; i < count; ++i, ++covered) {
        if (records[i].GetSeriesNumber() != last) {
            last = records[i].GetSeriesNumber();
            Start(covered);
        }
    }
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

int CArchiveData::AdoptRecords(RecordVector records, bool saved, const SeriesRuns* runs) {
    m_records = std::move(records);
    SplitSeries(saved, runs && runs->complete && runs->covered == m_records.size() ? runs : nullptr);
    return GetRecordCount();
}

void CArchiveData::SplitSeries(bool saved, const SeriesRuns* noted) {
    if (noted) {
        m_series = std::vector<SeriesInfo>();
        m_series.reserve(noted->starts.size());
        for (size_t k = 0; k < noted->starts.size(); ++k) {
            SeriesInfo s;
            s.saved = saved ? 1 : 0;
            s.number = m_records[noted->starts[k]].GetSeriesNumber();
            s.first = static_cast<int32_t>(noted->starts[k]);
            s.last =
                static_cast<int32_t>(k + 1 < noted->starts.size() ? noted->starts[k + 1] : m_records.size()) -
                1;
            s.owner = this;
            m_series.push_back(s);
        }
        return;
    }
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
