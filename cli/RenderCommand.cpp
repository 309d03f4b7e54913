// tervik-cli render: the chart of one series as the main window shows it,
// written as a picture. Runs without a display.

#include "CliCommon.h"
#include "Commands.h"

#include "ChartLabels.h"
#include "DialogUnits.h"
#include "HeadlessGui.h"
#include "LCPicture.h"
#include "SeriesPlots.h"
#include "StringTable.h"

#include <algorithm>
#include <vector>

bool ParsePictureSize(const std::string& text, int& w, int& h) {
    const size_t x = text.find_first_of("xX");
    long long a = 0, b = 0;
    if (x == std::string::npos || !ParseIntArg(text.substr(0, x), a) || !ParseIntArg(text.substr(x + 1), b))
        return false;
    // Beyond a few thousand pixels the picture is no longer a chart of a window.
    if (a < 1 || b < 1 || a > 8192 || b > 8192)
        return false;
    w = static_cast<int>(a);
    h = static_cast<int>(b);
    return true;
}

int ReadPictureSize(const CliArgs& args, int& width, int& height, int& scale) {
    if (args.Has("size") && !ParsePictureSize(args.Get("size"), width, height))
        return CliError(kExitUsage, "--size takes WxH, each 1 to 8192 pixels");
    long long k = 1;
    const long long w = std::max(width, 1), h = std::max(height, 1);
    if (args.Has("scale") &&
        (!ParseIntArg(args.Get("scale"), k) || k < 1 || k > 4 || w * k > 8192 || h * k > 8192))
        return CliError(kExitUsage, "--scale takes 1 to 4, with the picture at most 8192 pixels a side");
    scale = static_cast<int>(k);
    return kExitOk;
}

int ReadChartView(const CliArgs& args, double view[4]) {
    if (!args.Has("view"))
        return kExitOk;
    const auto& v = args.GetAll("view");
    for (int i = 0; i < 4; ++i)
        if (!ParseDoubleArg(v[static_cast<size_t>(i)], view[i]))
            return CliError(kExitUsage, "--view takes four numbers: XMIN YMIN XMAX YMAX");
    return kExitOk;
}

int CliRender(const std::vector<std::string>& argv) {
    CliArgs args;
    std::vector<std::string> values = kCurveValueOptions;
    values.insert(values.end(), {"series", "format", "size", "output", "scale", kTimeBaseOption});
    if (!args.Parse(argv, values, kCurveFlagOptions, {{"view", 4}}))
        return CliError(kExitUsage, args.Error());
    if (args.Positional().size() != 1)
        return CliError(kExitUsage,
                        args.Positional().empty() ? "a FILE is required" : "only one FILE is taken");
    if (const int rc = ApplyTimeBaseOption(args))
        return rc;
    const std::string out = args.Get("output");
    if (out.empty())
        return CliError(kExitUsage, "render needs -o OUT");
    if (!IsChartPictureName(out))
        return CliError(kExitUsage, "-o OUT takes a .png, .jpg, .bmp, .gif, .emf, .svg or .pdf name");
    // The filter decides what a stream keeps; a fault in the options is
    // told after the file's and the series', as when the file is loaded.
    CurveOptions options;
    std::string optionsError;
    const bool curveOptionsRead = ReadCurveOptions(args, options, optionsError);
    // An *.mnr file is read in pieces, twice, rather than held while the
    // plots are filled; other formats are loaded whole.
    const std::string& path = args.Positional()[0];
    const ArchiveFormat* kind = nullptr;
    if (const int rc = ArchiveFormatOf(path, args.Get("format"), kind))
        return rc;
    TervikDocument document;
    MnrSeriesStream stream;
    const bool streamed = std::string_view(kind->key) == "mnr";
    if (const int rc = streamed ? OpenSeriesStream(path, args, options.filter, stream)
                                : LoadArchiveFile(path, *kind, document))
        return rc;
    CArchiveData* const archive = document.Archive(); // null when streamed
    int index = 0;
    std::string error;
    if (!ReadSeriesIndex(args, streamed ? stream.SeriesCount() : archive->GetSeriesCount(), index, error))
        return CliError(kExitUsage, error);
    if (!curveOptionsRead)
        return CliError(kExitUsage, optionsError);
    double view[4] = {};
    if (const int rc = ReadChartView(args, view))
        return rc;

    const auto app = StartHeadlessGui();

    // The chart as a screen scaled by K shows it: K device pixels per pixel.
    const PixelSize placeholder = ChartPlaceholderSize();
    int width = placeholder.cx, height = placeholder.cy, scale = 1;
    if (const int rc = ReadPictureSize(args, width, height, scale))
        return rc;

    // The chart as the main window sets it up, drawn without a window.
    CLCCore chart;
    chart.Painter().SetPixelRatio(static_cast<double>(scale));
    chart.Layout(width * static_cast<int>(scale), height * static_cast<int>(scale));
    ConfigureMainChart(&chart, LoadUIString(kUiAxisTime), LoadUIString(kUiConcentration));
    chart.Painter().SetTitles(LoadUIString(kUiAxisTime),
                              ChartYCaption(streamed ? stream.Header().GetKind() : archive->GetKind()));
    // The chart holds its own copy of the points; the picture needs neither
    // the records nor the arrays kept for the statistics.
    SeriesPlots plots;
    plots.keepPoints = false;
    if (!streamed)
        ShowSeriesPlots(&chart, *archive->GetSeries(index), index, options, LoadUIString(kUiData), plots);
    else if (!ShowSeriesPlots(&chart, stream, index, options, LoadUIString(kUiData), plots))
        return CliError(kExitFailure, path + ": the file changed while it was read");
    if (archive)
        archive->Clear();
    stream = MnrSeriesStream();
    if (args.Has("view") && !chart.Model().SetView(view[0], view[1], view[2], view[3]))
        return CliError(kExitUsage,
                        "the view is refused: it needs XMIN < XMAX, YMIN < YMAX and a window of at "
                        "least 1e-10 of its largest coordinate");
    // The points go once drawn: the SVG generator's copy of its document is
    // the peak otherwise.
    if (!WriteChartPicture(chart, out, [&] { RemoveSeriesPlots(&chart, plots); }))
        return CliError(kExitFailure, "cannot write " + out);
    return kExitOk;
}
