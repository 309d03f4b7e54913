#include "OpenairCsv.h"

#include "ChunkedText.h"
#include "CurvePoints.h"
#include "ExportClock.h"
#include "NumText.h"

#include <cmath>
#include <cstdint>

namespace {

template <class LineDone>
void BuildOpenairCsv(const SeriesInfo& series, const CurveOptions& options, TextBlock& out,
                     LineDone&& lineDone) {
    out.Append("date,hg\n");
    ExportIsoTime iso;
    series.ForEachCurvePoint(options.filter ? CF_SKIP_BAD : 0, options.zeroCorrection, options.stdTemp,
                             options.stdPres,
                             [&](int, const ArchiveRecord& r, double t, double result, double, double) {
                                 if (r.IsZero())
                                     return;
                                 char* p = iso.Put(out.End(), static_cast<int64_t>(t));
                                 *p++ = ',';
                                 if (std::isfinite(result))
                                     p = WriteShortest(p, result);
                                 *p++ = '\n';
                                 lineDone(p);
                             });
}

} // namespace

std::string OpenairCsv(const SeriesInfo& series, const CurveOptions& options) {
    return BlockText(
        256, [&](TextBlock& out, auto&& lineDone) { BuildOpenairCsv(series, options, out, lineDone); });
}

bool WriteOpenairCsv(const SeriesInfo& series, const CurveOptions& options, std::FILE* file) {
    return WriteBlockText(
        file, 256, [&](TextBlock& out, auto&& lineDone) { BuildOpenairCsv(series, options, out, lineDone); });
}
