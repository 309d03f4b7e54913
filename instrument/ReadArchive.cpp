// Reading the instrument's archive memory into the archive.

#include "ReadArchive.h"

#include "Protocol.h"
#include "StringTable.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using kx::kRecordsPerBlock;

constexpr int kBackupEvery = 250;
constexpr int kUiPositionLost = 196;
constexpr int kUiPartialRead = 480; // then the reasons, in the order of ReadOutcome::End
constexpr int kUiBlockTwice = 485;

// Whether the block's records are all valid: erased or empty memory repeats
// legitimately, measured cycles never do.
bool ValidBlock(const ArchiveRecord* block) {
    for (int i = 0; i < kRecordsPerBlock; ++i)
        if (block[i].IsErased() || !block[i].IsValid())
            return false;
    return true;
}

} // namespace

std::string PartialReadText(const ReadOutcome& outcome, int language, int* uiOffset) {
    if (uiOffset)
        *uiOffset = outcome.Partial() ? kUiPartialRead : 0;
    if (!outcome.Partial())
        return {};
    const std::string reason = UIString(kUiPartialRead + static_cast<int>(outcome.end), language);
    char text[512];
    std::snprintf(text, sizeof text, UIString(kUiPartialRead, language).c_str(), outcome.block,
                  reason.c_str(), outcome.read, outcome.total);
    return text;
}

int ReadFromDevice(CInstrument* instrument, CArchiveData& archive, IDeviceUi& ui,
                   const ReadProgressFn& progress, bool forced, ReadOutcome* outcome) {
    ReadOutcome done;
    struct SetOutcome {
        ReadOutcome& done;
        ReadOutcome* outcome;
        ~SetOutcome() {
            if (outcome)
                *outcome = done;
        }
    } setOutcome{done, outcome};
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
    // The block before came late, after a retry, or was a repeat: the
    // instrument may not have moved on, and this block may be that one again.
    bool unsure = false;
    bool retried = false; // this block needed a retry
    int repeats = 0;      // repeats of the block before, in a row
    done.total = total;
    const auto stop = [&](ReadOutcome::End end, int k) {
        done.end = end;
        done.block = k;
    };
    const auto sayTwice = [&](int k) {
        char text[96];
        std::snprintf(text, sizeof text, "Block #%d came twice from the instrument; it is kept once.", k);
        ui.ShowBlockMessage(text, kUiBlockTwice, k);
        ++done.repeats;
    };
    instrument->SetReadPosition(0);
    for (int k = 0; k < blocks;) {
        ArchiveRecord* block = &buffer[static_cast<size_t>(read)];
        if (!instrument->ReadBlock(block->raw, ui)) {
            if (instrument->PositionLost()) {
                // Asking again could take the next block for this one.
                ui.ShowMessage("The instrument answered late: the read position is uncertain. Reading stops "
                               "here; the records read so far are kept.",
                               kUiPositionLost);
                stop(ReadOutcome::End::PositionLost, k);
                break;
            }
            char text[64];
            std::snprintf(text, sizeof text, "Failed to read archive block #%d\nRetry?", k);
            if (ui.Ask(IDeviceUi::Question::RetryBlock, text, 0, k)) {
                retried = true;
                continue;
            }
            stop(ReadOutcome::End::BlockFailed, k);
            break;
        }
        const bool repeatTaken = instrument->RepeatTaken();
        if (unsure && read >= kRecordsPerBlock && ValidBlock(block) &&
            std::memcmp(block, block - kRecordsPerBlock, sizeof(ArchiveRecord) * kRecordsPerBlock) == 0) {
            // The block before, sent again: taken once; this block is asked
            // for again, unless the instrument seems stuck on that one.
            sayTwice(k - 1);
            if (++repeats > 1) {
                stop(ReadOutcome::End::Repeating, k);
                break;
            }
            continue;
        }
        if (repeatTaken)
            sayTwice(k);
        unsure = retried || repeatTaken || repeats > 0;
        retried = false;
        repeats = 0;
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
        if (progress && progress(read + 1, total) == 0) {
            if (!end && k < blocks)
                stop(ReadOutcome::End::Stopped, k);
            break;
        }
        if (end)
            break;
    }
    done.read = read;
    archive.WriteBackup(buffer.data(), backedUp, read - backedUp);
    instrument->SetReadPosition(1000000);
    if (read == 0)
        return 0;
    buffer.resize(static_cast<size_t>(read));
    return archive.AssignRecords(std::move(buffer), false);
}
