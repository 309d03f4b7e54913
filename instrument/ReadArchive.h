#pragma once

// Reading the instrument's archive memory into an archive.

#include "ArchiveData.h"
#include "Instrument.h"

#include <functional>

// Progress of a read: (records read + 1, records to read); returns non-zero
// to go on, 0 to stop.
using ReadProgressFn = std::function<int(int done, int total)>;

// Reads the whole archive memory of instrument (null: none connected) into
// archive: its header is set to the instrument's, its records and series are
// replaced by the valid ones read, each series unsaved, and every 250 records
// go to its backup file as they come. Messages and questions, the backup's
// included, go to ui; progress may be empty. forced reads the whole memory
// whatever the instrument reports in use. The archive's record count, or 0.
int ReadFromDevice(CInstrument* instrument, CArchiveData& archive, IDeviceUi& ui,
                   const ReadProgressFn& progress, bool forced);
