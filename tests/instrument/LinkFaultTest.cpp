// Faults of the link that must not cost records: a reply arriving after the
// time-out, a line that hangs up, and a command-line read interrupted by a
// signal.

#include "ArchiveData.h"
#include "TestSupport.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const std::string kDemo = std::string(TERVIK_SOURCE_DIR) + "/samples/demo.mnr";

class LinkFaultTest : public ArchiveReadFixture {
protected:
    LinkFaultTest() : ArchiveReadFixture(250) {}

    bool Connect(const SimProcess& sim) {
        if (sim.Path().empty())
            return false;
        PortAddExplicit(sim.Path());
        if (g_deviceList.Enumerate() != 1)
            return false;
        CInstrument* inst = g_deviceList.Connect(0);
        return inst && inst->QueryVersion() && inst->QuerySerialNumber() && inst->QueryKind();
    }
};

// Block 5's reply trickles in over 600 ms against a 250 ms time-out: the
// instrument sends it whole and moves on. The read must neither lose it nor
// take block 6 in its place, whatever the retries.
TEST_F(LinkFaultTest, LateReplyIsNeitherLostNorShifted) {
    SimProcess sim({"--mnr", kDemo, "--fault", "trickle:5:1:600"});
    ASSERT_TRUE(Connect(sim));
    ui.answers = {true, true, true};
    CArchiveData source;
    ASSERT_GT(source.LoadMnr(kDemo), 100);
    ASSERT_EQ(Read(), source.GetRecordCount());
    EXPECT_TRUE(SameRecords(archive.GetRecords(), source.GetRecords()));
    const std::vector<ArchiveRecord> file = ReadMnrRecords(kDemo);
    const std::vector<ArchiveRecord> backup = ReadMnrRecords(archive.GetBackupPath());
    EXPECT_TRUE(SameRecords(backup, file, std::min(backup.size(), file.size())));
    EXPECT_GE(backup.size(), file.size());
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

} // namespace
