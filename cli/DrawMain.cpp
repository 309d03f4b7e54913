// tervik-cli-draw: the commands of tervik-cli that draw, with Qt loaded,
// run when tervik-cli hands one over with its own arguments.

#include "CliCommon.h"
#include "CliMain.h"
#include "Commands.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Command {
    const char* name;
    CliCommandFn run;
};

#define TERVIK_RUN(name, function) {name, function},

const Command kCommands[] = {TERVIK_DRAW_COMMANDS(TERVIK_RUN)};

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> all = CliStart(argc, argv);
    const std::string command = all.empty() ? "" : all[0];
    for (const Command& c : kCommands)
        if (command == c.name)
            return RunCliCommand(c.run, std::vector<std::string>(all.begin() + 1, all.end()));
    return CliError(kExitUsage, "unknown command '" + command + "'");
}
