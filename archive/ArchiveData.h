#pragma once

#include "ArchiveRecord.h"
#include "BigAlloc.h"
#include "Reporter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct SeriesRuns;

class CArchiveData;

// An archive's records: from the big-array allocator, left unwritten by a
// resize so that a file is read straight into them.
using RecordVector = std::vector<ArchiveRecord, BigAllocator<ArchiveRecord, true>>;

// The most records a load takes (a 2 GiB *.mnr file; the instrument holds
// some 44,000). A file with more is refused whole with kTooManyRecordsText,
// so record indices stay well inside int and the archive inside memory.
constexpr size_t kMaxArchiveRecords = size_t{1} << 27;
inline constexpr char kTooManyRecordsText[] = "File too large: more than 134217728 records";

// One series: a run of consecutive records with the same series number.
struct SeriesInfo {
    uint8_t saved = 1; // 0 while read from the instrument and not yet written to a file
    uint32_t number = 0;
    int32_t first = 0; // index of the first record in the archive
    int32_t last = -1; // index of the last record, inclusive
    CArchiveData* owner = nullptr;

    int GetCount() const { return last - first + 1; }
    const ArchiveRecord& GetRecord(int i) const;
    double GetStartTime() const;
    double GetEndTime() const;

    // Times (seconds since 1970), results, temperatures (°C) and pressures
    // (mm Hg) of the selected records; returns their number. stdTemp is in
    // tenths of °C, stdPres in mm Hg; 0 or below switches that correction off.
    int GetCurves(unsigned flags, bool zeroCorrection, int stdTemp, int stdPres, std::vector<double>& times,
                  std::vector<double>& results, std::vector<double>& temps, std::vector<double>& pres) const;

    // The same walk without the arrays: fn(index in the series, record, time,
    // result, temperature, pressure) for each point GetCurves would give, in
    // order; returns their number. Defined in CurvePoints.h.
    template <class Fn>
    int ForEachCurvePoint(unsigned flags, bool zeroCorrection, int stdTemp, int stdPres, Fn&& fn) const;
};

// An in-memory archive: records in source order, split into series. The
// window's is owned by its TervikDocument.
class CArchiveData {
  public:
    CArchiveData();
    CArchiveData(const CArchiveData&) = delete;
    CArchiveData& operator=(const CArchiveData&) = delete;

    int GetRecordCount() const { return static_cast<int>(m_records.size()); }
    int GetSeriesCount() const { return static_cast<int>(m_series.size()); }
    SeriesInfo* GetSeries(int index);
    const SeriesInfo* GetSeries(int index) const;
    uint8_t GetOrigin() const { return m_header.GetOrigin(); }
    uint8_t GetKind() const { return m_header.GetKind(); }
    const ArchiveHeader& GetHeader() const { return m_header; }
    void SetHeader(const ArchiveHeader& header) { m_header = header; }
    const RecordVector& GetRecords() const { return m_records; }

    // Loaders: the number of records in the archive afterwards, 0 when nothing
    // usable was loaded. Failures are reported through the reporter.
    int LoadMnr(const std::string& path);
    int LoadDat(const std::string& path);
    int LoadOrlo2Txt(const std::string& path);

    // Writes one series as an *.mnr file; its record count, or 0 on failure.
    // The target is replaced only once the whole file is written.
    int SaveSeries(int index, const std::string& path);

    // Appends records first..first+count-1 of buffer to the backup file
    // (created afresh when first is 0). 1 on success or when count is 0.
    int WriteBackup(const ArchiveRecord* buffer, int first, int count);

    // Building blocks of every load.
    void Clear();
    // Keeps the valid, non-erased records of the list, in order, and splits
    // them into series with the given saved flag; returns the record count.
    int AssignRecords(std::vector<ArchiveRecord> records, bool saved);
    // The same without a copy, for records already in the big-array vector.
    int AssignRecordVector(RecordVector records, bool saved);

    // Where the archive's messages go; until one is set, nowhere.
    void SetReporter(IReporter* reporter) { m_reporter = reporter; }
    IReporter& GetReporter() const { return *m_reporter; }
    void SetBackupPath(std::string path) { m_backupPath = std::move(path); }
    const std::string& GetBackupPath() const { return m_backupPath; }

    // A backup that cannot be written is reported once per read; reset at
    // the start of each read.
    void ResetBackupErrorReport() { m_backupErrorReported = false; }

  private:
    // AssignRecords for records already known valid and not erased.
    int AdoptRecords(RecordVector records, bool saved, const SeriesRuns* runs = nullptr);
    void SplitSeries(bool saved, const SeriesRuns* runs);
    void Report(std::string_view text, int uiOffset = 0) const { m_reporter->ShowMessage(text, uiOffset); }

    RecordVector m_records;
    std::vector<SeriesInfo> m_series;
    ArchiveHeader m_header;
    IReporter* m_reporter;
    std::string m_backupPath = "read_backup.mnr";
    bool m_backupErrorReported = false;
};

// Removes erased and invalid records in place; returns the new count.
size_t CompactRecords(ArchiveRecord* records, size_t count);

// Where the series of a record array begin, noted while the records are
// compacted, so that splitting them into series takes no pass of its own.
// Gives up (complete false) past kMaxStarts series: those are walked again.
struct SeriesRuns {
    static constexpr size_t kMaxStarts = size_t{1} << 16;
    std::vector<uint32_t> starts; // the index of each series' first record
    size_t covered = 0;           // the records noted, from index 0 on
    int last = -1;                // the series number of the last one
    bool complete = true;

    void Start(size_t index) {
        if (!complete)
            return;
        if (starts.size() == kMaxStarts) {
            complete = false;
            starts = std::vector<uint32_t>();
            return;
        }
        starts.push_back(static_cast<uint32_t>(index));
    }
    // Notes count kept records that follow the covered ones.
    void Note(const ArchiveRecord* records, size_t count);
};

// CompactRecords for records that follow runs.covered ones, noting the kept
// ones in runs.
size_t CompactRecords(ArchiveRecord* records, size_t count, SeriesRuns& runs);
