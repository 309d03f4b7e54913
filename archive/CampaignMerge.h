#pragma once

// A campaign: several *.mnr reads of one instrument merged into one archive.
//
// Order: the reads are taken by the time of their first record; each read is
// merged into the campaign so far keeping its own record order (the order the
// instrument wrote them, so a clock set back or the repeated hour at the end
// of summer time stays as recorded). A read that repeats the end of the
// campaign (the instrument read again before its memory was cleared) is
// aligned by its records; the rest is merged by the records' clock time,
// the campaign's records first where times are equal.
//
// Identity: a record of a read identical (16 bytes) to one of the campaign at
// the same place is a repeat and kept once. A different record at a time the
// campaign already holds is kept too, after it, and counted as a conflict when
// the campaign holds at that time a record the read lacks.
//
// Memory: the campaign's records, one read at a time, and the stretch of the
// campaign a read interleaves with (none for reads in order).

#include "ArchiveData.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One read of the campaign, in the merge report.
struct CampaignFile {
    std::string path;
    int records = 0;            // the valid records it holds
    int added = 0;              // of them, new to the campaign
    int repeats = 0;            // already in the campaign
    int conflicts = 0;          // of the added, those at a time the campaign holds another record
    double first = 0, last = 0; // its earliest and latest record time (seconds since 1970); 0 when empty
};

// Time between reads that do not overlap: the latest record before, the
// first one after.
struct CampaignGap {
    size_t after; // index in CampaignReport::files of the read before the gap
    double from = 0, to = 0;
    double Length() const { return to - from; }
};

struct CampaignReport {
    std::vector<CampaignFile> files; // in campaign order
    std::vector<CampaignGap> gaps;
    int records = 0; // in the merged archive
    int conflicts = 0;
    double first = 0, last = 0; // the earliest and latest record time
};

struct CampaignResult {
    enum class Status {
        Merged,
        LoadFailed,  // a file could not be read (reported through the reporter)
        OtherDevice, // file is of another instrument than reference
        TooLarge,    // more than kMaxArchiveRecords records (reported)
        Empty,       // no valid record in any file; the archive is emptied
    };
    Status status = Status::Empty;
    CampaignReport report;
    // OtherDevice: indices in the paths given, and the two headers.
    size_t file = 0, reference = 0;
    ArchiveHeader fileHeader{}, referenceHeader{};
};

// The instrument a header names: the same kind and device number.
bool SameInstrument(const ArchiveHeader& a, const ArchiveHeader& b);

// Merges the *.mnr files at paths (two or more, any order) into archive,
// which keeps its content unless the result is Merged or Empty. Messages of
// reading go to reporter; onFile(index in paths) is called before a file is
// opened, so the caller can name it in them. Series are split as any load
// splits them, saved.
CampaignResult MergeCampaign(const std::vector<std::string>& paths, CArchiveData& archive,
                             IReporter& reporter, const std::function<void(size_t)>& onFile = {});

// The earliest and latest record of a read, by the clock's order.
struct CampaignSpan {
    uint64_t low = UINT64_MAX, high = 0;
    ArchiveRecord first{}, last{};
    bool Empty() const { return high < low; }
};

// Merges reads in memory, one after the other, into records.
class CampaignMerger {
  public:
    explicit CampaignMerger(RecordVector& records) : m_records(records) {}
    // Merges read in, counting into stats; span, when given, receives the
    // read's earliest and latest record.
    void Add(const std::vector<ArchiveRecord>& read, CampaignFile& stats, CampaignSpan* span = nullptr);

  private:
    // Merges read[j..] into the campaign's records from index q on.
    void MergeTail(const std::vector<ArchiveRecord>& read, size_t j, size_t q, CampaignFile& stats);
    // The records of one clock time on both sides, from m[i] and read[j] on.
    void MergeRun(const std::vector<ArchiveRecord>& read, size_t& i, size_t& j, CampaignFile& stats);

    RecordVector& m_records;
    std::vector<ArchiveRecord> m_merged; // the merged tail, reused
    std::vector<uint32_t> m_order;       // a run's campaign records by content, reused
    std::vector<uint8_t> m_matched;      // which of them the read has
    bool m_sorted = true;                // the records are in clock order
};

// Writes all records of archive as one *.mnr file with its header, through
// AtomicFile; the record count, or 0 after reporting why.
int SaveArchiveRecords(const CArchiveData& archive, const std::string& path, IReporter& reporter);
