#pragma once

// What the mains of tervik-cli and tervik-cli-draw share: the arguments as
// UTF-8, running one command, and the hand-over of the drawing commands.

#include <string>
#include <vector>

// The drawing commands: the chart and the report need Qt, so they run in
// tervik-cli-draw, beside tervik-cli, and tervik-cli hands them over to it
// without loading Qt itself. A new one is one line: X(name, function).
#define TERVIK_DRAW_COMMANDS(X)                                                                              \
    X("render", CliRender)                                                                                   \
    X("report", CliReport)                                                                                   \
    X("compare", CliCompare)                                                                                 \
    X("calendar", CliCalendar)                                                                               \
    X("profile", CliProfile)

using CliCommandFn = int (*)(const std::vector<std::string>&);

// The program's arguments (the command name first, without the program's
// name) as UTF-8; sets up standard output and the signals as every command
// expects them.
std::vector<std::string> CliStart(int argc, char** argv);

// Runs one command; what it throws and a standard output that could not be
// written end it with a message.
int RunCliCommand(CliCommandFn run, const std::vector<std::string>& args);

// Whether command is one of TERVIK_DRAW_COMMANDS.
bool IsDrawCommand(const std::string& command);

// Runs tervik-cli-draw from the folder of the running program with the same
// arguments, and returns its exit status (on POSIX the process becomes it);
// kExitFailure after a message when it cannot be started.
int RunDrawProgram(char** argv);
