#include "ArchiveData.h"
#include "AtomicFile.h"
#include "MnrCodec.h"
#include "MnrStream.h"
#include "ReadFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "NativePath.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
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
    // The link itself is opened, so that one can be told and refused.
    std::wstring wide;
    if (!WideFromUtf8(path, wide) || wide.empty())
        return nullptr;
    const HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   create ? OPEN_ALWAYS : OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    BY_HANDLE_FILE_INFORMATION info{};
    LARGE_INTEGER zero{};
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
        (create && !::SetEndOfFile(h)) || !::SetFilePointerEx(h, zero, nullptr, FILE_END)) {
        ::CloseHandle(h);
        return nullptr;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
        return nullptr;
    }
    std::FILE* f = ::_fdopen(fd, "wb");
    if (!f)
        ::_close(fd);
    return FilePtr(f);
#endif
}

} // namespace

int CArchiveData::LoadMnr(const std::string& path) {
    MnrFileReader reader;
    if (!reader.Open(path, *m_reporter))
        return 0;
    // Read straight into the records' place, sized once from the file size;
    // only the records kept are ever moved. A trailing partial record is
    // ignored.
    RecordVector records;
    SeriesRuns runs;
    if (!reader.ReadAll(records, &runs))
        return 0;
    if (records.capacity() > records.size() + records.size() / 8)
        records.shrink_to_fit();
    m_header = reader.Header();
    Clear();
    // The reader passed on only valid, non-erased records.
    return AdoptRecords(std::move(records), true, &runs);
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
