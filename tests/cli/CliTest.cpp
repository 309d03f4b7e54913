// tervik-cli run as a program: exit codes, outputs and files.

#include "CliRun.h"
#include "Samples.h"
#include "SeriesFormat.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace {

TEST(Cli, InfoListsTheSeriesAsTheMainWindowDoes) {
    ScopedTimeZone zone("Europe/Berlin");
    const CliRun r = Cli("info " + kDemo);
    ASSERT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("format: mnr\n"), std::string::npos);
    EXPECT_NE(r.out.find("header: 77 20 88 03 b7 04 00 00 99 99 99 99 99 99 99 99\n"), std::string::npos);
    EXPECT_NE(r.out.find("y-title: Hg concentration, ug/m3\n"), std::string::npos);
    CArchiveData a;
    ASSERT_GT(a.LoadMnr(kDemo), 0);
    EXPECT_NE(r.out.find("series: " + std::to_string(a.GetSeriesCount()) + "\n"), std::string::npos);
    for (const std::string& e : SeriesListEntries(a, "Start", "Stop"))
        EXPECT_NE(r.out.find(e + "\n"), std::string::npos) << e;
}

TEST(Cli, ExitCodes) {
    EXPECT_EQ(Cli("").code, 2);
    EXPECT_EQ(Cli("--help").code, 0);
    EXPECT_EQ(Cli("--version").code, 0);
    EXPECT_EQ(Cli("frobnicate " + kDemo).code, 2);
    EXPECT_EQ(Cli("info /no/such/file.mnr").code, 1);
    EXPECT_EQ(Cli("info " + kDemo + " --bogus").code, 2);
    EXPECT_EQ(Cli("export " + kDemo).code, 2);                  // no --series
    EXPECT_EQ(Cli("export " + kDemo + " --series 99").code, 2); // no such series
    EXPECT_EQ(Cli("export " + kDemo + " --series 1 --zero-correction maybe").code, 2);
    EXPECT_EQ(Cli("stats " + kDemo + " --series 1 --view 0 1").code, 1); // no point in view
    EXPECT_EQ(Cli("info samples.weird").code, 2);
}

TEST(Cli, ExportMatchesTheLibraryAndWritesFiles) {
    ScopedTimeZone zone("Europe/Berlin");
    TempDir dir;
    CArchiveData a;
    ASSERT_GT(a.LoadMnr(kDemo), 0);
    CurveOptions o;
    o.stdTemp = 205; // 20.59 degrees truncate to 205 tenths
    o.stdPres = 760;
    const CliRun r =
        Cli("export " + kDemo + " --series 2 --std-temp 20.59 --std-pres 760 -o " + (dir / "t.txt"));
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(ReadBytes(dir / "t.txt"), ExportTable(*a.GetSeries(1), o));
    const CliRun csv = Cli("export " + kDemo + " --series 1 --format csv --no-filter");
    CurveOptions raw;
    raw.filter = false;
    EXPECT_EQ(csv.out, ExportCsv(*a.GetSeries(0), raw));
}

TEST(Cli, FailedExportKeepsTheEarlierFile) {
    TempDir dir;
    WriteBytes(dir / "t.txt", "precious");
    // A file-size limit makes the writes fail part-way, as a full disk would.
    const CliRun r =
        Cli("export " + kDemo + " --series 1 -o " + (dir / "t.txt"), "trap '' XFSZ; ulimit -f 8; ");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(ReadBytes(dir / "t.txt"), "precious");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(Cli, StatsOfAView) {
    ScopedTimeZone zone("Europe/Berlin");
    CArchiveData a;
    ASSERT_GT(a.LoadMnr(kDemo), 0);
    const SeriesInfo& s = *a.GetSeries(0);
    std::vector<double> t, y, T, P;
    s.GetCurves(CF_MEAS_ONLY | CF_SKIP_BAD, true, -1, -1, t, y, T, P);
    Statistics st;
    ASSERT_TRUE(ComputeStatistics(t, y, t[10], t[50], st));
    const auto cells = StatisticsCells(st);
    std::string want;
    for (size_t i = 0; i < cells.size(); ++i)
        want += cells[i] + (i + 1 < cells.size() ? "\t" : "\n");
    const CliRun r =
        Cli("stats " + kDemo + " --series 1 --view " + std::to_string(static_cast<long long>(t[10])) + " " +
            std::to_string(static_cast<long long>(t[50])));
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.out, want);
}

TEST(Cli, SaveAllConvertsOtherFormats) {
    ScopedTimeZone zone("Europe/Berlin");
    TempDir dir;
    const CliRun r =
        Cli("save-all " + std::string(TERVIK_SAMPLES) + "/orlo2.txt --dir " + dir.path().string());
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
    ASSERT_EQ(
        Cli("save " + std::string(TERVIK_SAMPLES) + "/old-format.dat --series 1 -o " + (dir / "x.mnr")).code,
        0);
    CArchiveData fromDat, converted;
    ASSERT_GT(fromDat.LoadDat(std::string(TERVIK_SAMPLES) + "/old-format.dat"), 0);
    ASSERT_EQ(converted.LoadMnr(dir / "x.mnr"), fromDat.GetRecordCount());
    EXPECT_EQ(0, memcmp(converted.GetRecords().data(), fromDat.GetRecords().data(),
                        16 * static_cast<size_t>(fromDat.GetRecordCount())));
    EXPECT_EQ(Cli("save " + kDemo + " --series 1 -o /no/such/dir/x.mnr").code, 1);
}

} // namespace
