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
    const int fd = ::open(path.c_str(),
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

    std::vector<ArchiveRecord> records;
    const bool hasHeader = head[16] == ArchiveHeader::kMarker && head[17] != 0;
    if (hasHeader) {
        std::memcpy(m_header.raw, head + 16, 16);
    } else {
        // No header: its 16 bytes are the first record.
        m_header = ArchiveHeader::Build(0, 0, 0);
        records.emplace_back();
        std::memcpy(records.back().raw, head + 16, 16);
    }
    Clear();

    // Whole records only; a trailing partial record is ignored. The file
    // size sizes the buffer exactly; reading goes on in chunks should the
    // file have grown meanwhile.
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    size_t chunk = ec ? 4096 : size > 32 ? static_cast<size_t>((size - 32) / 16) : 0;
    for (;;) {
        if (chunk > 0) {
            const size_t have = records.size();
            records.resize(have + chunk);
            const size_t got = std::fread(records.data() + have, 16, chunk, f.get());
            records.resize(have + got);
            if (got < chunk)
                break;
        }
        // Read as much as the size said: go on only if the file grew.
        const int next = std::fgetc(f.get());
        if (next == EOF)
            break;
        std::ungetc(next, f.get());
        chunk = 4096;
    }
    if (records.capacity() > records.size() + records.size() / 8)
        records.shrink_to_fit();
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
