#include "CliMain.h"

#include "CliCommon.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

#ifdef _WIN32
#include "NativePath.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {
#ifdef _WIN32
constexpr wchar_t kDrawProgram[] = L"tervik-cli-draw.exe";
#else
constexpr char kDrawProgram[] = "tervik-cli-draw";
#endif
#define TERVIK_NAME(name, function) name,
const char* const kDrawCommands[] = {TERVIK_DRAW_COMMANDS(TERVIK_NAME)};

} // namespace

bool IsDrawCommand(const std::string& command) {
    for (const char* name : kDrawCommands)
        if (command == name)
            return true;
    return false;
}

std::vector<std::string> CliStart(int argc, char** argv) {
    std::vector<std::string> args;
#ifdef _WIN32
    // The arguments as UTF-8, like the file names everywhere else; the narrow
    // argv would be in the ANSI code page. Output is binary, so that it has
    // the same bytes as on Linux (no CR added before LF).
    (void)argc;
    (void)argv;
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    int count = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            args.push_back(Utf8FromWide(wide[i]));
        ::LocalFree(wide);
    }
#else
    // A write beyond the file-size limit (ulimit -f) fails with EFBIG and is
    // reported like any other write error, standard output included.
    std::signal(SIGXFSZ, SIG_IGN);
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
#endif
    return args;
}

int RunCliCommand(CliCommandFn run, const std::vector<std::string>& args) {
    // Sizes come from the user's files and options; a failed allocation
    // (or anything else thrown) ends the command with a message.
    try {
        const int rc = run(args);
        // Commands that print as they go leave the check of standard
        // output to here: a full disk or closed pipe is a failure.
        if (rc == kExitOk && (std::fflush(stdout) != 0 || std::ferror(stdout)))
            return CliError(kExitFailure, "cannot write the output");
        return rc;
    } catch (const std::bad_alloc&) {
        return CliError(kExitFailure, "out of memory");
    } catch (const std::exception& e) {
        return CliError(kExitFailure, e.what());
    } catch (...) {
        return CliError(kExitFailure, "internal error");
    }
}

#ifndef _WIN32
int RunDrawProgram(char** argv) {
    std::string dir;
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        dir.assign(self, static_cast<size_t>(n));
        dir.erase(dir.find_last_of('/') + 1);
    }
    std::fflush(nullptr);
    // Beside the program (the build tree), else where it is installed.
    std::string path = dir + kDrawProgram;
    ::execv(path.c_str(), argv);
#ifdef TERVIK_DRAW_DIR
    if (errno == ENOENT && std::strlen(TERVIK_DRAW_DIR) > 0) {
        path = dir + TERVIK_DRAW_DIR "/" + kDrawProgram;
        ::execv(path.c_str(), argv);
    }
#endif
    return CliError(kExitFailure, "cannot run " + path + ": " + std::strerror(errno));
}
#else
int RunDrawProgram(char**) {
    std::wstring path(32768, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n < path.size() ? n : 0);
    path.erase(path.find_last_of(L"\\/") + 1);
    path += kDrawProgram;
    // The arguments go on as they were given: the command line past the
    // program's name, which is quoted or ends at the first blank.
    const wchar_t* rest = ::GetCommandLineW();
    if (*rest == L'"') {
        for (++rest; *rest && *rest != L'"'; ++rest) {
        }
        if (*rest)
            ++rest;
    } else {
        while (*rest && *rest != L' ' && *rest != L'\t')
            ++rest;
    }
    std::wstring line = L"\"" + path + L"\"" + rest;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE h : {si.hStdInput, si.hStdOutput, si.hStdError})
        if (h && h != INVALID_HANDLE_VALUE)
            ::SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    std::fflush(nullptr);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return CliError(kExitFailure,
                        "cannot run " + Utf8FromWide(path) + ": error " + std::to_string(::GetLastError()));
    DWORD rc = kExitFailure;
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    ::GetExitCodeProcess(pi.hProcess, &rc);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return static_cast<int>(rc);
}
#endif
