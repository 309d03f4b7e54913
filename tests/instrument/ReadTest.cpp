// Reading the archive memory from the in-process simulated instrument.

#include "ArchiveData.h"
#include "ArchiveGen.h"
#include "TestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <thread>

namespace {

class ReadTest : public ArchiveReadFixture {
  protected:
    ReadTest() : ArchiveReadFixture(100) {}

    // Connects to a simulator holding memory, as the dialog does.
    std::shared_ptr<CKx208mSim> Connect(SimConfig config, std::vector<ArchiveRecord> memory) {
        auto sim = std::make_shared<CKx208mSim>(std::move(config), std::move(memory));
        devices.Sources().AddSimulated(sim);
        EXPECT_EQ(devices.Enumerate(), 1);
        CInstrument* inst = devices.Connect(0);
        EXPECT_NE(inst, nullptr);
        if (inst) {
            EXPECT_EQ(inst->QueryVersion(), 1);
            EXPECT_EQ(inst->QuerySerialNumber(), 1);
            EXPECT_EQ(inst->QueryKind(), 1);
        }
        return sim;
    }

    static std::vector<ArchiveRecord> Generated(int count) {
        GenOptions o;
        o.series = 3;
        o.recordsPerSeries = (count + 2) / 3;
        std::vector<ArchiveRecord> r = GenerateRecords(o);
        r.resize(static_cast<size_t>(count));
        return r;
    }
};

TEST_F(ReadTest, CleanReadEqualsTheMemory) {
    const auto memory = Generated(400);
    SimConfig c;
    c.serialNumber = 777;
    c.kind = 2;
    auto sim = Connect(c, memory);
    ASSERT_EQ(Read(), 400);
    EXPECT_TRUE(SameRecords(archive.GetRecords(), memory, 400));
    EXPECT_EQ(archive.GetSeriesCount(), 3);
    for (int i = 0; i < archive.GetSeriesCount(); ++i)
        EXPECT_EQ(archive.GetSeries(i)->saved, 0);
    EXPECT_EQ(archive.GetOrigin(), 0x20);
    EXPECT_EQ(archive.GetKind(), 2);
    EXPECT_EQ(archive.GetHeader().GetDeviceNumber(), 777u);
    // 400 records: 27 blocks (405 records), the last ending in erased ones.
    EXPECT_EQ(sim->BlockRequests(), 27);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), std::make_pair(406, 400));
    // The backup holds every record read, erased ones of the last block too.
    const auto backup = ReadMnrRecords(archive.GetBackupPath());
    ASSERT_EQ(backup.size(), 405u);
    EXPECT_TRUE(SameRecords(backup, memory, 400));
    EXPECT_TRUE(backup[404].IsErased());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.questions.empty());
}

// Each connection has its own link and buffers: two instruments open at once
// are read side by side, each into its own archive.
TEST_F(ReadTest, TwoInstrumentsAreReadAtOnce) {
    SimConfig c;
    c.baud = 115200; // about 21 ms a block, so the reads overlap
    c.serialNumber = 11;
    const auto memory = Generated(150);
    Connect(c, memory);
    CDeviceList second;
    second.Sources().SetHardwareScan(false);
    second.Connection().PortSetTimeouts(100, 100);
    SimConfig c2 = c;
    c2.serialNumber = 22;
    const auto memory2 = Generated(300);
    second.Sources().AddSimulated(std::make_shared<CKx208mSim>(c2, memory2));
    ASSERT_EQ(second.Enumerate(), 1);
    CInstrument* inst2 = second.Connect(0);
    ASSERT_NE(inst2, nullptr);
    ASSERT_EQ(inst2->QueryVersion(), 1);
    ASSERT_EQ(inst2->QuerySerialNumber(), 1);
    ASSERT_NE(devices.GetCurrent(), nullptr); // still open

    CArchiveData archive2;
    archive2.SetBackupPath(dir + "/second_backup.mnr");
    RecordingUi ui2;
    int read2 = 0;
    std::thread other([&] { read2 = ReadFromDevice(inst2, archive2, ui2, nullptr, false); });
    const int read1 = Read();
    other.join();
    ASSERT_EQ(read1, 150);
    ASSERT_EQ(read2, 300);
    EXPECT_TRUE(SameRecords(archive.GetRecords(), memory));
    EXPECT_TRUE(SameRecords(archive2.GetRecords(), memory2));
    EXPECT_EQ(archive.GetHeader().GetDeviceNumber(), 11u);
    EXPECT_EQ(archive2.GetHeader().GetDeviceNumber(), 22u);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui2.messages.empty());
}

TEST_F(ReadTest, ThreeHundredUsedReadsTwentyOneBlocks) {
    SimConfig c;
    c.statusUsed = 300;
    auto sim = Connect(c, Generated(600));
    // 300 × 16 / 240 + 1 = 21 blocks, 315 records.
    ASSERT_EQ(Read(), 315);
    EXPECT_EQ(sim->BlockRequests(), 21);
    ASSERT_EQ(progress.size(), 21u);
    EXPECT_EQ(progress.front(), std::make_pair(16, 300));
    EXPECT_EQ(progress.back(), std::make_pair(316, 300));
    EXPECT_EQ(ReadMnrRecords(archive.GetBackupPath()).size(), 315u);
}

TEST_F(ReadTest, ErasedRecordEndsTheReadUnlessForced) {
    SimConfig c;
    c.statusUsed = 300;
    c.statusAvailable = 0;
    auto sim = Connect(c, Generated(100));
    // Record 100 is erased and lies in block 6 (records 90..104).
    ASSERT_EQ(Read(), 100);
    EXPECT_EQ(sim->BlockRequests(), 7);

    auto forcedSim = std::make_shared<CKx208mSim>(c, Generated(100));
    devices.Sources().AddSimulated(forcedSim);
    ASSERT_EQ(devices.Enumerate(), 2);
    ASSERT_NE(devices.Connect(1), nullptr);
    ASSERT_EQ(Read(true), 100);
    EXPECT_EQ(forcedSim->BlockRequests(), 21);
}

TEST_F(ReadTest, CorruptedBlockRetriedSuccessfully) {
    const auto memory = Generated(200);
    SimConfig c;
    SimFault f;
    f.kind = SimFault::BadChecksum;
    f.block = 3;
    c.faults = {f};
    Connect(c, memory);
    ui.answers = {true};
    ASSERT_EQ(Read(), 200);
    EXPECT_TRUE(SameRecords(archive.GetRecords(), memory, 200));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"KX_ERR_CS"});
    EXPECT_EQ(ui.questions, std::vector<std::string>{"Failed to read archive block #3\nRetry?"});
}

TEST_F(ReadTest, OtherReplyFaultsAreRetried) {
    const auto memory = Generated(120);
    SimConfig c;
    for (auto kind : {SimFault::BadEcho, SimFault::Garbage, SimFault::ShortReply}) {
        SimFault f;
        f.kind = kind;
        f.block = 2;
        c.faults.push_back(f);
    }
    Connect(c, memory);
    ui.answers = {true, true, true};
    ASSERT_EQ(Read(), 120);
    EXPECT_TRUE(SameRecords(archive.GetRecords(), memory, 120));
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"KX_ERR_TO", "KX_ERR_MARKER1", "KX_ERR_MARKER1"}));
    EXPECT_EQ(ui.questionBlocks, (std::vector<int>{2, 2, 2}));
}

TEST_F(ReadTest, SilentBlockDeclinedKeepsEarlierBlocks) {
    const auto memory = Generated(500);
    SimConfig c;
    SimFault f;
    f.kind = SimFault::NoReply;
    f.block = 7;
    f.times = 0;
    c.faults = {f};
    Connect(c, memory);
    ui.answers = {false};
    ASSERT_EQ(Read(), 105); // blocks 0..6
    EXPECT_TRUE(SameRecords(archive.GetRecords(), memory, 105));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"KX_ERR_TO"});
    EXPECT_EQ(ui.questions, std::vector<std::string>{"Failed to read archive block #7\nRetry?"});
    const auto backup = ReadMnrRecords(archive.GetBackupPath());
    ASSERT_EQ(backup.size(), 105u);
    EXPECT_TRUE(SameRecords(backup, memory, 105));
    // Where and why it stopped, of how many records the status reported.
    EXPECT_EQ(outcome.end, ReadOutcome::End::BlockFailed);
    EXPECT_EQ(PartialReadText(outcome, 0),
              "Incomplete read: stopped at block #7 (the block failed), 105 of 500 records read");
}

// After a retried block the instrument stays on it: the next request brings
// it again. It is taken once, and said so.
TEST_F(ReadTest, RepeatAfterARetryIsTakenOnce) {
    const auto memory = Generated(200);
    SimConfig c;
    SimFault corrupt;
    corrupt.kind = SimFault::BadChecksum;
    corrupt.block = 3;
    SimFault stay = corrupt;
    stay.kind = SimFault::Repeat;
    c.faults = {corrupt, stay};
    Connect(c, memory);
    ui.answers = {true};
    ASSERT_EQ(Read(), 200);
    EXPECT_TRUE(SameRecords(archive.GetRecords(), memory));
    EXPECT_EQ(ui.messages, (std::vector<std::string>{
                               "KX_ERR_CS", "Block #3 came twice from the instrument; it is kept once."}));
    EXPECT_FALSE(outcome.Partial());
    EXPECT_EQ(outcome.repeats, 1);
    EXPECT_TRUE(SameRecords(ReadMnrRecords(archive.GetBackupPath()), memory, 200));

    // An instrument that never moves on again: the read stops there, each
    // record kept once.
    devices.CloseCurrent();
    devices.Sources().Clear();
    c.faults[1].times = 0;
    Connect(c, memory);
    ui.messages.clear();
    ui.answers = {true};
    ASSERT_EQ(Read(), 60);
    EXPECT_TRUE(SameRecords(archive.GetRecords(), memory, 60));
    EXPECT_EQ(outcome.end, ReadOutcome::End::Repeating);
    EXPECT_EQ(outcome.block, 4);
    EXPECT_EQ(ReadMnrRecords(archive.GetBackupPath()).size(), 60u);
}

TEST_F(ReadTest, StopKeepsWhatWasRead) {
    Connect({}, Generated(300));
    stopAt = 3;
    ASSERT_EQ(Read(), 45);
    EXPECT_EQ(ReadMnrRecords(archive.GetBackupPath()).size(), 45u);
    EXPECT_EQ(PartialReadText(outcome, 0),
              "Incomplete read: stopped at block #3 (stopped by the user), 45 of 300 records read");
    EXPECT_EQ(PartialReadText(outcome, 1), "Чтение не завершено: остановлено на блоке #3 (остановлено "
                                           "пользователем), считано 45 из 300 записей");
    // A stop asked at the last block stops nothing.
    progress.clear();
    stopAt = 21;
    ASSERT_EQ(Read(), 300);
    EXPECT_FALSE(outcome.Partial());
    EXPECT_EQ(PartialReadText(outcome, 0), "");
}

TEST_F(ReadTest, EmptyMemoryQuestion) {
    SimConfig c;
    c.statusUsed = 0;
    c.statusAvailable = 44000;
    auto sim = Connect(c, Generated(50));
    // A previous load is replaced even when the answer is No.
    archive.AssignRecords(Generated(10), true);
    ui.answers = {false};
    EXPECT_EQ(Read(), 0);
    EXPECT_EQ(archive.GetRecordCount(), 0);
    EXPECT_EQ(archive.GetSeriesCount(), 0);
    EXPECT_EQ(sim->BlockRequests(), 0);
    EXPECT_EQ(ui.questions,
              std::vector<std::string>{"Device archive memory is reported to be empty. Try to read anyway?"});

    ui.answers = {true};
    EXPECT_EQ(Read(), 50);
    // Reading toward 44000 records stops at the first erased one.
    EXPECT_EQ(progress.back().second, 44000);
    EXPECT_EQ(sim->BlockRequests(), 4);
}

TEST_F(ReadTest, DisconnectLosesNothingAlreadyRead) {
    const auto memory = Generated(300);
    SimConfig c;
    c.disconnectAfterBlocks = 8;
    Connect(c, memory);
    ui.answers = {true, false};
    ASSERT_EQ(Read(), 120);
    EXPECT_TRUE(SameRecords(archive.GetRecords(), memory, 120));
    EXPECT_EQ(ReadMnrRecords(archive.GetBackupPath()).size(), 120u);
    EXPECT_EQ(ui.questions.size(), 2u);
}

TEST_F(ReadTest, GarbageStatusIsBounded) {
    SimConfig c;
    c.statusUsed = 0xFFFFFFFFll;
    c.statusAvailable = 0xFFFFFFFFll;
    auto sim = Connect(c, Generated(100));
    ASSERT_EQ(Read(), 100);
    EXPECT_EQ(progress.back().second, 44000);
    EXPECT_FALSE(StatusInRange(0xFFFFFFFFu, 0xFFFFFFFFu));
    EXPECT_TRUE(StatusInRange(100, 43900));
    EXPECT_FALSE(StatusInRange(100, 43901));

    // Forced: used + available would be 2^33 - 2; bounded to 44000 records,
    // 2934 blocks.
    progress.clear();
    ASSERT_EQ(Read(true), 100);
    EXPECT_EQ(progress.size(), 2934u);
    EXPECT_EQ(progress.back(), std::make_pair(2934 * 15 + 1, 44000));
}

TEST_F(ReadTest, StatusFailure) {
    SimConfig c;
    SimFault f;
    f.command = 0x63;
    f.times = 0;
    c.faults = {f};
    auto sim = Connect(c, Generated(30));
    EXPECT_EQ(Read(), 0);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Failed to read device archive memory status."});
    EXPECT_EQ(sim->BlockRequests(), 0);
    // Forced: 0 used and 44000 available assumed, and the whole memory read.
    ui.messages.clear();
    ASSERT_EQ(Read(true), 30);
    EXPECT_EQ(progress.back(), std::make_pair(2934 * 15 + 1, 44000));
}

TEST_F(ReadTest, NoDeviceConnected) {
    EXPECT_EQ(Read(), 0);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"No device connected."});
}

TEST_F(ReadTest, UnwritableBackupIsReportedOnce) {
    archive.SetBackupPath(dir + "/missing/read_backup.mnr");
    Connect({}, Generated(1000));
    ASSERT_EQ(Read(), 1000);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Can't open file for writing"});
}

TEST_F(ReadTest, InvalidRecordsAreDropped) {
    auto memory = Generated(60);
    memory[10].raw[4] = 0x13; // month 13
    memory[20].raw[2] = 0x24; // hour 24
    Connect({}, memory);
    ASSERT_EQ(Read(), 58);
    // Only erased and invalid: nothing.
    std::vector<ArchiveRecord> bad(20);
    for (auto& r : bad)
        std::memset(r.raw, 0, 16); // day 0, month 0
    devices.CloseCurrent();
    devices.Sources().Clear();
    Connect({}, bad);
    EXPECT_EQ(Read(), 0);
    EXPECT_EQ(archive.GetRecordCount(), 0);
}

} // namespace
