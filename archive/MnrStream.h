#pragma once

// *.mnr files read in pieces: the loader's reading, and one series walked
// from the file (twice over it) instead of from an archive in memory.

#include "ArchiveData.h"
#include "BigAlloc.h"
#include "CurvePoints.h"
#include "MnrCodec.h"
#include "ReadFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// An *.mnr file read as LoadMnr reads it: only a regular file, the head
// checked, at most kMaxArchiveRecords records; the valid, non-erased ones
// are passed on.
class MnrFileReader {
  public:
    // Opens path and reads its head; false after reporting why.
    bool Open(const std::string& path, IReporter& reporter);
    const ArchiveHeader& Header() const { return m_parser.Header(); }
    // The records the file's size has room for.
    uint64_t ExpectedRecords() const { return m_expected; }
    // Appends the records of the next piece of the file to out; false at the
    // end of the file, or after a fault was reported (Failed()).
    bool Next(std::vector<ArchiveRecord>& out);
    // Appends the valid, non-erased records of the rest of the file to out,
    // read straight into it; false after a fault was reported. With runs,
    // notes where their series begin (runs must cover out as it was).
    bool ReadAll(RecordVector& out, SeriesRuns* runs = nullptr);
    bool Failed() const { return m_failed; }
    // Back to the first record for another pass; false after reporting why.
    bool Rewind();

  private:
    bool ReadHead();

    FilePtr m_file;
    IReporter* m_reporter = nullptr;
    MnrParser m_parser;
    std::vector<ArchiveRecord> m_headRecords; // a file without a header has its first record in the head
    uint64_t m_expected = 0;
    uint64_t m_readAll = 0; // records read past the parser, straight into place
    bool m_failed = false, m_atEnd = false;
};

// A digest of records, to tell whether a second read gave the same ones,
// added to a piece at a time. Four records are mixed at once, each into its
// own lane by its place, so that the multiplications do not wait on each
// other; the same records give the same digest however they are split.
class RecordDigest {
  public:
    void Add(const ArchiveRecord* records, size_t count);
    uint64_t Value() const;

  private:
    uint64_t m_lanes[4] = {0, 1, 2, 3};
    uint64_t m_count = 0;
};
inline uint64_t DigestSeries(const SeriesInfo& series) {
    RecordDigest digest;
    if (series.GetCount() > 0)
        digest.Add(&series.GetRecord(0), static_cast<size_t>(series.GetCount()));
    return digest.Value();
}

// One series of an *.mnr file walked as SeriesInfo::ForEachCurvePoint walks
// it, without holding the records: a first pass counts the series' records
// by kind and keeps its reference zeros (16 bytes each), each walk reads the
// file again. Memory: a piece of the file and the reference zeros.
class MnrSeriesStream {
  public:
    // Reads the file at path through once: its header, its series, and of
    // series index (0-based; none when the file has no such series) what
    // walks that skip bad records when skipBad, or keep them, need. False
    // after reporting why, as LoadMnr would.
    bool Open(const std::string& path, int index, bool skipBad, IReporter& reporter);

    const ArchiveHeader& Header() const { return m_reader.Header(); }
    int SeriesCount() const { return m_seriesCount; }
    // The series' records, and those a walk with flags gives (CurvePointCount).
    int RecordCount() const { return m_count; }
    size_t PointCount(unsigned flags) const;
    // Whether it has a zero-control record the walk does not skip.
    bool HasReferenceZero() const { return !m_refs.empty(); }
    // DigestSeries of the series as first read.
    uint64_t Digest() const { return m_digest; }

    // fn(index in the series, record, time, result, temperature, pressure)
    // for each point of the walk, in order, reading the file again. False
    // when flags skip bad records and Open was not told so, or when the file
    // no longer holds the series as first read (fn may have been called
    // then, and the points are not those of the series).
    template <class Fn>
    bool ForEachCurvePoint(unsigned flags, bool zeroCorrection, int stdTemp, int stdPres, Fn&& fn);

  private:
    struct ReferenceZero {
        double time;
        int32_t index; // in the series
        float value;
    };
    // The reference zeros in a block of 4,096 entries, then blocks of 2 MiB:
    // grown without copying, the big blocks from the big-array allocator.
    class ReferenceList {
      public:
        ReferenceList() = default;
        ReferenceList(const ReferenceList&) = delete;
        ReferenceList& operator=(const ReferenceList&) = delete;
        ReferenceList(ReferenceList&& other) noexcept { *this = std::move(other); }
        ReferenceList& operator=(ReferenceList&& other) noexcept;
        ~ReferenceList() { clear(); }

        size_t size() const { return m_size; }
        bool empty() const { return m_size == 0; }
        const ReferenceZero& operator[](size_t i) const {
            if (i < kFirst)
                return m_blocks[0][i];
            i -= kFirst;
            return m_blocks[1 + i / kBig][i % kBig];
        }
        void push_back(const ReferenceZero& zero);
        void clear();

      private:
        static constexpr size_t kFirst = 4096, kBig = (size_t{2} << 20) / sizeof(ReferenceZero);
        std::vector<ReferenceZero*> m_blocks;
        size_t m_size = 0;
    };
    // Reads the file again, handing on the records of the series in pieces
    // (take(records, count, index of the first)); false as above.
    bool ReadSeries(const std::function<void(const ArchiveRecord*, size_t, int)>& take);

    MnrFileReader m_reader;
    int m_index = -1;
    bool m_skipBad = false;
    int m_seriesCount = 0;
    int m_count = 0;
    size_t m_kinds[4] = {}; // records by zero (bit 0) and bad (bit 1) flag
    ReferenceList m_refs;
    uint64_t m_digest = 0;
};

template <class Fn>
bool MnrSeriesStream::ForEachCurvePoint(unsigned flags, bool zeroCorrection, int stdTemp, int stdPres,
                                        Fn&& fn) {
    if (((flags & CF_SKIP_BAD) != 0) != m_skipBad)
        return false;
    size_t next = 0;
    CurveWalk walk(flags, zeroCorrection, stdTemp, stdPres,
                   [&](int from, int& index, double& value, double& time) {
                       while (next < m_refs.size() && m_refs[next].index < from)
                           ++next;
                       if (next == m_refs.size())
                           return false;
                       index = m_refs[next].index;
                       value = m_refs[next].value;
                       time = m_refs[next].time;
                       return true;
                   });
    if (m_count <= 0 || !walk.Start())
        return true;
    return ReadSeries([&](const ArchiveRecord* records, size_t count, int first) {
        for (size_t i = 0; i < count; ++i)
            walk.Step(first + static_cast<int>(i), records[i], fn);
    });
}
