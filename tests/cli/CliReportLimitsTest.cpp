// tervik-cli report refuses what it cannot write whole: a table of more
// intervals than a report holds, an empty view, and standard output.

#include "ArchiveGen.h"
#include "CliRun.h"
#include "Samples.h"
#include "SeriesReport.h"
#include "StringTable.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(CliReportLimits, RefusesTooManyIntervalsEmptyViewsAndStandardOutput) {
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
    // Counted before any row is made: three records over 99 years, 52
    // million minutes or 868,000 hours, are refused in little memory.
#if !defined(__SANITIZE_ADDRESS__)
    g.recordsPerSeries = 3;
    g.cycleSeconds = 49 * 366 * 86400;
    g.year = 2000;
    const std::string century = dir / "century.mnr";
    ASSERT_TRUE(WriteMnrFile(century, ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207),
                             GenerateRecords(g)));
    for (const char* interval : {"1", "60"}) {
        const CliRun r =
            Cli("report " + century + " --series 1 --lang en --interval " + interval + " -o " + pdf,
                "ulimit -v 300000 && ", " 2>&1");
        EXPECT_EQ(r.code, 1) << interval;
        EXPECT_NE(r.out.find(want), std::string::npos) << r.out;
    }
    EXPECT_FALSE(std::filesystem::exists(pdf));
#endif
    // The same series in hours fits.
    EXPECT_EQ(Cli("report " + mnr + " --series 1 --lang en -o " + pdf).code, 0);
    EXPECT_TRUE(std::filesystem::exists(pdf));

    // An empty or reversed view is a usage error for the report and the table alike.
    for (const std::string& command :
         {"report " + kDemo + " --series 1 -o " + (dir / "v.pdf"), "intervals " + kDemo + " --series 1"}) {
        for (const char* view : {" --view 1307092230 1307092230", " --view 1307092230 1307092000"}) {
            const CliRun r = CliErr(command + view);
            EXPECT_EQ(r.code, 2) << command << view;
            EXPECT_EQ(r.out, "tervik-cli: --view takes XMIN below XMAX\n") << command << view;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "v.pdf"));

    const CliRun dash = Cli("report " + kDemo + " --series 1 -o -", "cd '" + dir.path().string() + "' && ");
    EXPECT_EQ(dash.code, 2);
    EXPECT_TRUE(dash.out.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "-"));
}

} // namespace
