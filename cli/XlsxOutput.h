#pragma once

#include "ReportOptions.h"
#include "TervikDocument.h"

#include <string>

// Whether path names an Excel workbook (.xlsx, any case).
bool IsXlsxPath(const std::string& path);

// Writes the workbook of the document's series options.series to path (see
// SeriesWorkbook.h); returns the exit code after printing why it failed.
// With intervalsRequired, intervals that cannot be computed fail the command
// as they do for the text table.
int WriteWorkbookFile(const TervikDocument& document, const ReportOptions& options, const std::string& path,
                      bool intervalsRequired);
