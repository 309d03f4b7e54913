#pragma once

// File names are UTF-8 throughout the program. On Windows they become the
// wide (UTF-16) names the system's own calls take, since the narrow calls
// would read them in the ANSI code page; elsewhere they pass unchanged.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

// The path of a UTF-8 name, and back.
std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// std::fopen with a UTF-8 name; null with errno set on failure.
std::FILE* OpenFileUtf8(const std::string& utf8, const char* mode);

#ifdef _WIN32
// UTF-16 of UTF-8 text; false (and out empty) when the text is not UTF-8.
bool WideFromUtf8(std::string_view utf8, std::wstring& out);
std::string Utf8FromWide(std::wstring_view wide);
// The errno value closest to a Win32 error code.
int ErrnoFromWin32(unsigned long error);
#endif
