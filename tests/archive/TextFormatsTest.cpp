#include "SeriesFormat.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

namespace {

std::string DatLine(const char* date, const char* time, const char* conc, const char* temp, const char* pres,
                    const char* code) {
    return std::string(date) + " " + time + "\tx\t" + conc + "\ta\tb\t" + temp + "\t" + pres +
           "\t1\t2\t3\t4\t5\t6\t" + code + "\r\n";
}

class TextFormats : public ::testing::Test {
  protected:
    ScopedTimeZone zone{"UTC"};
    TempDir dir;
    CollectingReporter reporter;
    CArchiveData archive;
    void SetUp() override { archive.SetReporter(&reporter); }
};

TEST_F(TextFormats, DatZeroRunsAverageAndTheBaselineIsRebuilt) {
    WriteBytes(dir / "a.dat", DatLine("03.06.2011", "10:00:00", "0.1", "20", "750", "11") +
                                  DatLine("03.06.2011", "10:01:00", "0.2", "21", "751", "11") +
                                  DatLine("03.06.2011", "10:02:00", "0.3", "22", "752", "11") +
                                  DatLine("03.06.2011", "10:03:00", "0.5", "23", "753", "20"));
    ASSERT_EQ(archive.LoadDat(dir / "a.dat"), 2);
    EXPECT_EQ(archive.GetKind(), 2);
    EXPECT_EQ(archive.GetOrigin(), 0);
    ASSERT_EQ(archive.GetSeriesCount(), 1);
    const ArchiveRecord& zero = archive.GetRecords()[0];
    EXPECT_TRUE(zero.IsZero());
    EXPECT_EQ(zero.GetMinute(), 2); // the time of the run's last line
    EXPECT_FLOAT_EQ(zero.GetConcentration(), 0.2f);
    EXPECT_EQ(zero.GetTemperature(), 210);
    EXPECT_EQ(zero.GetPressure(), 751);
    const ArchiveRecord& meas = archive.GetRecords()[1];
    EXPECT_FALSE(meas.IsZero());
    EXPECT_FLOAT_EQ(meas.GetConcentration(), 0.7f);
    EXPECT_EQ(meas.GetSeriesNumber(), 1);
    EXPECT_EQ(archive.GetSeries(0)->saved, 1);
    // Zero correction gives the measured value back.
    std::vector<double> t, r, T, P;
    archive.GetSeries(0)->GetCurves(CF_MEAS_ONLY, true, -1, -1, t, r, T, P);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_NEAR(r[0], 0.5, 1e-6);
}

TEST_F(TextFormats, DatDecimalCommasCodesAndYears) {
    WriteBytes(dir / "a.dat", DatLine("03.06.07", "10:00:00", "0,4", "21,5", "750,9", "20") +
                                  DatLine("03.06.2007", "10:01:00", "0,1", "21,5", "750", "11") +
                                  DatLine("03.06.2007", "10:02:00", "0,2", "21,5", "750", "12") +
                                  DatLine("03.06.2007", "10:03:00", "0,3", "21,5", "750", "11") +
                                  DatLine("03.06.2007", "10:04:00", "1,0", "-3,25", "750", "20") +
                                  "garbage line\r\n" +
                                  DatLine("32.06.2007", "10:05:00", "1", "1", "1", "20"));
    ASSERT_EQ(archive.LoadDat(dir / "a.dat"), 4);
    const auto& r = archive.GetRecords();
    EXPECT_EQ(r[0].GetYear(), 2007);
    EXPECT_EQ(r[1].GetYear(), 2007);
    EXPECT_EQ(r[0].GetTemperature(), 215);
    EXPECT_EQ(r[0].GetPressure(), 750);
    // Code 12 closes the run: the two zero lines stay separate.
    EXPECT_TRUE(r[1].IsZero());
    EXPECT_TRUE(r[2].IsZero());
    EXPECT_FLOAT_EQ(r[1].GetConcentration(), 0.1f);
    EXPECT_FLOAT_EQ(r[2].GetConcentration(), 0.4f); // 0.3 + the earlier zero level 0.1
    EXPECT_EQ(r[3].GetTemperature(), -32);
    EXPECT_FLOAT_EQ(r[3].GetConcentration(), 1.4f); // 1.0 + the zero level 0.4
}

TEST_F(TextFormats, DatReadsTheSameUnderARussianLocale) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    // The second is the Windows C runtime's name for it.
    if (!std::setlocale(LC_ALL, "ru_RU.UTF-8") && !std::setlocale(LC_ALL, "Russian_Russia.1251"))
        GTEST_SKIP() << "ru_RU.UTF-8 locale not installed";
    WriteBytes(dir / "a.dat", DatLine("03.06.2011", "10:00:00", "0.25", "21.5", "750", "11") +
                                  DatLine("03.06.2011", "10:01:00", "1.5", "21,5", "750", "20"));
    const int n = archive.LoadDat(dir / "a.dat");
    std::string table;
    if (n > 0)
        table = ExportTable(*archive.GetSeries(0), CurveOptions{});
    std::setlocale(LC_ALL, saved.c_str());
    ASSERT_EQ(n, 2);
    EXPECT_EQ(archive.GetRecords()[0].GetTemperature(), 215);
    EXPECT_EQ(archive.GetRecords()[1].GetTemperature(), 215);
    EXPECT_FLOAT_EQ(archive.GetRecords()[0].GetConcentration(), 0.25f);
    EXPECT_NE(table.find("    1.500    21.5"), std::string::npos) << table;
    EXPECT_EQ(table.find(','), std::string::npos) << table;
}

TEST_F(TextFormats, DatFailuresAndEmptyFiles) {
    EXPECT_EQ(archive.LoadDat(dir / "missing.dat"), 0);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{"Can't open file"});
    WriteBytes(dir / "junk.dat", std::string("\0\xff\x01 12.12.12\n", 13));
    EXPECT_EQ(archive.LoadDat(dir / "junk.dat"), 0);
    EXPECT_EQ(archive.GetKind(), 2); // header replaced all the same
    EXPECT_EQ(archive.GetSeriesCount(), 0);
    // A line longer than 254 characters is read in pieces, none of which parses.
    std::string longLine = DatLine("03.06.2011", "10:00:00", "0.25", "21.5", "750", "20");
    longLine.insert(longLine.size() - 4, std::string(300, ' '));
    WriteBytes(dir / "long.dat", longLine);
    EXPECT_EQ(archive.LoadDat(dir / "long.dat"), 0);
}

TEST_F(TextFormats, Orlo2FlagsSeriesAndValidity) {
    WriteBytes(dir / "a.txt", "Date, Time, ...\r\n"
                              "11.06.20, 10:00:00, B, 3, 20.5, 752, 0.012\r\n"
                              "11.06.20, 10:10:00, F, 3, 20.5, 752, 0.150\r\n"
                              "11.06.20, 10:20:00, X, 3, 20.5, 752, 0.150\r\n"
                              "11.06.20, 10:30:00, F, 259, -3.25, 751.7, 0.160\r\n"
                              "09.13.01, 10:40:00, F, 4, 20.5, 752, 0.150\r\n"
                              "11.06.20, 10:50:00, F, 4\r\n");
    ASSERT_EQ(archive.LoadOrlo2Txt(dir / "a.txt"), 3);
    EXPECT_EQ(archive.GetKind(), 5);
    const auto& r = archive.GetRecords();
    EXPECT_TRUE(r[0].IsZero());
    EXPECT_FALSE(r[1].IsZero());
    EXPECT_EQ(r[0].GetYear(), 2011);
    EXPECT_EQ(r[0].GetMonth(), 6);
    EXPECT_EQ(r[0].GetDay(), 20);
    EXPECT_EQ(r[2].GetSeriesNumber(), 3); // 259 & 0xFF
    EXPECT_EQ(r[2].GetTemperature(), -32);
    EXPECT_EQ(r[2].GetPressure(), 751);
    // 3, 3, then 259 (stored as 3): one series.
    EXPECT_EQ(archive.GetSeriesCount(), 1);
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(TextFormats, Orlo2SeriesNumbersSplit) {
    WriteBytes(dir / "a.txt", "Date\n"
                              "11.06.20 10:00:00 B 3 20.5 752 0.01\n"
                              "11.06.20 10:10:00 F 3 20.5 752 0.15\n"
                              "11.06.20 10:20:00 F 4 20.5 752 0.15\n");
    EXPECT_EQ(archive.LoadOrlo2Txt(dir / "a.txt"), 3);
    EXPECT_EQ(archive.GetSeriesCount(), 2);
}

TEST_F(TextFormats, Orlo2WrongFormatLeavesTheArchive) {
    archive.AssignRecords({MakeRecord(2011, 1, 1, 0, 0, 0, 0, 1, 0, 0, 0)}, true);
    WriteBytes(dir / "a.txt", "date, time\n11.06.20 10:00:00 B 3 20.5 752 0.01\n");
    EXPECT_EQ(archive.LoadOrlo2Txt(dir / "a.txt"), 0);
    WriteBytes(dir / "empty.txt", "");
    EXPECT_EQ(archive.LoadOrlo2Txt(dir / "empty.txt"), 0);
    ASSERT_EQ(reporter.messages.size(), 2u);
    EXPECT_EQ(reporter.messages[0], "Wrong Orlo2 file format");
    EXPECT_EQ(reporter.offsets[0], 142);
    EXPECT_EQ(archive.GetRecordCount(), 1);
}

TEST_F(TextFormats, HugeNumbersDoNotOverflow) {
    WriteBytes(dir / "a.txt", "Date\n"
                              "11.06.20 10:00:00 B 99999999999 1e30 -1e300 1e300\n"
                              "11.06.20 10:10:00 F 3 nan 752 0.15\n");
    EXPECT_EQ(archive.LoadOrlo2Txt(dir / "a.txt"), 2);
    EXPECT_TRUE(std::isinf(archive.GetRecords()[0].GetConcentration()));
}

} // namespace
