#pragma once

// Synthetic monitoring data for the samples, tests and benchmarks.

#include "ArchiveRecord.h"

#include <cstdint>
#include <string>
#include <vector>

struct GenOptions {
    int series = 3;             // series count
    int recordsPerSeries = 600; // cycles per series
    int cycleSeconds = 300;     // time between cycles
    int zeroEvery = 10;         // every N-th cycle is a zero control; 0: only the first
    int badEvery = 97;          // every N-th measurement is marked bad; 0: none
    int year = 2011, month = 6, day = 3, hour = 9, minute = 5, second = 30;
    int gapSeconds = 3600; // pause between series
    uint32_t seed = 12345;
};

// Records of a realistic archive: a mercury background with daily variation
// and a few peaks, a drifting zero baseline, ambient temperature and pressure.
std::vector<ArchiveRecord> GenerateRecords(const GenOptions& options);

// Writes an *.mnr file of the header and the records.
bool WriteMnrFile(const std::string& path, const ArchiveHeader& header,
                  const std::vector<ArchiveRecord>& records);
