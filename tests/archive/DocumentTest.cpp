// The document's loads by the format table: what it says changed, and the
// origin it keeps when a load fails.

#include "ArchiveFormats.h"
#include "ArchiveGen.h"
#include "TervikDocument.h"
#include "TestUtil.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

TEST(Document, LoadKeepsTheOriginAndAFailedLoadThatEmptiesTheArchiveForgetsIt) {
    TempDir dir;
    const std::string good = dir / "a.MNR", empty = dir / "b.mnr";
    ArchiveRecord erased;
    std::memset(erased.raw, 0xFF, sizeof erased.raw);
    ASSERT_TRUE(WriteMnrFile(good, ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 1, 7),
                             {MakeRecord(2011, 6, 3, 9, 0, 0, 0, 1, 215, 745, 1.0f)}));
    ASSERT_TRUE(WriteMnrFile(empty, ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 1, 7), {erased}));

    TervikDocument document;
    std::vector<unsigned> heard;
    document.AddListener([&](unsigned changes) { heard.push_back(changes); });
    CollectingReporter reporter;
    const ArchiveFormat& format = FormatForOpening("MNR");
    ASSERT_STREQ(format.key, "mnr");
    EXPECT_EQ(
        document.Load(format, good, DataProvenance::FromFile(DataProvenance::Way::Drop, good), reporter), 1);
    EXPECT_EQ(document.Provenance().way, DataProvenance::Way::Drop);
    EXPECT_EQ(document.Provenance().path, good);
    EXPECT_EQ(document.Provenance().format, &format);
    EXPECT_EQ(heard, std::vector<unsigned>{TervikDocument::kArchiveChanged});

    // A file that cannot be opened leaves the archive and its origin.
    EXPECT_EQ(document.Load(format, dir / "none.mnr", {}, reporter), 0);
    EXPECT_EQ(document.Provenance().path, good);
    EXPECT_EQ(heard.size(), 1u);
    // One of erased records only empties it: the origin goes with its series.
    EXPECT_EQ(
        document.Load(format, empty, DataProvenance::FromFile(DataProvenance::Way::File, empty), reporter),
        0);
    EXPECT_EQ(document.Archive()->GetSeriesCount(), 0);
    EXPECT_EQ(document.Provenance().way, DataProvenance::Way::None);
    EXPECT_EQ(heard.size(), 2u);
}

TEST(Document, FormatsByExtensionAndKey) {
    EXPECT_STREQ(FormatForOpening("Dat").key, "dat");
    EXPECT_STREQ(FormatForOpening("TXT").key, "orlo2");
    EXPECT_STREQ(FormatForOpening("csv").key, "mnr"); // any other as the program's own
    EXPECT_EQ(FormatByExtension("csv"), nullptr);
    EXPECT_EQ(FormatByKey("txt"), nullptr);
    EXPECT_EQ(FormatByKey("orlo2")->Pattern(), "*.txt");
    EXPECT_EQ(FormatKeyList(), "mnr, dat or orlo2");
}

TEST(Document, SavingAReadSeriesIsToldOnce) {
    TempDir dir;
    TervikDocument document;
    document.EnsureArchive().AssignRecords({MakeRecord(2011, 6, 3, 9, 0, 0, 0, 1, 215, 745, 1.0f)}, false);
    int heard = 0;
    document.AddListener([&](unsigned changes) { heard += changes == TervikDocument::kSavedChanged; });
    EXPECT_TRUE(document.HasUnsavedSeries());
    EXPECT_EQ(document.SaveSeries(0, dir / "a.mnr"), 1);
    EXPECT_FALSE(document.HasUnsavedSeries());
    EXPECT_EQ(document.SaveSeries(0, dir / "b.mnr"), 1);
    EXPECT_EQ(heard, 1);
}

} // namespace
