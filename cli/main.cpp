#include "CliCommon.h"
#include "CliMain.h"
#include "Commands.h"
#include "ResultCommands.h"
#include "StringTable.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "Usage: tervik-cli COMMAND FILE [options]\n"
    "\n"
    "Reads KX-208M monitoring archives (*.mnr), old-format files (*.dat) and\n"
    "Orlo2 text files (*.txt). The format follows the extension, or --format\n"
    "mnr|dat|orlo2. Series are numbered from 1 as in the series list.\n"
    "\n"
    "Commands:\n"
    "  info FILE                    header, record and series counts, series list\n"
    "  export FILE --series N       the text table of a series\n"
    "         [--format table|csv|openair] [-o OUT]\n"
    "                               (openair: date,hg; -o OUT.xlsx: a workbook\n"
    "                               of the points and the hourly intervals)\n"
    "  stats FILE --series N        the statistics row of the points in view\n"
    "         [--view XMIN XMAX]    (epoch seconds; default: all points)\n"
    "  intervals FILE --series N    statistics per local hour, day or N minutes\n"
    "         [--interval 1h|1d|MINUTES] [--limit X] [--view XMIN XMAX]\n"
    "         [--format table|csv] [-o OUT|OUT.xlsx]\n"
    "                               (--limit: the points strictly above X)\n"
    "  summary FILE --series N      count, capture, mean, SD, percentiles, highest\n"
    "         [--limit X] [--view XMIN XMAX] [--format table|csv] [-o OUT]\n"
    "                               valid hourly, daily and 8-hour means, per day\n"
    "  rolling FILE --series N      rolling means of the valid hourly means\n"
    "         [--hours 8|24|N] [--align end|left|centre] [--limit X]\n"
    "         [--view XMIN XMAX] [--format table|csv] [-o OUT]\n"
    "  save FILE --series N -o OUT.mnr\n"
    "  save-all FILE --dir DIR      every series as DIR/<start>.mnr\n"
    "  merge FILE... -o OUT.mnr [--report]\n"
    "                               reads of one instrument as one archive\n"
#ifdef TERVIK_CLI_RENDER
    "  render FILE --series N -o OUT.png|.jpg|.bmp|.gif|.emf|.svg|.pdf\n"
    "         [--size WxH] [--scale K] [--view XMIN YMIN XMAX YMAX]\n"
    "  report FILE --series N -o OUT.pdf [--interval 1h|1d|MINUTES] [--limit X]\n"
    "         [--view XMIN XMAX] [--lang en|ru]\n"
    "                               the PDF report: chart, statistics, intervals\n"
    "  compare FILE:SERIES... -o OUT (the picture types of render)\n"
    "         [--shift N:start|N:HOURSh|N:DAYSd ...] [--difference]\n"
    "         [--size WxH] [--scale K] [--view XMIN YMIN XMAX YMAX]\n"
    "                               up to 4 series on one chart; --shift\n"
    "                               moves series N (from 1) to the first's\n"
    "                               start or by e.g. -168h; --difference\n"
    "                               adds the first minus the second\n"
    "  calendar FILE --series N -o OUT.png|.svg|.pdf|...\n"
    "         [--limit X|--limit-preset NAME] [--capture-threshold P] [--view XMIN XMAX]\n"
    "         [--size WxH] [--scale K] [--lang en|ru] [--time-base ...]\n"
    "                               daily means, a month to a grid\n"
    "  profile FILE --series N -o OUT.png|.svg|.pdf|...  (options as calendar)\n"
    "                               mean by hour of the day and day of the week\n"
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
    "Curve options (export, stats, intervals, summary, rolling, render, report, compare,\n"
    "calendar, profile):\n"
    "  --zero-correction yes|no     subtract the zero baseline (default yes)\n"
    "  --std-temp C                 correct to this standard temperature\n"
    "  --std-pres MMHG              correct to this standard pressure\n"
    "  --no-filter                  keep the points marked bad\n"
    "\n"
    "Result options (intervals, summary, rolling, report, calendar, profile):\n"
    "  --capture-threshold P        an average is valid when P % of its expected\n"
    "                               cycles (hours) are present (default 75); below\n"
    "                               it the value is left empty\n"
    "  --limit-preset NAME          a limit with its averaging time, in place of\n"
    "                               --limit: eu-ioelv, acgih-tlv, niosh-rel, osha-pel,\n"
    "                               ru-daily, who-annual, epa-rfc, atsdr-mrl\n"
    "\n"
    "Time option (every command that reads a FILE):\n"
    "  --time-base local|ZONE|UTC+HH:MM\n"
    "                               what the instrument's clock followed: this\n"
    "                               computer's zone (default), a zone such as\n"
    "                               Europe/Moscow, or a fixed offset from UTC\n"
    "\n"
    "Exit status: 0 success, 1 load or I/O failure, 2 usage error, 130 read\n"
    "interrupted (SIGINT or SIGTERM; the blocks read are kept).\n";

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>&);
};

// The drawing commands are not here: tervik-cli-draw runs them (CliMain.h).
const Command kCommands[] = {
    {"info", CliInfo},           {"export", CliExport},   {"stats", CliStats},
    {"intervals", CliIntervals}, {"save", CliSave},       {"save-all", CliSaveAll},
    {"summary", CliSummary},     {"rolling", CliRolling}, {"merge", CliMerge},
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
