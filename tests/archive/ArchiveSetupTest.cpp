// What an archive does before anyone sets it up: it reports nowhere, and one
// made detached leaves the program's archive alone.

#include "TestUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(ArchiveSetup, WithoutAReporterNothingIsPrinted) {
    CArchiveData archive(CArchiveData::Detached{});
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_EQ(archive.LoadMnr("/nonexistent/tervik.mnr"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // One that is set gets the message.
    CollectingReporter reporter;
    archive.SetReporter(&reporter);
    EXPECT_EQ(archive.LoadMnr("/nonexistent/tervik.mnr"), 0);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{"Can't open file"});
}

TEST(ArchiveSetup, DetachedArchiveLeavesTheProgramsOneAlone) {
    CArchiveData shown;
    {
        CArchiveData own(CArchiveData::Detached{});
        EXPECT_EQ(g_pArchive, &shown);
    }
    EXPECT_EQ(g_pArchive, &shown);
    CArchiveData* taken = new CArchiveData(CArchiveData::Detached{});
    EXPECT_EQ(g_pArchive, &shown);
    // Handed over, it goes with the program's pointer as any archive does.
    g_pArchive = taken;
    delete taken;
    EXPECT_EQ(g_pArchive, nullptr);
}

} // namespace
