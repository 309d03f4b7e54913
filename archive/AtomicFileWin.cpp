// AtomicFile on Windows: the temporary is created with CREATE_NEW beside the
// target, flushed to disk, and put in the target's place with ReplaceFileW,
// which keeps the target's attributes and security, or MoveFileExW when there
// is no target yet.

#include "AtomicFile.h"
#include "NativePath.h"

#include <atomic>
#include <cerrno>
#include <cstdint>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

uint64_t NameBits() {
    // The name needs only to differ from others; CREATE_NEW keeps it safe.
    static std::atomic<uint64_t> counter{0};
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    uint64_t x = static_cast<uint64_t>(now.QuadPart) ^ (uint64_t{::GetCurrentProcessId()} << 40) ^
                 (counter++ * 0x9E3779B97F4A7C15ull);
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    return x ^ (x >> 29);
}

size_t LastSeparator(const std::wstring& path) {
    return path.find_last_of(L"\\/:");
}

// A new temporary beside target, or INVALID_HANDLE_VALUE with the error set.
HANDLE CreateTemporary(const std::wstring& target, std::wstring& name) {
    static const wchar_t kDigits[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
    const size_t sep = LastSeparator(target);
    const std::wstring dir = sep == std::wstring::npos ? std::wstring() : target.substr(0, sep + 1);
    std::wstring base = sep == std::wstring::npos ? target : target.substr(sep + 1);
    constexpr size_t kSuffix = 12; // ".tmp-" and 7 characters
    if (base.size() > 255 - kSuffix)
        base.resize(255 - kSuffix);
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint64_t r = NameBits();
        std::wstring suffix = L".tmp-";
        for (int i = 0; i < 7; ++i, r /= 36)
            suffix += kDigits[r % 36];
        name = dir + base + suffix;
        const HANDLE h = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS)
            return h;
    }
    ::SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// The name of the file a link at path leads to; path itself otherwise.
std::wstring FinalName(const std::wstring& path, HANDLE h) {
    const DWORD n = ::GetFinalPathNameByHandleW(h, nullptr, 0, FILE_NAME_NORMALIZED);
    if (n == 0)
        return path;
    std::wstring out(n, L'\0');
    const DWORD m = ::GetFinalPathNameByHandleW(h, out.data(), n, FILE_NAME_NORMALIZED);
    if (m == 0 || m >= n)
        return path;
    out.resize(m);
    return out;
}

} // namespace

bool AtomicFile::Open() {
    if (m_file || !m_temporary.empty() || m_error != 0)
        return Fail(EBUSY);
    m_openFailed = true;
    std::wstring target;
    if (m_path.empty())
        return Fail(ENOENT);
    if (!WideFromUtf8(m_path, target))
        return Fail(EINVAL);
    m_resolved = m_path;
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return Fail(EISDIR);
        // Read-only refuses writing to everybody, administrators included.
        if (attributes & FILE_ATTRIBUTE_READONLY)
            return Fail(EACCES);
        // Ask the system whether the target may be written (read-only
        // attribute, permissions, another program holding it), so the
        // replacement does not get round a refusal.
        const HANDLE probe = ::CreateFileW(target.c_str(), GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe == INVALID_HANDLE_VALUE)
            return Fail(ErrnoFromWin32(::GetLastError()));
        const bool disk = ::GetFileType(probe) == FILE_TYPE_DISK;
        if (disk && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            target = FinalName(target, probe);
            m_resolved = Utf8FromWide(target);
        }
        ::CloseHandle(probe);
        if (!disk)
            return Fail(EINVAL);
    } else {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND)
            return Fail(ErrnoFromWin32(error));
    }
    std::wstring temporary;
    const HANDLE h = CreateTemporary(target, temporary);
    if (h == INVALID_HANDLE_VALUE)
        return Fail(ErrnoFromWin32(::GetLastError()));
    m_temporary = Utf8FromWide(temporary);
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
    } else {
        m_file = ::_fdopen(fd, "wb");
        if (!m_file)
            ::_close(fd);
    }
    if (!m_file) {
        Fail(errno);
        ::DeleteFileW(temporary.c_str());
        m_temporary.clear();
        return false;
    }
    m_openFailed = false;
    return true;
}

bool AtomicFile::Commit() {
    if (!m_file)
        return Fail(EBADF);
    std::wstring temporary, target;
    WideFromUtf8(m_temporary, temporary);
    WideFromUtf8(m_resolved, target);
    bool ok = !m_writeFailed;
    errno = 0;
    if (ok && std::fflush(m_file) != 0)
        ok = Fail(errno);
    if (ok && std::ferror(m_file))
        ok = Fail(EIO);
    if (ok) {
        const HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(m_file)));
        if (!::FlushFileBuffers(h))
            ok = Fail(ErrnoFromWin32(::GetLastError()));
    }
    if (std::fclose(m_file) != 0 && ok)
        ok = Fail(errno);
    m_file = nullptr;
    if (ok) {
        // ReplaceFileW keeps the target's attributes and security; with no
        // target (or one removed meanwhile) the temporary is moved there.
        bool replaced = ::ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                       REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
        if (!replaced) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_NOT_FOUND)
                replaced = ::MoveFileExW(temporary.c_str(), target.c_str(),
                                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
            if (!replaced)
                ok = Fail(ErrnoFromWin32(error == ERROR_FILE_NOT_FOUND ? ::GetLastError() : error));
        }
    }
    if (!ok)
        ::DeleteFileW(temporary.c_str());
    m_temporary.clear();
    return ok;
}

void AtomicFile::Discard() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temporary.empty()) {
        std::wstring temporary;
        if (WideFromUtf8(m_temporary, temporary))
            ::DeleteFileW(temporary.c_str());
        m_temporary.clear();
    }
}
