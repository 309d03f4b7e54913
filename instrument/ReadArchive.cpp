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
    // The reasons follow kUiPartialRead in the order of ReadOutcome::End.
    const std::string reason = UIString(kUiPartialRead + static_cast<int>(outcome.end), language);
    char text[512];
    std::snprintf(text, sizeof text, UIString(kUiPartialRead, language).c_str(), outcome.block,
                  reason.c_str(), outcome.read, outcome.total);
    return text;
}

namespace {

// One read of the archive memory: the blocks, the records read so far and
// how the read ends.
class MemoryRead {
  public:
    MemoryRead(CInstrument& instrument, CArchiveData& archive, IDeviceUi& ui, const ReadProgressFn& progress,
               bool forced, ReadOutcome& done)
        : m_instrument(instrument), m_archive(archive), m_ui(ui), m_progress(progress), m_bForced(forced),
          m_done(done) {}

    // The records to read, from the status the instrument reports; false
    // when the read ends before it starts. Empties the archive.
    bool RecordsToRead(uint64_t& used);
    // Reads the blocks of used records, backing them up as they come.
    void ReadBlocks(uint64_t used);
    // Hands the records read to the archive; its record count, or 0.
    int Finish();

  private:
    enum class Step { Next, Again, Stop };
    // After a failed block: retry it or stop.
    Step OnFailedBlock(int k);
    // A block read: takes its records, or asks for it again when it repeats
    // the one before.
    Step OnBlock(ArchiveRecord* block, int& k, int blocks);
    void Stop(ReadOutcome::End end, int k) {
        m_done.end = end;
        m_done.block = k;
    }
    void SayTwice(int k);

    CInstrument& m_instrument;
    CArchiveData& m_archive;
    IDeviceUi& m_ui;
    const ReadProgressFn& m_progress;
    const bool m_bForced;
    ReadOutcome& m_done;
    std::vector<ArchiveRecord> m_buffer;
    int m_nRead = 0;
    int m_nBackedUp = 0;
    int m_nTotal = 0;
    // The block before came late, after a retry, or was a repeat: the
    // instrument may not have moved on, and this block may be that one again.
    bool m_bUnsure = false;
    bool m_bRetried = false; // this block needed a retry
    int m_nRepeats = 0;      // repeats of the block before, in a row
};

bool MemoryRead::RecordsToRead(uint64_t& used) {
    // The counts come from the instrument and are not trusted: computed in 64
    // bits and bounded by the largest memory an instrument has.
    uint32_t used32 = 0, available32 = 0;
    uint64_t available = kMaxDeviceRecords;
    used = 0;
    if (m_instrument.QueryArchiveStatus(used32, available32)) {
        used = used32;
        available = available32;
    } else {
        m_ui.ShowMessage("Failed to read device archive memory status.", 119);
        if (!m_bForced)
            return false;
    }
    if (m_bForced)
        used += available;
    used = std::min<uint64_t>(used, kMaxDeviceRecords);
    available = std::min<uint64_t>(available, kMaxDeviceRecords);

    m_archive.Clear();
    if (used == 0) {
        if (!m_ui.Ask(IDeviceUi::Question::ReadEmptyMemory,
                      "Device archive memory is reported to be empty. Try to read anyway?", 134, 0))
            return false;
        used = available;
    }
    return true;
}

void MemoryRead::SayTwice(int k) {
    char text[96];
    std::snprintf(text, sizeof text, "Block #%d came twice from the instrument; it is kept once.", k);
    m_ui.ShowBlockMessage(text, kUiBlockTwice, k);
    ++m_done.repeats;
}

MemoryRead::Step MemoryRead::OnFailedBlock(int k) {
    if (m_instrument.PositionLost()) {
        // Asking again could take the next block for this one.
        m_ui.ShowMessage("The instrument answered late: the read position is uncertain. Reading stops "
                         "here; the records read so far are kept.",
                         kUiPositionLost);
        Stop(ReadOutcome::End::PositionLost, k);
        return Step::Stop;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Failed to read archive block #%d\nRetry?", k);
    if (m_ui.Ask(IDeviceUi::Question::RetryBlock, text, 0, k)) {
        m_bRetried = true;
        return Step::Again;
    }
    Stop(ReadOutcome::End::BlockFailed, k);
    return Step::Stop;
}

MemoryRead::Step MemoryRead::OnBlock(ArchiveRecord* block, int& k, int blocks) {
    const bool repeatTaken = m_instrument.RepeatTaken();
    if (m_bUnsure && m_nRead >= kRecordsPerBlock && ValidBlock(block) &&
        std::memcmp(block, block - kRecordsPerBlock, sizeof(ArchiveRecord) * kRecordsPerBlock) == 0) {
        // The block before, sent again: taken once; this block is asked
        // for again, unless the instrument seems stuck on that one.
        SayTwice(k - 1);
        if (++m_nRepeats > 1) {
            Stop(ReadOutcome::End::Repeating, k);
            return Step::Stop;
        }
        return Step::Again;
    }
    if (repeatTaken)
        SayTwice(k);
    m_bUnsure = m_bRetried || repeatTaken || m_nRepeats > 0;
    m_bRetried = false;
    m_nRepeats = 0;
    bool end = false;
    for (int i = 0; i < kRecordsPerBlock; ++i) {
        if (!m_bForced && m_buffer[static_cast<size_t>(m_nRead)].IsErased())
            end = true;
        ++m_nRead;
        if (m_nRead % kBackupEvery == 0) {
            m_archive.WriteBackup(m_buffer.data(), m_nBackedUp, m_nRead - m_nBackedUp);
            m_nBackedUp = m_nRead;
        }
    }
    ++k;
    if (m_progress && m_progress(m_nRead + 1, m_nTotal) == 0) {
        if (!end && k < blocks)
            Stop(ReadOutcome::End::Stopped, k);
        return Step::Stop;
    }
    return end ? Step::Stop : Step::Next;
}

void MemoryRead::ReadBlocks(uint64_t used) {
    m_nTotal = static_cast<int>(used);
    const int blocks = static_cast<int>(used * 16 / 240 + 1);
    m_buffer.resize(static_cast<size_t>(blocks) * kRecordsPerBlock);
    m_done.total = m_nTotal;
    m_instrument.SetReadPosition(0);
    for (int k = 0; k < blocks;) {
        ArchiveRecord* block = &m_buffer[static_cast<size_t>(m_nRead)];
        const Step step =
            m_instrument.ReadBlock(block->raw, m_ui) ? OnBlock(block, k, blocks) : OnFailedBlock(k);
        if (step == Step::Stop)
            break;
    }
    m_done.read = m_nRead;
    m_archive.WriteBackup(m_buffer.data(), m_nBackedUp, m_nRead - m_nBackedUp);
    m_instrument.SetReadPosition(1000000);
}

int MemoryRead::Finish() {
    if (m_nRead == 0)
        return 0;
    m_buffer.resize(static_cast<size_t>(m_nRead));
    return m_archive.AssignRecords(std::move(m_buffer), false);
}

} // namespace

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

    MemoryRead read(*instrument, archive, ui, progress, forced, done);
    uint64_t used = 0;
    if (!read.RecordsToRead(used))
        return 0;
    read.ReadBlocks(used);
    return read.Finish();
}
