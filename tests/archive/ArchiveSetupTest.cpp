// What an archive does before anyone sets it up: it reports nowhere, and one
// made apart leaves the document's archive alone.

#include "TervikDocument.h"
#include "TestUtil.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(ArchiveSetup, WithoutAReporterNothingIsPrinted) {
    CArchiveData archive;
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

TEST(ArchiveSetup, AnArchiveMadeApartLeavesTheDocumentsAlone) {
    TervikDocument document;
    CArchiveData& shown = document.EnsureArchive();
    {
        CArchiveData own;
        EXPECT_EQ(document.Archive(), &shown);
    }
    EXPECT_EQ(document.Archive(), &shown);
    auto taken = std::make_unique<CArchiveData>();
    CArchiveData* const handed = taken.get();
    EXPECT_EQ(document.Archive(), &shown);
    // Handed over, it is the document's.
    document.Adopt(std::move(taken), {});
    EXPECT_EQ(document.Archive(), handed);
}

} // namespace
