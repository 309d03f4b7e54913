// tervik-cli merge: a campaign written as one file with its report, and reads
// of another instrument refused.

#include "CliRun.h"
#include "MnrCodec.h"
#include "Samples.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(CliMerge, OverlappingReadsBecomeTheArchiveAndAnotherInstrumentIsRefused) {
    TempDir dir;
    CArchiveData demo;
    ASSERT_GT(demo.LoadMnr(kDemo), 1000);
    const auto& all = demo.GetRecords();
    const auto cut = [&](const std::string& name, size_t first, size_t end, const ArchiveHeader& header) {
        WriteBytes(dir / name, MnrBytes(&header, {all.begin() + static_cast<std::ptrdiff_t>(first),
                                                  all.begin() + static_cast<std::ptrdiff_t>(end)}));
        return dir / name;
    };
    const ArchiveHeader& header = demo.GetHeader();
    const std::string b = cut("b.mnr", 600, all.size(), header), a = cut("a.mnr", 0, 1000, header);
    const CliRun r = Cli("merge " + b + " " + a + " -o " + (dir / "out.mnr") + " --report");
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(ReadBytes(dir / "out.mnr"), ReadBytes(kDemo));
    EXPECT_NE(r.out.find("Campaign of 2 files: " + std::to_string(all.size()) + " records, 0 conflicts, "),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\n" + a + ": 1000 records, 1000 new, 0 repeats, 0 conflicts\n" + b + ": " +
                         std::to_string(all.size() - 600) + " records, " + std::to_string(all.size() - 1000) +
                         " new, 400 repeats, 0 conflicts\n"),
              std::string::npos)
        << r.out;

    const std::string other =
        cut("other.mnr", 0, 10, ArchiveHeader::Build(ArchiveHeader::kOriginDevice, header.GetKind(), 4321));
    const CliRun refused = CliErr("merge " + a + " " + other + " -o " + (dir / "refused.mnr"));
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.out, "tervik-cli: " + other + ": another instrument (kind 3, no. 4321) than " + a +
                               " (kind 3, no. 1207); a campaign takes the reads of one instrument.\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "refused.mnr"));
}

} // namespace
