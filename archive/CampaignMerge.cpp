#include "CampaignMerge.h"

#include "AtomicFile.h"
#include "MnrCodec.h"
#include "MnrStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// The record's clock reading as one number that orders like it: its six
// date and time bytes, year highest. Those are BCD, whose order is that of
// their values; a valid record with a nibble above 9 (0x1A reads as 20) has
// its fields written out again as BCD first, a year above 99 after 0x99.
uint64_t ClockKey(const ArchiveRecord& r) {
    uint64_t raw = 0;
    for (int i = 5; i >= 0; --i)
        raw = raw << 8 | r.raw[i];
    if ((raw & ((raw << 1) | (raw << 2)) & 0x888888888888ull) == 0)
        return raw;
    uint64_t key = 0;
    for (int i = 5; i >= 0; --i) {
        const int v = ArchiveRecord::Bcd(r.raw[i]);
        key = key << 8 | (v <= 99 ? ArchiveRecord::ToBcd(v) : static_cast<uint64_t>(0x9A + v - 100));
    }
    return key;
}

bool Same(const ArchiveRecord& a, const ArchiveRecord& b) {
    return std::memcmp(a.raw, b.raw, sizeof a.raw) == 0;
}

bool ByContent(const ArchiveRecord& a, const ArchiveRecord& b) {
    return std::memcmp(a.raw, b.raw, sizeof a.raw) < 0;
}

void Take(CampaignSpan& span, const ArchiveRecord& r, uint64_t key) {
    if (key < span.low) {
        span.low = key;
        span.first = r;
    }
    if (key >= span.high) {
        span.high = key;
        span.last = r;
    }
}

// What the first pass learns of a file.
struct FileHead {
    ArchiveHeader header{};
    uint64_t firstKey = std::numeric_limits<uint64_t>::max(); // of its first valid record
    uint64_t expected = 0;
};

bool ReadAll(MnrFileReader& reader, std::vector<ArchiveRecord>& out) {
    out.clear();
    while (reader.Next(out)) {
    }
    return !reader.Failed();
}

} // namespace

bool SameInstrument(const ArchiveHeader& a, const ArchiveHeader& b) {
    return a.GetKind() == b.GetKind() && a.GetDeviceNumber() == b.GetDeviceNumber();
}

void CampaignMerger::Add(const std::vector<ArchiveRecord>& read, CampaignFile& stats, CampaignSpan* span) {
    RecordVector& m = m_records;
    stats.records += static_cast<int>(read.size());
    if (read.empty())
        return;
    bool readSorted = true;
    CampaignSpan own;
    CampaignSpan& s = span ? *span : own;
    uint64_t previous = 0;
    for (const ArchiveRecord& r : read) {
        const uint64_t key = ClockKey(r);
        readSorted = readSorted && previous <= key;
        previous = key;
        Take(s, r, key);
    }
    // A read that starts inside the end of the campaign: its records up to
    // where the two part are repeats, whatever their times.
    size_t j = 0, aligned = 0;
    const size_t from = m.size() > read.size() ? m.size() - read.size() : 0;
    for (size_t p = from; p < m.size(); ++p) {
        if (!Same(m[p], read[0]))
            continue;
        while (p + j < m.size() && j < read.size() && Same(m[p + j], read[j]))
            ++j;
        aligned = p + j;
        stats.repeats += static_cast<int>(j);
        break;
    }
    if (j < read.size()) {
        // The rest interleaves with the campaign's records from the clock
        // time of the read's next record on; after an alignment to the
        // campaign's end, it follows it.
        size_t q = m.size();
        if (j == 0 || aligned < m.size()) {
            const uint64_t key = ClockKey(read[j]);
            const auto before = [key](const ArchiveRecord& r) { return ClockKey(r) < key; };
            if (m_sorted)
                q = static_cast<size_t>(
                    std::partition_point(m.begin() + static_cast<std::ptrdiff_t>(aligned), m.end(), before) -
                    m.begin());
            else
                while (q > aligned && !before(m[q - 1]))
                    --q;
        }
        MergeTail(read, j, q, stats);
    }
    m_sorted = m_sorted && readSorted;
}

void CampaignMerger::MergeTail(const std::vector<ArchiveRecord>& read, size_t j, size_t q,
                               CampaignFile& stats) {
    RecordVector& m = m_records;
    m_merged.clear();
    size_t i = q;
    while (i < m.size() && j < read.size()) {
        const uint64_t ki = ClockKey(m[i]), kj = ClockKey(read[j]);
        if (kj < ki) {
            m_merged.push_back(read[j++]);
            ++stats.added;
        } else if (ki < kj) {
            m_merged.push_back(m[i++]);
        } else {
            MergeRun(read, i, j, stats);
        }
    }
    // m[q..i) becomes the merged stretch; the campaign's records after it
    // move only when records were added inside it.
    const size_t inserted = m_merged.size() - (i - q);
    if (inserted > 0) {
        m.insert(m.begin() + static_cast<std::ptrdiff_t>(i), inserted, ArchiveRecord{});
        std::copy(m_merged.begin(), m_merged.end(), m.begin() + static_cast<std::ptrdiff_t>(q));
    }
    stats.added += static_cast<int>(read.size() - j);
    m.insert(m.end(), read.begin() + static_cast<std::ptrdiff_t>(j), read.end());
}

void CampaignMerger::MergeRun(const std::vector<ArchiveRecord>& read, size_t& i, size_t& j,
                              CampaignFile& stats) {
    const RecordVector& m = m_records;
    const uint64_t key = ClockKey(m[i]);
    size_t i2 = i, j2 = j;
    while (i2 < m.size() && ClockKey(m[i2]) == key)
        ++i2;
    while (j2 < read.size() && ClockKey(read[j2]) == key)
        ++j2;
    // The campaign's records of this time stay first, in their order; the
    // read's are matched against them by content, each match used once.
    m_order.clear();
    for (size_t k = i; k < i2; ++k)
        m_order.push_back(static_cast<uint32_t>(k));
    std::sort(m_order.begin(), m_order.end(), [&m](uint32_t a, uint32_t b) { return ByContent(m[a], m[b]); });
    m_matched.assign(m_order.size(), 0);
    m_merged.insert(m_merged.end(), m.begin() + static_cast<std::ptrdiff_t>(i),
                    m.begin() + static_cast<std::ptrdiff_t>(i2));
    const size_t added = m_merged.size();
    for (size_t k = j; k < j2; ++k) {
        auto at = std::lower_bound(m_order.begin(), m_order.end(), read[k],
                                   [&m](uint32_t a, const ArchiveRecord& r) { return ByContent(m[a], r); });
        for (; at != m_order.end() && Same(m[*at], read[k]); ++at) {
            const size_t slot = static_cast<size_t>(at - m_order.begin());
            if (!m_matched[slot]) {
                m_matched[slot] = 1;
                break;
            }
        }
        if (at != m_order.end() && Same(m[*at], read[k])) {
            ++stats.repeats;
        } else {
            m_merged.push_back(read[k]);
            ++stats.added;
        }
    }
    // Records new at a time the campaign holds one this read lacks: two
    // reads disagree about that time.
    if (std::find(m_matched.begin(), m_matched.end(), 0) != m_matched.end())
        stats.conflicts += static_cast<int>(m_merged.size() - added);
    i = i2;
    j = j2;
}

namespace {

// First pass: each file's header, first record and size, and the device
// check. False with result's status set when the campaign cannot be made.
bool ReadHeads(const std::vector<std::string>& paths, IReporter& reporter,
               const std::function<void(size_t)>& onFile, std::vector<FileHead>& heads,
               CampaignResult& result) {
    std::vector<ArchiveRecord> piece;
    uint64_t total = 0;
    for (size_t f = 0; f < paths.size(); ++f) {
        if (onFile)
            onFile(f);
        MnrFileReader reader;
        FileHead& head = heads[f];
        piece.clear();
        if (!reader.Open(paths[f], reporter)) {
            result.status = CampaignResult::Status::LoadFailed;
            return false;
        }
        while (piece.empty() && reader.Next(piece)) {
        }
        if (reader.Failed()) {
            result.status = CampaignResult::Status::LoadFailed;
            return false;
        }
        head.header = reader.Header();
        head.expected = reader.ExpectedRecords();
        if (!piece.empty())
            head.firstKey = ClockKey(piece[0]);
        if (!SameInstrument(head.header, heads[0].header)) {
            result.status = CampaignResult::Status::OtherDevice;
            result.file = f;
            result.reference = 0;
            result.fileHeader = head.header;
            result.referenceHeader = heads[0].header;
            return false;
        }
        total += head.expected;
    }
    if (total > kMaxArchiveRecords) {
        reporter.ShowMessage(kTooManyRecordsText, 0);
        result.status = CampaignResult::Status::TooLarge;
        return false;
    }
    return true;
}

void AddGapsAndSpans(CampaignReport& report, const std::vector<CampaignSpan>& spans) {
    CampaignSpan all;
    size_t previous = 0;
    for (size_t f = 0; f < spans.size(); ++f) {
        const CampaignSpan& s = spans[f];
        if (s.Empty())
            continue;
        report.files[f].first = s.first.GetTime();
        report.files[f].last = s.last.GetTime();
        if (!all.Empty() && s.low > all.high)
            report.gaps.push_back({previous, all.last.GetTime(), s.first.GetTime()});
        Take(all, s.first, s.low);
        Take(all, s.last, s.high);
        previous = f;
    }
    if (!all.Empty()) {
        report.first = all.first.GetTime();
        report.last = all.last.GetTime();
    }
}

} // namespace

CampaignResult MergeCampaign(const std::vector<std::string>& paths, CArchiveData& archive,
                             IReporter& reporter, const std::function<void(size_t)>& onFile) {
    CampaignResult result;
    if (paths.empty())
        return result;
    std::vector<FileHead> heads(paths.size());
    if (!ReadHeads(paths, reporter, onFile, heads, result))
        return result;
    // Campaign order: by the first record's time, the order given between equals.
    std::vector<size_t> order(paths.size());
    uint64_t total = 0;
    for (size_t f = 0; f < paths.size(); ++f) {
        order[f] = f;
        total += heads[f].expected;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&heads](size_t a, size_t b) { return heads[a].firstKey < heads[b].firstKey; });

    // Reserved whole, touched only as filled: no copy as the campaign grows.
    RecordVector records;
    records.reserve(static_cast<size_t>(total));
    CampaignMerger merger(records);
    std::vector<ArchiveRecord> read;
    std::vector<CampaignSpan> spans(paths.size());
    result.report.files.resize(paths.size());
    for (size_t n = 0; n < order.size(); ++n) {
        const size_t f = order[n];
        if (onFile)
            onFile(f);
        MnrFileReader reader;
        if (!reader.Open(paths[f], reporter) || !ReadAll(reader, read)) {
            result.status = CampaignResult::Status::LoadFailed;
            return result;
        }
        // The file may have been replaced since the first pass.
        if (!SameInstrument(reader.Header(), heads[order[0]].header)) {
            result.status = CampaignResult::Status::OtherDevice;
            result.file = f;
            result.reference = order[0];
            result.fileHeader = reader.Header();
            result.referenceHeader = heads[order[0]].header;
            return result;
        }
        CampaignFile& stats = result.report.files[n];
        stats.path = paths[f];
        merger.Add(read, stats, &spans[n]);
        result.report.conflicts += stats.conflicts;
    }
    read = std::vector<ArchiveRecord>();
    AddGapsAndSpans(result.report, spans);
    archive.Clear();
    archive.SetHeader(heads[order[0]].header);
    result.report.records = archive.AssignRecordVector(std::move(records), true);
    result.status =
        result.report.records > 0 ? CampaignResult::Status::Merged : CampaignResult::Status::Empty;
    return result;
}

int SaveArchiveRecords(const CArchiveData& archive, const std::string& path, IReporter& reporter) {
    AtomicFile file(path);
    if (!file.Open()) {
        reporter.ShowMessage("Can't open file for writing", 0);
        return 0;
    }
    const RecordVector& records = archive.GetRecords();
    if (!WriteMnr(MnrFileSink(file), archive.GetHeader(), records.data(), records.size()) || !file.Commit()) {
        reporter.ShowMessage("Can't write file", 0);
        return 0;
    }
    return archive.GetRecordCount();
}
