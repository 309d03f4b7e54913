// tervik-cli compare: up to four series of any files on one chart, each
// optionally moved in time, with the difference of the first two, written
// as a picture. Runs without a display.

#include "CliCommon.h"
#include "Commands.h"

#include "ChartLabels.h"
#include "ComparePlots.h"
#include "DialogUnits.h"
#include "HeadlessGui.h"
#include "LCPicture.h"
#include "StringTable.h"

#include <map>
#include <memory>
#include <vector>

namespace {

// FILE:SERIES, split at the last colon (a Windows path has one of its own).
bool ParseFileSeries(const std::string& text, std::string& path, int& series) {
    const size_t colon = text.rfind(':');
    long long n = 0;
    if (colon == std::string::npos || colon == 0 || !ParseIntArg(text.substr(colon + 1), n) || n < 1 ||
        n > 1000000000)
        return false;
    path = text.substr(0, colon);
    series = static_cast<int>(n - 1);
    return true;
}

// --shift N:SPEC for the N-th series (from 1) of count.
bool ReadShifts(const CliArgs& args, std::vector<ComparePick>& picks, std::string& error) {
    if (!args.Has("shift"))
        return true;
    for (const std::string& s : args.GetAll("shift")) {
        const size_t colon = s.find(':');
        long long n = 0;
        TimeShift shift;
        if (colon == std::string::npos || !ParseIntArg(s.substr(0, colon), n) ||
            !ParseTimeShift(s.substr(colon + 1), shift)) {
            error = "--shift takes N:start or N:HOURSh or N:DAYSd, e.g. 2:start or 2:-168h";
            return false;
        }
        if (n < 1 || n > static_cast<long long>(picks.size())) {
            error = "--shift " + s + ": there is no series " + std::to_string(n) + " to shift";
            return false;
        }
        picks[static_cast<size_t>(n - 1)].shift = shift;
    }
    return true;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int CliCompare(const std::vector<std::string>& argv) {
    CliArgs args;
    std::vector<std::string> values = kCurveValueOptions;
    values.insert(values.end(), {"shift", "size", "output", "scale", kTimeBaseOption});
    std::vector<std::string> flags = kCurveFlagOptions;
    flags.push_back("difference");
    if (!args.Parse(argv, values, flags, {{"view", 4}}))
        return CliError(kExitUsage, args.Error());
    if (const int rc = ApplyTimeBaseOption(args))
        return rc;
    const auto& specs = args.Positional();
    if (specs.empty() || specs.size() > static_cast<size_t>(kMaxCompareSeries))
        return CliError(kExitUsage, "compare takes 1 to 4 FILE:SERIES");
    const std::string out = args.Get("output");
    if (out.empty())
        return CliError(kExitUsage, "compare needs -o OUT");
    if (!IsChartPictureName(out))
        return CliError(kExitUsage, "-o OUT takes a .png, .jpg, .bmp, .gif, .emf, .svg or .pdf name");
    if (args.Has("difference") && specs.size() < 2)
        return CliError(kExitUsage, "--difference needs two series");
    CurveOptions options;
    std::string error;
    if (!ReadCurveOptions(args, options, error))
        return CliError(kExitUsage, error);

    // Each file loaded once, however many of its series are compared.
    std::map<std::string, int> sourceOf;
    std::vector<std::unique_ptr<TervikDocument>> documents;
    std::vector<CompareSource> sources;
    std::vector<ComparePick> picks;
    for (const std::string& spec : specs) {
        ComparePick pick;
        std::string path;
        if (!ParseFileSeries(spec, path, pick.series))
            return CliError(kExitUsage, "'" + spec + "' is not FILE:SERIES (SERIES from 1)");
        auto [it, added] = sourceOf.emplace(path, static_cast<int>(sources.size()));
        if (added) {
            documents.push_back(std::make_unique<TervikDocument>());
            if (const int rc = LoadArchiveFile(path, "", *documents.back()))
                return rc;
            sources.push_back({BaseName(path), documents.back()->Archive()});
        }
        pick.source = it->second;
        picks.push_back(pick);
    }
    if (!ReadShifts(args, picks, error))
        return CliError(kExitUsage, error);
    const int difference[2] = {0, 1};
    CompareSet set;
    if (!BuildCompareSet(sources, picks, options, args.Has("difference") ? difference : nullptr, set, error))
        return CliError(kExitUsage, error);
    double view[4] = {};
    if (const int rc = ReadChartView(args, view))
        return rc;

    const auto app = StartHeadlessGui();
    const PixelSize placeholder = ChartPlaceholderSize();
    int width = placeholder.cx, height = placeholder.cy, scale = 1;
    if (const int rc = ReadPictureSize(args, width, height, scale))
        return rc;

    CLCCore chart;
    chart.Painter().SetPixelRatio(static_cast<double>(scale));
    chart.Layout(width * scale, height * scale);
    ConfigureCompareChart(chart, LoadUIString(kUiAxisTime),
                          ChartYCaption(sources[static_cast<size_t>(picks[0].source)].archive->GetKind()));
    ComparePlots plots;
    ShowComparePlots(chart, set, plots);
    set = {};
    documents.clear();
    if (args.Has("view") && !chart.Model().SetView(view[0], view[1], view[2], view[3]))
        return CliError(kExitUsage,
                        "the view is refused: it needs XMIN < XMAX, YMIN < YMAX and a window of at "
                        "least 1e-10 of its largest coordinate");
    if (!WriteChartPicture(chart, out, [&] { RemoveComparePlots(chart, plots); }))
        return CliError(kExitFailure, "cannot write " + out);
    return kExitOk;
}
