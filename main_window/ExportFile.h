#pragma once

// The Export button's file types and the writer of each: the text table,
// the CSV of the command-line export, the CSV for openair and, where the
// build has the writer, the Excel workbook.

#include "Prompts.h"
#include "TervikDocument.h"

#include <QList>
#include <QString>

QList<IPrompts::Filter> ExportFilters();

// Writes the export of the document's series index to path (a local file
// name) in the type of its extension (.txt, .xlsx) or else of the filter
// chosen (1-based, in ExportFilters' order); on failure the errno behind it.
bool WriteExportFile(const TervikDocument& document, int index, const CurveOptions& options, int language,
                     const std::string& path, int filter, int& error);
