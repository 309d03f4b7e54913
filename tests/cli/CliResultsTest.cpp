// tervik-cli summary and rolling: their CSV reads back to the computed
// figures, presets in the unit of the file, and the options' errors.

#include "ArchiveGen.h"
#include "CliCsv.h"
#include "CliRun.h"
#include "NumText.h"
#include "ResultStats.h"
#include "Samples.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

namespace {

// The "quantity,value,time" lines of a summary CSV, up to the blank line.
std::map<std::string, std::vector<std::string>> SummaryFields(const std::string& csv) {
    std::map<std::string, std::vector<std::string>> out;
    std::stringstream in(csv);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line) && !line.empty()) {
        const std::vector<std::string> f = Fields(line);
        out[f[0]] = f;
    }
    return out;
}

TEST(CliResults, SummaryCsvIsTheComputedSummaryWithThePresetInTheFilesUnit) {
    ScopedTimeZone zone("Europe/Berlin");
    CArchiveData a;
    ASSERT_GT(a.LoadMnr(kDemo), 0);
    ASSERT_EQ(a.GetKind(), 3); // ug/m3
    SummaryOptions o;
    o.threshold = 0.5;
    o.limit = PresetLimit(*FindLimitPreset("ru-daily"), a.GetKind());
    SummaryStats s;
    ASSERT_TRUE(ComputeSummary(*a.GetSeries(1), CurveOptions{}, o, s));
    const CliRun r =
        Cli("summary " + kDemo + " --series 2 --capture-threshold 50 --limit-preset ru-daily --format csv");
    ASSERT_EQ(r.code, 0);
    auto f = SummaryFields(r.out);
    EXPECT_EQ(f["points"][1], std::to_string(s.count));
    EXPECT_EQ(Num(f["capture"][1]), s.capture);
    EXPECT_EQ(Num(f["mean"][1]), s.mean);
    EXPECT_EQ(Num(f["p98"][1]), s.p98);
    EXPECT_EQ(Num(f["max_8h"][1]), s.maxEightHour.value);
    EXPECT_EQ(f["max_8h"][2], LocalIsoTime(static_cast<int64_t>(s.maxEightHour.time)));
    EXPECT_EQ(Num(f["limit"][1]), 0.3);
    EXPECT_EQ(f["limit_averaging"][1], "day");
    EXPECT_EQ(f["averages_compared"][1], std::to_string(s.averagesCompared));
    EXPECT_EQ(f["averages_above"][1], std::to_string(s.averagesAbove));
    EXPECT_EQ(r.out.substr(r.out.find("\n\n") + 2).find("day,hours,valid_hours"), 0u);

    // The old format's kind is in ng/m3: the same preset is 300 there.
    const CliRun dat = Cli("summary " + std::string(TERVIK_SAMPLES) +
                           "/old-format.dat --series 1 --limit-preset ru-daily --format csv");
    ASSERT_EQ(dat.code, 0);
    EXPECT_EQ(Num(SummaryFields(dat.out)["limit"][1]), 300);
}

TEST(CliResults, AnUnknownUnitIsSaidAndNothingCompared) {
    ScopedTimeZone zone("Europe/Berlin");
    TempDir dir;
    GenOptions g;
    g.series = 1;
    ASSERT_TRUE(WriteMnrFile(dir / "nokind.mnr", ArchiveHeader::Build(0x20, 0, 1), GenerateRecords(g)));
    const std::string args =
        "summary " + (dir / "nokind.mnr") + " --series 1 --limit-preset eu-ioelv --format csv";
    const CliRun err = CliErr(args);
    EXPECT_EQ(err.code, 0);
    EXPECT_NE(err.out.find("unit of the results is not known"), std::string::npos) << err.out;
    const CliRun out = Cli(args);
    auto f = SummaryFields(out.out);
    EXPECT_EQ(f["limit_preset"][1], "eu-ioelv");
    EXPECT_EQ(f.count("limit"), 0u);
    EXPECT_EQ(f.count("averages_above"), 0u);
}

TEST(CliResults, RollingCsvIsTheComputedRollingMeans) {
    ScopedTimeZone zone("Europe/Berlin");
    CArchiveData a;
    ASSERT_GT(a.LoadMnr(kDemo), 0);
    RollingOptions o;
    o.hours = 5;
    o.align = WindowAlign::Centre;
    o.threshold = 0.6;
    std::vector<RollingMean> means;
    std::string error;
    ASSERT_TRUE(ComputeRollingMeans(*a.GetSeries(0), CurveOptions{}, o, -INFINITY, INFINITY, means, error));
    TempDir dir;
    const std::string out = dir / "rolling.csv";
    const CliRun r =
        Cli("rolling " + kDemo +
            " --series 1 --hours 5 --align centre --capture-threshold 60 --limit 2 --format csv -o " + out);
    ASSERT_EQ(r.code, 0);
    std::stringstream in(ReadBytes(out));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "hour_start,hour_end,window_start,window_end,hours,valid_hours,capture,valid,mean,above");
    size_t k = 0, valid = 0, invalid = 0;
    while (std::getline(in, line)) {
        ASSERT_LT(k, means.size());
        const RollingMean& m = means[k++];
        const std::vector<std::string> f = Fields(line);
        ASSERT_EQ(f.size(), 10u) << line;
        EXPECT_EQ(f[0], LocalIsoTime(m.hourStart));
        EXPECT_EQ(f[2], LocalIsoTime(m.windowStart));
        EXPECT_EQ(f[3], LocalIsoTime(m.windowEnd));
        EXPECT_EQ(f[5], std::to_string(m.validHours));
        EXPECT_EQ(f[7], m.valid ? "1" : "0");
        EXPECT_EQ(f[8].empty(), !m.valid) << line;
        EXPECT_EQ(f[9], m.valid ? (m.mean > 2 ? "1" : "0") : "") << line;
        if (m.valid) {
            EXPECT_EQ(Num(f[8]), m.mean);
        }
        (m.valid ? valid : invalid)++;
    }
    EXPECT_EQ(k, means.size());
    EXPECT_GT(valid, 0u);
    EXPECT_GT(invalid, 0u);
}

TEST(CliResults, IntervalsLeaveMeansBelowAnAskedThresholdEmpty) {
    const CliRun plain = Cli("intervals " + kDemo + " --series 1 --interval 30 --format csv");
    const CliRun asked =
        Cli("intervals " + kDemo + " --series 1 --interval 30 --format csv --capture-threshold 90");
    ASSERT_EQ(plain.code, 0);
    ASSERT_EQ(asked.code, 0);
    std::stringstream a(plain.out), b(asked.out);
    std::string la, lb;
    size_t blanked = 0;
    while (std::getline(a, la) && std::getline(b, lb)) {
        const std::vector<std::string> fa = Fields(la), fb = Fields(lb);
        ASSERT_EQ(fa.size(), fb.size());
        const bool below = fb[6] == "1" && !fa[7].empty();
        for (size_t i = 0; i < fa.size(); ++i) {
            if (i == 6)
                continue;
            EXPECT_EQ(fb[i], below && (i == 7 || i == 8) ? "" : fa[i]) << lb;
        }
        blanked += below ? 1 : 0;
    }
    EXPECT_GT(blanked, 0u);
}

TEST(CliResults, OptionErrorsAreUsageErrors) {
    const std::string base = " " + kDemo + " --series 1";
    for (const auto& [args, message] : std::vector<std::pair<std::string, std::string>>{
             {"summary" + base + " --capture-threshold 101", "--capture-threshold takes"},
             {"rolling" + base + " --capture-threshold x", "--capture-threshold takes"},
             {"intervals" + base + " --limit 3 --limit-preset who-annual", "not both"},
             {"summary" + base + " --limit-preset who", "one of eu-ioelv"},
             {"rolling" + base + " --hours 0", "--hours takes"},
             {"rolling" + base + " --align middle", "--align takes"},
         }) {
        const CliRun r = CliErr(args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_NE(r.out.find(message), std::string::npos) << args << ": " << r.out;
    }
}

} // namespace
