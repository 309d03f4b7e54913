#pragma once

// Reading the instrument's archive memory into an archive.

#include "ArchiveData.h"
#include "Instrument.h"

#include <functional>
#include <string>

// Progress of a read: (records read + 1, records to read); returns non-zero
// to go on, 0 to stop.
using ReadProgressFn = std::function<int(int done, int total)>;

// How a read ended. A read that stopped before its last block, other than at
// the erased records that end the data, is partial.
struct ReadOutcome {
    enum class End {
        Complete,
        Stopped,      // the user stopped it
        BlockFailed,  // a block failed and was not retried
        PositionLost, // a late reply left the read position uncertain
        Repeating,    // the instrument sent the same block again and again
    };
    End end = End::Complete;
    int block = 0;   // the block a partial read stopped at
    int read = 0;    // records read, erased and invalid ones included
    int total = 0;   // records to read, as the status reported them (bounded)
    int repeats = 0; // blocks that came twice and were taken once

    bool Partial() const { return end != End::Complete; }
};

// The English text of a partial read, and its interface string (a format of
// block, reason, records read and records to read); offset 0 when complete.
std::string PartialReadText(const ReadOutcome& outcome, int language, int* uiOffset = nullptr);

// Reads the whole archive memory of instrument (null: none connected) into
// archive: its header is set to the instrument's, its records and series are
// replaced by the valid ones read, each series unsaved, and every 250 records
// go to its backup file as they come. Messages and questions, the backup's
// included, go to ui; progress may be empty. forced reads the whole memory
// whatever the instrument reports in use. A block of valid records equal to
// the one before it, right after a late or retried reply, is a repeat of that
// block: it is taken once and said so. How the read ended goes to outcome
// when given. The archive's record count, or 0.
int ReadFromDevice(CInstrument* instrument, CArchiveData& archive, IDeviceUi& ui,
                   const ReadProgressFn& progress, bool forced, ReadOutcome* outcome = nullptr);
