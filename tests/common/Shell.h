#pragma once

// Runs a command through the shell and collects its exit status and what it
// wrote on standard output.

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

struct ShellRun {
    int code;
    std::string out;
};

inline ShellRun Shell(const std::string& command) {
    ShellRun r{-1, ""};
    std::FILE* p = popen(command.c_str(), "r");
    if (!p)
        return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline std::string ShellOutput(const std::string& command) {
    return Shell(command).out;
}
