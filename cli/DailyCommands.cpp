// tervik-cli calendar and profile: the calendar of daily means and the
// profiles by hour of the day and day of the week of one series, written as
// a picture. Run without a display.

#include "CliCommon.h"
#include "Commands.h"

#include "Captions.h"
#include "DailyPictures.h"
#include "DialogUnits.h"
#include "HeadlessGui.h"
#include "LCPicture.h"
#include "ResultCommands.h"
#include "StringTable.h"

#include <algorithm>
#include <vector>

namespace {

// What both commands read: the points' daily figures and how to draw them.
struct DailyRequest {
    DailyProfiles data;
    DailyPictureOptions picture;
    std::string out;
    int width = 0, height = 0; // 0: the command's default
    int scale = 1;
};

int ReadDailyRequest(const char* command, const std::vector<std::string>& argv, DailyRequest& r) {
    CliArgs args;
    std::vector<std::string> values = kCurveValueOptions;
    values.insert(values.end(),
                  {"series", "format", "size", "output", "scale", "limit", "lang", kTimeBaseOption});
    values.insert(values.end(), kResultValueOptions.begin(), kResultValueOptions.end());
    if (!args.Parse(argv, values, kCurveFlagOptions, {{"view", 2}}))
        return CliError(kExitUsage, args.Error());
    if (args.Positional().size() != 1)
        return CliError(kExitUsage,
                        args.Positional().empty() ? "a FILE is required" : "only one FILE is taken");
    if (const int rc = ApplyTimeBaseOption(args))
        return rc;
    r.out = args.Get("output");
    if (r.out.empty())
        return CliError(kExitUsage, std::string(command) + " needs -o OUT");
    if (!IsChartPictureName(r.out))
        return CliError(kExitUsage, "-o OUT takes a .png, .jpg, .bmp, .gif, .emf, .svg or .pdf name");
    const std::string lang = args.Get("lang", GetUILanguage() == 1 ? "ru" : "en");
    if (lang != "en" && lang != "ru")
        return CliError(kExitUsage, "--lang takes en or ru");
    r.picture.language = lang == "ru" ? 1 : 0;
    ReportOptions request;
    std::string error;
    if (!ReadIntervalOptions(args, request.intervals, error))
        return CliError(kExitUsage, error);
    if (const int rc = ReadPictureSize(args, r.width, r.height, r.scale))
        return rc;
    TervikDocument document;
    if (const int rc = LoadArchiveFile(args.Positional()[0], args.Get("format"), document))
        return rc;
    const CArchiveData& archive = *document.Archive();
    // A preset is compared with the daily means in the series' unit; one
    // whose unit is not known is said on stderr and draws no limit.
    LimitCheck limit;
    if (const int rc = ReadSeriesAndCurveOptions(args, archive, request.series, request.curve))
        return rc;
    if (!ReadResultOptions(args, archive.GetKind(), request, limit, error))
        return CliError(kExitUsage, error);
    r.picture.haveLimit = limit.active;
    r.picture.limit = limit.value;
    r.picture.yCaption = ChartYCaption(archive.GetKind(), r.picture.language);
    const IntervalOptions& io = request.intervals;
    if (!ComputeDailyProfiles(*archive.GetSeries(request.series), request.curve, io.minShare, io.xmin,
                              io.xmax, r.data))
        return CliError(kExitFailure,
                        r.data.error.empty() ? "the series has no points to show" : r.data.error);
    return kExitOk;
}

int Draw(DailyRequest& r, int defaultHeight,
         void (*paint)(IGdiDC&, int, int, const DailyProfiles&, const DailyPictureOptions&)) {
    const auto app = StartHeadlessGui();
    if (r.width == 0) {
        const PixelSize s = ChartPlaceholderSize();
        r.width = s.cx;
        r.height = std::max(s.cy, defaultHeight);
    }
    r.picture.pixelRatio = r.scale;
    const int cx = r.width * r.scale, cy = r.height * r.scale;
    if (!WritePicture([&](IGdiDC& dc) { paint(dc, cx, cy, r.data, r.picture); }, cx, cy, r.scale, r.out))
        return CliError(kExitFailure, "cannot write " + r.out);
    return kExitOk;
}

} // namespace

int CliCalendar(const std::vector<std::string>& argv) {
    DailyRequest r;
    if (const int rc = ReadDailyRequest("calendar", argv, r))
        return rc;
    // Rows of four months below the title, as on the report's page.
    const int rows = (CalendarMonths(r.data) + 3) / 4;
    return Draw(r, rows > 1 ? 60 + rows * 180 : 0, PaintCalendar);
}

int CliProfile(const std::vector<std::string>& argv) {
    DailyRequest r;
    if (const int rc = ReadDailyRequest("profile", argv, r))
        return rc;
    return Draw(r, 0, PaintProfiles);
}
