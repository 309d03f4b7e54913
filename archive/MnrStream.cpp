#include "MnrStream.h"

#include "NativePath.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

namespace {
// A piece of the file, in records.
constexpr size_t kPiece = 4096;
} // namespace

bool MnrFileReader::Open(const std::string& path, IReporter& reporter) {
    m_reporter = &reporter;
    m_failed = false;
    m_file = OpenRegularFileForReading(path);
    if (!m_file) {
        m_reporter->ShowMessage("Can't open file", 0);
        return false;
    }
    // Unbuffered: the records are read in big pieces straight into their
    // place, which a buffer would only split into a small read and a copy.
    std::setvbuf(m_file.get(), nullptr, _IONBF, 0);
    if (!ReadHead())
        return false;
    std::error_code ec;
    const uint64_t fileSize = std::filesystem::file_size(PathFromUtf8(path), ec);
    const uint64_t size = ec ? 0 : fileSize;
    m_expected = size > m_parser.RecordStart() ? (size - m_parser.RecordStart()) / 16 : 0;
    if (m_expected > kMaxArchiveRecords) {
        m_reporter->ShowMessage(kTooManyRecordsText, 0);
        return false;
    }
    return true;
}

bool MnrFileReader::ReadHead() {
    m_parser = MnrParser();
    m_headRecords.clear();
    m_atEnd = false;
    m_readAll = 0;
    uint8_t head[kMnrHeadSize];
    const size_t headSize = std::fread(head, 1, sizeof head, m_file.get());
    if (!m_parser.Feed(head, headSize, m_headRecords) ||
        (!m_parser.HeadDone() && m_parser.Finish() != MnrError::None)) {
        m_reporter->ShowMessage(MnrErrorText(m_parser.Error()), 0);
        m_failed = true;
        return false;
    }
    // A head cut short is the end of the file.
    m_atEnd = headSize < sizeof head;
    return true;
}

bool MnrFileReader::Rewind() {
    if (!m_file || std::fseek(m_file.get(), 0, SEEK_SET) != 0) {
        if (m_reporter)
            m_reporter->ShowMessage("Can't open file", 0);
        m_failed = true;
        return false;
    }
    return ReadHead();
}

bool MnrFileReader::Next(std::vector<ArchiveRecord>& out) {
    if (m_failed || !m_file)
        return false;
    if (!m_headRecords.empty()) {
        out.insert(out.end(), m_headRecords.begin(), m_headRecords.end());
        m_headRecords.clear();
        return true;
    }
    if (m_atEnd)
        return false;
    // The head has been read whole, so the records follow: whole ones read
    // straight into out and compacted in place (a piece of one at the end
    // of the file is none). As many as the size promised, at most a piece;
    // a few when it promised no more (the file may have grown).
    const uint64_t seen = m_parser.RecordCount() + m_readAll;
    const size_t want =
        static_cast<size_t>(std::clamp<uint64_t>(m_expected > seen ? m_expected - seen : 0, 16, kPiece));
    const size_t at = out.size();
    out.resize(at + want);
    const size_t got = std::fread(out.data() + at, sizeof(ArchiveRecord), want, m_file.get());
    m_readAll += got;
    out.resize(at + CompactRecords(out.data() + at, got));
    // The file may have grown since its size was taken.
    if (m_parser.RecordCount() + m_readAll > kMaxArchiveRecords) {
        m_reporter->ShowMessage(kTooManyRecordsText, 0);
        m_failed = true;
        return false;
    }
    m_atEnd = got < want;
    return got > 0;
}

bool MnrFileReader::ReadAll(RecordVector& out, SeriesRuns* runs) {
    if (m_failed || !m_file)
        return false;
    SeriesRuns ignored;
    SeriesRuns& noted = runs ? *runs : ignored;
    if (noted.covered != out.size())
        noted.complete = false;
    noted.Note(m_headRecords.data(), m_headRecords.size());
    out.insert(out.end(), m_headRecords.begin(), m_headRecords.end());
    m_headRecords.clear();
    const uint64_t seen = m_parser.RecordCount() + m_readAll;
    if (!m_atEnd && m_expected > seen) {
        // The records the size promised, read into their place (the resize
        // writes nothing) a piece at a time, each piece compacted while it is
        // still in the cache: the kept ones move down over the rest.
        constexpr size_t kReadPiece = 65536;
        const size_t at = out.size(), want = static_cast<size_t>(m_expected - seen);
        out.resize(at + want);
        size_t read = 0, kept = 0;
        while (read < want) {
            const size_t n = std::min(kReadPiece, want - read);
            ArchiveRecord* piece = out.data() + at + kept;
            const size_t got = std::fread(piece, sizeof(ArchiveRecord), n, m_file.get());
            read += got;
            kept += CompactRecords(piece, got, noted);
            if (got < n)
                break;
        }
        m_readAll += read;
        out.resize(at + kept);
        m_atEnd = read < want;
    }
    // The file may have grown since its size was taken.
    std::vector<ArchiveRecord> piece;
    while (piece.clear(), Next(piece)) {
        noted.Note(piece.data(), piece.size());
        out.insert(out.end(), piece.begin(), piece.end());
    }
    return !m_failed;
}

namespace {
constexpr uint64_t kDigestPrime = 0x100000001B3ull;

// Two multiply-xor rounds a record: cheap next to reading it.
inline void MixRecord(uint64_t& lane, const ArchiveRecord& record) {
    uint64_t a, b;
    std::memcpy(&a, record.raw, 8);
    std::memcpy(&b, record.raw + 8, 8);
    lane = (lane ^ a) * kDigestPrime;
    lane = (lane ^ (b + (lane >> 29))) * kDigestPrime;
}
} // namespace

void RecordDigest::Add(const ArchiveRecord* records, size_t count) {
    size_t i = 0;
    for (; i < count && (m_count + i) % 4 != 0; ++i)
        MixRecord(m_lanes[(m_count + i) % 4], records[i]);
    uint64_t l0 = m_lanes[0], l1 = m_lanes[1], l2 = m_lanes[2], l3 = m_lanes[3];
    for (; i + 4 <= count; i += 4) {
        MixRecord(l0, records[i]);
        MixRecord(l1, records[i + 1]);
        MixRecord(l2, records[i + 2]);
        MixRecord(l3, records[i + 3]);
    }
    m_lanes[0] = l0;
    m_lanes[1] = l1;
    m_lanes[2] = l2;
    m_lanes[3] = l3;
    for (; i < count; ++i)
        MixRecord(m_lanes[(m_count + i) % 4], records[i]);
    m_count += count;
}

uint64_t RecordDigest::Value() const {
    uint64_t value = m_count * kDigestPrime;
    for (const uint64_t lane : m_lanes)
        value = ((value ^ lane) * kDigestPrime) ^ (value >> 29);
    return value;
}

MnrSeriesStream::ReferenceList& MnrSeriesStream::ReferenceList::operator=(ReferenceList&& other) noexcept {
    if (this != &other) {
        clear();
        m_blocks = std::move(other.m_blocks);
        m_size = std::exchange(other.m_size, 0);
        other.m_blocks.clear();
    }
    return *this;
}

void MnrSeriesStream::ReferenceList::push_back(const ReferenceZero& zero) {
    const size_t block = m_size < kFirst ? 0 : 1 + (m_size - kFirst) / kBig;
    const size_t at = m_size < kFirst ? m_size : (m_size - kFirst) % kBig;
    if (block == m_blocks.size()) {
        m_blocks.reserve(block + 1);
        void* memory = AllocateBig((block == 0 ? kFirst : kBig) * sizeof(ReferenceZero));
        if (!memory)
            throw std::bad_alloc();
        m_blocks.push_back(static_cast<ReferenceZero*>(memory));
    }
    m_blocks[block][at] = zero;
    ++m_size;
}

void MnrSeriesStream::ReferenceList::clear() {
    for (ReferenceZero* block : m_blocks)
        FreeBig(block);
    m_blocks.clear();
    m_size = 0;
}

size_t MnrSeriesStream::PointCount(unsigned flags) const {
    size_t n = 0;
    for (unsigned kind = 0; kind < 4; ++kind) {
        const bool zero = (kind & 1) != 0, bad = (kind & 2) != 0;
        if ((flags & CF_SKIP_BAD) && bad)
            continue;
        if (((flags & CF_BAD_ONLY) && !bad) || ((flags & CF_ZERO_ONLY) && !zero) ||
            ((flags & CF_MEAS_ONLY) && zero))
            continue;
        n += m_kinds[kind];
    }
    return n;
}

bool MnrSeriesStream::Open(const std::string& path, int index, bool skipBad, IReporter& reporter) {
    m_index = index;
    m_skipBad = skipBad;
    m_seriesCount = 0;
    m_count = 0;
    std::memset(m_kinds, 0, sizeof m_kinds);
    m_refs.clear();
    m_digest = 0;
    if (!m_reader.Open(path, reporter))
        return false;
    std::vector<ArchiveRecord> piece;
    int64_t current = -1;
    LocalTimeConverter converter;
    RecordDigest digest;
    while (piece.clear(), m_reader.Next(piece)) {
        size_t from = 0, to = 0; // the piece's records of the series
        for (size_t i = 0; i < piece.size(); ++i) {
            const int64_t number = piece[i].GetSeriesNumber();
            if (number != current) {
                current = number;
                ++m_seriesCount;
                if (m_seriesCount - 1 == index)
                    from = i;
            }
            if (m_seriesCount - 1 != index)
                continue;
            to = i + 1;
            const ArchiveRecord& r = piece[i];
            ++m_kinds[(r.IsZero() ? 1 : 0) | (r.IsBad() ? 2 : 0)];
            if (r.IsZero() && !(skipBad && r.IsBad()))
                m_refs.push_back({r.GetTime(converter), m_count, r.GetConcentration()});
            ++m_count;
        }
        if (to > from)
            digest.Add(piece.data() + from, to - from);
    }
    m_digest = digest.Value();
    return !m_reader.Failed();
}

bool MnrSeriesStream::ReadSeries(const std::function<void(const ArchiveRecord*, size_t, int)>& take) {
    if (!m_reader.Rewind())
        return false;
    std::vector<ArchiveRecord> piece;
    int64_t current = -1;
    int series = -1;
    int64_t count = 0;
    RecordDigest digest;
    while (piece.clear(), m_reader.Next(piece)) {
        size_t from = 0, to = 0;
        for (size_t i = 0; i < piece.size(); ++i) {
            const int64_t number = piece[i].GetSeriesNumber();
            if (number != current) {
                current = number;
                if (++series == m_index)
                    from = i;
            }
            if (series == m_index)
                to = i + 1;
        }
        if (to > from) {
            const size_t n = to - from;
            digest.Add(piece.data() + from, n);
            // Never more than the series had: the walk's arrays are sized by it.
            if (count + static_cast<int64_t>(n) <= m_count)
                take(piece.data() + from, n, static_cast<int>(count));
            count += static_cast<int64_t>(n);
        }
        if (series > m_index)
            break;
    }
    return !m_reader.Failed() && count == m_count && digest.Value() == m_digest;
}
