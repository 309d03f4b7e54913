#include "ArchiveData.h"
#include "AtomicFile.h"
#include "MnrCodec.h"
#include "ReadFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Opens the backup for writing without following a symbolic link and only
// if it is a regular file: its name is fixed, so a link planted there would
// have another file overwritten, and a FIFO would stall the read. create
// empties the file (or makes it); otherwise writing goes on at its end.
FilePtr OpenBackupFile(const std::string& path, bool create) {
#ifndef _WIN32
    const int fd =
        ::open(path.c_str(),
               O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (create ? O_CREAT : 0), 0666);
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (create && ::ftruncate(fd, 0) != 0) ||
        ::lseek(fd, 0, SEEK_END) < 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f)
        ::close(fd);
    return FilePtr(f);
#else
    FilePtr f(std::fopen(path.c_str(), create ? "wb" : "r+b"));
    if (f && std::fseek(f.get(), 0, SEEK_END) != 0)
        f.reset();
    return f;
#endif
}

} // namespace

int CArchiveData::LoadMnr(const std::string& path) {
    FilePtr f = OpenRegularFileForReading(path);
    if (!f) {
        Report("Can't open file");
        return 0;
    }
    MnrParser parser;
    std::vector<ArchiveRecord> records;
    uint8_t head[kMnrHeadSize];
    const size_t headSize = std::fread(head, 1, sizeof head, f.get());
    if (!parser.Feed(head, headSize, records) || (!parser.HeadDone() && parser.Finish() != MnrError::None)) {
        Report(MnrErrorText(parser.Error()));
        return 0;
    }

    std::error_code ec;
    const uint64_t fileSize = std::filesystem::file_size(path, ec);
    const uint64_t size = ec ? 0 : fileSize;
    const uint64_t expected = size > parser.RecordStart() ? (size - parser.RecordStart()) / 16 : 0;
    if (expected > kMaxArchiveRecords) {
        Report(kTooManyRecordsText);
        return 0;
    }

    // The vector is sized once from the file size; the parser passes on only
    // the records kept, so only those are ever written to it (and made
    // resident). A trailing partial record is ignored.
    records.reserve(static_cast<size_t>(expected));
    constexpr size_t kChunk = 4096 * 16;
    auto chunk = std::make_unique<uint8_t[]>(kChunk);
    for (;;) {
        const size_t got = std::fread(chunk.get(), 1, kChunk, f.get());
        parser.Feed(chunk.get(), got, records);
        // The file may have grown since its size was taken.
        if (parser.RecordCount() > kMaxArchiveRecords) {
            Report(kTooManyRecordsText);
            return 0;
        }
        if (got < kChunk)
            break;
    }
    if (records.capacity() > records.size() + records.size() / 8)
        records.shrink_to_fit();
    m_header = parser.Header();
    Clear();
    // The parser passed on only valid, non-erased records.
    return AdoptRecords(std::move(records), true);
}

int CArchiveData::SaveSeries(int index, const std::string& path) {
    SeriesInfo* series = GetSeries(index);
    if (!series)
        return 0;

    // Written aside and renamed over the target, so a failed write leaves an
    // earlier file as it was.
    AtomicFile file(path);
    if (!file.Open()) {
        Report("Can't open file for writing");
        return 0;
    }
    const size_t count = static_cast<size_t>(series->GetCount());
    const bool ok =
        WriteMnr(MnrFileSink(file), m_header, &m_records[static_cast<size_t>(series->first)], count) &&
        file.Commit();
    if (!ok) {
        Report("Can't write file");
        return 0;
    }
    series->saved = 1;
    return static_cast<int>(count);
}

int CArchiveData::WriteBackup(const ArchiveRecord* buffer, int first, int count) {
    if (count <= 0)
        return 1;
    FilePtr f = OpenBackupFile(m_backupPath, first == 0);
    if (f && first == 0 && !WriteMnrHead(MnrFileSink(f.get()), m_header))
        f.reset();
    const auto fail = [&](std::string_view text) {
        if (!m_backupErrorReported)
            Report(text);
        m_backupErrorReported = true;
        return 0;
    };
    if (!f)
        return fail("Can't open file for writing");
    bool ok = WriteMnrRecords(MnrFileSink(f.get()), buffer + first, static_cast<size_t>(count));
    ok = std::fclose(f.release()) == 0 && ok;
    if (!ok)
        return fail("Can't write file");
    return 1;
}
