// End to end over a real pseudo-terminal served by kx208m-sim.

#include "ArchiveData.h"
#include "Samples.h"
#include "TestSupport.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class PtyTest : public ArchiveReadFixture {
  protected:
    PtyTest() : ArchiveReadFixture(250) {}
};

TEST_F(PtyTest, CleanReadOfAFileEqualsItsSeries) {
    SimProcess sim({"--mnr", kDemo, "--serial", "1207", "--kind", "3"});
    ASSERT_TRUE(Connect(sim));
    CArchiveData source;
    ASSERT_GT(source.LoadMnr(kDemo), 300);
    ASSERT_EQ(Read(), source.GetRecordCount());
    EXPECT_TRUE(SameRecords(archive.GetRecords(), source.GetRecords()));
    ASSERT_EQ(archive.GetSeriesCount(), source.GetSeriesCount());
    for (int i = 0; i < archive.GetSeriesCount(); ++i) {
        EXPECT_EQ(archive.GetSeries(i)->first, source.GetSeries(i)->first);
        EXPECT_EQ(archive.GetSeries(i)->last, source.GetSeries(i)->last);
        EXPECT_EQ(archive.GetSeries(i)->saved, 0);
    }
    EXPECT_EQ(archive.GetHeader().GetDeviceNumber(), 1207u);
    EXPECT_EQ(archive.GetKind(), 3);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PtyTest, ThreeHundredUsedRecords) {
    SimProcess sim({"--generate", "600", "--used", "300"});
    ASSERT_TRUE(Connect(sim));
    ASSERT_EQ(Read(), 315);
    ASSERT_EQ(progress.size(), 21u);
    EXPECT_EQ(progress.back(), std::make_pair(316, 300));
}

TEST_F(PtyTest, ErasedRecordEndsEarlyAndForcedGoesOn) {
    {
        SimProcess sim({"--generate", "100", "--used", "300", "--available", "0"});
        ASSERT_TRUE(Connect(sim));
        ASSERT_EQ(Read(), 100);
        EXPECT_EQ(progress.size(), 7u);
        devices.CloseCurrent();
    }
    devices.Sources().Clear();
    progress.clear();
    SimProcess sim({"--generate", "100", "--used", "300", "--available", "0"});
    ASSERT_TRUE(Connect(sim));
    ASSERT_EQ(Read(true), 100);
    EXPECT_EQ(progress.size(), 21u);
}

TEST_F(PtyTest, CorruptedBlockRetried) {
    SimProcess sim({"--mnr", kDemo, "--fault", "checksum:5"});
    ASSERT_TRUE(Connect(sim));
    ui.answers = {true};
    CArchiveData source;
    source.LoadMnr(kDemo);
    ASSERT_EQ(Read(), source.GetRecordCount());
    EXPECT_TRUE(SameRecords(archive.GetRecords(), source.GetRecords()));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"KX_ERR_CS"});
    EXPECT_EQ(ui.questionBlocks, std::vector<int>{5});
}

TEST_F(PtyTest, SilentBlockDeclinedKeepsEarlierBlocksAndBackup) {
    SimProcess sim({"--generate", "400", "--fault", "none:9:0"});
    ASSERT_TRUE(Connect(sim));
    ui.answers = {false};
    ASSERT_EQ(Read(), 135);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"KX_ERR_TO"});
    EXPECT_EQ(ui.questions, std::vector<std::string>{"Failed to read archive block #9\nRetry?"});
    const auto backup = ReadMnrRecords(archive.GetBackupPath());
    EXPECT_TRUE(SameRecords(backup, archive.GetRecords()));
}

TEST_F(PtyTest, EmptyMemoryAnsweredNoThenYes) {
    SimProcess sim({"--generate", "40", "--used", "0"});
    ASSERT_TRUE(Connect(sim));
    ui.answers = {false, true};
    EXPECT_EQ(Read(), 0);
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(Read(), 40);
    EXPECT_EQ(ui.questions.size(), 2u);
}

TEST_F(PtyTest, DisconnectMidReadLosesNothing) {
    SimProcess sim({"--generate", "400", "--disconnect-after", "6"});
    ASSERT_TRUE(Connect(sim));
    ui.answers = {true, false};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Read(), 90);
    // A vanished terminal fails at once instead of waiting for time-outs.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(ReadMnrRecords(archive.GetBackupPath()).size(), 90u);
    EXPECT_EQ(sim.Wait(1000), 0);
}

TEST_F(PtyTest, CommandLineReadWritesAllSeries) {
    SimProcess sim({"--mnr", kDemo, "--fault", "garbage:2"});
    ASSERT_FALSE(sim.Path().empty());
    std::string err;
    const int rc = RunProgram({TERVIK_CLI_PATH, "read", "--port", sim.Path(), "-o", dir + "/out.mnr",
                               "--retries", "1", "--timeout", "250"},
                              dir, err);
    EXPECT_EQ(rc, 0) << err;
    CArchiveData source, out;
    source.LoadMnr(kDemo);
    ASSERT_EQ(out.LoadMnr(dir + "/out.mnr"), source.GetRecordCount()) << err;
    EXPECT_TRUE(SameRecords(out.GetRecords(), source.GetRecords()));
    EXPECT_EQ(out.GetSeriesCount(), source.GetSeriesCount());
    EXPECT_NE(err.find("KX_ERR_MARKER1"), std::string::npos) << err;
    // read_backup.mnr in the working folder holds every block read.
    const auto backup = ReadMnrRecords(dir + "/read_backup.mnr");
    EXPECT_GE(backup.size(), source.GetRecords().size());
}

TEST_F(PtyTest, CommandLineRetriesThenKeepsWhatWasRead) {
    SimProcess sim({"--generate", "300", "--fault", "short:4:0"});
    ASSERT_FALSE(sim.Path().empty());
    std::string err;
    const int rc = RunProgram({TERVIK_CLI_PATH, "read", "--port", sim.Path(), "-o", dir + "/out.mnr",
                               "--retries", "1", "--timeout", "150"},
                              dir, err);
    EXPECT_EQ(rc, 1) << err;
    CArchiveData out;
    EXPECT_EQ(out.LoadMnr(dir + "/out.mnr"), 60) << err;
    EXPECT_NE(err.find("block #4: retrying"), std::string::npos) << err;
    EXPECT_NE(err.find("block #4: giving up"), std::string::npos) << err;
    EXPECT_NE(
        err.find("tervik-cli: Incomplete read: stopped at block #4 (the block failed), 60 of 300 records "
                 "read\n"),
        std::string::npos)
        << err;
}

// A status no instrument has is shown as it came, unsigned; the simulator's
// terminal is listed by name.
TEST_F(PtyTest, CommandLineShowsTheStatusAndTheTerminalReadably) {
    SimProcess sim({"--generate", "30", "--used", "4294967295"});
    ASSERT_FALSE(sim.Path().empty());
    std::string err;
    EXPECT_EQ(RunProgram({TERVIK_CLI_PATH, "read", "--port", sim.Path(), "-o", dir + "/out.mnr"}, dir, err),
              0)
        << err;
    EXPECT_NE(err.find("Status: 4294967295 records used"), std::string::npos) << err;
    const std::string out = dir + "/devices.txt";
    std::string command = TERVIK_CLI_PATH;
    command.append(" devices --port ").append(sim.Path()).append(" >").append(out);
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "1\tKX-208M simulator on " + sim.Path());
}

TEST_F(PtyTest, CommandLineUsageErrors) {
    std::string err;
    EXPECT_EQ(RunProgram({TERVIK_CLI_PATH, "read", "-o", dir + "/x.mnr"}, dir, err), 2);
    EXPECT_EQ(
        RunProgram({TERVIK_CLI_PATH, "read", "--simulate", "--port", "/dev/null", "-o", "x.mnr"}, dir, err),
        2);
    EXPECT_EQ(RunProgram({TERVIK_CLI_PATH, "read", "--simulate", "--retries", "x", "-o", "x.mnr"}, dir, err),
              2);
    // A simulator memory that cannot be read is a failure, not a usage error.
    EXPECT_EQ(
        RunProgram({TERVIK_CLI_PATH, "read", "--simulate=" + dir + "/none.mnr", "-o", "x.mnr"}, dir, err), 1);
    EXPECT_EQ(err.rfind("tervik-cli: ", 0), 0u) << err;
    // A path that is no serial port is named with what is wrong with it.
    std::ofstream(dir + "/plain") << "x";
    ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0600), 0);
    const std::pair<std::string, std::string> ports[] = {
        {dir + "/none", dir + "/none: No such file or directory"},
        {"/dev/null", "/dev/null is a character device but not a serial port"},
        {dir + "/plain", dir + "/plain is a regular file, not a serial port"},
        {dir + "/fifo", dir + "/fifo is a FIFO, not a serial port"}};
    for (const auto& [port, message] : ports) {
        EXPECT_EQ(RunProgram({TERVIK_CLI_PATH, "read", "--port", port, "-o", "x.mnr"}, dir, err), 1);
        EXPECT_EQ(err, "tervik-cli: " + message + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.mnr"));
}

TEST_F(PtyTest, CommandLineReadFailsWhenTheOutputCannotBeWritten) {
    // A folder in place of the output: the rename over it fails.
    std::filesystem::create_directory(dir + "/out.mnr");
    std::string err;
    EXPECT_EQ(RunProgram({TERVIK_CLI_PATH, "read", "--simulate", "-o", dir + "/out.mnr"}, dir, err), 1)
        << err;
    EXPECT_NE(err.find("cannot write " + dir + "/out.mnr"), std::string::npos) << err;
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/out.mnr"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/out.mnr.part"));
    EXPECT_EQ(RunProgram({TERVIK_CLI_PATH, "read", "--simulate", "-o", dir + "/missing/out.mnr"}, dir, err),
              1)
        << err;
}

} // namespace
