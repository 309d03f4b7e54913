#pragma once

// Runs the tervik-cli binary (TERVIK_CLI) through the shell with TZ set, and
// collects its exit status and one of its output streams.

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

struct CliRun {
    int code;
    std::string out; // standard output, or standard error with CliErr
};

// shellPrefix goes before the command (e.g. "cd dir && "); redirect picks
// what is read back: standard output by default.
inline CliRun Cli(const std::string& args, const std::string& shellPrefix = "",
                  const char* redirect = " 2>/dev/null") {
    const std::string cmd = shellPrefix + "TZ=Europe/Berlin " + TERVIK_CLI + " " + args + redirect;
    std::FILE* p = popen(cmd.c_str(), "r");
    CliRun r{-1, ""};
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

// Its exit status and what it wrote on standard error.
inline CliRun CliErr(const std::string& args) {
    return Cli(args, "", " 2>&1 >/dev/null");
}
