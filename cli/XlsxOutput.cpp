#include "XlsxOutput.h"

#include "CliCommon.h"
#include "NativePath.h"

#ifdef TERVIK_HAVE_XLSX
#include "SeriesWorkbook.h"
#endif

#include <cctype>

bool IsXlsxPath(const std::string& path) {
    std::string ext = Utf8FromPath(PathFromUtf8(path).extension());
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".xlsx";
}

#ifdef TERVIK_HAVE_XLSX

int WriteWorkbookFile(const TervikDocument& document, const ReportOptions& options, const std::string& path,
                      bool intervalsRequired) {
    OutputFile out(path);
    if (!out.Open())
        return CliError(kExitFailure, "cannot create " + out.Name());
    SeriesWorkbookResult result;
    if (!WriteSeriesWorkbook(*document.Archive(), document.Provenance(), options, out.Get(), result)) {
        return CliError(kExitFailure, "cannot write " + out.Name() + ": " + result.error);
    }
    if (intervalsRequired && !result.intervalsError.empty())
        return CliError(kExitFailure, result.intervalsError);
    if (!out.Commit()) {
        const std::string reason = out.Reason(0);
        return CliError(kExitFailure, "cannot write " + out.Name() + (reason.empty() ? "" : ": " + reason));
    }
    return kExitOk;
}

#else

int WriteWorkbookFile(const TervikDocument&, const ReportOptions&, const std::string& path, bool) {
    return CliError(kExitUsage, "cannot write " + path + ": this build of tervik-cli has no .xlsx writer");
}

#endif
