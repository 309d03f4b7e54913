#include "ArchiveData.h"
#include "AtomicFile.h"
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
    uint8_t head[32];
    if (std::fread(head, 1, 16, f.get()) < 16) {
        Report("Can't read file signature");
        return 0;
    }
    if (std::memcmp(head, kMnrSignature, 16) != 0) {
        Report("Wrong file signature");
        return 0;
    }
    if (std::fread(head + 16, 1, 16, f.get()) < 16) {
        Report("Can't read file header");
        return 0;
    }

    const bool hasHeader = head[16] == ArchiveHeader::kMarker && head[17] != 0;
    // Without a header, its 16 bytes are the first record.
    const uint64_t recordStart = hasHeader ? 32 : 16;
    std::error_code ec;
    const uint64_t fileSize = std::filesystem::file_size(path, ec);
    const uint64_t size = ec ? 0 : fileSize;
    const uint64_t expected = size > recordStart ? (size - recordStart) / 16 : 0;
    if (expected > kMaxArchiveRecords) {
        Report(kTooManyRecordsText);
        return 0;
    }

    // Whole records only; a trailing partial record is ignored. The vector is
    // sized once from the file size; chunks are compacted as they come, so
    // only the records kept are ever written to it (and made resident).
    std::vector<ArchiveRecord> records;
    records.reserve(static_cast<size_t>(expected));
    if (!hasHeader) {
        records.emplace_back();
        std::memcpy(records.back().raw, head + 16, 16);
        records.resize(CompactRecords(records.data(), 1));
    }
    constexpr size_t kChunk = 4096;
    auto chunk = std::make_unique<ArchiveRecord[]>(kChunk);
    uint64_t total = hasHeader ? 0 : 1;
    for (;;) {
        const size_t got = std::fread(chunk.get(), 16, kChunk, f.get());
        total += got;
        // The file may have grown since its size was taken.
        if (total > kMaxArchiveRecords) {
            Report(kTooManyRecordsText);
            return 0;
        }
        const size_t kept = CompactRecords(chunk.get(), got);
        records.insert(records.end(), chunk.get(), chunk.get() + kept);
        if (got < kChunk)
            break;
    }
    if (records.capacity() > records.size() + records.size() / 8)
        records.shrink_to_fit();
    if (hasHeader)
        std::memcpy(m_header.raw, head + 16, 16);
    else
        m_header = ArchiveHeader::Build(0, 0, 0);
    Clear();
    return AssignRecords(std::move(records), true);
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
    const bool ok = file.Write(kMnrSignature, 16) && file.Write(m_header.raw, 16) &&
                    file.Write(&m_records[static_cast<size_t>(series->first)], 16 * count) && file.Commit();
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
    if (f && first == 0 &&
        (std::fwrite(kMnrSignature, 1, 16, f.get()) != 16 || std::fwrite(m_header.raw, 1, 16, f.get()) != 16))
        f.reset();
    const auto fail = [&](std::string_view text) {
        if (!m_backupErrorReported)
            Report(text);
        m_backupErrorReported = true;
        return 0;
    };
    if (!f)
        return fail("Can't open file for writing");
    const size_t n = static_cast<size_t>(count);
    bool ok = std::fwrite(buffer + first, 16, n, f.get()) == n;
    ok = std::fclose(f.release()) == 0 && ok;
    if (!ok)
        return fail("Can't write file");
    return 1;
}
