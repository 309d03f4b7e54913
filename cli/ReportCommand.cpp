// tervik-cli report: the PDF report of one series. Runs without a display.

#include "CliCommon.h"
#include "Commands.h"

#include "HeadlessGui.h"
#include "ResultCommands.h"
#include "SeriesReport.h"
#include "StringTable.h"

#include <utility>
#include <vector>

int CliReport(const std::vector<std::string>& argv) {
    CliArgs args;
    std::vector<std::string> values = kCurveValueOptions;
    values.insert(values.end(), {"series", "format", "output", "interval", "limit", "lang", kTimeBaseOption});
    values.insert(values.end(), kResultValueOptions.begin(), kResultValueOptions.end());
    if (!args.Parse(argv, values, kCurveFlagOptions, {{"view", 2}}))
        return CliError(kExitUsage, args.Error());
    if (args.Positional().size() != 1)
        return CliError(kExitUsage,
                        args.Positional().empty() ? "a FILE is required" : "only one FILE is taken");
    if (const int rc = ApplyTimeBaseOption(args))
        return rc;
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
    const ArchiveFormat* kind = nullptr;
    if (const int rc = ArchiveFormatOf(path, args.Get("format"), kind))
        return rc;
    TervikDocument document;
    if (const int rc = LoadArchiveFile(path, *kind, document))
        return rc;
    LimitCheck limit;
    if (!ReadSeriesIndex(args, *document.Archive(), options.series, error) ||
        !ReadCurveOptions(args, options.curve, error) ||
        !ReadResultOptions(args, document.Archive()->GetKind(), options, limit, error))
        return CliError(kExitUsage, error);
    // The figures need the records, the chart its points: an *.mnr file's
    // are read again for the chart once the records are released.
    const bool streamed = std::string_view(kind->key) == "mnr";
    MnrSeriesStream stream;
    if (streamed) {
        if (const int rc = OpenSeriesStream(path, args, options.curve.filter, stream))
            return rc;
        const SeriesInfo& series = *document.Archive()->GetSeries(options.series);
        if (stream.RecordCount() != series.GetCount() || stream.Digest() != DigestSeries(series))
            return CliError(kExitFailure, path + ": the file changed while it was read");
    }
    const auto app = StartHeadlessGui();
    const bool written = streamed ? WriteSeriesReport(std::move(document), stream, options, out, error)
                                  : WriteSeriesReport(std::move(document), options, out, error);
    if (!written)
        return CliError(kExitFailure, error);
    return kExitOk;
}
