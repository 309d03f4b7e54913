// tervik-cli when the system fails it (memory, standard output): a clear
// message and the failure status, not an abort or a false success.

#include "ArchiveGen.h"
#include "CliRun.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(CliSystemFailure, OutOfMemoryIsAFailureWithAMessage) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory does not run under an address-space limit";
#else
    TempDir dir;
    // Four years of 50-minute cycles: two million one-minute intervals.
    GenOptions g;
    g.series = 1;
    g.recordsPerSeries = 40000;
    g.cycleSeconds = 3000;
    std::vector<ArchiveRecord> records = GenerateRecords(g);
    const std::string mnr = dir / "years.mnr";
    ASSERT_TRUE(WriteMnrFile(mnr, ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207), records));
    // In time order the rows are written as they are finished, in little memory.
    const std::string cmd = "intervals " + mnr + " --series 1 --interval 1";
    const CliRun streamed = Cli(cmd, "ulimit -v 300000 && ", " 2>&1 | tail -c 200");
    EXPECT_EQ(streamed.code, 0) << streamed.out;
    EXPECT_NE(streamed.out.find("Total over 1999961 intervals"), std::string::npos) << streamed.out;
    // The last record first: every row waits for the end, and memory runs out.
    std::rotate(records.begin(), records.end() - 1, records.end());
    ASSERT_TRUE(WriteMnrFile(mnr, ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207), records));
    const CliRun r = Cli(cmd, "ulimit -v 300000 && ", " 2>&1 >/dev/null");
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.out.find("tervik-cli: out of memory"), std::string::npos) << r.out;
#endif
}

// Every command's printing is checked, those that print line by line too.
TEST(CliSystemFailure, FullStandardOutputIsAFailure) {
    const std::string demo = std::string(TERVIK_SAMPLES) + "/demo.mnr";
    for (const std::string& command :
         {"info " + demo, "stats " + demo + " --series 1", "intervals " + demo + " --series 1",
          "export " + demo + " --series 1"}) {
        const CliRun r = Cli(command, "", " 2>&1 >/dev/full");
        EXPECT_EQ(r.code, 1) << command;
        EXPECT_EQ(r.out, "tervik-cli: cannot write the output\n") << command;
    }
}

} // namespace
