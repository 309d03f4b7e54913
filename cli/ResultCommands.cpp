// tervik-cli summary and rolling, and the capture threshold and limit preset
// options of every command that reports averages. No Qt.

#include "ResultCommands.h"

#include "CliCommon.h"
#include "ResultStats.h"
#include "XlsxOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

std::vector<std::string> ResultValueOptions() {
    std::vector<std::string> v = kCurveValueOptions;
    v.insert(v.end(), {"series", "format", "output", "limit", kTimeBaseOption});
    v.insert(v.end(), kResultValueOptions.begin(), kResultValueOptions.end());
    return v;
}

// Parses, loads the file and reads the series, curve, view and limit
// options; on failure returns the exit code.
int PrepareResults(const std::vector<std::string>& argv, const std::vector<std::string>& extra, CliArgs& args,
                   TervikDocument& document, ReportOptions& request, LimitCheck& limit) {
    std::vector<std::string> values = ResultValueOptions();
    values.insert(values.end(), extra.begin(), extra.end());
    if (!args.Parse(argv, values, kCurveFlagOptions, {{"view", 2}}))
        return CliError(kExitUsage, args.Error());
    if (args.Positional().size() != 1)
        return CliError(kExitUsage,
                        args.Positional().empty() ? "a FILE is required" : "only one FILE is taken");
    if (const int rc = ApplyTimeBaseOption(args))
        return rc;
    std::string input;
    for (const std::string& f : args.GetAll("format"))
        if (f != "table" && f != "csv")
            input = f;
    if (const int rc = LoadArchiveFile(args.Positional()[0], input, document))
        return rc;
    if (const int rc = ReadSeriesAndCurveOptions(args, *document.Archive(), request.series, request.curve))
        return rc;
    std::string error;
    if (!ReadIntervalOptions(args, request.intervals, error) ||
        !ReadResultOptions(args, document.Archive()->GetKind(), request, limit, error))
        return CliError(kExitUsage, error);
    return kExitOk;
}

bool CsvWanted(const CliArgs& args) {
    const auto& f = args.GetAll("format");
    return std::find(f.begin(), f.end(), "csv") != f.end();
}

// Writes text to -o OUT (atomically) or standard output.
int WriteOutput(const CliArgs& args, const std::string& text) {
    OutputFile out(args.Get("output"));
    if (!out.Open())
        return CliError(kExitFailure, "cannot create " + out.Name());
    const bool ok = std::fwrite(text.data(), 1, text.size(), out.Get()) == text.size();
    const int printError = ok ? 0 : errno;
    if (!ok || !out.Commit()) {
        const std::string reason = out.Reason(printError);
        return CliError(kExitFailure, "cannot write " + out.Name() + (reason.empty() ? "" : ": " + reason));
    }
    return kExitOk;
}

} // namespace

const std::vector<std::string> kResultValueOptions = {"capture-threshold", "limit-preset"};

bool ReadResultOptions(const CliArgs& args, int kind, ReportOptions& request, LimitCheck& limit,
                       std::string& error) {
    IntervalOptions& o = request.intervals;
    if (args.Has("capture-threshold")) {
        double p = 0;
        if (!ParseDoubleArg(args.Get("capture-threshold"), p) || !(p >= 0 && p <= 100)) {
            error = "--capture-threshold takes a percentage from 0 to 100";
            return false;
        }
        o.minShare = p / 100;
        o.blankInvalid = true;
    }
    limit = o.haveLimit ? FreeLimit(o.limit) : LimitCheck{};
    if (!args.Has("limit-preset"))
        return true;
    if (o.haveLimit) {
        error = "give --limit or --limit-preset, not both";
        return false;
    }
    const LimitPreset* preset = FindLimitPreset(args.Get("limit-preset"));
    if (!preset) {
        error = "--limit-preset takes one of " + LimitPresetIds();
        return false;
    }
    request.limitPreset = preset->id;
    limit = PresetLimit(*preset, kind);
    if (!limit.active) {
        // Said once; nothing is compared.
        CliError(kExitOk, limit.problem);
        return true;
    }
    o.haveLimit = true;
    o.limit = limit.value;
    return true;
}

int CliSummary(const std::vector<std::string>& argv) {
    CliArgs args;
    TervikDocument document;
    ReportOptions request;
    SummaryOptions options;
    if (const int rc = PrepareResults(argv, {}, args, document, request, options.limit))
        return rc;
    if (IsXlsxPath(args.Get("output")))
        return WriteWorkbookFile(document, request, args.Get("output"), true);
    options.threshold = request.intervals.minShare;
    options.xmin = request.intervals.xmin;
    options.xmax = request.intervals.xmax;
    SummaryStats stats;
    if (!ComputeSummary(*document.Archive()->GetSeries(request.series), request.curve, options, stats))
        return CliError(kExitFailure, stats.error.empty() ? "no points in view" : stats.error);
    return WriteOutput(args, CsvWanted(args) ? SummaryCsv(stats, options) : SummaryText(stats, options));
}

int CliRolling(const std::vector<std::string>& argv) {
    CliArgs args;
    TervikDocument document;
    ReportOptions request;
    LimitCheck limit;
    if (const int rc = PrepareResults(argv, {"hours", "align"}, args, document, request, limit))
        return rc;
    RollingOptions options;
    options.threshold = request.intervals.minShare;
    long long hours = 0;
    if (!ParseIntArg(args.Get("hours", "8"), hours) || hours < 1 || hours > kMaxRollingHours)
        return CliError(kExitUsage,
                        "--hours takes a number of hours from 1 to " + std::to_string(kMaxRollingHours));
    options.hours = static_cast<int>(hours);
    const std::string align = args.Get("align", "end");
    if (align == "end")
        options.align = WindowAlign::End;
    else if (align == "left")
        options.align = WindowAlign::Left;
    else if (align == "centre" || align == "center")
        options.align = WindowAlign::Centre;
    else
        return CliError(kExitUsage, "--align takes end, left or centre");
    if (IsXlsxPath(args.Get("output"))) {
        request.rollingHours = options.hours;
        request.rollingAlign = options.align;
        return WriteWorkbookFile(document, request, args.Get("output"), true);
    }
    std::vector<RollingMean> means;
    std::string error;
    if (!ComputeRollingMeans(*document.Archive()->GetSeries(request.series), request.curve, options,
                             request.intervals.xmin, request.intervals.xmax, means, error))
        return CliError(kExitFailure, error.empty() ? "no points in view" : error);
    const bool csv = CsvWanted(args);
    std::string text = csv ? RollingCsvHeader(limit) : RollingTextHeader(options, limit);
    for (const RollingMean& r : means)
        text += csv ? RollingCsvLine(r, limit) : RollingTextLine(r, limit);
    return WriteOutput(args, text);
}
