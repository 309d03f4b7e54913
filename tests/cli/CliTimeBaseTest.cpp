// tervik-cli --time-base: the times written follow it, and its errors.

#include "CliRun.h"
#include "LocalTime.h"
#include "Samples.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// "time,epoch,..." lines: the ISO times' offsets and the epochs.
void CsvTimes(const std::string& csv, std::vector<std::string>& offsets, std::vector<int64_t>& epochs) {
    std::stringstream in(csv);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        const size_t comma = line.find(',');
        ASSERT_EQ(comma, 25u) << line;
        offsets.push_back(line.substr(19, 6));
        epochs.push_back(std::stoll(line.substr(comma + 1)));
        // The ISO time is the epoch read with its own offset.
        const int64_t naive = DaysFromCivil(std::stoi(line.substr(0, 4)), std::stoi(line.substr(5, 2)),
                                            std::stoi(line.substr(8, 2))) *
                                  86400 +
                              std::stoi(line.substr(11, 2)) * 3600 + std::stoi(line.substr(14, 2)) * 60 +
                              std::stoi(line.substr(17, 2));
        const int sign = line[19] == '-' ? -1 : 1;
        ASSERT_EQ(naive - epochs.back(),
                  sign * (std::stoi(line.substr(20, 2)) * 3600 + std::stoi(line.substr(23, 2)) * 60))
            << line;
    }
}

// The demo's June records in Berlin summer time (UTC+02:00) by default;
// read as UTC+03:00 each moment is an hour earlier and says +03:00, and a
// named zone gives its own offset.
TEST(CliTimeBase, ExportAndIntervalsFollowIt) {
    const std::string cmd = "export " + kDemo + " --series 1 --format csv";
    std::vector<std::string> offsets[3];
    std::vector<int64_t> epochs[3];
    const char* const bases[] = {"", " --time-base UTC+03:00", " --time-base Asia/Kathmandu"};
    for (int i = 0; i < 3; ++i) {
        const CliRun r = Cli(cmd + bases[i]);
        ASSERT_EQ(r.code, 0) << bases[i];
        CsvTimes(r.out, offsets[i], epochs[i]);
        ASSERT_EQ(epochs[i].size(), epochs[0].size());
    }
    ASSERT_FALSE(epochs[0].empty());
    for (size_t k = 0; k < epochs[0].size(); ++k) {
        EXPECT_EQ(offsets[0][k], "+02:00");
        EXPECT_EQ(offsets[1][k], "+03:00");
        EXPECT_EQ(offsets[2][k], "+05:45");
        EXPECT_EQ(epochs[1][k], epochs[0][k] - 3600);
        EXPECT_EQ(epochs[2][k], epochs[0][k] - 3600 * 3 - 45 * 60);
    }
    const CliRun intervals = Cli("intervals " + kDemo + " --series 1 --format csv --time-base=UTC-05:30");
    ASSERT_EQ(intervals.code, 0);
    EXPECT_EQ(intervals.out.find("+02:00"), std::string::npos) << intervals.out;
    EXPECT_NE(intervals.out.find(":00-05:30,"), std::string::npos) << intervals.out;
    for (const char* command : {"rolling", "summary"}) {
        const CliRun r =
            Cli(std::string(command) + " " + kDemo + " --series 1 --format csv --time-base UTC-05:30");
        ASSERT_EQ(r.code, 0) << command;
        EXPECT_EQ(r.out.find("+02:00"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(":00-05:30"), std::string::npos) << r.out;
    }
}

TEST(CliTimeBase, RefusesWhatItCannotUse) {
    for (const char* command : {"info", "stats", "intervals", "export"}) {
        const std::string base = std::string(command) + " " + kDemo +
                                 (std::string(command) == "info" ? "" : " --series 1") + " --time-base ";
        CliRun r = CliErr(base + "UTC+15:00");
        EXPECT_EQ(r.code, 2) << command;
        EXPECT_NE(r.out.find("--time-base takes local, a zone name"), std::string::npos) << r.out;
        r = CliErr(base + "Mars/Olympus_Mons");
        EXPECT_EQ(r.code, 2) << command;
        EXPECT_NE(r.out.find("there is no time zone Mars/Olympus_Mons"), std::string::npos) << r.out;
        r = CliErr(base + "../../../etc/passwd");
        EXPECT_EQ(r.code, 2) << command;
    }
}

#ifdef TERVIK_TEST_REPORT
// The report states the time base its times are in.
TEST(CliTimeBase, ReportStatesIt) {
    TempDir dir;
    const std::string pdf = dir / "r.pdf";
    const std::pair<const char*, const char*> cases[] = {
        {"", "Time base: local time of this computer"},
        {" --time-base UTC+03:00", "Time base: UTC+03:00, no daylight saving"},
        {" --time-base Europe/Moscow --lang ru", "Шкала времени: Europe/Moscow"},
    };
    for (const auto& [option, want] : cases) {
        ASSERT_EQ(Cli("report " + kDemo + " --series 1 -o " + pdf + option).code, 0) << option;
        std::string text = ShellOutput("pdftotext -layout '" + pdf + "' - 2>/dev/null");
        // The key and its value in one line, however far apart.
        const size_t key = text.find(std::string(want).substr(0, std::string(want).find(':') + 1));
        ASSERT_NE(key, std::string::npos) << want << " in\n" << text;
        const size_t value = text.find(std::string(want).substr(std::string(want).find(':') + 2), key);
        EXPECT_LT(value, text.find('\n', key)) << want << " in\n" << text;
    }
}
#endif

} // namespace
