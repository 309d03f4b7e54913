// Campaigns: reads of one long archive merged back into it, and reads of
// two instruments refused.

#include "ArchiveGen.h"
#include "CampaignMerge.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

namespace {

const ArchiveHeader kHeader = ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207);

// 3,000 cycles a minute apart from 2026-03-01 in three series, a zero cycle
// in ten; the clock set back 30 minutes at cycle 700, cycle 1501 stamped with
// the same second as 1500, and two days without cycles before cycle 2200.
std::vector<ArchiveRecord> LongArchive() {
    std::vector<ArchiveRecord> records;
    int minute = 0;
    for (int i = 0; i < 3000; ++i) {
        if (i == 700)
            minute -= 30;
        else if (i == 2200)
            minute += 2 * 1440;
        else if (i > 0 && i != 1501)
            ++minute;
        records.push_back(MakeRecord(2026, 3, 1 + minute / 1440, minute / 60 % 24, minute % 60, 0,
                                     i % 10 == 0 ? RF_ZERO : 0, static_cast<uint8_t>(1 + i / 1000),
                                     static_cast<int16_t>(200 + i % 7), 745,
                                     1.0f + static_cast<float>(i % 17)));
    }
    return records;
}

std::vector<ArchiveRecord> Cut(const std::vector<ArchiveRecord>& all, int first, int end) {
    return {all.begin() + first, all.begin() + end};
}

TEST(Campaign, OverlappingReadsMergeBackToTheArchiveTheyWereCutFrom) {
    ScopedTimeZone tz("UTC");
    TempDir dir;
    const std::vector<ArchiveRecord> all = LongArchive();
    ASSERT_TRUE(WriteMnrFile(dir / "all.mnr", kHeader, all));
    ArchiveRecord erased;
    std::memset(erased.raw, 0xFF, sizeof erased.raw);
    const ArchiveRecord invalid = MakeRecord(2026, 13, 1, 0, 0, 0, 0, 1, 200, 745, 1.0f);
    // Reads overlapping by 200 cycles, the first two by 110 from just before
    // the clock was set back to the times those repeat; the memory cleared
    // after the third; a gap before the last, read
    // with the erased memory after it. An invalid record opens the second.
    std::vector<ArchiveRecord> r2 = Cut(all, 690, 1300), r6 = Cut(all, 2200, 3000);
    r2.insert(r2.begin(), invalid);
    r6.push_back(erased);
    const std::vector<std::pair<std::string, std::vector<ArchiveRecord>>> reads = {
        {"r4.mnr", Cut(all, 1501, 1900)},
        {"r1.mnr", Cut(all, 0, 800)},
        {"r6.mnr", r6},
        {"r3.mnr", Cut(all, 1100, 1501)},
        {"r2.mnr", r2},
        {"r5.mnr", Cut(all, 1700, 2200)}};
    std::vector<std::string> paths;
    for (const auto& [name, records] : reads) {
        paths.push_back(dir / name);
        ASSERT_TRUE(WriteMnrFile(paths.back(), kHeader, records));
    }

    CArchiveData archive;
    CollectingReporter reporter;
    const CampaignResult result = MergeCampaign(paths, archive, reporter);
    ASSERT_EQ(result.status, CampaignResult::Status::Merged);
    EXPECT_TRUE(reporter.messages.empty());
    ASSERT_EQ(SaveArchiveRecords(archive, dir / "merged.mnr", reporter), 3000);
    EXPECT_TRUE(ReadBytes(dir / "merged.mnr") == ReadBytes(dir / "all.mnr"));
    EXPECT_EQ(archive.GetSeriesCount(), 3);

    // In campaign order: path, records, new, repeats, conflicts.
    const CampaignReport& report = result.report;
    ASSERT_EQ(report.files.size(), 6u);
    const std::vector<std::tuple<std::string, int, int, int, int>> expected = {
        {"r1.mnr", 800, 800, 0, 0}, {"r2.mnr", 610, 500, 110, 0}, {"r3.mnr", 401, 201, 200, 0},
        {"r4.mnr", 399, 399, 0, 1}, {"r5.mnr", 500, 300, 200, 0}, {"r6.mnr", 800, 800, 0, 0}};
    for (size_t i = 0; i < expected.size(); ++i) {
        const CampaignFile& f = report.files[i];
        EXPECT_EQ(std::make_tuple(f.path, f.records, f.added, f.repeats, f.conflicts),
                  std::make_tuple(dir / std::get<0>(expected[i]), std::get<1>(expected[i]),
                                  std::get<2>(expected[i]), std::get<3>(expected[i]),
                                  std::get<4>(expected[i])))
            << i;
    }
    EXPECT_EQ(report.records, 3000);
    EXPECT_EQ(report.conflicts, 1);
    ASSERT_EQ(report.gaps.size(), 1u);
    EXPECT_EQ(report.gaps[0].after, 4u);
    EXPECT_EQ(report.gaps[0].Length(), 2 * 86400.0);
    EXPECT_EQ(report.first, all.front().GetTime());
    EXPECT_EQ(report.last, all.back().GetTime());
}

TEST(Campaign, ReadsOfAnotherInstrumentAreRefusedAndTheArchiveKept) {
    TempDir dir;
    const std::vector<ArchiveRecord> all = LongArchive();
    ASSERT_TRUE(WriteMnrFile(dir / "a.mnr", kHeader, Cut(all, 0, 10)));
    ASSERT_TRUE(WriteMnrFile(dir / "b.mnr", kHeader, Cut(all, 5, 20)));
    ASSERT_TRUE(WriteMnrFile(dir / "c.mnr", ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1208),
                             Cut(all, 20, 30)));
    CArchiveData archive;
    archive.AssignRecords(Cut(all, 0, 3), true);
    CollectingReporter reporter;
    const CampaignResult result =
        MergeCampaign({dir / "a.mnr", dir / "b.mnr", dir / "c.mnr"}, archive, reporter);
    EXPECT_EQ(result.status, CampaignResult::Status::OtherDevice);
    EXPECT_EQ(result.file, 2u);
    EXPECT_EQ(result.reference, 0u);
    EXPECT_EQ(result.fileHeader.GetDeviceNumber(), 1208u);
    EXPECT_EQ(result.referenceHeader.GetDeviceNumber(), 1207u);
    EXPECT_EQ(archive.GetRecordCount(), 3);
}

} // namespace
