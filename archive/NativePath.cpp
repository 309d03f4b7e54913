#include "NativePath.h"

#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#endif

#ifdef _WIN32

bool WideFromUtf8(std::string_view utf8, std::wstring& out) {
    out.clear();
    if (utf8.empty())
        return true;
    if (utf8.size() > 0x7FFFFFFF)
        return false;
    const int size = static_cast<int>(utf8.size());
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (n <= 0)
        return false;
    out.resize(static_cast<size_t>(n));
    if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, out.data(), n) != n) {
        out.clear();
        return false;
    }
    return true;
}

std::string Utf8FromWide(std::wstring_view wide) {
    if (wide.empty() || wide.size() > 0x7FFFFFFF)
        return {};
    const int size = static_cast<int>(wide.size());
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

int ErrnoFromWin32(unsigned long error) {
    switch (error) {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
    case ERROR_NO_UNICODE_TRANSLATION:
        return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_BUSY:
        return EBUSY;
    default:
        return EIO;
    }
}

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    std::wstring wide;
    WideFromUtf8(utf8, wide); // not UTF-8: an empty path, which nothing opens
    return std::filesystem::path(wide);
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    return Utf8FromWide(path.native());
}

std::FILE* OpenFileUtf8(const std::string& utf8, const char* mode) {
    std::wstring wide, wideMode;
    if (!WideFromUtf8(utf8, wide) || wide.empty() || !WideFromUtf8(mode, wideMode)) {
        errno = EINVAL;
        return nullptr;
    }
    return ::_wfopen(wide.c_str(), wideMode.c_str());
}

#else

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(utf8);
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    return path.native();
}

std::FILE* OpenFileUtf8(const std::string& utf8, const char* mode) {
    return std::fopen(utf8.c_str(), mode);
}

#endif
