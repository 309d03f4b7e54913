#include "Commands.h"

#include "ArchiveFormats.h"
#include "Captions.h"
#include "CliCommon.h"
#include "IntervalStats.h"
#include "NativePath.h"
#include "ReportOptions.h"
#include "ResultCommands.h"
#include "SeriesFormat.h"
#include "StringTable.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

namespace {

const std::vector<std::string> kFileOptions = {"format", kTimeBaseOption};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Parses the arguments and loads the file; on failure returns the exit code.
int Prepare(const std::vector<std::string>& argv, const std::vector<std::string>& values,
            const std::vector<std::string>& flags, CliArgs& args, TervikDocument& document,
            const std::map<std::string, int>& multi = {}) {
    if (!args.Parse(argv, Join(kFileOptions, values), flags, multi))
        return CliError(kExitUsage, args.Error());
    if (args.Positional().size() != 1)
        return CliError(kExitUsage,
                        args.Positional().empty() ? "a FILE is required" : "only one FILE is taken");
    if (const int rc = ApplyTimeBaseOption(args))
        return rc;
    // "table" and "csv" name export's output format, not the input's; to a
    // command without an output format they are an unknown input format.
    const bool takesOutputFormat = std::find(values.begin(), values.end(), "format") != values.end();
    std::string input;
    for (const std::string& f : args.GetAll("format"))
        if (!takesOutputFormat || (f != "table" && f != "csv"))
            input = f;
    return LoadArchiveFile(args.Positional()[0], input, document);
}

std::string OutputFormat(const CliArgs& args) {
    for (const std::string& f : args.GetAll("format"))
        if (f == "csv")
            return f;
    return "table";
}

} // namespace

int CliInfo(const std::vector<std::string>& argv) {
    CliArgs args;
    TervikDocument document;
    if (const int rc = Prepare(argv, {}, {}, args, document))
        return rc;
    const CArchiveData& archive = *document.Archive();
    const std::string& path = args.Positional()[0];
    std::string format = args.Get("format");
    if (format.empty()) {
        // Known to be one of these: the load succeeded.
        std::string ext = Utf8FromPath(PathFromUtf8(path).extension());
        for (char& c : ext)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        format = ext.size() > 1 ? FormatByExtension(std::string_view(ext).substr(1))->key : "";
    }
    std::printf("file: %s\nformat: %s\nheader:", path.c_str(), format.c_str());
    for (uint8_t b : archive.GetHeader().raw)
        std::printf(" %02x", b);
    std::printf("\nkind: %d\nrecords: %d\nseries: %d\ny-title: %s\n", archive.GetKind(),
                archive.GetRecordCount(), archive.GetSeriesCount(),
                ChartYCaption(archive.GetKind(), 0).c_str());
    ForEachSeriesListEntry(archive, UIString(kUiSeriesStart, 0), UIString(kUiSeriesStop, 0),
                           [](const std::string& e) { std::printf("%s\n", e.c_str()); });
    return kExitOk;
}

int CliExport(const std::vector<std::string>& argv) {
    CliArgs args;
    TervikDocument document;
    const std::vector<std::string> values = Join(kCurveValueOptions, {"series", "format", "output"});
    if (const int rc = Prepare(argv, values, kCurveFlagOptions, args, document))
        return rc;
    const CArchiveData& archive = *document.Archive();
    int index = 0;
    CurveOptions options;
    if (const int rc = ReadSeriesAndCurveOptions(args, archive, index, options))
        return rc;
    const std::string table = OutputFormat(args);
    const SeriesInfo& series = *archive.GetSeries(index);
    OutputFile out(args.Get("output"));
    if (!out.Open())
        return CliError(kExitFailure, "cannot create " + out.Name());
    const bool ok = table == "csv" ? WriteExportCsv(series, options, out.Get())
                                   : WriteExportTable(series, options, out.Get());
    // A failed print leaves its cause in errno (EFBIG, ENOSPC); a failed
    // commit in the writer.
    const int printError = ok ? 0 : errno;
    if (!ok || !out.Commit()) {
        const std::string reason = out.Reason(printError);
        return CliError(kExitFailure, "cannot write " + out.Name() + (reason.empty() ? "" : ": " + reason));
    }
    return kExitOk;
}

int CliStats(const std::vector<std::string>& argv) {
    CliArgs args;
    TervikDocument document;
    if (const int rc = Prepare(argv, Join(kCurveValueOptions, {"series"}), kCurveFlagOptions, args, document,
                               {{"view", 2}}))
        return rc;
    const CArchiveData& archive = *document.Archive();
    int index = 0;
    CurveOptions options;
    if (const int rc = ReadSeriesAndCurveOptions(args, archive, index, options))
        return rc;
    double xmin = -std::numeric_limits<double>::infinity();
    double xmax = std::numeric_limits<double>::infinity();
    if (args.Has("view")) {
        const auto& v = args.GetAll("view");
        if (!ParseDoubleArg(v[0], xmin) || !ParseDoubleArg(v[1], xmax))
            return CliError(kExitUsage, "--view takes two times in epoch seconds");
    }
    Statistics stats;
    if (!ComputeSeriesStatistics(*archive.GetSeries(index), options, xmin, xmax, stats))
        return CliError(kExitFailure, "no points in view");
    const auto cells = StatisticsCells(stats);
    for (size_t i = 0; i < cells.size(); ++i)
        std::printf("%s%c", cells[i].c_str(), i + 1 < cells.size() ? '\t' : '\n');
    if (stats.nonFinite > 0)
        std::printf("%s\n", NonFiniteNote(stats.nonFinite, stats.count).c_str());
    return kExitOk;
}

int CliIntervals(const std::vector<std::string>& argv) {
    CliArgs args;
    TervikDocument document;
    if (const int rc = Prepare(
            argv,
            Join(Join(kCurveValueOptions, {"series", "interval", "limit", "format"}), kResultValueOptions),
            kCurveFlagOptions, args, document, {{"view", 2}}))
        return rc;
    const CArchiveData& archive = *document.Archive();
    // A report's interval table, as text or CSV.
    ReportOptions request;
    if (const int rc = ReadSeriesAndCurveOptions(args, archive, request.series, request.curve))
        return rc;
    std::string error;
    LimitCheck limit;
    if (!ReadIntervalOptions(args, request.intervals, error) ||
        !ReadResultOptions(args, archive.GetKind(), request, limit, error))
        return CliError(kExitUsage, error);
    const IntervalOptions& options = request.intervals;
    // Rows are written as they are finished: memory follows one row, not the
    // span. The header goes out with the first row, after the count of the
    // intervals was checked.
    const bool csv = OutputFormat(args) == "csv";
    bool ok = true;
    const auto put = [&](const std::string& t) {
        ok = ok && std::fwrite(t.data(), 1, t.size(), stdout) == t.size();
    };
    IntervalTable table;
    const auto row = [&](const IntervalRow& r, size_t i) {
        if (i == 0)
            put(csv ? IntervalsCsvHeader(options) : IntervalsTextHeader(options));
        put(csv ? IntervalsCsvLine(std::to_string(i + 1), r, options) : IntervalsTextLine(r, options));
    };
    if (!ForEachInterval(*archive.GetSeries(request.series), request.curve, options, table, row))
        return CliError(kExitFailure, table.error.empty() ? "no points in view" : table.error);
    put(csv ? IntervalsCsvLine("total", table.total, options) : IntervalsTextEnd(table, options));
    if (!ok || std::fflush(stdout) != 0)
        return CliError(kExitFailure, "cannot write the output");
    return kExitOk;
}

int CliSave(const std::vector<std::string>& argv) {
    CliArgs args;
    TervikDocument document;
    if (const int rc = Prepare(argv, {"series", "output"}, {}, args, document))
        return rc;
    const CArchiveData& archive = *document.Archive();
    std::string error;
    int index = 0;
    if (!ReadSeriesIndex(args, archive, index, error))
        return CliError(kExitUsage, error);
    if (!args.Has("output"))
        return CliError(kExitUsage, "-o OUT.mnr is required");
    TheCliReporter().subject = args.Get("output");
    return document.SaveSeries(index, args.Get("output")) > 0 ? kExitOk : kExitFailure;
}

int CliSaveAll(const std::vector<std::string>& argv) {
    CliArgs args;
    TervikDocument document;
    if (const int rc = Prepare(argv, {"dir"}, {}, args, document))
        return rc;
    const CArchiveData& archive = *document.Archive();
    if (!args.Has("dir"))
        return CliError(kExitUsage, "--dir DIR is required");
    const std::filesystem::path dir = PathFromUtf8(args.Get("dir"));
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec))
        return CliError(kExitFailure, args.Get("dir") + " is not a folder");
    const std::vector<std::string> names = SaveAllFileNames(archive);
    int rc = kExitOk;
    for (int i = 0; i < archive.GetSeriesCount(); ++i) {
        const std::string path = Utf8FromPath(dir / PathFromUtf8(names[static_cast<size_t>(i)]));
        TheCliReporter().subject = path; // names the file a failure is about
        if (document.SaveSeries(i, path) > 0)
            std::printf("%s\n", path.c_str());
        else
            rc = kExitFailure;
    }
    return rc;
}
