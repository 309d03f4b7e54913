// Faults of the link that must not cost records: a reply arriving after the
// time-out, a line that hangs up, and a command-line read interrupted by a
// signal.

#include "ArchiveData.h"
#include "Samples.h"
#include "TestSupport.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

class LinkFaultTest : public ArchiveReadFixture {
  protected:
    LinkFaultTest() : ArchiveReadFixture(250) {}
};

// Block 5's reply trickles in over 600 ms against a 250 ms time-out: the
// block fails at the time-out. Whether the instrument then moved on (it sent
// the reply whole) or not (it sends block 5 again), the read must neither
// lose block 5, nor take block 6 in its place, nor take block 5 twice.
TEST_F(LinkFaultTest, LateReplyIsNeitherLostNorShiftedNorDoubled) {
    CArchiveData source;
    ASSERT_GT(source.LoadMnr(kDemo), 100);
    const std::vector<ArchiveRecord> file = ReadMnrRecords(kDemo);
    for (const bool movesOn : {true, false}) {
        SCOPED_TRACE(movesOn ? "moves on" : "stays");
        std::vector<std::string> args = {"--mnr", kDemo, "--fault", "trickle:5:1:600"};
        if (!movesOn)
            args.insert(args.end(), {"--fault", "repeat:5"});
        SimProcess sim(args);
        ASSERT_TRUE(Connect(sim));
        ui.messages.clear();
        ui.questions.clear();
        ui.answers = {true, true, true};
        ASSERT_EQ(Read(), source.GetRecordCount());
        EXPECT_TRUE(SameRecords(archive.GetRecords(), source.GetRecords()));
        EXPECT_FALSE(outcome.Partial());
        // The time-out is the reply's: a reply not whole by then fails.
        EXPECT_EQ(ui.messages.empty() ? "" : ui.messages[0], "KX_ERR_TO");
        EXPECT_EQ(ui.questions, std::vector<std::string>{"Failed to read archive block #5\nRetry?"});
        if (!movesOn) {
            EXPECT_EQ(ui.messages.back(), "Block #5 came twice from the instrument; it is kept once.");
        }
        const std::vector<ArchiveRecord> backup = ReadMnrRecords(archive.GetBackupPath());
        EXPECT_TRUE(SameRecords(backup, file, std::min(backup.size(), file.size())));
        EXPECT_GE(backup.size(), file.size());
        devices.CloseCurrent();
        devices.Sources().Clear();
    }
}

// A reply still trickling in long after the time-out: the read stops at the
// block, keeping the blocks before it, rather than retry and risk taking the
// next block for it.
TEST_F(LinkFaultTest, ReplyTooLateToTakeStopsTheRead) {
    SimProcess sim({"--mnr", kDemo, "--fault", "trickle:5:1:3000"});
    ASSERT_TRUE(Connect(sim));
    ui.answers = {true, true, true};
    ASSERT_EQ(Read(), 75);
    EXPECT_TRUE(SameRecords(archive.GetRecords(), ReadMnrRecords(kDemo), 75));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("read position is uncertain"), std::string::npos);
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(outcome.end, ReadOutcome::End::PositionLost);
    EXPECT_EQ(ReadMnrRecords(archive.GetBackupPath()).size(), 75u);
}

// The far end of the line closes half-way through a reply: the read fails as
// a hang-up (-1), not as a time-out after spinning to the deadline.
TEST(SerialHangUpTest, ClosedFarEndFailsTheReadAsAHangUp) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    std::unique_ptr<Transport> link = OpenSerialTransport(ptsname(master));
    ASSERT_TRUE(link);
    const uint8_t half[100] = {0x62};
    ASSERT_EQ(write(master, half, sizeof half), 100);
    close(master);
    uint8_t reply[242];
    EXPECT_EQ(link->Read(reply, sizeof reply, 2000), -1);
}

// Ctrl-C during a command-line read: the block in hand is finished, the
// backup and the output keep every block read, and the exit status is 130.
TEST_F(LinkFaultTest, InterruptedCommandLineReadKeepsWhatWasRead) {
    // 600 records at 9600 baud take about ten seconds; the first 250 reach
    // the backup after about four.
    SimProcess sim({"--generate", "600", "--baud", "9600"});
    ASSERT_FALSE(sim.Path().empty());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, (dir + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    const std::string out = dir + "/out.mnr";
    const std::string backupPath = dir + "/read_backup.mnr";
    std::vector<std::string> args = {TERVIK_CLI_PATH, "read", "--port", sim.Path(), "-o", out};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    bool exited = false;
    while (ReadMnrRecords(backupPath).size() < 250 && !exited) {
        exited = waitpid(pid, &status, WNOHANG) == pid;
        usleep(10000);
    }
    ASSERT_FALSE(exited);
    kill(pid, SIGINT);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    const std::vector<ArchiveRecord> backup = ReadMnrRecords(backupPath);
    // More than the 250 of the first backup: the blocks read since are kept.
    EXPECT_GT(backup.size(), 250u);
    EXPECT_LT(backup.size(), 600u);
    EXPECT_EQ(backup.size() % 15, 0u);
    CArchiveData written;
    EXPECT_EQ(written.LoadMnr(out), static_cast<int>(backup.size()));
    EXPECT_TRUE(SameRecords(written.GetRecords(), backup));
}

} // namespace
