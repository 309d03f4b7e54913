#pragma once

// The *.mnr byte layout, in one place: the 16-byte signature, the 16-byte
// archive header, then 16-byte records as the instrument stores them, with no
// count and no trailer. A file may lack the header; its records then start
// right after the signature. Bytes after the last whole record are ignored.

#include "ArchiveRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string_view>
#include <vector>

class AtomicFile;

// The signature that opens every *.mnr file.
inline constexpr char kMnrSignature[16] = {'K', 'X', '2', '0', '8', 'M', '_', '_',
                                           'A', 'R', 'C', '_', 'D', 'A', 'T', 'A'};
constexpr size_t kMnrHeadSize = 32; // signature and header

enum class MnrError { None, ShortSignature, WrongSignature, ShortHeader };

// The loader's message for a head that is not right; empty for None.
std::string_view MnrErrorText(MnrError error);

// Parses a file fed to it in pieces of any size: the head first, then the
// records. With keepAll every whole record is passed on as stored (the
// simulator's memory); otherwise erased and invalid ones are dropped.
class MnrParser {
  public:
    explicit MnrParser(bool keepAll = false) : m_keepAll(keepAll) {}

    // Takes the next bytes of the file and appends the records they complete
    // to out. False once the signature is known to be wrong.
    bool Feed(const void* data, size_t size, std::vector<ArchiveRecord>& out);
    // To be called at the end of the input: the head's fault, if any (a head
    // cut short included).
    MnrError Finish();
    MnrError Error() const { return m_error; }

    // Whether the head has been read whole and right; then the header and
    // where the records start are known.
    bool HeadDone() const { return m_headDone; }
    // The file's header, or for a file without one origin 0, kind 0, device 0.
    const ArchiveHeader& Header() const { return m_header; }
    bool HasHeader() const { return m_hasHeader; }
    uint64_t RecordStart() const { return m_hasHeader ? 32 : 16; }
    // Whole records read so far, passed on or not.
    uint64_t RecordCount() const { return m_records; }

  private:
    void Take(const uint8_t* raw, std::vector<ArchiveRecord>& out);

    bool m_keepAll;
    bool m_headDone = false;
    bool m_hasHeader = false;
    MnrError m_error = MnrError::None;
    ArchiveHeader m_header = ArchiveHeader::Build(0, 0, 0);
    uint8_t m_pending[kMnrHeadSize]; // the head, then a record cut by a piece's end
    size_t m_pendingSize = 0;
    uint64_t m_records = 0;
};

// Where a writer puts bytes: true when all were taken.
using MnrSink = std::function<bool(const void* data, size_t size)>;
MnrSink MnrFileSink(std::FILE* file);
MnrSink MnrFileSink(AtomicFile& file);

// The signature followed by the header.
std::array<uint8_t, kMnrHeadSize> EncodeMnrHead(const ArchiveHeader& header);
bool WriteMnrHead(const MnrSink& out, const ArchiveHeader& header);
// Records go out as they are; a file grows by appending them.
bool WriteMnrRecords(const MnrSink& out, const ArchiveRecord* records, size_t count);
// A whole file: the head, then the records.
bool WriteMnr(const MnrSink& out, const ArchiveHeader& header, const ArchiveRecord* records, size_t count);
