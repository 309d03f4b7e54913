// Reading the instrument's archive memory into the archive.

#include "ReadArchive.h"

#include "Protocol.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using kx::kRecordsPerBlock;

constexpr int kBackupEvery = 250;
constexpr int kUiPositionLost = 196;

} // namespace

int ReadFromDevice(CInstrument* instrument, CArchiveData& archive, IDeviceUi& ui,
                   const ReadProgressFn& progress, bool forced) {
    if (!instrument) {
        ui.ShowMessage("No device connected.", 118);
        return 0;
    }
    // The backup's messages belong to the read.
    IReporter& reporter = archive.GetReporter();
    archive.SetReporter(&ui);
    struct RestoreReporter {
        CArchiveData& archive;
        IReporter& reporter;
        ~RestoreReporter() { archive.SetReporter(&reporter); }
    } restore{archive, reporter};

    archive.SetHeader(ArchiveHeader::Build(ArchiveHeader::kOriginDevice,
                                           static_cast<uint8_t>(instrument->GetKind()),
                                           static_cast<uint32_t>(instrument->GetSerialNumber())));
    archive.ResetBackupErrorReport();

    // The counts come from the instrument and are not trusted: computed in 64
    // bits and bounded by the largest memory an instrument has.
    uint32_t used32 = 0, available32 = 0;
    uint64_t used = 0, available = kMaxDeviceRecords;
    if (instrument->QueryArchiveStatus(used32, available32)) {
        used = used32;
        available = available32;
    } else {
        ui.ShowMessage("Failed to read device archive memory status.", 119);
        if (!forced)
            return 0;
    }
    if (forced)
        used += available;
    used = std::min<uint64_t>(used, kMaxDeviceRecords);
    available = std::min<uint64_t>(available, kMaxDeviceRecords);

    archive.Clear();
    if (used == 0) {
        if (!ui.Ask(IDeviceUi::Question::ReadEmptyMemory,
                    "Device archive memory is reported to be empty. Try to read anyway?", 134, 0))
            return 0;
        used = available;
    }

    const int total = static_cast<int>(used);
    const int blocks = static_cast<int>(used * 16 / 240 + 1);
    std::vector<ArchiveRecord> buffer(static_cast<size_t>(blocks) * kRecordsPerBlock);
    int read = 0;
    int backedUp = 0;
    instrument->SetReadPosition(0);
    for (int k = 0; k < blocks;) {
        if (!instrument->ReadBlock(buffer[static_cast<size_t>(read)].raw, ui)) {
            if (instrument->PositionLost()) {
                // Asking again could take the next block for this one.
                ui.ShowMessage("The instrument answered late: the read position is uncertain. Reading stops "
                               "here; the records read so far are kept.",
                               kUiPositionLost);
                break;
            }
            char text[64];
            std::snprintf(text, sizeof text, "Failed to read archive block #%d\nRetry?", k);
            if (ui.Ask(IDeviceUi::Question::RetryBlock, text, 0, k))
                continue;
            break;
        }
        bool end = false;
        for (int i = 0; i < kRecordsPerBlock; ++i) {
            if (!forced && buffer[static_cast<size_t>(read)].IsErased())
                end = true;
            ++read;
            if (read % kBackupEvery == 0) {
                archive.WriteBackup(buffer.data(), backedUp, read - backedUp);
                backedUp = read;
            }
        }
        ++k;
        if (progress && progress(read + 1, total) == 0)
            break;
        if (end)
            break;
    }
    archive.WriteBackup(buffer.data(), backedUp, read - backedUp);
    instrument->SetReadPosition(1000000);
    if (read == 0)
        return 0;
    buffer.resize(static_cast<size_t>(read));
    return archive.AssignRecords(std::move(buffer), false);
}
