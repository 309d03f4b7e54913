// tervik-cli report refuses what it cannot write whole: a table of more
// intervals than a report holds, and standard output.

#include "ArchiveGen.h"
#include "CliRun.h"
#include "SeriesReport.h"
#include "StringTable.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string kDemo = std::string(TERVIK_SAMPLES) + "/demo.mnr";

TEST(CliReportLimits, RefusesTooManyIntervalsAndStandardOutput) {
    TempDir dir;
    // A zero control and two measurements ten days apart: 14,400 minutes.
    GenOptions g;
    g.series = 1;
    g.recordsPerSeries = 3;
    g.cycleSeconds = 10 * 86400;
    g.zeroEvery = 0;
    g.badEvery = 0;
    const std::string mnr = dir / "long.mnr";
    ASSERT_TRUE(
        WriteMnrFile(mnr, ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207), GenerateRecords(g)));
    const std::string pdf = dir / "r.pdf";
    const CliRun many = CliErr("report " + mnr + " --series 1 --interval 1 --lang en -o " + pdf);
    EXPECT_EQ(many.code, 1);
    char want[256];
    std::snprintf(want, sizeof want, UIString(310, 0).c_str(), std::to_string(kMaxReportIntervals).c_str());
    EXPECT_NE(many.out.find(want), std::string::npos) << many.out;
    EXPECT_FALSE(std::filesystem::exists(pdf));
    // The same series in hours fits.
    EXPECT_EQ(Cli("report " + mnr + " --series 1 --lang en -o " + pdf).code, 0);
    EXPECT_TRUE(std::filesystem::exists(pdf));

    const CliRun dash = Cli("report " + kDemo + " --series 1 -o -", "cd '" + dir.path().string() + "' && ");
    EXPECT_EQ(dash.code, 2);
    EXPECT_TRUE(dash.out.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "-"));
}

} // namespace
