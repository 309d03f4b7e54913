#pragma once

// Texts built from the archive for captions and reports: the value axis
// caption, where the data came from, and the corrections of the results.
// Qt-free, so the command line prints the same texts as the window.

#include "ArchiveRecord.h"
#include "Provenance.h"
#include "SeriesFormat.h"

#include <string>
#include <utility>
#include <vector>

// The value axis caption for an instrument kind: "<stem>, <unit>", in the
// interface language of this run, or in the given one (0 English, 1 Russian).
std::string ChartYCaption(int kind);
std::string ChartYCaption(int kind, int language);

// How the data reached this run and, unless that says it already, where
// they first came from by the header's origin byte:
// "file demo.mnr; data read from instrument no. 1207".
std::string ProvenanceText(const DataProvenance& provenance, const ArchiveHeader& header, int language);

// The corrections that produce the results of options, as (name, value)
// lines: with zero correction off the results are raw whatever the standard
// conditions say, and one line says so; the filter's state comes last.
std::vector<std::pair<std::string, std::string>> CorrectionLines(const CurveOptions& options, int language);
// The same lines in one: "name: value; name: value".
std::string CorrectionsText(const CurveOptions& options, int language);
