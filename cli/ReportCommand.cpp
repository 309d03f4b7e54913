// tervik-cli report: the PDF report of one series. Runs without a display.

#include "CliCommon.h"
#include "Commands.h"

#include "HeadlessGui.h"
#include "SeriesReport.h"
#include "StringTable.h"

#include <utility>
#include <vector>

int CliReport(const std::vector<std::string>& argv) {
    CliArgs args;
    std::vector<std::string> values = kCurveValueOptions;
    values.insert(values.end(), {"series", "format", "output", "interval", "limit", "lang"});
    if (!args.Parse(argv, values, kCurveFlagOptions, {{"view", 2}}))
        return CliError(kExitUsage, args.Error());
    if (args.Positional().size() != 1)
        return CliError(kExitUsage,
                        args.Positional().empty() ? "a FILE is required" : "only one FILE is taken");
    const std::string out = args.Get("output");
    if (out.empty())
        return CliError(kExitUsage, "report needs -o OUT.pdf");
    // The PDF is built whole before it is written, so it goes to a file only.
    if (out == "-")
        return CliError(kExitUsage, "report writes a file: -o OUT.pdf (- is not taken)");
    ReportOptions options;
    const std::string lang = args.Get("lang", GetUILanguage() == 1 ? "ru" : "en");
    if (lang != "en" && lang != "ru")
        return CliError(kExitUsage, "--lang takes en or ru");
    options.language = lang == "ru" ? 1 : 0;
    std::string error;
    if (!ReadIntervalOptions(args, options.intervals, error))
        return CliError(kExitUsage, error);
    const std::string& path = args.Positional()[0];
    TervikDocument document;
    if (const int rc = LoadArchiveFile(path, args.Get("format"), document))
        return rc;
    if (!ReadSeriesIndex(args, *document.Archive(), options.series, error) ||
        !ReadCurveOptions(args, options.curve, error))
        return CliError(kExitUsage, error);
    const auto app = StartHeadlessGui();
    if (!WriteSeriesReport(std::move(document), options, out, error))
        return CliError(kExitFailure, error);
    return kExitOk;
}
