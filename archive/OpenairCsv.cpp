#include "OpenairCsv.h"

#include "ChunkedText.h"
#include "CurvePoints.h"
#include "ExportClock.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace {

template <class Flush>
void BuildOpenairCsv(const SeriesInfo& series, const CurveOptions& options, std::string& out, size_t chunk,
                     Flush&& flush) {
    out.append("date,hg\n");
    ExportClock clock;
    char buf[128];
    series.ForEachCurvePoint(
        options.filter ? CF_SKIP_BAD : 0, options.zeroCorrection, options.stdTemp, options.stdPres,
        [&](int, const ArchiveRecord& r, double t, double result, double, double) {
            if (r.IsZero())
                return;
            const ExportClockTime c = clock.At(static_cast<int64_t>(t));
            const LocalFields& f = c.local;
            const int64_t a = c.offset < 0 ? -c.offset : c.offset;
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d,", f.year, f.month,
                          f.day, f.hour, f.minute, f.second, c.offset < 0 ? '-' : '+',
                          static_cast<int>(a / 3600), static_cast<int>(a / 60 % 60));
            out.append(buf);
            if (std::isfinite(result))
                out.append(buf, std::to_chars(buf, buf + sizeof buf, result).ptr);
            out.push_back('\n');
            if (out.size() >= chunk) {
                flush(out);
                out.clear();
            }
        });
    if (!out.empty())
        flush(out);
}

} // namespace

std::string OpenairCsv(const SeriesInfo& series, const CurveOptions& options) {
    return ChunkedText([&](std::string& out, size_t chunk, auto&& flush) {
        BuildOpenairCsv(series, options, out, chunk, flush);
    });
}

bool WriteOpenairCsv(const SeriesInfo& series, const CurveOptions& options, std::FILE* file) {
    return WriteChunkedText(file, 256, [&](std::string& out, size_t chunk, auto&& flush) {
        BuildOpenairCsv(series, options, out, chunk, flush);
    });
}
