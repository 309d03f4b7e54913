#include "ReadFile.h"

#ifdef _WIN32
#include "NativePath.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

FilePtr OpenRegularFileForReading(const std::string& path) {
#ifndef _WIN32
    // Non-blocking, so that opening a FIFO returns at once; the type is then
    // checked on the descriptor itself, not on a name that may change.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st;
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f)
        ::close(fd);
    return FilePtr(f);
#else
    // Disk files only: a console, pipe or device name (CON, NUL, COM1) is
    // refused; a folder does not open without backup semantics.
    std::wstring wide;
    if (!WideFromUtf8(path, wide) || wide.empty())
        return nullptr;
    const HANDLE h =
        ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    if (::GetFileType(h) != FILE_TYPE_DISK) {
        ::CloseHandle(h);
        return nullptr;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
        return nullptr;
    }
    std::FILE* f = ::_fdopen(fd, "rb");
    if (!f)
        ::_close(fd);
    return FilePtr(f);
#endif
}
