#include "SeriesFormat.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

namespace {

// Many series starting in the same second, two such seconds interleaved: each
// start name counts its own repeats, whatever lies between them.
TEST(SaveAllNames, RepeatedStartsAreNumberedPerStart) {
    ScopedTimeZone zone("UTC");
    CArchiveData archive;
    std::vector<ArchiveRecord> records;
    const int n = 600;
    for (int i = 0; i < n; ++i) // alternating series numbers: one series per record
        records.push_back(MakeRecord(2011, 6, 3, 9, 5, i % 3 == 2 ? 31 : 30, 0, static_cast<uint8_t>(i % 2),
                                     215, 745, 1.0f));
    ASSERT_EQ(archive.AssignRecords(records, true), n);
    ASSERT_EQ(archive.GetSeriesCount(), n);
    const std::vector<std::string> names = SaveAllFileNames(archive);
    ASSERT_EQ(names.size(), static_cast<size_t>(n));
    int seen[2] = {0, 0};
    for (int i = 0; i < n; ++i) {
        const int which = i % 3 == 2 ? 1 : 0;
        const int k = ++seen[which];
        const std::string stem = which ? "2011-06-03_090531" : "2011-06-03_090530";
        EXPECT_EQ(names[static_cast<size_t>(i)],
                  k == 1 ? stem + ".mnr" : stem + "_" + std::to_string(k) + ".mnr")
            << i;
    }
}

} // namespace
