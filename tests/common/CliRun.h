#pragma once

// Runs the tervik-cli binary (TERVIK_CLI) through the shell with TZ set, and
// collects its exit status and one of its output streams.

#include "Shell.h"

using CliRun = ShellRun; // out: standard output, or standard error with CliErr

// shellPrefix goes before the command (e.g. "cd dir && "); redirect picks
// what is read back: standard output by default.
inline CliRun Cli(const std::string& args, const std::string& shellPrefix = "",
                  const char* redirect = " 2>/dev/null") {
    const std::string cmd = shellPrefix + "TZ=Europe/Berlin " + TERVIK_CLI + " " + args + redirect;
    return Shell(cmd);
}

// Its exit status and what it wrote on standard error.
inline CliRun CliErr(const std::string& args) {
    return Cli(args, "", " 2>&1 >/dev/null");
}
