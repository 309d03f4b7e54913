#include "CliCommon.h"
#include "CliMain.h"
#include "Commands.h"
#include "StringTable.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const kUsage = "Usage: tervik-cli COMMAND FILE [options]\n"
                           "\n"
                           "Reads KX-208M monitoring archives (*.mnr), old-format files (*.dat) and\n"
                           "Orlo2 text files (*.txt). The format follows the extension, or --format\n"
                           "mnr|dat|orlo2. Series are numbered from 1 as in the series list.\n"
                           "\n"
                           "Commands:\n"
                           "  info FILE                    header, record and series counts, series list\n"
                           "  export FILE --series N       the text table of a series\n"
                           "         [--format table|csv] [-o OUT]\n"
                           "  stats FILE --series N        the statistics row of the points in view\n"
                           "         [--view XMIN XMAX]    (epoch seconds; default: all points)\n"
                           "  intervals FILE --series N    statistics per local hour, day or N minutes\n"
                           "         [--interval 1h|1d|MINUTES] [--limit X] [--view XMIN XMAX]\n"
                           "         [--format table|csv]  (--limit: the points strictly above X)\n"
                           "  save FILE --series N -o OUT.mnr\n"
                           "  save-all FILE --dir DIR      every series as DIR/<start>.mnr\n"
#ifdef TERVIK_CLI_RENDER
                           "  render FILE --series N -o OUT.png|.jpg|.bmp|.gif|.emf|.svg|.pdf\n"
                           "         [--size WxH] [--scale K] [--view XMIN YMIN XMAX YMAX]\n"
                           "  report FILE --series N -o OUT.pdf [--interval 1h|1d|MINUTES] [--limit X]\n"
                           "         [--view XMIN XMAX] [--lang en|ru]\n"
                           "                               the PDF report: chart, statistics, intervals\n"
#endif
#ifdef TERVIK_CLI_DEVICE
                           "  devices [--port PATH] [--simulate[=FILE]]\n"
                           "                               the instruments the device dialog would list\n"
                           "  read (--device N | --port PATH | --simulate[=FILE]) -o OUT.mnr\n"
                           "         [--force] [--retries K] [--read-empty] [--timeout MS]\n"
                           "                               the whole archive memory; read_backup.mnr is\n"
                           "                               written in the current folder as it goes\n"
#endif
                           "\n"
                           "Curve options (export, stats, intervals, render, report):\n"
                           "  --zero-correction yes|no     subtract the zero baseline (default yes)\n"
                           "  --std-temp C                 correct to this standard temperature\n"
                           "  --std-pres MMHG              correct to this standard pressure\n"
                           "  --no-filter                  keep the points marked bad\n"
                           "\n"
                           "Exit status: 0 success, 1 load or I/O failure, 2 usage error, 130 read\n"
                           "interrupted (SIGINT or SIGTERM; the blocks read are kept).\n";

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>&);
};

// The drawing commands are not here: tervik-cli-draw runs them (CliMain.h).
const Command kCommands[] = {
    {"info", CliInfo},           {"export", CliExport}, {"stats", CliStats},
    {"intervals", CliIntervals}, {"save", CliSave},     {"save-all", CliSaveAll},
#ifdef TERVIK_CLI_DEVICE
    {"devices", CliDevices},     {"read", CliRead},
#endif
};

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> all = CliStart(argc, argv);
    if (all.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string& command = all[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (command == "--version") {
        std::printf("tervik-cli %s\n", ProgramVersion());
        return kExitOk;
    }
    const std::vector<std::string> args(all.begin() + 1, all.end());
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
    }
    for (const Command& c : kCommands) {
        if (command == c.name)
            return RunCliCommand(c.run, args);
    }
#ifdef TERVIK_CLI_RENDER
    if (IsDrawCommand(command))
        return RunDrawProgram(argv);
#endif
    std::fputs(kUsage, stderr);
    return CliError(kExitUsage, "unknown command '" + command + "'");
}
