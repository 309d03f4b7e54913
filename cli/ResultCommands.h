#pragma once

// tervik-cli summary and rolling, and the options of results every command
// that reports averages takes.

#include "CliCommon.h"
#include "LimitPresets.h"
#include "ReportOptions.h"

#include <string>
#include <vector>

int CliSummary(const std::vector<std::string>& args);
int CliRolling(const std::vector<std::string>& args);

// Names of the options below, for CliArgs::Parse.
extern const std::vector<std::string> kResultValueOptions; // capture-threshold, limit-preset

// Reads --capture-threshold P (percent: request.intervals.minShare, and
// averages below it are shown empty) and --limit-preset NAME after
// ReadIntervalOptions: limit is the free --limit (hourly means) or the
// preset for an archive of this instrument kind; a preset whose unit is
// not known is said on stderr and compares nothing. A comparable preset also
// becomes the intervals' limit, in the unit of the results.
bool ReadResultOptions(const CliArgs& args, int kind, ReportOptions& request, LimitCheck& limit,
                       std::string& error);
