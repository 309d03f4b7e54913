// tervik-cli intervals: every number of its CSV reads back to the computed
// value, and its usage errors.

#include "CliCsv.h"
#include "CliRun.h"
#include "IntervalStats.h"
#include "NumText.h"
#include "Samples.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <sys/wait.h>

namespace {

TEST(CliIntervals, CsvRoundTripsEveryNumber) {
    ScopedTimeZone zone("Europe/Berlin");
    CArchiveData a;
    ASSERT_GT(a.LoadMnr(kDemo), 0);
    CurveOptions c;
    c.stdTemp = 200;
    IntervalOptions o;
    o.minutes = 45;
    o.haveLimit = true;
    o.limit = 2.5;
    IntervalTable table;
    ASSERT_TRUE(ComputeIntervals(*a.GetSeries(0), c, o, table));
    const CliRun r =
        Cli("intervals " + kDemo + " --series 1 --std-temp 20 --interval 45 --limit 2.5 --format csv");
    ASSERT_EQ(r.code, 0);
    std::stringstream in(r.out);
    std::string line;
    std::getline(in, line);
    ASSERT_EQ(Fields(line).size(), 18u);
    size_t k = 0;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = Fields(line);
        ASSERT_EQ(f.size(), 18u) << line;
        const bool total = k == table.rows.size();
        ASSERT_LE(k, table.rows.size());
        const IntervalRow& row = total ? table.total : table.rows[k];
        EXPECT_EQ(f[0], total ? "total" : std::to_string(k + 1));
        EXPECT_EQ(f[1], LocalIsoTime(row.start));
        EXPECT_EQ(f[2], LocalIsoTime(row.end));
        EXPECT_EQ(f[3], std::to_string(row.count));
        EXPECT_EQ(Num(f[4]), row.expected);
        EXPECT_EQ(Num(f[5]), row.coverage);
        EXPECT_EQ(f[6], row.incomplete ? "1" : "0");
        if (row.count > 0) {
            EXPECT_EQ(Num(f[7]), row.mean);
            EXPECT_EQ(Num(f[8]), row.sd);
            EXPECT_EQ(Num(f[9]), row.min);
            EXPECT_EQ(f[10], LocalIsoTime(static_cast<int64_t>(row.minTime)));
            EXPECT_EQ(Num(f[11]), row.max);
            EXPECT_EQ(f[12], LocalIsoTime(static_cast<int64_t>(row.maxTime)));
        }
        EXPECT_EQ(f[13], std::to_string(row.above));
        EXPECT_EQ(Num(f[14]), row.aboveSeconds);
        if (row.above > 0) {
            EXPECT_EQ(f[15], LocalIsoTime(static_cast<int64_t>(row.firstAbove)));
            EXPECT_EQ(f[16], LocalIsoTime(static_cast<int64_t>(row.lastAbove)));
        }
        ++k;
    }
    EXPECT_EQ(k, table.rows.size() + 1);
    EXPECT_GT(table.total.above, 0u);

    // The table shows the same intervals, one line each, and the total.
    const CliRun text = Cli("intervals " + kDemo + " --series 1 --std-temp 20 --interval 45 --limit 2.5");
    ASSERT_EQ(text.code, 0);
    EXPECT_EQ(text.out, IntervalsText(table, o));
}

TEST(CliIntervals, ExitCodes) {
    const std::string cmd = "intervals " + kDemo + " --series 1 ";
    EXPECT_EQ(Cli(cmd + "--interval 1d").code, 0);
    EXPECT_EQ(Cli(cmd + "--interval 0").code, 2);
    EXPECT_EQ(Cli(cmd + "--interval 1441").code, 2);
    EXPECT_EQ(Cli(cmd + "--interval 2h").code, 2);
    EXPECT_EQ(Cli(cmd + "--limit high").code, 2);
    // Decimal numbers only, as the files have them, and within the range of a double.
    for (const char* number : {"0x10", "1e-400", "1e400", "inf", "nan", "1.5.", "+", "1e"})
        EXPECT_EQ(Cli(cmd + "--limit " + std::string(number)).code, 2) << number;
    EXPECT_EQ(Cli(cmd + "--view 0x0 1e10").code, 2);
    EXPECT_EQ(Cli(cmd + "--std-temp 1e300").code, 2);
    EXPECT_EQ(Cli(cmd + "--limit -1.5e+1").code, 0);
    EXPECT_EQ(Cli(cmd + "--view 1").code, 2);
    EXPECT_EQ(Cli("intervals " + kDemo).code, 2);
    EXPECT_EQ(Cli(cmd + "--view 0 1").code, 1); // no point in view
    EXPECT_EQ(Cli("intervals /no/such/file.mnr --series 1").code, 1);
}

} // namespace
