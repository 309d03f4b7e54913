#include "ExportFile.h"

#include "AtomicFile.h"
#include "NativePath.h"
#include "OpenairCsv.h"
#include "SeriesFormat.h"
#include "UiText.h"

#ifdef TERVIK_HAVE_XLSX
#include "SeriesWorkbook.h"
#endif

#include <cctype>
#include <cerrno>

namespace {

enum class ExportType { Table = 1, Csv, Openair, Workbook };

ExportType TypeOf(const std::string& path, int filter) {
    std::string ext = Utf8FromPath(PathFromUtf8(path).extension());
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".txt")
        return ExportType::Table;
#ifdef TERVIK_HAVE_XLSX
    if (ext == ".xlsx")
        return ExportType::Workbook;
#endif
    if (filter == static_cast<int>(ExportType::Openair))
        return ExportType::Openair;
    if (ext == ".csv" || filter == static_cast<int>(ExportType::Csv))
        return ExportType::Csv;
#ifdef TERVIK_HAVE_XLSX
    if (filter == static_cast<int>(ExportType::Workbook))
        return ExportType::Workbook;
#endif
    return ExportType::Table;
}

} // namespace

QList<IPrompts::Filter> ExportFilters() {
    QList<IPrompts::Filter> filters = {
        {UI(kUiTextFilesTxt), "*.txt"}, {UI(kUiCsvFilesCsv), "*.csv"}, {UI(kUiOpenairCsvFiles), "*.csv"}};
#ifdef TERVIK_HAVE_XLSX
    filters.push_back({UI(kUiExcelWorkbooksXlsx), "*.xlsx"});
#endif
    return filters;
}

bool WriteExportFile(const TervikDocument& document, int index, const CurveOptions& options, int language,
                     const std::string& path, int filter, int& error) {
    const CArchiveData& archive = *document.Archive();
    const SeriesInfo& series = *archive.GetSeries(index);
    const ExportType type = TypeOf(path, filter);
    // Written aside and moved into place, so a failed write leaves any
    // earlier file as it was.
    AtomicFile file(path);
    bool ok = file.Open();
    if (ok && type == ExportType::Workbook) {
#ifdef TERVIK_HAVE_XLSX
        ReportOptions request;
        request.series = index;
        request.curve = options;
        request.language = language;
        SeriesWorkbookResult result;
        ok = WriteSeriesWorkbook(archive, document.Provenance(), request, file.Stream(), result);
#else
        (void)language;
#endif
    } else if (ok) {
        const std::string text = type == ExportType::Csv       ? ExportCsv(series, options)
                                 : type == ExportType::Openair ? OpenairCsv(series, options)
                                                               : ExportTable(series, options);
        ok = file.Write(text);
    }
    const int writeError = ok ? 0 : errno;
    ok = ok && file.Commit();
    error = file.Error() != 0 ? file.Error() : (ok ? 0 : (writeError != 0 ? writeError : EIO));
    return ok;
}
