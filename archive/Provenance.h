#pragma once

// How the archive in memory reached this run. The archive header's origin
// byte says where its data first came from; this says how they were loaded
// (a file opened, dropped or named on the command line, or a read from an
// instrument in this run). Filled by whoever calls the loaders; never stored
// in a file.

#include <cstdint>
#include <string>

struct ArchiveFormat;

struct DataProvenance {
    enum class Way : uint8_t {
        None,        // not known (an archive built in memory)
        File,        // the File button, or a file named to tervik-cli
        Orlo2File,   // the File (Orlo2) button
        CommandLine, // the path given to tervik at start
        Drop,        // a file dropped on the main window
        DeviceRead,  // read from an instrument in this run
        Campaign,    // files merged into one (CampaignMerge.h); path is the first
    };
    Way way = Way::None;
    std::string path;                      // the file, UTF-8 as the user named it; empty for a device read
    const ArchiveFormat* format = nullptr; // the file's reader (ArchiveFormats.h); null for a device read
    // A device read: the instrument as listed, its serial number, and when
    // the read started (seconds since 1970).
    std::string instrument;
    uint32_t deviceNumber = 0;
    double readTime = 0;
    bool partialRead = false; // the read stopped before its last block
    // A campaign: its file count, and its earliest and latest record time.
    int campaignFiles = 0;
    double campaignFirst = 0, campaignLast = 0;

    static DataProvenance FromFile(Way way, std::string path) {
        DataProvenance p;
        p.way = way;
        p.path = std::move(path);
        return p;
    }
};
